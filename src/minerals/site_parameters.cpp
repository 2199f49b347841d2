#include "minerals/site_parameters.hpp"

namespace mantlept {

namespace {

// num / den, or 0 when the quotient has no value (a zero denominator).
Real ratio(Real num, Real den) {
  if (den == 0.0f) return 0.0f;
  Real q = num / den;
  return usable(q) ? q : 0.0f;
}

void orthopyroxene(const CationFormula& c, SiteParameters& p, Terminal& out) {
  if (!(c.Si > 1e-07f)) return;
  p.XMg_Opx = ratio(c.Mg, c.Fe + c.Mg);
  p.XFe_Opx = ratio(c.Fe, c.Fe + c.Mg);
  out.line("");
  p.AlM1_Opx = (c.Al - c.Cr - 2.0f * c.Ti + c.Na - c.Fe3) / 2.0f;
  p.NaX_Opx = c.Na - c.Cr - c.Fe3 - 2.0f * c.Ti;
  p.AlT_Opx = (c.Al + p.NaX_Opx) / 2.0f;
  p.FM1_Opx = 1.0f - p.AlM1_Opx - c.Cr - c.Ti - c.Fe3;
  p.FM2_Opx = 1.0f - c.Mn - c.Ca - c.Na;
  p.XMgM1_Opx = p.XMg_Opx * p.FM1_Opx;
  p.XMgM2_Opx = p.XMg_Opx * p.FM2_Opx;
  p.XFeM1_Opx = p.FM1_Opx - p.XMgM1_Opx;
  p.XFeM2_Opx = p.FM2_Opx - p.XMgM2_Opx;
  p.XCrM1_Opx = ratio(c.Cr, c.Cr + c.Ti + c.Fe3 + p.AlM1_Opx + p.FM1_Opx);
  p.XCa_Opx = ratio(c.Ca, 1.0f - c.Na);
}

void clinopyroxene(const CationFormula& c, SiteParameters& p) {
  if (c.Si > 1e-07f) {
    p.XMg_Cpx = ratio(c.Mg, c.Mg + c.Fe);
    p.XFe_Cpx = ratio(c.Fe, c.Mg + c.Fe);
    // Charge-balance ferric iron; no excess gives 0, never a negative value.
    p.Fe3_Cpx = c.Na + 4.0f - 2.0f * c.Si - c.Ti - c.Al - c.Cr;
    if (!(p.Fe3_Cpx > 1e-07f)) p.Fe3_Cpx = 0.0f;
  }
  p.XCa_Cpx = ratio(c.Ca, 1.0f - c.Na);
}

void olivine(const CationFormula& c, SiteParameters& p) {
  if (!(c.Si > 1e-07f)) return;
  p.FeMg_Ol = c.Mg + c.Fe;
  if (p.FeMg_Ol > 1e-07f) p.XFe_Ol = c.Fe / p.FeMg_Ol;
}

void spinel(const CationFormula& c, SiteParameters& p) {
  if (!(c.Al > 0.01f && c.Fe > 1e-07f)) return;
  p.R3_Sp = c.Cr + c.Fe3 + c.Ti + c.Al;
  p.XAl2_Sp = c.Al / 2.0f;
  p.Fe3c_Sp = (2.0f - c.Cr - c.Al - 2.0f * c.Ti + c.Mg + c.Fe - 1.0f) / 2.0f;
  if (p.Fe3c_Sp == 0.5f) p.Fe3c_Sp = 0.0f;
  p.B_Sp = 2.0f * c.Ti + c.Cr + c.Al + p.Fe3c_Sp;
  if (!(p.B_Sp > 1e-07f)) return;
  p.XTi_Sp = 2.0f * c.Ti / p.B_Sp;
  p.XCr_Sp = c.Cr / p.B_Sp;
  p.XFe3_Sp = p.Fe3c_Sp / p.B_Sp;
  p.XAl_Sp = c.Al / p.B_Sp;
  p.CrNo_Sp = c.Cr / p.B_Sp;
  // The ferric cations of the formula, not the charge-balance estimate above.
  p.Fe3R_Sp = ratio(c.Fe3, p.R3_Sp);
  p.FeMg_Sp = c.Mg + c.Fe;
  p.XFe_Sp = 0.0f;
  if (p.FeMg_Sp > 1e-07f) {
    p.XFe_Sp = (c.Fe + c.Mn) / p.FeMg_Sp;
    if (p.XFe_Sp == 1.0f) p.XFe_Sp = 0.0001f;
  }
}

void garnet(const CationFormula& c, SiteParameters& p) {
  if (c.Si > 1e-07f) {
    p.X_Gar = c.Mn + c.Fe + c.Mg + c.Ca;
    p.Y_Gar = c.Cr + c.Al;
    p.Ex1_Gar = (c.Si - 1.0f - p.Y_Gar) / 2.0f;
    p.Ex2_Gar = (c.Mn + c.Fe + c.Mg + c.Ca - 1.0f - c.Cr - c.Al + 0.02f) / 2.0f;
  } else {
    p.X_Gar = 1.0f;
    p.Y_Gar = 1.0f;
  }
  p.XCa_Gar = ratio(c.Ca, p.X_Gar);
  p.XAl_Gar = ratio(c.Al, p.Y_Gar);
  p.XCr_Gar = ratio(c.Cr, p.Y_Gar);
  p.XFe_Gar = ratio(c.Fe, p.X_Gar);
  p.XMg_Gar = ratio(c.Mg, p.X_Gar);
  p.XMn_Gar = ratio(c.Mn, p.X_Gar);
  p.FeMg_Gar = c.Fe + c.Mg;
  if (p.FeMg_Gar > 1e-07f) p.FeNo_Gar = c.Fe / p.FeMg_Gar;
}

// Declaration order; the size check below fails when a member is added
// without its entry.
constexpr std::array<SiteField, 43> kFields = {{
    {"XMg_Opx", &SiteParameters::XMg_Opx, Opx},
    {"XFe_Opx", &SiteParameters::XFe_Opx, Opx},
    {"NaX_Opx", &SiteParameters::NaX_Opx, Opx},
    {"AlM1_Opx", &SiteParameters::AlM1_Opx, Opx},
    {"AlT_Opx", &SiteParameters::AlT_Opx, Opx},
    {"FM1_Opx", &SiteParameters::FM1_Opx, Opx},
    {"FM2_Opx", &SiteParameters::FM2_Opx, Opx},
    {"XMgM1_Opx", &SiteParameters::XMgM1_Opx, Opx},
    {"XMgM2_Opx", &SiteParameters::XMgM2_Opx, Opx},
    {"XFeM1_Opx", &SiteParameters::XFeM1_Opx, Opx},
    {"XFeM2_Opx", &SiteParameters::XFeM2_Opx, Opx},
    {"XCrM1_Opx", &SiteParameters::XCrM1_Opx, Opx},
    {"XCa_Opx", &SiteParameters::XCa_Opx, Opx},
    {"XMg_Cpx", &SiteParameters::XMg_Cpx, Cpx},
    {"XFe_Cpx", &SiteParameters::XFe_Cpx, Cpx},
    {"Fe3_Cpx", &SiteParameters::Fe3_Cpx, Cpx},
    {"XCa_Cpx", &SiteParameters::XCa_Cpx, Cpx},
    {"FeMg_Ol", &SiteParameters::FeMg_Ol, Ol},
    {"XFe_Ol", &SiteParameters::XFe_Ol, Ol},
    {"R3_Sp", &SiteParameters::R3_Sp, Sp},
    {"B_Sp", &SiteParameters::B_Sp, Sp},
    {"XAl2_Sp", &SiteParameters::XAl2_Sp, Sp},
    {"Fe3c_Sp", &SiteParameters::Fe3c_Sp, Sp},
    {"XTi_Sp", &SiteParameters::XTi_Sp, Sp},
    {"XCr_Sp", &SiteParameters::XCr_Sp, Sp},
    {"XFe3_Sp", &SiteParameters::XFe3_Sp, Sp},
    {"XAl_Sp", &SiteParameters::XAl_Sp, Sp},
    {"CrNo_Sp", &SiteParameters::CrNo_Sp, Sp},
    {"Fe3R_Sp", &SiteParameters::Fe3R_Sp, Sp},
    {"FeMg_Sp", &SiteParameters::FeMg_Sp, Sp},
    {"XFe_Sp", &SiteParameters::XFe_Sp, Sp},
    {"X_Gar", &SiteParameters::X_Gar, Gar},
    {"Y_Gar", &SiteParameters::Y_Gar, Gar},
    {"Ex1_Gar", &SiteParameters::Ex1_Gar, Gar},
    {"Ex2_Gar", &SiteParameters::Ex2_Gar, Gar},
    {"XCa_Gar", &SiteParameters::XCa_Gar, Gar},
    {"XAl_Gar", &SiteParameters::XAl_Gar, Gar},
    {"XCr_Gar", &SiteParameters::XCr_Gar, Gar},
    {"XFe_Gar", &SiteParameters::XFe_Gar, Gar},
    {"XMg_Gar", &SiteParameters::XMg_Gar, Gar},
    {"XMn_Gar", &SiteParameters::XMn_Gar, Gar},
    {"FeMg_Gar", &SiteParameters::FeMg_Gar, Gar},
    {"FeNo_Gar", &SiteParameters::FeNo_Gar, Gar},
}};
static_assert(sizeof(SiteParameters) == kFields.size() * sizeof(Real));

}  // namespace

std::span<const SiteField> siteFields() { return kFields; }

void resetSiteParameters(SiteParameters& p) {
  p.XMg_Opx = p.XFe_Opx = p.FM1_Opx = p.FM2_Opx = 0.0f;
  p.XMg_Cpx = p.XFe_Cpx = p.Fe3_Cpx = 0.0f;
  p.XFe_Ol = 0.0f;
  p.Fe3c_Sp = p.CrNo_Sp = p.Fe3R_Sp = p.XFe_Sp = 0.0f;
  p.FeNo_Gar = 0.0f;
}

void computeSiteParameters(const std::array<CationFormula, kSlotCount>& cat, SiteParameters& p,
                           Terminal& out) {
  orthopyroxene(cat[Opx], p, out);
  clinopyroxene(cat[Cpx], p);
  olivine(cat[Ol], p);
  spinel(cat[Sp], p);
  garnet(cat[Gar], p);
}

}  // namespace mantlept
