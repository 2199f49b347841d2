#pragma once
// Rows of one sheet of an .xlsx workbook. The sheet's XML is streamed out of
// the archive and parsed one row at a time, so memory stays flat however long
// the sheet is; every part is capped by the bytes it actually inflates to, and
// what a part can make the reader hold is capped too: the shared strings in
// all, the cells and text of one row, the markup expat holds at once.
// Cells are placed by their reference ("C4"): omitted cells read as "" and
// omitted rows keep their numbers. A cell given twice, a reference outside the
// sheet's columns, a row out of order, a formula without a stored value, a
// boolean and an error cell are TableErrors naming the cell.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/row_source.hpp"

namespace mantlept::tables {

// Fills up to `size` bytes at `to`; 0 at the end. May throw TableError.
using ByteSource = std::function<std::size_t(char* to, std::size_t size)>;

// The workbook's shared strings, kept in blocks of text that never move (no
// doubling copy as they grow). A string is at most kMaxCellBytes long.
class SharedStrings {
 public:
  void add(std::string_view text);
  std::size_t size() const { return count_; }
  // The bytes held: the blocks of text and of the strings' places.
  std::size_t memory() const {
    return blocks_.size() * kTextBlock + places_.size() * kPlaceBlock * sizeof(std::string_view);
  }
  // memory() once a string of `bytes` is added.
  std::size_t memoryAfter(std::size_t bytes) const {
    return memory() + (bytes > 0 && blockUsed_ + bytes > kTextBlock ? kTextBlock : 0) +
           (count_ % kPlaceBlock == 0 ? kPlaceBlock * sizeof(std::string_view) : 0);
  }
  std::string_view operator[](std::size_t i) const {
    return places_[i / kPlaceBlock][i % kPlaceBlock];
  }

 private:
  static constexpr std::size_t kTextBlock = std::size_t{1} << 20;
  static constexpr std::size_t kPlaceBlock = 4096;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t blockUsed_ = kTextBlock;  // of the last block (full: none yet)
  std::vector<std::unique_ptr<std::string_view[]>> places_;
  std::size_t count_ = 0;
};

// Limits a sheet must keep: the columns a spreadsheet has (A to XFD), its rows,
// the text of one cell and of one row, and the inflated size of one part.
inline constexpr int kMaxSheetColumns = 16384;
inline constexpr long kMaxSheetRows = 1048576;
inline constexpr std::size_t kMaxCellBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxRowBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxPartBytes = std::size_t{1} << 30;
inline constexpr std::size_t kMaxSharedBytes = std::size_t{64} << 20;  // SharedStrings::memory

// Reads the shared-string part (`part` names it in messages) from `read`.
// TableError naming `fileName` when it is not well-formed or too large.
void readSharedStrings(const ByteSource& read, SharedStrings& out, const std::string& fileName,
                       const std::string& part);

// The rows of one worksheet part, parsed as its bytes arrive from `read`.
class SheetRows {
 public:
  SheetRows(ByteSource read, const SharedStrings& shared, std::string fileName, std::string part);
  ~SheetRows();
  SheetRows(const SheetRows&) = delete;
  SheetRows& operator=(const SheetRows&) = delete;

  // The next row's cells, placed by their column; false at the end of the sheet.
  bool next(std::vector<std::string>& cells, long& rowNumber);

  struct Parser;

 private:
  std::unique_ptr<Parser> parser_;
};

class XlsxReader : public RowSource {
 public:
  // Opens the sheet named `sheet` (the first sheet when empty). TableError
  // when the file is not a readable workbook or has no such sheet (the
  // message lists the sheets).
  XlsxReader(const std::string& path, const std::string& sheet);
  // The same for a workbook held in memory (read from a pipe), named `name`.
  XlsxReader(std::string bytes, const std::string& name, const std::string& sheet);
  ~XlsxReader() override;

  bool next(std::vector<std::string>& cells) override;
  long rowNumber() const override { return row_; }
  const std::string& fileName() const override { return fileName_; }

  // The names of the workbook's sheets, in order.
  const std::vector<std::string>& sheetNames() const { return sheetNames_; }

 private:
  void open(const std::string& sheet);
  struct Parsed;
  std::unique_ptr<Parsed> parsed_;
  std::string fileName_;
  std::vector<std::string> sheetNames_;
  long row_ = 0;
  std::size_t width_ = 0;  // cells of the first row: later rows are padded to it
};

}  // namespace mantlept::tables
