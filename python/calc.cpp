// mantlept.calc(): the tidy rows of `mantlept calc` as a data frame. The
// samples are read on the calling thread and evaluated by the run every front
// end shares; with Monte Carlo draws, on every core with the interpreter
// released, the rows still in input order.
#include <pybind11/stl.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "api.hpp"
#include "frames.hpp"
#include "methods/catalogue.hpp"
#include "methods/method_needs.hpp"
#include "run/analysis_input.hpp"
#include "run/calc_run.hpp"
#include "tables/open_table.hpp"
#include "run/sample_runner.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

// A whole number filling the text.
bool parseWhole(std::string_view text, int& value) {
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// One pair: (T, B) or "T,B" / "TTBB", checked against the catalogue.
MethodCombination pairOf(py::handle item) {
  MethodCombination c;
  bool read = false;
  std::string shown;
  if (py::isinstance<py::str>(item)) {
    const std::string text = item.cast<std::string>();
    shown = text;
    std::size_t comma = text.find(',');
    std::string_view all(text), t, b;
    if (comma != std::string::npos) {
      t = all.substr(0, comma), b = all.substr(comma + 1);
    } else if (text.size() == 4) {
      t = all.substr(0, 2), b = all.substr(2);
    }
    read = parseWhole(t, c.thermometer) && parseWhole(b, c.barometer);
  } else if (py::isinstance<py::sequence>(item) && py::len(item) == 2) {
    shown = py::str(item).cast<std::string>();
    py::sequence both = py::reinterpret_borrow<py::sequence>(item);
    if (py::isinstance<py::int_>(both[0]) && py::isinstance<py::int_>(both[1])) {
      c.thermometer = both[0].cast<int>();
      c.barometer = both[1].cast<int>();
      read = true;
    }
  } else {
    shown = py::str(item).cast<std::string>();
  }
  if (!read)
    throw usageError("mantlept: a pair is a thermometer and a barometer number, as (7, 5), "
                     "\"7,5\" or \"0705\": " + shown);
  if (!methodInfo(MethodKind::Thermometer, c.thermometer))
    throw usageError("mantlept: there is no thermometer " + std::to_string(c.thermometer) +
                     " (mantlept.methods('thermometer') lists them)");
  if (!methodInfo(MethodKind::Barometer, c.barometer))
    throw usageError("mantlept: there is no barometer " + std::to_string(c.barometer) +
                     " (mantlept.methods('barometer') lists them)");
  c.thermometerLabel = std::string(commandThermometerLabel(c.thermometer));
  c.barometerLabel = std::string(commandBarometerLabel(c.barometer));
  return c;
}

std::vector<MethodCombination> pairsOf(py::handle pairs) {
  // One pair alone: "7,5" or (7, 5).
  bool single = py::isinstance<py::str>(pairs);
  if (!single && py::isinstance<py::tuple>(pairs) && py::len(pairs) == 2) {
    py::tuple t = py::reinterpret_borrow<py::tuple>(pairs);
    single = py::isinstance<py::int_>(t[0]) && py::isinstance<py::int_>(t[1]);
  }
  std::vector<MethodCombination> out;
  if (single) {
    out.push_back(pairOf(pairs));
  } else {
    if (!py::isinstance<py::iterable>(pairs))
      throw usageError("mantlept: pairs is a list of (T, B) pairs or \"T,B\" texts");
    for (py::handle p : pairs) out.push_back(pairOf(p));
  }
  if (out.empty()) throw usageError("mantlept: give at least one thermometer-barometer pair");
  if (out.size() > static_cast<std::size_t>(kMaxCombinations))
    throw usageError("mantlept: at most 12 pairs can be applied in one run");
  return out;
}

// The starting point: (T, P) or "T,P", deg C and kbar.
void startOf(py::handle start, RunSettings& s) {
  if (start.is_none()) return;
  const std::string usage = "mantlept: start takes two numbers T,P (deg C, kbar), as (1000, 10)";
  float t = 0, p = 0;
  try {
    if (py::isinstance<py::str>(start)) {
      std::string text = start.cast<std::string>();
      std::size_t comma = text.find(','), used = 0;
      if (comma == std::string::npos) throw std::invalid_argument(text);
      std::string a = text.substr(0, comma), b = text.substr(comma + 1);
      t = std::stof(a, &used);
      if (used != a.size()) throw std::invalid_argument(a);
      p = std::stof(b, &used);
      if (used != b.size()) throw std::invalid_argument(b);
    } else {
      py::sequence both = start.cast<py::sequence>();
      if (py::len(both) != 2) throw std::invalid_argument("length");
      t = static_cast<float>(both[0].cast<double>());
      p = static_cast<float>(both[1].cast<double>());
    }
  } catch (const std::exception&) {
    throw usageError(usage + ": " + py::str(start).cast<std::string>());
  }
  if (!std::isfinite(t) || !std::isfinite(p))
    throw usageError(usage + ": " + py::str(start).cast<std::string>());
  s.startT = t;
  s.startP = p;
}

bool isPath(py::handle object) {
  return py::isinstance<py::str>(object) ||
         py::isinstance(object, py::module_::import("os").attr("PathLike"));
}

std::string pathOf(py::handle object) {
  return py::module_::import("os").attr("fspath")(object).cast<std::string>();
}


OpenedData openDataIn(py::handle data, const std::string& sheet, const AnalysisOptions& options) {
  OpenedData d;
  if (isDataFrame(data)) {
    d.frame = holdFrame(data, tables::ColumnarRows::NumberText::Marker);
    d.input = tableAnalyses(std::move(d.frame.rows), options);
  } else if (isPath(data)) {
    d.input = openAnalyses(std::vector<std::string>{pathOf(data)}, sheet, options);
  } else if (py::isinstance<py::list>(data) || py::isinstance<py::tuple>(data)) {
    std::vector<std::string> paths;
    for (py::handle p : data) {
      if (!isPath(p)) throw usageError("mantlept: a list of data holds paths of files");
      paths.push_back(pathOf(p));
    }
    if (paths.empty()) throw usageError("mantlept: the list of files is empty");
    // Rows of one sample are joined across the files, as calc joins them.
    d.input = openAnalyses(paths, sheet, options);
  } else {
    throw usageError(
        "mantlept: data is a pandas DataFrame, the path of an analysis file or table, or a "
        "list of paths");
  }
  return d;
}


py::object calc(py::object data, py::object pairs, int oxy, py::object ferric, int iterations,
                py::object start, int mc, std::uint64_t seed, py::object relSigma,
                py::object sigma, py::object sheet, const std::string& rimCore) {
  CalcRequest request;
  RunSettings& s = request.settings;
  s.combinations = pairsOf(pairs);
  s.combinationCount = static_cast<int>(s.combinations.size());
  if (oxy < 0 || oxy > 9) throw usageError("mantlept: oxy is an oxybarometer 0..9 (0: none)");
  s.oxybarometerNumber = oxy;
  s.ferricOption = ferricOf(ferric);
  if (iterations < 1 || iterations > 100000)
    throw usageError("mantlept: iterations lies outside 1-100000");
  s.iterationLimit = iterations;
  startOf(start, s);
  if (mc < 0 || mc > 1000000) throw usageError("mantlept: mc lies outside 0-1000000 draws");
  if (mc == 0 && (!sigma.is_none() || !relSigma.is_none()))
    throw usageError("mantlept: sigma and rel_sigma go with mc=N");
  const std::string sheetName = sheet.is_none() ? std::string() : sheet.cast<std::string>();
  AnalysisOptions options;
  options.rimCore = rimCoreOf(rimCore);

  std::unique_ptr<AnalysisInput> input;
  OpenedData opened;
  try {
    request.draws = mc;
    request.seed = seed;
    if (mc > 0) request.sigma = sigmaTable(sigma, relSigma);
    opened = openDataIn(data, sheetName, options);
  } catch (const std::runtime_error& e) {
    if (dynamic_cast<const py::value_error*>(&e) != nullptr) throw;
    throw usageError(e.what());
  }
  const CalcRun run(std::move(request));
  TidyColumns columns(run.header());

  std::string failure;
  std::atomic<bool> interrupted{false};
  {
    py::gil_scoped_release released;
    const std::function<bool()> stopped = [&] { return interrupted.load(); };
    SampleRunOptions each;
    each.threads = sampleThreads(0);
    each.batch = mc > 0 ? 1 : 32;
    each.stopped = stopped;
    auto work = [&](const Association& a, std::uint64_t index) {
      return run.rows(a, index, stopped);
    };
    auto consume = [&](const Association&, std::uint64_t index, SampleRows& r) {
      if (interrupted.load() || r.stopped) return;
      columns.addRows(r.text);
      // Ctrl-C in the notebook stops the run.
      if (index % 256 == 255) {
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) interrupted = true;
      }
    };
    try {
      runSamples<SampleRows>(*opened.input, each, work, consume);
    } catch (const std::runtime_error& e) {
      failure = e.what();
    }
  }
  // KeyboardInterrupt is pending: nothing more is said.
  if (interrupted) throw py::error_already_set();
  std::ostringstream notes;
  opened.input->report(notes, false);
  warnLines(notes.str());
  if (!failure.empty()) throw usageError(failure);
  return columns.frame();
}

}  // namespace

SigmaTable sigmaTable(py::handle sigma, py::handle relSigma) {
  if (!relSigma.is_none()) {
    if (!sigma.is_none()) throw usageError("mantlept: give sigma or rel_sigma, not both");
    double pct = relSigma.cast<double>();
    if (!(pct >= 0.0 && pct <= 1000.0))
      throw usageError("mantlept: rel_sigma lies outside 0-1000 per cent");
    return SigmaTable::relative(pct);
  }
  if (sigma.is_none()) return defaultMicroprobe();
  if (isDataFrame(sigma)) {
    HeldFrame held = holdFrame(sigma, tables::ColumnarRows::NumberText::Shortest);
    return readSigmaFile(*held.rows);
  }
  if (!isPath(sigma)) throw usageError("mantlept: sigma is a path or a DataFrame");
  std::unique_ptr<tables::RowSource> rows = tables::openTable(pathOf(sigma), "");
  return readSigmaFile(*rows);
}

OpenedData openData(py::handle data, const std::string& sheet, const AnalysisOptions& options) {
  return openDataIn(data, sheet, options);
}

int ferricOf(py::handle rule) {
  // False and True keep their old meaning: no estimate, the dialogue's.
  if (rule.is_none()) return kFerricNone;
  if (py::isinstance<py::bool_>(rule)) return rule.cast<bool>() ? kFerricDialogue : kFerricNone;
  if (py::isinstance<py::str>(rule)) {
    const std::string name = rule.cast<std::string>();
    if (name == "none") return kFerricNone;
    if (name == "dialogue") return kFerricDialogue;
    if (name == "charge-balance") return kFerricChargeBalance;
  }
  throw usageError("mantlept: ferric is None, \"none\", \"dialogue\" or \"charge-balance\" "
                   "(False and True: none and dialogue), not " +
                   py::repr(rule).cast<std::string>());
}

tables::RimCore rimCoreOf(const std::string& text) {
  if (text == "core") return tables::RimCore::Core;
  if (text == "rim") return tables::RimCore::Rim;
  if (text != "all")
    throw usageError("mantlept: rim_core is \"core\", \"rim\" or \"all\", not \"" + text + "\"");
  return tables::RimCore::All;
}

void addCalc(py::module_& m) {
  m.def("calc", &calc, py::arg("data"), py::arg("pairs"), py::arg("oxy") = 0,
        py::arg("ferric") = py::none(), py::arg("iterations") = 30, py::arg("start") = py::none(),
        py::arg("mc") = 0, py::arg("seed") = 1, py::arg("rel_sigma") = py::none(),
        py::arg("sigma") = py::none(), py::arg("sheet") = py::none(), py::arg("rim_core") = "all",
        "T, P (and fO2) of every sample, as the tidy rows of `mantlept calc`.\n\n"
        "data: a DataFrame (wide or long, the column names calc reads), the path of an\n"
        "analysis file, table or workbook, or a list of paths. pairs: a list of (T, B)\n"
        "pairs or \"T,B\" texts (1 to 12). oxy: oxybarometer 0-9; ferric: None or \"none\"\n"
        "(iron as given), \"dialogue\" (the dialogue's estimate; True) or \"charge-balance\"\n"
        "(Droop 1987); iterations: passes at most; start: (T, P) in deg C and kbar.\n"
        "mc: Monte Carlo draws per sample, seed, rel_sigma (per cent) or\n"
        "sigma (a path or DataFrame of mineral,oxide,abs,rel). sheet: workbook sheet.\n"
        "rim_core: \"core\" or \"rim\" keeps only those spot analyses where a table says;\n"
        "\"all\" keeps every one. Several analyses of a mineral in a sample are averaged;\n"
        "each row of a wide table in which a sample name repeats is evaluated on its own.\n"
        "Returns one row per sample and pair: text columns as str, converged as bool,\n"
        "method numbers and passes as int64, every other number as float64 holding the\n"
        "single-precision value exactly, NaN for an empty cell. Notes are warnings; a data\n"
        "or usage error raises ValueError.");
}

}  // namespace mantlept::python
