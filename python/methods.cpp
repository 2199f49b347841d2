// mantlept.methods(kind=None): the catalogue as `mantlept methods --format csv`
// lists it.
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

#include "api.hpp"
#include "methods/method_needs.hpp"

namespace mantlept::python {

namespace py = pybind11;

namespace {

constexpr MethodKind kKinds[] = {MethodKind::Thermometer, MethodKind::Barometer,
                                 MethodKind::Oxybarometer};
constexpr const char* kKindNames[] = {"thermometer", "barometer", "oxybarometer"};

py::object methodsFrame(const std::optional<std::string>& kind) {
  if (kind && *kind != "thermometer" && *kind != "barometer" && *kind != "oxybarometer")
    throw usageError("mantlept: kind is thermometer, barometer or oxybarometer, not \"" + *kind +
                     "\"");
  py::list kinds, numbers, labels, minerals, reads, notes;
  for (int k = 0; k < 3; ++k) {
    if (kind && *kind != kKindNames[k]) continue;
    for (const MethodInfo& info : allMethods(kKinds[k])) {
      kinds.append(kKindNames[k]);
      numbers.append(info.number);
      labels.append(py::str(std::string(info.label)));
      minerals.append(mineralNames(info.needs));
      reads.append(py::str(std::string(info.reads)));
      notes.append(py::str(std::string(info.note)));
    }
  }
  py::dict columns;
  columns["kind"] = kinds;
  columns["number"] = numbers;
  columns["label"] = labels;
  columns["minerals"] = minerals;
  columns["reads"] = reads;
  columns["note"] = notes;
  return py::module_::import("pandas").attr("DataFrame")(columns);
}

}  // namespace

void addMethods(py::module_& m) {
  m.def("methods", &methodsFrame, py::arg("kind") = py::none(),
        "The methods, as `mantlept methods --format csv` lists them: kind, number, label,\n"
        "the minerals each needs, what else it reads, a note. kind: 'thermometer',\n"
        "'barometer', 'oxybarometer' or None for all.");
}

}  // namespace mantlept::python
