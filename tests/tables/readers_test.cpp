// Rows of delimited text and of .xlsx sheets, and telling the inputs apart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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
      {"a,b\r1,2\r", ',', {{"a", "b"}, {"1", "2"}}},  // lone CRs, the last at the end
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

// The rules of a delimited row worked out byte by byte, apart from the
// reader: a quote opens a quoted part only at the start of a cell, "" in it
// is a quote, CR, LF and CRLF end a row outside quotes, the end of the text
// ends the last row.
Rows splitByHand(const std::string& text, char delimiter) {
  Rows rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        cell += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(cell);
      rows.push_back(row);
      row.clear();
      cell.clear();
    } else if (c == delimiter) {
      row.push_back(cell);
      cell.clear();
    } else if (c == '"' && cell.empty()) {
      quoted = true;
    } else {
      cell += c;
    }
  }
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
    row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

TEST(DelimitedReader, RowsOfEveryKindReadInPiecesOfAnySize) {
  // Rows of numbers as a wide table has them, some with quotes, line ends of
  // every kind, rows of other widths, a long row crossing several chunks.
  std::string text = "Sample,SiO2_Opx,Al2O3_Opx,Name\n";
  const char* ends[] = {"\n", "\r\n", "\r", "\n"};
  for (int i = 0; i < 400; ++i) {
    text += "s" + std::to_string(i) + "," + std::to_string(50 + i % 9) + "." +
            std::to_string(i % 100) + ",";
    if (i % 7 == 3) text += "\"1,5\"";
    if (i % 11 == 5) text += "\"say \"\"x\"\"\r\nmore\"";
    if (i % 13 == 0) text += ",,,";
    if (i % 17 == 1) text += "a\"b";  // a quote inside a cell is text
    if (i == 200) text += std::string(150000, 'z');
    text += ",n" + std::to_string(i) + ends[i % 4];
  }
  text += "last,1,2,3";  // no line end
  const Rows expected = splitByHand(text, ',');
  ASSERT_EQ(expected.size(), 402u);
  for (std::size_t piece :
       {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 20}) {
    std::size_t at = 0;
    DelimitedReader reader(
        [&](char* to, std::size_t size) {
          const std::size_t n = std::min({size, piece, text.size() - at});
          std::copy_n(text.data() + at, n, to);
          at += n;
          return n;
        },
        "t.csv", "");
    std::vector<long> numbers;
    EXPECT_EQ(readAll(reader, &numbers), expected) << piece;
    ASSERT_EQ(numbers.size(), expected.size());
    EXPECT_EQ(numbers.back(), 402) << piece;
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
      "<c r=\"B5\" t=\"str\"><f>1+1</f><v>2</v></c><c r=\"C5\"><v>1</v></c></row>";
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

TEST(XlsxReader, CellsArePlacedByTheirReference) {
  std::vector<std::string> shared = {"Sample", "SiO2", "MgO"};
  // Row 2 is written right to left; row 3 has one cell without a reference,
  // which follows the cell before it.
  std::string rows =
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
      "<c r=\"C1\" t=\"s\"><v>2</v></c></row>"
      "<row r=\"2\"><c r=\"C2\"><v>40.5</v></c><c r=\"B2\"><v>55.1</v></c>"
      "<c r=\"A2\" t=\"inlineStr\"><is><t>K-1</t></is></c></row>"
      "<row><c r=\"A3\" t=\"inlineStr\"><is><t>K-2</t></is></c><c><v>56</v></c></row>"
      "<row r=\"7\"><c r=\"b7\"><v>57</v></c><c r=\"C7\" t=\"s\" s=\"2\"/></row>";
  std::string path = writeWorkbook("order.xlsx", {{"Data", rows}}, shared);
  XlsxReader reader(path, "");
  std::vector<long> numbers;
  EXPECT_EQ(
      readAll(reader, &numbers),
      (Rows{
          {"Sample", "SiO2", "MgO"}, {"K-1", "55.1", "40.5"}, {"K-2", "56", ""}, {"", "57", ""}}));
  EXPECT_EQ(numbers, (std::vector<long>{1, 2, 3, 7}));
}

TEST(XlsxReader, CellsThatHoldNoValueAreErrorsNamingTheCell) {
  const std::string head =
      "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Sample</t></is></c></row>";
  struct Case {
    std::string row, message;
  } cases[] = {
      {"<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"B2\"><v>2</v></c></row>",
       "cell B2: the cell is given twice"},
      {"<row r=\"2\"><c r=\"A2\"><v>1</v></c><c><v>2</v></c><c r=\"B2\"><v>3</v></c></row>",
       "cell B2: the cell is given twice"},
      {"<row r=\"2\"><c r=\"ZZZZZZZZ2\"><v>1</v></c></row>",
       "cell ZZZZZZZZ2: the reference is outside the sheet's columns (A to XFD)"},
      {"<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>",
       "cell XFE2: the reference is outside the sheet's columns (A to XFD)"},
      {"<row r=\"2\"><c r=\"C9\"><v>1</v></c></row>",
       "cell C9: the reference is not in its row, 2"},
      {"<row r=\"2\"><c r=\"C2\"><f>SUM(A1:B1)</f></c></row>",
       "cell C2: holds a formula without a stored result"},
      {"<row r=\"2\"><c r=\"D2\" t=\"b\"><v>1</v></c></row>",
       "cell D2: holds the logical value TRUE, not a number or text"},
      {"<row r=\"2\"><c r=\"E2\" t=\"e\"><v>#DIV/0!</v></c></row>",
       "cell E2: holds the error #DIV/0!"},
      {"<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", "row 1 comes after row 1"},
      {"<row r=\"0\"><c r=\"A1\"><v>1</v></c></row>", "row number \"0\" is not a row of a sheet"},
      {"<row r=\"2\"><c r=\"A2\" t=\"s\"><v>7</v></c></row>",
       "not a readable .xlsx workbook (cell A2 names shared string \"7\""},
      {"<row r=\"2\"><c r=\"A2\"><v>1</v></row>",
       "not a readable .xlsx workbook (xl/worksheets/sheet1.xml, line 1"},
  };
  std::vector<std::string> shared;
  for (const Case& c : cases) {
    std::string path = writeWorkbook("faults.xlsx", {{"Data", head + c.row}}, shared);
    try {
      XlsxReader reader(path, "");
      readAll(reader);
      ADD_FAILURE() << c.row;
    } catch (const TableError& e) {
      EXPECT_EQ(std::string(e.what()).find("mantlept: " + path), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(XlsxReader, SheetNamesInMessagesShowControlBytesEscaped) {
  std::vector<std::string> shared;
  std::string path = writeWorkbook(
      "names.xlsx", {{"Ol&#9;[2J&#10;vines", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"}},
      shared);
  try {
    XlsxReader reader(path, "Gar\x1b[0mnets");
    ADD_FAILURE();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()), "mantlept: " + path +
                                         ": no sheet \"Gar\\x1b[0mnets\"; the workbook has "
                                         "\"Ol\\x09[2J\\x0avines\"");
  }
  // An escape is no character of XML: the workbook is not well-formed.
  std::string escaped = writeWorkbook(
      "escape.xlsx", {{"Ol&#27;[2J", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"}}, shared);
  try {
    XlsxReader reader(escaped, "Garnets");
    ADD_FAILURE();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()), "mantlept: " + escaped +
                                         ": not a readable .xlsx workbook (xl/workbook.xml, line "
                                         "1: reference to invalid character number)");
  }
}

// The bytes of `xml` in pieces of at most `piece` bytes.
ByteSource inPieces(std::string xml, std::size_t piece) {
  return [xml = std::move(xml), piece, at = std::size_t{0}](char* to, std::size_t size) mutable {
    std::size_t n = std::min({size, piece, xml.size() - at});
    std::copy_n(xml.data() + at, n, to);
    at += n;
    return n;
  };
}

// The rows of a sheet given in pieces of `piece` bytes, each row as its cells
// joined by '|' after its number, or the message the read ends with.
std::vector<std::string> sheetRows(const std::string& xml, std::size_t piece,
                                   const SharedStrings& shared) {
  SheetRows rows(inPieces(xml, piece), shared, "w.xlsx", "sheet");
  std::vector<std::string> got;
  std::vector<std::string> cells;
  try {
    for (long number = 0; rows.next(cells, number);) {
      std::string line = std::to_string(number);
      for (const std::string& cell : cells) line += "|" + cell;
      got.push_back(line);
    }
  } catch (const TableError& e) {
    got.push_back(e.what());
  }
  return got;
}

// Shapes a spreadsheet writes, and markup the sheet's scanner leaves to expat
// at any point of a row: every one reads as written, in pieces of any size.
TEST(XlsxReader, OddShapesOfSheetsReadAsWritten) {
  const std::string ns = " xmlns=\"urn:s\" xmlns:r=\"urn:r\"";
  const std::string row1 =
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t='inlineStr'><is><r><t>Fe</t></r>"
      "<r><rPr><b/></rPr><t>O</t></r><rPh><t>x</t></rPh></is></c><c r=\"C1\"/></row>";
  const std::string row3 =
      "<row r=\"3\" spans=\"1:4\"><c  r = \"A3\" s=\"2\"><v>1.5E-3</v></c><c r=\"B3\" t=\"n\">"
      "<v>-2e+1</v></c><c r=\"D3\" t=\"str\"><f>A3*2</f><v>a&amp;b&lt;&gt;&quot;&apos;]</v></c>"
      "</row>";
  const std::vector<std::string> want = {"1|Sample|FeO|", "3|1.5E-3|-2e+1||a&b<>\"']"};
  struct Case {
    std::string name, xml;
    std::vector<std::string> rows;
  } cases[] = {
      {"as a spreadsheet saves it",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<worksheet" + ns +
           "><sheetData>" + row1 + row3 + "</sheetData></worksheet>",
       want},
      {"prefixed, indented, a byte order mark",
       "\xEF\xBB\xBF<?xml version='1.0'?>\n<x:worksheet xmlns:x=\"urn:s\">\n <x:sheetData>\n"
       "  <x:row r=\"1\"><x:c r=\"A1\"><x:v>7</x:v></x:c></x:row>\n </x:sheetData>\n"
       "</x:worksheet>\n",
       {"1|7"}},
      {"a comment in a row",
       "<worksheet><sheetData>" + row1.substr(0, 39) + "<!-- c -->" + row1.substr(39) + row3 +
           "</sheetData></worksheet>",
       want},
      {"CDATA, a character reference and UTF-8 in a cell",
       "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>F<![CDATA[o<]]>&#955;\xE2\x82\x89"
       "</t></is></c><c><v>2</v></c></row>" +
           row3 + "</sheetData></worksheet>",
       {"1|Fo<\xCE\xBB\xE2\x82\x89|2", want[1]}},
      {"line ends between the cells, CR LF",
       "<worksheet><sheetData>\r\n" + row1 + "\r\n" + row3 + "\r\n</sheetData></worksheet>", want},
      {"an entity in a value, a line end in a cell's tag",
       "<worksheet><sheetData><row><c\nr=\"A1\"><v>1&lt;2</v></c><c\tr='B1'><v>3</v></c></row>"
       "</sheetData></worksheet>",
       {"1|1<2|3"}},
      {"another encoding",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row><c "
       "t=\"inlineStr\"><is><t>\xE9</t></is></c></row></sheetData></worksheet>",
       {"1|\xC3\xA9"}},
  };
  SharedStrings shared;
  shared.add("Sample");
  for (const Case& c : cases)
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{64}, c.xml.size()})
      EXPECT_EQ(sheetRows(c.xml, piece, shared), c.rows) << c.name << ", pieces of " << piece;
}

// Markup that is not well-formed, or a sheet the reader refuses, ends the read
// as it does when expat walks the whole part (a comment first hands it over
// at once): the same rows before it, the same message and line.
TEST(XlsxReader, FaultsInTheMarkupAreToldAsExpatTellsThem) {
  const std::string open = "<worksheet><sheetData>\n<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>\n";
  const std::string close = "</sheetData></worksheet>";
  const std::vector<std::string> faults = {
      open + "<row r=\"2\"><c r=\"A2\"><v>2</v></x></row>" + close,
      open + "<row r=\"2\" r=\"3\"></row>" + close,
      open + "<row r=\"2\"><c\nr=\"A2\"><v>2</v></c></x></row>" + close,
      open + "<row r=\"2\"><c r=\"A2\" r=\"A2\"><v>2</v></c></row>" + close,
      open + "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row>\n<!-- a -- b -->" + close,
      open + close + "<worksheet/>",
      open + close + "text",
      open + "<row><c><v>1 & 2</v></c></row>" + close,
      open + "<row><c><v>]]></v></c></row>" + close,
      open + "<row><c><v>\x01</v></c></row>" + close,
      open + "<row><c><v>\xC3(</v></c></row>" + close,
      open + "<row><c a=\"<\"/></row>" + close,
      open + "<row><c><v>1</v></c></row>",
      open + "<row r=\"1\"/>" + close,
      open + "<row><c r=\"B3\"><v>1</v></c></row>" + close,
      open + "<row><c t=\"e\"><v>#N/A</v></c></row>" + close,
      open + "<row><1c/></row>" + close,
  };
  SharedStrings shared;
  for (const std::string& xml : faults) {
    const std::vector<std::string> byExpat = sheetRows("<!---->" + xml, xml.size() + 7, shared);
    ASSERT_GE(byExpat.size(), 2u) << xml;
    EXPECT_EQ(byExpat.front(), "1|1") << xml;
    EXPECT_NE(byExpat.back().find("mantlept: w.xlsx"), std::string::npos) << byExpat.back();
    for (std::size_t piece : {std::size_t{1}, std::size_t{6}, xml.size()})
      EXPECT_EQ(sheetRows(xml, piece, shared), byExpat) << xml << ", pieces of " << piece;
  }
}

// Every shape of cell, walked at once as spreadsheets write it or by the
// general walk, reads as it does when expat walks the whole part.
TEST(XlsxReader, CellsOfEveryShapeReadAsExpatReadsThem) {
  const std::vector<std::string> cells = {
      "<c r=\"A2\"><v>40.5</v></c>",
      "<c r=\"B2\" t=\"s\"><v>1</v></c>",
      "<c r=\"A2\"/><c r=\"C2\" s=\"4\"/>",
      "<c><v></v></c><c><v>7</v></c>",
      "<c r='A2' t='n'><v>1E-2</v></c>",
      "<c r=\"A2\"><v>1</v> </c>",
      "<c r=\"A2\"><f>B2</f><v>2</v></c>",
      "<c r=\"A2\"><v >3</v></c><c r=\"B2\"><v>4</v></c >",
      "<c r=\"A2\"><v>&gt;5</v></c>",
      "<c r=\"A2\" t=\"inlineStr\"><is><t>Ol</t></is></c>",
      "<c r=\"A2\" t=\"str\"><v>x</v></c>",
      "<x:c r=\"A2\"><x:v>8</x:v></x:c>",
      "<c r=\"a2\"><v>9</v></c>",
      "<c t=\"s\" r=\"B2\"><v>0</v></c><c r=\"D2\"><v>1</v></c>",
  };
  SharedStrings shared;
  shared.add("Opx");
  shared.add("Gt");
  for (const std::string& c : cells) {
    const std::string xml =
        "<worksheet><sheetData><row r=\"2\">" + c + "</row></sheetData></worksheet>";
    const std::vector<std::string> byExpat = sheetRows("<!---->" + xml, xml.size() + 7, shared);
    ASSERT_EQ(byExpat.size(), 1u) << c << ": " << byExpat.back();
    for (std::size_t piece : {std::size_t{1}, std::size_t{9}, xml.size()})
      EXPECT_EQ(sheetRows(xml, piece, shared), byExpat) << c << ", pieces of " << piece;
  }
  // Two of them by hand: the shared string and the empty cells between.
  EXPECT_EQ(sheetRows("<worksheet><sheetData><row r=\"2\">" + cells[13] +
                          "</row></sheetData>"
                          "</worksheet>",
                      64, shared),
            (std::vector<std::string>{"2||Opx||1"}));
}

TEST(XlsxReader, SheetStreamedInPiecesOfAnySizeGivesTheSameRows) {
  std::string xml =
      "<?xml version=\"1.0\"?><x:worksheet xmlns:x=\"urn:a\"><x:sheetData>"
      "<x:row r=\"1\"><x:c r=\"B1\" t=\"s\"><x:v>1</x:v></x:c><x:c r=\"A1\" "
      "t=\"s\"><x:v>0</x:v></x:c>"
      "</x:row><x:row r=\"3\"><x:c r=\"A3\" t=\"inlineStr\"><x:is><x:r><x:t>K&amp;</x:t></x:r>"
      "<x:rPh><x:t>skip</x:t></x:rPh><x:r><x:t><![CDATA[1<2]]></x:t></x:r></x:is></x:c>"
      "<x:c r=\"B3\"><x:v>4</x:v></x:c></x:row><x:row r=\"4\"/></x:sheetData></x:worksheet>";
  SharedStrings shared;
  shared.add("Sample");
  shared.add("SiO2");
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, xml.size()}) {
    SheetRows rows(inPieces(xml, piece), shared, "s.xlsx", "sheet");
    Rows got;
    std::vector<long> numbers;
    std::vector<std::string> cells;
    for (long number = 0; rows.next(cells, number);) {
      got.push_back(cells);
      numbers.push_back(number);
    }
    EXPECT_EQ(got, (Rows{{"Sample", "SiO2"}, {"K&1<2", "4"}, {}})) << piece;
    EXPECT_EQ(numbers, (std::vector<long>{1, 3, 4})) << piece;
  }
}

// A stop asked for while a sheet inflates ends the read at the next piece
// of the part, long before the sheet's end; without one every row is read.
TEST(XlsxReader, AStopRequestEndsTheReadAtTheNextPieceOfAPart) {
  std::vector<std::string> shared;
  Rows grid = {{"Sample", "SiO2", "Note"}};
  const std::string note(200, 'x');  // 5,000 rows: the sheet inflates in many 64 kB pieces
  for (int i = 0; i < 5000; ++i) grid.push_back({"S" + std::to_string(i), "40.5", note});
  const std::string path = writeWorkbook("stop.xlsx", {{"Data", gridXml(grid, shared)}}, shared);
  StopFlag flag{0};
  stopWorkbookReadsWith(&flag);
  struct Forget {
    ~Forget() { stopWorkbookReadsWith(nullptr); }
  } forget;
  {
    XlsxReader all(path, "");
    EXPECT_EQ(readAll(all).size(), grid.size());
  }
  XlsxReader reader(path, "");
  std::vector<std::string> cells;
  ASSERT_TRUE(reader.next(cells));
  flag = SIGINT;
  long read = 1;
  try {
    while (reader.next(cells)) ++read;
    ADD_FAILURE() << "read to the end after the stop";
  } catch (const TableError& e) {
    EXPECT_NE(std::string(e.what()).find("stop.xlsx: reading stopped"), std::string::npos)
        << e.what();
  }
  EXPECT_LT(read, 1000);  // the rows of the pieces inflated already (64 kB each)
}

TEST(XlsxReader, DocumentTypeDeclarationsAreRefused) {
  // Entity expansion ("a billion laughs") never starts: no DTD is read.
  std::string xml =
      "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
      "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&b;</t></is></c>"
      "</row></sheetData></worksheet>";
  SharedStrings shared;
  std::size_t at = 0;
  SheetRows rows(
      [&](char* to, std::size_t size) {
        std::size_t n = std::min(size, xml.size() - at);
        std::copy_n(xml.data() + at, n, to);
        at += n;
        return n;
      },
      shared, "d.xlsx", "xl/worksheets/sheet1.xml");
  std::vector<std::string> cells;
  long number = 0;
  try {
    rows.next(cells, number);
    ADD_FAILURE();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()),
              "mantlept: d.xlsx: not a readable .xlsx workbook (xl/worksheets/sheet1.xml has a "
              "document type declaration)");
  }
}

// Bytes of a part made as they are read: `head`, then `body` `times` over,
// then `tail`, as a part inflating far beyond its archive would be.
ByteSource repeated(std::string head, std::string body, std::size_t times, std::string tail) {
  const std::size_t bodyEnd = head.size() + body.size() * times;
  const std::size_t total = bodyEnd + tail.size();
  return [=, pos = std::size_t{0}](char* to, std::size_t size) mutable -> std::size_t {
    std::size_t written = 0;
    while (written < size && pos < total) {
      std::string_view from;
      if (pos < head.size()) {
        from = std::string_view(head).substr(pos);
      } else if (pos < bodyEnd) {
        from = std::string_view(body).substr((pos - head.size()) % body.size());
      } else {
        from = std::string_view(tail).substr(pos - bodyEnd);
      }
      const std::size_t n = std::min(from.size(), size - written);
      std::copy_n(from.data(), n, to + written);
      written += n;
      pos += n;
    }
    return written;
  };
}

// What a part can make the reader hold is capped, whatever size it inflates to.
TEST(XlsxReader, RowsCellsAndMarkupCannotGrowWithThePart) {
  const std::string open = "<worksheet><sheetData>";
  const std::string close = "</sheetData></worksheet>";
  struct Case {
    std::string name;
    ByteSource read;
    std::string message;  // empty: read to the end
    std::size_t rows;
  };
  const std::string big(std::size_t{20} << 20, 'x');
  std::vector<Case> cases;
  // Valueless cells without a reference count toward the row's 16,384 cells.
  cases.push_back(
      {"16384 empty cells", repeated(open + "<row>", "<c/>", 16384, "</row>" + close), "", 1});
  cases.push_back({"16385 empty cells", repeated(open + "<row>", "<c/>", 16385, "</row>" + close),
                   "mantlept: b.xlsx, row 1: the row has more than 16384 cells (columns A to XFD)",
                   0});
  cases.push_back({"a row of 3 million empty cells",
                   repeated(open + "<row r=\"7\">", "<c s=\"1\"/>", 3000000, "</row>" + close),
                   "mantlept: b.xlsx, row 7: the row has more than 16384 cells", 0});
  cases.push_back(
      {"rows of empty cells", repeated(open, "<row><c/><c/><c/></row>", 20000, close), "", 20000});
  // A tag, attribute or comment expat would have to hold whole.
  cases.push_back({"a 20 MB attribute",
                   repeated(open + "<row r=\"1\" x=\"", big, 1, "\"/>" + close),
                   "mantlept: b.xlsx: not a readable .xlsx workbook (sheet, line 1: a tag or "
                   "comment longer than 16 MB)",
                   0});
  cases.push_back({"a 20 MB comment", repeated(open + "<!--", big, 1, "-->" + close),
                   "mantlept: b.xlsx: not a readable .xlsx workbook (sheet, line 1: a tag or "
                   "comment longer than 16 MB)",
                   0});
  SharedStrings shared;
  for (Case& c : cases) {
    SheetRows rows(std::move(c.read), shared, "b.xlsx", "sheet");
    std::vector<std::string> cells;
    long number = 0;
    std::size_t count = 0;
    try {
      while (rows.next(cells, number)) ++count;
      EXPECT_EQ(c.message, "") << c.name;
    } catch (const TableError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message) << c.name;
      EXPECT_FALSE(c.message.empty()) << c.name << ": " << e.what();
    }
    EXPECT_EQ(count, c.rows) << c.name;
  }
}

TEST(XlsxReader, SharedStringsHeldInBlocksAndCapped) {
  // Strings across the 1 MB blocks of text and the blocks of 4096 places
  // read back as added.
  SharedStrings held;
  const std::string nearlyBlock((1 << 20) - 3, 'a'), block(1 << 20, 'b');
  held.add(nearlyBlock);
  held.add("SiO2");  // a new block: 4 bytes do not fit in the 3 left
  held.add(block);
  const std::vector<std::string> texts = {"", "Sample", "MgO"};
  for (int round = 0; round < 1400; ++round)
    for (const std::string& t : texts) held.add(t);
  ASSERT_EQ(held.size(), 3 + 1400 * texts.size());
  EXPECT_EQ(held[0], nearlyBlock);
  EXPECT_EQ(held[1], "SiO2");
  EXPECT_EQ(held[2], block);
  for (std::size_t i : {std::size_t{3}, std::size_t{4}, std::size_t{4095}, std::size_t{4096},
                        std::size_t{4097}, held.size() - 1})
    EXPECT_EQ(held[i], texts[(i - 3) % texts.size()]) << i;
  EXPECT_THROW(held.add(std::string((1 << 20) + 1, 'c')), TableError);

  // Past 64 MB of strings the part is refused by name; what was held stays
  // within the cap.
  SharedStrings shared;
  try {
    readSharedStrings(
        repeated("<sst>", "<si><t>" + std::string(1000, 'g') + "</t></si>", 70000, "</sst>"),
        shared, "s.xlsx", "xl/sharedStrings.xml");
    ADD_FAILURE();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()),
              "mantlept: s.xlsx: xl/sharedStrings.xml: the shared strings take more than 64 MB, "
              "more than a table of analyses can need");
  }
  EXPECT_LE(shared.memory(), kMaxSharedBytes);
  EXPECT_GT(shared.memory(), kMaxSharedBytes - (std::size_t{2} << 20));
  EXPECT_EQ(shared[100], std::string(1000, 'g'));
  // Empty strings cost their places only: 64 MB is reached by count too.
  SharedStrings empty;
  EXPECT_THROW(readSharedStrings(repeated("<sst>", "<si/>", 5000000, "</sst>"), empty, "e.xlsx",
                                 "xl/sharedStrings.xml"),
               TableError);
  EXPECT_LE(empty.memory(), kMaxSharedBytes);
}

TEST(DelimitedReader, BlankLinesBeforeTheHeaderAndRowsBeyondTheLimits) {
  std::istringstream text("\n  \n;;\nSample;SiO2;MgO\nA;1,5;2\n");
  DelimitedReader reader(text, "t.csv");
  EXPECT_EQ(readAll(reader),
            (Rows{{""}, {"  "}, {"", "", ""}, {"Sample", "SiO2", "MgO"}, {"A", "1,5", "2"}}));
  EXPECT_EQ(reader.delimiter(), ';');

  struct Case {
    std::string text, message;
  } cases[] = {
      {"a" + std::string(DelimitedReader::kMaxCells, ',') + "\n",
       "mantlept: w.csv, row 1: the row has more than 16384 cells"},
      {"a,\"" + std::string(DelimitedReader::kMaxCell + 1, 'x') + "\n",
       "mantlept: w.csv, row 1: a cell is longer than 1048576 bytes"},
      {[] {
         std::string row;
         for (int i = 0; i < 17; ++i) row += std::string(DelimitedReader::kMaxCell, 'x') + ",";
         return row;
       }(),
       "mantlept: w.csv, row 1: the row is longer than 16 MB"},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    DelimitedReader wide(in, "w.csv");
    try {
      readAll(wide);
      ADD_FAILURE() << c.message;
    } catch (const TableError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with(c.message)) << e.what();
    }
  }
}

// UTF-16 text with its byte order mark, from UTF-8 text of ASCII, two-byte and
// four-byte characters.
std::string utf16(const std::u16string& text, bool big) {
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : text) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    bytes += big ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST(OpenInput, EncodingsBlankLinesEmptyInputsAndDirectories) {
  const std::u16string table = u"\r\nSample\tSiO2_Opx\r\nM\u00f6-\U0001F600\t55,5\r\n";
  for (bool big : {false, true}) {
    std::string path = writeFile(big ? "be.tsv" : "le.tsv", utf16(table, big));
    OpenInput input(path);
    EXPECT_EQ(input.kind(), InputKind::Table);
    EXPECT_EQ(input.encoding(), big ? "UTF-16BE" : "UTF-16LE");
    std::unique_ptr<RowSource> rows = input.table("");
    EXPECT_EQ(readAll(*rows),
              (Rows{{""}, {"Sample", "SiO2_Opx"}, {"M\xC3\xB6-\xF0\x9F\x98\x80", "55,5"}}));
    EXPECT_EQ(rows->delimiter(), '\t');
  }

  EXPECT_EQ(OpenInput(writeFile("blank.csv", "\n\r\n,,\nSample,SiO2_Ol\nA,40\n")).kind(),
            InputKind::Table);
  for (const char* blank : {"", "\n \r\n\t\n"}) {
    OpenInput input(writeFile("empty.txt", blank));
    EXPECT_TRUE(input.empty()) << blank;
  }
  EXPECT_FALSE(OpenInput(writeFile("one.txt", "\nx")).empty());

  std::string folder = tempPath("a-folder");
  std::filesystem::create_directories(folder);
  try {
    OpenInput input(folder);
    ADD_FAILURE();
  } catch (const TableError& e) {
    EXPECT_EQ(std::string(e.what()), "mantlept: " + folder + ": is a directory");
  }
}

TEST(OpenInput, PipesAreReadOnceTablesAndWorkbooksAlike) {
  std::vector<std::string> shared;
  std::string book = writeWorkbook(
      "piped.xlsx", {{"Data", "<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>"}}, shared);
  std::ifstream in(book, std::ios::binary);
  std::string bookBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  struct Case {
    std::string bytes;
    InputKind kind;
    Rows rows;
  } cases[] = {
      {"Sample,SiO2_Ol\nA,40\n", InputKind::Table, {{"Sample", "SiO2_Ol"}, {"A", "40"}}},
      {bookBytes, InputKind::Workbook, {{"7"}}},
  };
  for (const Case& c : cases) {
    std::string fifo = tempPath("fifo");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The writer opens the FIFO once; a second open by the reader would hang.
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << c.bytes; });
    {
      OpenInput input(fifo);
      EXPECT_EQ(input.kind(), c.kind);
      EXPECT_EQ(readAll(*input.table("")), c.rows);
    }
    writer.join();
  }
}

TEST(InputKind, BlankLinesBeforeTheHeader) {
  EXPECT_EQ(detectInputKind(std::string_view("\n\r\n , ,\nSample,Mineral,SiO2\n")),
            InputKind::Table);
  EXPECT_EQ(detectInputKind(std::string_view("\xEF\xBB\xBF\n\nName;FeOt_Gt\n")), InputKind::Table);
  EXPECT_EQ(detectInputKind(std::string_view("\n\n")), InputKind::FixedColumn);
}

}  // namespace
}  // namespace mantlept::tables
