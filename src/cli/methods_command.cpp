#include "cli/methods_command.hpp"

#include <vector>

#include "methods/calibration_ranges.hpp"
#include "methods/method_needs.hpp"
#include "methods/site_reads.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept {

namespace {

constexpr MethodKind kKinds[] = {MethodKind::Thermometer, MethodKind::Barometer,
                                 MethodKind::Oxybarometer};

std::string_view kindName(MethodKind kind) {
  switch (kind) {
    case MethodKind::Thermometer:
      return "thermometer";
    case MethodKind::Barometer:
      return "barometer";
    case MethodKind::Oxybarometer:
      break;
  }
  return "oxybarometer";
}

// The kinds the options ask for: one, or all three.
std::vector<MethodKind> chosenKinds(const std::string& kind) {
  std::vector<MethodKind> kinds;
  for (MethodKind k : kKinds) {
    if (kind.empty() || kind == kindName(k)) kinds.push_back(k);
  }
  return kinds;
}

void writeCsvRow(std::ostream& out, const MethodInfo& m) {
  std::string row;
  row += kindName(m.kind);
  row += ',' + std::to_string(m.number) + ',';
  appendCsvCell(row, m.label);
  row += ',';
  appendCsvCell(row, mineralNames(m.needs));
  row += ',';
  appendCsvCell(row, m.reads);
  row += ',';
  appendCsvCell(row, m.note);
  // The calibration range: empty cells where its paper states none.
  const CalibrationRange* range = calibrationRange(m.kind, m.number);
  for (const std::optional<Bounds>* b :
       {range ? &range->T_C : nullptr, range ? &range->P_kbar : nullptr}) {
    row += ',';
    if (b && *b) appendShortest(row, (*b)->low);
    row += ',';
    if (b && *b) appendShortest(row, (*b)->high);
  }
  row += ',';
  if (range) appendCsvCell(row, range->source);
  row += ',';
  appendCsvCell(row, siteParametersRead(m.kind, m.number));
  out << row << '\n';
}

void writeLine(std::ostream& out, const MethodInfo& m) {
  std::string line(kindName(m.kind));
  line.resize(13, ' ');
  std::string number = std::to_string(m.number);
  line += std::string(3 - number.size(), ' ') + number + "  ";
  line += m.label;
  line.resize(std::max<std::size_t>(line.size() + 1, 30), ' ');
  line += mineralNames(m.needs);
  if (!m.reads.empty()) line += "; reads " + std::string(m.reads);
  out << line << '\n';
}

void writeInFull(std::ostream& out, const MethodInfo& m) {
  out << kindName(m.kind) << ' ' << m.number << ": " << m.label << '\n';
  out << "  minerals: " << mineralNames(m.needs)
      << (m.needs.empty() ? " (its own tests decide)" : " (incomplete without them)") << '\n';
  if (!m.reads.empty()) out << "  reads:    " << m.reads << '\n';
  if (!m.note.empty()) out << "  note:     " << m.note << '\n';
  const std::string_view sites = siteParametersRead(m.kind, m.number);
  out << "  site parameters (formula --sites): " << (sites.empty() ? "none" : sites) << '\n';
  const CalibrationRange* range = calibrationRange(m.kind, m.number);
  out << "  calibration range: " << (range ? calibrationText(*range) : "not stated") << '\n';
}

}  // namespace

int runMethods(const MethodsOptions& o, std::ostream& out, std::ostream& err) {
  const bool csv = o.format == "csv";
  if (csv)
    out << "kind,number,label,minerals,reads,note,T_min_C,T_max_C,P_min_kbar,P_max_kbar,"
           "range_source,site_parameters\n";
  bool found = false;
  for (MethodKind kind : chosenKinds(o.kind)) {
    if (o.number) {
      std::optional<MethodInfo> m = methodInfo(kind, *o.number);
      if (!m) continue;
      found = true;
      if (csv) {
        writeCsvRow(out, *m);
      } else {
        writeInFull(out, *m);
      }
      continue;
    }
    for (const MethodInfo& m : allMethods(kind)) {
      if (csv) {
        writeCsvRow(out, m);
      } else {
        writeLine(out, m);
      }
    }
    found = true;
  }
  if (!found) {
    err << "mantlept: there is no " << (o.kind.empty() ? "method" : o.kind) << ' ' << *o.number
        << " (mantlept methods lists them)\n";
    return 2;
  }
  return 0;
}

}  // namespace mantlept
