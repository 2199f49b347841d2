#pragma once
// Rows of one sheet of an .xlsx workbook. The sheet's XML is held while it is
// read (workbooks of analyses are small); only the current row's cells are
// handed out. Omitted cells read as "" and omitted rows keep their numbers.
#include <memory>
#include <string>
#include <vector>

#include "tables/row_source.hpp"

namespace mantlept::tables {

class XlsxReader : public RowSource {
 public:
  // Opens the sheet named `sheet` (the first sheet when empty). TableError
  // when the file is not a readable workbook or has no such sheet (the
  // message lists the sheets).
  XlsxReader(const std::string& path, const std::string& sheet);
  ~XlsxReader() override;

  bool next(std::vector<std::string>& cells) override;
  long rowNumber() const override { return row_; }
  const std::string& fileName() const override { return fileName_; }

  // The names of the workbook's sheets, in order.
  const std::vector<std::string>& sheetNames() const { return sheetNames_; }

 private:
  struct Parsed;
  std::unique_ptr<Parsed> parsed_;
  std::string fileName_;
  std::vector<std::string> sheetNames_;
  long row_ = 0;
  std::size_t width_ = 0;  // cells of the first row: later rows are padded to it
};

}  // namespace mantlept::tables
