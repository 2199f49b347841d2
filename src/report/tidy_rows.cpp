#include "report/tidy_rows.hpp"

#include <algorithm>

#include "core/number_text.hpp"
#include "core/printable.hpp"
#include "methods/catalogue.hpp"

namespace mantlept {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool hasValue(CombinationStatus status) {
  return status == CombinationStatus::Ok || status == CombinationStatus::Capped;
}

}  // namespace

std::string tidyHeader() {
  return "sample,thermometer,thermometer_label,barometer,barometer_label,T_C,P_kbar,oxybarometer,"
         "fO2,status,passes,converged,flags";
}

std::string_view statusName(CombinationStatus status) {
  switch (status) {
    case CombinationStatus::Ok:
      return "ok";
    case CombinationStatus::Capped:
      return "capped";
    case CombinationStatus::Rejected:
      return "rejected";
    case CombinationStatus::Incomplete:
      break;
  }
  return "incomplete";
}

void appendCsvCell(std::string& out, std::string_view text) {
  // A control byte from a file (an escape that would drive the terminal, a
  // line end inside a name) is written as \xNN.
  if (std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
      })) {
    const std::string shown = printable(text);
    appendCsvCell(out, shown);
    return;
  }
  if (text.find_first_of(",\"") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

void appendShortest(std::string& out, float value) {
  appendShortestFixed(out, value);
}

void appendTidyRow(std::string& out, std::string_view sample, const RunSettings& settings, int k,
                   const CombinationOutcome& o, FlagSet flags) {
  const MethodCombination& c = settings.combinations[static_cast<std::size_t>(k)];
  appendCsvCell(out, sample);
  out += ',';
  out += std::to_string(c.thermometer);
  out += ',';
  appendCsvCell(out, trimmed(commandThermometerLabel(c.thermometer)));
  out += ',';
  out += std::to_string(c.barometer);
  out += ',';
  appendCsvCell(out, trimmed(commandBarometerLabel(c.barometer)));
  out += ',';
  const bool value = hasValue(o.status);
  if (value) appendShortest(out, o.result.temperature);
  out += ',';
  if (value) appendShortest(out, o.result.pressure);
  out += ',';
  out += std::to_string(settings.oxybarometerNumber);
  out += ',';
  // An oxybarometer without a result leaves 0; outside its window, the marker.
  const float fO2 = o.result.fO2;
  if (value && settings.oxybarometerNumber != 0 && fO2 != 0.0f && fO2 != kMarker) {
    appendShortest(out, fO2);
  }
  out += ',';
  out += statusName(o.status);
  out += ',';
  out += std::to_string(o.iteration.passes);
  out += ',';
  out += o.iteration.converged ? "true" : "false";
  out += ',';
  appendFlagCodes(out, flags);
}

std::string tidySpreadHeader() {
  return ",T_C_median,T_C_p16,T_C_p84,P_kbar_median,P_kbar_p16,P_kbar_p84,fO2_median,fO2_p16,"
         "fO2_p84,TP_corr,mc_ok";
}

void appendSpreadCells(std::string& out, const PairSpread& p, bool oxybarometer) {
  auto cell = [&out](bool has, double value) {
    out += ',';
    if (has) appendShortest(out, static_cast<float>(value));
  };
  for (const Spread* x : {&p.T, &p.P}) {
    cell(x->has, x->median);
    cell(x->has, x->p16);
    cell(x->has, x->p84);
  }
  const bool fO2 = oxybarometer && p.fO2.has;
  cell(fO2, p.fO2.median);
  cell(fO2, p.fO2.p16);
  cell(fO2, p.fO2.p84);
  cell(p.hasCorr, p.corr);
  cell(true, p.okFraction);
}

}  // namespace mantlept
