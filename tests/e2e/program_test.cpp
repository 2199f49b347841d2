// The program end to end: answers on standard input, an analysis file, the
// terminal lines and the results file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/program_run.hpp"
#include "e2e/reference_pipeline.hpp"

namespace mantlept::e2e {
namespace {

const std::vector<double> kOpx = {57.52, 0.10, 0.82, 0.36, 4.92, 0.12, 34.61, 0.95, 0.21, 0, 0.12, 0};
const std::vector<double> kCpx = {54.85, 0.26, 2.21, 1.52, 2.81, 0.09, 17.42, 18.63, 1.93, 0, 0.05, 0};
const std::vector<double> kOl = {40.93, 0, 0.02, 0.03, 8.31, 0.11, 50.24, 0.06, 0, 0, 0.38, 0};
const std::vector<double> kGar = {42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0, 0.01, 0};

std::string answers(const std::string& combinations, const std::string& start = "",
                    const std::string& oxybarometer = "0", const std::string& coefficients = "N",
                    const std::string& iterations = "") {
  return "rocks.txt\nN\n" + combinations + "\n" + oxybarometer + "\nout.csv\n" + coefficients +
         "\n" + iterations + "\n" + start + "\n";
}

std::string combinationAnswers(const std::vector<std::string>& pairs) {
  std::string s = std::to_string(pairs.size());
  for (const std::string& p : pairs) s += "\n" + p;
  return s;
}

// The lines after the dialogue (after the starting-point prompt).
std::vector<std::string> resultLines(const ProgramRun& run) {
  std::vector<std::string> lines = run.outLines();
  std::vector<std::string> after;
  bool started = false;
  for (const std::string& l : lines) {
    if (started) after.push_back(l);
    if (l == " Starting T and P (for fixing) (2I4)") started = true;
  }
  return after;
}

// The fields of a results-file row (quoted cells keep their quotes).
std::vector<std::string> cells(const std::string& row) {
  std::vector<std::string> out;
  std::string cell;
  bool quoted = false;
  for (char c : row) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.push_back(cell);
      cell.clear();
    } else {
      cell += c;
    }
  }
  out.push_back(cell);
  return out;
}

std::vector<std::string> fileLines(const ProgramRun& run) {
  std::vector<std::string> lines;
  std::string text = run.file("out.csv");
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

TEST(Program, FixedTemperatureAndPressureGiveTheStartingPoint) {
  ProgramRun run = runProgram(answers(combinationAnswers({"0101"})),
                              {{"rocks.txt", analysisLine("S1", 'E', kOpx) + "\n"}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = resultLines(run);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "");  // the association has orthopyroxene
  EXPECT_EQ(lines[1],
            "S1      Fixed ToC        TC=1000.Fixed Pressure   Pkb=10.0 FO2=  .00        all FE2+");
  EXPECT_EQ(lines[2], "Kolvex");
  // The trailing blank line is an association of its own without a mineral:
  // it is not evaluated at the end of the file.
  std::vector<std::string> rows = fileLines(run);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 599u + 34u);
  EXPECT_EQ(rows[0].substr(rows[0].size() - 34), "Fixed ToC       ,Fixed Pressure  ,");
  EXPECT_EQ(rows[1].size(), 644u + 14u);
  EXPECT_TRUE(rows[1].ends_with("\",  .000,1000.0,  10.0,")) << rows[1];
}

TEST(Program, ScreeningCapsAndRejects) {
  const std::string file = analysisLine("S1", 'G', kGar);
  struct Case {
    std::string start;
    std::string line;
  } cases[] = {
      // 90 kbar inside the window: capped to 81.5 kbar and 1723 K.
      {"100090", "S1      Fixed ToC        TC=1450.Fixed Pressure   Pkb=81.5 FO2=  .00        all FE2+"},
      // 250 kbar is limited to 200 and rejected: 2000 degrees, asterisks.
      {"1000250", "S1      Fixed ToC        TC=2000.Fixed Pressure   Pkb=**** FO2=  .00        all FE2+"},
      // A pressure of 1 kbar is rejected.
      {"1000   1", "S1      Fixed ToC        TC=2000.Fixed Pressure   Pkb=**** FO2=  .00        all FE2+"},
      // 1600 C gives 1873 K, at or above 1853: rejected.
      {"1600  30", "S1      Fixed ToC        TC=2000.Fixed Pressure   Pkb=**** FO2=  .00        all FE2+"},
      // 1579 C is 1852 K: accepted.
      {"1579  30", "S1      Fixed ToC        TC=1579.Fixed Pressure   Pkb=30.0 FO2=  .00        all FE2+"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runProgram(answers(combinationAnswers({"0101"}), c.start), {{"rocks.txt", file}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = resultLines(run);
    ASSERT_EQ(lines.size(), 2u) << c.start;
    EXPECT_EQ(lines[0], c.line) << c.start;
  }
}

TEST(Program, FailedCombinationPrintsTheFailureLineAndMarkers) {
  // Barometer 2 needs garnet: this sample has none. Oxybarometer 8 gives a
  // value for combination 2 only; combination 1 failed, so the row shows
  // asterisks in its oxygen-fugacity field.
  ProgramRun run = runProgram(answers(combinationAnswers({"0102", "0101"})),
                              {{"rocks.txt", analysisLine("S2", 'D', kCpx)}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = resultLines(run);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "S2      Not complete association");
  EXPECT_EQ(lines[1].substr(0, 8), "S2      ");
  std::vector<std::string> rows = fileLines(run);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].size(), 644u + 28u);
  EXPECT_TRUE(rows[1].ends_with("\",******,2000.0,2000.0,1000.0,  10.0,")) << rows[1];
}

TEST(Program, NegativeCombinationCountEvaluatesNothing) {
  ProgramRun run = runProgram(answers("-1"), {{"rocks.txt", analysisLine("S1", 'E', kOpx)}});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("Termometers"), std::string::npos);  // no menu was shown
  std::vector<std::string> rows = fileLines(run);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 599u);
  EXPECT_EQ(rows[0].substr(rows[0].size() - 30), "Description,                 ,");
  EXPECT_EQ(rows[1].size(), 644u);
  EXPECT_TRUE(rows[1].ends_with("\",  .000,")) << rows[1];
}

TEST(Program, OxideAndCationRows) {
  // The description is the one of the first line.
  const std::string file = analysisLine("S1", 'E', kOpx, "lherzolite") +
                           analysisLine("S1", 'D', kCpx, "other") + analysisLine("S1", 'O', kOl) +
                           analysisLine("S1", 'G', kGar);
  Oxides opx{}, cpx{}, gar{};
  for (int k = 0; k < 12; ++k) {
    opx[k] = kOpx[k];
    cpx[k] = kCpx[k];
    gar[k] = kGar[k];
  }
  for (const char* coefficients : {"N", "y", "Y"}) {
    ProgramRun run = runProgram(answers(combinationAnswers({"0101"}), "", "0", coefficients),
                                {{"rocks.txt", file}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> rows = fileLines(run);
    ASSERT_EQ(rows.size(), 2u);
    std::vector<std::string> c = cells(rows[1]);
    ASSERT_EQ(c.size(), 1u + 62u + 1u + 1u + 2u + 1u);
    EXPECT_EQ(c[0], " \"S1      \"");
    EXPECT_EQ(c[63], "\"lherzolite" + std::string(54, ' ') + "\"");
    bool cations = std::string(coefficients) != "N";
    Cations cpxCat = referenceCations(cpx, 2, false), opxCat = referenceCations(opx, 1, false),
            garCat = referenceCations(gar, 5, false);
    for (int k = 0; k < 10; ++k) {
      EXPECT_NEAR(std::stod(c[1 + k]), cations ? cpxCat[k] : cpx[k], 0.0011) << k;
      EXPECT_NEAR(std::stod(c[11 + k]), cations ? opxCat[k] : opx[k], 0.0011) << k;
    }
    for (int k = 0; k < 11; ++k) {
      EXPECT_NEAR(std::stod(c[21 + k]), cations ? garCat[k] : gar[k], 0.0011) << k;
    }
    // No spinel and no ilmenite: zeros, except the spinel ferric iron that the
    // recomputation after the iteration sets to 2 (all iron ferrous).
    for (int k = 32; k <= 52; ++k) {
      EXPECT_EQ(c[k], cations && k == 42 ? "   2.000" : "    .000") << k;
    }
  }
}

TEST(Program, FeNumberEstimates) {
  // A garnet of 25 wt% FeO: Fe#Ga is 0.15; no spinel gives Fe#Cr 0; no
  // ilmenite gives Fe#Ilm 0; an ilmenite of 4.9 wt% FeO gives 0 too.
  std::vector<double> ironGarnet = kGar;
  ironGarnet[4] = 25.0;
  std::vector<double> poorIlmenite = {0.1, 50.5, 0.6, 1.2, 4.9, 0.3, 11.5, 0, 0, 0, 0.2, 0};
  const std::string file = analysisLine("S1", 'G', ironGarnet) + analysisLine("S1", 'I', poorIlmenite);
  ProgramRun run = runProgram(answers(combinationAnswers({"0101"})), {{"rocks.txt", file}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> c = cells(fileLines(run)[1]);
  EXPECT_EQ(c[57], "    .000");  // Fe#Cr
  EXPECT_EQ(c[58], "    .150");  // Fe#Ga
  EXPECT_EQ(c[59], "    .000");  // Fe#Ilm
  // Fe#Ga from the garnet with T as the fixed-temperature iteration leaves it
  // (the thermometer's 1273 K after the second pass): (T - 790) 0.000045 + FeNo/2 - 0.022.
  Oxides gar{};
  for (int k = 0; k < 12; ++k) gar[k] = kGar[k];
  Cations g = referenceCations(gar, 5, false);
  double feGa = (1273.0 - 790.0) * 0.000045 + g[kFe] / (g[kFe] + g[kMg]) / 2 - 0.022;
  if (feGa <= 0.03) feGa = 0.03;
  ProgramRun plain = runProgram(answers(combinationAnswers({"0101"})),
                                {{"rocks.txt", analysisLine("S1", 'G', kGar)}});
  EXPECT_NEAR(std::stod(cells(fileLines(plain)[1])[58]), feGa, 0.0011);
}

TEST(Program, DoubleQuotesInNamesAreDoubled) {
  ProgramRun run = runProgram(answers(combinationAnswers({"0101"})),
                              {{"rocks.txt", analysisLine("S\"1", 'G', kGar, "say \"hi\"")}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> rows = fileLines(run);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].substr(0, 13), " \"S\"\"1     \",");
  EXPECT_NE(rows[1].find("\"say \"\"hi\"\"" + std::string(56, ' ') + "\","), std::string::npos);
  EXPECT_EQ(rows[1].size(), 644u + 14u + 3u);
}

TEST(Program, LastAssociationWithoutTrailingBlankLineIsEvaluated) {
  const std::string file = analysisLine("A", 'G', kGar) + analysisLine("B", 'G', kGar);
  std::string withoutNewline = file.substr(0, file.size() - 1);
  for (const std::string& content : {file, withoutNewline, file + "\n", file + "\r\n"}) {
    ProgramRun run = runProgram(answers(combinationAnswers({"0101"})), {{"rocks.txt", content}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fileLines(run).size(), 3u);
  }
}

TEST(Program, UnreadableLineStopsWithAMessageAndKeepsEarlierRows) {
  std::string bad = analysisLine("B", 'G', kGar);
  bad.replace(18, 3, "4x1");  // letters in the SiO2 field (columns 17-24)
  const std::string file = analysisLine("A", 'G', kGar) + bad + analysisLine("C", 'G', kGar);
  ProgramRun run = runProgram(answers(combinationAnswers({"0101"})), {{"rocks.txt", file}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("rocks.txt, line 2: the SiO2 field (columns 17-24)"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out.find("Kolvex"), std::string::npos);
  std::vector<std::string> rows = fileLines(run);
  ASSERT_EQ(rows.size(), 2u);  // the header and sample A
  EXPECT_EQ(rows[1].substr(0, 12), " \"A       \",");

  // An unreadable line inside an association: that association is not evaluated.
  std::string badA = analysisLine("A", 'D', kCpx);
  badA.replace(26, 4, "1..2");  // two points in the TiO2 field
  ProgramRun inside = runProgram(answers(combinationAnswers({"0101"})),
                                 {{"rocks.txt", analysisLine("A", 'G', kGar) + badA}});
  EXPECT_EQ(inside.status, 1);
  EXPECT_NE(inside.err.find("line 2: the TiO2 field (columns 25-32)"), std::string::npos)
      << inside.err;
  EXPECT_EQ(fileLines(inside).size(), 1u);
}

// Literature garnet lherzolites recalculated independently with the
// two-pyroxene thermometer and the Al-in-orthopyroxene barometer (all iron
// ferrous, 30 steps from 1300 K): CIM15-001 at 62.19 kbar and 1665.5 K,
// CIM15-035 at 49.66 kbar and 1435.6 K.
TEST(Program, GarnetLherzolitesAgreeWithAnIndependentRecalculation) {
  const std::string file =
      analysisLine("CIM001", 'E', {57.62, 0.31, 0.99, 0.33, 5.17, 0.12, 34.25, 1.24, 0.32, 0, 0.13, 0}) +
      analysisLine("CIM001", 'D', {55.01, 0.57, 2.36, 1.12, 3.48, 0.12, 19.7, 15.64, 1.9, 0, 0.08, 0}) +
      analysisLine("CIM001", 'G', {42.17, 1.34, 19.94, 3.02, 6.71, 0.26, 22.05, 4.78, 0.12, 0, 0.01, 0}) +
      analysisLine("CIM035", 'E', {57.9, 0.25, 0.89, 0.36, 5.38, 0.13, 34.69, 0.74, 0.18, 0, 0.11, 0}) +
      analysisLine("CIM035", 'D',
                   {54.575, 0.475, 2.36, 1.725, 2.82, 0.09, 17.11, 18.775, 2.02, 0, 0.06, 0}) +
      analysisLine("CIM035", 'G',
                   {41.475, 0.85, 17.935, 6.555, 7.5, 0.335, 19.665, 6.085, 0.09, 0, 0.0102, 0});
  ProgramRun run = runProgram(answers(combinationAnswers({"0705"}), "1300", "0", "N", "30"),
                              {{"rocks.txt", file}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<ResultLine> results;
  for (const std::string& l : resultLines(run)) {
    if (auto r = parseResultLine(l)) results.push_back(*r);
  }
  ASSERT_EQ(results.size(), 2u);
  EXPECT_NEAR(*fieldValue(results[0].pressure), 62.19, 0.11);
  EXPECT_NEAR(*fieldValue(results[0].temperature), 1665.5 - 273, 1.0);
  EXPECT_NEAR(*fieldValue(results[1].pressure), 49.66, 0.11);
  EXPECT_NEAR(*fieldValue(results[1].temperature), 1435.6 - 273, 1.0);
}

}  // namespace
}  // namespace mantlept::e2e

namespace mantlept::e2e {
namespace {

// Whole transcripts of scripted dialogues, compared byte for byte with files
// written from the dialogue's texts (Windows-1252 bytes in the instructions).
TEST(Program, DialogueTranscripts) {
  for (const char* name : {"dialogue_ferric", "dialogue_instructions"}) {
    std::string data = std::string(MANTLEPT_TEST_DATA) + "/" + name;
    ProgramRun run = runProgram(readAll(data + ".answers"),
                                {{"rocks.txt", "\n"}, {"taken.csv", "keep\n"}});
    EXPECT_EQ(run.status, 0) << name << ": " << run.err;
    EXPECT_EQ(run.out, readAll(data + ".expected")) << name;
    EXPECT_EQ(run.file("taken.csv"), "keep\n");
    EXPECT_TRUE(run.exists("out.csv"));
  }
}

TEST(Program, HelpAndVersion) {
  // With no answers at all the dialogue ends at its first question.
  ProgramRun none = runProgram("", {});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("input ended"), std::string::npos);
  std::string command = "'" + programPath() + "' --help";
  FILE* p = popen(command.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buffer[4096];
  std::string text;
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
  EXPECT_EQ(pclose(p), 0);
  EXPECT_EQ(text.rfind("Usage: mantlept", 0), 0u);
  EXPECT_NE(text.find("mantlept < answers.txt"), std::string::npos);
  FILE* v = popen(("'" + programPath() + "' --version").c_str(), "r");
  ASSERT_NE(v, nullptr);
  std::size_t n = fread(buffer, 1, sizeof buffer, v);
  EXPECT_EQ(pclose(v), 0);
  EXPECT_EQ(std::string(buffer, n), "mantlept 1.0.0\n");
}

}  // namespace
}  // namespace mantlept::e2e
