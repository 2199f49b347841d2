#include "run/compare_samples.hpp"

#include "uncertainty/ordered_pool.hpp"

namespace mantlept {

namespace {

struct Pending {
  std::uint64_t index = 0;
  Association association;
};

struct Evaluated {
  bool done = false;  // false: stopped during its draws
  CompareSample sample;
};

}  // namespace

bool compareSamples(AnalysisInput& input, const CompareRun& run, CompareTally& tally, int threads,
                    const CompareOutput& output, const std::function<bool()>& stopped) {
  const auto stop = [&] { return stopped && stopped(); };
  std::uint64_t count = 0;
  bool cut = false;
  auto produce = [&](Pending& p) {
    if (stop()) {
      cut = true;
      return false;
    }
    if (!input.next(p.association)) return false;
    if (count == 0 && output.started) output.started(input.total());
    p.index = count++;
    return true;
  };
  auto work = [&](Pending& p) {
    Evaluated e;
    e.done = run.evaluate(p.association, p.index, e.sample, stopped);
    return e;
  };
  std::string rows, summary;
  auto consume = [&](Pending& p, Evaluated& e) {
    if (!e.done) cut = true;
    if (cut) return;
    rows.clear();
    summary.clear();
    run.appendRows(p.association, e.sample, rows);
    tally.add(p.association, e.sample, summary);
    if (output.sample) output.sample(rows, summary);
  };
  threads = std::max(threads, 1);
  runOrdered<Pending, Evaluated>(threads, static_cast<std::size_t>(4 * threads), produce, work,
                                 consume);
  return !cut && !stop();
}

}  // namespace mantlept
