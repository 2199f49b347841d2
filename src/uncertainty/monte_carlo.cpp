// Double precision: statistics of repeated results; the methods stay single precision.
#include "uncertainty/monte_carlo.hpp"

#include <algorithm>

#include "solver/engine.hpp"
#include "uncertainty/random.hpp"
#include "uncertainty/statistics.hpp"

namespace mantlept {

namespace {

// Results of the draws of one association, kept per thread so that the
// buffers grow once and are reused by the following associations.
struct DrawBuffers {
  std::vector<std::vector<float>> T, P, fO2;  // per combination, the draws with a value
  std::vector<double> x, y;
};

Spread spreadOf(const std::vector<float>& values, std::vector<double>& work) {
  Spread s;
  if (values.empty()) return s;
  work.assign(values.begin(), values.end());
  Percentiles p = centralPercentiles(work);
  s.has = true;
  s.median = p.median;
  s.p16 = p.p16;
  s.p84 = p.p84;
  return s;
}

}  // namespace

void perturbAssociation(const Association& a, const SigmaTable& sigma, std::uint64_t seed,
                        std::uint64_t associationIndex, std::uint64_t draw, Association& out) {
  out = a;
  DrawRandom random(seed, associationIndex, draw);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const auto at = static_cast<std::size_t>(slot);
    for (int k = 0; k < OxideValues::kCount; ++k) {
      const double noise = random.normal();
      if (!a.present[at]) continue;
      const double v = static_cast<double>(a.ox[at][k]);
      const double sd = sigma.sigma(slot, k, v);
      if (sd == 0.0) continue;
      out.ox[at][k] = static_cast<Real>(std::max(0.0, v + sd * noise));
    }
  }
}

bool drawAssociation(const Association& a, const RunSettings& settings, const SigmaTable& sigma,
                     std::uint64_t seed, std::uint64_t associationIndex, int draws,
                     std::vector<PairSpread>& out, const std::function<bool()>& stopped) {
  thread_local DrawBuffers buf;
  const int pairs = settings.evaluatedCount();
  const auto count = static_cast<std::size_t>(pairs);
  const bool oxy = settings.oxybarometerNumber != 0;
  buf.T.resize(count);
  buf.P.resize(count);
  buf.fO2.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    buf.T[k].clear();
    buf.P[k].clear();
    buf.fO2[k].clear();
  }

  RunState prepared;
  RunState work;
  Association perturbed;
  for (int d = 0; d < draws; ++d) {
    if (stopped && stopped()) return false;
    perturbAssociation(a, sigma, seed, associationIndex, static_cast<std::uint64_t>(d), perturbed);
    prepareSample(prepared, perturbed, settings);
    for (int k = 0; k < pairs; ++k) {
      CombinationOutcome o = evaluatePair(prepared, settings, k, work);
      if (o.status != CombinationStatus::Ok && o.status != CombinationStatus::Capped) continue;
      const auto at = static_cast<std::size_t>(k);
      buf.T[at].push_back(o.result.temperature);
      buf.P[at].push_back(o.result.pressure);
      // An oxybarometer without a result leaves 0, outside its window the marker.
      const float f = o.result.fO2;
      if (oxy && f != 0.0f && f != kMarker) buf.fO2[at].push_back(f);
    }
  }

  out.assign(count, PairSpread{});
  for (std::size_t k = 0; k < count; ++k) {
    PairSpread& p = out[k];
    p.okFraction = draws > 0 ? static_cast<double>(buf.T[k].size()) / draws : 0.0;
    buf.x.assign(buf.T[k].begin(), buf.T[k].end());
    buf.y.assign(buf.P[k].begin(), buf.P[k].end());
    if (auto r = pearson(buf.x, buf.y)) {
      p.hasCorr = true;
      p.corr = *r;
    }
    p.T = spreadOf(buf.T[k], buf.x);
    p.P = spreadOf(buf.P[k], buf.x);
    if (oxy) p.fO2 = spreadOf(buf.fO2[k], buf.x);
  }
  return true;
}

}  // namespace mantlept
