// The opening dialogue and the method catalogue, answer by answer.
#include "dialogue/dialogue.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "methods/catalogue.hpp"

namespace mantlept {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kBanner = {
    "    Program for Mantle peridotites PT estimates",
    "    mantlept 1.0 (7 December 2026): mantle xenolith thermobarometry",
    "    from coexisting-mineral microprobe analyses, after published calibrations",
    "    Please report errors, with the analysis file and answers that show them,",
    "    to the mantlept maintainers",
};

const std::vector<std::string> kOxybarometerMenu = {
    " Number of oxybarometer ",
    " 0 - don't calculate FO2 ",
    " 1 - Ballhause C., Berry R.F., Green D.H.,1991 ",
    " 2 - Nell - Wood,1991",
    " 3 - Taylor, Kamperman, Hamilton, 1998, Ol-Sp",
    " 4 - Taylor, Kamperman, Hamilton, 1998, Ol-Ilm",
    " 5 - Gudmundsson, Wood 1995, Gar Gar-Ol-0px or mono",
    " 6 - Dremmerhof 2012, Cpx mono",
    " 7 - Dremmerhof 2012, Opx mono",
    " 8 - Dremmerhof 2012, Gar mono",
    " 9 - ASiO2 ,Taylor, KAmperman, HAmilton 1998 ",
};

const char* const kHeading = "                Termometers                  Barometers";

// A folder holding an analysis file; answers name files inside it.
class DialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mantlept-dialogue-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ / "rocks.txt") << "\n";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs the dialogue; the header writer records that it ran.
  RunSettings run(const std::string& answers) {
    std::istringstream in(answers);
    files_ = std::make_unique<DialogueFiles>();
    return runDialogue(in, out_, err_, *files_, [this](const RunSettings&, OutputFile& f) {
      headerWrittenBeforeIterations_ = out_.text().find(" Iteration number?") == std::string::npos;
      f.write("HEADER\n");
    });
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> v;
    std::stringstream s(out_.text());
    for (std::string l; std::getline(s, l);) v.push_back(l);
    return v;
  }

  fs::path dir_;
  StringTerminal out_;
  std::ostringstream err_;
  std::unique_ptr<DialogueFiles> files_;
  bool headerWrittenBeforeIterations_ = false;
};

// The transcript lines expected after the banner, with "MENU" standing for
// the 26 lines of the method menu and "OXY" for the oxybarometer menu.
std::vector<std::string> expand(const std::vector<std::string>& body) {
  std::vector<std::string> all = kBanner;
  for (const std::string& l : body) {
    if (l == "OXY") {
      all.insert(all.end(), kOxybarometerMenu.begin(), kOxybarometerMenu.end());
    } else if (l == "MENU") {
      StringTerminal menu;
      printMethodMenu(menu);
      std::stringstream s(menu.text());
      for (std::string m; std::getline(s, m);) all.push_back(m);
    } else {
      all.push_back(l);
    }
  }
  return all;
}

TEST(Catalogue, MethodMenuLayout) {
  StringTerminal menu;
  printMethodMenu(menu);
  std::vector<std::string> rows;
  std::stringstream s(menu.text());
  for (std::string l; std::getline(s, l);) rows.push_back(l);
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[0], kHeading);
  EXPECT_EQ(rows[25], kHeading);
  EXPECT_EQ(rows[1],
            " Fixed ToC       - 1 Wells77(Cpx+Opx)- 2 Fixed Pressure  - 1 Wood 74 Opx-Gar - 2 ");
  EXPECT_EQ(rows[22],
            " NImisTayCpCor DR-43 YaxleyONeil2008 -44 Hoog ea10Ol Ca  -43                 -44 ");
  EXPECT_EQ(rows[24],
            " Hoog ea10Ol Ca  -47                 -48                 -47                 -48 ");
  for (std::size_t k = 1; k <= 24; ++k) EXPECT_EQ(rows[k].size(), 81u) << k;
}

TEST(Catalogue, LabelsAndTagsOutsideTheTables) {
  EXPECT_EQ(thermometerLabel(48), std::string(16, ' '));
  EXPECT_EQ(thermometerLabel(0), std::string(16, ' '));
  EXPECT_EQ(thermometerLabel(-3), std::string(16, ' '));
  EXPECT_EQ(barometerLabel(44), std::string(16, ' '));
  EXPECT_EQ(barometerLabel(43), "Hoog ea10Ol Ca  ");
  EXPECT_EQ(thermometerLabel(36), "Taylor98 DiEn   ");
  EXPECT_EQ(oxybarometerTag(9), "aSiO2T98");
  EXPECT_EQ(oxybarometerTag(0), "        ");
  EXPECT_EQ(oxybarometerTag(10), "        ");
  EXPECT_EQ(ferricTag(1), "all FE2+");
  EXPECT_EQ(ferricTag(2), "acc.FE3+");
}

TEST_F(DialogueTest, FerricRunWithDefaults) {
  RunSettings s = run(path("rocks.txt") + "\nY\n1\n0705\n0\n" + path("out.csv") + "\nN\n\n\n");
  EXPECT_EQ(lines(), expand({" File name? ", " Account FE+3?(Y),(I) -insructions,(R)-refferences",
                             " Amount of combinations for T and P", "MENU",
                             " Numbers for 1- combination of methods (2I2)",
                             " BreyKohler90 2PxBreyKohle90GaOpx", "OXY", " Output file name? ",
                             " Write formula coefficients? (Y)", " Iteration number?",
                             " Starting T and P (for fixing) (2I4)"}));
  EXPECT_EQ(s.ferricOption, 2);
  EXPECT_EQ(s.combinationCount, 1);
  EXPECT_EQ(s.combinations[0].thermometer, 7);
  EXPECT_EQ(s.combinations[0].barometer, 5);
  EXPECT_EQ(s.oxybarometerNumber, 0);
  EXPECT_FALSE(s.writeCoefficients);
  EXPECT_EQ(s.iterationLimit, 3);
  EXPECT_EQ(s.startT, 1000.0f);
  EXPECT_EQ(s.startP, 10.0f);
  EXPECT_TRUE(headerWrittenBeforeIterations_);
  EXPECT_TRUE(fs::exists(path("out.csv")));
}

TEST_F(DialogueTest, InstructionTextInWindowsBytes) {
  run(path("rocks.txt") + "\nI\n-1\n0\n" + path("out.csv") + "\ny\n1\n900\n");
  std::vector<std::string> l = lines();
  ASSERT_GE(l.size(), 17u);
  EXPECT_EQ(l[7], " File name \x96 any 8 symbols \x96 text format");
  EXPECT_EQ(l[10], " in Excel the division to decimals  should be \x91.\x92,not a comma.");
  EXPECT_EQ(l[11], " Amount of combinations \x96 any two from T and P columns");
  EXPECT_EQ(l[16], " GOOD LUCK!!!!!!! ");
  EXPECT_EQ(l[17], " Amount of combinations for T and P");
  EXPECT_EQ(l[18], kOxybarometerMenu[0]);  // a negative count asks for no method
}

TEST_F(DialogueTest, AnswersAndTheirDefaults) {
  struct Case {
    std::string ferric, count, pairs, iterations, start;
    int ferricOption, thermometer, barometer, limit;
    float t, p;
  } cases[] = {
      {"y", "1", "5,7", "1", "900", 2, 5, 7, 2, 900.0f, 10.0f},
      {"", "1", "05", "-1", " 900", 1, 5, 0, -1, 900.0f, 10.0f},
      {"R", "1", "0507", "7", "1200  25", 1, 5, 7, 7, 1200.0f, 25.0f},
      {"n", "1", "4801", "0", "0   0", 1, 48, 1, 3, 1000.0f, 10.0f},
      {"Y", "1", "0101", "", "12.550.5", 2, 1, 1, 3, 12.5f, 50.5f},
  };
  for (const Case& c : cases) {
    fs::remove(path("out.csv"));
    out_.clear();
    RunSettings s = run(path("rocks.txt") + "\n" + c.ferric + "\n" + c.count + "\n" + c.pairs +
                        "\n3\n" + path("out.csv") + "\n\n" + c.iterations + "\n" + c.start + "\n");
    EXPECT_EQ(s.ferricOption, c.ferricOption) << c.pairs;
    EXPECT_EQ(s.combinations[0].thermometer, c.thermometer) << c.pairs;
    EXPECT_EQ(s.combinations[0].barometer, c.barometer) << c.pairs;
    EXPECT_EQ(s.iterationLimit, c.limit) << c.iterations;
    EXPECT_EQ(s.startT, c.t) << c.start;
    EXPECT_EQ(s.startP, c.p) << c.start;
    EXPECT_EQ(s.oxybarometerNumber, 3);
    // "R" prints the single line " References"; the others print nothing there.
    bool references = out_.text().find("\n References\n") != std::string::npos;
    EXPECT_EQ(references, c.ferric == "R") << c.ferric;
  }
}

TEST_F(DialogueTest, UnreadableAnswersAreAskedAgain) {
  std::ofstream(path("taken.csv")) << "keep me";
  run(path("missing.txt") + "\n" + path("rocks.txt") + "\nx\nab\n0\n13\n2\n7x\n0705\n02\nq\n1\n" +
      path("taken.csv") + "\n" + path("no/such/dir.csv") + "\n" + path("out.csv") + "\nY\nzz\n4\n\n");
  EXPECT_EQ(
      lines(),
      expand({" File name? ", " File name? ",
              " Account FE+3?(Y),(I) -insructions,(R)-refferences",
              " Amount of combinations for T and P", " Amount of combinations for T and P",
              " Amount of combinations for T and P",
              " At most 12 combinations can be applied in one run - please answer again",
              " Amount of combinations for T and P", "MENU",
              " Numbers for 1- combination of methods (2I2)", kHeading,
              " Numbers for 1- combination of methods (2I2)", " BreyKohler90 2PxBreyKohle90GaOpx",
              "MENU", " Numbers for 2- combination of methods (2I2)",
              " Wells77(Cpx+Opx)                ", "OXY", "OXY", " Output file name? ",
              " Output file name? ", " Output file name? ", " Write formula coefficients? (Y)",
              " Iteration number?", " Iteration number?", " Starting T and P (for fixing) (2I4)"}));
  // The existing file is never overwritten.
  std::ifstream taken(path("taken.csv"));
  std::string content;
  std::getline(taken, content);
  EXPECT_EQ(content, "keep me");
  EXPECT_NE(err_.str().find("missing.txt"), std::string::npos);
  EXPECT_NE(err_.str().find("taken.csv"), std::string::npos);
}

TEST_F(DialogueTest, BlankFileNamesAskUnderTheirUnitNumber) {
  run("\n   \n" + path("rocks.txt") + "\n\n-1\n0\n\n" + path("out.csv") + "\n\n\n\n");
  std::string t = out_.text();
  EXPECT_NE(t.find(" File name? \nFile name missing or blank - please enter file name\nUNIT 1? "
                   "File name missing or blank - please enter file name\nUNIT 1? "),
            std::string::npos);
  EXPECT_NE(t.find(" Output file name? \nFile name missing or blank - please enter file name\n"
                   "UNIT 2?  Write formula coefficients? (Y)\n"),
            std::string::npos);
}

TEST_F(DialogueTest, WindowsLineEndsAndLongNames) {
  std::ofstream(path("xenoliths_2026.txt")) << "\n";
  RunSettings s = run(path("xenoliths_2026.txt") + "\r\nY\r\n1\r\n0705\r\n1\r\n" +
                      path("results_long_name.csv") + "  \r\ny\r\n5\r\n1100  20\r\n");
  EXPECT_EQ(s.inputFileName, path("xenoliths_2026.txt"));  // not cut to 8 characters
  EXPECT_EQ(s.resultsFileName, path("results_long_name.csv"));
  EXPECT_TRUE(fs::exists(path("results_long_name.csv")));
  EXPECT_EQ(s.ferricOption, 2);
  EXPECT_TRUE(s.writeCoefficients);
  EXPECT_EQ(s.iterationLimit, 5);
  EXPECT_EQ(s.startT, 1100.0f);
  EXPECT_EQ(s.startP, 20.0f);
}

TEST_F(DialogueTest, EndOfInputAtAnyQuestionAborts) {
  const std::vector<std::string> answers = {path("rocks.txt"), "Y", "1", "0705", "0",
                                            path("out.csv"),   "N", "3", "1000  10"};
  for (std::size_t given = 0; given < answers.size(); ++given) {
    std::string text;
    for (std::size_t k = 0; k < given; ++k) text += answers[k] + "\n";
    fs::remove(path("out.csv"));
    EXPECT_THROW(run(text), DialogueAborted) << given << " answers";
  }
  EXPECT_THROW(run(path("rocks.txt") + "\nY\n1\n0705\n0\n" + path("o2.csv") + "\nN\n3\nab\n"),
               DialogueAborted);  // unreadable starting values
}

}  // namespace
}  // namespace mantlept
