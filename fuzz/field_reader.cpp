// Fuzz target: the fixed-width numeric field reader on arbitrary text.
// The first byte chooses the field width (1..16) and the implied decimals
// (0..4); the rest is the line. Every accepted value must be finite, the
// reader must never look outside the line, and plain decimal numbers must read
// as their decimal value.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/fixed_fields.hpp"

using mantlept::FieldCursor;

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "field reader: %s for \"%.*s\"\n", what, static_cast<int>(text.size()),
               text.data());
  std::abort();
}

// The field without blanks when it is a plain number: an optional sign, then
// digits with at most one point (at least one digit); empty otherwise.
std::string plainNumber(std::string_view text, bool& hasPoint) {
  std::string s;
  for (char c : text) {
    if (c != ' ') s.push_back(c);
  }
  hasPoint = false;
  std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  bool digit = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      digit = true;
    } else if (s[i] == '.' && !hasPoint) {
      hasPoint = true;
    } else {
      return "";
    }
  }
  return digit ? s : "";
}

void checkReal(std::string_view text, int implied) {
  std::optional<float> value = mantlept::parseRealField(text, implied);
  if (value && !std::isfinite(*value)) fail("a non-finite value", text);
  bool hasPoint = false;
  std::string plain = plainNumber(text, hasPoint);
  if (plain.empty()) {
    bool blank = text.find_first_not_of(' ') == std::string_view::npos;
    if (blank && (!value || *value != 0.0f)) fail("a blank field that is not 0", text);
    return;
  }
  // Reference: the decimal value in long double, scaled by the implied decimals.
  long double expected = std::strtold(plain.c_str(), nullptr);
  if (!hasPoint) expected /= std::pow(10.0L, implied);
  if (std::fabs(expected) > 1e38L) return;  // near the end of the single-precision range
  if (!value) fail("a plain number refused", text);
  long double error = std::fabs(static_cast<long double>(*value) - expected);
  if (error > std::fabs(expected) * 1e-6L + 1e-38L) fail("a plain number misread", text);
}

void checkInteger(std::string_view text) {
  std::optional<int> value = mantlept::parseIntegerField(text);
  if (text.find_first_not_of(' ') == std::string_view::npos) {
    if (!value || *value != 0) fail("a blank integer field that is not 0", text);
    return;
  }
  bool hasPoint = false;
  std::string plain = plainNumber(text, hasPoint);
  if (plain.empty() || hasPoint) {
    if (value) fail("an integer field that is not a whole number accepted", text);
    return;
  }
  long double expected = std::strtold(plain.c_str(), nullptr);
  if (expected > INT_MAX || expected < -static_cast<long double>(INT_MAX)) {
    if (value) fail("an integer out of range accepted", text);
    return;
  }
  if (!value || static_cast<long double>(*value) != expected) fail("an integer misread", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int width = 1 + data[0] % 16;
  const int implied = (data[0] >> 4) % 5;
  std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  FieldCursor cursor(line);
  // Reading goes on past the end of the line, where fields are blank.
  const std::size_t fields = line.size() / static_cast<std::size_t>(width) + 3;
  for (std::size_t f = 0; f < fields; ++f) {
    int column = -1;
    std::string_view text = cursor.take(width, &column);
    if (column < 0) fail("no start column", text);
    if (text.size() > static_cast<std::size_t>(width)) fail("a field wider than its width", text);
    if (text.find(',') != std::string_view::npos) fail("a comma inside a field", text);
    if (!text.empty() &&
        (text.data() < line.data() || text.data() + text.size() > line.data() + line.size())) {
      fail("a field outside the line", text);
    }
    checkReal(text, implied);
    checkInteger(text);
  }
  return 0;
}
