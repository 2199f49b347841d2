#include "frames.hpp"

#include <pybind11/numpy.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

#include "tables/column_names.hpp"
#include "tables/row_source.hpp"

namespace mantlept::python {

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// The text of one cell of a column of objects; empty for None, NaN and pandas' NA.
std::string cellText(py::handle cell, py::handle isna) {
  if (cell.is_none()) return {};
  if (PyUnicode_Check(cell.ptr())) return cell.cast<std::string>();
  if (PyFloat_Check(cell.ptr())) {
    double v = PyFloat_AsDouble(cell.ptr());
    if (std::isnan(v)) return {};
    return py::repr(cell).cast<std::string>();  // the shortest text of the number
  }
  if (PyLong_Check(cell.ptr())) return py::str(cell).cast<std::string>();
  if (isna(cell).cast<bool>()) return {};
  return py::str(cell).cast<std::string>();
}

// A column read as numbers: numeric and not boolean.
bool numericColumn(py::handle series, py::handle types) {
  py::object dtype = series.attr("dtype");
  return types.attr("is_numeric_dtype")(dtype).cast<bool>() &&
         !types.attr("is_bool_dtype")(dtype).cast<bool>() &&
         !types.attr("is_complex_dtype")(dtype).cast<bool>();
}

}  // namespace

bool isDataFrame(py::handle object) {
  py::object frameType = py::module_::import("pandas").attr("DataFrame");
  return py::isinstance(object, frameType);
}

HeldFrame holdFrame(py::handle frame, tables::ColumnarRows::NumberText shown) {
  py::module_ np = py::module_::import("numpy");
  py::module_ pd = py::module_::import("pandas");
  py::object types = pd.attr("api").attr("types");
  py::object isna = pd.attr("isna");
  py::object float64 = np.attr("float64");
  const auto rowCount = py::len(frame.attr("index"));
  HeldFrame held;
  held.rows = std::make_unique<tables::ColumnarRows>("DataFrame", rowCount, shown);
  py::object columns = frame.attr("columns");
  py::object iloc = frame.attr("iloc");
  const auto count = py::len(columns);
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = py::str(columns[py::int_(i)]).cast<std::string>();
    py::object series = iloc[py::make_tuple(py::slice(py::none(), py::none(), py::none()), i)];
    const auto meaning = tables::columnMeaning(name).kind;
    const bool names = meaning == tables::ColumnMeaning::Sample ||
                       meaning == tables::ColumnMeaning::Mineral ||
                       meaning == tables::ColumnMeaning::Description;
    const bool textWanted = shown == tables::ColumnarRows::NumberText::Marker && names;
    if (!textWanted && numericColumn(series, types)) {
      // numpy columns as they are (a view for float64); pandas' nullable
      // columns with NaN for their missing values.
      py::object values =
          types.attr("is_extension_array_dtype")(series.attr("dtype")).cast<bool>()
              ? series.attr("to_numpy")(py::arg("dtype") = float64, py::arg("na_value") = kEmpty)
              : np.attr("asarray")(series.attr("values"), py::arg("dtype") = float64);
      auto array = py::array_t<double, py::array::forcecast>::ensure(values);
      if (!array || array.ndim() != 1 || array.strides(0) % static_cast<py::ssize_t>(sizeof(double)) != 0)
        array = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
      held.rows->addNumbers(name, array.data(), array.strides(0) / static_cast<py::ssize_t>(sizeof(double)));
      held.arrays.push_back(array);
      continue;
    }
    py::object objects = series.attr("to_numpy")(py::arg("dtype") = py::dtype("O"));
    std::vector<std::string> cells;
    cells.reserve(rowCount);
    for (py::handle cell : objects) cells.push_back(cellText(cell, isna));
    held.rows->addText(name, std::move(cells));
  }
  return held;
}

TidyColumns::TidyColumns(std::string_view header, bool tidy) {
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = header.find(',', start);
    std::string name(header.substr(start, comma - start));
    Kind kind = Kind::Unknown;
    if (name == "sample" || name == "thermometer_label" || name == "barometer_label" ||
        name == "status" || name == "flags" || name == "class" || name == "in_diamond_window")
      kind = Kind::Text;
    else if (!tidy)
      kind = Kind::Unknown;
    else if (name == "converged")
      kind = Kind::Bool;
    else if (name == "thermometer" || name == "barometer" || name == "oxybarometer" ||
             name == "passes")
      kind = Kind::Int;
    else if (name == "T_C" || name == "P_kbar" || name == "fO2" || name == "TP_corr" ||
             name == "mc_ok" || name.starts_with("T_C_") || name.starts_with("P_kbar_") ||
             name.starts_with("fO2_"))
      kind = Kind::Float;
    columns_.push_back({std::move(name), kind, {}, {}, {}, {}});
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
}

void TidyColumns::addCell(std::size_t column, std::string_view cell) {
  if (column >= columns_.size())
    throw std::runtime_error("mantlept: a tidy row has more cells than its header");
  Column& c = columns_[column];
  switch (c.kind) {
    case Kind::Text:
    case Kind::Unknown:
      c.text.emplace_back(cell);
      return;
    case Kind::Bool:
      c.flags.push_back(cell == "true");
      return;
    case Kind::Int: {
      long long v = 0;
      std::from_chars(cell.data(), cell.data() + cell.size(), v);
      c.whole.push_back(v);
      return;
    }
    case Kind::Float: {
      // The shortest text of a single-precision value reads back to it exactly.
      float v = 0;
      auto r = std::from_chars(cell.data(), cell.data() + cell.size(), v);
      c.numbers.push_back(cell.empty() || r.ec != std::errc() ? kEmpty : static_cast<double>(v));
      return;
    }
  }
}

void TidyColumns::addRows(std::string_view text) {
  std::string cell;
  std::size_t column = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (quoted) {
      if (ch != '"') {
        cell += ch;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      addCell(column++, cell);
      cell.clear();
    } else if (ch == '\n') {
      addCell(column, cell);
      if (column + 1 != columns_.size())
        throw std::runtime_error("mantlept: a tidy row has fewer cells than its header");
      cell.clear();
      column = 0;
      ++rows_;
    } else {
      cell += ch;
    }
  }
}

py::object TidyColumns::frame() const {
  py::module_ np = py::module_::import("numpy");
  py::dict data;
  py::list order;
  for (const Column& c : columns_) {
    py::str name(c.name);
    order.append(name);
    switch (c.kind) {
      case Kind::Float:
        data[name] = py::array_t<double>(static_cast<py::ssize_t>(c.numbers.size()), c.numbers.data());
        break;
      case Kind::Int:
        data[name] = py::array_t<long long>(static_cast<py::ssize_t>(c.whole.size()), c.whole.data());
        break;
      case Kind::Bool: {
        py::array_t<bool> flags(static_cast<py::ssize_t>(c.flags.size()));
        auto f = flags.mutable_unchecked<1>();
        for (std::size_t i = 0; i < c.flags.size(); ++i) f(static_cast<py::ssize_t>(i)) = c.flags[i];
        data[name] = flags;
        break;
      }
      case Kind::Unknown: {
        // Numbers when every cell reads as one.
        std::vector<double> numbers;
        for (const std::string& t : c.text) {
          double v = 0;
          auto r = std::from_chars(t.data(), t.data() + t.size(), v);
          if (t.empty()) {
            numbers.push_back(kEmpty);
          } else if (r.ec == std::errc() && r.ptr == t.data() + t.size()) {
            numbers.push_back(v);
          } else {
            break;
          }
        }
        if (!numbers.empty() && numbers.size() == c.text.size()) {
          data[name] = py::array_t<double>(static_cast<py::ssize_t>(numbers.size()), numbers.data());
          break;
        }
        [[fallthrough]];
      }
      case Kind::Text: {
        // One str per distinct text of the column (labels, statuses repeat).
        std::unordered_map<std::string_view, py::object> seen;
        py::list cells(c.text.size());
        for (std::size_t i = 0; i < c.text.size(); ++i) {
          auto found = seen.find(c.text[i]);
          if (found == seen.end()) found = seen.emplace(c.text[i], py::str(c.text[i])).first;
          cells[i] = found->second;
        }
        data[name] = cells;
        break;
      }
    }
  }
  return py::module_::import("pandas").attr("DataFrame")(data, py::arg("columns") = order);
}

void warnLines(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 1) != 0) throw py::error_already_set();
  }
}

}  // namespace mantlept::python
