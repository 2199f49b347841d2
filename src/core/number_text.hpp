#pragma once
// Numbers to text and back, the same on every platform the program is built
// for (the native program and the page).
#include <string>
#include <string_view>

namespace mantlept {

// Appends the shortest digits that read back to `value`, never with an
// exponent: 0.000015, 1234.5, and for a whole number its exact value
// (30000001024). Finite values only.
void appendShortestFixed(std::string& out, float value);

// The double nearest the shortest decimal that reads back to `value` (the
// value appendShortestFixed writes, read back as strtod reads it). Finite
// values only.
double shortestValue(float value);

// Appends v with `decimals` decimals as printf's %.*f writes it: correctly
// rounded, ties to even, "-0.00" for a small negative value.
void appendFixedDecimals(std::string& out, double v, int decimals);

// The same right-aligned in `width` characters, as printf's "%W.Df" (wider
// when it does not fit).
void appendPrintfFixed(std::string& out, float value, int width, int decimals);

// Appends the shortest text that reads back to the double `value` (fixed or
// with an exponent, whichever the value needs). Finite values only.
void appendShortest(std::string& out, double value);

// Reads all of `text` as a decimal number ("-1.5", "2e-3", no blanks, no
// leading '+'); false for anything else or a value out of range.
bool readDouble(std::string_view text, double& value);

// The same for a single-precision value, correctly rounded.
bool readFloat(std::string_view text, float& value);

}  // namespace mantlept
