#pragma once
// Every sample of an input through one piece of work on every core, the
// results taken in input order on the caller's thread: the loop behind every
// command that evaluates many samples (calc, grains and the like), for every
// front end. Samples are read on the caller's thread and handed to the
// workers in small batches, so that cheap work (a pair or two per sample) is
// not swamped by the hand-over; at most a window of batches is in flight, so
// memory stays flat for any length of input. With one thread (and in builds
// without threads, as the page) everything runs on the caller's thread, in
// the same order, with the same results.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

#include "minerals/association.hpp"
#include "run/analysis_input.hpp"
#include "uncertainty/ordered_pool.hpp"

namespace mantlept {

// The threads a command runs on when asked for `asked` (0: every core of the
// machine); 1 in a build without threads.
int sampleThreads(int asked);

struct SampleRunOptions {
  int threads = 1;         // workers; 1 (or less): the caller's thread alone
  std::size_t batch = 32;  // samples a worker takes at once (1 for long work per sample)
  // Asked on the caller's thread before each sample is read; once true,
  // nothing more is read, evaluated or consumed.
  std::function<bool()> stopped;
};

namespace detail {

struct SampleBatch {
  std::uint64_t first = 0;  // input position of samples[0]
  std::vector<Association> samples;
  std::exception_ptr readError;  // the read after the last sample failed
};

}  // namespace detail

// Reads every association of `input` and runs
//   work(const Association&, std::uint64_t index) -> Result   on a worker,
//   consume(const Association&, std::uint64_t index, Result&)  on the caller's thread,
// the latter in input order. `index` counts samples from 0 in input order.
// `options.stopped` is asked before each read (also the one that finds the
// end), never after. Returns false when it said stop. An exception from reading,
// from work or from consume reaches the caller (in input order) after the
// workers are joined.
template <typename Result, typename Work, typename Consume>
bool runSamples(AnalysisInput& input, const SampleRunOptions& options, Work work,
                Consume consume) {
  using detail::SampleBatch;
  const std::size_t batch = options.batch == 0 ? 1 : options.batch;
  // One thread takes every sample at once, so that nothing is held.
  const std::size_t perBatch = options.threads <= 1 ? 1 : batch;
  std::uint64_t read = 0;
  bool halted = false;
  auto isStopped = [&] {
    if (!halted && options.stopped && options.stopped()) halted = true;
    return halted;
  };
  // A read that fails ends the input: the samples before it are still
  // evaluated and consumed, then its error goes on, as with one thread.
  bool ended = false;
  auto produce = [&](SampleBatch& b) {
    b.first = read;
    b.samples.clear();
    b.samples.reserve(perBatch);
    while (!ended && b.samples.size() < perBatch) {
      if (isStopped()) break;
      b.samples.emplace_back();
      try {
        if (!input.next(b.samples.back())) ended = true;
      } catch (...) {
        b.readError = std::current_exception();
        ended = true;
      }
      if (ended) {
        b.samples.pop_back();
        break;
      }
      ++read;
    }
    return !b.samples.empty() || b.readError;
  };
  // A sample whose work throws ends its batch: the samples before it are
  // still consumed, then the error goes on, as with one thread.
  struct Done {
    std::vector<Result> results;
    std::exception_ptr error;
  };
  auto evaluate = [&](SampleBatch& b) {
    Done done;
    done.results.reserve(b.samples.size());
    try {
      for (std::size_t i = 0; i < b.samples.size(); ++i)
        done.results.push_back(work(static_cast<const Association&>(b.samples[i]), b.first + i));
    } catch (...) {
      done.error = std::current_exception();
    }
    return done;
  };
  auto take = [&](SampleBatch& b, Done& done) {
    for (std::size_t i = 0; i < done.results.size(); ++i) {
      if (halted) return;
      consume(static_cast<const Association&>(b.samples[i]), b.first + i, done.results[i]);
    }
    if (done.error) std::rethrow_exception(done.error);
    if (b.readError) std::rethrow_exception(b.readError);
  };
  const int threads = options.threads < 1 ? 1 : options.threads;
  runOrdered<SampleBatch, Done>(threads, static_cast<std::size_t>(4 * threads), produce,
                                evaluate, take);
  return !halted;
}

}  // namespace mantlept
