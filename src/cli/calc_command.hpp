#pragma once
// `mantlept calc`: every association of an analysis file or table through the
// chosen method pairs, written as tidy rows (and, if asked, as the dialogue's
// results file).
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "report/flags.hpp"
#include "solver/run_settings.hpp"
#include "tables/compilation.hpp"

namespace mantlept {

struct CalcOptions {
  std::vector<std::string> analyses;  // one fixed-column file or tables; `-` standard input
  tables::RimCore rimCore = tables::RimCore::All;
  std::vector<MethodCombination> pairs;
  int oxybarometer = 0;
  int ferric = kFerricNone;  // the ferric rule
  int iterations = 30;
  Real startT = 1000.0f;
  Real startP = 10.0f;
  std::string output;  // empty: standard output
  bool force = false;
  std::string legacy;  // the dialogue's results file, when asked for
  bool cations = false;
  std::string sheet;
  bool quiet = false;
  // Monte Carlo draws (0: none).
  int draws = 0;
  std::uint64_t seed = 1;
  std::string sigmaFile;
  std::optional<double> relativeSigma;
  int threads = 0;  // 0: every core
  // The oxide-total window of the flags, and whether rows get flags at all
  // (off only to time their cost).
  TotalsWindow totals;
  bool flags = true;
};

// The settings the engine and the results file see for these options.
RunSettings calcSettings(const CalcOptions& options);

// Runs the command; returns the exit status (0, 1 for a data error, 128 + the
// signal when stopped). Tidy rows go to `out` unless an output file is named.
int runCalc(const CalcOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept
