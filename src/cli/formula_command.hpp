#pragma once
// `mantlept formula`: the mineral formulae of every sample as the methods
// read them (cations per formula unit, Mg and Cr numbers, end-members) and,
// when asked, the site parameters of each sample.
#include <ostream>
#include <string>
#include <vector>

#include "solver/run_settings.hpp"
#include "tables/compilation.hpp"

namespace mantlept {

struct FormulaOptions {
  std::vector<std::string> analyses;  // one fixed-column file or tables; `-` standard input
  tables::RimCore rimCore = tables::RimCore::All;
  int ferric = kFerricNone;
  std::string output;  // empty: standard output
  std::string sites;   // the site table, when asked for
  std::string sheet;
  bool force = false;
  bool quiet = false;
  int threads = 0;  // 0: every core
};

// Runs the command; returns the exit status (0, 1 for a data error, 128 + the
// signal when stopped). Formula rows go to `out` unless an output file is named.
int runFormula(const FormulaOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept
