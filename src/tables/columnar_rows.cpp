#include "tables/columnar_rows.hpp"

#include <cmath>

#include "core/number_text.hpp"

#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

// Text of a numeric cell: the number, or, when float precision holds it
// exactly (a result of calc), the shortest text of that float, as calc
// writes it.
std::string shortestText(double value) {
  const auto single = static_cast<float>(value);
  if (static_cast<double>(single) == value) {
    std::string text;
    appendShortestFixed(text, single);
    return text;
  }
  return numberText(value);
}

}  // namespace

ColumnarRows::ColumnarRows(std::string name, std::size_t rows, NumberText numberText)
    : name_(std::move(name)), rows_(rows), numberText_(numberText) {}

void ColumnarRows::addText(std::string header, std::vector<std::string> cells) {
  if (cells.size() != rows_)
    throw TableError("mantlept: " + name_ + ": column \"" + printable(header) + "\" has " +
                     std::to_string(cells.size()) + " cells, the table " +
                     std::to_string(rows_) + " rows");
  columns_.push_back({std::move(header), std::move(cells), nullptr, 1});
}

void ColumnarRows::addNumbers(std::string header, const double* values, std::ptrdiff_t stride) {
  columns_.push_back({std::move(header), {}, values, stride});
}

bool ColumnarRows::next(std::vector<std::string>& cells) {
  if (row_ > rows_) return false;
  cells.resize(columns_.size());
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const Column& col = columns_[c];
    if (row_ == 0) {
      cells[c] = col.header;
    } else if (col.numbers == nullptr) {
      cells[c] = col.text[row_ - 1];
    } else {
      const double v = col.numbers[static_cast<std::ptrdiff_t>(row_ - 1) * col.stride];
      if (std::isnan(v)) {
        cells[c].clear();
      } else if (numberText_ == NumberText::Marker) {
        cells[c] = "#";
      } else {
        cells[c] = shortestText(v);
      }
    }
  }
  ++row_;
  return true;
}

bool ColumnarRows::number(std::size_t column, double& value) const {
  if (column >= columns_.size() || row_ < 2) return false;
  const Column& col = columns_[column];
  if (col.numbers == nullptr) return false;
  value = col.numbers[static_cast<std::ptrdiff_t>(row_ - 2) * col.stride];
  return true;
}

}  // namespace mantlept::tables
