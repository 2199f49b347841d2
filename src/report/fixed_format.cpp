#include "report/fixed_format.hpp"

#include <cmath>
#include <cstdint>

namespace mantlept {

namespace {

constexpr double kPow10[] = {1.0, 10.0, 100.0, 1000.0, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

void appendStars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

}  // namespace

void appendFixed(std::string& out, Real value, int w, int d) {
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
  std::uint64_t units = static_cast<std::uint64_t>(std::floor(scaled + 0.5));
  if (units == 0 && negative) {
    // A negative value that rounds to zero keeps its sign from 10^-(d+1) on.
    negative = magnitude >= 1.0 / kPow10[d + 1];
  }

  char digits[32];
  int n = 0;
  std::uint64_t whole = units / static_cast<std::uint64_t>(kPow10[d]);
  std::uint64_t fraction = units % static_cast<std::uint64_t>(kPow10[d]);
  // Fraction digits, written backwards.
  for (int i = 0; i < d; ++i) {
    digits[n++] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  digits[n++] = '.';
  if (whole > 0) {
    while (whole > 0) {
      digits[n++] = static_cast<char>('0' + whole % 10);
      whole /= 10;
    }
  } else if (d == 0) {
    digits[n++] = '0';
  }
  if (negative) digits[n++] = '-';
  if (n > w) {
    appendStars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w - n), ' ');
  while (n > 0) out.push_back(digits[--n]);
}

std::string formatFixed(Real value, int w, int d) {
  std::string s;
  appendFixed(s, value, w, d);
  return s;
}

}  // namespace mantlept
