#pragma once
// The evaluation behind `compare`, shared by every front end: every sample
// solved, as calc solves it (each sample and pair alone), with every listed
// thermometer whose minerals it holds against one barometer (or, in the mirror
// image, every listed barometer against one thermometer). Methods whose
// equation reads a mineral the sample lacks give it no row; one that applies
// but has no value stays in as incomplete. No threads, files or signals: the
// caller reads the samples, schedules them and writes what comes back.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "methods/method_needs.hpp"
#include "minerals/association.hpp"
#include "report/compare_figure.hpp"
#include "report/compare_summary.hpp"
#include "report/flags.hpp"
#include "solver/engine.hpp"
#include "solver/run_settings.hpp"
#include "uncertainty/monte_carlo.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept {

struct CompareRequest {
  // The kind compared: thermometers against one barometer, or barometers
  // against one thermometer.
  MethodKind compared = MethodKind::Thermometer;
  // The other method: a barometer (thermometer) number, or 1, the fixed
  // pressure (temperature) of `fixedValue`.
  int against = 5;
  // kbar, or deg C as thermometer 1 reports it; the starting T or P of every
  // pair then. Without it the run starts from `startT`, `startP`.
  std::optional<Real> fixedValue;
  std::vector<int> methods;  // the compared methods, in the order of their rows
  int reference = 36;        // 0: none
  int oxybarometer = 0;
  int ferricOption = kFerricNone;
  int iterationLimit = 30;
  Real startT = 1000.0f;
  Real startP = 10.0f;
  int draws = 0;  // Monte Carlo draws per sample (0: none)
  std::uint64_t seed = 1;
  SigmaTable sigma;  // used only with draws
  TotalsWindow totals;
};

// The methods `all` stands for: every method of the kind that `methods`
// lists and that gives an estimate of its own (not the fixed value, not the
// previous result).
std::vector<int> allComparable(MethodKind kind);

// The rows of one sample, one per applicable method in the request's order.
struct CompareSample {
  std::vector<CompareRow> rows;
  bool againstApplies = true;  // the sample holds the minerals of the other method
};

class CompareRun {
 public:
  // Throws std::invalid_argument for a method number without a method.
  explicit CompareRun(CompareRequest request);

  const CompareRequest& request() const { return request_; }

  // The tidy header line of calc (without its line end), with the Monte
  // Carlo columns when drawing.
  std::string header() const;

  // Evaluates sample number `index` (its position in the input, which seeds
  // its draws). `stopped`, when given, is asked between draws; false when it
  // said stop.
  bool evaluate(const Association& a, std::uint64_t index, CompareSample& out,
                const std::function<bool()>& stopped = {}) const;

  // Appends calc's tidy rows of an evaluated sample, each with its line end.
  void appendRows(const Association& a, const CompareSample& sample, std::string& out) const;

  // The pair of compared method `number` as calc names it.
  const MethodCombination& pairOf(int number) const;

 private:
  struct Method {
    int number;
    MineralSet minerals;
    RunSettings alone;  // the settings of this one pair, as calc -p would take them
  };
  // The settings of calc for these pairs (at most 12, as calc takes them).
  RunSettings settingsFor(const std::vector<const Method*>& pairs) const;

  CompareRequest request_;
  RunSettings base_;  // everything but the pairs
  MineralSet againstMinerals_;
  std::vector<Method> methods_;
};

// "all" or numbers "7,24,36" of the compared kind, checked against
// `methods`. Throws std::invalid_argument with the message a user reads.
std::vector<int> methodList(MethodKind kind, const std::string& text);

// What a whole run gathers beside the rows, sample by sample: the summary
// line of each, the offsets from the reference and the figure.
class CompareTally {
 public:
  explicit CompareTally(const CompareRun& run);

  // Adds an evaluated sample and appends its summary line to `summary`.
  void add(const Association& a, const CompareSample& sample, std::string& summary);

  std::string summaryHeader() const;  // without its line end
  const OffsetTable& offsets() const { return offsets_; }
  std::string svg() const { return figure_.svg(offsets_); }
  // Notes on standard error: samples without the other method's minerals,
  // samples without the reference's value; "" when there are none.
  std::string notes() const;

 private:
  const CompareRun& run_;
  OffsetTable offsets_;
  CompareFigure figure_;
  long samples_ = 0, withoutAgainst_ = 0, withoutReference_ = 0;
};

}  // namespace mantlept
