// This test computes in double precision.
// The geotherm command on points tables: the forms it reads, the faults it
// refuses, and the files it writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/geotherm_command.hpp"

namespace mantlept::cli {
namespace {

namespace fs = std::filesystem;

class GeothermCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("geotherm_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string p = (dir_ / name).string();
    std::ofstream(p) << text;
    return p;
  }
  int run(GeothermOptions o) {
    out_.str("");
    err_.str("");
    return runGeotherm(o, out_, err_);
  }
  fs::path dir_;
  std::ostringstream out_, err_;
};

const char* kResultsHeader =
    "sample,thermometer,thermometer_label,barometer,barometer_label,T_C,P_kbar,oxybarometer,fO2,"
    "status,passes,converged,T_C_median,T_C_p16,T_C_p84,P_kbar_median,P_kbar_p16,P_kbar_p84,"
    "fO2_median,fO2_p16,fO2_p84,TP_corr,mc_ok\n";

TEST_F(GeothermCommand, RefusesBadInputAndWritesNothing) {
  struct Case {
    const char* table;  // empty: no points table
    GeothermOptions options;
    const char* message;
    int status = 1;  // 2: an option out of its range
  };
  std::string ok2 = "T_C,P_GPa\n900,3\n1000,3.5\n";
  std::string results = std::string(kResultsHeader) +
                        "a,BKN,Two-px,NG85,Al-opx,900,30,,,ok,3,1,,,,,,,,,,,\n"
                        "b,TA98,Ta,NG85,Al-opx,950,35,,,ok,3,1,,,,,,,,,,,\n";
  GeothermOptions q0Low;
  q0Low.q0 = 20.0;
  GeothermOptions bareP;
  GeothermOptions wrongPair;
  wrongPair.pair = "O'Neill,NG85";
  GeothermOptions goodPair;
  goodPair.pair = "BKN,NG85";
  const Case cases[] = {
      {"T_C,P_GPa\n900,3\n", {}, "fewer than 2 usable points"},
      {"T_C,P_GPa\n900,3\nhot,3.5\n", {}, "row 3: T is not a number"},
      {"T_C,P_GPa\n900,3\n2100,3.5\n", {}, "row 3: T 2100 °C lies outside"},
      {"T_C,P_GPa\n900,16\n1000,3.5\n", {}, "row 2: P 16 GPa lies outside"},
      {"T_C,P_GPa,sigma_T\n900,3,0\n1000,3.5,40\n", {}, "row 2: an error is not above 0"},
      {"T_C,P_GPa,corr_TP\n900,3,0.2\n1000,3.5,1.5\n", {}, "row 3: the T-P correlation"},
      {"T_C,P\n900,3\n1000,3.5\n", bareP, "give --p-unit kbar or GPa"},
      {"Depth,P_GPa\n100,3\n", {}, "no temperature column"},
      {results.c_str(),
       {},
       "several thermometer-barometer pairs; choose one with --pair T,B (BKN,NG85; TA98,NG85)"},
      {results.c_str(), wrongPair,
       "no results for the pair O'Neill,NG85; pairs present: BKN,NG85; TA98,NG85"},
      {results.c_str(), goodPair, "fewer than 2 usable points (1)"},
      {ok2.c_str(), q0Low, "--q0 lies outside 25-120", 2},
  };
  for (const Case& c : cases) {
    GeothermOptions o = c.options;
    o.points = file("points.csv", c.table);
    o.outTable = (dir_ / "table.csv").string();
    o.outSvg = (dir_ / "diagram.svg").string();
    EXPECT_EQ(run(o), c.status) << c.message;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().rfind("mantlept: ", 0), 0u) << err_.str();
    EXPECT_TRUE(out_.str().empty());
    EXPECT_FALSE(fs::exists(o.outTable));
    EXPECT_FALSE(fs::exists(o.outSvg));
  }
}

TEST_F(GeothermCommand, ResultsOfOnePairWithTheirMonteCarloErrors) {
  // One ok point with MC errors, one with defaults, a capped and a rejected row.
  std::string text = std::string(kResultsHeader) +
                     "a,BKN,Two-px,NG85,Al-opx,900,30,,,ok,3,1,,880,920,,29,31,,,,0.5,1\n"
                     "b,BKN,Two-px,NG85,Al-opx,1000,40,,,ok,3,1,,,,,,,,,,,\n"
                     "c,BKN,Two-px,NG85,Al-opx,1100,81.5,,,capped,3,1,,,,,,,,,,,\n"
                     "d,BKN,Two-px,NG85,Al-opx,,,,,rejected,3,0,,,,,,,,,,,\n"
                     "e,TA98,Ta,NG85,Al-opx,950,35,,,ok,3,1,,,,,,,,,,,\n";
  GeothermOptions o;
  o.points = file("results.csv", text);
  o.pair = "two-px,al-opx";  // the labels serve as well as the codes
  o.q0 = 40.0;
  o.format = "json";
  ASSERT_EQ(run(o), 0) << err_.str();
  EXPECT_NE(err_.str().find("row 4: capped result left out"), std::string::npos);
  std::string s = out_.str();
  EXPECT_NE(s.find("\"n_points\": 2, \"n_excluded\": 2"), std::string::npos) << s;
  // The same points as a plain table with the errors written out.
  GeothermOptions plain;
  plain.points =
      file("plain.csv", "T_C,P_GPa,sigma_T,sigma_P,corr_TP\n900,3,20,0.1,0.5\n1000,4,50,0.3,0\n");
  plain.q0 = 40.0;
  plain.format = "json";
  ASSERT_EQ(run(plain), 0) << err_.str();
  std::string c1 = s.substr(s.find("\"chi2\""), 30),
              c2 = out_.str().substr(out_.str().find("\"chi2\""), 30);
  EXPECT_EQ(c1, c2);
  // Key order of the summary.
  std::size_t last = 0;
  for (const char* key : {"q0", "q0_lo", "q0_hi", "chi2", "reduced_chi2", "n_points", "n_excluded",
                          "moho_T_C", "lab_depth_km", "lab_depth_km_min", "lab_depth_km_max",
                          "lab_P_GPa", "lab_T_C", "dg_depth_km", "diamond_window_km"}) {
    std::size_t at = s.find('"' + std::string(key) + '"');
    ASSERT_NE(at, std::string::npos) << key;
    EXPECT_GT(at + 1, last) << key;
    last = at + 1;
  }
}

TEST_F(GeothermCommand, FlaggedRowsAreCountedOrDroppedAndOlderFilesStillRead) {
  // calc output with the flags column: two clean ok rows, two flagged ok rows
  // and a flagged rejected row (never used, never counted).
  const std::string withFlags =
      "sample,thermometer,thermometer_label,barometer,barometer_label,T_C,P_kbar,oxybarometer,"
      "fO2,status,passes,converged,flags\n"
      "a,7,Two-px,5,Al-opx,900,30,0,,ok,3,true,\n"
      "b,7,Two-px,5,Al-opx,1000,40,0,,ok,3,true,t-range\n"
      "c,7,Two-px,5,Al-opx,1050,45,0,,ok,3,true,\n"
      "d,7,Two-px,5,Al-opx,1150,55,0,,ok,3,true,total-Opx;na-test\n"
      "e,7,Two-px,5,Al-opx,,,0,,rejected,3,false,p-range\n";
  struct Case {
    bool drop;
    const char* summary;
    const char* note;
  };
  for (Case c : {Case{false, "\"n_points\": 4, \"n_excluded\": 1", "2 flagged ok rows used"},
                 Case{true, "\"n_points\": 2, \"n_excluded\": 3", "2 flagged ok rows left out"}}) {
    GeothermOptions o;
    o.points = file("flags.csv", withFlags);
    o.q0 = 40.0;
    o.format = "json";
    o.dropFlagged = c.drop;
    ASSERT_EQ(run(o), 0) << err_.str();
    EXPECT_NE(out_.str().find(c.summary), std::string::npos) << out_.str();
    EXPECT_NE(err_.str().find(c.note), std::string::npos) << err_.str();
    o.quiet = true;
    ASSERT_EQ(run(o), 0) << err_.str();
    EXPECT_EQ(err_.str(), "");
  }
  // A file without the column: every ok row is used, no note.
  GeothermOptions older;
  older.points = file("older.csv", std::string(kResultsHeader) +
                                       "a,BKN,Two-px,NG85,Al-opx,900,30,,,ok,3,1,,,,,,,,,,,\n"
                                       "b,BKN,Two-px,NG85,Al-opx,1000,40,,,ok,3,1,,,,,,,,,,,\n");
  older.q0 = 40.0;
  older.format = "json";
  older.dropFlagged = true;
  ASSERT_EQ(run(older), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"n_points\": 2, \"n_excluded\": 0"), std::string::npos);
  EXPECT_EQ(err_.str().find("flagged"), std::string::npos) << err_.str();
}

TEST_F(GeothermCommand, WritesTheTableAndAWellFormedDiagram) {
  GeothermOptions o;
  o.points = file("p.csv", "sample,T,P\n\"A<&>\"\"1\",800,30\nB,1000,40\nC,1150,50\n");
  o.pUnit = "kbar";
  o.outTable = (dir_ / "g.csv").string();
  o.outSvg = (dir_ / "g.svg").string();
  ASSERT_EQ(run(o), 0) << err_.str();
  EXPECT_EQ(out_.str().rfind("q0: ", 0), 0u);

  std::ifstream t(o.outTable);
  std::string line;
  int rows = 0;
  std::getline(t, line);
  EXPECT_EQ(line, "depth_km,P_GPa,T_C,T_C_lo,T_C_hi");
  while (std::getline(t, line)) ++rows;
  EXPECT_EQ(rows, 301);

  std::ifstream f(o.outSvg);
  std::string svg((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_NE(svg.find("A&lt;&amp;&gt;&quot;1"), std::string::npos);
  for (const char* part :
       {"<svg", "width=\"85mm\"", "class=\"interval\"", "class=\"best\"", "class=\"adiabat\"",
        "class=\"graphite-diamond\"", "class=\"moho\"", "class=\"legend\"", "<circle"})
    EXPECT_NE(svg.find(part), std::string::npos) << part;
  EXPECT_EQ(std::count(svg.begin(), svg.end(), '<') - std::count(svg.begin(), svg.end(), '>'), 0);
  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    std::string cmd = "xmllint --noout '" + o.outSvg + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
}

}  // namespace
}  // namespace mantlept::cli
