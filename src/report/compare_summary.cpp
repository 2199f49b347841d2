// This module computes in double precision.
#include "report/compare_summary.hpp"

#include <algorithm>
#include <cmath>

#include "methods/catalogue.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept {

namespace {

bool hasValue(CombinationStatus status) {
  return status == CombinationStatus::Ok || status == CombinationStatus::Capped;
}

// Statistics are written as the single-precision values the rows hold.
void appendNumber(std::string& out, double value) {
  appendShortest(out, static_cast<float>(value));
}

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

std::optional<double> comparedValue(MethodKind kind, const CombinationOutcome& outcome) {
  if (!hasValue(outcome.status)) return std::nullopt;
  return static_cast<double>(kind == MethodKind::Barometer ? outcome.result.pressure
                                                           : outcome.result.temperature);
}

std::optional<double> comparedSigma(MethodKind kind, const PairSpread& spread) {
  const Spread& s = kind == MethodKind::Barometer ? spread.P : spread.T;
  if (!s.has) return std::nullopt;
  return (s.p84 - s.p16) / 2.0;
}

SampleSummary summarizeSample(MethodKind kind, int reference, const std::vector<CompareRow>& rows) {
  SampleSummary s;
  s.methods = static_cast<int>(rows.size());
  std::vector<double> values, sigmas;
  for (const CompareRow& row : rows) {
    if (std::optional<double> sigma = comparedSigma(kind, row.spread)) sigmas.push_back(*sigma);
    const std::optional<double> v = comparedValue(kind, row.outcome);
    if (!v) continue;
    if (values.empty() || *v < s.min) s.min = *v, s.minMethod = row.method;
    if (values.empty() || *v > s.max) s.max = *v, s.maxMethod = row.method;
    if (row.method == reference) s.reference = *v;
    values.push_back(*v);
  }
  s.ok = static_cast<int>(values.size());
  if (!values.empty()) s.median = medianOf(std::move(values));
  if (!sigmas.empty()) s.medianSigma = medianOf(std::move(sigmas));
  return s;
}

std::string summaryHeader(MethodKind kind, bool draws) {
  const std::string q = kind == MethodKind::Barometer ? "P_" : "T_";
  std::string h = "sample,n_methods,n_ok," + q + "median," + q + "min," + q + "max," + q +
                  "spread," + q + "reference,min_method,max_method";
  if (draws) h += "," + q + "sigma_median,spread_exceeds_2sigma";
  return h;
}

void appendSummaryRow(std::string& out, std::string_view sample, const SampleSummary& s,
                      bool draws) {
  appendCsvCell(out, sample);
  out += ',' + std::to_string(s.methods) + ',' + std::to_string(s.ok) + ',';
  const bool any = s.ok > 0;
  if (any) appendNumber(out, s.median);
  out += ',';
  if (any) appendNumber(out, s.min);
  out += ',';
  if (any) appendNumber(out, s.max);
  out += ',';
  if (any) appendNumber(out, s.max - s.min);
  out += ',';
  if (s.reference) appendNumber(out, *s.reference);
  out += ',';
  if (any) out += std::to_string(s.minMethod);
  out += ',';
  if (any) out += std::to_string(s.maxMethod);
  if (draws) {
    out += ',';
    if (s.medianSigma) appendNumber(out, *s.medianSigma);
    out += ',';
    // Whether the methods disagree by more than their own analytical scatter.
    if (s.medianSigma && s.ok >= 2) out += s.max - s.min > 2.0 * *s.medianSigma ? "true" : "false";
  }
  out += '\n';
}

std::string_view methodLabel(MethodKind kind, int number) {
  std::string_view label =
      kind == MethodKind::Barometer ? barometerLabel(number) : thermometerLabel(number);
  while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
  while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
  return label;
}

OffsetTable::OffsetTable(MethodKind kind, int reference, std::vector<int> methods)
    : kind_(kind), reference_(reference) {
  for (int m : methods) {
    if (m == reference || m < 0) continue;
    if (static_cast<std::size_t>(m) >= at_.size()) at_.resize(static_cast<std::size_t>(m) + 1, 0);
    if (at_[static_cast<std::size_t>(m)] != 0) continue;
    offsets_.push_back(Offsets{m});
    at_[static_cast<std::size_t>(m)] = offsets_.size();
  }
}

void OffsetTable::add(const std::vector<CompareRow>& rows) {
  std::optional<double> ref;
  for (const CompareRow& row : rows)
    if (row.method == reference_) ref = comparedValue(kind_, row.outcome);
  if (!ref) return;  // a sample without the reference's value says nothing of offsets
  for (const CompareRow& row : rows) {
    const std::optional<double> v = comparedValue(kind_, row.outcome);
    const auto m = static_cast<std::size_t>(row.method);
    if (!v || m >= at_.size() || at_[m] == 0) continue;
    Offsets& o = offsets_[at_[m] - 1];
    const double d = *v - *ref;
    // Welford's running mean and sum of squared deviations.
    ++o.n;
    const double delta = d - o.mean;
    o.mean += delta / static_cast<double>(o.n);
    o.m2 += delta * (d - o.mean);
    o.min = o.n == 1 ? d : std::min(o.min, d);
    o.max = o.n == 1 ? d : std::max(o.max, d);
  }
}

std::optional<double> OffsetTable::Offsets::sd() const {
  if (n < 2) return std::nullopt;
  return std::sqrt(std::max(0.0, m2 / static_cast<double>(n - 1)));
}

std::string OffsetTable::text() const {
  std::string out = "method,label,n,mean_offset,sd_offset,min_offset,max_offset\n";
  for (const Offsets& o : offsets_) {
    out += std::to_string(o.method) + ',';
    appendCsvCell(out, methodLabel(kind_, o.method));
    out += ',' + std::to_string(o.n) + ',';
    if (o.n > 0) appendNumber(out, o.mean);
    out += ',';
    if (std::optional<double> sd = o.sd()) appendNumber(out, *sd);
    out += ',';
    if (o.n > 0) appendNumber(out, o.min);
    out += ',';
    if (o.n > 0) appendNumber(out, o.max);
    out += '\n';
  }
  return out;
}

}  // namespace mantlept
