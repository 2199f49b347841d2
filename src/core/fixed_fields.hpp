#pragma once
// Fixed-width numeric input fields, as typed answers and analysis columns use
// them: blanks are ignored, an all-blank field is 0, a leading sign is allowed,
// a comma ends a field early (the next field starts right after it), and a
// field without a decimal point has an implied number of decimals.
#include <optional>
#include <string_view>

#include "core/real.hpp"

namespace mantlept {

// Reads consecutive fields from one line of text. Characters beyond the end
// of the line read as blanks.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view line) : line_(line) {}

  // The raw text of the next field of `width` characters (up to a comma), and
  // the 0-based column where it starts. Advances past the field (and comma).
  std::string_view take(int width, int* startColumn = nullptr);

  // The next `width` characters as text (commas included), blank-padded.
  std::string_view takeText(int width, char* buffer);

  // The next field read as a real with `impliedDecimals` when it has no point.
  // Empty when the text is not a number (or does not fit a single-precision value).
  std::optional<Real> real(int width, int impliedDecimals);

  // The next field read as a whole number (no point, no exponent).
  std::optional<int> integer(int width);

  // The 0-based column where the field read last starts.
  int lastColumn() const { return lastColumn_; }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
  int lastColumn_ = 0;
};

// Parses the text of one field (see FieldCursor::real).
std::optional<Real> parseRealField(std::string_view text, int impliedDecimals);
// Parses the text of one integer field (see FieldCursor::integer).
std::optional<int> parseIntegerField(std::string_view text);

}  // namespace mantlept
