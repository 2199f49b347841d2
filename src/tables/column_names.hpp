#pragma once
// What the header cells of a table of analyses mean: the sample, the mineral,
// a description, or an oxide (optionally of one mineral, as in "SiO2_Opx").
#include <string>
#include <string_view>

namespace mantlept::tables {

struct ColumnMeaning {
  enum Kind {
    Ignored,      // empty, or a column of no use here (trace elements, results)
    Sample,       // the sample name
    Mineral,      // the mineral of a row (long tables)
    Description,  // free text about the sample
    Oxide,        // one of the twelve oxides (or nickel in ppm, see factor)
    Position,     // where in the grain a spot analysis lies: core, rim
  };
  // Which iron quantity an iron column holds; tables often carry several side
  // by side, and each row takes the first determined of total FeO, then FeO
  // and Fe2O3 as given, then total Fe2O3.
  enum Iron { NotIron, FeOTotal, FeOPlain, Fe2O3Plain, Fe2O3Total };
  Kind kind = Ignored;
  int oxide = -1;       // index into OxideValues
  double factor = 1.0;  // multiplies the cell: Fe2O3 total to FeO, Ni ppm to NiO wt%
  bool nickelPpm = false;
  Iron iron = NotIron;
  int slot = -1;        // the mineral of a suffixed column, -1 when none
  std::string mineral;  // the suffix as written when it names no known mineral
  int rank = 0;         // among sample columns: lower is preferred
};

// The mineral slot of a name such as "Opx", "garnet", "Chr" or a code letter
// "E"; -1 when not recognised. Case, blanks, dots and underscores are ignored.
int slotOfMineralName(std::string_view name);

// The meaning of one header cell.
ColumnMeaning columnMeaning(std::string_view header);

// The names of the twelve oxides in the order of OxideValues.
std::string_view oxideName(int oxide);

}  // namespace mantlept::tables
