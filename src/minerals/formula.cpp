#include "minerals/formula.hpp"

#include <algorithm>
#include <array>

namespace mantlept {

namespace {

struct Oxide {
  Real weight;
  Real oxygens;
  Real cations;
};

constexpr std::array<Oxide, 12> kOxides = {{
    {60.0848f, 2.0f, 1.0f},   // SiO2
    {79.899f, 2.0f, 1.0f},    // TiO2
    {101.961f, 3.0f, 2.0f},   // Al2O3
    {151.9902f, 3.0f, 2.0f},  // Cr2O3
    {71.846f, 1.0f, 1.0f},    // FeO
    {70.9374f, 1.0f, 1.0f},   // MnO
    {40.311f, 1.0f, 1.0f},    // MgO
    {56.0794f, 1.0f, 1.0f},   // CaO
    {61.979f, 1.0f, 2.0f},    // Na2O
    {94.2f, 1.0f, 2.0f},      // K2O
    {74.71f, 1.0f, 1.0f},     // NiO
    {159.692f, 3.0f, 2.0f},   // Fe2O3
}};

struct FormulaType {
  Real cations;
  Real oxygens;
};

// Ideal cations and oxygens per formula unit of types 1..11.
constexpr std::array<FormulaType, kFormulaTypes> kTypes = {{
    {4.0f, 6.0f},    // Opx
    {4.0f, 6.0f},    // Cpx
    {3.0f, 4.0f},    // Ol
    {3.0f, 4.0f},    // Sp
    {8.0f, 12.0f},   // Gar
    {1.0f, 1.0f},    // slot 6
    {2.0f, 3.0f},    // Ilm
    {15.0f, 23.0f},  // A
    {7.0f, 11.0f},   // F
    {5.0f, 8.0f},    // P
    {1.0f, 1.0f},    // L
}};

constexpr int kFeO = 4;
constexpr int kFe2O3 = 11;

// Splits the analysed FeO into FeO and Fe2O3 by charge balance on the ideal
// cation basis (the line's own Fe2O3 is discarded).
void estimateFerricIron(OxideValues& ox, const FormulaType& type) {
  std::array<Real, 12> a{};
  Real cationTotal = 0.0f;
  for (int k = 0; k < 12; ++k) {
    a[k] = ox[k] / kOxides[k].weight;
    cationTotal += a[k] * kOxides[k].cations;
  }
  Real scale = cationTotal / type.cations;
  if (!(scale > 1e-10f)) scale = 1.0f;
  std::array<Real, 12> c{};
  Real oxygenTotal = 0.0f;
  for (int k = 0; k < 12; ++k) {
    c[k] = a[k] / scale * kOxides[k].cations;
    oxygenTotal += a[k] / scale * kOxides[k].oxygens;
  }
  if (type.oxygens != 1.0f) {
    // One ferric cation per missing oxygen; the rest of the iron is ferrous.
    c[kFe2O3] = type.oxygens - oxygenTotal;
    c[kFeO] = c[kFeO] - c[kFe2O3];
    if (!(c[kFeO] > 1e-7f)) c[kFeO] = 0.0f;
  }
  Real iron = c[kFe2O3] + c[kFeO];
  if (iron == 0.0f) return;  // no split: FeO and Fe2O3 stay as read
  Real ferricWeight = ox[kFeO] * c[kFe2O3] / iron;
  if (!usable(ferricWeight)) return;
  ox[kFe2O3] = ferricWeight;
  ox[kFeO] = ox[kFeO] - ox[kFe2O3];
  ox[kFe2O3] = ox[kFe2O3] * 1.1f;
}

// FeO weight per cent that one unit of Fe2O3 weight holds as ferrous iron
// (2 x 79.85 / 71.85 the other way round).
constexpr Real kFe2O3PerFeO = 1.1113f;

// Droop (1987): on X oxygens with all iron ferrous the cations sum to S; the
// ideal formula has T, so F = 2X(1 - T/S) of the T-cation formula's iron is
// ferric, kept within 0 and that iron. The analysed Fe2O3 counts as FeO first.
void chargeBalanceFerricIron(OxideValues& ox, const FormulaType& type) {
  const Real ferrous = ox[kFeO] + ox[kFe2O3] / kFe2O3PerFeO;
  Real cationTotal = 0.0f;
  Real oxygenTotal = 0.0f;
  for (int k = 0; k < 12; ++k) {
    const Real weight = k == kFeO ? ferrous : k == kFe2O3 ? 0.0f : ox[k];
    const Real moles = weight / kOxides[k].weight;
    cationTotal += moles * kOxides[k].cations;
    oxygenTotal += moles * kOxides[k].oxygens;
  }
  if (!(cationTotal > 0.0f) || !(oxygenTotal > 0.0f)) return;  // nothing to balance
  const Real s = cationTotal * type.oxygens / oxygenTotal;
  const Real iron = ferrous / kOxides[kFeO].weight * type.cations / cationTotal;
  Real ferric = 2.0f * type.oxygens * (1.0f - type.cations / s);
  if (!(ferric > 0.0f)) ferric = 0.0f;
  if (ferric > iron) ferric = iron;
  const Real moved = iron > 0.0f ? ferrous * (ferric / iron) : 0.0f;
  if (!usable(moved)) return;
  ox[kFeO] = ferrous - moved;
  ox[kFe2O3] = moved * kFe2O3PerFeO;
}

}  // namespace

Real formulaOxygens(int formulaType) {
  return kTypes[static_cast<std::size_t>(formulaType - 1)].oxygens;
}

Real formulaCations(int formulaType) {
  return kTypes[static_cast<std::size_t>(formulaType - 1)].cations;
}

Recalculation recalculate(const OxideValues& analysis, int formulaType, FerricRule rule) {
  Recalculation r{analysis, {}};
  const FormulaType& type = kTypes[static_cast<std::size_t>(formulaType - 1)];
  if (rule == FerricRule::Dialogue) estimateFerricIron(r.ox, type);
  // The one-oxygen types (slot 6, liquids) have no ideal formula to balance.
  if (rule == FerricRule::ChargeBalance && type.oxygens != 1.0f) chargeBalanceFerricIron(r.ox, type);

  std::array<Real, 12> a{};
  Real oxygenTotal = 0.0f;
  for (int k = 0; k < 12; ++k) {
    a[k] = r.ox[k] / kOxides[k].weight;
    oxygenTotal += a[k] * kOxides[k].oxygens;
  }
  Real t = oxygenTotal / type.oxygens;
  if (t == 0.0f || !usable(t)) return r;  // no formula: the analysis counts as absent
  std::array<Real, 12> cations{};
  Real sum = 0.0f;
  for (int k = 0; k < 12; ++k) {
    cations[k] = a[k] / t * kOxides[k].cations;
    if (!usable(cations[k])) return r;
    sum += cations[k];
  }
  for (int k = 0; k < 12; ++k) r.cat[k] = cations[k];
  r.cat.Sum = sum;
  return r;
}

ClinopyroxeneSites clinopyroxeneSites(const CationFormula& c) {
  ClinopyroxeneSites sites;
  sites.AlIV = std::min(std::max(2.0f - c.Si, 0.0f), std::max(c.Al, 0.0f));
  sites.tetrahedral = c.Si + sites.AlIV;
  sites.octahedral = c.Ti + (c.Al - sites.AlIV) + c.Cr + c.Fe + c.Fe3 + c.Mn + c.Mg + c.Ca + c.Na +
                     c.K + c.Ni;
  return sites;
}

}  // namespace mantlept
