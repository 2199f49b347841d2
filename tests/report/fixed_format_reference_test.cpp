// Fw.d editing checked against a reference built on
// the C library's exact decimal conversion, over many values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "report/fixed_format.hpp"

namespace mantlept {
namespace {

// The value rounded to d decimals, halves away from zero (the C library
// rounds exact halves to even, so they are taken apart first), right-aligned in
// w characters, without the 0 before the point unless no digit would remain,
// with the sign of a negative value whose magnitude reaches 10^-(d+1), and
// asterisks when it does not fit.
std::string reference(float value, int w, int d) {
  double magnitude = std::fabs(static_cast<double>(value));
  double scale = std::pow(10.0, d);
  double scaled = magnitude * scale;  // exact for a float and d <= 3
  char text[64];
  if (scaled - std::floor(scaled) == 0.5) {
    std::snprintf(text, sizeof text, "%.*f", d, (std::floor(scaled) + 1.0) / scale);
  } else {
    std::snprintf(text, sizeof text, "%.*f", d, magnitude);
  }
  std::string body = text;
  if (d == 0) body += '.';
  if (body.rfind("0.", 0) == 0 && body.size() > 2) body.erase(0, 1);
  bool roundsToZero = body.find_first_of("123456789") == std::string::npos;
  bool negative = std::signbit(value) && (!roundsToZero || magnitude >= 1.0 / (scale * 10.0));
  if (negative) body.insert(0, "-");
  if (static_cast<int>(body.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - body.size(), ' ') + body;
}

struct Case {
  float value;
  int w, d;
  const char* expected;
};

TEST(FixedFormatReference, EdgeCases) {
  const Case cases[] = {
      {0.0f, 8, 3, "    .000"},   {-0.0f, 8, 3, "    .000"},    {0.0f, 5, 0, "   0."},
      {0.0f, 1, 0, "*"},          {2000.0f, 6, 1, "2000.0"},     {2000.0f, 4, 1, "****"},
      {1e5f, 6, 1, "******"},     {0.5f, 5, 0, "   1."},       {2.5f, 5, 0, "   3."},
      {-2.5f, 5, 0, "  -3."},     {0.125f, 8, 2, "     .13"},  {-0.125f, 8, 2, "    -.13"},
      {0.3f, 5, 0, "   0."},      {-0.3f, 5, 0, "  -0."},      {-0.0004f, 8, 3, "   -.000"},
      {-0.00004f, 8, 3, "    .000"}, {1195.4f, 5, 0, "1195."}, {31.72f, 4, 1, "31.7"},
      {-1.234f, 5, 2, "-1.23"},   {99.94f, 4, 1, "99.9"},   {99.96f, 4, 1, "****"},      {1.937f, 8, 3, "   1.937"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatFixed(c.value, c.w, c.d), c.expected) << c.value << " F" << c.w << "." << c.d;
    EXPECT_EQ(reference(c.value, c.w, c.d), c.expected) << "reference " << c.value;
  }
  std::string row = "x,";
  appendFixed(row, 0.0f, 8, 3);
  appendFixed(row, 12.5f, 6, 1);
  EXPECT_EQ(row, "x,    .000  12.5");
}

TEST(FixedFormatReference, MatchesReferenceOverManyValues) {
  const int formats[][2] = {{5, 0}, {4, 1}, {5, 2}, {8, 3}, {6, 1}, {6, 3}};
  std::uint64_t state = 99;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 32);
  };
  for (int i = 0; i < 300000; ++i) {
    // Values from 1e-5 to 1e5 of either sign, and exact halves of the last digit.
    float value;
    if (i % 4 == 0) {
      value = static_cast<float>(static_cast<int>(next() % 200001) - 100000) / 8.0f;
    } else {
      double exponent = -5.0 + 10.0 * (next() / 4294967296.0);
      value = static_cast<float>(std::pow(10.0, exponent));
      if (next() % 2 == 0) value = -value;
    }
    for (const auto& f : formats) {
      ASSERT_EQ(formatFixed(value, f[0], f[1]), reference(value, f[0], f[1]))
          << value << " F" << f[0] << "." << f[1];
    }
  }
}

}  // namespace
}  // namespace mantlept
