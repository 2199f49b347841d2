// Associations from long and wide tables, the names of columns, the reading
// of cells, and the errors and notes about a table.
#include "tables/association_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <cstdlib>

#include <cstdio>
#include <sstream>

#include "table_files.hpp"
#include "tables/column_names.hpp"
#include "tables/compilation.hpp"
#include "tables/open_table.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {
namespace {

using namespace testing;

// An association as one comparable line: name, description, and the
// non-zero oxides of each present mineral.
std::string describe(const Association& a) {
  std::string text = a.sample + "|" + std::string(trim(a.info.descriptionText())) + "|";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!a.present[static_cast<std::size_t>(slot)]) continue;
    text += " slot" + std::to_string(slot) + ":";
    for (int k = 0; k < OxideValues::kCount; ++k) {
      char v[40];
      std::snprintf(v, sizeof v, " %d=%.9g", k,
                    static_cast<double>(a.ox[static_cast<std::size_t>(slot)][k]));
      if (a.ox[static_cast<std::size_t>(slot)][k] != 0) text += v;
    }
  }
  return text;
}

// The associations of tables, joined by sample as every command reads them.
std::vector<Association> readAssociations(const std::vector<std::string>& paths, Diagnostics& d,
                                          RimCore choice = RimCore::All) {
  Compilation compilation(d, choice);
  for (const std::string& path : paths) {
    AssociationTable table(openTable(path, ""), d);
    TableRow row;
    while (table.next(row)) compilation.add(row);
  }
  std::vector<Association> out;
  Association a;
  while (compilation.next(a)) out.push_back(a);
  return out;
}

std::vector<std::string> readTable(const std::string& path, Diagnostics& d) {
  std::vector<std::string> out;
  for (const Association& a : readAssociations({path}, d)) out.push_back(describe(a));
  return out;
}

TEST(ColumnNames, HeadersOfLongAndWideTables) {
  using K = ColumnMeaning::Kind;
  struct Case {
    const char* header;
    K kind;
    int slot, oxide;
    double factor;
  } cases[] = {
      {"Sample", K::Sample, -1, -1, 1},
      {"Sample name", K::Sample, -1, -1, 1},
      {"Sample_ID_Gt", K::Sample, Gar, -1, 1},
      {"Phase", K::Mineral, -1, -1, 1},
      {"Lithology", K::Description, -1, -1, 1},
      {"SiO2", K::Oxide, -1, 0, 1},
      {"FeO*", K::Oxide, -1, 4, 1},
      {"FeOt_Cpx", K::Oxide, Cpx, 4, 1},
      {"Cr2O3_Gt", K::Oxide, Gar, 3, 1},
      {"al2o3 grt", K::Oxide, Gar, 2, 1},
      {"Fe2O3_Spl", K::Oxide, Sp, 11, 1},
      {"Fe2O3T_Chr", K::Oxide, Sp, 4, 0.8998},
      {"Ni", K::Oxide, -1, 10, 1.2725e-4},
      {"Ni_ppm_Gt", K::Oxide, Gar, 10, 1.2725e-4},
      {"NiO_Ol", K::Oxide, Ol, 10, 1},
      {"Opx_MgO", K::Oxide, Opx, 6, 1},
      {"K2O_Ilm", K::Oxide, Ilm, 9, 1},
      {"MnO_R", K::Oxide, Slot6, 5, 1},
      {"P_(Brey1990)", K::Ignored, -1, -1, 1},
      {"Zr_ppm", K::Ignored, -1, -1, 1},
      {"Mg#_Opx", K::Ignored, -1, -1, 1},
  };
  for (const Case& c : cases) {
    ColumnMeaning m = columnMeaning(c.header);
    EXPECT_EQ(m.kind, c.kind) << c.header;
    EXPECT_EQ(m.slot, c.slot) << c.header;
    EXPECT_EQ(m.oxide, c.oxide) << c.header;
    EXPECT_EQ(m.factor, c.factor) << c.header;
  }
  EXPECT_EQ(columnMeaning("SiO2_Amph").mineral, "Amph");
}

TEST(Cells, NumbersZerosAndText) {
  using K = CellValue::Kind;
  struct Case {
    const char* text;
    bool decimalComma;
    K kind;
    double value;
  } cases[] = {
      {" 57.62 ", false, K::Number, 57.62},
      {"5e-1", false, K::Number, 0.5},
      {"57,62", true, K::Number, 57.62},
      {"57,62", false, K::NotNumber, 0},
      {"", false, K::Zero, 0},
      {"bdl", false, K::Zero, 0},
      {"B.D.L.", false, K::Zero, 0},
      {"<0.02", false, K::Zero, 0},
      {"n.d.", false, K::Zero, 0},
      {"ND", false, K::Zero, 0},
      {"-", false, K::Zero, 0},
      {"\xe2\x80\x94", false, K::Zero, 0},
      {"-0.03", false, K::Number, -0.03},
      {"inf", false, K::NotNumber, 0},
      {"nan", false, K::NotNumber, 0},
      {"0x10", false, K::NotNumber, 0},
      {"1.2.3", false, K::NotNumber, 0},
      {"n.a.", false, K::NotNumber, 0},
  };
  for (const Case& c : cases) {
    CellValue v = readCell(c.text, c.decimalComma);
    EXPECT_EQ(v.kind, c.kind) << c.text;
    EXPECT_EQ(v.value, c.value) << c.text;
  }
  EXPECT_EQ(static_cast<float>(readCell("57.619999999999997", false).value), 57.62f);
  // Plain decimals of every length read exactly as strtod reads them.
  std::uint64_t x = 88172645463325252ULL;
  for (int k = 0; k < 20000; ++k) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::string text = std::to_string(x % 10000000000000000ULL);
    text.insert(text.size() - std::min<std::size_t>(text.size(), x % 7), ".");
    if (text[0] == '.') text.insert(0, "0");
    if (x % 3 == 0) text.insert(0, "-");
    EXPECT_EQ(readCell(text, false).value, std::strtod(text.c_str(), nullptr)) << text;
  }
}

// Numbers outside the plain decimals (exponents, signs, long digit strings,
// decimal commas) read as strtod reads the same text with a point: the
// value, or no number where strtod stops early or leaves the finite range.
TEST(Cells, EveryOtherNumberAsTheCLibraryReadsIt) {
  auto byStrtod = [](std::string text, bool comma) {
    if (comma) std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    const bool whole = !text.empty() && end == text.c_str() + text.size() && std::isfinite(v);
    return whole ? CellValue{CellValue::Number, v} : CellValue{};
  };
  std::vector<std::pair<std::string, bool>> texts = {
      {"+5", false},        {"+-5", false},     {"++5", false},  {"+.5", false},
      {".5e1", false},      {"5.", false},      {"5e", false},   {"5e+", false},
      {"1e5.5", false},     {"1E+02", false},   {"-1e-3", false}, {"1e400", false},
      {"-1e400", false},    {"1e-400", false},  {"2.5e-320", false}, {"1-2", false},
      {"e5", false},        {"--5", false},     {"1,5e2", true}, {"1,5,3", true},
      {"1.5,3", true},      {"1,5.3", true},    {"-,5e1", true}, {"+1,25E-1", true},
      {"12345678901234567890.5", false},        {"0.000000000000000000123456789", false},
      {"9007199254740993", false},              {"1,0000000000000000000001", true}};
  std::uint64_t x = 0x9E3779B97F4A7C15ULL;
  for (int k = 0; k < 5000; ++k) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::string text = std::to_string(x % 100000000000000000ULL);
    text.insert(1 + x % (text.size()), k % 2 ? "," : ".");
    text += (x >> 20) % 2 ? "e" : "E";
    text += std::to_string(static_cast<int>((x >> 30) % 700) - 350);
    texts.emplace_back(text, k % 2 == 1);
  }
  for (const auto& [text, comma] : texts) {
    const CellValue expected = byStrtod(text, comma), got = readCell(text, comma);
    EXPECT_EQ(got.kind, expected.kind) << text;
    EXPECT_EQ(got.value, expected.value) << text;
  }
}

TEST(AssociationTable, BadTables) {
  struct Case {
    std::string content, message;
  } cases[] = {
      {"", ": the table is empty (there is no header row)"},
      {"Sample,Mineral,SiO2\r\n", ": the table has a header but no data rows"},
      {"Mineral,SiO2\nOpx,50\n", ": no sample column (Sample, Sample_ID, Sample name, Name or ID)"},
      {"Sample,SiO2,MgO\nA,1,2\n",
       ": the table has a sample column and oxide columns but no "
       "mineral column (Mineral, Phase or Min), and no oxide column names its mineral (such "
       "as SiO2_Opx)"},
      {"Sample,Lab,Date\nA,x,y\n",
       ": no oxide column recognised; the columns are \"Sample\", \"Lab\", \"Date\""},
      {"Sample,FeO_Opx,MgO_Opx,FeOt_Opx,MGO(WT%)_Opx\nA,1,2,3,4\n",
       ": columns C (\"MgO_Opx\") and E (\"MGO(WT%)_Opx\") both hold MgO of Opx"},
      {"Sample,Mineral,FeOt,FeO*\nA,Opx,1,2\n",
       ": columns C (\"FeOt\") and D (\"FeO*\") both hold FeO"},
      {"Sample,Mineral,SiO2,Al2O3\nA,Opx,50,1\nA,Gt,41,x2\n",
       ", row 3, column D (\"Al2O3\"): \"x2\" is not a number"},
      {"Sample,Mineral,SiO2\nA,Opx,\"57,6\"\n",
       ", row 2, column C (\"SiO2\"): \"57,6\" is not a number"},
      // No oxide exceeds 100 wt%: a misplaced number or a date serial.
      {"Sample,Mineral,SiO2,MgO\nA,Opx,257.52,30\n",
       ", row 2, column C (\"SiO2\"): \"257.52\" is above 100 wt% (SiO2)"},
      {"Sample,SiO2_Ol,MgO_Ol\nA,40,45000\n",
       ", row 2, column C (\"MgO_Ol\"): \"45000\" is above 100 wt% (MgO)"},
      {"Sample,Mineral,Ni_ppm\nA,Ol,800000\n",
       ", row 2, column C (\"Ni_ppm\"): \"800000\" is above 100 wt% (NiO)"},
      // A decimal comma in a comma table splits the number and shifts the row.
      {"Sample,Mineral,SiO2,MgO,CaO,Na2O\nA,Opx,55.1,33,1,\nA,Cpx,55,48,17.2,,\n",
       ", row 3: \"55,48\" in column C (\"SiO2\") reads as a number with a decimal comma, "
       "which the comma delimiter splits (the row has 7 cells, the header 6): write a decimal "
       "point, quote the cell, or use ; or tab as the delimiter"},
      {"Sample,Mineral,SiO2\nA,Opx,50,7\n", ", row 2: the row has 4 cells, the header has 3"},
      {"Sample,Mineral,SiO2\nA,Opx\n", ", row 2: the row has 2 cells, the header has 3"},
      {"Sample,Mineral,SiO2\n,Opx,50\n", ", row 2: the row has no sample name"},
  };
  for (const Case& c : cases) {
    std::string path = writeFile("bad.csv", c.content);
    Diagnostics d;
    try {
      readTable(path, d);
      ADD_FAILURE() << c.content;
    } catch (const TableError& e) {
      EXPECT_EQ(e.what(), "mantlept: " + path + c.message);
    }
  }
}

TEST(AssociationTable, LongWideSemicolonAndWorkbookAgree) {
  const std::string longCsv =
      "Sample,Mineral,Rock,SiO2,Al2O3,Cr2O3,FeOt,MgO,CaO,Na2O,Ni_ppm\n"
      "KX-1,Opx,lherzolite,57.62,,,5.17,34.25,,,1000\n"
      "KX-1,Gt,,42.17,19.94,3.02,6.71,22.05,4.78,bdl,\n"
      "KX-2,Ol,,40.9,,,8.8,49.8,,,3000\n"
      "KX-2,Cpx,,55.01,2.36,,,,15.64,1.9,<5\n";
  std::string semicolon;
  for (char c : longCsv) semicolon += c == ',' ? ';' : c == '.' ? ',' : c;
  const std::vector<std::vector<std::string>> wide = {
      {"SampleID", "Rock",     "SiO2_Opx", "FeOt_Opx",  "MgO_Opx", "Ni_ppm_Opx", "SiO2_Gt",
       "Al2O3_Gt", "Cr2O3_Gt", "FeOt_Gt",  "MgO_Gt",    "CaO_Gt",  "SiO2_Ol",    "FeO_Ol",
       "MgO_Ol",   "Ni_Ol",    "SiO2_Cpx", "Al2O3_Cpx", "CaO_Cpx", "Na2O_Cpx"},
      {"KX-1 ",
       "lherzolite",
       "57.619999999999997",
       "5.17",
       "34.25",
       "1000",
       "42.17",
       "19.94",
       "3.02",
       "6.71",
       "22.05",
       "4.78",
       "",
       "",
       "",
       "",
       "",
       "",
       "",
       ""},
      {"KX-2", "",  "",     "",    "",     "",     "0",     "0",    "0",     "0",
       "0",    "0", "40.9", "8.8", "49.8", "3000", "55.01", "2.36", "15.64", "1.9"},
  };
  std::string wideCsv;
  for (const auto& row : wide) {
    for (const std::string& cell : row) wideCsv += cell + ",";
    wideCsv.back() = '\n';
  }
  std::vector<std::string> shared;
  std::string workbook = writeWorkbook("agree.xlsx", {{"Wide", gridXml(wide, shared)}}, shared);

  Diagnostics d;
  std::vector<std::string> expected = readTable(writeFile("long.csv", longCsv), d);
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_TRUE(expected[0].starts_with("KX-1|lherzolite|")) << expected[0];
  EXPECT_NE(expected[0].find("slot0: 0=57.6199989 4=5.17000008 6=34.25 10=0.127250001 "
                             "slot4: 0=42.1699982 2=19.9400005 3=3.01999998"),
            std::string::npos)
      << expected[0];
  EXPECT_NE(expected[1].find("slot1: 0=55.0099983 2=2.3599999 7=15.6400003 8=1.89999998 "
                             "slot2: 0=40.9000015 4=8.80000019 6=49.7999992 10=0.381749988"),
            std::string::npos)
      << expected[1];
  EXPECT_EQ(readTable(writeFile("semicolon.csv", semicolon), d), expected);
  EXPECT_EQ(readTable(writeFile("wide.csv", wideCsv), d), expected);
  EXPECT_EQ(readTable(workbook, d), expected);
  EXPECT_EQ(d.warningCount(), 0);
}

TEST(AssociationTable, NotesAndWarningsAreCounted) {
  std::string path = writeFile("notes.csv",
                               "Sample,Mineral,SiO2,NiO,Ni,Zr_ppm,Date\n"
                               "A,Opx,50,0.1,800,3,x\n"
                               "A,Amph,45,,,,\n"
                               "B,Ol,40,,n.d.,,\n"
                               ",Ol,41,,-0.03,,\n"
                               "A,Gt,42,0.2,bdl,,\n");
  Diagnostics d;
  std::vector<std::string> got = readTable(path, d);
  // A's rows join although B's lie between; B's two olivines are averaged.
  EXPECT_EQ(got, (std::vector<std::string>{"A|| slot0: 0=50 10=0.101800002 slot4: 0=42",
                                           "B|| slot2: 0=40.5"}));
  struct Case {
    const char* key;
    long count;
  } cases[] = {{"minerals", 1},  {"zero", 2},     {"negative", 1}, {"averaged", 1},
               {"continued", 1}, {"unused", 2},   {"nickel:-1", 1}};
  for (const Case& c : cases) EXPECT_EQ(d.count(c.key), c.count) << c.key;

  std::ostringstream quiet, full;
  d.print(quiet, true);
  d.print(full, false);
  EXPECT_EQ(quiet.str(), "");
  EXPECT_NE(full.str().find("mantlept: note: rows of minerals the program does not know are "
                            "skipped: \"Amph\" (1)\n"),
            std::string::npos);
  EXPECT_NE(full.str().find("mantlept: note: 1 sample-mineral groups were averaged from 2 "
                            "analyses\n"),
            std::string::npos);
  EXPECT_NE(full.str().find("mantlept: note: columns not used: \"Zr_ppm\", \"Date\"\n"),
            std::string::npos);
  EXPECT_NE(full.str().find("read as 0 (2 times)\n"), std::string::npos);
}

TEST(AssociationTable, PublishedWideTableReadsAsItIs) {
  Diagnostics d;
  const std::string path = MANTLEPT_TEST_DATA "/tables/tappe2021_garnet_peridotites.csv";
  Diagnostics header;
  EXPECT_EQ(AssociationTable(openTable(path, ""), header).layout(),
            AssociationTable::Layout::Wide);
  std::vector<Association> all = readAssociations({path}, d);
  ASSERT_EQ(all.size(), 13u);
  EXPECT_EQ(all[0].sample, "CIM15-001");
  EXPECT_EQ(std::string(all[0].info.nameText()), "CIM15-00");
  EXPECT_EQ(all[0].present,
            (std::array<bool, kSlotCount>{true, true, false, false, true, false, false}));
  EXPECT_EQ(all[0].ox[Opx].SiO2, 57.62f);
  EXPECT_EQ(all[0].ox[Gar].FeO, 6.71f);
  EXPECT_EQ(all[1].ox[Gar].NiO, 0.0165997625f);
  EXPECT_EQ(d.warningCount(), 0);
  EXPECT_EQ(d.count("unused"), 2);  // the P and T columns
}

}  // namespace
}  // namespace mantlept::tables
