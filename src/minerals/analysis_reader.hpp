#pragma once
// Reads the fixed-column analysis file one association at a time: consecutive
// lines with one sample name are the coexisting minerals of one sample.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/terminal.hpp"
#include "minerals/association.hpp"
#include "minerals/line_reader.hpp"
#include "minerals/mineral_types.hpp"
#include "solver/run_state.hpp"

namespace mantlept {

// One line of the analysis file.
struct MineralAnalysis {
  std::array<char, 8> name{};
  char code = ' ';
  OxideValues ox;
  std::array<char, 32> description{};
};

// Slot of a code letter ("EDOSGRI", case-sensitive), or -1 for any other.
int slotOfCode(char code);

// Reads one line into `out`; on failure `error` names the field and its text.
bool parseAnalysisLine(std::string_view line, MineralAnalysis& out, std::string& error);

class AnalysisReader {
 public:
  enum class Status { Association, End, Unreadable };

  AnalysisReader(std::FILE* file, std::string fileName) : lines_(file), fileName_(std::move(fileName)) {}

  // Resets the store for a new association, reads its lines, files each
  // recognised mineral in its slot and computes nothing else. At the end of the
  // file an association is delivered only when it holds a mineral line.
  // Unreadable: `message()` says which file, line and field. A line that cannot
  // be read but names another sample still completes the association before
  // it, which is delivered first.
  Status next(RunState& s, AssociationInfo& info, bool estimateFerric);
  const std::string& message() const { return message_; }

 private:
  enum class LineRead { Ok, End, Bad };
  LineRead readLine();

  LineReader lines_;
  std::string fileName_;
  MineralAnalysis pending_;
  bool hasPending_ = false;
  bool failed_ = false;  // an unreadable line is reported at the next call
  std::string message_;
};

// Clears the association's oxide and cation values (the cation sums stay),
// the reset site parameters and the oxygen-fugacity value, and sets T and P to
// the starting point.
void resetAssociation(RunState& s);

}  // namespace mantlept
