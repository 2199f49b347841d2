// Fuzz target: a delimited table of analyses from arbitrary bytes. The reader
// must end, fail only with a TableError whose message names the file, and
// deliver only finite, non-negative oxide values to the associations its rows
// are joined and averaged into.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tables/association_table.hpp"
#include "tables/compilation.hpp"
#include "tables/diagnostics.hpp"
#include "tables/open_table.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "table reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mantlept;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  try {
    tables::Diagnostics diagnostics;
    tables::AssociationTable table(tables::openTable(file, "fuzz.csv", ""), diagnostics);
    tables::Compilation compilation(diagnostics, tables::RimCore::Core);
    tables::TableRow row;
    while (table.next(row)) compilation.add(row);
    Association a;
    for (std::size_t n = 0; compilation.next(a); ++n) {
      if (n > size) fail("more associations than bytes");
      for (int slot = 0; slot < kSlotCount; ++slot) {
        for (int k = 0; k < OxideValues::kCount; ++k) {
          float v = a.ox[static_cast<std::size_t>(slot)][k];
          if (!std::isfinite(v) || v < 0.0f) fail("an oxide value that is not finite or negative");
        }
      }
    }
  } catch (const tables::TableError& e) {
    if (std::string(e.what()).find("fuzz.csv") == std::string::npos)
      fail("a message without the file");
  }
  std::fclose(file);
  return 0;
}
