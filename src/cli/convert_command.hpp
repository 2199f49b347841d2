#pragma once
// `mantlept convert`: a table of analyses written as the fixed-column analysis
// file, so that tables and the dialogue's files interoperate.
#include <ostream>
#include <string>
#include <vector>

#include "tables/compilation.hpp"

namespace mantlept {

struct ConvertOptions {
  std::vector<std::string> tables;  // `-` for standard input
  tables::RimCore rimCore = tables::RimCore::All;
  std::string output;  // empty: standard output
  std::string sheet;
  bool force = false;
  bool quiet = false;
};

// Exit status: 0, or 1 after a message on `err` (no output file left).
int runConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept
