#include "core/number_text.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <iterator>
#include <vector>

#include <fmt/compile.h>
#include <fmt/format.h>  // header-only: FMT_HEADER_ONLY comes with the library target

namespace mantlept {

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The exact decimal digits of a whole float: its 24-bit significand times a
// power of two, in base-10^9 limbs (least significant first).
void appendWholeNumber(std::string& out, float value) {
  int exponent = 0;
  const float fraction = std::frexp(value, &exponent);  // value = fraction * 2^exponent
  auto significand = static_cast<std::uint32_t>(std::ldexp(fraction, 24));
  int shift = exponent - 24;
  while (shift < 0 && (significand & 1u) == 0) {
    significand >>= 1;
    ++shift;
  }
  std::vector<std::uint32_t> limbs{significand % 1000000000u, significand / 1000000000u};
  for (; shift > 0; --shift) {
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t v = static_cast<std::uint64_t>(limb) * 2u + carry;
      limb = static_cast<std::uint32_t>(v % 1000000000u);
      carry = static_cast<std::uint32_t>(v / 1000000000u);
    }
    if (carry != 0) limbs.push_back(carry);
  }
  while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();
  out += std::to_string(limbs.back());
  for (std::size_t i = limbs.size() - 1; i-- > 0;) {
    const std::string part = std::to_string(limbs[i]);
    out.append(9 - part.size(), '0');
    out += part;
  }
}

}  // namespace

void appendShortestFixed(std::string& out, float value) {
  // The text is made here and appended once: a float that is not whole is
  // below 2^23 and above 1e-45, so its fixed text is under 64 characters.
  char text[64];
  char* to = text;
  if (std::signbit(value)) *to++ = '-';
  const float magnitude = std::fabs(value);
  // A whole number is written with all its digits, as it is stored.
  if (magnitude == std::floor(magnitude)) {
    if (magnitude >= 1.8e19f) {  // beyond 64 bits
      out.append(text, static_cast<std::size_t>(to - text));
      appendWholeNumber(out, magnitude);
      return;
    }
    to = std::to_chars(to, text + sizeof text, static_cast<std::uint64_t>(magnitude)).ptr;
    out.append(text, static_cast<std::size_t>(to - text));
    return;
  }
  // The shortest round-trip digits (and the nearest among them) and their
  // decimal exponent, from the library's shortest-digits algorithm.
#if FMT_VERSION >= 90000 && FMT_VERSION < 120000
  // The digits themselves, as the library's "{}" format would write them,
  // two at a time from the right into place.
  const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
  std::uint32_t significand = decimal.significand;
  char digits[16];
  char* const last = digits + sizeof digits;
  char* first = last;
  while (significand >= 100) {
    first -= 2;
    std::memcpy(first, kDigitPairs + 2 * (significand % 100), 2);
    significand /= 100;
  }
  if (significand >= 10) {
    first -= 2;
    std::memcpy(first, kDigitPairs + 2 * significand, 2);
  } else {
    *--first = static_cast<char>('0' + significand);
  }
  const int count = static_cast<int>(last - first);
  // Digits before the decimal point: fewer than `count`, as the value is not
  // whole; and the digits hold no trailing zeros.
  const int point = count + decimal.exponent;
  if (point <= 0) {
    *to++ = '0';
    *to++ = '.';
    for (int k = point; k < 0; ++k) *to++ = '0';
    std::memcpy(to, first, static_cast<std::size_t>(count));
    to += count;
  } else {
    std::memcpy(to, first, static_cast<std::size_t>(point));
    to += point;
    *to++ = '.';
    std::memcpy(to, first + point, static_cast<std::size_t>(count - point));
    to += count - point;
  }
  out.append(text, static_cast<std::size_t>(to - text));
#else
  // Read from the library's text, in whatever notation it picks ("0.15",
  // "1.5e-05").
  char digits[32];
  int count = 0;
  int point = -1;  // digits before the decimal point
  int exponent = 0;
  char shortest[32];
  const char* const end = fmt::format_to(shortest, FMT_COMPILE("{}"), magnitude);  // 13 at most
  for (const char* c = shortest; c != end; ++c) {
    if (*c == '.') {
      point = count;
    } else if (*c == 'e') {
      std::from_chars(c + 1 + (c[1] == '+'), end, exponent);
      break;
    } else {
      digits[count++] = *c;
    }
  }
  if (point < 0) point = count;
  point += exponent;
  // Leading zeros of the digits (0.0015 -> "00015") do not count.
  int first = 0;
  while (first < count && digits[first] == '0') ++first;
  point -= first;
  while (count > first && digits[count - 1] == '0' && count - first > point) --count;
  const char* significant = digits + first;
  const char* const last = digits + count;
  if (point <= 0) {
    *to++ = '0';
    *to++ = '.';
    for (int k = point; k < 0; ++k) *to++ = '0';
  } else {
    for (int k = 0; k < point; ++k) *to++ = *significant++;
    *to++ = '.';
  }
  while (significant != last) *to++ = *significant++;
  out.append(text, static_cast<std::size_t>(to - text));
#endif
}

double shortestValue(float value) {
  const float magnitude = std::fabs(value);
  if (magnitude == std::floor(magnitude)) return static_cast<double>(value);  // written whole
#if FMT_VERSION >= 90000 && FMT_VERSION < 120000
  // The digits and the power of ten are exact doubles within 10^±22: one
  // correctly rounded product or quotient is the double nearest the decimal.
  constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
  const int e = decimal.exponent;
  if (e >= -22 && e <= 22) {
    const auto digits = static_cast<double>(decimal.significand);
    const double v = e < 0 ? digits / kPowers[-e] : digits * kPowers[e];
    return std::signbit(value) ? -v : v;
  }
#endif
  std::string written;
  appendShortestFixed(written, value);
  return std::strtod(written.c_str(), nullptr);
}

namespace {

// a·b = p + e exactly (Dekker's product: no fused multiply-add, no overflow).
void exactProduct(double a, double b, double& p, double& e) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  auto split = [](double x, double& hi, double& lo) {
    const double c = kSplit * x;
    hi = c - (c - x);
    lo = x - hi;
  };
  double ah, al, bh, bl;
  split(a, ah, al);
  split(b, bh, bl);
  p = a * b;
  e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

}  // namespace

void appendFixedDecimals(std::string& out, double v, int decimals) {
  constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  const double x = std::fabs(v);
  if (!(x < 1e9) || decimals < 0 || decimals > 6) {  // and what is not finite
    fmt::format_to(std::back_inserter(out), "{:.{}f}", v, decimals);  // as printf
    return;
  }
  // x·10^decimals = p + e exactly, below 2^53; its nearest whole number, a
  // tie to the even one. p - floor(p) is exact, and so is frac - 0.5 for a
  // frac of 0.25 or more; below that e (under half a unit of p) cannot reach
  // the half. The sign of (frac - 0.5) + e is that of the exact sum.
  double p = 0.0, e = 0.0;
  exactProduct(x, kPowers[decimals], p, e);
  const double whole = std::floor(p);
  const double frac = p - whole;
  auto n = static_cast<std::uint64_t>(whole);
  if (frac >= 0.25) {
    const double above = (frac - 0.5) + e;
    if (above > 0.0 || (above == 0.0 && (n & 1u) != 0)) ++n;
  }
  char digits[24];
  const auto d = static_cast<std::size_t>(decimals);
  std::size_t len = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
  if (std::signbit(v)) out += '-';
  if (len <= d) {  // 0.0xy
    out += '0';
    out += '.';
    out.append(d - len, '0');
    out.append(digits, len);
    return;
  }
  out.append(digits, len - d);
  if (d == 0) return;
  out += '.';
  out.append(digits + (len - d), d);
}

void appendPrintfFixed(std::string& out, float value, int width, int decimals) {
  const std::size_t start = out.size();
  appendFixedDecimals(out, static_cast<double>(value), decimals);
  const std::size_t length = out.size() - start;
  if (length < static_cast<std::size_t>(width))
    out.insert(start, static_cast<std::size_t>(width) - length, ' ');
}

void appendShortest(std::string& out, double value) {
  fmt::format_to(std::back_inserter(out), "{}", value);
}

namespace {

// strtod or strtof on all of `text`, with the limits of a plain decimal.
template <typename Number, typename Parse>
bool readNumber(std::string_view text, Number& value, Parse parse) {
  if (text.empty() || text.front() == '+' || std::isspace(static_cast<unsigned char>(text.front())))
    return false;
  if (text.find_first_of("xX") != std::string_view::npos) return false;  // no hexadecimal
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const Number v = parse(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || errno == ERANGE) return false;
  value = v;
  return true;
}

}  // namespace

bool readDouble(std::string_view text, double& value) {
  return readNumber(text, value, [](const char* s, char** end) { return std::strtod(s, end); });
}

bool readFloat(std::string_view text, float& value) {
  return readNumber(text, value, [](const char* s, char** end) { return std::strtof(s, end); });
}

}  // namespace mantlept
