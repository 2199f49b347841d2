// mantlept.grains(): concentrate garnets as `mantlept grains` takes them: each
// grain's class, Ni-in-garnet temperature and depth on a geotherm as a data
// frame, and the summary of `--format json` as a dict.
#include <pybind11/stl.h>

#include <optional>
#include <sstream>
#include <string>

#include "api.hpp"
#include "frames.hpp"
#include "run/grains_run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

py::tuple grainsOf(py::object data, std::optional<double> q0, py::object fit, py::object pair,
                   const std::string& thermometer, double niOlivine, double bin, py::object sheet,
                   const std::string& rimCore) {
  grains::GrainSettings settings;
  const std::optional<grains::NiThermometer> t = grains::niThermometerNamed(thermometer);
  if (!t)
    throw usageError("mantlept: thermometer is canil1999, ryan1996 or sudholz2021, not \"" +
                     thermometer + "\"");
  settings.thermometer = *t;
  if (!(niOlivine >= 1.0 && niOlivine <= 100000.0))
    throw usageError("mantlept: ni_olivine lies outside 1-100000 ppm");
  settings.niOlivine_ppm = niOlivine;
  if (!(bin >= 0.1 && bin <= 300.0)) throw usageError("mantlept: bin lies outside 0.1-300 km");
  if (q0 && !fit.is_none()) throw usageError("mantlept: q0 and fit exclude each other");
  if (!pair.is_none() && fit.is_none()) throw usageError("mantlept: pair goes with fit");
  const std::string fitPath =
      fit.is_none() ? std::string() : py::module_::import("os").attr("fspath")(fit).cast<std::string>();
  const std::string pairText = pair.is_none() ? std::string() : py::str(pair).cast<std::string>();
  AnalysisOptions options;
  options.rimCore = rimCoreOf(rimCore);
  options.rowsAlone = true;  // each row of a wide table a grain, as the command reads them
  const std::string sheetName = sheet.is_none() ? std::string() : sheet.cast<std::string>();

  std::ostringstream notes;
  GrainsRun run{grains::Population(bin)};
  std::optional<geotherm::Geotherm> g;
  std::string header = grains::grainHeader();
  while (!header.empty() && header.back() == '\n') header.pop_back();
  TidyColumns columns(header, false);
  try {
    g = grainsGeotherm(q0, fitPath, pairText, false, notes);
    std::optional<grains::GeothermProjection> projection;
    if (g) projection.emplace(*g);
    OpenedData opened = openData(data, sheetName, options);
    std::string row;
    evaluateGrains(*opened.input, settings, projection ? &*projection : nullptr, run,
                   [&](const grains::Grain& grain) {
                     row.clear();
                     grains::appendGrainRow(row, grain);
                     columns.addRows(row);
                   },
                   {}, sampleThreads(0));
    opened.input->report(notes, false);
  } catch (const py::value_error&) {
    throw;
  } catch (const std::runtime_error& e) {
    warnLines(notes.str());
    throw usageError(e.what());
  }
  if (run.population.grains() == 0) {
    warnLines(notes.str());
    throw usageError("mantlept: no garnet analysis (a garnet column such as CaO_Gt, or rows of "
                     "mineral Gt)");
  }
  warnLines(notes.str() + grainsNotes(run));
  std::ostringstream summary;
  grains::writeSummary(summary, run.population, g ? &*g : nullptr, grains::SummaryFormat::Json);
  return py::make_tuple(columns.frame(), py::module_::import("json").attr("loads")(summary.str()));
}

}  // namespace

void addGrains(py::module_& m) {
  m.def("grains", &grainsOf, py::arg("data"), py::arg("q0") = py::none(),
        py::arg("fit") = py::none(), py::arg("pair") = py::none(),
        py::arg("thermometer") = "canil1999", py::arg("ni_olivine") = 3000.0,
        py::arg("bin") = 10.0, py::arg("sheet") = py::none(), py::arg("rim_core") = "all",
        "Concentrate garnets as `mantlept grains` takes them. data: a DataFrame, a table or a\n"
        "list of tables; every sample with a garnet is one grain. q0: project onto the\n"
        "geotherm of this heat flow (mW/m2); fit: or onto the best fit to these P-T points\n"
        "(a path; pair picks the calc pair). thermometer: canil1999, ryan1996 or sudholz2021,\n"
        "with the olivine's Ni at ni_olivine ppm. bin: depth bin (km) of the sections.\n"
        "Returns (grains, summary): one row per grain (sample, class, ca_intercept,\n"
        "mg_number, Cr2O3, CaO, Ni_ppm, T_C, depth_km, P_GPa, in_diamond_window) and the keys\n"
        "of `grains --format json` as a dict.");
}

}  // namespace mantlept::python
