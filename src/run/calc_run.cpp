#include "run/calc_run.hpp"

#include "report/tidy_rows.hpp"

namespace mantlept {

CalcRun::CalcRun(CalcRequest request) : request_(std::move(request)) {}

std::string CalcRun::header() const {
  std::string h = tidyHeader();
  if (request_.draws > 0) h += tidySpreadHeader();
  return h;
}

bool CalcRun::evaluate(const Association& a, std::uint64_t index, SampleResults& out,
                       const std::function<bool()>& stopped) const {
  const RunSettings& settings = request_.settings;
  RunState prepared;
  RunState work;
  prepareSample(prepared, a, settings);
  out.outcomes.clear();
  out.flags.assign(static_cast<std::size_t>(pairCount()), 0);
  for (int k = 0; k < pairCount(); ++k) {
    out.outcomes.push_back(evaluatePair(prepared, settings, k, work));
    if (request_.flags) {
      out.flags[static_cast<std::size_t>(k)] =
          rowFlags(a, prepared, settings.combinations[static_cast<std::size_t>(k)],
                   out.outcomes.back(), settings.oxybarometerNumber, request_.totals);
    }
  }
  out.spreads.clear();
  if (request_.draws == 0) return true;
  return drawAssociation(a, settings, request_.sigma, request_.seed, index, request_.draws, out.spreads,
                         stopped);
}

SampleRows CalcRun::rows(const Association& a, std::uint64_t index,
                         const std::function<bool()>& stopped) const {
  SampleRows r;
  SampleResults results;
  r.stopped = !evaluate(a, index, results, stopped);
  if (!r.stopped) appendRows(a, results, r.text);
  return r;
}

void CalcRun::appendRows(const Association& a, const SampleResults& results,
                         std::string& out) const {
  const bool drawing = request_.draws > 0;
  for (int k = 0; k < pairCount(); ++k) {
    const auto at = static_cast<std::size_t>(k);
    appendTidyRow(out, a.sample, request_.settings, k, results.outcomes[at], results.flags[at]);
    if (drawing) appendSpreadCells(out, results.spreads[at], request_.settings.oxybarometerNumber != 0);
    out += '\n';
  }
}

}  // namespace mantlept
