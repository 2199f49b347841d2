#include "run/calc_run.hpp"

#include "report/tidy_rows.hpp"

namespace mantlept {

CalcRun::CalcRun(CalcSpec spec) : spec_(std::move(spec)) {}

std::string CalcRun::header() const {
  std::string h = tidyHeader();
  if (spec_.draws > 0) h += tidySpreadHeader();
  return h;
}

bool CalcRun::evaluate(const Association& a, std::uint64_t index, SampleResults& out,
                       const std::function<bool()>& stopped) const {
  const RunSettings& settings = spec_.settings;
  RunState prepared;
  RunState work;
  prepareSample(prepared, a, settings);
  out.outcomes.clear();
  for (int k = 0; k < pairCount(); ++k) out.outcomes.push_back(evaluatePair(prepared, settings, k, work));
  out.spreads.clear();
  if (spec_.draws == 0) return true;
  return drawAssociation(a, settings, spec_.sigma, spec_.seed, index, spec_.draws, out.spreads,
                         stopped);
}

void CalcRun::appendRows(const Association& a, const SampleResults& results,
                         std::string& out) const {
  const bool drawing = spec_.draws > 0;
  for (int k = 0; k < pairCount(); ++k) {
    const auto at = static_cast<std::size_t>(k);
    appendTidyRow(out, a.sample, spec_.settings, k, results.outcomes[at]);
    if (drawing) appendSpreadCells(out, results.spreads[at], spec_.settings.oxybarometerNumber != 0);
    out += '\n';
  }
}

}  // namespace mantlept
