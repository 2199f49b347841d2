// mantlept.compare(): every applicable thermometer (or barometer) on every
// sample, as `mantlept compare` runs it: the tidy rows, the summary per sample
// and the offsets per method as data frames. The samples are read on the
// calling thread and evaluated by the run every front end shares, on every
// core with the interpreter released, the rows still in input order.
#include <pybind11/stl.h>

#include <atomic>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "api.hpp"
#include "frames.hpp"
#include "run/compare_run.hpp"
#include "run/compare_samples.hpp"
#include "run/sample_runner.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

// "all", "7,24,36", 7 or a list of numbers.
std::vector<int> methodsOf(MethodKind kind, py::handle methods) {
  try {
    if (py::isinstance<py::str>(methods)) return methodList(kind, methods.cast<std::string>());
    std::string text;
    if (py::isinstance<py::int_>(methods)) {
      text = std::to_string(methods.cast<int>());
    } else {
      for (py::handle m : methods) {
        if (!py::isinstance<py::int_>(m)) throw std::invalid_argument("a method is a number");
        text += (text.empty() ? "" : ",") + std::to_string(m.cast<int>());
      }
    }
    return methodList(kind, text);
  } catch (const std::invalid_argument& e) {
    throw usageError(std::string("mantlept: ") + e.what());
  }
}

int chosen(const py::object& number) { return number.is_none() ? 0 : number.cast<int>(); }

py::tuple compare(py::object data, py::object barometer, py::object pressure,
                  py::object thermometers, py::object thermometer, py::object temperature,
                  py::object barometers, py::object reference, int oxy, py::object ferric,
                  int iterations, int mc, std::uint64_t seed, py::object relSigma,
                  py::object sigma, py::object sheet, const std::string& rimCore) {
  const int given = !barometer.is_none() + !pressure.is_none() + !thermometer.is_none() +
                    !temperature.is_none();
  const bool mirror = !thermometer.is_none() || !temperature.is_none();
  if (given != 1)
    throw usageError(
        "mantlept: give barometer=B or pressure=KBAR (thermometers compared), or "
        "thermometer=T or temperature=C (barometers compared)");
  if (mirror && !thermometers.is_none())
    throw usageError("mantlept: thermometers= goes with barometer= or pressure=");
  if (!mirror && !barometers.is_none())
    throw usageError("mantlept: barometers= goes with thermometer= or temperature=");
  CompareRequest r;
  r.compared = mirror ? MethodKind::Barometer : MethodKind::Thermometer;
  r.against = chosen(mirror ? thermometer : barometer);
  const py::object fixed = mirror ? temperature : pressure;
  if (!fixed.is_none()) {
    const double v = fixed.cast<double>();
    if (!std::isfinite(v) || (mirror && v < -273.15))
      throw usageError("mantlept: the fixed value is a finite number (kbar, or deg C above -273.15)");
    r.fixedValue = static_cast<Real>(v);
  }
  const py::object listed = mirror ? barometers : thermometers;
  r.methods = methodsOf(r.compared, listed.is_none() ? py::str("all") : listed);
  r.reference = reference.is_none() ? (mirror ? 5 : 36) : reference.cast<int>();
  if (oxy < 0 || oxy > 9) throw usageError("mantlept: oxy is an oxybarometer 0..9 (0: none)");
  r.oxybarometer = oxy;
  r.ferricOption = ferricOf(ferric);
  if (iterations < 1 || iterations > 100000)
    throw usageError("mantlept: iterations lies outside 1-100000");
  r.iterationLimit = iterations;
  if (mc < 0 || mc > 1000000) throw usageError("mantlept: mc lies outside 0-1000000 draws");
  if (mc == 0 && (!sigma.is_none() || !relSigma.is_none()))
    throw usageError("mantlept: sigma and rel_sigma go with mc=N");
  r.draws = mc;
  r.seed = seed;
  AnalysisOptions options;
  options.rimCore = rimCoreOf(rimCore);
  const std::string sheetName = sheet.is_none() ? std::string() : sheet.cast<std::string>();

  std::unique_ptr<CompareRun> run;
  OpenedData opened;
  try {
    if (mc > 0) r.sigma = sigmaTable(sigma, relSigma);
    run = std::make_unique<CompareRun>(std::move(r));
    opened = openData(data, sheetName, options);
  } catch (const std::invalid_argument& e) {
    throw usageError(std::string("mantlept: ") + e.what());
  } catch (const std::runtime_error& e) {
    if (dynamic_cast<const py::value_error*>(&e) != nullptr) throw;
    throw usageError(e.what());
  }
  CompareTally tally(*run);
  TidyColumns rowColumns(run->header());
  TidyColumns summaryColumns(tally.summaryHeader(), false);

  std::string failure;
  std::atomic<bool> interrupted{false};
  {
    py::gil_scoped_release released;
    const int threads = sampleThreads(0);
    std::uint64_t done = 0;
    CompareOutput output;
    output.sample = [&](const std::string& rows, const std::string& summary) {
      rowColumns.addRows(rows);
      summaryColumns.addRows(summary);
      // Ctrl-C in the notebook stops the run.
      if (++done % 64 == 0) {
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) interrupted = true;
      }
    };
    try {
      compareSamples(*opened.input, *run, tally, threads, output,
                     [&] { return interrupted.load(); });
    } catch (const std::runtime_error& e) {
      failure = e.what();
    }
  }
  if (interrupted) throw py::error_already_set();
  std::ostringstream notes;
  opened.input->report(notes, false);
  notes << tally.notes();
  warnLines(notes.str());
  if (!failure.empty()) throw usageError(failure);
  const std::string offsets = tally.offsets().text();
  TidyColumns offsetColumns(std::string_view(offsets).substr(0, offsets.find('\n')), false);
  offsetColumns.addRows(std::string_view(offsets).substr(offsets.find('\n') + 1));
  return py::make_tuple(rowColumns.frame(), summaryColumns.frame(), offsetColumns.frame());
}

}  // namespace

void addCompare(py::module_& m) {
  m.def("compare", &compare, py::arg("data"), py::arg("barometer") = py::none(),
        py::arg("pressure") = py::none(), py::arg("thermometers") = py::none(),
        py::arg("thermometer") = py::none(), py::arg("temperature") = py::none(),
        py::arg("barometers") = py::none(), py::arg("reference") = py::none(),
        py::arg("oxy") = 0, py::arg("ferric") = py::none(), py::arg("iterations") = 30,
        py::arg("mc") = 0, py::arg("seed") = 1, py::arg("rel_sigma") = py::none(),
        py::arg("sigma") = py::none(), py::arg("sheet") = py::none(), py::arg("rim_core") = "all",
        "Every applicable thermometer (or barometer) on every sample, as `mantlept compare`.\n\n"
        "data: as calc() takes it. barometer=B or pressure=KBAR compares thermometers\n"
        "(thermometers: \"all\" (default), \"7,24\" or a list of numbers); thermometer=T or\n"
        "temperature=C compares barometers (barometers=...). reference: the method the\n"
        "offsets are taken from (thermometer 36; barometer 5 when barometers are compared).\n"
        "oxy, ferric, iterations, mc, seed, rel_sigma, sigma, sheet, rim_core: as calc().\n"
        "Returns (rows, summary, offsets): calc's tidy rows, one per sample and method whose\n"
        "minerals the sample holds; one summary row per sample; one offsets row per method.");
}

}  // namespace mantlept::python
