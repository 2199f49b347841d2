#include "run/compare_samples.hpp"

#include "run/sample_runner.hpp"

namespace mantlept {

namespace {

struct Evaluated {
  bool done = false;  // false: stopped during its draws
  CompareSample sample;
};

}  // namespace

bool compareSamples(AnalysisInput& input, const CompareRun& run, CompareTally& tally, int threads,
                    const CompareOutput& output, const std::function<bool()>& stopped) {
  SampleRunOptions each;
  each.threads = threads;
  // Every method of a sample is a few pairs' work already; with draws, long work.
  each.batch = run.request().draws > 0 ? 1 : 8;
  each.stopped = stopped;
  bool cut = false;
  auto work = [&](const Association& a, std::uint64_t index) {
    Evaluated e;
    e.done = run.evaluate(a, index, e.sample, stopped);
    return e;
  };
  std::string rows, summary;
  auto consume = [&](const Association& a, std::uint64_t index, Evaluated& e) {
    if (!e.done) cut = true;
    if (cut) return;
    if (index == 0 && output.started) output.started(input.total());
    rows.clear();
    summary.clear();
    run.appendRows(a, e.sample, rows);
    tally.add(a, e.sample, summary);
    if (output.sample) output.sample(rows, summary);
  };
  const bool whole = runSamples<Evaluated>(input, each, work, consume);
  return whole && !cut;
}

}  // namespace mantlept
