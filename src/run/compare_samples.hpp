#pragma once
// The loop of `compare` over a whole input, shared by the command and the
// Python module, on the ordered per-sample runner: samples read in input
// order on the caller's thread, evaluated on `threads` threads, and their rows
// and summary lines handed back on the caller's thread in input order, so that
// the output is the same bytes on any number of threads.
#include <cstdint>
#include <functional>
#include <string>

#include "run/analysis_input.hpp"
#include "run/compare_run.hpp"

namespace mantlept {

struct CompareOutput {
  // Once, as the first sample is taken (a table's total is known then).
  std::function<void(std::uint64_t total)> started;
  // Each sample's tidy rows and summary line, in input order.
  std::function<void(const std::string& rows, const std::string& summary)> sample;
};

// Every sample of `input` through `run` and into `tally`. `stopped`, when
// given, is asked before each sample is read and between draws; false when
// it said stop. Throws what the input throws.
bool compareSamples(AnalysisInput& input, const CompareRun& run, CompareTally& tally, int threads,
                    const CompareOutput& output, const std::function<bool()>& stopped = {});

}  // namespace mantlept
