// The Python module `mantlept`: the engine's commands for notebooks, with
// pandas data frames in and out. A front end like the command line: it turns
// arguments into the settings the engine takes, and the engine's results into
// data frames; the evaluation itself is the one every front end shares.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "api.hpp"

namespace py = pybind11;

PYBIND11_MODULE(mantlept, m) {
  m.doc() =
      "Temperature, pressure and oxygen fugacity of mantle xenoliths from microprobe analyses.\n"
      "calc() evaluates analyses (a DataFrame, a table or analysis file, or a list of them)\n"
      "with thermometer-barometer pairs; geotherm() fits a conductive geotherm to P-T points;\n"
      "grains() classes concentrate garnets and projects them onto a geotherm; formula()\n"
      "gives the mineral formulae and site parameters the methods read; methods()\n"
      "lists the methods.";
  m.attr("__version__") = "1.0.0";
  mantlept::python::addMethods(m);
  mantlept::python::addCalc(m);
  mantlept::python::addGeotherm(m);
  mantlept::python::addGrains(m);
  mantlept::python::addFormula(m);
}
