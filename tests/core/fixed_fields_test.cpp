// Fixed-width numeric fields of typed answers and analysis columns.
#include "core/fixed_fields.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace mantlept {
namespace {

struct RealCase {
  const char* text;
  int implied;
  std::optional<float> expected;
};

TEST(FixedFields, RealFieldsWithPointImpliedDecimalsAndExponents) {
  const RealCase cases[] = {
      {"45.12   ", 4, 45.12f},      // at the left of its field
      {"   45.12", 4, 45.12f},      // at the right
      {"4512    ", 4, 0.4512f},     // no point: four implied decimals
      {"451234  ", 4, 45.1234f},
      {"45      ", 4, 0.0045f},
      {"        ", 4, 0.0f},        // all blank
      {"", 4, 0.0f},                // beyond the end of the line
      {" 4 5. 1 ", 4, 45.1f},       // blanks inside are ignored
      {"-1.5    ", 4, -1.5f},
      {"+2.     ", 4, 2.0f},
      {"1.5E2   ", 4, 150.0f},
      {"1.5D-1  ", 4, 0.15f},
      {"15E1    ", 4, 0.015f},      // implied decimals apply to the mantissa
      {"900 ", 0, 900.0f},          // typed answers: no implied decimals
      {"12.5", 0, 12.5f},
      {"4.5.1   ", 4, std::nullopt},  // two points
      {"4a.1    ", 4, std::nullopt},  // a letter
      {"-       ", 4, std::nullopt},  // a sign without digits
      {"1E      ", 4, std::nullopt},  // an exponent without digits
      {"\t1.0    ", 4, std::nullopt},  // a tab is not a blank
      {"9E99    ", 0, std::nullopt},  // too large for a single-precision value
  };
  for (const RealCase& c : cases) {
    std::optional<float> v = parseRealField(c.text, c.implied);
    ASSERT_EQ(v.has_value(), c.expected.has_value()) << '"' << c.text << '"';
    if (c.expected) {
      EXPECT_EQ(*v, *c.expected) << c.text;
    }
  }
}

TEST(FixedFields, IntegerFields) {
  EXPECT_EQ(parseIntegerField("05"), 5);
  EXPECT_EQ(parseIntegerField(" 7"), 7);
  EXPECT_EQ(parseIntegerField("-1"), -1);
  EXPECT_EQ(parseIntegerField("  "), 0);
  EXPECT_EQ(parseIntegerField("1."), std::nullopt);  // whole numbers only
  EXPECT_EQ(parseIntegerField("Y"), std::nullopt);
  EXPECT_EQ(parseIntegerField("-"), std::nullopt);
}

TEST(FixedFields, CommaEndsAFieldAndTheNextStartsBehindIt) {
  for (const char* answer : {"0507", "5,7", " 5 7", "5,7,"}) {
    FieldCursor fields(answer);
    EXPECT_EQ(fields.integer(2), 5) << answer;
    EXPECT_EQ(fields.integer(2), 7) << answer;
  }
  FieldCursor only("05");
  EXPECT_EQ(only.integer(2), 5);
  EXPECT_EQ(only.integer(2), 0);  // the second field lies beyond the line

  // A decimal comma shifts every later field of an analysis line.
  FieldCursor analysis("   45,12    1.00");
  EXPECT_EQ(analysis.real(8, 4), 0.0045f);
  EXPECT_EQ(analysis.real(8, 4), 121.0f);  // "12    1." is 8 characters: 121.
  EXPECT_EQ(analysis.lastColumn(), 6);
}

TEST(FixedFields, TextFieldsKeepCommasAndArePadded) {
  FieldCursor fields("S1,2");
  char buffer[8];
  EXPECT_EQ(fields.takeText(8, buffer), std::string_view("S1,2    "));
}

}  // namespace
}  // namespace mantlept
