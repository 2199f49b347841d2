#pragma once
// The geotherm command: fits the surface heat flow of a conductive geotherm
// to temperature-pressure estimates, or draws the geotherm of a given heat
// flow, and writes its summary, table and diagram.
#include <optional>
#include <ostream>
#include <string>

namespace mantlept::cli {

struct GeothermOptions {
  std::string points;  // empty = none
  std::string sheet;
  std::string pair;   // "T,B" or empty
  std::string pUnit;  // "", "kbar", "GPa"
  std::optional<double> sigmaT_C, sigmaP;
  std::optional<double> q0;
  std::string format = "text";
  std::string outTable, outSvg;
  bool force = false;  // replace existing output files
  bool quiet = false;
  bool dropFlagged = false;  // leave out calc rows that carry any flag
};

// Exit status: 0; 1 after a message on `err` (and no file written); 2 for
// options out of their range; 128 + the signal when stopped.
int runGeotherm(const GeothermOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept::cli
