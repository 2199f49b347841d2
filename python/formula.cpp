// mantlept.formula(): the rows of `mantlept formula` as a data frame, and the
// site table of --sites when asked, through the run the command uses.
#include <pybind11/stl.h>

#include <sstream>
#include <string>

#include "api.hpp"
#include "frames.hpp"
#include "run/formula_run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

py::object formulaOf(py::object data, py::object ferric, bool sites, py::object sheet,
                     const std::string& rimCore) {
  const FormulaRun run(ferricOf(ferric), sites);
  AnalysisOptions options;
  options.rimCore = rimCoreOf(rimCore);
  const std::string sheetName = sheet.is_none() ? std::string() : sheet.cast<std::string>();
  TidyColumns rows(run.header(), false);
  TidyColumns siteRows(run.siteHeader(), false);
  std::ostringstream notes;
  try {
    OpenedData opened = openData(data, sheetName, options);
    {
      // The rows gather as text: no interpreter needed until the frames.
      py::gil_scoped_release released;
      evaluateFormulae(
          *opened.input, run,
          [&](const FormulaSample& s) {
            rows.addRows(s.rows);
            if (sites) siteRows.addRows(s.siteRow);
          },
          {}, sampleThreads(0));
    }
    opened.input->report(notes, false);
  } catch (const py::value_error&) {
    throw;
  } catch (const std::runtime_error& e) {
    warnLines(notes.str());
    throw usageError(e.what());
  }
  warnLines(notes.str());
  if (!sites) return rows.frame();
  return py::make_tuple(rows.frame(), siteRows.frame());
}

}  // namespace

void addFormula(py::module_& m) {
  m.def("formula", &formulaOf, py::arg("data"), py::arg("ferric") = py::none(),
        py::arg("sites") = false, py::arg("sheet") = py::none(), py::arg("rim_core") = "all",
        "The mineral formulae of every sample, as the rows of `mantlept formula`.\n\n"
        "data: what calc() reads. ferric: None or \"none\" (iron as given), \"dialogue\"\n"
        "(True) or \"charge-balance\" (Droop 1987). One row per sample and mineral: the\n"
        "oxides the methods use (wt%), cations per formula unit on the mineral's oxygens,\n"
        "Mg_number, Cr_number and the end-members (NaN where a mineral has none). With\n"
        "sites=True returns (formulae, sites): sites holds one row per sample with every\n"
        "site parameter under the name `methods()` lists. A data error raises ValueError.");
}

}  // namespace mantlept::python
