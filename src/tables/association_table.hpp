#pragma once
// The mineral analyses of a table, one row at a time. Two layouts are
// recognised from the header:
//  - long: one row per mineral analysis, with a sample column, a mineral
//    column and oxide columns (database compilations: one row per spot);
//  - wide: one row per sample, with oxide columns suffixed by their mineral
//    ("SiO2_Opx", "FeOt_Gt"); a mineral whose cells are all empty or zero is
//    not present.
// Rows are not joined here: a Compilation groups them by sample.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "minerals/association.hpp"
#include "tables/diagnostics.hpp"
#include "tables/row_source.hpp"

namespace mantlept::tables {

// One mineral analysis of a row: oxide wt% as read (in double, so that an
// average is rounded to single precision once) and which oxides were
// determined (bit k for oxide k: the cell was not blank; a bdl or negative
// cell is determined as 0).
struct RowAnalysis {
  int slot = -1;
  std::array<double, OxideValues::kCount> ox{};
  std::uint16_t determined = 0;
  double niPpm = 0;  // Ni of a ppm column as written, when above 0
};

// The analyses of one data row.
struct TableRow {
  std::string sample;       // without a trailing reference tag
  std::string description;  // empty when none
  bool hasPosition = false;  // the table has a rim/core column
  std::string position;      // its cell
  std::vector<RowAnalysis> analyses;  // the minerals with a value other than 0
  long row = 0;                       // the row number, for messages
};

class AssociationTable {
 public:
  enum class Layout { Long, Wide };

  // Reads and checks the header; TableError when the table is empty or its
  // columns do not make a table of analyses.
  AssociationTable(std::unique_ptr<RowSource> rows, Diagnostics& diagnostics);
  ~AssociationTable();

  // The next data row; false at the end of the data (the end of the file, or
  // a row starting "References:"). Throws TableError.
  bool next(TableRow& row);

  Layout layout() const { return layout_; }
  const std::string& fileName() const { return rows_->fileName(); }

 private:
  struct Column {
    int index;
    int slot;  // -1 in a long table
    int oxide;
    double factor;
    bool nickelPpm;
    int iron;  // ColumnMeaning::Iron
    // Rows of an iron column: iron taken from it because the columns before
    // it held none; a value above 0 set aside because total FeO was given.
    long lowerTaken = 0, setAside = 0;
  };

  bool readRow();  // the next row that is not blank, checked against the header
  void checkRowWidth();
  void readText();  // Latin-1 cells as UTF-8
  // The value of a cell and whether it is blank.
  // `read` (when given) receives the number of the cell as written.
  double value(int column, int oxide, double factor, bool& blank, double* read = nullptr);
  bool readOxides(int slot, RowAnalysis& analysis);  // true when any is not zero
  void assignText(std::string& to, int column) const;  // without a reference tag
  int slotOf(std::string_view mineral);
  void noteIron();
  [[noreturn]] void fail(const std::string& what) const;
  [[noreturn]] void failRow(const std::string& what) const;

  std::unique_ptr<RowSource> rows_;
  Diagnostics& diagnostics_;
  Layout layout_ = Layout::Long;
  bool decimalComma_ = false;
  bool holdsNumbers_ = false;  // the source hands over numbers as well as text
  bool latin1_ = false;  // the file is not UTF-8
  std::vector<std::string> header_;
  std::size_t headerWidth_ = 0;  // up to the last named column
  int sampleColumn_ = -1;
  int mineralColumn_ = -1;
  int descriptionColumn_ = -1;
  int positionColumn_ = -1;
  std::vector<Column> columns_;
  std::vector<std::vector<Column>> slotColumns_;  // [slot + 1]: the columns of each slot

  std::vector<std::string_view> cells_;  // the current row, as its source shows it
  std::vector<std::string> converted_;    // its Latin-1 cells as UTF-8
  long row_ = 0;                    // its number
  bool ended_ = false;
  long dataRows_ = 0;
  std::string previousSample_;  // of the row above (long tables)
  std::vector<std::pair<std::string, int>> mineralSlots_;
};

// True when `text` is valid UTF-8.
bool isUtf8(std::string_view text);
// Latin-1 bytes as UTF-8.
std::string latin1ToUtf8(std::string_view text);
// Without a trailing reference tag of a compilation, "CIM15-001 [19973]".
std::string_view withoutReferenceTag(std::string_view text);

}  // namespace mantlept::tables
