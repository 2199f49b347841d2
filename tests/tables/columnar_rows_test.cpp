// A table held column by column, as a data frame holds it: numbers taken as
// numbers give the associations, notes and errors of the same table as text.
#include "tables/columnar_rows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "run/analysis_input.hpp"
#include "tables/open_table.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {
namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// Every oxide of every present mineral at full precision, and the name.
std::string describe(const Association& a) {
  std::string text = a.sample + "|" + std::string(trim(a.info.descriptionText())) + "|";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!a.present[static_cast<std::size_t>(slot)]) continue;
    text += " slot" + std::to_string(slot) + ":";
    for (int k = 0; k < OxideValues::kCount; ++k) {
      char v[40];
      std::snprintf(v, sizeof v, " %.9g",
                    static_cast<double>(a.ox[static_cast<std::size_t>(slot)][k]));
      text += v;
    }
  }
  return text;
}

struct Read {
  std::vector<std::string> associations;
  std::string notes;
};

Read readAll(std::unique_ptr<RowSource> rows) {
  std::unique_ptr<AnalysisInput> input = tableAnalyses(std::move(rows));
  Read r;
  Association a;
  while (input->next(a)) r.associations.push_back(describe(a));
  std::ostringstream notes;
  input->report(notes, false);
  r.notes = notes.str();
  return r;
}

// The columns of a text table, a column of numbers (strtod, empty = NaN)
// wherever every cell is a plain number or empty, as a data frame reader
// would make them.
struct Columns {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> text;
  std::vector<std::vector<double>> numbers;  // empty for a text column
  std::size_t rows = 0;
};

Columns columnsOf(const std::string& path) {
  Columns t;
  auto src = openTable(path, "");
  std::vector<std::string> cells;
  src->next(t.header);
  t.text.resize(t.header.size());
  while (src->next(cells)) {
    cells.resize(t.header.size());
    for (std::size_t c = 0; c < cells.size(); ++c) t.text[c].push_back(cells[c]);
    ++t.rows;
  }
  for (const auto& column : t.text) {
    std::vector<double> numbers;
    for (const std::string& cell : column) {
      char* end = nullptr;
      double v = cell.empty() ? kEmpty : std::strtod(cell.c_str(), &end);
      if (!cell.empty() && *end != '\0') {
        numbers.clear();
        break;
      }
      numbers.push_back(v);
    }
    t.numbers.push_back(numbers.size() == t.rows ? numbers : std::vector<double>{});
  }
  return t;
}

std::unique_ptr<ColumnarRows> held(const Columns& t, ColumnarRows::NumberText shown) {
  auto rows = std::make_unique<ColumnarRows>("DataFrame", t.rows, shown);
  for (std::size_t c = 0; c < t.header.size(); ++c) {
    if (t.numbers[c].empty()) {
      rows->addText(t.header[c], t.text[c]);
    } else {
      rows->addNumbers(t.header[c], t.numbers[c].data());
    }
  }
  return rows;
}

TEST(ColumnarRows, NumbersReadAsNumbersGiveTheAssociationsOfTheText) {
  const Columns t = columnsOf(MANTLEPT_SOURCE_DIR "/examples/xenoliths.csv");
  int numeric = 0;
  for (const auto& n : t.numbers) numeric += n.empty() ? 0 : 1;
  ASSERT_GT(numeric, 40);  // most oxide columns go over as numbers
  const Read text = readAll(openTable(MANTLEPT_SOURCE_DIR "/examples/xenoliths.csv", ""));
  for (auto shown : {ColumnarRows::NumberText::Marker, ColumnarRows::NumberText::Shortest}) {
    const Read columns = readAll(held(t, shown));
    EXPECT_EQ(columns.associations, text.associations);
    EXPECT_EQ(columns.notes, text.notes);
  }
}

TEST(ColumnarRows, CellsAndErrorsOfHeldNumbers) {
  // One wide sample: an interleaved pair of numeric columns (stride 2).
  const double opx[] = {57.5, 0.82, 55.0, -0.01, 1e7, kEmpty};
  std::vector<std::string> names = {"A", "B", "C"};
  auto make = [&](ColumnarRows::NumberText shown, std::size_t count = 3) {
    auto rows = std::make_unique<ColumnarRows>("DataFrame", count, shown);
    rows->addText("Sample", std::vector<std::string>(names.begin(), names.begin() + count));
    rows->addNumbers("SiO2_Opx", opx, 2);
    rows->addNumbers("Al2O3_Opx", opx + 1, 2);
    return rows;
  };
  {
    auto rows = make(ColumnarRows::NumberText::Shortest);
    std::vector<std::string> cells;
    std::vector<std::vector<std::string>> seen;
    while (rows->next(cells)) seen.push_back(cells);
    const std::vector<std::vector<std::string>> expected = {
        {"Sample", "SiO2_Opx", "Al2O3_Opx"},
        {"A", "57.5", "0.82"},
        {"B", "55", "-0.01"},
        {"C", "10000000", ""}};
    EXPECT_EQ(seen, expected);
    double v = 0;
    EXPECT_FALSE(rows->number(0, v));  // text
    ASSERT_TRUE(rows->number(2, v));
    EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(rows->rowNumber(), 4);
  }
  // A float-exact number shows as calc writes it, another as itself.
  const double results[] = {static_cast<double>(1234.5677f), 1234.5677};
  ColumnarRows shown("DataFrame", 2, ColumnarRows::NumberText::Shortest);
  shown.addNumbers("T_C", results);
  std::vector<std::string> cells;
  shown.next(cells);
  shown.next(cells);
  EXPECT_EQ(cells[0], "1234.5677");
  shown.next(cells);
  EXPECT_EQ(cells[0], "1234.5677");
  EXPECT_FALSE(shown.next(cells));

  // Row 3 holds -0.01 Al2O3, read as 0 (below detection) with a note; row 4
  // holds 1e7 SiO2, more than a whole analysis.
  {
    std::unique_ptr<AnalysisInput> input = tableAnalyses(make(ColumnarRows::NumberText::Marker, 2));
    Association a;
    ASSERT_TRUE(input->next(a));
    EXPECT_FLOAT_EQ(a.ox[Opx][0], 57.5f);
    EXPECT_FLOAT_EQ(a.ox[Opx][2], 0.82f);
    ASSERT_TRUE(input->next(a));
    EXPECT_EQ(a.ox[Opx][2], 0.0f);
    std::ostringstream notes;
    input->report(notes, false);
    EXPECT_NE(notes.str().find("negative"), std::string::npos) << notes.str();
  }
  // The rows stream: the two before the faulty one come first.
  std::unique_ptr<AnalysisInput> input = tableAnalyses(make(ColumnarRows::NumberText::Marker));
  Association a;
  int given = 0;
  try {
    while (input->next(a)) ++given;
    FAIL() << "1e7 wt% read";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(),
                 "mantlept: DataFrame, row 4, column B (\"SiO2_Opx\"): \"10000000\" is above 100 wt% "
                 "(SiO2)");
  }
  EXPECT_EQ(given, 2);
}

}  // namespace
}  // namespace mantlept::tables
