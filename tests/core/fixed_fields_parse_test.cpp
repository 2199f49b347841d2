// Real fields of the analysis file and of typed answers: every accepted
// spelling gives the single-precision value nearest to the decimal it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/fixed_fields.hpp"

namespace mantlept {
namespace {

struct Case {
  const char* text;
  int implied;
  std::optional<float> expected;
};

TEST(RealField, SpellingsAndRejections) {
  const Case cases[] = {
      {"   45.12", 4, 45.12f},       {"45.12   ", 4, 45.12f},     {"    4512", 4, 0.4512f},
      {"      45", 4, 0.0045f},      {"        ", 4, 0.0f},        {"", 4, 0.0f},
      {"+1.5", 4, 1.5f},             {"1 2.3", 4, 12.3f},          {"  -3.25 ", 4, -3.25f},
      {"12345678", 4, 1234.5678f},   {"99999999", 4, 9999.9999f},  {"0.0000001", 4, 1e-7f},
      {"1.5E2", 4, 150.0f},          {"2d-1", 4, 2e-5f},           {"007", 0, 7.0f},
      {"   .5", 4, 0.5f},            {"5.", 4, 5.0f},              {"123456789", 0, 123456789.0f},
      {"1.2.3", 4, std::nullopt},    {"1-2", 4, std::nullopt},     {"--1", 4, std::nullopt},
      {".", 4, std::nullopt},        {"-", 4, std::nullopt},       {"12a", 4, std::nullopt},
      {"1,5", 4, std::nullopt},      {"1e", 4, std::nullopt},      {"1e99", 4, std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<float> got = parseRealField(c.text, c.implied);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << '"' << c.text << '"';
    if (got) {
      EXPECT_EQ(*got, *c.expected) << '"' << c.text << '"';
    }
  }
  // ("2d-1" has no point: the four implied decimals apply before the exponent.)
  // A negative zero keeps its sign, as the decimal conversion gives it.
  std::optional<float> zero = parseRealField("   -0.00", 4);
  ASSERT_TRUE(zero.has_value());
  EXPECT_EQ(*zero, 0.0f);
  EXPECT_TRUE(std::signbit(*zero));
}

// Fields of up to 8 characters as spreadsheets and microprobes write them:
// each must read as the correctly rounded value of its decimal, worked out
// here by the C library's conversion of "digits e exponent".
TEST(RealField, MatchesCorrectlyRoundedDecimal) {
  std::uint64_t state = 12345;
  auto next = [&state](std::uint64_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % n;
  };
  for (int i = 0; i < 200000; ++i) {
    int digitCount = 1 + static_cast<int>(next(8));
    std::string digits;
    for (int k = 0; k < digitCount; ++k) digits += static_cast<char>('0' + next(10));
    int pointAt = static_cast<int>(next(static_cast<std::uint64_t>(digitCount) + 2)) - 1;  // -1: none
    bool negative = next(4) == 0;
    std::string field = negative ? "-" : "";
    if (pointAt < 0) {
      field += digits;
    } else {
      field += digits.substr(0, static_cast<std::size_t>(pointAt)) + "." +
               digits.substr(static_cast<std::size_t>(pointAt));
    }
    if (field.size() > 8) continue;
    field = std::string(8 - field.size(), ' ') + field;  // right-aligned in its columns
    int exponent = pointAt < 0 ? -4 : -(digitCount - pointAt);
    std::string decimal = (negative ? "-" : "") + digits + "e" + std::to_string(exponent);
    float expected = std::strtof(decimal.c_str(), nullptr);
    std::optional<float> got = parseRealField(field, 4);
    ASSERT_TRUE(got.has_value()) << field;
    ASSERT_EQ(*got, expected) << field;
    ASSERT_EQ(std::signbit(*got), std::signbit(expected)) << field;
  }
}

}  // namespace
}  // namespace mantlept
