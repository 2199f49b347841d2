#pragma once
// Double-precision reference forms of the two-pyroxene calcium barometer and
// the single-pyroxene Al-Ca family, written from their equations and taking
// plain numbers. Guards are left to the callers, which can inspect the
// intermediate values returned.
#include <cmath>

namespace mantlept::reference {

// Cation values per formula unit of one pyroxene.
struct PyroxeneCations {
  double Si = 0, Ti = 0, Al = 0, Cr = 0, Fe = 0, Mn = 0, Mg = 0, Ca = 0, Na = 0;
};

// Two-pyroxene calcium barometer: the sodium-corrected calcium fractions
// that replace XCa_Opx and XCa_Cpx, and the pressure.
struct TwoPyroxeneCalcium {
  double XCaOpx, XCaCpx, R, firstP, P;
};

inline TwoPyroxeneCalcium twoPyroxeneCalcium(const PyroxeneCations& opx,
                                             const PyroxeneCations& cpx) {
  TwoPyroxeneCalcium r{};
  r.XCaOpx = opx.Ca / (1.0 - opx.Na) / (1.0 - cpx.Na);
  r.XCaCpx = cpx.Ca / (1.0 - opx.Na) / (1.0 - cpx.Na);
  r.R = r.XCaOpx / (1.0 - r.XCaCpx);
  r.firstP = 10.0 * (1.279 / (r.R + 0.006) - 2.29);
  r.P = r.firstP <= 5.0 ? 10.0 * (1.073 / (r.R + 0.028) - 1.65) : r.firstP;
  return r;
}

// Intermediate values of one single-pyroxene evaluation.
struct SinglePyroxene {
  double XCa, A, R, K1, K2, D, P;
};

// The family's closing step, shared by every member.
inline void singlePyroxeneClose(SinglePyroxene& v, double d1, double d0, double e1, double e0) {
  const double l1 = std::log(v.K1);
  const double l2 = std::log(v.K2);
  v.D = l2 * l1 - d1 * l1 + 2.2595 * l2 + d0;
  v.P = (e1 * l1 - 706.14 * l2 + e0) / v.D;
}

inline void singlePyroxeneTerms(SinglePyroxene& v, const PyroxeneCations& px, double denominator,
                                double u) {
  v.XCa = px.Ca / denominator;
  v.A = (px.Al - u * px.Na) / 2.0;
  v.R = px.Cr / (px.Cr + px.Al - u * px.Na);
}

// Clinopyroxene, garnet facies (the pressure step closes with e1 = 176.43,
// e0 = -224.56).
inline SinglePyroxene cpxGarnetFacies(const PyroxeneCations& c) {
  SinglePyroxene v{};
  singlePyroxeneTerms(v, c, c.Mg + c.Fe + c.Mn + c.Ca - 0.18 * c.Na, 0.57);
  v.K1 = v.XCa <= 0.322 ? (1.0 - 2.0 * v.XCa) / (0.276 * v.XCa + 0.862)
                        : (1.0 - 2.0 * v.XCa) / (0.334 * v.XCa + 0.833);
  v.K2 = (3.298 - 1.781 * c.Mg - 0.128 * std::log(v.K1)) * (1.0 - v.A) * v.A /
         std::pow(1.0 - 0.71 * v.R, 2);
  singlePyroxeneClose(v, 6.901, 29.4711, 176.43, -224.56);
  return v;
}

// Which K1 coefficient the orthopyroxene garnet-facies member takes: by the
// value of the 11.976 form, or forced (for inputs that meet the switch value
// exactly in single precision).
enum class K1Branch { ByValue, Low, High };

// Orthopyroxene, garnet facies.
inline SinglePyroxene opxGarnetFacies(const PyroxeneCations& o,
                                      K1Branch branch = K1Branch::ByValue) {
  SinglePyroxene v{};
  singlePyroxeneTerms(v, o, o.Fe + o.Mn + o.Mg + o.Ca, 1.0);
  v.K1 = 11.976 * v.XCa / (1.0 - 2.0 * v.XCa);
  const bool high = branch == K1Branch::High || (branch == K1Branch::ByValue && v.K1 >= 0.3785);
  if (high) v.K1 = 14.493 * v.XCa / (1.0 - 2.0 * v.XCa);
  v.K2 = (6.004 - 3.025 * o.Mg - 0.702 * std::log(v.K1)) * (1.0 - v.A) * v.A /
         std::pow(1.0 - 0.63 * v.R, 2);
  singlePyroxeneClose(v, 6.2079, 31.073, 176.43, -264.9);
  return v;
}

// Clinopyroxene, spinel facies.
inline SinglePyroxene cpxSpinelFacies(const PyroxeneCations& c) {
  SinglePyroxene v{};
  singlePyroxeneTerms(v, c, c.Mg + c.Fe + c.Mn + c.Ca, 1.0);
  v.K1 = (1.0 - 2.0 * v.XCa) / (0.667 * v.XCa + 0.667);
  v.K2 = (v.A / (1.0 - v.A)) / std::pow(1.0 - 1.27 * v.R, 2);
  singlePyroxeneClose(v, 11.2724, 32.371, 419.76, 616.61);
  return v;
}

// Orthopyroxene, spinel facies.
inline SinglePyroxene opxSpinelFacies(const PyroxeneCations& o) {
  SinglePyroxene v{};
  singlePyroxeneTerms(v, o, o.Fe + o.Mn + o.Mg + o.Ca, 1.0);
  v.K1 = 6.0 * v.XCa / (1.0 - 2.0 * v.XCa);
  v.K2 = (v.A / (1.0 - v.A)) / std::pow(1.0 - 2.87 * v.R, 2);
  singlePyroxeneClose(v, 8.6751, 24.568, 351.32, 299.13);
  return v;
}

}  // namespace mantlept::reference
