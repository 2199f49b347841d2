// Exhaustive checks over single-precision values, too long for the test suite
// (minutes each); run by hand after touching the number text or the logarithm:
//   mantlept_float_checks log10      every positive finite float: log10Real = log10f
//   mantlept_float_checks shortest   every finite float: appendShortestFixed = to_chars
//   mantlept_float_checks fixed3     every float below 10^4 in size: appendPrintfFixed = %8.3f
//   mantlept_float_checks readback   every finite float: shortestValue = strtod of its shortest text
// Prints the count of differences and the first few, exits 1 on any.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/number_text.hpp"
#include "core/real.hpp"

namespace {

float fromBits(std::uint32_t b) {
  float x = 0;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

std::uint32_t bitsOf(float x) {
  std::uint32_t b = 0;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

int report(const char* what, std::uint64_t checked, std::uint64_t differ) {
  std::printf("%s: %llu values, %llu differ\n", what, static_cast<unsigned long long>(checked),
              static_cast<unsigned long long>(differ));
  return differ == 0 ? 0 : 1;
}

int checkLog10() {
  std::uint64_t differ = 0, checked = 0;
  for (std::uint32_t b = 1; b < 0x7f800000u; ++b, ++checked) {
    const float x = fromBits(b);
    const float library = ::log10f(x);
    const float ours = mantlept::log10Real(x);
    if (bitsOf(library) != bitsOf(ours) && ++differ <= 5)
      std::printf("x=%a log10f=%a log10Real=%a\n", static_cast<double>(x),
                  static_cast<double>(library), static_cast<double>(ours));
  }
  return report("log10", checked, differ);
}

int checkShortest() {
  std::uint64_t differ = 0, checked = 0;
  std::string ours;
  char buffer[64];
  for (std::uint64_t b = 0; b <= 0xffffffffu; ++b) {
    const float x = fromBits(static_cast<std::uint32_t>(b));
    if (!std::isfinite(x)) continue;
    ++checked;
    ours.clear();
    mantlept::appendShortestFixed(ours, x);
    auto r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    if (std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer)) != ours &&
        ++differ <= 5)
      std::printf("x=%a to_chars=%.*s ours=%s\n", static_cast<double>(x),
                  static_cast<int>(r.ptr - buffer), buffer, ours.c_str());
  }
  return report("shortest", checked, differ);
}

int checkReadback() {
  std::uint64_t differ = 0, checked = 0;
  std::string text;
  for (std::uint64_t b = 0; b <= 0xffffffffu; ++b) {
    const float x = fromBits(static_cast<std::uint32_t>(b));
    if (!std::isfinite(x)) continue;
    ++checked;
    text.clear();
    mantlept::appendShortestFixed(text, x);
    const double read = std::strtod(text.c_str(), nullptr);
    const double ours = mantlept::shortestValue(x);
    if (std::memcmp(&read, &ours, sizeof read) != 0 && ++differ <= 5)
      std::printf("x=%a text=%s ours=%a\n", static_cast<double>(x), text.c_str(), ours);
  }
  return report("readback", checked, differ);
}

int checkFixed3() {
  std::uint64_t differ = 0, checked = 0;
  std::string ours;
  char buffer[64];
  for (std::uint64_t b = 0; b <= 0xffffffffu; ++b) {
    const float x = fromBits(static_cast<std::uint32_t>(b));
    if (!(std::fabs(x) < 1e4f)) continue;
    ++checked;
    ours.clear();
    mantlept::appendPrintfFixed(ours, x, 8, 3);
    std::snprintf(buffer, sizeof buffer, "%8.3f", static_cast<double>(x));
    if (ours != buffer && ++differ <= 5)
      std::printf("x=%a printf=%s ours=%s\n", static_cast<double>(x), buffer, ours.c_str());
  }
  return report("fixed3", checked, differ);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "log10") return checkLog10();
  if (what == "shortest") return checkShortest();
  if (what == "fixed3") return checkFixed3();
  if (what == "readback") return checkReadback();
  std::fprintf(stderr, "usage: mantlept_float_checks log10|shortest|fixed3|readback\n");
  return 2;
}
