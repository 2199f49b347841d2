#include "report/fixed_format.hpp"

#include <cmath>
#include <cstdint>

namespace mantlept {

namespace {

constexpr double kPow10[] = {1.0, 10.0, 100.0, 1000.0, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::uint64_t kPow10Whole[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                         100000000, 1000000000};

void appendStars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

constexpr int kZeroWidths = 12;
constexpr int kZeroDecimals = 4;

// The edited zero of every width 1..12 and 0..3 decimals, worked out at
// compile time: blanks, then d zeros behind the point (a 0 before it when
// d = 0), or asterisks when that does not fit.
struct ZeroFields {
  char text[kZeroWidths + 1][kZeroDecimals][kZeroWidths];
  constexpr ZeroFields() : text{} {
    for (int w = 1; w <= kZeroWidths; ++w) {
      for (int d = 0; d < kZeroDecimals; ++d) {
        char* field = text[w][d];
        int n = d == 0 ? 2 : d + 1;
        for (int i = 0; i < w; ++i) field[i] = n > w ? '*' : i < w - n ? ' ' : '0';
        if (n <= w) field[w - (d == 0 ? 1 : d + 1)] = '.';
      }
    }
  }
};
constexpr ZeroFields kZeroFields;

}  // namespace

void appendFixed(std::string& out, Real value, int w, int d) {
  // Zero (either sign), the value of every column of a missing mineral: blanks
  // and ".000" (or "0." without decimals), edited once per width and decimals.
  if (value == 0.0f && w <= kZeroWidths && d < kZeroDecimals) {
    out.append(kZeroFields.text[w][d], static_cast<std::size_t>(w));
    return;
  }
  // Any value of 10^(w-1) or more cannot fit; NaN never reaches this point, but
  // would print as asterisks too.
  double x = static_cast<double>(value);
  if (!(std::fabs(x) < kPow10[w - 1 < 9 ? w - 1 : 9])) {
    appendStars(out, w);
    return;
  }
  bool negative = std::signbit(x);
  double magnitude = std::fabs(x);
  // magnitude * 10^d is exact in double for a single-precision value and d <= 3
  // (24 + 10 significant bits), so the rounding below is exact.
  double scaled = magnitude * kPow10[d];
  // scaled + 0.5 is not negative, so truncation is its floor.
  std::uint64_t units = static_cast<std::uint64_t>(scaled + 0.5);
  if (units == 0 && negative) {
    // A negative value that rounds to zero keeps its sign from 10^-(d+1) on.
    negative = magnitude >= 1.0 / kPow10[d + 1];
  }

  // The field is written from its right end: fraction digits, point, whole
  // digits, sign, then blanks up to the width.
  char field[48];
  char* end = field + sizeof field;
  char* p = end;
  std::uint64_t whole = units / kPow10Whole[d];
  std::uint64_t fraction = units % kPow10Whole[d];
  for (int i = 0; i < d; ++i) {
    *--p = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  *--p = '.';
  if (whole > 0) {
    while (whole > 0) {
      *--p = static_cast<char>('0' + whole % 10);
      whole /= 10;
    }
  } else if (d == 0) {
    *--p = '0';
  }
  if (negative) *--p = '-';
  int n = static_cast<int>(end - p);
  if (n > w) {
    appendStars(out, w);
    return;
  }
  if (w - n > p - field) {  // wider than the buffer: blanks apart
    out.append(static_cast<std::size_t>(w - n), ' ');
  } else {
    while (end - p < w) *--p = ' ';
  }
  out.append(p, static_cast<std::size_t>(end - p));
}

std::string formatFixed(Real value, int w, int d) {
  std::string s;
  appendFixed(s, value, w, d);
  return s;
}

}  // namespace mantlept
