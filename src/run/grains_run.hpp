#pragma once
// This module computes in double precision.
// The evaluation behind `grains`, shared by every front end: the geotherm of
// a heat flow or of a fit, chosen once; then every sample of the input with a
// garnet evaluated as one grain (class, Ni-in-garnet temperature, depth on
// the geotherm) and gathered into the population, and every sample with a
// clinopyroxene solved and screened as one grain; with `fitCpx` the geotherm
// is the fit to the kept clinopyroxenes and the garnets are projected onto it
// once the last sample is read. No files or signals: the caller opens the
// input, writes the rows and says when to stop.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "geotherm/model.hpp"
#include "geotherm/summary.hpp"
#include "grains/clinopyroxene.hpp"
#include "grains/grain.hpp"
#include "grains/population.hpp"
#include "run/analysis_input.hpp"

namespace mantlept {

// The geotherm grains are projected onto: `q0` (mW/m2), or the best fit to
// the P-T points of `fit` (of calc results of `pair` when given), exactly as
// `geotherm` fits them; none without either. Warnings go to `err` unless
// `quiet`. Throws as the geotherm's points reader does, and
// geotherm::Stopped when `stopped` says stop while the points are read or fitted.
std::optional<geotherm::Geotherm> grainsGeotherm(const std::optional<double>& q0,
                                                 const std::string& fit, const std::string& pair,
                                                 bool quiet, std::ostream& err,
                                                 const std::function<bool()>& stopped = {});

struct GrainsRequest {
  grains::GrainSettings settings;
  std::optional<double> q0;  // the geotherm of this heat flow
  std::string fit;           // or of the fit to these P-T points
  std::string pair;          // the pair of calc results in `fit`
  bool fitCpx = false;       // or of the fit to the kept clinopyroxenes
  std::optional<double> sigmaT_C, sigmaP_kbar;  // errors of the clinopyroxene points
  bool cpxPoints = false;  // keep the P-T of every solved clinopyroxene (for the diagram)
  bool rowText = false;  // hand each grain over with its row as the grain files write it
  // Asked while a geotherm is read or fitted (every 4096 points) and while
  // the garnets waiting for the fit are projected (every 1024); true stops
  // the run with geotherm::Stopped. Empty: never.
  std::function<bool()> fitStopped;
  bool quiet = false;
  int threads = 1;  // samples evaluated on this many threads (see sampleThreads)
};

struct GrainsRun {
  explicit GrainsRun(double bin_km = grains::kDefaultBinKm) : population(bin_km) {}

  grains::Population population;
  long withoutGarnet = 0;  // samples with neither a garnet nor a clinopyroxene, skipped
  long withoutNi = 0;      // garnets without a temperature
  std::int64_t cpxGrains = 0, cpxKept = 0;
  std::vector<geotherm::Point> keptPoints;      // with fitCpx or cpxPoints
  std::vector<geotherm::Point> screenedPoints;  // with cpxPoints: solved but not kept
  std::optional<geotherm::Summary> cpxFit;      // with fitCpx
  std::optional<geotherm::Geotherm> geotherm;   // the garnets were projected onto

  // The summary's clinopyroxene keys.
  grains::CpxSummary cpxSummary() const;
};

// The geotherm is run.geotherm when the caller has set it (read before the
// grains), else that of request.q0 or request.fit, or with fitCpx the fit.
// Every sample of `input` evaluated on request.threads threads and taken in
// input order on the caller's thread: a clinopyroxene through `eachCpx`, a
// garnet into `run.population` and through `each` (with fitCpx, all of them
// after the last sample, still in input order), each with its row as the
// grain files write it when request.rowText (made on the workers), else "".
// Notes go to `notes` unless request.quiet. `stopped`, when given, is asked
// on the caller's thread before each sample is read and once after the last,
// and at no other time (a progress count may ride on it); false when it said
// stop. Throws as grainsGeotherm does, geotherm::Stopped when
// request.fitStopped says stop, and geotherm::PointsError when fitCpx has
// fewer than two kept grains.
bool evaluateGrains(AnalysisInput& input, const GrainsRequest& request, GrainsRun& run,
                    const std::function<void(const grains::Grain&, std::string_view)>& each,
                    const std::function<void(const grains::CpxGrain&, std::string_view)>& eachCpx,
                    std::ostream& notes, const std::function<bool()>& stopped = {});

// The notes of a run (samples without a garnet or clinopyroxene, garnets
// without a class or without Ni), one line each, or "" when there are none.
std::string grainsNotes(const GrainsRun& run);

}  // namespace mantlept
