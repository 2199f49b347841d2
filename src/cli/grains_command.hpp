#pragma once
// `mantlept grains`: concentrate garnets one by one (class, Ni-in-garnet
// temperature, depth on a geotherm) and the population they make (summary,
// depth sections, the depth-section diagram); concentrate clinopyroxenes
// solved for P and T, screened, and the geotherm fitted to the kept ones.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mantlept::cli {

struct GrainsOptions {
  std::vector<std::string> grains;  // the tables of analyses (`-`: standard input)
  std::string sheet;
  std::optional<double> q0;  // the geotherm of this heat flow
  std::string fit;           // or the geotherm fitted to these P-T points
  std::string pair;          // the pair of calc results in `fit`
  std::string thermometer = "canil1999";
  double niOlivine_ppm = 3000.0;
  double bin_km = 10.0;
  bool fitCpx = false;       // or the geotherm fitted to the kept clinopyroxenes
  std::optional<double> sigmaT, sigmaP;  // errors of the clinopyroxene points (degC, kbar)
  std::string output, sections, svg;  // empty: not written
  std::string cpxOut, ptSvg;          // clinopyroxene rows, their P-T diagram
  std::string format = "text";
  bool force = false;
  bool quiet = false;
  int threads = 0;  // 0: every core
};

// Exit status: 0; 1 after a message on `err` (no output file left); 128 + the
// signal when stopped.
int runGrains(const GrainsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept::cli
