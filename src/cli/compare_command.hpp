#pragma once
// `mantlept compare`: every listed thermometer whose minerals a sample holds
// against one barometer or a fixed pressure (or the mirror image: barometers
// against one thermometer or a fixed temperature), as calc's tidy rows, with a
// summary per sample, each method's offsets from a reference and a figure.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "methods/method_needs.hpp"
#include "report/flags.hpp"
#include "solver/run_settings.hpp"
#include "tables/compilation.hpp"

namespace mantlept {

struct CompareOptions {
  std::vector<std::string> analyses;  // one fixed-column file or tables; `-` standard input
  tables::RimCore rimCore = tables::RimCore::All;
  std::string sheet;
  MethodKind compared = MethodKind::Thermometer;
  int against = 0;                  // the barometer (thermometer); 0 with a fixed value
  std::optional<double> fixedValue;  // kbar (deg C)
  std::string methods = "all";
  std::optional<int> reference;  // default: thermometer 36, barometer 5
  int oxybarometer = 0;
  int ferric = kFerricNone;  // the ferric rule
  int iterations = 30;
  std::string output, summary, offsets, svg;
  bool force = false;
  bool quiet = false;
  int draws = 0;
  std::uint64_t seed = 1;
  std::string sigmaFile;
  std::optional<double> relativeSigma;
  int threads = 0;  // 0: every core
};

// The reference when none is asked for: Taylor's two-pyroxene thermometer
// (36), or the Al-in-orthopyroxene barometer of Brey and Koehler (5).
int defaultReference(MethodKind compared);

// Runs the command; returns the exit status (0, 1 for a data error, 2 for a
// usage error, 128 + the signal when stopped).
int runCompare(const CompareOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept
