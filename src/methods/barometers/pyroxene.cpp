// Two-pyroxene calcium and single-pyroxene barometers.
#include <cmath>

#include "methods/barometers/barometers.hpp"

namespace mantlept {

namespace {

constexpr Real kTiny = 1e-07f;

// Calcium fraction, M1 aluminium and Cr fraction of the trivalent cations of one pyroxene.
struct PyroxeneTerms {
  Real XCa, A, R;
};

PyroxeneTerms pyroxeneTerms(const CationFormula& px, Real calciumDenominator, Real u) {
  return {px.Ca / calciumDenominator, (px.Al - u * px.Na) / 2.0f,
          px.Cr / (px.Cr + px.Al - u * px.Na)};
}

// Final step of the single-pyroxene family from ln K1 and ln K2.
BarometerOutcome singlePyroxenePressure(RunState& s, Real lnK1, Real lnK2, Real d1, Real d0,
                                        Real e1, Real e0) {
  const Real D = lnK2 * lnK1 - d1 * lnK1 + 2.2595f * lnK2 + d0;
  const Real P = (e1 * lnK1 - 706.14f * lnK2 + e0) / D;
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

bool positive(Real K) { return K > kTiny && usable(K); }

}  // namespace

// Ca partitioning between orthopyroxene and clinopyroxene (1984). Writes XCa_Opx, XCa_Cpx, P.
BarometerOutcome barometer15(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  const CationFormula& cpx = s.cat[Cpx];

  // Both calcium fractions are corrected by the two sodium factors.
  const Real XCaOpx = opx.Ca / (1.0f - opx.Na) / (1.0f - cpx.Na);
  const Real XCaCpx = cpx.Ca / (1.0f - opx.Na) / (1.0f - cpx.Na);
  if (!usable(XCaOpx, XCaCpx)) return BarometerOutcome::NotComplete;
  s.site.XCa_Opx = XCaOpx;
  s.site.XCa_Cpx = XCaCpx;

  const Real R = s.site.XCa_Opx / (1.0f - s.site.XCa_Cpx);
  if (!usable(R)) return BarometerOutcome::NotComplete;
  Real P = 10.0f * (1.279f / (R + 0.006f) - 2.29f);
  if (!usable(P)) return BarometerOutcome::NotComplete;
  if (P <= 5.0f) P = 10.0f * (1.073f / (R + 0.028f) - 1.65f);
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Single-clinopyroxene Al-Ca barometer, garnet facies, behind Cpx Al, Cr, Fe checks. Writes P.
BarometerOutcome barometer24(RunState& s) {
  const CationFormula& cpx = s.cat[Cpx];
  if (!(cpx.Al > kTiny)) return BarometerOutcome::NotComplete;
  if (!(cpx.Cr > kTiny)) return BarometerOutcome::NotComplete;
  if (!(cpx.Fe > kTiny)) return BarometerOutcome::NotComplete;
  return barometer25(s);
}

// Single-clinopyroxene Al-Ca barometer, garnet facies (1980). Writes P.
BarometerOutcome barometer25(RunState& s) {
  const CationFormula& cpx = s.cat[Cpx];
  const PyroxeneTerms t =
      pyroxeneTerms(cpx, cpx.Mg + cpx.Fe + cpx.Mn + cpx.Ca - 0.18f * cpx.Na, 0.57f);
  const Real K1 = t.XCa <= 0.322f ? (1.0f - 2.0f * t.XCa) / (0.276f * t.XCa + 0.862f)
                                  : (1.0f - 2.0f * t.XCa) / (0.334f * t.XCa + 0.833f);
  if (!positive(K1)) return BarometerOutcome::NotComplete;
  const Real lnK1 = std::log(K1);
  const Real K2 =
      (3.298f - 1.781f * cpx.Mg - 0.128f * lnK1) * (1.0f - t.A) * t.A / square(1.0f - 0.71f * t.R);
  if (!positive(K2)) return BarometerOutcome::NotComplete;
  return singlePyroxenePressure(s, lnK1, std::log(K2), 6.901f, 29.4711f, 176.43f, -224.56f);
}

// Single-orthopyroxene Al-Ca barometer, garnet facies (1980). Writes P.
BarometerOutcome barometer26(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  const PyroxeneTerms t = pyroxeneTerms(opx, opx.Fe + opx.Mn + opx.Mg + opx.Ca, 1.0f);
  Real K1 = 11.976f * t.XCa / (1.0f - 2.0f * t.XCa);
  if (K1 >= 0.3785f) K1 = 14.493f * t.XCa / (1.0f - 2.0f * t.XCa);
  if (!positive(K1)) return BarometerOutcome::NotComplete;
  const Real lnK1 = std::log(K1);
  const Real K2 =
      (6.004f - 3.025f * opx.Mg - 0.702f * lnK1) * (1.0f - t.A) * t.A / square(1.0f - 0.63f * t.R);
  if (!positive(K2)) return BarometerOutcome::NotComplete;
  return singlePyroxenePressure(s, lnK1, std::log(K2), 6.2079f, 31.073f, 176.43f, -264.9f);
}

// Single-clinopyroxene Al-Ca barometer, spinel facies (1980). Writes P.
BarometerOutcome barometer27(RunState& s) {
  const CationFormula& cpx = s.cat[Cpx];
  const PyroxeneTerms t = pyroxeneTerms(cpx, cpx.Mg + cpx.Fe + cpx.Mn + cpx.Ca, 1.0f);
  const Real K2 = (t.A / (1.0f - t.A)) / square(1.0f - 1.27f * t.R);
  if (!positive(K2)) return BarometerOutcome::NotComplete;
  const Real K1 = (1.0f - 2.0f * t.XCa) / (0.667f * t.XCa + 0.667f);
  if (!positive(K1)) return BarometerOutcome::NotComplete;
  return singlePyroxenePressure(s, std::log(K1), std::log(K2), 11.2724f, 32.371f, 419.76f, 616.61f);
}

// Single-orthopyroxene Al-Ca barometer, spinel facies (1980). Writes P.
BarometerOutcome barometer28(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  const PyroxeneTerms t = pyroxeneTerms(opx, opx.Fe + opx.Mn + opx.Mg + opx.Ca, 1.0f);
  const Real K2 = (t.A / (1.0f - t.A)) / square(1.0f - 2.87f * t.R);
  if (!positive(K2)) return BarometerOutcome::NotComplete;
  const Real K1 = 6.0f * t.XCa / (1.0f - 2.0f * t.XCa);
  if (!positive(K1)) return BarometerOutcome::NotComplete;
  return singlePyroxenePressure(s, std::log(K1), std::log(K2), 8.6751f, 24.568f, 351.32f, 299.13f);
}

}  // namespace mantlept
