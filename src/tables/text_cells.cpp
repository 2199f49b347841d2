#include "tables/text_cells.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include <fast_float/fast_float.h>

#include "core/number_text.hpp"
#include "core/printable.hpp"

namespace mantlept::tables {

std::string columnLetters(int index) {
  std::string letters;
  for (int n = index + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

int columnOfReference(std::string_view reference) {
  int column = 0;
  std::size_t i = 0;
  for (; i < reference.size() && std::isalpha(static_cast<unsigned char>(reference[i])); ++i) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(reference[i])) - 'A' + 1);
    if (column > 1 << 20) return -1;
  }
  return i == 0 ? -1 : column - 1;
}

std::string_view trim(std::string_view text) {
  // Most cells have nothing to trim: neither end is a blank or a byte of a
  // no-break space.
  auto plain = [](char c) { return c != ' ' && c != '\t' && c != '\xc2' && c != '\xa0'; };
  if (text.empty() || (plain(text.front()) && plain(text.back()))) return text;
  constexpr std::string_view kNoBreakSpace = "\xc2\xa0";
  for (;;) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kNoBreakSpace)) {
      text.remove_prefix(kNoBreakSpace.size());
    } else {
      break;
    }
  }
  for (;;) {
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
      text.remove_suffix(1);
    } else if (text.ends_with(kNoBreakSpace)) {
      text.remove_suffix(kNoBreakSpace.size());
    } else {
      break;
    }
  }
  return text;
}

std::string printable(std::string_view text, std::size_t maxLength) {
  return mantlept::printable(text, maxLength);
}

CellValue readOtherCell(std::string_view text, bool decimalComma) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 7> kZeroWords = {
      "bdl", "b.d.l.", "n.d.", "nd", "-", "\xe2\x80\x94", ""};
  for (std::string_view word : kZeroWords)
    if (lower == word) return {CellValue::Zero, 0};
  if (lower.starts_with('<')) return {CellValue::Zero, 0};

  // Only a plain decimal number (digits, point, sign, exponent): the
  // conversion alone would also take "inf", "nan" and, as strtod,
  // hexadecimal numbers. A leading '+' is skipped, as strtod skips it.
  bool digit = false;
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digit = true;
    } else if (c != '.' && c != '+' && c != '-' && c != 'e' && c != 'E' &&
               !(c == ',' && decimalComma)) {
      return {};
    }
  }
  if (!digit) return {};
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+' && last - first > 1 && first[1] != '+' && first[1] != '-') ++first;
  const bool comma = decimalComma && text.find(',') != std::string_view::npos;
  if (comma && text.find('.') != std::string_view::npos) return {};  // two decimal marks
  double value = 0;
  const fast_float::parse_options options(fast_float::chars_format::general, comma ? ',' : '.');
  const fast_float::from_chars_result r = fast_float::from_chars_advanced(first, last, value, options);
  // Out of range is 0 below the smallest (as strtod gives), no number above.
  if (r.ptr != last || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) ||
      !std::isfinite(value))
    return {};
  return {CellValue::Number, value};
}

std::string numberText(double value) {
  std::string text;
  appendShortest(text, value);
  return text;
}

}  // namespace mantlept::tables
