// Rows of delimited text and of .xlsx sheets, and telling the inputs apart.
#include <gtest/gtest.h>

#include <sstream>

#include "table_files.hpp"
#include "tables/delimited_reader.hpp"
#include "tables/open_table.hpp"
#include "tables/xlsx_reader.hpp"

namespace mantlept::tables {
namespace {

using namespace testing;
using Rows = std::vector<std::vector<std::string>>;

Rows readAll(RowSource& source, std::vector<long>* numbers = nullptr) {
  Rows rows;
  std::vector<std::string> cells;
  while (source.next(cells)) {
    rows.push_back(cells);
    if (numbers) numbers->push_back(source.rowNumber());
  }
  return rows;
}

TEST(DelimitedReader, QuotingLineEndsAndDelimiters) {
  const std::string longCell(10000, 'x');
  struct Case {
    std::string text;
    char delimiter;
    Rows rows;
  } cases[] = {
      {"a,b\n1,2\n", ',', {{"a", "b"}, {"1", "2"}}},
      {"\xEF\xBB\xBFSample;SiO2\r\nA;57,62\r\n", ';', {{"Sample", "SiO2"}, {"A", "57,62"}}},
      {"a\tb,c\td\n1\t2,3", '\t', {{"a", "b,c", "d"}, {"1", "2,3"}}},
      {"\"a,b;c\";d;e\n", ';', {{"a,b;c", "d", "e"}}},
      {"a,b\n\"say \"\"hi\"\"\",\"two\r\nlines\"\n",
       ',',
       {{"a", "b"}, {"say \"hi\"", "two\r\nlines"}}},
      {"a,b,\n,,\n", ',', {{"a", "b", ""}, {"", "", ""}}},
      {"n,v\n" + longCell + ",1\n", ',', {{"n", "v"}, {longCell, "1"}}},
      {std::string(70000, 'y') + ";a\n1;2", ';', {{std::string(70000, 'y'), "a"}, {"1", "2"}}},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    DelimitedReader reader(in, "t.csv");
    EXPECT_EQ(readAll(reader), c.rows) << c.text.substr(0, 40);
    EXPECT_EQ(reader.delimiter(), c.delimiter) << c.text.substr(0, 40);
  }
}

TEST(DelimitedReader, RowNumbersCountRecordsAndPeekedBytesComeFirst) {
  std::istringstream in("e\n1,\"x\ny\"\n2,z\n");
  DelimitedReader reader(in, "-", "Sample,Nam");
  std::vector<long> numbers;
  Rows rows = readAll(reader, &numbers);
  EXPECT_EQ(rows, (Rows{{"Sample", "Name"}, {"1", "x\ny"}, {"2", "z"}}));
  EXPECT_EQ(numbers, (std::vector<long>{1, 2, 3}));
}

TEST(DelimitedReader, UnclosedQuoteNamesItsRow) {
  std::istringstream in("a,b\n1,2\n3,\"open\n");
  DelimitedReader reader(in, "t.csv");
  std::vector<std::string> cells;
  reader.next(cells);
  reader.next(cells);
  try {
    reader.next(cells);
    FAIL();
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(),
                 "mantlept: t.csv, row 3: a quoted cell is not closed before the end of the file");
  }
}

TEST(XlsxReader, SharedInlineAndOmittedCells) {
  std::vector<std::string> shared = {"Sample", "<si><r><t>Si</t></r><r><t>O2</t></r></si>", "KX-1"};
  std::string rows =
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"s\"><v>1</v></c></row>"
      "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>2</v></c><c r=\"C4\"><v>57.619999999999997</v></c>"
      "</row>"
      "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><t>KX-2</t></is></c>"
      "<c r=\"B5\" t=\"str\"><f>1+1</f><v>2</v></c><c r=\"C5\" t=\"b\"><v>1</v></c></row>";
  std::string path = writeWorkbook("cells.xlsx", {{"Data", rows}}, shared);
  XlsxReader reader(path, "");
  std::vector<long> numbers;
  EXPECT_EQ(readAll(reader, &numbers),
            (Rows{{"Sample", "", "SiO2"}, {"KX-1", "", "57.619999999999997"}, {"KX-2", "2", "1"}}));
  EXPECT_EQ(numbers, (std::vector<long>{1, 4, 5}));
}

TEST(XlsxReader, SheetChoiceAndBadWorkbooks) {
  std::vector<std::string> shared;
  std::string path = writeWorkbook("sheets.xlsx",
                                   {{"Notes", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"},
                                    {"Garnets", "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>"}},
                                   shared);
  EXPECT_EQ(readAll(*openTable(path, "")), (Rows{{"1"}}));
  EXPECT_EQ(readAll(*openTable(path, "Garnets")), (Rows{{"2"}}));

  std::ifstream whole(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  std::string truncated = writeFile("truncated.xlsx", bytes.substr(0, bytes.size() / 2));
  std::string textNamedXlsx = writeFile("text.xlsx", "Sample,SiO2\nA,1\n");
  struct Case {
    std::string path, sheet, message;
  } cases[] = {
      {path, "Olivines",
       "mantlept: " + path + ": no sheet \"Olivines\"; the workbook has \"Notes\", \"Garnets\""},
      {truncated, "", "mantlept: " + truncated + ": not a readable .xlsx workbook ("},
      {textNamedXlsx, "", "mantlept: " + textNamedXlsx + ": not a readable .xlsx workbook ("},
  };
  for (const Case& c : cases) {
    try {
      openTable(c.path, c.sheet);
      ADD_FAILURE() << c.path;
    } catch (const TableError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with(c.message)) << e.what();
    }
  }
}

TEST(InputKind, FromTheFirstBytes) {
  std::string fixed =
      "KX-101  E          57.62    0.31    0.99    0.33    5.17    0.12   34.25"
      "    1.24    0.32    0.00    0.13    0.00";
  ASSERT_EQ(fixed.size(), 112u);
  struct Case {
    std::string start;
    InputKind kind;
  } cases[] = {
      {"Sample,Mineral,SiO2,MgO\n", InputKind::Table},
      {"\xEF\xBB\xBF\"Sample ID\";FeOt_Gt\r\n", InputKind::Table},
      {"Name\tCr2O3_Sp\n", InputKind::Table},
      {"SiO2_Opx,TiO2_Opx\n", InputKind::Table},
      {"Lab,Date,Operator\n", InputKind::FixedColumn},
      {fixed + "\n", InputKind::FixedColumn},
      {"KX,101  E       57.62    0.31,   0.99\n", InputKind::FixedColumn},
      {fixed.substr(0, 112) + "sample, SiO2, MgO by probe\n", InputKind::FixedColumn},
      {std::string("PK\x03\x04\x14\x00", 6), InputKind::Workbook},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detectInputKind(std::string_view(c.start)), c.kind) << c.start;
}

}  // namespace
}  // namespace mantlept::tables
