// mantlept.grains(): concentrate grains as `mantlept grains` takes them: each
// garnet's class, Ni-in-garnet temperature and depth on a geotherm as a data
// frame, the summary of `--format json` as a dict, and with cpx_out the rows
// of the clinopyroxenes.
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
                   const std::string& rimCore, bool fitCpx, std::optional<double> sigmaT,
                   std::optional<double> sigmaP, bool cpxOut) {
  GrainsRequest request;
  grains::GrainSettings& settings = request.settings;
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
  if (fitCpx && (q0 || !fit.is_none()))
    throw usageError("mantlept: fit_cpx excludes q0 and fit");
  if ((sigmaT || sigmaP) && !fitCpx) throw usageError("mantlept: sigma_T and sigma_P go with fit_cpx");
  const std::string fitPath =
      fit.is_none() ? std::string() : py::module_::import("os").attr("fspath")(fit).cast<std::string>();
  const std::string pairText = pair.is_none() ? std::string() : py::str(pair).cast<std::string>();
  AnalysisOptions options;
  options.rimCore = rimCoreOf(rimCore);
  options.rowsAlone = true;  // each row of a wide table a grain, as the command reads them
  const std::string sheetName = sheet.is_none() ? std::string() : sheet.cast<std::string>();

  request.q0 = q0;
  request.fit = fitPath;
  request.pair = pairText;
  request.fitCpx = fitCpx;
  request.sigmaT_C = sigmaT;
  request.sigmaP_kbar = sigmaP;
  request.threads = sampleThreads(0);  // every core, as the command

  std::ostringstream notes;
  GrainsRun run(bin);
  auto headerOf = [](std::string header) {
    while (!header.empty() && header.back() == '\n') header.pop_back();
    return header;
  };
  TidyColumns columns(headerOf(grains::grainHeader()), false);
  TidyColumns cpxColumns(headerOf(grains::cpxGrainHeader()), false);
  try {
    // The geotherm of q0 or fit before the grains are read, as the command does.
    if (!fitCpx) run.geotherm = grainsGeotherm(q0, fitPath, pairText, false, notes);
    OpenedData opened = openData(data, sheetName, options);
    request.rowText = true;
    evaluateGrains(
        *opened.input, request, run,
        [&](const grains::Grain&, std::string_view row) { columns.addRows(row); },
        [&](const grains::CpxGrain&, std::string_view row) {
          if (cpxOut) cpxColumns.addRows(row);
        },
        notes);
    opened.input->report(notes, false);
  } catch (const py::value_error&) {
    throw;
  } catch (const std::runtime_error& e) {
    warnLines(notes.str());
    throw usageError(e.what());
  }
  if (run.population.grains() == 0 && run.cpxGrains == 0) {
    warnLines(notes.str());
    throw usageError("mantlept: no garnet or clinopyroxene analysis (a column such as CaO_Gt or "
                     "CaO_Cpx, or rows of mineral Gt or Cpx)");
  }
  warnLines(notes.str() + grainsNotes(run));
  std::ostringstream summary;
  grains::writeSummary(summary, run.population, run.geotherm ? &*run.geotherm : nullptr,
                       grains::SummaryFormat::Json, run.cpxSummary());
  py::object parsed = py::module_::import("json").attr("loads")(summary.str());
  if (cpxOut) return py::make_tuple(columns.frame(), parsed, cpxColumns.frame());
  return py::make_tuple(columns.frame(), parsed);
}

}  // namespace

void addGrains(py::module_& m) {
  m.def("grains", &grainsOf, py::arg("data"), py::arg("q0") = py::none(),
        py::arg("fit") = py::none(), py::arg("pair") = py::none(),
        py::arg("thermometer") = "canil1999", py::arg("ni_olivine") = 3000.0,
        py::arg("bin") = 10.0, py::arg("sheet") = py::none(), py::arg("rim_core") = "all",
        py::arg("fit_cpx") = false, py::arg("sigma_T") = py::none(),
        py::arg("sigma_P") = py::none(), py::arg("cpx_out") = false,
        "Concentrate grains as `mantlept grains` takes them. data: a DataFrame, a table or a\n"
        "list of tables; every sample with a garnet is one garnet grain, every sample with a\n"
        "clinopyroxene one cpx grain. q0: project onto the geotherm of this heat flow\n"
        "(mW/m2); fit: or onto the best fit to these P-T points (a path; pair picks the calc\n"
        "pair); fit_cpx: or onto the fit to the kept clinopyroxenes (errors sigma_T in deg C\n"
        "and sigma_P in kbar, as geotherm's). thermometer: canil1999, ryan1996 or\n"
        "sudholz2021, with the olivine's Ni at ni_olivine ppm. bin: depth bin (km) of the\n"
        "sections. Returns (grains, summary): one row per garnet (sample, class, ca_intercept,\n"
        "mg_number, Cr2O3, CaO, Ni_ppm, T_C, depth_km, P_GPa, in_diamond_window) and the keys\n"
        "of `grains --format json` as a dict; with cpx_out (grains, summary, cpx), cpx one row\n"
        "per clinopyroxene as `grains --cpx-out` writes them.");
}

}  // namespace mantlept::python
