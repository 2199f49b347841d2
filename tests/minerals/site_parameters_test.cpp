// Site parameters of an association from its cation formulas.
#include "minerals/site_parameters.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace mantlept {
namespace {

using Formulas = std::array<CationFormula, kSlotCount>;

CationFormula opx() {
  CationFormula c;
  c.Si = 1.962f; c.Ti = 0.003f; c.Al = 0.033f; c.Cr = 0.010f; c.Fe = 0.140f;
  c.Mn = 0.003f; c.Mg = 1.760f; c.Ca = 0.035f; c.Na = 0.014f; c.Fe3 = 0.004f;
  return c;
}

TEST(SiteParameters, OrthopyroxeneSitesFromARealisticFormula) {
  Formulas f{};
  f[Opx] = opx();
  SiteParameters p;
  StringTerminal out;
  computeSiteParameters(f, p, out);
  EXPECT_EQ(out.text(), "\n");  // the empty line of an association with orthopyroxene

  double si = 1.962, ti = 0.003, al = 0.033, cr = 0.010, fe = 0.140, mn = 0.003, mg = 1.760,
         ca = 0.035, na = 0.014, fe3 = 0.004;
  double xmg = mg / (fe + mg);
  double alM1 = (al - cr - 2 * ti + na - fe3) / 2;
  double fm1 = 1 - alM1 - cr - ti - fe3, fm2 = 1 - mn - ca - na;
  (void)si;
  EXPECT_NEAR(p.XMg_Opx, xmg, 1e-6);
  EXPECT_NEAR(p.XFe_Opx, fe / (fe + mg), 1e-6);
  EXPECT_NEAR(p.AlM1_Opx, alM1, 1e-6);
  EXPECT_NEAR(p.NaX_Opx, na - cr - fe3 - 2 * ti, 1e-6);
  EXPECT_NEAR(p.AlT_Opx, (al + na - cr - fe3 - 2 * ti) / 2, 1e-6);
  EXPECT_NEAR(p.FM1_Opx, fm1, 1e-6);
  EXPECT_NEAR(p.FM2_Opx, fm2, 1e-6);
  EXPECT_NEAR(p.XMgM1_Opx, xmg * fm1, 1e-6);
  EXPECT_NEAR(p.XFeM2_Opx, fm2 - xmg * fm2, 1e-6);
  EXPECT_NEAR(p.XCrM1_Opx, cr / (cr + ti + fe3 + alM1 + fm1), 1e-6);
  EXPECT_NEAR(p.XCa_Opx, ca / (1 - na), 1e-6);
}

TEST(SiteParameters, AbsentMineralsKeepOrZeroTheirMembers) {
  Formulas f{};
  f[Opx] = opx();
  SiteParameters p;
  StringTerminal out;
  computeSiteParameters(f, p, out);
  float alM1 = p.AlM1_Opx, xca = p.XCa_Opx, xmgM1 = p.XMgM1_Opx;

  // The next association has no orthopyroxene and no garnet.
  resetSiteParameters(p);
  Formulas none{};
  out.clear();
  computeSiteParameters(none, p, out);
  EXPECT_EQ(out.text(), "");  // no empty line
  EXPECT_EQ(p.AlM1_Opx, alM1);
  EXPECT_EQ(p.XCa_Opx, xca);
  EXPECT_EQ(p.XMgM1_Opx, xmgM1);
  EXPECT_EQ(p.XMg_Opx, 0.0f);  // reset list
  EXPECT_EQ(p.FM1_Opx, 0.0f);
  for (float v : {p.XCa_Gar, p.XAl_Gar, p.XCr_Gar, p.XFe_Gar, p.XMg_Gar, p.XMn_Gar, p.FeNo_Gar,
                  p.XCa_Cpx}) {
    EXPECT_EQ(v, 0.0f);
  }
  EXPECT_EQ(p.X_Gar, 1.0f);
  EXPECT_EQ(p.Y_Gar, 1.0f);
}

TEST(SiteParameters, SpinelThresholdsAndReplacements) {
  Formulas f{};
  SiteParameters p;
  StringTerminal out;
  // Al(Sp) of exactly 0.01 counts as absent.
  f[Sp].Al = 0.01f;
  f[Sp].Fe = 0.2f;
  f[Sp].Cr = 0.5f;
  p.CrNo_Sp = 0.7f;
  computeSiteParameters(f, p, out);
  EXPECT_EQ(p.CrNo_Sp, 0.7f);

  // A spinel whose (Fe + Mn)/(Mg + Fe) is exactly 1 gets 0.0001.
  f[Sp] = CationFormula{};
  f[Sp].Al = 1.5f; f[Sp].Cr = 0.4f; f[Sp].Fe = 0.25f; f[Sp].Mn = 0.5f; f[Sp].Mg = 0.5f;
  f[Sp].Fe3 = 0.05f;
  computeSiteParameters(f, p, out);
  EXPECT_EQ(p.XFe_Sp, 0.0001f);
  double fe3c = (2 - 0.4 - 1.5 + 0.5 + 0.25 - 1) / 2;  // -0.075
  double b = 0.4 + 1.5 + fe3c;
  EXPECT_NEAR(p.Fe3c_Sp, fe3c, 1e-6);
  EXPECT_NEAR(p.CrNo_Sp, 0.4 / b, 1e-6);
  EXPECT_NEAR(p.XAl2_Sp, 0.75, 1e-6);
  EXPECT_NEAR(p.Fe3R_Sp, 0.05 / (0.4 + 0.05 + 1.5), 1e-6);

  // A charge-balance estimate of exactly 0.5 is replaced by 0.
  f[Sp] = CationFormula{};
  f[Sp].Al = 1.5f; f[Sp].Cr = 0.0f; f[Sp].Mg = 0.5f; f[Sp].Fe = 1.0f;  // (2-1.5+0.5+1-1)/2
  computeSiteParameters(f, p, out);
  EXPECT_EQ(p.Fe3c_Sp, 0.0f);
  EXPECT_NEAR(p.B_Sp, 1.5, 1e-7);
}

TEST(SiteParameters, ClinopyroxeneFerricExcessNeverNegative) {
  Formulas f{};
  f[Cpx].Si = 2.0f; f[Cpx].Al = 0.1f; f[Cpx].Na = 0.08f; f[Cpx].Mg = 0.9f; f[Cpx].Fe = 0.1f;
  f[Cpx].Ca = 0.8f;
  SiteParameters p;
  StringTerminal out;
  computeSiteParameters(f, p, out);
  EXPECT_EQ(p.Fe3_Cpx, 0.0f);  // 0.08 + 4 - 4 - 0.1 < 0
  EXPECT_NEAR(p.XCa_Cpx, 0.8 / 0.92, 1e-6);
  f[Cpx].Si = 1.9f;
  computeSiteParameters(f, p, out);
  EXPECT_NEAR(p.Fe3_Cpx, 0.08 + 4 - 3.8 - 0.1, 1e-6);
}

TEST(SiteParameters, ZeroDenominatorsGiveZeroNotNaN) {
  Formulas f{};
  f[Opx].Si = 2.0f;  // no Fe nor Mg
  f[Opx].Na = 1.0f;  // 1 - Na = 0
  f[Cpx].Si = 2.0f;
  f[Cpx].Na = 1.0f;
  f[Gar].Si = 3.0f;  // no Mn, Fe, Mg, Ca, Cr, Al
  SiteParameters p;
  StringTerminal out;
  computeSiteParameters(f, p, out);
  for (float v : {p.XMg_Opx, p.XFe_Opx, p.XCa_Opx, p.XMg_Cpx, p.XFe_Cpx, p.XCa_Cpx, p.XCa_Gar,
                  p.XAl_Gar, p.XMg_Gar}) {
    EXPECT_EQ(v, 0.0f);
  }
  EXPECT_TRUE(std::isfinite(p.XCrM1_Opx));
}

TEST(SiteParameters, GarnetFractions) {
  Formulas f{};
  f[Gar].Si = 2.98f; f[Gar].Ti = 0.02f; f[Gar].Al = 1.72f; f[Gar].Cr = 0.24f; f[Gar].Fe = 0.41f;
  f[Gar].Mn = 0.02f; f[Gar].Mg = 2.22f; f[Gar].Ca = 0.38f;
  SiteParameters p;
  StringTerminal out;
  computeSiteParameters(f, p, out);
  double x = 0.02 + 0.41 + 2.22 + 0.38, y = 0.24 + 1.72;
  EXPECT_NEAR(p.XCa_Gar, 0.38 / x, 1e-6);
  EXPECT_NEAR(p.XMg_Gar, 2.22 / x, 1e-6);
  EXPECT_NEAR(p.XCr_Gar, 0.24 / y, 1e-6);
  EXPECT_NEAR(p.Ex1_Gar, (2.98 - 1 - y) / 2, 1e-6);
  EXPECT_NEAR(p.Ex2_Gar, (x - 1 - 0.24 - 1.72 + 0.02) / 2, 1e-6);
  EXPECT_NEAR(p.FeNo_Gar, 0.41 / 2.63, 1e-6);
}

}  // namespace
}  // namespace mantlept
