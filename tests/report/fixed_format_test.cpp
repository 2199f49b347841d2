// Fixed-width numeric editing of result lines and results rows.
#include "report/fixed_format.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace mantlept {
namespace {

struct Case {
  float value;
  int w, d;
  const char* expected;
};

TEST(FixedFormat, EditsAsTheOutputLayoutsNeed) {
  const Case cases[] = {
      {1235.0f, 5, 0, "1235."},     // the point is always present
      {1000.0f, 5, 0, "1000."},
      {0.5f, 5, 2, "  .50"},        // no zero before the point below 1
      {-0.25f, 5, 2, " -.25"},
      {0.0f, 5, 2, "  .00"},
      {0.0f, 5, 0, "   0."},        // a lone 0 when no digit would remain
      {0.3f, 5, 0, "   0."},
      {0.0f, 6, 3, "  .000"},
      {10.0f, 4, 1, "10.0"},
      {81.5f, 4, 1, "81.5"},
      {2000.0f, 6, 1, "2000.0"},
      {1450.0f, 5, 0, "1450."},
      {-9.99f, 5, 2, "-9.99"},      // exactly the width
      {-10.0f, 5, 2, "*****"},      // one character too wide
      {2000.0f, 4, 1, "****"},      // the marker in a pressure field
      {2000.0f, 5, 2, "*****"},
      {2000.0f, 6, 3, "******"},
      {-10.0f, 6, 3, "******"},
      {99.94f, 4, 1, "99.9"},
      {100.0f, 4, 1, "****"},
      {9999.999f, 8, 3, "9999.999"},
      {-999.999f, 8, 3, "-999.999"},
      {12345.0f, 8, 3, "********"},
      {57.52f, 8, 3, "  57.520"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatFixed(c.value, c.w, c.d), c.expected) << c.value << " F" << c.w << '.' << c.d;
  }
}

TEST(FixedFormat, HalvesRoundAwayFromZeroOnTheExactBinaryValue) {
  EXPECT_EQ(formatFixed(2.5f, 5, 0), "   3.");
  EXPECT_EQ(formatFixed(-2.5f, 5, 0), "  -3.");
  EXPECT_EQ(formatFixed(0.125f, 5, 2), "  .13");  // 0.125 is exact in binary
  EXPECT_EQ(formatFixed(0.375f, 6, 2), "   .38");
  // 0.015f is stored a little below 0.015, so it rounds down.
  ASSERT_LT(static_cast<double>(0.015f), 0.015);
  EXPECT_EQ(formatFixed(0.015f, 5, 2), "  .01");
  // 1.005f is stored a little above 1.005... or below: decide from the binary value.
  double exact = static_cast<double>(1.005f);
  EXPECT_EQ(formatFixed(1.005f, 5, 2), exact >= 1.005 ? " 1.01" : " 1.00");
}

TEST(FixedFormat, NegativeValuesThatRoundToZero) {
  EXPECT_EQ(formatFixed(-0.004f, 5, 2), " -.00");   // at least 10^-(d+1): keeps the sign
  EXPECT_EQ(formatFixed(-0.0004f, 5, 2), "  .00");  // below: no sign
  EXPECT_EQ(formatFixed(-0.0f, 5, 2), "  .00");     // negative zero
  EXPECT_EQ(formatFixed(-0.2f, 5, 0), "  -0.");
  EXPECT_EQ(formatFixed(-0.04f, 5, 0), "   0.");
}

TEST(FixedFormat, NonFiniteValuesNeverPrintAsText) {
  EXPECT_EQ(formatFixed(std::nanf(""), 5, 2), "*****");
  EXPECT_EQ(formatFixed(INFINITY, 6, 1), "******");
}

}  // namespace
}  // namespace mantlept
