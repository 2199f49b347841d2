// mantlept.methods(kind=None): the catalogue as `mantlept methods --format csv`
// lists it.
#include <pybind11/stl.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "api.hpp"
#include "methods/calibration_ranges.hpp"
#include "methods/method_needs.hpp"
#include "methods/site_reads.hpp"

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
  const double none = std::numeric_limits<double>::quiet_NaN();
  py::list kinds, numbers, labels, minerals, reads, notes, tLow, tHigh, pLow, pHigh, sources, sites;
  for (int k = 0; k < 3; ++k) {
    if (kind && *kind != kKindNames[k]) continue;
    for (const MethodInfo& info : allMethods(kKinds[k])) {
      kinds.append(kKindNames[k]);
      numbers.append(info.number);
      labels.append(py::str(std::string(info.label)));
      minerals.append(mineralNames(info.needs));
      reads.append(py::str(std::string(info.reads)));
      notes.append(py::str(std::string(info.note)));
      // The calibration range: NaN where its paper states none.
      const CalibrationRange* range = calibrationRange(info.kind, info.number);
      const std::optional<Bounds> unstated;
      const std::optional<Bounds>& t = range ? range->T_C : unstated;
      const std::optional<Bounds>& p = range ? range->P_kbar : unstated;
      tLow.append(t ? static_cast<double>(t->low) : none);
      tHigh.append(t ? static_cast<double>(t->high) : none);
      pLow.append(p ? static_cast<double>(p->low) : none);
      pHigh.append(p ? static_cast<double>(p->high) : none);
      sources.append(py::str(range ? std::string(range->source) : std::string()));
      sites.append(py::str(std::string(siteParametersRead(info.kind, info.number))));
    }
  }
  py::dict columns;
  columns["kind"] = kinds;
  columns["number"] = numbers;
  columns["label"] = labels;
  columns["minerals"] = minerals;
  columns["reads"] = reads;
  columns["note"] = notes;
  columns["T_min_C"] = tLow;
  columns["T_max_C"] = tHigh;
  columns["P_min_kbar"] = pLow;
  columns["P_max_kbar"] = pHigh;
  columns["range_source"] = sources;
  columns["site_parameters"] = sites;
  return py::module_::import("pandas").attr("DataFrame")(columns);
}

}  // namespace

void addMethods(py::module_& m) {
  m.def("methods", &methodsFrame, py::arg("kind") = py::none(),
        "The methods, as `mantlept methods --format csv` lists them: kind, number, label,\n"
        "the minerals each needs, what else it reads, a note, the calibration range (T in\n"
        "deg C, P in kbar, NaN where not stated) its source and the site\n"
        "parameters it reads (the columns of formula(sites=True)). kind: 'thermometer',\n"
        "'barometer', 'oxybarometer' or None for all.");
}

}  // namespace mantlept::python
