// Double precision: statistics of the analyses, not method arithmetic.
#include "uncertainty/sigma.hpp"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/number_text.hpp"
#include "core/printable.hpp"

namespace mantlept {

double SigmaTable::sigma(int slot, int oxide, double value) const {
  const auto s = static_cast<std::size_t>(slot);
  const auto k = static_cast<std::size_t>(oxide);
  const double r = rel[s][k] / 100.0 * value;
  return std::sqrt(abs[s][k] * abs[s][k] + r * r);
}

SigmaTable SigmaTable::relative(double pct) {
  SigmaTable t;
  for (auto& row : t.rel) row.fill(pct);
  return t;
}

SigmaTable defaultMicroprobe() {
  // One relative part of 1 % (standards and matrix correction, which dominate
  // for the major oxides above ~10 wt%) and an absolute part from counting
  // statistics near the detection level, which dominates for minor oxides.
  // Fe2O3 is not measured but calculated: only its relative part applies.
  //                                  SiO2  TiO2  Al2O3 Cr2O3 FeO   MnO   MgO   CaO   Na2O
  //                                  K2O   NiO   Fe2O3
  constexpr SigmaTable::Row kAbs = {0.05, 0.02, 0.03, 0.03, 0.05, 0.02, 0.05, 0.03, 0.02,
                                    0.01, 0.02, 0.0};
  SigmaTable t = SigmaTable::relative(1.0);
  t.abs.fill(kAbs);
  return t;
}

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<int> mineralSlot(std::string_view name) {
  static const std::pair<const char*, int> kNames[] = {
      {"opx", Opx},    {"orthopyroxene", Opx}, {"en", Opx},       {"e", Opx},
      {"cpx", Cpx},    {"clinopyroxene", Cpx}, {"di", Cpx},       {"d", Cpx},
      {"ol", Ol},      {"olivine", Ol},        {"o", Ol},         {"sp", Sp},
      {"spl", Sp},     {"spinel", Sp},         {"chr", Sp},       {"chm", Sp},
      {"chromite", Sp}, {"s", Sp},             {"gt", Gar},       {"grt", Gar},
      {"gar", Gar},    {"garnet", Gar},        {"g", Gar},        {"ilm", Ilm},
      {"ilmenite", Ilm}, {"i", Ilm},           {"r", Slot6}};
  const std::string key = lower(trim(name));
  for (const auto& [text, slot] : kNames)
    if (key == text) return slot;
  return std::nullopt;
}

std::optional<int> oxideColumn(std::string_view name) {
  static const std::pair<const char*, int> kNames[] = {
      {"sio2", 0},  {"tio2", 1}, {"al2o3", 2}, {"cr2o3", 3}, {"feo", 4},  {"feot", 4},
      {"feo*", 4},  {"feotot", 4}, {"mno", 5}, {"mgo", 6},   {"cao", 7},  {"na2o", 8},
      {"k2o", 9},   {"nio", 10}, {"fe2o3", 11}};
  const std::string key = lower(trim(name));
  for (const auto& [text, column] : kNames)
    if (key == text) return column;
  return std::nullopt;
}

SigmaTable readSigmaFile(tables::RowSource& source) {
  auto fail = [&](const std::string& what) -> tables::TableError {
    return tables::TableError("mantlept: " + source.fileName() + ", row " +
                              std::to_string(source.rowNumber()) + ": " + what);
  };
  std::vector<std::string> cells;
  auto blankRow = [&] {
    for (const auto& c : cells)
      if (!trim(c).empty()) return false;
    return true;
  };
  do {
    if (!source.next(cells)) {
      throw tables::TableError("mantlept: " + source.fileName() +
                               ": empty; the header mineral,oxide,abs,rel is missing");
    }
  } while (blankRow());
  static constexpr const char* kColumns[] = {"mineral", "oxide", "abs", "rel"};
  std::array<std::size_t, 4> at{};
  for (std::size_t c = 0; c < 4; ++c) {
    std::size_t i = 0;
    while (i < cells.size() && lower(trim(cells[i])) != kColumns[c]) ++i;
    if (i == cells.size()) throw fail(std::string("missing column \"") + kColumns[c] + "\"");
    at[c] = i;
  }

  SigmaTable t;
  auto cell = [&](std::size_t c) -> std::string_view {
    return at[c] < cells.size() ? trim(cells[at[c]]) : std::string_view{};
  };
  auto number = [&](std::size_t c) -> double {
    std::string_view text = cell(c);
    if (text.empty()) return 0.0;
    double v = 0;
    if (!readDouble(text, v) || !std::isfinite(v))
      throw fail(std::string(kColumns[c]) + " \"" + printable(text, 40) + "\" is not a number");
    if (v < 0) throw fail(std::string(kColumns[c]) + " " + printable(text, 40) + " is negative");
    return v;
  };
  bool anyRow = false;
  while (source.next(cells)) {
    if (blankRow()) continue;
    anyRow = true;
    const std::string_view mineral = cell(0), oxide = cell(1);
    std::optional<int> slot, column;
    if (mineral != "*" && !(slot = mineralSlot(mineral)))
      throw fail("unknown mineral \"" + printable(mineral, 40) + "\"");
    if (oxide != "*" && !(column = oxideColumn(oxide)))
      throw fail("unknown oxide \"" + printable(oxide, 40) + "\"");
    if (cell(2).empty() && cell(3).empty())
      throw fail("the row gives neither abs nor rel (give 0 for no uncertainty)");
    const double a = number(2), r = number(3);
    for (int s = 0; s < kSlotCount; ++s) {
      if (slot && *slot != s) continue;
      for (int k = 0; k < OxideValues::kCount; ++k) {
        if (column && *column != k) continue;
        t.abs[static_cast<std::size_t>(s)][static_cast<std::size_t>(k)] = a;
        t.rel[static_cast<std::size_t>(s)][static_cast<std::size_t>(k)] = r;
      }
    }
  }
  if (!anyRow)
    throw tables::TableError("mantlept: " + source.fileName() +
                             ": the header has no rows below it; give one row per mineral and "
                             "oxide, such as *,*,0.05,1");
  return t;
}

}  // namespace mantlept
