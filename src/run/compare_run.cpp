#include "run/compare_run.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "methods/catalogue.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept {

namespace {

MethodKind otherKind(MethodKind kind) {
  return kind == MethodKind::Barometer ? MethodKind::Thermometer : MethodKind::Barometer;
}

std::string_view kindWord(MethodKind kind) {
  return kind == MethodKind::Barometer ? "barometer" : "thermometer";
}

MineralSet equationOf(MethodKind kind, int number) {
  std::optional<MethodInfo> info = methodInfo(kind, number);
  if (!info) {
    throw std::invalid_argument("there is no " + std::string(kindWord(kind)) + ' ' +
                                std::to_string(number) + " (mantlept methods --kind " +
                                std::string(kindWord(kind)) + " lists them)");
  }
  return info->equation;
}

}  // namespace

std::vector<int> allComparable(MethodKind kind) {
  std::vector<int> numbers;
  for (const MethodInfo& m : allMethods(kind))
    if (givesEstimate(kind, m.number)) numbers.push_back(m.number);
  return numbers;
}

CompareRun::CompareRun(CompareRequest request) : request_(std::move(request)) {
  const bool thermometers = request_.compared != MethodKind::Barometer;
  base_.ferricOption = request_.ferricOption;
  base_.oxybarometerNumber = request_.oxybarometer;
  base_.iterationLimit = request_.iterationLimit;
  base_.startT = request_.startT;
  base_.startP = request_.startP;
  // A fixed pressure is barometer 1 starting there, a fixed temperature
  // thermometer 1 starting there, exactly as calc --start gives them.
  if (request_.fixedValue) {
    request_.against = 1;
    (thermometers ? base_.startP : base_.startT) = *request_.fixedValue;
  }
  againstMinerals_ = equationOf(otherKind(request_.compared), request_.against);
  // The reference is evaluated whether listed or not.
  std::vector<int> numbers = request_.methods;
  if (request_.reference != 0 &&
      std::find(numbers.begin(), numbers.end(), request_.reference) == numbers.end())
    numbers.push_back(request_.reference);
  request_.methods.clear();
  for (int number : numbers) {
    if (std::find(request_.methods.begin(), request_.methods.end(), number) !=
        request_.methods.end())
      continue;
    request_.methods.push_back(number);
    MethodCombination c;
    c.thermometer = thermometers ? number : request_.against;
    c.barometer = thermometers ? request_.against : number;
    c.thermometerLabel = std::string(thermometerLabel(c.thermometer));
    c.barometerLabel = std::string(barometerLabel(c.barometer));
    Method m{number, equationOf(request_.compared, number), base_};
    m.alone.combinations = {c};
    m.alone.combinationCount = 1;
    methods_.push_back(std::move(m));
  }
}

std::string CompareRun::header() const {
  std::string h = tidyHeader();
  if (request_.draws > 0) h += tidySpreadHeader();
  return h;
}

const MethodCombination& CompareRun::pairOf(int number) const {
  for (const Method& m : methods_)
    if (m.number == number) return m.alone.combinations[0];
  throw std::invalid_argument("not a compared method: " + std::to_string(number));
}

RunSettings CompareRun::settingsFor(const std::vector<const Method*>& pairs) const {
  RunSettings s = base_;
  for (const Method* m : pairs) s.combinations.push_back(m->alone.combinations[0]);
  s.combinationCount = static_cast<int>(s.combinations.size());
  return s;
}

bool CompareRun::evaluate(const Association& a, std::uint64_t index, CompareSample& out,
                          const std::function<bool()>& stopped) const {
  RunState prepared;
  RunState work;
  prepareSample(prepared, a, base_);
  out.rows.clear();
  out.againstApplies = mineralsPresent(prepared, againstMinerals_);
  std::vector<const Method*> applying;
  for (const Method& m : methods_) {
    if (!mineralsPresent(prepared, m.minerals)) continue;  // not even incomplete: left out
    applying.push_back(&m);
    CompareRow row;
    row.method = m.number;
    row.outcome = evaluatePair(prepared, m.alone, 0, work);
    row.flags = rowFlags(a, prepared, m.alone.combinations[0], row.outcome,
                         base_.oxybarometerNumber, request_.totals);
    out.rows.push_back(row);
  }
  if (request_.draws == 0) return true;
  // The draws of at most 12 pairs at a time, as calc would be asked them; a
  // pair's draws do not depend on the pairs beside it.
  std::vector<PairSpread> spreads;
  const auto group = static_cast<std::size_t>(kMaxCombinations);
  for (std::size_t first = 0; first < applying.size(); first += group) {
    const std::size_t last = std::min(first + group, applying.size());
    const std::vector<const Method*> pairs(applying.begin() + static_cast<std::ptrdiff_t>(first),
                                           applying.begin() + static_cast<std::ptrdiff_t>(last));
    if (!drawAssociation(a, settingsFor(pairs), request_.sigma, request_.seed, index,
                         request_.draws, spreads, stopped))
      return false;
    for (std::size_t k = first; k < last; ++k) out.rows[k].spread = spreads[k - first];
  }
  return true;
}

void CompareRun::appendRows(const Association& a, const CompareSample& sample,
                            std::string& out) const {
  const bool drawing = request_.draws > 0;
  for (const CompareRow& row : sample.rows) {
    const Method& m = *std::find_if(methods_.begin(), methods_.end(),
                                    [&](const Method& x) { return x.number == row.method; });
    appendTidyRow(out, a.sample, m.alone, 0, row.outcome, row.flags);
    if (drawing) appendSpreadCells(out, row.spread, base_.oxybarometerNumber != 0);
    out += '\n';
  }
}

}  // namespace mantlept

namespace mantlept {

namespace {

std::string againstText(const CompareRequest& r) {
  char value[32];
  if (r.fixedValue) {
    std::snprintf(value, sizeof value, "%g", static_cast<double>(*r.fixedValue));
    return r.compared == MethodKind::Barometer ? std::string("at ") + value + " \xC2\xB0" "C"
                                               : std::string("at ") + value + " kbar";
  }
  const MethodKind other = otherKind(r.compared);
  return "against " + std::string(kindWord(other)) + ' ' + std::to_string(r.against) + " (" +
         std::string(methodLabel(other, r.against)) + ")";
}

}  // namespace

std::vector<int> methodList(MethodKind kind, const std::string& text) {
  if (text == "all") return allComparable(kind);
  std::vector<int> numbers;
  std::size_t from = 0;
  const std::string usage = "the " + std::string(kindWord(kind)) +
                            "s are all or numbers separated by commas, as 7,24,36: \"" + text + "\"";
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string_view cell = std::string_view(text).substr(from, comma - from);
    int n = 0;
    auto r = std::from_chars(cell.data(), cell.data() + cell.size(), n);
    if (cell.empty() || r.ec != std::errc() || r.ptr != cell.data() + cell.size())
      throw std::invalid_argument(usage);
    equationOf(kind, n);  // a number without a method throws
    if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) numbers.push_back(n);
    from = comma + 1;
  }
  return numbers;
}

CompareTally::CompareTally(const CompareRun& run)
    : run_(run),
      offsets_(run.request().compared, run.request().reference, run.request().methods),
      figure_(FigureTitle{run.request().compared, againstText(run.request())},
              run.request().reference) {}

std::string CompareTally::summaryHeader() const {
  return mantlept::summaryHeader(run_.request().compared, run_.request().draws > 0);
}

void CompareTally::add(const Association& a, const CompareSample& sample, std::string& summary) {
  const CompareRequest& r = run_.request();
  ++samples_;
  if (!sample.againstApplies) ++withoutAgainst_;
  const SampleSummary s = summarizeSample(r.compared, r.reference, sample.rows);
  if (r.reference != 0 && !s.reference) ++withoutReference_;
  appendSummaryRow(summary, a.sample, s, r.draws > 0);
  offsets_.add(sample.rows);
  figure_.add(a.sample, sample.rows);
}

std::string CompareTally::notes() const {
  const CompareRequest& r = run_.request();
  auto samples = [](long n) { return std::to_string(n) + (n == 1 ? " sample" : " samples"); };
  std::string notes;
  if (withoutAgainst_ > 0 && !r.fixedValue) {
    const MethodKind other = otherKind(r.compared);
    notes += "mantlept: note: " + samples(withoutAgainst_) + " without the minerals of " +
             std::string(kindWord(other)) + ' ' + std::to_string(r.against) + " (" +
             mineralNames(equationOf(other, r.against)) + "): their rows are incomplete\n";
  }
  if (withoutReference_ > 0 && r.reference != 0) {
    notes += "mantlept: note: " + samples(withoutReference_) + " without a value of the reference " +
             std::string(kindWord(r.compared)) + ' ' + std::to_string(r.reference) +
             " add nothing to the offsets\n";
  }
  return notes;
}

}  // namespace mantlept
