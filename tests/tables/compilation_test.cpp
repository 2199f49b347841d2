// Compilations: rows of several tables joined by sample and averaged per
// mineral, as database files and lab spreadsheets give them.
#include "tables/compilation.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "table_files.hpp"
#include "tables/column_names.hpp"
#include "tables/open_table.hpp"

namespace mantlept::tables {
namespace {

using namespace testing;

constexpr double kFe2O3ToFeO = 0.8998, kNiPpmToNiO = 1.2725e-4;

// Orthopyroxene spots as a database hands them out: units in the headers,
// reference tags, metadata columns, the iron columns side by side, a
// reference list under the data.
const std::string kOpx =
    "CITATION,SAMPLE NAME,LOCATION,MINERAL,SPOT,RIM/CORE (MINERAL GRAINS),SIO2(WT%),"
    "AL2O3(WT%),FEOT(WT%),FEO(WT%),FE2O3(WT%),FE2O3T(WT%),MGO(WT%),CAO(WT%),NA2O(WT%),NI(PPM)\n"
    "[19973] Smith,X-1 [19973],Kimberley,ORTHOPYROXENE [19973],1,CORE,57.00,0.80,5.00,,,,"
    "34.00,0.90,0.20,800\n"
    "[19973] Smith,X-2 [19973],Kimberley,ENSTATITE,1,core,56.00,1.00,,4.00,1.00,,33.00,1.00,"
    "bdl,\n"
    "[19973] Smith,X-1 [19973],Kimberley,ORTHOPYROXENE,2,RIM,58.00,,,,,6.00,35.00,1.10,-1,1000\n"
    "References:,,,,,,,,,,,,,,,\n"
    "[19973] Smith J (2020) Garnet peridotites. J Petrol,,,,,,,,,,,,,,,\n"
    "X-9,x,,OLIVINE,,,not a number,,,,,,,,,\n";
// Garnets in lower-case names, rows of one sample apart, a mineral not used.
const std::string kGt =
    "sample name,mineral,sio2,feot,mgo,cao,cr2o3\n"
    "X-2,GARNET [19973],42.0,7.0,21.0,5.0,3.0\n"
    "X-1,PYROPE,41.0,7.5,20.0,4.5,4.0\n"
    "X-3,PHLOGOPITE,38,4,24,0,\n"
    "X-1,Pyrope,43.0,,22.0,5.5,bdl\n";

std::vector<Association> compile(const std::vector<std::string>& paths, Diagnostics& d,
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

std::string printed(const Diagnostics& d) {
  std::ostringstream s;
  d.print(s, false);
  return s.str();
}

TEST(Compilation, SpotsOfSeveralFilesJoinedAndAveraged) {
  Diagnostics d;
  std::vector<Association> all =
      compile({writeFile("opx.csv", kOpx), writeFile("gt.csv", kGt)}, d);
  // In order of first appearance; X-3 has only phlogopite; X-9 lies below
  // the references.
  ASSERT_EQ(all.size(), 2u);
  const Association& x1 = all[0];
  const Association& x2 = all[1];
  EXPECT_EQ(x1.sample, "X-1");
  EXPECT_EQ(x2.sample, "X-2");
  EXPECT_EQ(x1.present, (std::array<bool, kSlotCount>{true, false, false, false, true, false,
                                                      false}));
  // Opx of X-1: two spots; a blank cell does not count, a negative one is 0;
  // iron from FeOt in one spot, from Fe2O3t in the other.
  struct Case {
    const Association& a;
    int slot, oxide;
    double expected;
  } cases[] = {
      {x1, Opx, 0, (57.0 + 58.0) / 2},
      {x1, Opx, 2, 0.80},
      {x1, Opx, 4, (5.0 + 6.0 * kFe2O3ToFeO) / 2},
      {x1, Opx, 6, 34.5},
      {x1, Opx, 7, 1.0},
      {x1, Opx, 8, 0.1},
      {x1, Opx, 10, 900 * kNiPpmToNiO},
      {x1, Opx, 11, 0},
      {x1, Gar, 0, 42.0},
      {x1, Gar, 3, 2.0},  // 4.0 and bdl
      {x1, Gar, 4, 7.5},  // the blank FeOt does not count
      {x1, Gar, 7, 5.0},
      {x2, Opx, 4, 4.0},  // FeO and Fe2O3 as given
      {x2, Opx, 11, 1.0},
      {x2, Opx, 8, 0},
      {x2, Gar, 3, 3.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(c.a.ox[static_cast<std::size_t>(c.slot)][c.oxide], c.expected, 2e-6 * 60)
        << c.a.sample << " slot " << c.slot << " oxide " << c.oxide;

  std::string notes = printed(d);
  for (const char* note : {
           "note: columns not used: \"CITATION\", \"LOCATION\", \"SPOT\"\n",
           "note: negative cells read as 0 (below detection), by column: \"NA2O(WT%)\" (1)\n",
           "note: rows of minerals the program does not know are skipped: \"PHLOGOPITE\" (1)\n",
           "note: 2 sample-mineral groups were averaged from 4 analyses\n",
           "note: 1 sample has no analysis of a mineral the program uses and gives no rows\n"})
    EXPECT_NE(notes.find(note), std::string::npos) << note << " in\n" << notes;
  EXPECT_EQ(d.warningCount(), 0) << notes;
}

TEST(Compilation, RimOrCoreSpotsChosen) {
  std::string opx = writeFile("opx.csv", kOpx), gt = writeFile("gt.csv", kGt);
  struct Case {
    RimCore choice;
    double x1SiO2, x1FeO;
    bool x2Opx;
    long leftOut;
  } cases[] = {
      {RimCore::Core, 57.0, 5.0, true, 1},
      {RimCore::Rim, 58.0, 6.0 * kFe2O3ToFeO, false, 2},
      {RimCore::All, 57.5, (5.0 + 6.0 * kFe2O3ToFeO) / 2, true, 0},
  };
  for (const Case& c : cases) {
    Diagnostics d;
    std::vector<Association> all = compile({opx, gt}, d, c.choice);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NEAR(all[0].ox[Opx].SiO2, c.x1SiO2, 1e-4);
    EXPECT_NEAR(all[0].ox[Opx].FeO, c.x1FeO, 1e-5);
    EXPECT_EQ(all[1].present[Opx], c.x2Opx);
    EXPECT_TRUE(all[1].present[Gar]);  // the garnet file has no rim/core column
    EXPECT_EQ(d.count("rimcore"), c.leftOut > 0 ? 1 : 0);
    if (c.leftOut > 0) {
      EXPECT_NE(printed(d).find(std::to_string(c.leftOut) + " analyses left out"),
                std::string::npos);
    }
  }
}

TEST(Compilation, IronTakesTheFirstColumnAboveZero) {
  Diagnostics d;
  const std::string path = writeFile("iron.csv",
                                     "Sample,Mineral,FeOt,FeO,Fe2O3,Fe2O3t,MgO\n"
                                     "A,Sp,8.0,7.0,1.0,9.0,20\n"
                                     "B,Sp,,7.0,1.0,9.0,20\n"
                                     "C,Sp,,,,9.0,20\n"
                                     "D,Sp,bdl,,2.0,9.0,20\n"
                                     "E,Sp,0,7.0,1.0,,20\n"
                                     "F,Sp,,0,0.000,7.78,20\n"
                                     "G,Sp,0,0,0,0,20\n");
  std::vector<Association> all = compile({path}, d);
  ASSERT_EQ(all.size(), 7u);
  // FeO and Fe2O3 of each row worked by the rule: FeOt above 0, else FeO and
  // Fe2O3 where either is above 0, else 0.8998 Fe2O3t, else nothing.
  const double expected[7][2] = {{8.0, 0},    {7.0, 1.0}, {9.0 * kFe2O3ToFeO, 0},
                                 {0, 2.0},    {7.0, 1.0}, {7.78 * kFe2O3ToFeO, 0},
                                 {0, 0}};
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_NEAR(all[i].ox[Sp].FeO, expected[i][0], 1e-6) << all[i].sample;
    EXPECT_NEAR(all[i].ox[Sp].Fe2O3, expected[i][1], 1e-6) << all[i].sample;
  }
  // Taken from a lower column: FeO in B and E, Fe2O3 in B, D and E, Fe2O3t in
  // C and F; set aside for FeOt: FeO and Fe2O3 of A.
  EXPECT_NE(printed(d).find("note: " + path +
                            ": iron is taken from FeOt where above 0, else FeO and Fe2O3, else "
                            "Fe2O3t; rows whose iron came from a lower-priority column: "
                            "\"FeO\" (2), \"Fe2O3\" (3), \"Fe2O3t\" (2); rows whose FeO or "
                            "Fe2O3 was set aside for FeOt: \"FeO\" (1), \"Fe2O3\" (1)\n"),
            std::string::npos)
      << printed(d);

  // A table with one iron column has no lower column to tell of.
  Diagnostics only;
  const std::string total = writeFile("total.csv", "Sample,Fe2O3t_Gt,MgO_Gt\nA,7.78,20\n");
  EXPECT_NEAR(compile({total}, only).at(0).ox[Gar].FeO, 7.78 * kFe2O3ToFeO, 1e-6);
  EXPECT_EQ(only.count("iron:" + total), 0);
}

// The rows of tables grouped as the readers give them: a wide table in which
// a name repeats keeps each row apart; the others join by name.
std::vector<Association> group(const std::vector<std::string>& paths, Diagnostics& d) {
  Compilation compilation(d, RimCore::All);
  for (const std::string& path : paths) {
    AssociationTable table(openTable(path, ""), d);
    compilation.beginTable(path, tableRows(table.layout() == AssociationTable::Layout::Wide, false));
    TableRow row;
    while (table.next(row)) compilation.add(row);
    compilation.endTable();
  }
  std::vector<Association> out;
  Association a;
  while (compilation.next(a)) out.push_back(a);
  EXPECT_EQ(compilation.sampleCount(), out.size());
  return out;
}

TEST(Compilation, WideTableWithARepeatedNameKeepsEveryRow) {
  // Garnet grains of two concentrates, one pair per row of a xenolith, and a
  // long table of olivine in samples of those names.
  const std::string grains = writeFile("grains.csv",
                                       "Sample,MgO_Gt,CaO_Gt\n"
                                       "K1,20,4\nK2,21,5\nK1,22,6\nK1,23,7\n");
  const std::string opx = writeFile("opx.csv", "Sample,MgO_Opx\nK1,34\nK3,35\n");
  const std::string gt = writeFile("gt.csv", "Sample,MgO_Gt\nK3,19\nK1,18\n");
  const std::string ol = writeFile("ol.csv", "Sample,Mineral,MgO\nK1,Ol,49\nK1,Ol,51\n");
  struct Expected {
    std::string sample;
    double opx, gt, ol;
  };
  struct Case {
    std::vector<std::string> paths;
    std::vector<Expected> rows;
    long apart;  // rows counted in the note, 0: no note
  } cases[] = {
      // Each grain its own association, in row order; the olivine of K1
      // joins nothing of the grains.
      {{grains, ol},
       {{"K1", 0, 20, 0}, {"K2", 0, 21, 0}, {"K1", 0, 22, 0}, {"K1", 0, 23, 0}, {"K1", 0, 0, 50}},
       3},
      {{ol, grains},
       {{"K1", 0, 0, 50}, {"K1", 0, 20, 0}, {"K2", 0, 21, 0}, {"K1", 0, 22, 0}, {"K1", 0, 23, 0}},
       3},
      // Wide tables of distinct names join each other and the long table.
      {{opx, gt, ol}, {{"K1", 34, 18, 50}, {"K3", 35, 19, 0}}, 0},
      {{gt, ol, opx}, {{"K3", 35, 19, 0}, {"K1", 34, 18, 50}}, 0},
      // Grains beside samples: the samples still join.
      {{opx, grains, gt},
       {{"K1", 34, 18, 0},
        {"K3", 35, 19, 0},
        {"K1", 0, 20, 0},
        {"K2", 0, 21, 0},
        {"K1", 0, 22, 0},
        {"K1", 0, 23, 0}},
       3},
  };
  for (const Case& c : cases) {
    Diagnostics d;
    std::vector<Association> all = group(c.paths, d);
    ASSERT_EQ(all.size(), c.rows.size()) << c.paths.front();
    for (std::size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].sample, c.rows[i].sample) << i;
      EXPECT_NEAR(all[i].ox[Opx].MgO, c.rows[i].opx, 1e-5) << i;
      EXPECT_NEAR(all[i].ox[Gar].MgO, c.rows[i].gt, 1e-5) << i;
      EXPECT_NEAR(all[i].ox[Ol].MgO, c.rows[i].ol, 1e-5) << i;
    }
    const std::string note = "note: " + grains + ": " + std::to_string(c.apart) +
                             " rows share a sample name with another row; each row is "
                             "evaluated on its own\n";
    EXPECT_EQ(printed(d).find(note) != std::string::npos, c.apart > 0) << printed(d);
    // No grain is averaged: only the olivine spots of K1 are.
    const bool olivine = std::find(c.paths.begin(), c.paths.end(), ol) != c.paths.end();
    EXPECT_EQ(d.count("averaged"), olivine ? 1 : 0) << printed(d);
  }
}

// Wide tables of thousands of distinct names, more than the name index first
// holds: every row of the second joins its name in the first, in the order
// of the first, and a long table's spots join them too.
TEST(Compilation, LargeWideTablesOfDistinctNamesJoinByName) {
  constexpr int kSamples = 5000;
  std::string opx = "Sample,MgO_Opx\n", gt = "Sample,MgO_Gt\n", ol = "Sample,Mineral,MgO\n";
  for (int i = 0; i < kSamples; ++i) {
    opx += "S" + std::to_string(i) + "," + std::to_string(30 + i % 7) + "\n";
    const int j = kSamples - 1 - i;  // the garnets in the reverse order
    gt += "S" + std::to_string(j) + "," + std::to_string(15 + j % 5) + "\n";
    if (i % 10 == 0) ol += "S" + std::to_string(i) + ",Ol,48\nS" + std::to_string(i) + ",Ol,50\n";
  }
  Diagnostics d;
  std::vector<Association> all =
      group({writeFile("opx.csv", opx), writeFile("gt.csv", gt), writeFile("ol.csv", ol)}, d);
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kSamples));
  for (int i = 0; i < kSamples; ++i) {
    const Association& a = all[static_cast<std::size_t>(i)];
    ASSERT_EQ(a.sample, "S" + std::to_string(i));
    EXPECT_EQ(a.ox[Opx].MgO, static_cast<float>(30 + i % 7)) << i;
    EXPECT_EQ(a.ox[Gar].MgO, static_cast<float>(15 + i % 5)) << i;
    EXPECT_EQ(a.ox[Ol].MgO, i % 10 == 0 ? 49.0f : 0.0f) << i;
  }
}

TEST(Compilation, RepeatedNamesCounted) {
  RepeatedNames names;
  const char* rows[] = {"A", "B", "A", "C", "A", "B"};
  const bool repeat[] = {false, false, true, false, true, true};
  for (std::size_t i = 0; i < 6; ++i)
    EXPECT_EQ(names.add(rows[i], static_cast<long>(i) + 2), repeat[i]) << i;
  EXPECT_EQ(names.rowsSharing(), 5);  // three rows of A, two of B
  EXPECT_EQ(names.firstName(), "A");
  EXPECT_EQ(names.firstRow(), 4);
  EXPECT_EQ(names.earlierRow(), 2);
  names.clear();
  EXPECT_FALSE(names.add("A", 2));
  EXPECT_EQ(names.rowsSharing(), 0);
}

// Names held side by side: prefixes of each other, the empty name and names
// met again after the store has grown many times over are all told apart.
TEST(Compilation, RepeatedNamesAmongManyNames) {
  RepeatedNames names;
  long row = 2;
  for (int i = 0; i < 20000; ++i) EXPECT_FALSE(names.add("G" + std::to_string(i), row++)) << i;
  EXPECT_FALSE(names.add("", row++));
  EXPECT_FALSE(names.add("G", row++));
  EXPECT_TRUE(names.add("G1", row++));       // row 3
  EXPECT_TRUE(names.add("G19999", row++));   // row 20001
  EXPECT_TRUE(names.add("", row++));
  EXPECT_FALSE(names.add("G20000", row++));
  EXPECT_EQ(names.rowsSharing(), 6);
  EXPECT_EQ(names.firstName(), "G1");
  EXPECT_EQ(names.earlierRow(), 3);
}

// Rows taken as they are added (a single wide table streaming): each row's
// association holds its own minerals and description only, never what an
// earlier row left in the memory it reuses.
TEST(Compilation, HeldRowsTakenAsTheyCome) {
  Diagnostics d;
  AssociationTable table(
      openTable(writeFile("stream.csv",
                          "Sample,Description,MgO_Ol,SiO2_Gt,CaO_Gt\n"
                          "A,first,49,42,5\nB,,50,,\nA,,,41.5,4.5\nC,,,,\nD,last,48,,\n"),
                ""),
      d);
  Compilation compilation(d, RimCore::All);
  compilation.beginTable("stream.csv", TableRows::Samples);
  std::vector<Association> taken;
  TableRow row;
  Association a;
  while (table.next(row)) {
    compilation.add(row);
    while (compilation.nextHeld(a)) taken.push_back(a);
  }
  compilation.endTable();
  EXPECT_FALSE(compilation.next(a));
  ASSERT_EQ(taken.size(), 4u);  // C has no analysis
  const char* samples[] = {"A", "B", "A", "D"};
  const float olivineMgO[] = {49, 50, 0, 48}, garnetSiO2[] = {42, 0, 41.5f, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(taken[i].sample, samples[i]) << i;
    EXPECT_EQ(taken[i].ox[Ol].MgO, olivineMgO[i]) << i;
    EXPECT_EQ(taken[i].ox[Gar].SiO2, garnetSiO2[i]) << i;
    EXPECT_EQ(taken[i].present[Gar], garnetSiO2[i] > 0) << i;
  }
  auto description = [&](std::size_t i) {
    std::string_view text = taken[i].info.descriptionText();
    return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
  };
  EXPECT_EQ(taken[2].ox[Gar].MgO, 0.0f);  // the memory of B's olivine, reused
  EXPECT_EQ(description(0), "first");
  EXPECT_EQ(description(1), "");
  EXPECT_EQ(description(3), "last");
  const std::string notes = printed(d);
  EXPECT_NE(notes.find("2 rows share a sample name"), std::string::npos) << notes;
  EXPECT_NE(notes.find("1 sample has no analysis"), std::string::npos) << notes;
}

TEST(Compilation, NickelInPpmWhereARowHasIt) {
  Diagnostics d;
  std::vector<Association> all = compile(
      {writeFile("nickel.csv", "Sample,Mineral,NiO,Ni_ppm,MgO\nA,Ol,0.40,,49\nB,Ol,0.40,3000,49\n")},
      d);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_NEAR(all[0].ox[Ol].NiO, 0.40, 1e-7);
  EXPECT_NEAR(all[1].ox[Ol].NiO, 3000 * kNiPpmToNiO, 1e-7);
}

// An oxide is not determined for a mineral when no analysis of it gave the
// oxide a value: blank cells (or blanks only), or no column; a bdl, "<" or
// negative cell is determined as 0, and one determined spot is enough.
TEST(Compilation, OxidesNoAnalysisDeterminedAreMarked) {
  constexpr int kTiO2 = 1, kCr2O3 = 3, kMnO = 5;
  Diagnostics d;
  std::vector<Association> all = compile({writeFile("determined.csv",
                                                    "Sample,Mineral,TiO2,Cr2O3,MgO\n"
                                                    "blank,Gt,,4.0,20\n"
                                                    "spaces,Gt,  ,4.0,20\n"
                                                    "bdl,Gt,bdl,4.0,20\n"
                                                    "less,Gt,<0.02,4.0,20\n"
                                                    "negative,Gt,-1,4.0,20\n"
                                                    "zero,Gt,0,4.0,20\n"
                                                    "onespot,Gt,,4.0,20\n"
                                                    "onespot,Gt,0.30,,20\n"
                                                    "twoblank,Gt,,4.0,20\n"
                                                    "twoblank,Gt,,4.0,21\n")},
                                         d);
  const std::vector<std::pair<std::string, bool>> expected = {
      {"blank", false},   {"spaces", false}, {"bdl", true},     {"less", true},
      {"negative", true}, {"zero", true},    {"onespot", true}, {"twoblank", false}};
  ASSERT_EQ(all.size(), expected.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].sample, expected[i].first);
    EXPECT_EQ(all[i].determined(Gar, kTiO2), expected[i].second) << all[i].sample;
    EXPECT_TRUE(all[i].determined(Gar, kCr2O3)) << all[i].sample;
    EXPECT_FALSE(all[i].determined(Gar, kMnO)) << all[i].sample;  // no column
  }
  EXPECT_NEAR(all[6].ox[Gar].TiO2, 0.30, 1e-7);  // the one spot that gives it
  // Inputs that cannot tell (an association filled by hand) leave all determined.
  Association a;
  a.clear();
  EXPECT_TRUE(a.determined(Gar, kTiO2));
}

TEST(Compilation, Latin1FileReadAsUtf8) {
  Diagnostics d;
  std::string path = writeFile("latin1.csv",
                               "Sample,Mineral,SiO2,MgO\n"
                               "S\xe4r-1,Olivine,40.5,49.1\n"
                               "Jagersfontein \xb0""2,Olivine,40.6,49.0\n");
  std::vector<Association> all = compile({path}, d);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].sample, "S\xc3\xa4r-1");
  EXPECT_EQ(all[1].sample, "Jagersfontein \xc2\xb0""2");
  EXPECT_NE(printed(d).find("note: " + path + " is not UTF-8 text; it is read as Latin-1\n"),
            std::string::npos);
  Diagnostics utf8;
  EXPECT_EQ(compile({writeFile("utf8.csv", "Sample,Mineral,SiO2\nS\xc3\xa4r,Ol,40\n")}, utf8)[0]
                .sample,
            "S\xc3\xa4r");
  EXPECT_EQ(utf8.count("latin1:" + tempPath("utf8.csv")), 0);
}

TEST(Compilation, TextHelpers) {
  EXPECT_EQ(withoutReferenceTag(" CIM15-001 [19973] "), "CIM15-001");
  EXPECT_EQ(withoutReferenceTag("GARNET [19973]"), "GARNET");
  EXPECT_EQ(withoutReferenceTag("Grain [a]"), "Grain [a]");
  EXPECT_EQ(withoutReferenceTag("[12]"), "");
  struct Case {
    const char* text;
    bool utf8;
  } cases[] = {{"plain", true},      {"\xc3\xa4", true},   {"\xe4", false},
               {"\xc3", false},      {"\xc0\x80", false},  {"\xe2\x80\x94", true},
               {"\xe2\x80", false},  {"\xf0\x9f\x98\x80", true}};
  for (const Case& c : cases) EXPECT_EQ(isUtf8(c.text), c.utf8) << c.text;
  EXPECT_EQ(latin1ToUtf8("a\xe9z"), "a\xc3\xa9z");
}

TEST(ColumnNames, CompilationHeadersAndMineralWords) {
  using K = ColumnMeaning::Kind;
  struct Case {
    const char* header;
    K kind;
    int oxide;
    int iron;
  } cases[] = {
      {"SAMPLE NAME", K::Sample, -1, 0},
      {"MINERAL", K::Mineral, -1, 0},
      {"RIM/CORE (MINERAL GRAINS)", K::Position, -1, 0},
      {"rim_core", K::Position, -1, 0},
      {"Position", K::Position, -1, 0},
      {"SIO2(WT%)", K::Oxide, 0, 0},
      {"FEOT(WT%)", K::Oxide, 4, ColumnMeaning::FeOTotal},
      {"FEO(WT%)", K::Oxide, 4, ColumnMeaning::FeOPlain},
      {"FE2O3(WT%)", K::Oxide, 11, ColumnMeaning::Fe2O3Plain},
      {"FE2O3T(WT%)", K::Oxide, 4, ColumnMeaning::Fe2O3Total},
      {"NI(PPM)", K::Oxide, 10, 0},
      {"CR(PPM)", K::Ignored, -1, 0},
      {"P2O5(WT%)", K::Ignored, -1, 0},
      {"LATITUDE (MIN.)", K::Ignored, -1, 0},
      {"CITATION", K::Ignored, -1, 0},
      {"nio", K::Oxide, 10, 0},
  };
  for (const Case& c : cases) {
    ColumnMeaning m = columnMeaning(c.header);
    EXPECT_EQ(m.kind, c.kind) << c.header;
    EXPECT_EQ(m.oxide, c.oxide) << c.header;
    EXPECT_EQ(m.iron, c.iron) << c.header;
  }
  EXPECT_TRUE(columnMeaning("NI(PPM)").nickelPpm);
  struct Word {
    const char* word;
    int slot;
  } words[] = {{"BRONZITE", Opx},        {"Hypersthene", Opx},      {"CR-DIOPSIDE", Cpx},
               {"chrome diopside", Cpx}, {"OMPHACITE", Cpx},        {"Forsterite", Ol},
               {"CHROMIAN SPINEL", Sp},  {"MAGNESIOCHROMITE", Sp},  {"Hercynite", Sp},
               {"PYROPE", Gar},          {"PICROILMENITE", Ilm},    {"Mg-ilmenite", Ilm},
               {"PHLOGOPITE", -1},       {"AMPHIBOLE", -1}};
  for (const Word& w : words) EXPECT_EQ(slotOfMineralName(w.word), w.slot) << w.word;
}

}  // namespace
}  // namespace mantlept::tables
