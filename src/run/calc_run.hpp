#pragma once
// The evaluation behind `calc`, shared by every front end that works from
// tables: each sample on its own, each chosen pair on its own copy of the
// sample's prepared store, with Monte Carlo draws when asked. Nothing one
// sample or pair writes reaches another, so a row depends only on its own
// sample and pair. No threads, files or signals: the caller decides how
// samples are read, scheduled (run/sample_runner) and written.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "minerals/association.hpp"
#include "report/flags.hpp"
#include "solver/engine.hpp"
#include "solver/run_settings.hpp"
#include "uncertainty/monte_carlo.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept {

struct CalcRequest {
  RunSettings settings;  // pairs, oxybarometer, ferric option, passes, starting point
  int draws = 0;         // Monte Carlo draws per sample (0: none)
  std::uint64_t seed = 1;
  SigmaTable sigma;  // used only with draws
  TotalsWindow totals;  // the oxide-total window of the flags
  bool flags = true;    // false leaves the flags column empty (to time what flags cost)
};

// The results of one sample: the outcome of every pair and, with draws,
// their spreads.
struct SampleResults {
  std::vector<CombinationOutcome> outcomes;
  std::vector<FlagSet> flags;  // one per pair
  std::vector<PairSpread> spreads;
};

// The tidy rows of one sample (one per pair, each with its line end), or
// `stopped` when its draws were cut short.
struct SampleRows {
  std::string text;
  bool stopped = false;
};

class CalcRun {
 public:
  explicit CalcRun(CalcRequest request);

  const CalcRequest& request() const { return request_; }
  int pairCount() const { return request_.settings.evaluatedCount(); }

  // The tidy header line (without its line end), with the Monte Carlo
  // columns when drawing.
  std::string header() const;

  // Evaluates sample number `index` (its position in the input, which seeds
  // its draws). `stopped`, when given, is asked between draws; false when it
  // said stop.
  bool evaluate(const Association& a, std::uint64_t index, SampleResults& out,
                const std::function<bool()>& stopped = {}) const;

  // Evaluates sample number `index` and writes its tidy rows: `evaluate`
  // and `appendRows` together, the work one sample needs on any thread.
  SampleRows rows(const Association& a, std::uint64_t index,
                  const std::function<bool()>& stopped = {}) const;

  // Appends the tidy rows of an evaluated sample, one per pair, each with its
  // line end.
  void appendRows(const Association& a, const SampleResults& results, std::string& out) const;

 private:
  CalcRequest request_;
};

}  // namespace mantlept
