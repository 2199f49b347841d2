#pragma once
// Small helpers for the text of table cells: spreadsheet column letters,
// trimming, a printable form for messages, and the reading of number cells.
#include <cstdint>
#include <string>
#include <string_view>

namespace mantlept::tables {

// "A" for 0, "Z" for 25, "AA" for 26, as a spreadsheet names columns.
std::string columnLetters(int index);

// The 0-based column of a cell reference such as "B3" or "AA10"; -1 when the
// reference does not start with letters.
int columnOfReference(std::string_view reference);

// Without leading and trailing blanks (spaces, tabs, no-break spaces).
std::string_view trim(std::string_view text);

// The text as a message shows it: control bytes written as \xNN, cut to
// `maxLength` bytes with "..." after.
std::string printable(std::string_view text, std::size_t maxLength = 40);

// What a number cell holds.
struct CellValue {
  enum Kind { Number, Zero, NotNumber };
  Kind kind = NotNumber;
  double value = 0;  // the number (Number), 0 otherwise
};

// A plain decimal number ("-12.345", "0,5" with a decimal comma) of at most 15
// significant digits: the digits as an integer and the count of decimals, so
// that digits / 10^decimals is one correctly rounded division, the value
// strtod gives. False for anything else (exponents, long numbers, text).
inline bool readPlainDecimal(std::string_view text, bool decimalComma, double& value) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint64_t digits = 0;
  int count = 0, decimals = -1;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (++count > 15) return false;
      if (decimals >= 0) ++decimals;
    } else if ((c == '.' || (c == ',' && decimalComma)) && decimals < 0) {
      decimals = 0;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  value = static_cast<double>(digits) / kPow10[decimals < 0 ? 0 : decimals];
  if (negative) value = -value;
  return true;
}

// A number cell that is not a plain decimal (see readCell).
CellValue readOtherCell(std::string_view text, bool decimalComma);

// Reads a number cell: blank, "bdl", "b.d.l.", "n.d.", "nd", "-", an em dash
// and anything starting with "<" are Zero (below detection or not measured);
// a decimal comma is accepted when `decimalComma` is set. The plain decimal
// of most cells is read here, in line.
inline CellValue readCell(std::string_view text, bool decimalComma) {
  text = trim(text);
  if (text.empty()) return {CellValue::Zero, 0};
  double plain = 0;
  if (readPlainDecimal(text, decimalComma, plain)) return {CellValue::Number, plain};
  return readOtherCell(text, decimalComma);
}

// The shortest decimal text that reads back to `value` ("45.12", "1e+07").
std::string numberText(double value);

}  // namespace mantlept::tables
