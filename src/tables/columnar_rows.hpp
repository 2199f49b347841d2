#pragma once
// A table held in memory column by column, as a data frame holds it: text
// columns as strings, numeric columns as numbers that the table readers take
// as they are, without writing them as text and reading them back.
#include <cstddef>
#include <string>
#include <vector>

#include "tables/row_source.hpp"

namespace mantlept::tables {

class ColumnarRows final : public RowSource {
 public:
  // What a numeric cell shows as text: a marker that only says whether the
  // cell is empty (for readers that take the number), or the number itself.
  enum class NumberText { Marker, Shortest };

  // `name` names the table in messages; `rows` is the count of data rows.
  ColumnarRows(std::string name, std::size_t rows, NumberText numberText = NumberText::Marker);

  // Columns in order. A text column holds one string per row (empty: an empty
  // cell); a numeric column `rows` doubles at `values`, `stride` doubles
  // apart, NaN for an empty cell. The numbers stay the caller's and must
  // outlive the source.
  void addText(std::string header, std::vector<std::string> cells);
  void addNumbers(std::string header, const double* values, std::ptrdiff_t stride = 1);

  bool next(std::vector<std::string>& cells) override;
  long rowNumber() const override { return static_cast<long>(row_); }
  const std::string& fileName() const override { return name_; }
  bool number(std::size_t column, double& value) const override;
  bool holdsNumbers() const override { return true; }

 private:
  struct Column {
    std::string header;
    std::vector<std::string> text;
    const double* numbers = nullptr;  // null for a text column
    std::ptrdiff_t stride = 1;
  };

  std::string name_;
  std::size_t rows_;
  NumberText numberText_;
  std::vector<Column> columns_;
  std::size_t row_ = 0;  // rows returned so far, the header first
};

}  // namespace mantlept::tables
