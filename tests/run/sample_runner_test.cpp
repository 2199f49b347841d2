// The shared per-sample runner: every sample once, results in input order
// whatever the threads and batches, a bounded window, stops and errors kept.
#include "run/sample_runner.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace mantlept {
namespace {

// Samples "s0", "s1", ... with the sample number as the SiO2 of their Opx;
// it throws when asked for sample `failAt`.
class CountingInput : public AnalysisInput {
 public:
  CountingInput(std::uint64_t count, std::uint64_t failAt = ~0ull) : count_(count), failAt_(failAt) {}
  bool next(Association& a) override {
    if (read_ == failAt_) throw InputError("t.csv: row " + std::to_string(read_ + 2) + ": bad");
    if (read_ == count_) return false;
    a.clear();
    a.sample = "s" + std::to_string(read_);
    a.ox[Opx][0] = static_cast<float>(read_);
    a.present[Opx] = true;
    ++read_;
    return true;
  }
  bool fixedColumns() const override { return false; }
  std::uint64_t read() const { return read_; }

 private:
  std::uint64_t count_, failAt_, read_ = 0;
};

// Uneven work, so that later batches often finish before earlier ones.
long churn(const Association& a) {
  long x = static_cast<long>(a.ox[Opx][0]);
  const long n = (x * 7919 % 13) * 3000;
  for (long i = 0; i < n; ++i) x = (x * 31 + i) % 1000003;
  return x;
}

struct Seen {
  std::vector<std::string> samples;
  std::vector<long> results;
  bool operator==(const Seen&) const = default;
};

Seen runWith(int threads, std::size_t batch, std::uint64_t count) {
  CountingInput input(count);
  Seen seen;
  SampleRunOptions o;
  o.threads = threads;
  o.batch = batch;
  const bool finished = runSamples<long>(
      input, o, [](const Association& a, std::uint64_t) { return churn(a); },
      [&](const Association& a, std::uint64_t index, long& r) {
        EXPECT_EQ(a.sample, "s" + std::to_string(index));
        seen.samples.push_back(a.sample);
        seen.results.push_back(r);
      });
  EXPECT_TRUE(finished);
  return seen;
}

TEST(SampleRunner, EveryThreadAndBatchGivesTheSingleThreadedSequence) {
  Seen expected;
  for (int i = 0; i < 203; ++i) {
    Association a;
    a.ox[Opx][0] = static_cast<float>(i);
    expected.samples.push_back("s" + std::to_string(i));
    expected.results.push_back(churn(a));
  }
  struct Case {
    int threads;
    std::size_t batch;
  };
  for (Case c : {Case{1, 32}, Case{2, 1}, Case{2, 32}, Case{3, 7}, Case{4, 500}, Case{0, 0}})
    EXPECT_EQ(runWith(c.threads, c.batch, 203), expected) << c.threads << " " << c.batch;
  EXPECT_TRUE(runWith(3, 8, 0).samples.empty());
}

TEST(SampleRunner, SamplesInFlightStayWithinTheWindow) {
  // 2 threads, batches of 5: at most 4 x 2 batches of 5 are read and not consumed.
  CountingInput input(400);
  SampleRunOptions o;
  o.threads = 2;
  o.batch = 5;
  std::uint64_t most = 0;
  runSamples<int>(
      input, o, [](const Association& a, std::uint64_t) { return static_cast<int>(churn(a) % 7); },
      [&](const Association&, std::uint64_t index, int&) {
        most = std::max(most, input.read() - index);
      });
  EXPECT_LE(most, 4u * 2u * 5u + 5u);  // the batch being filled as well
  EXPECT_GE(most, 5u);                  // work did overlap with reading
}

TEST(SampleRunner, AStopEndsReadingAndConsuming) {
  for (int threads : {1, 2}) {
    CountingInput input(1000);
    SampleRunOptions o;
    o.threads = threads;
    o.batch = 4;
    std::uint64_t asked = 0, consumed = 0;
    o.stopped = [&] { return ++asked > 30; };
    const bool finished = runSamples<int>(
        input, o, [](const Association&, std::uint64_t) { return 1; },
        [&](const Association&, std::uint64_t, int&) { ++consumed; });
    EXPECT_FALSE(finished);
    EXPECT_EQ(input.read(), 30u) << threads;  // asked before each read
    EXPECT_LE(consumed, 30u);
  }
}

TEST(SampleRunner, ReadAndWorkErrorsReachTheCaller) {
  for (int threads : {1, 3}) {
    CountingInput bad(100, 57);
    std::uint64_t consumed = 0;
    SampleRunOptions o;
    o.threads = threads;
    EXPECT_THROW(runSamples<int>(
                     bad, o, [](const Association&, std::uint64_t) { return 0; },
                     [&](const Association&, std::uint64_t, int&) { ++consumed; }),
                 InputError);
    EXPECT_EQ(consumed, 57u) << threads;  // every sample read before the bad row

    CountingInput good(100);
    consumed = 0;
    EXPECT_THROW(runSamples<int>(
                     good, o,
                     [](const Association&, std::uint64_t index) {
                       if (index == 17) throw std::runtime_error("sample 17");
                       return 0;
                     },
                     [&](const Association&, std::uint64_t, int&) { ++consumed; }),
                 std::runtime_error);
    EXPECT_EQ(consumed, 17u) << threads;  // every sample before the failing one, in turn
  }
}

TEST(SampleRunner, ThreadsAskedForOrEveryCore) {
  EXPECT_EQ(sampleThreads(3), 3);
  EXPECT_GE(sampleThreads(0), 1);
}

}  // namespace
}  // namespace mantlept
