// The calc command end to end: the dialogue's results file for the same run,
// tidy rows against the dialogue's console lines, usage and data errors.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "e2e/program_run.hpp"

namespace mantlept::e2e {
namespace {

std::string example(const std::string& name) {
  return readAll(std::string(MANTLEPT_SOURCE_DIR) + "/examples/" + name);
}

std::vector<std::string> split(const std::string& line, char by = ',') {
  std::vector<std::string> cells;
  std::stringstream s(line);
  for (std::string cell; std::getline(s, cell, by);) cells.push_back(cell);
  if (!line.empty() && line.back() == by) cells.emplace_back();
  return cells;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

// The example answers: ferric on, 0705 2505 2113 0438, oxybarometer 5,
// oxide rows, 10 iterations, default start.
const std::vector<std::string> kExampleArgs = {"calc",       "xenoliths.txt",
                                               "-p",         "0705",
                                               "-p",         "25,5",
                                               "-p",         "2113",
                                               "-p",         "4,38",
                                               "-x",         "5",
                                               "--ferric",   "-n",
                                               "10",         "--legacy",
                                               "legacy.csv", "-o",
                                               "tidy.csv"};

TEST(Calc, LegacyFileIsTheDialoguesAndTidyRowsAgreeWithItsLines) {
  const std::string analyses = example("xenoliths.txt");
  ProgramRun dialogue = runProgram(example("answers.txt"), {{"xenoliths.txt", analyses}});
  ASSERT_EQ(dialogue.status, 0) << dialogue.err;
  ProgramRun calc = runCommand(kExampleArgs, {{"xenoliths.txt", analyses}});
  ASSERT_EQ(calc.status, 0) << calc.err;
  EXPECT_EQ(calc.file("legacy.csv"), dialogue.file("results.csv"));
  EXPECT_EQ(calc.out, "");

  // Each console result line "NAME LABEL TC=  1195 LABEL Pkb= 51.3 FO2= ..."
  // or "NAME Not complete association" against the tidy row of that pair.
  std::vector<std::string> console;
  for (const std::string& l : dialogue.outLines()) {
    if (l.find(" TC=") != std::string::npos || l.find("Not complete") != std::string::npos) {
      console.push_back(l);
    }
  }
  std::vector<std::string> tidy = lines(calc.file("tidy.csv"));
  ASSERT_EQ(tidy.size(), console.size() + 1);
  EXPECT_EQ(tidy[0],
            "sample,thermometer,thermometer_label,barometer,barometer_label,T_C,P_kbar,"
            "oxybarometer,fO2,status,passes,converged,flags");
  for (std::size_t i = 0; i < console.size(); ++i) {
    std::vector<std::string> row = split(tidy[i + 1]);
    ASSERT_EQ(row.size(), 13u) << tidy[i + 1];
    EXPECT_EQ(console[i].substr(0, row[0].size()), row[0].substr(0, 7));
    const std::string& line = console[i];
    if (line.find("Not complete") != std::string::npos) {
      EXPECT_EQ(row[9], "incomplete");
      EXPECT_EQ(row[5] + row[6] + row[8], "");
      continue;
    }
    double tc = std::stod(line.substr(line.find("TC=") + 3, 5));
    double pkb = std::stod(line.substr(line.find("Pkb=") + 4, 4));
    if (row[9] == "rejected") {
      EXPECT_EQ(tc, 2000.0);
      EXPECT_EQ(row[5] + row[6] + row[8], "");
      continue;
    }
    ASSERT_FALSE(row[5].empty()) << tidy[i + 1];
    EXPECT_NEAR(std::stod(row[5]), tc, 0.5 + 1e-3) << tidy[i + 1];
    EXPECT_NEAR(std::stod(row[6]), pkb, 0.05 + 1e-4) << tidy[i + 1];
  }
}

TEST(Calc, CationRowsAndAllIronFerrousAlsoMatchTheDialogue) {
  const std::string analyses = example("xenoliths.txt");
  ProgramRun dialogue =
      runProgram("xenoliths.txt\nN\n2\n0705\n0102\n3\nresults.csv\nY\n\n800\n12\n",
                 {{"xenoliths.txt", analyses}});
  ASSERT_EQ(dialogue.status, 0) << dialogue.err;
  ProgramRun calc = runCommand({"calc", "xenoliths.txt", "-p", "7,5", "-p", "1,2", "-x", "3", "-n",
                                "3", "--start", "800,12", "--cations", "--legacy", "r.csv"},
                               {{"xenoliths.txt", analyses}});
  ASSERT_EQ(calc.status, 0) << calc.err;
  EXPECT_EQ(calc.file("r.csv"), dialogue.file("results.csv"));
}

TEST(Calc, UsageErrorsExitTwoAndLeaveNoFile) {
  const std::vector<std::vector<std::string>> cases = {
      {"calc", "a.txt", "-p", "99,1", "-o", "t.csv"},  // no thermometer 99
      {"calc", "a.txt", "-p", "7,45"},                 // no barometer 45
      {"calc", "a.txt", "-p", "7-5"},
      {"calc", "a.txt"},  // no pair
      {"calc", "a.txt", "-p", "7,5", "-x", "10"},
      {"calc", "a.txt", "-p", "7,5", "--start", "1000"},
      {"calc", "a.txt", "-p", "1,1", "-p", "1,1", "-p", "1,1", "-p", "1,1",
       "-p",   "1,1",   "-p", "1,1", "-p", "1,1", "-p", "1,1", "-p", "1,1",
       "-p",   "1,1",   "-p", "1,1", "-p", "1,1", "-p", "1,1"},  // 13 pairs
      {"frobnicate"},
  };
  for (const auto& args : cases) {
    ProgramRun run = runCommand(args, {{"a.txt", example("xenoliths.txt")}});
    EXPECT_EQ(run.status, 2) << args.back() << "\n" << run.err;
    EXPECT_FALSE(run.exists("t.csv"));
    EXPECT_EQ(run.out, "");
  }
}

TEST(Calc, DataErrorsExitOneAndRemoveWhatTheyCreated) {
  std::string good = analysisLine("A", 'E', {57.5, 0.1, 0.8, 0.36, 4.9, 0.12, 34.6, 0.95, 0.2});
  std::string bad = "B       E          57.5x\n";
  ProgramRun unreadable = runCommand(
      {"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--legacy", "l.csv"}, {{"a.txt", good + bad}});
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_NE(unreadable.err.find("a.txt, line 2"), std::string::npos) << unreadable.err;
  EXPECT_FALSE(unreadable.exists("t.csv"));
  EXPECT_FALSE(unreadable.exists("l.csv"));

  ProgramRun missing = runCommand({"calc", "none.txt", "-p", "7,5"}, {});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.txt"), std::string::npos);

  ProgramRun exists = runCommand({"calc", "a.txt", "-p", "7,5", "-o", "t.csv"},
                                 {{"a.txt", good}, {"t.csv", "keep"}});
  EXPECT_EQ(exists.status, 1);
  EXPECT_EQ(exists.file("t.csv"), "keep");
  ProgramRun forced = runCommand({"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--force"},
                                 {{"a.txt", good}, {"t.csv", "keep"}});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.file("t.csv").rfind("sample,", 0), 0u);
}

TEST(Calc, StandardInputAndShortestNumbers) {
  // Thermometer 1 fixes T at the starting temperature; barometer 10 (Al in
  // orthopyroxene) then depends on T alone: P = (1.46 - ln(Al2O3/100)) T / 97.1 - 3736 / 97.1.
  std::string opx = analysisLine("S-1", 'E', {57.0, 0.0, 2.5, 0.3, 5.0, 0.1, 34.0, 0.5});
  ProgramRun run = runCommand({"calc", "-", "-p", "1,10", "--start", "1000,10"}, {}, opx);
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> out = lines(run.out);
  ASSERT_EQ(out.size(), 2u);
  std::vector<std::string> row = split(out[1]);
  EXPECT_EQ(row[0], "S-1");
  EXPECT_EQ(row[5], "1000");
  double t = 1273.0;
  double p = (1.46 - std::log(2.5 / 100.0)) * t / 97.1 - 3736.0 / 97.1;
  EXPECT_NEAR(std::stod(row[6]), p, 1e-3 * p);
  EXPECT_EQ(static_cast<float>(std::stod(row[6])), std::stof(row[6]));
  EXPECT_LE(row[6].size(), 10u);  // shortest text, not 17 digits
}

}  // namespace
}  // namespace mantlept::e2e
