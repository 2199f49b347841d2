#include "report/results_file.hpp"

#include <array>
#include <cmath>
#include <string_view>

#include "methods/catalogue.hpp"
#include "report/fixed_format.hpp"

namespace mantlept {

namespace {

constexpr std::array<std::string_view, 62> kColumnTitles = {
    "   SiCpx,", "   TiCpx,", "   AlCpx,", "   CrCpx,", "   FeCpx,", "   MnCpx,", "   MgCpx,",
    "   CaCpx,", "   NaCpx,", "    KCpx,", "   SiOpx,", "   TiOpx,", "   AlOpx,", "   CrOpx,",
    "   FeOpx,", "   MnOpx,", "   MgOpx,", "   CaOpx,", "   NaOpx,", "    KOpx,", "   SiGar,",
    "   TiGar,", "   AlGar,", "   CrGar,", "   FeGar,", "   MnGar,", "   MgGar,", "   CaGar,",
    "   NaGar,", "    KGar,", "   NiGar,", "   TiChr,", "   AlChr,", "   CrChr,", "   FeChr,",
    "   MnChr,", "   MgChr,", "   CaChr,", "   NaChr,", "    KChr,", "   NiChr,", "   V Chr,",
    "   TiIlm,", "   AlIlm,", "   CrIlm,", "   FeIlm,", "   MnIlm,", "   MgIlm,", "   CaIlm,",
    "   NaIlm,", "    KIlm,", "   NiIlm,", "   V Ilm,", "   Fe#OP,", "   Fe#Cp,", "   Fe#Ol,",
    "   Fe#Cr,", "   Fe#Ga,", "  Fe#Ilm,", "   Cr#Sp,", "  Fe3Cpx,", "   Fe3Ga,",
};

// Mineral columns of a row: slot and the first and last element (0-based).
struct MineralColumns {
  Slot slot;
  int first;
  int last;
};
constexpr std::array<MineralColumns, 5> kMineralColumns = {{
    {Cpx, 0, 9},
    {Opx, 0, 9},
    {Gar, 0, 10},
    {Sp, 1, 11},
    {Ilm, 1, 11},
}};

// Text inside double quotes, with each double quote doubled.
void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

void appendValue(std::string& out, Real value) {
  appendFixed(out, value, 8, 3);
  out += ',';
}

Real ilmeniteFeNumber(RunState& s) {
  const CationFormula& ilm = s.cat[Ilm];
  if (!(s.ox[Ilm].FeO > 5.0f && s.ox[Ilm].MgO > 3.0f)) return 0.0f;
  Real r = ilm.Fe / (ilm.Fe + ilm.Mg);
  Real x = (r - 0.35f) / 2.25f - (s.T - 700.0f) * 0.000035f;
  if (!(x > 0.02f)) return 0.0f;
  Real y = 0.1027f * std::log(x) + 0.335f;
  y = y + 0.15f * (0.15f - y);
  if (y <= 0.05f) y = 0.05f;
  if (!usable(y)) return 0.0f;
  if (s.ox[Sp].Cr2O3 <= 5.0f) s.site.XFe_Sp = 0.0f;
  return y;
}

Real chromiteFeNumber(const RunState& s) {
  Real v = s.site.XFe_Sp / 4.5f - (s.P - 32.0f) * 0.00115f - 0.03f;
  if (v >= 0.16f) v = 0.0f;
  v = (v - 0.075f) * 0.45f + 0.085f;
  v = v - (s.T - 800.0f) * (v - 0.06f) * 0.000285f + 0.01f;
  if (v <= 0.03f) v = 0.0f;
  v = 0.9f * v;
  if (s.ox[Sp].FeO <= 1.0f) v = 0.0f;
  return v;
}

Real garnetFeNumber(const RunState& s) {
  Real v = (s.T - 790.0f) * 0.000045f + s.site.FeNo_Gar / 2.0f - 0.022f;
  if (v <= 0.03f) v = 0.03f;
  if (s.ox[Gar].FeO >= 25.0f) v = 0.15f;
  return v;
}

}  // namespace

std::string resultsHeader(const RunSettings& settings) {
  std::string h = "    INDEX ,";
  for (std::string_view title : kColumnTitles) h += title;
  h += "Description, ";
  h += "        ";
  h += oxybarometerTag(settings.oxybarometerNumber);
  h += ',';
  for (int k = 0; k < settings.evaluatedCount(); ++k) {
    const MethodCombination& c = settings.combinations[static_cast<std::size_t>(k)];
    h += c.thermometerLabel;
    h += ',';
    h += c.barometerLabel;
    h += ',';
  }
  return h;
}

FeNumbers estimateFeNumbers(RunState& s, ReportState& report) {
  FeNumbers fe;
  fe.ilmenite = ilmeniteFeNumber(s);
  fe.chromite = chromiteFeNumber(s);
  if (s.ox[Ol].FeO > 1.0f) {
    report.olivineFeNumber = s.site.XFe_Ol;
  } else if (s.ox[Ol].FeO == 0.0f) {
    report.olivineFeNumber = 0.0f;
  }
  fe.olivine = report.olivineFeNumber;
  fe.garnet = garnetFeNumber(s);
  fe.opx = (s.T - 800.0f) * 0.000013f + s.site.XFe_Opx + 0.001f;
  if (fe.opx <= 0.022f) fe.opx = 0.0f;
  fe.cpx = s.site.XFe_Cpx == 0.0f ? 0.0f : s.site.XFe_Cpx - (s.T - 800.0f) * 0.000025f + 0.035f;
  return fe;
}

void appendResultsRow(std::string& out, const RunState& s, const RunSettings& settings,
                      const AssociationInfo& info, const FeNumbers& fe,
                      const CombinationResults& results) {
  bool cations = settings.writeCoefficients;
  out += ' ';
  appendQuoted(out, info.nameText());
  out += ',';
  for (const MineralColumns& m : kMineralColumns) {
    for (int k = m.first; k <= m.last; ++k) {
      appendValue(out, cations ? s.cat[m.slot][k] : s.ox[m.slot][k]);
    }
  }
  appendValue(out, fe.opx);
  appendValue(out, cations ? s.site.XFe_Cpx : fe.cpx);
  appendValue(out, cations ? s.site.XFe_Ol : fe.olivine);
  appendValue(out, fe.chromite);
  appendValue(out, fe.garnet);
  appendValue(out, fe.ilmenite);
  appendValue(out, s.site.CrNo_Sp);
  appendValue(out, s.site.Fe3_Cpx);
  appendValue(out, cations ? s.site.Ex2_Gar : s.garnetFerricExcess);
  appendQuoted(out, info.descriptionText());
  out += ',';
  appendFixed(out, results[0].fO2, 6, 3);
  for (int k = 0; k < settings.evaluatedCount(); ++k) {
    const CombinationResult& r = results[static_cast<std::size_t>(k)];
    out += ',';
    appendFixed(out, r.temperature, 6, 1);
    out += ',';
    appendFixed(out, r.pressure, 6, 1);
  }
  out += ',';
}

}  // namespace mantlept
