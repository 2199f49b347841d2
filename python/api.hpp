#pragma once
// The functions of the Python module, one file each.
#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

namespace mantlept::python {

// methods(kind=None) -> DataFrame
void addMethods(pybind11::module_& m);
// calc(data, pairs, ...) -> DataFrame
void addCalc(pybind11::module_& m);
// geotherm(points, ...) -> (dict, DataFrame)
void addGeotherm(pybind11::module_& m);
void addGrains(pybind11::module_& m);
// formula(data, ferric=None, sites=False, ...) -> DataFrame or (DataFrame, DataFrame)
void addFormula(pybind11::module_& m);

// A data or usage error: raised in Python as ValueError with the message the
// command line prints.
inline pybind11::value_error usageError(const std::string& message) {
  return pybind11::value_error(message);
}

}  // namespace mantlept::python
