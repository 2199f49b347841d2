// What the program makes of bad analysis files and bad answers. Each expected
// outcome follows from the documented behaviour: an unreadable line ends the
// run with a message naming the file, line, field and text and exit status 1,
// keeping the rows of the samples finished before it; the last sample counts
// when it holds a mineral line; characters after column 144 are ignored; a
// comma ends a field; blank-only and unrecognised lines form samples without
// minerals; end of input during the dialogue ends the run with status 1 and
// removes the results file the run created.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "e2e/program_run.hpp"
#include "support/output_checks.hpp"

namespace mantlept::e2e {
namespace {

using Fields = std::vector<std::string>;

// An orthopyroxene and a clinopyroxene of a garnet lherzolite, as 8-column
// fields in the order SiO2 TiO2 Al2O3 Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3.
const Fields kOpx = {"   57.52", "    0.10", "    0.82", "    0.36", "    4.92", "    0.12",
                     "   34.61", "    0.95", "    0.21", "    0.00", "    0.12", "    0.00"};
const Fields kCpx = {"   54.85", "    0.26", "    2.21", "    1.52", "    2.81", "    0.09",
                     "   17.42", "   18.63", "    1.93", "    0.00", "    0.05", "    0.00"};
const Fields kZero(12, "    0.00");

// One analysis line in its fixed columns (name and code padded to 8).
std::string line(std::string name, char code, const Fields& fields,
                 const std::string& description = "") {
  name.resize(8, ' ');
  std::string text = name + code + std::string(7, ' ');
  for (const std::string& f : fields) text += f;
  return text + description + "\n";
}

Fields withField(Fields fields, int k, const std::string& text) {
  fields[static_cast<std::size_t>(k)] = text;
  return fields;
}

// Answers: analysis file a.txt, no ferric iron, the given combinations, no
// oxybarometer, results file r.csv, oxide rows, default iterations and start.
std::string answersFor(const std::vector<std::string>& pairs) {
  std::string a = "a.txt\nN\n" + std::to_string(pairs.size()) + "\n";
  for (const std::string& p : pairs) a += p + "\n";
  return a + "0\nr.csv\nN\n\n\n";
}

MethodCombination combination(const char* thermometer, const char* barometer) {
  MethodCombination c;
  c.thermometerLabel = thermometer;
  c.barometerLabel = barometer;
  return c;
}

RunSettings settingsFor(int count, std::vector<MethodCombination> combinations) {
  RunSettings s;
  s.ferricOption = 1;
  s.combinationCount = count;
  s.combinations = std::move(combinations);
  return s;
}

const MethodCombination kFixed = combination("Fixed ToC       ", "Fixed Pressure  ");
const MethodCombination kBrey = combination("BreyKohler90 2Px", "BreyKohle90GaOpx");

// Fixed T with fixed P at the defaults: 1000 C and 10 kbar, no FO2, all iron ferrous.
std::string fixedResult(const std::string& name7) {
  return name7 + " Fixed ToC        TC=1000.Fixed Pressure   Pkb=10.0 FO2=  .00        all FE2+";
}

std::vector<std::string> resultRows(const ProgramRun& run) {
  std::vector<std::string> rows;
  const std::string text = run.file("r.csv");
  for (std::string_view l : checks::splitLines(text)) rows.emplace_back(l);
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

// Cell k (1..62) of a row without doubled quotes in its name.
std::string cell(const std::string& row, int k) {
  return row.substr(12 + 9 * static_cast<std::size_t>(k - 1), 8);
}

// Temperature and pressure cells of combination k (1-based) of a row.
std::string temperatureCell(const std::string& row, int k) {
  return row.substr(644 + 14 * static_cast<std::size_t>(k - 1), 6);
}
std::string pressureCell(const std::string& row, int k) {
  return row.substr(651 + 14 * static_cast<std::size_t>(k - 1), 6);
}

void expectMineralCellsZero(const std::string& row) {
  for (int k = 1; k <= 53; ++k) EXPECT_EQ(cell(row, k), "    .000") << "cell " << k;
}

struct BadInput {
  const char* name;
  std::string file;
  std::string answers;
  RunSettings settings;
  int status;
  std::size_t rows;
  std::vector<std::string> errorHas;  // texts the message must hold
  std::function<void(const ProgramRun&)> more;
};

std::string longLine() {
  std::string l = line("S1", 'E', kOpx, "long line ");
  l.pop_back();
  l.resize(10000, 'x');
  return l + "\n";
}

TEST(BadInput, AnalysisFilesGiveTheDocumentedOutcome) {
  const std::string one = answersFor({"0101"});
  const std::string two = answersFor({"0101", "0705"});
  const RunSettings fixed = settingsFor(1, {kFixed});
  const RunSettings fixedAndBrey = settingsFor(2, {kFixed, kBrey});
  const std::string binaryField = std::string("\x00\x01\x1b[2J\xff\x7f", 8);

  const std::vector<BadInput> cases = {
      {"empty file", "", one, fixed, 0, 0, {}, nullptr},
      {"no final newline",
       line("S1", 'E', kOpx) + line("S2", 'D', kCpx).substr(0, 111),
       one,
       fixed,
       0,
       2,
       {},
       [](const ProgramRun& run) {
         EXPECT_EQ(run.outLines().at(run.outLines().size() - 2), fixedResult("S2     "));
       }},
      {"only blank lines", "\n\n        \n\n", one, fixed, 0, 0, {}, nullptr},
      {"only blank lines with Windows line ends", "\r\n\r\n\r\n", one, fixed, 0, 0, {}, nullptr},
      {"binary bytes in an oxide column",
       line("S1", 'E', withField(kOpx, 0, binaryField)),
       one,
       fixed,
       1,
       0,
       {"a.txt", "line 1", "SiO2", "columns 17-24", "\\x00\\x01\\x1b[2J\xff\\x7f"},
       [](const ProgramRun& run) {
         for (char c : run.err) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
       }},
      {"binary bytes in the name and description pass through",
       line(std::string("S\x01\xe9\x96", 4), 'E', kOpx, "\x93quoted\x94 \x01") + "\n",
       one,
       fixed,
       0,
       1,
       {},
       [](const ProgramRun& run) {
         std::vector<std::string> rows = resultRows(run);
         ASSERT_EQ(rows.size(), 1u);
         EXPECT_EQ(rows[0].substr(0, 12), std::string(" \"S\x01\xe9\x96    \",", 12));
         EXPECT_EQ(rows[0].substr(570, 11), std::string("\"\x93quoted\x94 \x01"));
       }},
      {"a line of 10,000 characters is read up to column 144",
       longLine() + line("S2", 'D', kCpx),
       one,
       fixed,
       0,
       2,
       {},
       [](const ProgramRun& run) {
         std::vector<std::string> rows = resultRows(run);
         ASSERT_EQ(rows.size(), 2u);
         // The description is columns 113-144 followed by 32 blanks.
         EXPECT_EQ(rows[0].substr(570, 67),
                   "\"long line " + std::string(22, 'x') + std::string(32, ' ') + "\",");
         EXPECT_EQ(cell(rows[0], 11), "  57.520");  // SiO2 of the orthopyroxene
         EXPECT_EQ(cell(rows[1], 1), "  54.850");   // SiO2 of the clinopyroxene
       }},
      {"a tab in an oxide column",
       line("S1", 'E', withField(kOpx, 4, "\t4.92   ")),
       one,
       fixed,
       1,
       0,
       {"a.txt", "line 1", "FeO", "columns 49-56", "\\x094.92"},
       nullptr},
      // Tab-separated text is not in columns: columns 17-24 hold "0.82<tab>0.3".
      {"tab-separated values",
       "S1\tE\t57.52\t0.10\t0.82\t0.36\t4.92\n",
       one,
       fixed,
       1,
       0,
       {"line 1", "SiO2", "columns 17-24", "0.82\\x090.3"},
       nullptr},
      // "   57,52" reads "   57" (0.0057 with four implied decimals); the next
      // field starts behind the comma: "52    0" (0.052), then "10" (0.001).
      {"a decimal comma shifts the following fields",
       line("S1", 'E', {"   57,52", "    0,10"}),
       one,
       fixed,
       0,
       1,
       {},
       [](const ProgramRun& run) {
         std::vector<std::string> rows = resultRows(run);
         ASSERT_EQ(rows.size(), 1u);
         EXPECT_EQ(cell(rows[0], 11), "    .006");
         EXPECT_EQ(cell(rows[0], 12), "    .052");
         EXPECT_EQ(cell(rows[0], 13), "    .001");
         for (int k = 14; k <= 20; ++k) EXPECT_EQ(cell(rows[0], k), "    .000");
       }},
      // S0 is finished when S1 starts; S1 is being read when its line 3 fails.
      {"letters in an oxide column",
       line("S0", 'E', kOpx) + line("S1", 'E', kOpx) +
           line("S1", 'D', withField(kCpx, 6, "  17.4x2")) + line("S2", 'E', kOpx),
       one,
       fixed,
       1,
       1,
       {"a.txt", "line 3", "MgO", "columns 65-72", "  17.4x2"},
       [](const ProgramRun& run) {
         EXPECT_EQ(resultRows(run).at(0).substr(1, 10), "\"S0      \"");
         EXPECT_EQ(run.outLines().back(), fixedResult("S0     "));
       }},
      // A sample of unrecognised code letters followed by another sample runs
      // with all values 0: fixed T and P give their values, the two-pyroxene
      // thermometer with the garnet-orthopyroxene barometer is not complete.
      {"a sample whose lines name no mineral, inside the file",
       line("S1", 'A', kOpx) + line("S1", 'e', kCpx) + line("S2", 'E', kOpx),
       two,
       fixedAndBrey,
       0,
       2,
       {},
       [](const ProgramRun& run) {
         std::vector<std::string> rows = resultRows(run);
         ASSERT_EQ(rows.size(), 2u);
         expectMineralCellsZero(rows[0]);
         EXPECT_EQ(temperatureCell(rows[0], 1), "1000.0");
         EXPECT_EQ(pressureCell(rows[0], 1), "  10.0");
         EXPECT_EQ(temperatureCell(rows[0], 2), "2000.0");
         EXPECT_EQ(pressureCell(rows[0], 2), "2000.0");
         std::vector<std::string> out = run.outLines();
         EXPECT_NE(std::find(out.begin(), out.end(), "S1      Not complete association"),
                   out.end());
       }},
      // Analyses whose twelve values are all 0 count as absent minerals; the
      // sample still names minerals, so it is evaluated at the end of the file.
      {"a last sample whose analyses are all zero",
       line("S1", 'E', kZero) + line("S1", 'D', kZero) + line("S1", 'G', kZero),
       two,
       fixedAndBrey,
       0,
       1,
       {},
       [](const ProgramRun& run) {
         std::vector<std::string> rows = resultRows(run);
         ASSERT_EQ(rows.size(), 1u);
         expectMineralCellsZero(rows[0]);
         EXPECT_EQ(temperatureCell(rows[0], 1), "1000.0");
         EXPECT_EQ(temperatureCell(rows[0], 2), "2000.0");
         EXPECT_EQ(run.outLines().at(run.outLines().size() - 2),
                   "S1      Not complete association");
       }},
      {"a last sample of unrecognised lines is not evaluated",
       line("S1", 'E', kOpx) + line("S2", 'A', kOpx) + line("S2", 'X', kCpx),
       one,
       fixed,
       0,
       1,
       {},
       nullptr},
  };

  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramRun run = runProgram(c.answers, {{"a.txt", c.file}});
    EXPECT_EQ(run.status, c.status);
    std::vector<std::string> out = run.outLines();
    EXPECT_EQ(!out.empty() && out.back() == "Kolvex", c.status == 0);
    if (c.status == 0) {
      EXPECT_EQ(run.err, "");
    }
    for (const std::string& text : c.errorHas) {
      EXPECT_NE(run.err.find(text), std::string::npos) << "missing " << text << " in " << run.err;
    }
    EXPECT_EQ(checks::checkResultsFile(run.file("r.csv"), c.settings, c.rows), "");
    EXPECT_EQ(checks::checkTranscript(run.out, c.settings, c.rows, c.status == 0), "");
    if (c.more) c.more(run);
  }
}

TEST(BadInput, ThirteenCombinationsAreRefusedAndAskedAgain) {
  ProgramRun run =
      runProgram("a.txt\nN\n13\n1\n0101\n0\nr.csv\nN\n\n\n", {{"a.txt", line("S1", 'E', kOpx)}});
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> out = run.outLines();
  std::size_t prompts = std::count(out.begin(), out.end(), " Amount of combinations for T and P");
  EXPECT_EQ(prompts, 2u);
  // Between the two prompts stands the one explanatory line.
  auto first = std::find(out.begin(), out.end(), " Amount of combinations for T and P");
  ASSERT_NE(first, out.end());
  ASSERT_LT(first + 2, out.end());
  EXPECT_NE(first[1].find("12"), std::string::npos) << first[1];
  EXPECT_EQ(first[2], " Amount of combinations for T and P");
  EXPECT_EQ(out.back(), "Kolvex");
  EXPECT_EQ(out.at(out.size() - 2), fixedResult("S1     "));
  EXPECT_EQ(checks::checkResultsFile(run.file("r.csv"), settingsFor(1, {kFixed}), 1), "");
}

// Every question of the dialogue, re-asked ones included: a blank analysis
// file name, a folder (".") as analysis file, an unreadable and a too large
// combination count, unreadable method numbers, an unreadable oxybarometer, a
// results file that exists, an unreadable iteration number.
TEST(BadInput, EndOfInputAtEveryQuestionEndsTheRunAndRemovesTheResultsFile) {
  const std::vector<std::string> answers = {"",      ".",     "a.txt", "I",    "x", "13",
                                            "2",     "zz",    "0101",  "0705", "?", "0",
                                            "a.txt", "r.csv", "y",     "q",    "",  ""};
  auto firstAnswers = [&](std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += answers[i] + "\n";
    return text;
  };
  const std::string file = line("S1", 'E', kOpx);

  for (std::size_t n = 0; n < answers.size(); ++n) {
    SCOPED_TRACE("input ends after " + std::to_string(n) + " answers");
    ProgramRun run = runProgram(firstAnswers(n), {{"a.txt", file}});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("input ended"), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("r.csv"));
    EXPECT_EQ(run.out.find("Kolvex"), std::string::npos);
  }
  ProgramRun whole = runProgram(firstAnswers(answers.size()), {{"a.txt", file}});
  EXPECT_EQ(whole.status, 0);
  RunSettings settings = settingsFor(2, {kFixed, kBrey});
  EXPECT_EQ(checks::checkResultsFile(whole.file("r.csv"), settings, 1), "");
  EXPECT_EQ(checks::checkTranscript(whole.out, settings, 1, true), "");
}

}  // namespace
}  // namespace mantlept::e2e
