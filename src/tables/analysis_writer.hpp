#pragma once
// Writes associations read from a table as lines of the fixed-column analysis
// file: one 144-column line per mineral present.
#include <string>

#include "minerals/association.hpp"

namespace mantlept::tables {

// Appends one line per present mineral, in slot order: columns 1-8 the
// sample name, 9 the code letter (EDOSGRI), 17-112 the twelve oxides as
// 8-column fields with 3 decimals, 113-144 the description cut to 32
// characters, then "\n". TableError when a value does not fit its field.
void appendAnalysisLines(std::string& out, const Association& a);

// Checks consecutive associations before they are written: two in a row whose
// names agree in the 8 characters the file keeps would be read back as one
// association, which is a TableError naming both.
class SampleNameChecker {
 public:
  void check(const Association& a);

 private:
  std::string last_;      // the full name of the association before
  std::string lastName_;  // and its first 8 characters, blank-padded
  bool any_ = false;
};

}  // namespace mantlept::tables
