#include "report/formula_table.hpp"

#include <array>
#include <optional>

#include "methods/method_needs.hpp"
#include "minerals/formula.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept {

namespace {

constexpr std::array<std::string_view, OxideValues::kCount> kOxideNames = {
    "SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO", "MgO", "CaO", "Na2O", "K2O", "NiO", "Fe2O3"};
constexpr std::array<std::string_view, CationFormula::kCount> kCationNames = {
    "Si", "Ti", "Al", "Cr", "Fe2", "Mn", "Mg", "Ca", "Na", "K", "Ni", "Fe3", "cations"};
// The cation columns in the order of the table (Fe3 beside Fe2).
constexpr std::array<int, CationFormula::kCount> kCationOrder = {0, 1, 2,  3,  4,  11, 5,
                                                                 6, 7, 8, 9, 10, 12};

// The end-member columns of every mineral, in table order.
enum EndMember { Fo, Wo, En, Fs, Al_IV, Al_VI, Prp, Alm, Grs, Sps, Fe3_number, Gk, Hem, kEndMembers };
constexpr std::array<std::string_view, kEndMembers> kEndMemberNames = {
    "Fo", "Wo", "En", "Fs", "Al_IV", "Al_VI", "Prp", "Alm", "Grs", "Sps", "Fe3_number", "Gk", "Hem"};

using Cell = std::optional<Real>;

// num / den, or no value for a zero or unusable quotient.
Cell fraction(Real num, Real den) {
  if (den == 0.0f) return std::nullopt;
  const Real q = num / den;
  if (!usable(q)) return std::nullopt;
  return q;
}

void appendCell(std::string& out, Cell value) {
  out += ',';
  if (value && usable(*value)) appendShortest(out, *value);
}

std::array<Cell, kEndMembers> endMembers(Slot slot, const CationFormula& c) {
  std::array<Cell, kEndMembers> e{};
  switch (slot) {
    case Ol:
      e[Fo] = fraction(c.Mg, c.Mg + c.Fe);
      break;
    case Opx:
    case Cpx: {
      // Morimoto (1988): Ca, Mg and all Fe + Mn of the quadrilateral.
      const Real iron = c.Fe + c.Fe3 + c.Mn;
      const Real sum = c.Ca + c.Mg + iron;
      e[Wo] = fraction(c.Ca, sum);
      e[En] = fraction(c.Mg, sum);
      e[Fs] = fraction(iron, sum);
      Real tetrahedral = 2.0f - c.Si;
      if (tetrahedral < 0.0f) tetrahedral = 0.0f;
      if (tetrahedral > c.Al) tetrahedral = c.Al;
      e[Al_IV] = tetrahedral;
      e[Al_VI] = c.Al - tetrahedral;
      break;
    }
    case Gar: {
      const Real sum = c.Mg + c.Fe + c.Ca + c.Mn;
      e[Prp] = fraction(c.Mg, sum);
      e[Alm] = fraction(c.Fe, sum);
      e[Grs] = fraction(c.Ca, sum);
      e[Sps] = fraction(c.Mn, sum);
      break;
    }
    case Sp:
      e[Fe3_number] = fraction(c.Fe3, c.Fe3 + c.Cr + c.Al);
      break;
    case Ilm:
      e[Gk] = fraction(c.Mg, c.Mg + c.Fe + c.Mn);
      e[Hem] = c.Fe3 / 2.0f;
      break;
    case Slot6:
      break;
  }
  return e;
}

void appendFormulaRow(std::string& out, std::string_view sample, Slot slot, const OxideValues& ox,
                      const CationFormula& c) {
  appendCsvCell(out, sample);
  out += ',';
  out += mineralNames(minerals(slot));
  appendCell(out, formulaOxygens(slot + 1));
  Real total = 0.0f;
  for (int k = 0; k < OxideValues::kCount; ++k) {
    appendCell(out, ox[k]);
    total += ox[k];
  }
  appendCell(out, total);
  // An analysis without a formula (nothing to recalculate) has no cations.
  const bool formula = c.Sum != 0.0f;
  for (int k : kCationOrder) appendCell(out, formula ? Cell(c[k]) : std::nullopt);
  appendCell(out, fraction(c.Mg, c.Mg + c.Fe));
  appendCell(out, fraction(c.Cr, c.Cr + c.Al));
  const std::array<Cell, kEndMembers> e = formula ? endMembers(slot, c) : std::array<Cell, kEndMembers>{};
  for (Cell cell : e) appendCell(out, cell);
  out += '\n';
}

}  // namespace

std::string formulaHeader() {
  std::string h = "sample,mineral,oxygens";
  for (std::string_view name : kOxideNames) (h += ',') += name;
  h += ",total";
  for (int k : kCationOrder) (h += ',') += kCationNames[static_cast<std::size_t>(k)];
  h += ",Mg_number,Cr_number";
  for (std::string_view name : kEndMemberNames) (h += ',') += name;
  return h;
}

std::string siteHeader() {
  std::string h = "sample";
  for (const SiteField& f : siteFields()) (h += ',') += f.name;
  return h;
}

void appendFormulaRows(std::string& out, std::string_view sample, const Association& a,
                       const RunState& prepared) {
  for (int k = 0; k < kSlotCount; ++k) {
    if (!a.present[static_cast<std::size_t>(k)]) continue;
    appendFormulaRow(out, sample, static_cast<Slot>(k), prepared.ox[k], prepared.cat[k]);
  }
}

void appendSiteRow(std::string& out, std::string_view sample, const RunState& prepared) {
  appendCsvCell(out, sample);
  for (const SiteField& f : siteFields()) {
    appendCell(out, mineralPresent(prepared, f.mineral) ? Cell(prepared.site.*f.member)
                                                        : std::nullopt);
  }
  out += '\n';
}

}  // namespace mantlept
