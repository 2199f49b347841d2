#pragma once
// Between pandas data frames and the tables of the engine: a data frame held
// column by column for the table readers (numeric columns as numbers), tidy
// CSV text turned into a data frame of typed columns, and the program's notes
// as Python warnings.
#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/analysis_input.hpp"
#include "tables/columnar_rows.hpp"

namespace mantlept::python {

namespace py = pybind11;

// A data frame's columns held for a table reader, and the arrays its numeric
// columns point into (kept alive as long as the rows).
struct HeldFrame {
  std::vector<py::object> arrays;
  std::unique_ptr<tables::ColumnarRows> rows;
};

bool isDataFrame(py::handle object);

// Holds `frame`. With NumberText::Marker the columns that name a sample,
// mineral or description are text whatever their type (analyses); otherwise
// every numeric column is numbers.
HeldFrame holdFrame(py::handle frame, tables::ColumnarRows::NumberText shown);

// What calc and grains read: a data frame, a path, or a list of paths (joined
// by sample as the commands join several files). Throws ValueError or the
// readers' errors.
struct OpenedData {
  HeldFrame frame;  // keeps a data frame's arrays alive
  std::unique_ptr<AnalysisInput> input;
};
OpenedData openData(py::handle data, const std::string& sheet, const AnalysisOptions& options);

// The ferric rule: None, False or "none"; True or "dialogue"; "charge-balance"
// (ValueError otherwise).
int ferricOf(py::handle rule);

// "core", "rim" or "all" (ValueError otherwise).
tables::RimCore rimCoreOf(const std::string& text);

// The columns of tidy CSV rows: text as str, `converged` as bool, method
// numbers and passes as int64, every other number as float64 (NaN for an
// empty cell); a column of unknown name is float64 when every cell is a
// number or empty, str otherwise. Needs no interpreter until frame().
class TidyColumns {
 public:
  // `tidy`: calc's columns, typed by name; otherwise (the rows of grains) the
  // named text columns are text and every other column float64 when its cells
  // are numbers, read in double precision.
  explicit TidyColumns(std::string_view header, bool tidy = true);
  // Complete lines of CSV text.
  void addRows(std::string_view text);
  std::size_t rowCount() const { return rows_; }
  // The data frame (needs the interpreter).
  py::object frame() const;

 private:
  enum class Kind { Text, Bool, Int, Float, Unknown };
  struct Column {
    std::string name;
    Kind kind;
    std::vector<std::string> text;  // Text, Unknown
    std::vector<double> numbers;    // Float
    std::vector<long long> whole;   // Int
    std::vector<bool> flags;        // Bool
  };
  void addCell(std::size_t column, std::string_view cell);
  std::vector<Column> columns_;
  std::size_t rows_ = 0;
};

// Each line of `text` as a warning (category UserWarning).
void warnLines(const std::string& text);

}  // namespace mantlept::python
