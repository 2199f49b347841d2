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

// Reads all of `text` as a decimal number ("-1.5", "2e-3", no blanks, no
// leading '+'); false for anything else or a value out of range.
bool readDouble(std::string_view text, double& value);

// The same for a single-precision value, correctly rounded.
bool readFloat(std::string_view text, float& value);

}  // namespace mantlept
