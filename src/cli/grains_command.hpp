#pragma once
// `mantlept grains`: concentrate garnets one by one (class, Ni-in-garnet
// temperature, depth on a geotherm) and the population they make (summary,
// depth sections, the depth-section diagram).
#include <optional>
#include <ostream>
#include <string>

namespace mantlept::cli {

struct GrainsOptions {
  std::string grains;  // the table of analyses (`-`: standard input)
  std::string sheet;
  std::optional<double> q0;  // the geotherm of this heat flow
  std::string fit;           // or the geotherm fitted to these P-T points
  std::string pair;          // the pair of calc results in `fit`
  std::string thermometer = "canil1999";
  double niOlivine_ppm = 3000.0;
  double bin_km = 10.0;
  std::string output, sections, svg;  // empty: not written
  std::string format = "text";
  bool force = false;
  bool quiet = false;
  int threads = 0;  // 0: every core
};

// Exit status: 0; 1 after a message on `err` (no output file left); 128 + the
// signal when stopped.
int runGrains(const GrainsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept::cli
