// Fuzz target: a --sigma table from arbitrary bytes. The reader must end,
// fail only with a TableError naming the file, and give only finite,
// non-negative uncertainties.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tables/open_table.hpp"
#include "uncertainty/sigma.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "sigma reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mantlept;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  try {
    SigmaTable t = readSigmaFile(*tables::openTable(file, "fuzz-sigma.csv", ""));
    for (int slot = 0; slot < kSlotCount; ++slot) {
      for (int k = 0; k < OxideValues::kCount; ++k) {
        double s = t.sigma(slot, k, 50.0);
        if (!std::isfinite(s) || s < 0) fail("an uncertainty that is not finite or negative");
      }
    }
  } catch (const tables::TableError& e) {
    if (std::string(e.what()).find("fuzz-sigma.csv") == std::string::npos)
      fail("a message without the file");
  }
  std::fclose(file);
  return 0;
}
