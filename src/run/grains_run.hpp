#pragma once
// This module computes in double precision.
// The evaluation behind `grains`, shared by every front end: the geotherm of
// a heat flow or of a fit, chosen once; then every sample of the input with a
// garnet evaluated as one grain (class, Ni-in-garnet temperature, depth on
// the geotherm) and gathered into the population. No files or signals: the
// caller opens the input, writes the rows and says when to stop.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "geotherm/model.hpp"
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

struct GrainsRun {
  grains::Population population;
  long withoutGarnet = 0;  // samples skipped
  long withoutNi = 0;      // garnets without a temperature
};

// Every sample of `input` with a garnet evaluated on `threads` threads (see
// sampleThreads) and, in input order on the caller's thread, through `each`
// and into `run.population`. `stopped`, when given, is asked on the caller's
// thread before each sample is read and once after the last; false when it
// said stop.
bool evaluateGrains(AnalysisInput& input, const grains::GrainSettings& settings,
                    const grains::GeothermProjection* projection, GrainsRun& run,
                    const std::function<void(const grains::Grain&)>& each,
                    const std::function<bool()>& stopped = {}, int threads = 1);

// The notes of a run (samples without a garnet, garnets without a class or
// without Ni), one line each, or "" when there are none.
std::string grainsNotes(const GrainsRun& run);

}  // namespace mantlept
