// mantlept.geotherm(): the fit of `mantlept geotherm` to P-T points from a
// data frame (calc's own result or any table with T and P) or a file: the
// summary of `--format json` as a dict and the geotherm every km as a data
// frame.
#include <pybind11/stl.h>

#include <optional>
#include <sstream>
#include <string>

#include "api.hpp"
#include "frames.hpp"
#include "geotherm/run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

std::string pairText(py::handle pair) {
  if (pair.is_none()) return {};
  if (py::isinstance<py::str>(pair)) return pair.cast<std::string>();
  py::sequence both = pair.cast<py::sequence>();
  if (py::len(both) != 2)
    throw usageError("mantlept: pair is (T, B) or \"T,B\": " + py::str(pair).cast<std::string>());
  return py::str(both[0]).cast<std::string>() + "," + py::str(both[1]).cast<std::string>();
}

py::tuple geothermFit(py::object points, py::object pair, std::optional<double> q0,
                      double sigmaT, double sigmaP, py::object pUnit, bool dropFlagged,
                      py::object svg) {
  geotherm::GeothermRequest request;
  geotherm::PointsOptions& o = request.points;
  o.pair = pairText(pair);
  o.pUnit = pUnit.is_none() ? std::string() : pUnit.cast<std::string>();
  if (!o.pUnit.empty() && o.pUnit != "kbar" && o.pUnit != "GPa")
    throw usageError("mantlept: p_unit is kbar or GPa, not \"" + o.pUnit + "\"");
  o.sigmaT_C = sigmaT;
  o.sigmaP = sigmaP;
  o.dropFlagged = dropFlagged;
  request.q0 = q0;
  request.format = geotherm::SummaryFormat::Json;
  request.threads = sampleThreads(0);  // every core, as the command
  request.table = true;
  request.svg = !svg.is_none();

  std::ostringstream notes;
  geotherm::GeothermOutcome outcome;
  HeldFrame held;
  const bool frame = !points.is_none() && isDataFrame(points);
  if (frame) held = holdFrame(points, tables::ColumnarRows::NumberText::Shortest);
  try {
    if (frame) {
      o.path = "DataFrame";
      geotherm::checkRequest(request);
      outcome = geotherm::renderGeotherm(request, geotherm::readPoints(*held.rows, o, notes));
    } else {
      if (!points.is_none()) {
        if (!py::isinstance<py::str>(points) &&
            !py::isinstance(points, py::module_::import("os").attr("PathLike")))
          throw usageError("mantlept: points is a DataFrame or the path of a table");
        o.path = py::module_::import("os").attr("fspath")(points).cast<std::string>();
      }
      outcome = geotherm::runGeotherm(request, notes);
    }
  } catch (const py::value_error&) {
    throw;
  } catch (const std::runtime_error& e) {
    warnLines(notes.str());
    throw usageError(e.what());
  }
  warnLines(notes.str());
  if (outcome.summary.fit.at_edge)
    warnLines("mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²");
  if (request.svg) {
    py::object file = py::module_::import("builtins").attr("open")(
        svg, "w", py::arg("encoding") = "utf-8", py::arg("newline") = "");
    file.attr("write")(outcome.svgText);
    file.attr("close")();
  }
  py::object summary = py::module_::import("json").attr("loads")(outcome.summaryText);
  py::object table = py::module_::import("pandas").attr("read_csv")(
      py::module_::import("io").attr("StringIO")(outcome.tableText));
  return py::make_tuple(summary, table);
}

}  // namespace

void addGeotherm(py::module_& m) {
  m.def("geotherm", &geothermFit, py::arg("points"), py::arg("pair") = py::none(),
        py::arg("q0") = py::none(), py::arg("sigma_T") = 50.0, py::arg("sigma_P") = 3.0,
        py::arg("p_unit") = py::none(), py::arg("drop_flagged") = false,
        py::arg("svg") = py::none(),
        "Fits the surface heat flow q0 of the conductive geotherm family to P-T points, as\n"
        "`mantlept geotherm` does. points: calc's result DataFrame (its ok rows of one pair,\n"
        "chosen by pair=(T, B) or \"T,B\"), any DataFrame or table with T and P columns, or\n"
        "None with q0. q0: no fit, the geotherm of this heat flow (mW/m2). sigma_T (deg C),\n"
        "sigma_P (unit of P): errors of points without their own. p_unit: 'kbar' or 'GPa'\n"
        "for a bare P column. drop_flagged: leave out calc rows with any flag. svg: a path\n"
        "to write the P-T diagram to.\n"
        "Returns (summary, table): the keys of `geotherm --format json` as a dict, and the\n"
        "geotherm every km as a DataFrame.");
}

}  // namespace mantlept::python
