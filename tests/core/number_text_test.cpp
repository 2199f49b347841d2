// The number text and the logarithm that must be the same on every platform:
// checked here against the C and C++ libraries on chosen values (the whole
// range is checked by mantlept_float_checks).
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/number_text.hpp"
#include "core/real.hpp"

namespace mantlept {
namespace {

std::string shortest(float v) {
  std::string s;
  appendShortestFixed(s, v);
  return s;
}

std::string libraryText(float v) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
  return std::string(buffer, r.ptr);
}

TEST(NumberText, ShortestFixedByHand) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.1f, "0.1"},           {1.5e-5f, "0.000015"},     {1234.5f, "1234.5"},
      {-0.0f, "-0"},           {0.0f, "0"},               {3e10f, "30000001024"},
      {123456789.0f, "123456792"}, {16777217.0f, "16777216"}, {-273.15f, "-273.15"},
      {1e-45f, "0.000000000000000000000000000000000000000000001"},
      {0.3f, "0.3"},           {1e7f, "10000000"},        {8388607.5f, "8388607.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(shortest(c.value), c.text) << c.text;
}

TEST(NumberText, ShortestFixedAgreesWithTheLibrary) {
  // Powers of ten and their neighbours, the limits, and values of the tidy
  // columns (temperatures, pressures, fO2, fractions).
  std::vector<float> values{std::numeric_limits<float>::max(), std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(), 1e-4f, 9.9999e4f, 1e5f};
  for (int e = -38; e <= 38; ++e) {
    const float v = std::pow(10.0f, static_cast<float>(e));
    values.insert(values.end(), {v, std::nextafter(v, 0.0f), std::nextafter(v, std::numeric_limits<float>::infinity()), -v});
  }
  for (float v = -30.0f; v < 1500.0f; v += 0.7137f) values.push_back(v);
  for (float v : values) EXPECT_EQ(shortest(v), libraryText(v)) << libraryText(v);
}

// The double of a float's shortest text: the text read back by strtod, on the
// same values (both sides of 10^±22, where the quick product gives way).
TEST(NumberText, ShortestValueIsTheShortestTextReadBack) {
  EXPECT_EQ(shortestValue(-273.15f), -273.15);
  std::vector<float> values{std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                            3.4e22f, 1.17e-22f, 1.1e-23f, 1e-40f};
  for (int e = -38; e <= 38; ++e) {
    const float v = std::pow(10.0f, static_cast<float>(e)) * 1.2345f;
    values.insert(values.end(), {v, std::nextafter(v, 0.0f), -v});
  }
  for (float v = -30.0f; v < 1500.0f; v += 0.7137f) values.push_back(v);
  for (float v : values)
    EXPECT_EQ(shortestValue(v), std::strtod(shortest(v).c_str(), nullptr)) << shortest(v);
}

TEST(NumberText, Log10IsTheLibrarysOnChosenValues) {
  for (float x : {1.0f, 10.0f, 0.5f, 2.0f, 1e-7f, 3.0e38f, 1e-45f, 1273.15f, 0.0123f, 0.75f}) {
    const float ours = log10Real(x);
    EXPECT_EQ(ours, ::log10f(x)) << x;
    const double exact = std::log10(static_cast<double>(x));
    EXPECT_NEAR(static_cast<double>(ours), exact, 1e-6 * std::fabs(exact) + 1e-7) << x;
  }
  EXPECT_TRUE(std::isinf(log10Real(0.0f)));
  EXPECT_TRUE(std::isnan(log10Real(-1.0f)));
}

TEST(NumberText, ReadsPlainDecimalsOnly) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"1.5", true, 1.5},     {"-2.5e-3", true, -0.0025}, {"7", true, 7.0},
      {"+1", false, 0},       {" 1", false, 0},           {"1 ", false, 0},
      {"0x10", false, 0},     {"1e400", false, 0},        {"abc", false, 0},
      {"1e", false, 0},       {"", false, 0},             {"1,5", false, 0},
  };
  for (const auto& c : cases) {
    double d = -99;
    EXPECT_EQ(readDouble(c.text, d), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(d, c.value) << c.text;
    }
  }
  float f = 0;
  ASSERT_TRUE(readFloat("0.1", f));
  EXPECT_EQ(f, 0.1f);
  EXPECT_FALSE(readFloat("1e-50", f));
}

}  // namespace
}  // namespace mantlept
