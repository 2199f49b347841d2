// This module computes in double precision.
#include "run/grains_run.hpp"

#include "geotherm/run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept {

std::optional<geotherm::Geotherm> grainsGeotherm(const std::optional<double>& q0,
                                                 const std::string& fit, const std::string& pair,
                                                 bool quiet, std::ostream& err,
                                                 const std::function<bool()>& stopped) {
  if (!q0 && fit.empty()) return std::nullopt;
  geotherm::GeothermRequest r;
  r.q0 = q0;
  r.points.path = fit;
  r.points.pair = pair;
  r.points.quiet = quiet;
  geotherm::checkRequest(r);
  if (q0) return geotherm::computeGeotherm(*q0);
  geotherm::PointsRead read = geotherm::readPoints(r.points, err, stopped);
  geotherm::Summary s = geotherm::geothermSummary(std::nullopt, read, fit, stopped);
  if (s.fit.at_edge && !quiet)
    err << "mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²\n";
  return s.best;
}

bool evaluateGrains(AnalysisInput& input, const grains::GrainSettings& settings,
                    const grains::GeothermProjection* projection, GrainsRun& run,
                    const std::function<void(const grains::Grain&)>& each,
                    const std::function<bool()>& stopped, int threads) {
  SampleRunOptions options;
  options.threads = threads;
  options.stopped = stopped;
  auto work = [&](const Association& a, std::uint64_t) -> std::optional<grains::Grain> {
    if (!a.present[Gar]) return std::nullopt;
    return grains::evaluateGrain(a, settings, projection);
  };
  auto consume = [&](const Association&, std::uint64_t, std::optional<grains::Grain>& grain) {
    if (!grain) {
      ++run.withoutGarnet;
      return;
    }
    if (!grain->ni_ppm) ++run.withoutNi;
    run.population.add(*grain);
    if (each) each(*grain);
  };
  return runSamples<std::optional<grains::Grain>>(input, options, work, consume);
}

std::string grainsNotes(const GrainsRun& run) {
  auto count = [](long n, const char* one, const char* many) {
    return std::to_string(n) + (n == 1 ? one : many);
  };
  std::string notes;
  if (run.withoutGarnet > 0)
    notes += "mantlept: note: " + count(run.withoutGarnet, " sample", " samples") +
             " without a garnet analysis skipped\n";
  const long withoutClass = static_cast<long>(run.population.withoutClass());
  if (withoutClass > 0)
    notes += "mantlept: note: " + count(withoutClass, " garnet", " garnets") +
             " without CaO, Cr2O3, MgO, FeOt, MnO or TiO2 left without a class\n";
  if (run.withoutNi > 0)
    notes += "mantlept: note: " + count(run.withoutNi, " garnet", " garnets") +
             " without Ni left without a temperature\n";
  return notes;
}

}  // namespace mantlept
