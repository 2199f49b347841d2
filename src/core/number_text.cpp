#include "core/number_text.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
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
  if (std::signbit(value)) out += '-';
  const float magnitude = std::fabs(value);
  // A whole number is written with all its digits, as it is stored.
  if (magnitude == std::floor(magnitude)) {
    if (magnitude < 1.8e19f) {  // exact in 64 bits
      char text[24];
      const auto end = std::to_chars(text, text + sizeof text,
                                     static_cast<std::uint64_t>(magnitude)).ptr;
      out.append(text, end);
    } else {
      appendWholeNumber(out, magnitude);
    }
    return;
  }
  // The shortest round-trip digits (and the nearest among them) from the
  // library, in whatever notation it picks ("0.15", "1.5e-05"), read in place
  // and rewritten without an exponent. A float that is not whole is below
  // 2^23, so its text is short.
  char text[48];
  const char* const end = fmt::format_to_n(text, sizeof text, FMT_COMPILE("{}"), magnitude).out;
  char digits[48];
  int count = 0;
  int point = -1;  // digits before the decimal point
  int exponent = 0;
  for (const char* c = text; c != end; ++c) {
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
  const char* const significant = digits + first;
  const int length = count - first;
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out.append(significant, static_cast<std::size_t>(length));
  } else {
    out.append(significant, static_cast<std::size_t>(point));
    out += '.';
    out.append(significant + point, static_cast<std::size_t>(length - point));
  }
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
