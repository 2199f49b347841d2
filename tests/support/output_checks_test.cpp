// The layout checks shared by the tests and the fuzz targets must accept
// exactly the documented layouts: a check that accepts everything would let
// every invariant pass.
#include "support/output_checks.hpp"

#include <gtest/gtest.h>

#include <string>

namespace mantlept::checks {
namespace {

TEST(OutputChecks, FixedFieldsAreRecognisedExactly) {
  struct Case {
    const char* text;
    int w, d;
    bool fixed;
  };
  const Case cases[] = {
      {"1000.", 5, 0, true},   {"  .00", 5, 2, true},
      {" -.25", 5, 2, true},   {"   0.", 5, 0, true},
      {"  -0.", 5, 0, true},   {"****", 4, 1, true},
      {"10.0", 4, 1, true},    {"  57.520", 8, 3, true},
      {"  0.50", 6, 2, false},  // a zero before the point below 1
      {"    .", 5, 0, false},   // no digit at all
      {"1.000", 5, 2, false},   // three decimals for two
      {"1000", 5, 0, false},    // four characters for five
      {"  nan", 5, 2, false},  {" inf.", 5, 0, false},
      {"-inf.0", 6, 1, false}, {" 1 .0", 5, 1, false},
      {"**.*", 4, 1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isFixedField(c.text, c.w, c.d), c.fixed) << '"' << c.text << '"';
  }
}

// A row of one combination: blank, quoted name, 62 cells, quoted description,
// FO2, one temperature and pressure pair, closing comma: 658 characters.
std::string row(const std::string& name = "S1      ", const std::string& tp = "1000.0,  10.0") {
  std::string r = " \"" + name + "\",";
  for (int k = 0; k < 62; ++k) r += "    .000,";
  r += "\"" + std::string(64, ' ') + "\",";
  r += "  .000," + tp + ",";
  return r;
}

TEST(OutputChecks, RowsOfTheDocumentedLengthAndCellsOnly) {
  EXPECT_EQ(row().size(), 658u);
  EXPECT_EQ(checkRow(row(), 1), "");
  // A doubled quote inside the name adds one character.
  EXPECT_EQ(checkRow(row("S\"\"1     "), 1), "");
  EXPECT_NE(checkRow(row(), 2), "");           // one pair for two combinations
  EXPECT_NE(checkRow(row("S1     "), 1), "");  // a name of 7 characters
  EXPECT_NE(checkRow(row("S1      ", "1000.0,   nan"), 1), "");
  EXPECT_NE(checkRow(row() + ",", 1), "");           // a comma too many
  EXPECT_NE(checkRow(row().substr(0, 657), 1), "");  // no closing comma
}

TEST(OutputChecks, ResultLinesOfTheDocumentedLayoutOnly) {
  MethodCombination c;
  c.thermometerLabel = "Fixed ToC       ";
  c.barometerLabel = "Fixed Pressure  ";
  const std::string good =
      "S1      Fixed ToC        TC=1000.Fixed Pressure   Pkb=10.0 FO2=  .00        all FE2+";
  EXPECT_EQ(checkResultLine(good, c, "all FE2+"), "");
  EXPECT_NE(checkResultLine(good, c, "acc.FE3+"), "");
  std::string wide = good;
  wide.insert(33, " ");  // one character too many after the temperature
  EXPECT_NE(checkResultLine(wide.substr(0, 84), c, "all FE2+"), "");
  std::string notANumber = good;
  notANumber.replace(54, 4, " nan");
  EXPECT_NE(checkResultLine(notANumber, c, "all FE2+"), "");
  EXPECT_TRUE(isFailureLine("S1      Not complete association"));
  EXPECT_FALSE(isFailureLine("S1      Not complete association "));
}

}  // namespace
}  // namespace mantlept::checks
