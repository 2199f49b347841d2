#include "core/number_text.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <vector>

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
    appendWholeNumber(out, magnitude);
    return;
  }
  // The shortest round-trip digits (and the nearest among them) from the
  // library, in whatever notation it picks; rewritten without an exponent.
  const std::string text = fmt::format("{}", magnitude);
  std::string digits;
  int point = -1;  // digits before the decimal point
  int exponent = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      point = static_cast<int>(digits.size());
    } else if (c == 'e') {
      exponent = std::stoi(text.substr(i + 1));
      break;
    } else {
      digits += c;
    }
  }
  if (point < 0) point = static_cast<int>(digits.size());
  point += exponent;
  // Leading zeros of the digits (0.0015 -> "00015") do not count.
  std::size_t first = digits.find_first_not_of('0');
  point -= static_cast<int>(first);
  digits.erase(0, first);
  while (!digits.empty() && digits.back() == '0' && static_cast<int>(digits.size()) > point)
    digits.pop_back();
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else {
    out.append(digits, 0, static_cast<std::size_t>(point));
    out += '.';
    out.append(digits, static_cast<std::size_t>(point));
  }
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
