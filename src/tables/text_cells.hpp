#pragma once
// Small helpers for the text of table cells: spreadsheet column letters,
// trimming, a printable form for messages, and the reading of number cells.
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

// Reads a number cell: blank, "bdl", "b.d.l.", "n.d.", "nd", "-", an em dash
// and anything starting with "<" are Zero (below detection or not measured);
// a decimal comma is accepted when `decimalComma` is set.
CellValue readCell(std::string_view text, bool decimalComma);

// The shortest decimal text that reads back to `value` ("45.12", "1e+07").
std::string numberText(double value);

}  // namespace mantlept::tables
