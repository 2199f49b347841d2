#pragma once
// Double-precision working of an association from its oxide analyses, written
// from the recalculation and site-parameter rules independently of the
// program: cations per formula unit of every slot and the derived site
// parameters, for end-to-end checks against the method references.
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace mantlept::e2e {

enum RefSlot { kOpx = 0, kCpx, kOl, kSp, kGar, kSlot6, kIlm };
enum RefElement { kSi = 0, kTi, kAl, kCr, kFe, kMn, kMg, kCa, kNa, kK, kNi, kFe3, kSum };

using Oxides = std::array<double, 12>;  // SiO2 TiO2 Al2O3 Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3
using Cations = std::array<double, 13>;

inline Cations referenceCations(Oxides ox, int type, bool ferric, Oxides* adjusted = nullptr) {
  static constexpr std::array<double, 12> w = {60.0848, 79.899,  101.961, 151.9902,
                                               71.846,  70.9374, 40.311,  56.0794,
                                               61.979,  94.2,    74.71,   159.692};
  static constexpr std::array<double, 12> o = {2, 2, 3, 3, 1, 1, 1, 1, 1, 1, 1, 3};
  static constexpr std::array<double, 12> c = {1, 1, 2, 2, 1, 1, 1, 1, 2, 2, 1, 2};
  static constexpr std::array<double, 11> nCat = {4, 4, 3, 3, 8, 1, 2, 15, 7, 5, 1};
  static constexpr std::array<double, 11> nOx = {6, 6, 4, 4, 12, 1, 3, 23, 11, 8, 1};
  if (ferric) {
    double sum = 0;
    for (int k = 0; k < 12; ++k) sum += ox[k] / w[k] * c[k];
    double s = sum / nCat[type - 1];
    if (!(s > 1e-10)) s = 1;
    double so = 0;
    for (int k = 0; k < 12; ++k) so += ox[k] / w[k] / s * o[k];
    double c5 = ox[4] / w[4] / s, c12 = ox[11] / w[11] / s * 2;
    if (nOx[type - 1] != 1) {
      c12 = nOx[type - 1] - so;
      c5 -= c12;
      if (!(c5 > 1e-7)) c5 = 0;
    }
    if (c12 + c5 != 0) {
      double f = ox[4] * c12 / (c12 + c5);
      ox[4] -= f;
      ox[11] = f * 1.1;
    }
  }
  if (adjusted) *adjusted = ox;
  Cations cat{};
  double oxygens = 0;
  for (int k = 0; k < 12; ++k) oxygens += ox[k] / w[k] * o[k];
  double t = oxygens / nOx[type - 1];
  if (t == 0) return cat;
  for (int k = 0; k < 12; ++k) {
    cat[k] = ox[k] / w[k] / t * c[k];
    cat[12] += cat[k];
  }
  return cat;
}

// The site parameters of one association (members keep the program's names).
struct RefSite {
  double XMg_Opx = 0, XFe_Opx = 0, NaX_Opx = 0, AlM1_Opx = 0, AlT_Opx = 0, FM1_Opx = 0, FM2_Opx = 0,
         XMgM1_Opx = 0, XMgM2_Opx = 0, XFeM1_Opx = 0, XFeM2_Opx = 0, XCrM1_Opx = 0, XCa_Opx = 0;
  double XMg_Cpx = 0, XFe_Cpx = 0, Fe3_Cpx = 0, XCa_Cpx = 0;
  double FeMg_Ol = 0, XFe_Ol = 0;
  double R3_Sp = 0, B_Sp = 0, XAl2_Sp = 0, Fe3c_Sp = 0, XTi_Sp = 0, XCr_Sp = 0, XFe3_Sp = 0,
         XAl_Sp = 0, CrNo_Sp = 0, Fe3R_Sp = 0, FeMg_Sp = 0, XFe_Sp = 0;
  double X_Gar = 0, Y_Gar = 0, Ex1_Gar = 0, Ex2_Gar = 0, XCa_Gar = 0, XAl_Gar = 0, XCr_Gar = 0,
         XFe_Gar = 0, XMg_Gar = 0, XMn_Gar = 0, FeMg_Gar = 0, FeNo_Gar = 0;
};

// An association worked out in double precision (one run, one association, all
// site parameters starting from 0).
struct RefAssociation {
  std::array<Oxides, 7> ox{};
  std::array<Cations, 7> cat{};
  RefSite site;
};

inline RefAssociation referenceAssociation(const std::array<std::optional<Oxides>, 7>& minerals,
                                           bool ferric) {
  RefAssociation a;
  for (int s = 0; s < 7; ++s) {
    if (minerals[s]) a.cat[s] = referenceCations(*minerals[s], s + 1, ferric, &a.ox[s]);
  }
  RefSite& p = a.site;
  const Cations& o = a.cat[kOpx];
  if (o[kSi] > 1e-7) {
    p.XMg_Opx = o[kMg] / (o[kFe] + o[kMg]);
    p.XFe_Opx = o[kFe] / (o[kFe] + o[kMg]);
    p.AlM1_Opx = (o[kAl] - o[kCr] - 2 * o[kTi] + o[kNa] - o[kFe3]) / 2;
    p.NaX_Opx = o[kNa] - o[kCr] - o[kFe3] - 2 * o[kTi];
    p.AlT_Opx = (o[kAl] + p.NaX_Opx) / 2;
    p.FM1_Opx = 1 - p.AlM1_Opx - o[kCr] - o[kTi] - o[kFe3];
    p.FM2_Opx = 1 - o[kMn] - o[kCa] - o[kNa];
    p.XMgM1_Opx = p.XMg_Opx * p.FM1_Opx;
    p.XMgM2_Opx = p.XMg_Opx * p.FM2_Opx;
    p.XFeM1_Opx = p.FM1_Opx - p.XMgM1_Opx;
    p.XFeM2_Opx = p.FM2_Opx - p.XMgM2_Opx;
    p.XCrM1_Opx = o[kCr] / (o[kCr] + o[kTi] + o[kFe3] + p.AlM1_Opx + p.FM1_Opx);
    p.XCa_Opx = o[kCa] / (1 - o[kNa]);
  }
  const Cations& c = a.cat[kCpx];
  if (c[kSi] > 1e-7) {
    p.XMg_Cpx = c[kMg] / (c[kMg] + c[kFe]);
    p.XFe_Cpx = c[kFe] / (c[kMg] + c[kFe]);
    p.Fe3_Cpx = c[kNa] + 4 - 2 * c[kSi] - c[kTi] - c[kAl] - c[kCr];
    if (!(p.Fe3_Cpx > 1e-7)) p.Fe3_Cpx = 0;
  }
  p.XCa_Cpx = c[kCa] / (1 - c[kNa]);
  const Cations& l = a.cat[kOl];
  if (l[kSi] > 1e-7) {
    p.FeMg_Ol = l[kMg] + l[kFe];
    if (p.FeMg_Ol > 1e-7) p.XFe_Ol = l[kFe] / p.FeMg_Ol;
  }
  const Cations& s = a.cat[kSp];
  if (s[kAl] > 0.01 && s[kFe] > 1e-7) {
    p.R3_Sp = s[kCr] + s[kFe3] + s[kTi] + s[kAl];
    p.XAl2_Sp = s[kAl] / 2;
    p.Fe3c_Sp = (2 - s[kCr] - s[kAl] - 2 * s[kTi] + s[kMg] + s[kFe] - 1) / 2;
    p.B_Sp = 2 * s[kTi] + s[kCr] + s[kAl] + p.Fe3c_Sp;
    if (p.B_Sp > 1e-7) {
      p.XTi_Sp = 2 * s[kTi] / p.B_Sp;
      p.XCr_Sp = s[kCr] / p.B_Sp;
      p.XFe3_Sp = p.Fe3c_Sp / p.B_Sp;
      p.XAl_Sp = s[kAl] / p.B_Sp;
      p.CrNo_Sp = s[kCr] / p.B_Sp;
      p.Fe3R_Sp = s[kFe3] / p.R3_Sp;
      p.FeMg_Sp = s[kMg] + s[kFe];
      if (p.FeMg_Sp > 1e-7) p.XFe_Sp = (s[kFe] + s[kMn]) / p.FeMg_Sp;
    }
  }
  const Cations& g = a.cat[kGar];
  if (g[kSi] > 1e-7) {
    p.X_Gar = g[kMn] + g[kFe] + g[kMg] + g[kCa];
    p.Y_Gar = g[kCr] + g[kAl];
    p.Ex1_Gar = (g[kSi] - 1 - p.Y_Gar) / 2;
    p.Ex2_Gar = (g[kMn] + g[kFe] + g[kMg] + g[kCa] - 1 - g[kCr] - g[kAl] + 0.02) / 2;
  } else {
    p.X_Gar = p.Y_Gar = 1;
  }
  p.XCa_Gar = g[kCa] / p.X_Gar;
  p.XAl_Gar = g[kAl] / p.Y_Gar;
  p.XCr_Gar = g[kCr] / p.Y_Gar;
  p.XFe_Gar = g[kFe] / p.X_Gar;
  p.XMg_Gar = g[kMg] / p.X_Gar;
  p.XMn_Gar = g[kMn] / p.X_Gar;
  p.FeMg_Gar = g[kFe] + g[kMg];
  if (p.FeMg_Gar > 1e-7) p.FeNo_Gar = g[kFe] / p.FeMg_Gar;
  return a;
}

// One result line as the terminal shows it, split into its fields.
struct ResultLine {
  std::string name;              // 7 characters
  std::string thermometerLabel;  // 16
  std::string temperature;       // F5.0 text
  std::string barometerLabel;    // 16
  std::string pressure;          // F4.1 text
  std::string fO2;               // F5.2 text
  std::string ferricTag;         // 8
};

// Splits a result line (84 characters) at its fixed columns; empty when the
// line does not have the layout.
inline std::optional<ResultLine> parseResultLine(const std::string& line) {
  if (line.size() != 84 || line[7] != ' ' || line.compare(24, 4, " TC=") != 0 ||
      line.compare(49, 5, " Pkb=") != 0 || line.compare(58, 5, " FO2=") != 0 ||
      line.compare(68, 8, "        ") != 0) {
    return std::nullopt;
  }
  return ResultLine{line.substr(0, 7),  line.substr(8, 16), line.substr(28, 5), line.substr(33, 16),
                    line.substr(54, 4), line.substr(63, 5), line.substr(76, 8)};
}

// The number an F-edited field shows (asterisks give nothing).
inline std::optional<double> fieldValue(const std::string& text) {
  if (text.find('*') != std::string::npos) return std::nullopt;
  return std::stod(text);
}

}  // namespace mantlept::e2e
