#pragma once
// Associations read from a table of analyses, one at a time. Two layouts are
// recognised from the header:
//  - long: one row per mineral analysis, with a sample column, a mineral
//    column and oxide columns; consecutive rows with one sample name are one
//    association;
//  - wide: one row per sample, with oxide columns suffixed by their mineral
//    ("SiO2_Opx", "FeOt_Gt"); a mineral whose cells are all empty or zero is
//    not present.
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "minerals/association.hpp"
#include "tables/diagnostics.hpp"
#include "tables/row_source.hpp"

namespace mantlept::tables {

class AssociationTable {
 public:
  enum class Layout { Long, Wide };

  // Reads and checks the header; TableError when the table is empty or its
  // columns do not make a table of analyses.
  AssociationTable(std::unique_ptr<RowSource> rows, Diagnostics& diagnostics);
  ~AssociationTable();

  // The next association; false at the end. Throws TableError.
  bool next(Association& a);

  Layout layout() const { return layout_; }

 private:
  struct Column {
    int index;
    int slot;  // -1 in a long table
    int oxide;
    double factor;
    bool nickelPpm;
  };

  bool readRow();  // the next row that is not blank, checked against the header
  // `read` (when given) receives the number of a cell above 0 as written.
  Real value(int column, int oxide, double factor, double* read = nullptr);
  // True when any is not zero; niPpm: Ni of a ppm column as written, else 0.
  bool readOxides(int slot, OxideValues& ox, double& niPpm);
  std::string sampleOf();
  bool nextLong(Association& a);
  bool nextWide(Association& a);
  [[noreturn]] void fail(const std::string& what) const;

  std::unique_ptr<RowSource> rows_;
  Diagnostics& diagnostics_;
  Layout layout_ = Layout::Long;
  bool decimalComma_ = false;
  std::vector<std::string> header_;
  std::size_t headerWidth_ = 0;  // up to the last named column
  int sampleColumn_ = -1;
  int mineralColumn_ = -1;
  int descriptionColumn_ = -1;
  std::vector<Column> columns_;

  std::vector<std::string> cells_;  // the current row
  long row_ = 0;                    // its number
  bool pending_ = false;            // cells_ is a row not yet used (long tables)
  bool ended_ = false;
  long dataRows_ = 0;
  std::unordered_set<std::string> seen_;  // sample names met so far (long tables)
};

}  // namespace mantlept::tables
