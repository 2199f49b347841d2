#pragma once
// This module computes in double precision.
// How far the methods that apply to a sample disagree: one summary row per
// sample (median, range and spread of the values, the reference's value), and
// over the whole data set each method's offset from the reference (mean,
// standard deviation, range). Only rows ok or capped carry a value.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "methods/method_needs.hpp"
#include "report/flags.hpp"
#include "solver/engine.hpp"
#include "uncertainty/monte_carlo.hpp"

namespace mantlept {

// One evaluated method of a sample.
struct CompareRow {
  int method = 0;  // the compared method's number
  CombinationOutcome outcome;
  FlagSet flags = 0;
  PairSpread spread;  // with draws
};

// The value a row gives for the compared quantity: T in deg C for
// thermometers, P in kbar for barometers; none unless ok or capped.
std::optional<double> comparedValue(MethodKind kind, const CombinationOutcome& outcome);

// Its 1-sigma from the draws, half the 16th-84th percentile range; none
// without draws or without a value among them.
std::optional<double> comparedSigma(MethodKind kind, const PairSpread& spread);

struct SampleSummary {
  int methods = 0;  // rows of the sample
  int ok = 0;       // rows with a value
  double median = 0, min = 0, max = 0;  // meaningful when ok > 0
  int minMethod = 0, maxMethod = 0;     // the first method at the minimum and at the maximum
  std::optional<double> reference;
  std::optional<double> medianSigma;  // with draws: the median of the methods' 1-sigma
};

SampleSummary summarizeSample(MethodKind kind, int reference, const std::vector<CompareRow>& rows);

// "sample,n_methods,n_ok,T_median,..." (P_ for barometers), with the sigma
// columns when drawing; without its line end.
std::string summaryHeader(MethodKind kind, bool draws);

// One summary line, with its line end.
void appendSummaryRow(std::string& out, std::string_view sample, const SampleSummary& s,
                      bool draws);

// Each compared method's offset from the reference, over the samples where
// both have a value.
class OffsetTable {
 public:
  OffsetTable(MethodKind kind, int reference, std::vector<int> methods);

  void add(const std::vector<CompareRow>& rows);

  struct Offsets {
    int method = 0;
    long n = 0;
    double mean = 0, m2 = 0, min = 0, max = 0;
    // The sample standard deviation (n - 1); none below two samples.
    std::optional<double> sd() const;
  };
  // One entry per compared method but the reference, in the order given.
  const std::vector<Offsets>& offsets() const { return offsets_; }
  MethodKind kind() const { return kind_; }
  int reference() const { return reference_; }

  // "method,label,n,mean_offset,sd_offset,min_offset,max_offset" and a line
  // per method, empty cells where there is no value.
  std::string text() const;

 private:
  MethodKind kind_;
  int reference_;
  std::vector<Offsets> offsets_;
  std::vector<std::size_t> at_;  // method number -> index in offsets_ + 1 (0: none)
};

// The label of a compared method, trimmed.
std::string_view methodLabel(MethodKind kind, int number);

}  // namespace mantlept
