// Double precision: statistics of repeated results; the methods stay single precision.
#pragma once
// Uncertainty of the results of one association from its analytical
// uncertainty: the oxide analyses are perturbed at random many times, and each
// perturbed association is recalculated and solved with the run's settings.
#include <cstdint>
#include <functional>
#include <vector>

#include "minerals/association.hpp"
#include "solver/run_settings.hpp"
#include "state/run_state.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept {

// Median and the 16th and 84th percentile of one result over the draws.
struct Spread {
  bool has = false;
  double median = 0, p16 = 0, p84 = 0;
};

// Spread of one combination: temperature (degrees Celsius), pressure (kbar),
// oxygen fugacity, the T-P correlation and the share of draws with a value.
struct PairSpread {
  Spread T, P, fO2;
  bool hasCorr = false;
  double corr = 0;
  double okFraction = 0;
};

// The association with every oxide value of every present mineral perturbed by
// normal noise of its sigma; a negative value becomes 0. Noise is drawn for
// every slot and oxide in a fixed order, so a cell's noise does not depend on
// the other cells' sigmas.
void perturbAssociation(const Association& a, const SigmaTable& sigma, std::uint64_t seed,
                        std::uint64_t associationIndex, std::uint64_t draw, Association& out);

// Runs `draws` perturbed evaluations of one association. Each draw starts
// from the store as at the first association of a run and prepares the
// perturbed association in it; every combination is solved on its own copy
// of that prepared store, so no draw, pair or other sample leaves anything
// another one reads, and the result never depends on threads. Fills one
// PairSpread per combination of `settings`. Percentiles and the correlation
// are over the draws whose combination ended Ok or Capped; the fO2 spread is
// filled only when an oxybarometer is chosen. `stopped`, when given, is asked
// before every draw; false when it said stop (`out` is then not filled).
bool drawAssociation(const Association& a, const RunSettings& settings, const SigmaTable& sigma,
                     std::uint64_t seed, std::uint64_t associationIndex, int draws,
                     std::vector<PairSpread>& out, const std::function<bool()>& stopped = {});

}  // namespace mantlept
