// Double precision: statistics of the analyses, not method arithmetic.
#pragma once
// One-sigma uncertainties of the oxide analyses: an absolute part (wt%) and a
// relative part (per cent of the value) for each mineral slot and oxide,
// combined as sqrt(abs^2 + (rel/100 * value)^2).
#include <array>
#include <optional>
#include <string_view>

#include "minerals/mineral_types.hpp"
#include "tables/row_source.hpp"

namespace mantlept {

struct SigmaTable {
  using Row = std::array<double, OxideValues::kCount>;
  std::array<Row, kSlotCount> abs{};  // wt%
  std::array<Row, kSlotCount> rel{};  // per cent of the value

  // One sigma of oxide `oxide` (column order of OxideValues) of slot `slot`
  // holding `value` wt%.
  double sigma(int slot, int oxide, double value) const;

  // Every value uncertain by `pct` per cent, without an absolute part.
  static SigmaTable relative(double pct);
};

// Typical one-sigma precision of routine wavelength-dispersive microprobe
// analyses (15-20 kV, 20 nA): counting statistics and standard reproducibility.
SigmaTable defaultMicroprobe();

// Slot of a mineral name as the tables accept it (case-insensitive), or none.
std::optional<int> mineralSlot(std::string_view name);
// Column (OxideValues order) of an oxide name (case-insensitive), or none.
std::optional<int> oxideColumn(std::string_view name);

// Reads a table with the columns mineral, oxide, abs and rel (any order, header
// first). "*" stands for every mineral or every oxide; later rows override
// earlier ones; an empty abs or rel cell means 0 (a row with both empty, or
// a header without rows, is an error); cells not named start at 0.
// Throws tables::TableError naming the file and row.
SigmaTable readSigmaFile(tables::RowSource& source);

}  // namespace mantlept
