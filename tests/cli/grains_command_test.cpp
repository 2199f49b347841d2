// This test computes in double precision.
// `mantlept grains` run as a program: every grain keeps its own row and class
// in input order, the summary, and the input and usage faults it refuses
// without leaving a file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/child_run.hpp"

namespace mantlept::e2e {
namespace {

// Mg# 0.68 and 0.85 from FeOt 7.185: MgO = 4.03 m / (1 - m).
const std::string kGrains =
    "Sample,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt,Na2O_Gt,Ni_Gt,SiO2_Opx\n"
    "g11,0.80,20,3.0,7.185,0.30,8.564,5.0,0.02,60,\n"      // meets G11 and G1: G11
    "nomg,0.10,20,5.0,7.185,0.30,,5.5,0.02,45,\n"          // no MgO: no class
    "opx only,,,,,,,,,,57.5\n"                             // not a grain
    "harz,0.02,18,8.0,7.185,0.30,22.837,2.0,0.02,30.5,\n"  // G10D
    "g0,0.02,18,22.0,7.185,0.40,22.837,2.0,0.02,,\n";      // G0, no Ni

TEST(GrainsCommand, EveryGrainKeepsItsRowAndClass) {
  ProgramRun run =
      runCommand({"grains", "g.csv", "--q0", "40", "-o", "rows.csv"}, {{"g.csv", kGrains}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines;
  {
    std::string text = run.file("rows.csv");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0],
            "sample,class,ca_intercept,mg_number,Cr2O3,CaO,Ni_ppm,T_C,depth_km,P_GPa,"
            "in_diamond_window");
  const char* expected[][2] = {{"g11", "G11"}, {"nomg", ""}, {"harz", "G10D"}, {"g0", "G0"}};
  for (std::size_t i = 0; i < 4; ++i) {
    std::string prefix = std::string(expected[i][0]) + "," + expected[i][1] + ",";
    EXPECT_EQ(lines[i + 1].substr(0, prefix.size()), prefix) << lines[i + 1];
  }
  // Ni 30.5 ppm as read, and Canil's temperature worked in double.
  const double T_C = 8772.0 / (2.53 - std::log(30.5 / 3000.0)) - 273.15;
  char cells[64];
  std::snprintf(cells, sizeof cells, ",30.5,%.1f,", T_C);
  EXPECT_NE(lines[3].find(cells), std::string::npos) << lines[3];
  EXPECT_EQ(lines[4].substr(lines[4].size() - 5), ",,,,,");
  EXPECT_NE(run.out.find("n_grains: 4\nn_classified: 2\nn_with_T: 3\nn_projected: 3\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("class_G0: 1\n"), std::string::npos);
  EXPECT_NE(run.out.find("class_G11: 1\n"), std::string::npos);
  EXPECT_NE(run.err.find("note: 1 sample without a garnet or clinopyroxene analysis skipped"), std::string::npos);
  EXPECT_NE(run.err.find("note: 1 garnet without CaO, Cr2O3, MgO, FeOt, MnO or TiO2 left"),
            std::string::npos);
}

// A concentrate's grains often all carry the concentrate's name: each row of a
// wide table stays a grain of its own, never averaged with its namesakes.
TEST(GrainsCommand, GrainsSharingASampleNameStaySeparate) {
  const std::string table =
      "Sample,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt,Ni_Gt\n"
      "K1,0.02,18,8.0,7.185,0.30,22.837,2.0,30\n"
      "K1,0.80,20,3.0,7.185,0.30,8.564,5.0,60\n";
  ProgramRun run = runCommand({"grains", "k.csv", "-o", "rows.csv"}, {{"k.csv", table}});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string rows = run.file("rows.csv");
  EXPECT_NE(rows.find("\nK1,G10D,"), std::string::npos) << rows;
  EXPECT_NE(rows.find("\nK1,G11,"), std::string::npos) << rows;
  EXPECT_NE(run.out.find("n_grains: 2\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("averaged"), std::string::npos) << run.err;
}

// The rows of a CSV text without its header, each split at its commas.
std::vector<std::vector<std::string>> csvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = text.find('\n') + 1;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::vector<std::string> cells;
    std::string line = text.substr(start, end - start) + ",";
    for (std::size_t at = 0, comma; (comma = line.find(',', at)) != std::string::npos;
         at = comma + 1)
      cells.push_back(line.substr(at, comma - at));
    rows.push_back(cells);
  }
  return rows;
}

// A garnet with 4 wt% Cr2O3 and 5 wt% CaO at Mg# 0.80 (MgO 16.12 with FeOt
// 7.185) is G9 whatever its TiO2: Ca-intercept 5 - 0.25 x 4 = 4.0. Without
// Cr2O3 (0, below detection) it is G4: CaO 2-6, Mg# 0.3-0.9, TiO2 0.30 below
// 2.13 - 2.1 x 0.80 = 0.45. A blank cell, or no column at all, is not
// determined and leaves no class; a bdl, "<", negative or 0 cell is 0.
TEST(GrainsCommand, BlankOxidesLeaveNoClassAndBdlOnesReadAsZero) {
  const std::string header = "Sample,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt\n";
  struct Case {
    const char* row;  // after the sample name
    const char* expected;
  };
  const std::vector<std::pair<std::string, Case>> cases = {
      {"blank TiO2", {",20,4.0,7.185,0.30,16.12,5.0", ""}},
      {"spaces TiO2", {"  ,20,4.0,7.185,0.30,16.12,5.0", ""}},
      {"bdl TiO2", {"bdl,20,4.0,7.185,0.30,16.12,5.0", "G9"}},
      {"<0.02 TiO2", {"<0.02,20,4.0,7.185,0.30,16.12,5.0", "G9"}},
      {"-1 TiO2", {"-1,20,4.0,7.185,0.30,16.12,5.0", "G9"}},
      {"zero TiO2", {"0,20,4.0,7.185,0.30,16.12,5.0", "G9"}},
      {"given TiO2", {"0.30,20,4.0,7.185,0.30,16.12,5.0", "G9"}},
      {"blank MnO", {"0.30,20,4.0,7.185,,16.12,5.0", ""}},
      {"blank Cr2O3", {"0.30,20,,7.185,0.30,16.12,5.0", ""}},
      {"bdl Cr2O3", {"0.30,20,bdl,7.185,0.30,16.12,5.0", "G4"}},
      {"blank CaO", {"0.30,20,4.0,7.185,0.30,16.12,", ""}},
  };
  std::string table = header;
  for (const auto& [name, c] : cases) table += name + "," + c.row + "\n";
  ProgramRun run = runCommand({"grains", "g.csv", "-o", "rows.csv"}, {{"g.csv", table}});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = csvRows(run.file("rows.csv"));
  ASSERT_EQ(rows.size(), cases.size());
  long unclassed = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(rows[i][0], cases[i].first);
    EXPECT_EQ(rows[i][1], cases[i].second.expected) << cases[i].first;
    if (std::string(cases[i].second.expected).empty()) ++unclassed;
  }
  EXPECT_NE(run.err.find("note: " + std::to_string(unclassed) +
                         " garnets without CaO, Cr2O3, MgO, FeOt, MnO or TiO2 left without a "
                         "class"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("class_G9: 5\n"), std::string::npos) << run.out;

  // A table without a TiO2 column cannot tell G9 from the high-Ti classes either.
  ProgramRun noColumn = runCommand(
      {"grains", "g.csv", "-o", "rows.csv"},
      {{"g.csv", "Sample,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt\nx,4.0,7.185,0.30,16.12,5.0\n"}});
  ASSERT_EQ(noColumn.status, 0) << noColumn.err;
  EXPECT_EQ(csvRows(noColumn.file("rows.csv")).at(0).at(1), "");
  EXPECT_NE(noColumn.err.find("note: 1 garnet without"), std::string::npos) << noColumn.err;
}

// Depth sections recounted from the grain rows: every grain in the bin whose
// edges, as the sections file writes them, hold its depth as its row writes
// it. Bins of 0.1 km put an edge at every tenth of the hundredths the rows
// write; grains whose depths round onto an edge (139.996 written 140.00)
// and edges that division misses (0.3 / 0.1 = 2.999...) must both agree.
TEST(GrainsCommand, SectionsAgreeWithTheDepthsOfTheGrainRows) {
  std::string table = "Sample,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt,Ni_Gt\n";
  for (int i = 0; i < 1500; ++i) {
    char row[160];
    // Ni from 8 to 98 ppm in uneven steps; G9 and G10D grains alternating.
    std::snprintf(row, sizeof row, "g%d,0.02,18,%s,7.185,0.30,%s,%s,%.4f\n", i,
                  i % 2 ? "8.0" : "4.0", i % 2 ? "22.837" : "16.12", i % 2 ? "2.0" : "5.0",
                  8.0 + 0.0601 * i);
    table += row;
  }
  for (const char* bin : {"0.1", "10", "7"}) {
    ProgramRun run = runCommand({"grains", "g.csv", "--q0", "40", "--bin", bin, "-o", "rows.csv",
                                 "--sections", "s.csv", "-q"},
                                {{"g.csv", table}});
    ASSERT_EQ(run.status, 0) << run.err;
    // Depths and edges in hundredths of a km, from the text of both files.
    auto hundredths = [](const std::string& text) {
      const std::size_t point = text.find('.');
      std::string whole = text.substr(0, point), fraction;
      if (point != std::string::npos) fraction = text.substr(point + 1);
      fraction = (fraction + "00").substr(0, 2);
      return std::stol(whole) * 100 + std::stol(fraction);
    };
    const auto sections = csvRows(run.file("s.csv"));
    ASSERT_FALSE(sections.empty());
    std::vector<long> tops, counted(sections.size(), 0);
    for (const auto& s : sections) tops.push_back(hundredths(s[0]));
    int onAnEdge = 0;
    for (const auto& grain : csvRows(run.file("rows.csv"))) {
      if (grain[8].empty()) continue;
      const long depth = hundredths(grain[8]);
      std::size_t b = 0;
      while (b + 1 < tops.size() && depth >= tops[b + 1]) ++b;
      ++counted[b];
      if (depth == tops[b]) ++onAnEdge;
    }
    // The case reaches the edges it is meant to test.
    if (std::string(bin) == "0.1") {
      EXPECT_GT(onAnEdge, 20);
    }
    for (std::size_t b = 0; b < sections.size(); ++b)
      EXPECT_EQ(std::stol(sections[b][2]), counted[b])
          << "bin " << bin << " from " << sections[b][0];
  }
}

TEST(GrainsCommand, RefusesBadInputAndLeavesNoFile) {
  const std::string noGarnet = "Sample,SiO2_Opx,MgO_Opx\na,57,34\n";
  const std::string onePoint = "T_C,P_GPa\n1000,4\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"grains", "opx.csv", "-o", "rows.csv"}, 1, "opx.csv: no garnet or clinopyroxene analysis"},
      {{"grains", "g.csv", "--q0", "40", "--fit", "pt.csv"}, 2, "excludes"},
      {{"grains", "g.csv", "--pair", "7,5"}, 2, "--pair requires --fit"},
      {{"grains", "g.csv", "--svg", "d.svg"}, 2, "need a geotherm"},
      {{"grains", "g.csv", "--fit", "pt.csv", "-o", "rows.csv"},
       1,
       "pt.csv: fewer than 2 usable points (1)"},
      {{"grains", "g.csv", "--q0", "10", "-o", "rows.csv"}, 1, "--q0 lies outside 25-120"},
      {{"grains", "g.csv", "--thermometer", "nimis", "-o", "rows.csv"}, 2, "nimis"},
      {{"grains", "g.csv", "--bin", "0", "-o", "rows.csv"}, 2, "--bin"},
      {{"grains", "missing.csv", "-o", "rows.csv"}, 1, "missing.csv"},
  };
  for (const Case& c : cases) {
    ProgramRun run =
        runCommand(c.args, {{"g.csv", kGrains}, {"opx.csv", noGarnet}, {"pt.csv", onePoint}});
    std::string what = c.args[1] + " " + c.args[2];
    EXPECT_EQ(run.status, c.status) << what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << what << "\n" << run.err;
    EXPECT_FALSE(run.exists("rows.csv")) << what;
    EXPECT_FALSE(run.exists("d.svg")) << what;
  }
}

TEST(GrainsCommand, ExistingFilesOnlyReplacedWithForce) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"g.csv", kGrains}, {"s.csv", "keep\n"}, {"d.svg", "keep\n"}};
  ProgramRun refused =
      runCommand({"grains", "g.csv", "--q0", "40", "--sections", "s.csv", "-o", "rows.csv"}, files);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("exists already"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.file("s.csv"), "keep\n");
  EXPECT_FALSE(refused.exists("rows.csv"));

  ProgramRun forced = runCommand({"grains", "g.csv", "--q0", "40", "--sections", "s.csv", "--svg",
                                  "d.svg", "--bin", "25", "--force", "--format", "json"},
                                 files);
  ASSERT_EQ(forced.status, 0) << forced.err;
  std::string sections = forced.file("s.csv");
  EXPECT_EQ(sections.substr(0, sections.find('\n')),
            "depth_top_km,depth_bottom_km,n,G0,G1,G3,G3D,G4,G4D,G5,G5D,G9,G10,G10D,G11,G12");
  EXPECT_NE(sections.find("\n275,300,"), std::string::npos);
  EXPECT_NE(forced.file("d.svg").find("</svg>"), std::string::npos);
  EXPECT_EQ(forced.out.front(), '{');
  EXPECT_NE(forced.out.find("\"q0\": 40.000"), std::string::npos);
}

// Stopped while it waits for more of the table on standard input: status 128
// plus the signal, a message, and none of its files left.
TEST(GrainsCommand, AStoppedRunLeavesNoFile) {
  std::string table = kGrains;
  for (int i = 0; i < 500; ++i)
    table += "h" + std::to_string(i) + ",0.02,18,8.0,7.185,0.30,22.837,2.0,0.02,30.5,\n";
  ChildOptions options;
  options.args = {"grains", "-", "--q0", "40", "-o", "rows.csv", "--svg", "d.svg"};
  options.answers = table;
  options.holdInput = true;
  ChildRun child(options);
  ASSERT_TRUE(child.waitForFileSize("rows.csv", 0)) << "the grain file was not created";
  child.sendSignal(SIGTERM);
  ProgramRun run = child.finish();
  EXPECT_EQ(run.status, 143) << run.err;
  EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("rows.csv"));
  EXPECT_FALSE(run.exists("d.svg"));
}

}  // namespace
}  // namespace mantlept::e2e
