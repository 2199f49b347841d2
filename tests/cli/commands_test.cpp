// Tables, convert, methods and Monte Carlo through the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "e2e/program_run.hpp"

namespace mantlept::e2e {
namespace {

// One garnet lherzolite and one spinel-free pyroxenite, wide and long.
const std::string kWide =
    "Sample,Rock,SiO2_Opx,Al2O3_Opx,FeOt_Opx,MgO_Opx,CaO_Opx,Na2O_Opx,SiO2_Cpx,Al2O3_Cpx,"
    "FeOt_Cpx,MgO_Cpx,CaO_Cpx,Na2O_Cpx,SiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MgO_Gt,CaO_Gt\n"
    "Garnet lherzolite 1,coarse,57.52,0.82,4.92,34.61,0.95,0.21,54.85,2.21,2.81,17.42,18.63,1.93,"
    "42.05,20.52,4.33,6.92,20.91,5.02\n"
    "Px-2,\"sheared, fine\",57.1,0.95,5.6,33.8,1.45,bdl,54.4,2.6,4.1,19.1,16.2,1.75,,,,,,\n";
const std::string kLong =
    "Sample;Mineral;SiO2;Al2O3;FeO;MgO;CaO;Na2O;Cr2O3;Description\n"
    "Garnet lherzolite 1;Opx;57,52;0,82;4,92;34,61;0,95;0,21;;coarse\n"
    "Garnet lherzolite 1;Cpx;54,85;2,21;2,81;17,42;18,63;1,93;;\n"
    "Garnet lherzolite 1;Grt;42,05;20,52;6,92;20,91;5,02;n.d.;4,33;\n"
    "Px-2;En;57,1;0,95;5,6;33,8;1,45;<0.01;;sheared, fine\n"
    "Px-2;Di;54,4;2,6;4,1;19,1;16,2;1,75;;\n";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

TEST(Tables, WideLongAndDecimalCommaTablesGiveTheSameRows) {
  const std::vector<std::string> pairs = {"-p", "7,5", "-p", "25,5", "-x", "3"};
  auto calc = [&](const std::string& name, const std::string& text) {
    std::vector<std::string> args = {"calc", name};
    args.insert(args.end(), pairs.begin(), pairs.end());
    return runCommand(args, {{name, text}});
  };
  ProgramRun wide = calc("wide.csv", kWide);
  ProgramRun longForm = calc("long.txt", kLong);
  ASSERT_EQ(wide.status, 0) << wide.err;
  ASSERT_EQ(longForm.status, 0) << longForm.err;
  EXPECT_EQ(wide.out, longForm.out);
  std::vector<std::string> rows = lines(wide.out);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1].rfind("Garnet lherzolite 1,7,", 0), 0u);  // the full name
  EXPECT_NE(rows[1].find(",ok,"), std::string::npos);
  EXPECT_NE(rows[4].find(",incomplete,"), std::string::npos);  // Px-2 has no garnet

  // The same rows from the fixed-column file convert writes.
  ProgramRun converted = runCommand({"convert", "wide.csv", "-o", "px.txt"}, {{"wide.csv", kWide}});
  ASSERT_EQ(converted.status, 0) << converted.err;
  std::string fixed = converted.file("px.txt");
  EXPECT_EQ(fixed.substr(0, 9), "Garnet lE");
  ProgramRun again = calc("px.txt", fixed);
  ASSERT_EQ(again.status, 0) << again.err;
  std::vector<std::string> fromFixed = lines(again.out);
  ASSERT_EQ(fromFixed.size(), rows.size());
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(fromFixed[i].substr(fromFixed[i].find(',')), rows[i].substr(rows[i].find(',')));
  }
}

TEST(Tables, PublishedWideTableRunsUnedited) {
  // Garnet peridotites as published: extra P and T columns, a trailing comma
  // on every row, names with a trailing blank.
  std::string data =
      readAll(std::string(MANTLEPT_TEST_DATA) + "/tables/tappe2021_garnet_peridotites.csv");
  ProgramRun run = runCommand({"calc", "t.csv", "-p", "7,5", "-p", "8,5", "--start", "1027,10"},
                              {{"t.csv", data}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> rows = lines(run.out);
  ASSERT_EQ(rows.size(), 1u + 13 * 2);
  // An independent recalculation of the two-pyroxene thermometer with the
  // Al-in-orthopyroxene barometer gives 62.19 kbar and 1392.5 deg C.
  ASSERT_EQ(rows[1].rfind("CIM15-001,7,", 0), 0u);
  std::stringstream cells(rows[1]);
  std::vector<std::string> c;
  for (std::string x; std::getline(cells, x, ',');) c.push_back(x);
  EXPECT_NEAR(std::stod(c[5]), 1392.5, 0.5);
  EXPECT_NEAR(std::stod(c[6]), 62.19, 0.05);
}

TEST(Tables, BadTablesExitOneAndLeaveNoFile) {
  struct Case {
    std::string text, message;
  };
  const std::vector<Case> cases = {
      {"Sample,SiO2_Opx,Al2O3_Opx\nA,57.5,x.9\n", "row 2"},
      {"Sample,SiO2_Opx,Al2O3_Opx\nA,57.5,0.9,3\n", "row 2"},
      {"Sample,SiO2_Opx\n", ""},
      {"Sample,Foo,Bar\nA,1,2\n", "Foo"},
      // Several iron columns are read by precedence; one oxide twice is an error.
      {"Sample,SiO2_Opx,FeOt_Opx,SIO2(WT%)_Opx\nA,1,2,3\n", "SIO2(WT%)_Opx"},
  };
  for (const Case& c : cases) {
    ProgramRun run =
        runCommand({"calc", "t.csv", "-p", "7,5", "-o", "out.csv"}, {{"t.csv", c.text}});
    EXPECT_EQ(run.status, 1) << c.text;
    EXPECT_NE(run.err.find("t.csv"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("out.csv")) << c.text;
  }
  ProgramRun merging = runCommand({"convert", "t.csv", "-o", "a.txt"},
                                  {{"t.csv", "Sample,SiO2_Ol\nCIM15-001,40\nCIM15-002,41\n"}});
  EXPECT_EQ(merging.status, 1);
  EXPECT_NE(merging.err.find("CIM15-002"), std::string::npos);
  EXPECT_FALSE(merging.exists("a.txt"));
}

// A wide table of pairs, two rows of one xenolith: each row is evaluated on
// its own, in row order, exactly as a table of that row alone.
TEST(Tables, RowsThatShareANameAreEachTheirOwnAssociation) {
  const std::string header = kWide.substr(0, kWide.find('\n') + 1);
  const std::string first = lines(kWide)[1].substr(lines(kWide)[1].find(','));
  const std::string second =
      ",fine,57.1,0.95,5.6,33.8,1.45,0.1,54.4,2.6,4.1,19.1,16.2,1.75,42.3,21.1,2.9,7.4,20.6,4.6";
  const std::vector<std::string> rows = {"X" + first, "X" + second, "Y" + first};
  std::string table = header;
  for (const std::string& r : rows) table += r + "\n";
  const std::vector<std::string> pairs = {"-p", "7,5", "-p", "25,5", "-x", "3"};
  auto calc = [&](const std::string& text) {
    std::vector<std::string> args = {"calc", "pairs.csv"};
    args.insert(args.end(), pairs.begin(), pairs.end());
    return runCommand(args, {{"pairs.csv", text}});
  };
  ProgramRun all = calc(table);
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_NE(all.err.find("note: pairs.csv: 2 rows share a sample name with another row; each "
                         "row is evaluated on its own\n"),
            std::string::npos)
      << all.err;
  EXPECT_EQ(all.err.find("averaged"), std::string::npos) << all.err;
  std::vector<std::string> out = lines(all.out);
  ASSERT_EQ(out.size(), 1 + 2 * rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ProgramRun alone = calc(header + rows[k] + "\n");
    ASSERT_EQ(alone.status, 0) << alone.err;
    std::vector<std::string> expected = lines(alone.out);
    ASSERT_EQ(expected.size(), 3u);
    for (std::size_t pair = 0; pair < 2; ++pair)
      EXPECT_EQ(out[1 + 2 * k + pair], expected[1 + pair]) << "row " << k << " pair " << pair;
  }
  EXPECT_NE(out[1], out[3]);  // the two X rows differ: neither is averaged away

  // The fixed-column file would join the two X rows: convert refuses.
  ProgramRun converted = runCommand({"convert", "pairs.csv", "-o", "px.txt"}, {{"pairs.csv", table}});
  EXPECT_EQ(converted.status, 1);
  EXPECT_NE(converted.err.find("pairs.csv, row 3: sample name \"X\" is that of row 2 too"),
            std::string::npos)
      << converted.err;
  EXPECT_FALSE(converted.exists("px.txt"));

  // Two wide files whose names are all distinct still join by sample.
  const std::string pyroxenes =
      "Sample,Rock,SiO2_Opx,Al2O3_Opx,FeOt_Opx,MgO_Opx,CaO_Opx,Na2O_Opx,SiO2_Cpx,Al2O3_Cpx,"
      "FeOt_Cpx,MgO_Cpx,CaO_Cpx,Na2O_Cpx\n"
      "Garnet lherzolite 1,coarse,57.52,0.82,4.92,34.61,0.95,0.21,54.85,2.21,2.81,17.42,18.63,"
      "1.93\n"
      "Px-2,\"sheared, fine\",57.1,0.95,5.6,33.8,1.45,bdl,54.4,2.6,4.1,19.1,16.2,1.75\n";
  const std::string garnets =
      "Sample,SiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MgO_Gt,CaO_Gt\n"
      "Garnet lherzolite 1,42.05,20.52,4.33,6.92,20.91,5.02\n";
  std::vector<std::string> args = {"calc", "gt.csv", "px.csv"};
  args.insert(args.end(), pairs.begin(), pairs.end());
  ProgramRun joined = runCommand(args, {{"px.csv", pyroxenes}, {"gt.csv", garnets}});
  ProgramRun whole = calc(kWide);
  ASSERT_EQ(joined.status, 0) << joined.err;
  EXPECT_EQ(joined.out, whole.out);
  EXPECT_EQ(joined.err.find("share a sample name"), std::string::npos);
}

// kWide's samples as three files of spot analyses, rows of a sample apart;
// each mineral's spots average to the wide table's values.
const std::vector<std::pair<std::string, std::string>> kSpots = {
    {"opx.csv",
     "Sample,Mineral,Spot,SiO2,Al2O3,FeOt,MgO,CaO,Na2O\n"
     "Garnet lherzolite 1,Opx,1,57.50,0.80,4.92,34.61,0.95,0.21\n"
     "Px-2,En,1,57.2,0.95,5.5,33.9,1.45,bdl\n"
     "Px-2,En,2,57.0,0.95,5.7,33.7,1.45,\n"
     "Garnet lherzolite 1,Opx,2,57.54,0.84,4.92,34.61,0.95,0.21\n"},
    {"cpx.csv",
     "Sample,Mineral,SiO2,Al2O3,FeOt,MgO,CaO,Na2O\n"
     "Garnet lherzolite 1,Cpx,54.85,2.21,2.81,17.42,18.63,1.93\n"
     "Px-2,Di,54.3,2.6,4.1,19.1,16.2,1.75\n"
     "Garnet lherzolite 1,Cpx,54.85,2.21,2.81,17.42,18.63,1.93\n"
     "Px-2,Di,54.5,2.6,4.1,19.1,16.2,1.75\n"},
    {"gt.csv",
     "Sample,Mineral,SiO2,Al2O3,Cr2O3,FeOt,MgO,CaO\n"
     "Garnet lherzolite 1,Gt,42.05,20.50,4.33,6.92,20.90,5.02\n"
     "Garnet lherzolite 1,Gt,42.05,20.54,4.33,6.92,20.92,5.02\n"},
};

TEST(Compilations, SpotsInThreeFilesGiveTheRowsOfTheWideTable) {
  const std::vector<std::string> options = {"-p", "7,5", "-p", "25,5", "-x", "3"};
  std::vector<std::string> args = {"calc", "wide.csv"};
  args.insert(args.end(), options.begin(), options.end());
  ProgramRun wide = runCommand(args, {{"wide.csv", kWide}});
  args = {"calc", "opx.csv", "cpx.csv", "gt.csv"};
  args.insert(args.end(), options.begin(), options.end());
  ProgramRun spots = runCommand(args, kSpots);
  ASSERT_EQ(wide.status, 0) << wide.err;
  ASSERT_EQ(spots.status, 0) << spots.err;
  EXPECT_EQ(spots.out, wide.out);
  EXPECT_NE(spots.err.find("note: 5 sample-mineral groups were averaged from 10 analyses"),
            std::string::npos)
      << spots.err;

  // The order of the files sets the order of the samples.
  ProgramRun reordered = runCommand({"convert", "gt.csv", "opx.csv", "cpx.csv"}, kSpots);
  ASSERT_EQ(reordered.status, 0) << reordered.err;
  EXPECT_EQ(reordered.out.substr(0, 9), "Garnet lE");
  EXPECT_EQ(reordered.outLines().size(), 5u);  // Opx, Cpx, Gt; Opx, Cpx
}

TEST(Compilations, BadInputsOfSeveralFiles) {
  const std::string fixed = analysisLine("A", 'O', {40.9, 0, 0, 0, 8.8, 0, 49.8});
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"calc", "opx.csv", "missing.csv", "-p", "7,5", "-o", "out.csv"}, 1, "missing.csv"},
      {{"calc", "opx.csv", "a.txt", "-p", "7,5", "-o", "out.csv"}, 2,
       "a.txt is a fixed-column analysis file: it must be the only input"},
      {{"convert", "a.txt", "gt.csv", "-o", "out.csv"}, 2, "a.txt is a fixed-column"},
      {{"calc", "opx.csv", "nosample.csv", "-p", "7,5", "-o", "out.csv"}, 1,
       "nosample.csv: no sample column"},
      {{"calc", "opx.csv", "-p", "7,5", "--rim-core", "middle", "-o", "out.csv"}, 2,
       "--rim-core"},
      {{"calc", "opx.csv", "bad.csv", "-p", "7,5", "-o", "out.csv"}, 1,
       "bad.csv, row 2, column C (\"SiO2\"): \"45000\" is above 100 wt% (SiO2)"},
  };
  std::vector<std::pair<std::string, std::string>> files = kSpots;
  files.emplace_back("a.txt", fixed + "\n");
  files.emplace_back("nosample.csv", "Mineral,SiO2\nOl,40\n");
  files.emplace_back("bad.csv", "Sample,Mineral,SiO2\nA,Ol,45000\n");
  for (const Case& c : cases) {
    ProgramRun run = runCommand(c.args, files);
    EXPECT_EQ(run.status, c.status) << c.args[2];
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("out.csv")) << c.args[2];
  }
  // The fixed-column file alone still works.
  ProgramRun alone = runCommand({"convert", "a.txt"}, files);
  EXPECT_EQ(alone.status, 1);
  EXPECT_NE(alone.err.find("a.txt is a fixed-column analysis file already"), std::string::npos);
}

TEST(Compilations, RimCoreOptionChoosesSpots) {
  const std::string opx =
      "SAMPLE NAME,MINERAL,RIM/CORE (MINERAL GRAINS),SIO2(WT%),MGO(WT%)\n"
      "A [1],OLIVINE [1],CORE,40.0,49.0\n"
      "A [1],OLIVINE [1],RIM,42.0,47.0\n"
      "A [1],OLIVINE [1],,41.0,48.0\n";
  struct Case {
    std::string choice, sio2, mgo;  // the 8-column fields of SiO2 and MgO
  } cases[] = {
      {"core", "  40.000", "  49.000"},
      {"RIM", "  42.000", "  47.000"},
      {"all", "  41.000", "  48.000"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runCommand({"convert", "ol.csv", "--rim-core", c.choice}, {{"ol.csv", opx}});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.out.size(), 64u);
    EXPECT_EQ(run.out.substr(0, 9), "A       O") << c.choice;
    EXPECT_EQ(run.out.substr(16, 8), c.sio2) << c.choice;
    EXPECT_EQ(run.out.substr(16 + 6 * 8, 8), c.mgo) << c.choice;
  }
}

TEST(Methods, ListingComesFromTheDispatchTables) {
  ProgramRun one = runCommand({"methods", "7", "--kind", "thermometer"}, {});
  EXPECT_EQ(one.status, 0);
  EXPECT_NE(one.out.find("thermometer 7: BreyKohler90 2Px"), std::string::npos) << one.out;
  EXPECT_NE(one.out.find("Opx + Cpx"), std::string::npos);
  ProgramRun all = runCommand({"methods", "--format", "csv"}, {});
  // The catalogue's 47, 43 and 9, and thermometers 48, 49 and barometer 44 after it.
  EXPECT_EQ(lines(all.out).size(), 1u + 49 + 44 + 9);
  EXPECT_EQ(runCommand({"methods", "50", "--kind", "thermometer"}, {}).status, 2);
  EXPECT_EQ(runCommand({"methods", "45", "--kind", "barometer"}, {}).status, 2);
  ProgramRun t48 = runCommand({"methods", "48", "--kind", "thermometer"}, {});
  EXPECT_EQ(t48.status, 0);
  EXPECT_NE(t48.out.find("thermometer 48: NimisTaylor2000T"), std::string::npos) << t48.out;
  EXPECT_NE(t48.out.find("T 850-1500 degC, P 0-60 kbar"), std::string::npos) << t48.out;
  EXPECT_EQ(runCommand({"methods", "--kind", "rock"}, {}).status, 2);
}

// The flags cell of every row, found by the header.
std::vector<std::string> flagCells(const std::string& out) {
  std::vector<std::string> rows = lines(out), cells;
  if (rows.empty()) return cells;
  std::vector<std::string> header;
  std::stringstream h(rows[0]);
  for (std::string x; std::getline(h, x, ',');) header.push_back(x);
  const auto at =
      static_cast<std::size_t>(std::find(header.begin(), header.end(), "flags") - header.begin());
  for (std::size_t i = 1; i < rows.size(); ++i) {
    std::vector<std::string> c;
    std::stringstream r(rows[i]);
    for (std::string x; std::getline(r, x, ',');) c.push_back(x);
    cells.push_back(at < c.size() ? c[at] : "");
  }
  return cells;
}

TEST(Flags, TotalsWindowFromTheCommandLine) {
  // Garnet lherzolite 1 totals Opx 99.03, Cpx 97.85, Gt 99.75 wt%; Px-2 has
  // Opx 98.90 and Cpx 98.15 and no garnet (its 7,5 row is incomplete).
  struct Case {
    std::vector<std::string> totals;
    std::vector<std::string> expected;  // rows 7,5 and 2,1 of each sample
  };
  const Case cases[] = {
      {{}, {"total-Cpx", "total-Cpx", "", ""}},
      {{"--totals", "97,102"}, {"", "", "", ""}},
      {{"--totals", "98.2,102"}, {"total-Cpx", "total-Cpx", "", "total-Cpx"}},
      {{"--totals", "99.5,102"},
       {"total-Opx;total-Cpx", "total-Opx;total-Cpx", "", "total-Opx;total-Cpx"}},
      {{"--totals", "off"}, {"", "", "", ""}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"calc", "w.csv", "-p", "7,5", "-p", "2,1"};
    args.insert(args.end(), c.totals.begin(), c.totals.end());
    ProgramRun run = runCommand(args, {{"w.csv", kWide}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(flagCells(run.out), c.expected) << run.out;
  }
  for (std::string bad : {"102,98", "98", "98,x", "off,1", "nan,102"}) {
    ProgramRun run =
        runCommand({"calc", "w.csv", "-p", "7,5", "--totals", bad}, {{"w.csv", kWide}});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
  }
}

TEST(Flags, EveryPairFlaggedFromItsOwnSample) {
  // The rows of 7,5 carry the same flags whatever pairs run before them.
  const std::string table = readAll(std::string(MANTLEPT_SOURCE_DIR) + "/examples/xenoliths.csv");
  ProgramRun alone = runCommand({"calc", "x.csv", "-p", "7,5", "-x", "1"}, {{"x.csv", table}});
  ProgramRun after = runCommand(
      {"calc", "x.csv", "-p", "24,5", "-p", "38,30", "-p", "7,5", "-x", "1"}, {{"x.csv", table}});
  ASSERT_EQ(alone.status, 0) << alone.err;
  ASSERT_EQ(after.status, 0) << after.err;
  std::vector<std::string> a = flagCells(alone.out), b = flagCells(after.out);
  ASSERT_EQ(b.size(), 3 * a.size());
  bool any = false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(b[3 * i + 2], a[i]) << i;
    any = any || a[i].find("na-test") != std::string::npos;
  }
  EXPECT_TRUE(any) << "the example table should hold a two-pyroxene row that fails the Na test";
  // The flags are the only difference the internal switch makes.
  ProgramRun off =
      runCommand({"calc", "x.csv", "-p", "7,5", "-x", "1", "--no-flags"}, {{"x.csv", table}});
  ASSERT_EQ(off.status, 0) << off.err;
  for (const std::string& f : flagCells(off.out)) EXPECT_EQ(f, "");
  std::vector<std::string> withFlags = lines(alone.out), without = lines(off.out);
  ASSERT_EQ(withFlags.size(), without.size());
  for (std::size_t i = 0; i < without.size(); ++i) {
    EXPECT_EQ(withFlags[i].substr(0, without[i].size()), without[i]);
  }
}

TEST(Methods, CalibrationRangesWithTheirSources) {
  struct Case {
    std::vector<std::string> args;
    const char* line;
  };
  const Case cases[] = {
      {{"methods", "24", "--kind", "thermometer"},
       "  calibration range: T 750-1300 degC, P 24-30 kbar (Ellis and Green 1979, p. 13)\n"},
      {{"methods", "5", "--kind", "barometer"},
       "  calibration range: P 10-60 kbar (Brey et al. 1990, experiments from 10 to 60 kb)\n"},
      {{"methods", "1", "--kind", "oxybarometer"},
       "  calibration range: T 1040-1300 degC, P 3-27 kbar (Ballhaus et al. 1991, p. 27)\n"},
      {{"methods", "3", "--kind", "barometer"}, "  calibration range: not stated\n"},
      {{"methods", "--format", "csv"},
       "\nthermometer,2,Wells77(Cpx+Opx),Opx + Cpx,Fe2O3,,875,1500,,,\"Wells 1977, p. 135\","
       "\"XMg_Cpx, XMg_Opx\",Opx + Cpx\n"},
      {{"methods", "2", "--kind", "barometer"},
       "  site parameters (formula --sites): AlM1_Opx, XCa_Gar, XAl_Gar, XMg_Opx\n"},
      {{"methods", "3", "--kind", "thermometer"}, "  site parameters (formula --sites): none\n"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runCommand(c.args, {});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
  }
  ProgramRun csv = runCommand({"methods", "--format", "csv"}, {});
  std::vector<std::string> rows = lines(csv.out);
  EXPECT_EQ(rows[0],
            "kind,number,label,minerals,reads,note,T_min_C,T_max_C,P_min_kbar,P_max_kbar,"
            "range_source,site_parameters,equation_minerals");
  int stated = 0;  // rows with a source before the last two cells
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const std::string r = rows[i].substr(0, rows[i].rfind(','));  // the minerals hold no comma
    const std::size_t last = r.back() == '"' ? r.rfind(",\"") : r.rfind(',');
    stated += r[last - 1] != ',';
  }
  EXPECT_EQ(stated, 13);  // the thirteen methods whose papers state a range
}

TEST(MonteCarlo, ThreadsDoNotChangeTheBytesAndZeroSigmaGivesThePlainValues) {
  const std::vector<std::string> base = {"calc", "wide.csv", "-p", "7,5", "-x", "3", "--mc", "300"};
  auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = base;
    args.insert(args.end(), extra.begin(), extra.end());
    return runCommand(args, {{"wide.csv", kWide}});
  };
  ProgramRun one = run({"--threads", "1", "--seed", "5"});
  ProgramRun two = run({"--threads", "2", "--seed", "5"});
  ProgramRun other = run({"--threads", "2", "--seed", "6"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
  EXPECT_NE(one.out, other.out);

  ProgramRun zero = run({"--rel-sigma", "0"});
  ASSERT_EQ(zero.status, 0) << zero.err;
  std::vector<std::string> rows = lines(zero.out);
  std::vector<std::string> c;
  std::stringstream cells(rows[1]);
  for (std::string x; std::getline(cells, x, ',');) c.push_back(x);
  // The twelve tidy cells, flags, then the eleven Monte Carlo cells.
  ASSERT_EQ(c.size(), 24u) << rows[1];
  for (int k : {13, 14, 15}) EXPECT_EQ(c[static_cast<std::size_t>(k)], c[5]);  // T
  for (int k : {16, 17, 18}) EXPECT_EQ(c[static_cast<std::size_t>(k)], c[6]);  // P
  EXPECT_EQ(c[23], "1");
}

TEST(MonteCarlo, BadDrawCountsAndSigmaFiles) {
  for (std::string n : {"0", "-3", "many", "1000001"}) {
    ProgramRun run = runCommand({"calc", "w.csv", "-p", "7,5", "--mc", n}, {{"w.csv", kWide}});
    EXPECT_EQ(run.status, 2) << n;
  }
  for (std::string sigma :
       {"mineral,oxide,abs,rel\nAmph,SiO2,0.1,1\n", "mineral,oxide,abs,rel\nOpx,SiO2,-0.1,1\n",
        "mineral,oxide,abs,rel\n*,Bogus,0.1,1\n", "mineral,oxide,abs,rel\nOpx,*,one,1\n"}) {
    ProgramRun run = runCommand(
        {"calc", "w.csv", "-p", "7,5", "--mc", "10", "--sigma", "s.csv", "-o", "out.csv"},
        {{"w.csv", kWide}, {"s.csv", sigma}});
    EXPECT_EQ(run.status, 1) << sigma;
    EXPECT_NE(run.err.find("s.csv, row 2"), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("out.csv"));
  }
}

}  // namespace
}  // namespace mantlept::e2e
