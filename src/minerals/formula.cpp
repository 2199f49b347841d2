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

}  // namespace

Recalculation recalculate(const OxideValues& analysis, int formulaType, bool estimateFerric) {
  Recalculation r{analysis, {}};
  const FormulaType& type = kTypes[static_cast<std::size_t>(formulaType - 1)];
  if (estimateFerric) estimateFerricIron(r.ox, type);

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
