#pragma once
// Rows of cells from a delimited text table or a workbook sheet, read one at a
// time so that memory does not grow with the table.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mantlept::tables {

// A table that cannot be read; the message names the file, and the row and
// column where there is one.
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RowSource {
 public:
  virtual ~RowSource() = default;
  // The next row's cells (the header is the first row); false at the end.
  // Throws TableError.
  virtual bool next(std::vector<std::string>& cells) = 0;
  // The same row as views of its cells, valid until the next row is asked
  // for: a source that holds the row's text hands them out without a copy.
  virtual bool nextViews(std::vector<std::string_view>& cells) {
    if (!next(held_)) {
      cells.clear();
      return false;
    }
    cells.assign(held_.begin(), held_.end());
    return true;
  }
  // Row number of the row returned last, 1-based as a spreadsheet shows it.
  virtual long rowNumber() const = 0;
  // The file name, for messages.
  virtual const std::string& fileName() const = 0;
  // The delimiter of a text table (',', ';' or '\t'); 0 for a workbook.
  virtual char delimiter() const { return 0; }
  // The number held in cell `column` of the row returned last, for a source
  // that keeps numbers rather than text (a data frame's numeric columns); NaN
  // for an empty cell. False when the cell is text: read `cells` then.
  virtual bool number(std::size_t column, double& value) const {
    (void)column, (void)value;
    return false;
  }
  // True when `number` may hold numbers at all (false: every cell is text).
  virtual bool holdsNumbers() const { return false; }
  // True when the row returned last is known to be ASCII text throughout
  // (no cell to check for Latin-1 or UTF-8).
  virtual bool rowIsAscii() const { return false; }

 private:
  std::vector<std::string> held_;  // the row the views show, for a source that copies
};

}  // namespace mantlept::tables
