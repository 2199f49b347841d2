#pragma once
// The evaluation behind `formula`, shared by every front end: each sample
// prepared on its own exactly as `calc` prepares it (formulas with the chosen
// ferric rule, then the site parameters), written as its formula rows and,
// when asked, its row of site parameters. No files or signals: the caller
// opens the input, writes the text and says when to stop.
#include <cstdint>
#include <functional>
#include <string>

#include "minerals/association.hpp"
#include "run/analysis_input.hpp"
#include "solver/run_settings.hpp"

namespace mantlept {

// The text of one sample: its formula rows and its site row, each line with
// its line end (the site row empty when not asked for).
struct FormulaSample {
  std::string rows;
  std::string siteRow;
};

class FormulaRun {
 public:
  // `ferricOption`: kFerricNone, kFerricDialogue or kFerricChargeBalance.
  FormulaRun(int ferricOption, bool sites);

  // The header lines (without their line ends).
  std::string header() const;
  std::string siteHeader() const;
  bool sites() const { return sites_; }

  // The sample on its own; depends on nothing but `a` (safe on any thread).
  void evaluate(const Association& a, FormulaSample& out) const;

 private:
  RunSettings settings_;
  bool sites_;
};

// Every sample of `input` evaluated on `threads` workers (1: the caller's
// thread alone), through `each` in input order on the caller's thread; the
// text is the same for any number of threads. `stopped`, when given, is
// asked before each sample is read; false when it said stop. Throws what the
// input throws.
bool evaluateFormulae(AnalysisInput& input, const FormulaRun& run,
                      const std::function<void(const FormulaSample&)>& each,
                      const std::function<bool()>& stopped = {}, int threads = 1);

}  // namespace mantlept
