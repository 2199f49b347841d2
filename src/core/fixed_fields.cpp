#include "core/fixed_fields.hpp"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace mantlept {

std::string_view FieldCursor::take(int width, int* startColumn) {
  std::size_t start = pos_ < line_.size() ? pos_ : line_.size();
  std::size_t end = start;
  std::size_t limit = pos_ + static_cast<std::size_t>(width);
  bool comma = false;
  while (end < limit && end < line_.size()) {
    if (line_[end] == ',') {
      comma = true;
      break;
    }
    ++end;
  }
  lastColumn_ = static_cast<int>(pos_);
  if (startColumn) *startColumn = lastColumn_;
  std::string_view text = line_.substr(start, end - start);
  pos_ = comma ? end + 1 : limit;
  return text;
}

std::string_view FieldCursor::takeText(int width, char* buffer) {
  std::size_t n = static_cast<std::size_t>(width);
  if (pos_ + n <= line_.size()) {  // the whole field lies inside the line
    std::memcpy(buffer, line_.data() + pos_, n);
    pos_ += n;
    return std::string_view(buffer, n);
  }
  for (int i = 0; i < width; ++i) {
    std::size_t at = pos_ + static_cast<std::size_t>(i);
    buffer[i] = at < line_.size() ? line_[at] : ' ';
  }
  pos_ += static_cast<std::size_t>(width);
  return std::string_view(buffer, static_cast<std::size_t>(width));
}

std::optional<Real> FieldCursor::real(int width, int impliedDecimals) {
  return parseRealField(take(width), impliedDecimals);
}

std::optional<int> FieldCursor::integer(int width) { return parseIntegerField(take(width)); }

namespace {

// The field with its blanks removed, or empty when a character is neither a
// blank nor part of a number.
bool compact(std::string_view text, std::string& out) {
  out.clear();
  for (char c : text) {
    if (c == ' ') continue;
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e' ||
        c == 'D' || c == 'd') {
      out.push_back(c);
    } else {
      return false;
    }
  }
  return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The common field: blanks, an optional sign, digits with at most one point,
// at most 7 significant digits and a decimal exponent within 10 of zero. Its
// value m / 10^k or m * 10^k is then one correctly rounded single-precision
// operation on exact operands (m < 2^24, 10^10 = 2^10 * 5^10 with 5^10 < 2^24),
// the same value as the decimal conversion below gives. False for any other
// field, which takes the general path.
constexpr float kPow10f[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool parseSimpleReal(std::string_view text, int impliedDecimals, Real& value) {
  bool negative = false, point = false, any = false, started = false;
  int significant = 0, fractionDigits = 0;
  std::uint32_t mantissa = 0;
  for (char c : text) {
    if (c == ' ') continue;
    if (c >= '0' && c <= '9') {
      any = true;
      if (point) ++fractionDigits;
      if (mantissa != 0 || c != '0') {
        if (++significant > 7) return false;
        mantissa = mantissa * 10 + static_cast<std::uint32_t>(c - '0');
      }
    } else if (c == '.' && !point) {
      point = true;
    } else if ((c == '-' || c == '+') && !started) {
      negative = c == '-';
    } else {
      return false;
    }
    started = true;  // a sign is allowed only before everything else
  }
  if (!started) {  // all blank
    value = 0.0f;
    return true;
  }
  if (!any) return false;
  int exponent = -(point ? fractionDigits : impliedDecimals);
  if (exponent < -10 || exponent > 10) return false;
  float m = static_cast<float>(mantissa);
  float v = exponent < 0 ? m / kPow10f[-exponent] : m * kPow10f[exponent];
  value = negative ? -v : v;
  return true;
}

}  // namespace

std::optional<Real> parseRealField(std::string_view text, int impliedDecimals) {
  Real simple = 0.0f;
  if (parseSimpleReal(text, impliedDecimals, simple)) return simple;
  thread_local std::string s;
  if (!compact(text, s)) return std::nullopt;
  if (s.empty()) return 0.0f;

  std::size_t i = 0;
  std::string number;
  if (s[i] == '+' || s[i] == '-') number.push_back(s[i++]);
  std::string digits;
  bool point = false;
  int fractionDigits = 0;
  for (; i < s.size() && (isDigit(s[i]) || s[i] == '.'); ++i) {
    if (s[i] == '.') {
      if (point) return std::nullopt;
      point = true;
    } else {
      digits.push_back(s[i]);
      if (point) ++fractionDigits;
    }
  }
  if (digits.empty()) return std::nullopt;
  long exponent = 0;
  if (i < s.size()) {
    if (s[i] != 'E' && s[i] != 'e' && s[i] != 'D' && s[i] != 'd') return std::nullopt;
    ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return std::nullopt;
    for (; i < s.size(); ++i) {
      if (!isDigit(s[i])) return std::nullopt;
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  // The value is digits x 10^(exponent - decimals), decimals being those after
  // the point, or the implied ones when there is no point.
  exponent -= point ? fractionDigits : impliedDecimals;
  number += digits;
  number += 'e';
  number += std::to_string(exponent);
  char* end = nullptr;
  float value = std::strtof(number.c_str(), &end);
  if (end == nullptr || *end != '\0' || !usable(value)) return std::nullopt;
  return value;
}

std::optional<int> parseIntegerField(std::string_view text) {
  thread_local std::string s;
  if (!compact(text, s)) return std::nullopt;
  if (s.empty()) return 0;
  std::size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  if (i == s.size()) return std::nullopt;
  long long value = 0;
  for (; i < s.size(); ++i) {
    if (!isDigit(s[i])) return std::nullopt;
    value = value * 10 + (s[i] - '0');
    if (value > INT_MAX) return std::nullopt;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace mantlept
