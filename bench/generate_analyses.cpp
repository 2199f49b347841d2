// Writes a synthetic analysis file of mantle samples to standard output:
//   mantlept_generate SEED ASSOCIATIONS > FILE          (fixed columns)
//   mantlept_generate SEED ASSOCIATIONS --csv > FILE    (the same samples, wide CSV)
//   mantlept_generate SEED ASSOCIATIONS --spots PREFIX  (PREFIX1.csv .. PREFIX3.csv:
//                                                        long tables of two spots each)
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis_generator.hpp"

namespace {

bool parseCount(const char* text, long long max, long long& out) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 0 || v > max) return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long long seed = 0;
  long long count = 0;
  bool csv = argc == 4 && std::strcmp(argv[3], "--csv") == 0;
  bool spots = argc == 5 && std::strcmp(argv[3], "--spots") == 0;
  if ((argc != 3 && !csv && !spots) || !parseCount(argv[1], 0x7FFFFFFFFFFFFFFFLL, seed) ||
      !parseCount(argv[2], 10000000, count)) {
    std::fprintf(stderr,
                 "Usage: mantlept_generate SEED ASSOCIATIONS [--csv] > FILE\n"
                 "  SEED: a whole number >= 0; ASSOCIATIONS: 0 to 10000000\n"
                 "  --csv: one row per sample, columns Sample, SiO2_Opx ... Fe2O3_Ilm\n"
                 "  --spots PREFIX: PREFIX1.csv (Opx, Cpx), PREFIX2.csv (Ol, Sp), PREFIX3.csv\n"
                 "    (Gt, Ilm), two spot rows per mineral, rows shuffled\n");
    return 2;
  }
  if (spots) {
    std::FILE* files[mantlept::bench::kSpotTables] = {};
    bool ok = true;
    for (std::size_t t = 0; t < mantlept::bench::kSpotTables; ++t) {
      std::string name = std::string(argv[4]) + std::to_string(t + 1) + ".csv";
      files[t] = std::fopen(name.c_str(), "wb");
      if (files[t] == nullptr) {
        std::perror(("mantlept_generate: " + name).c_str());
        ok = false;
      }
    }
    if (ok && !mantlept::bench::writeSpotTables(files, static_cast<std::uint64_t>(seed), count)) {
      std::perror("mantlept_generate: writing failed");
      ok = false;
    }
    for (std::FILE* f : files)
      if (f != nullptr && std::fclose(f) != 0) ok = false;
    return ok ? 0 : 1;
  }
  auto write = csv ? mantlept::bench::writeAnalysisTable : mantlept::bench::writeAnalysisFile;
  if (!write(stdout, static_cast<std::uint64_t>(seed), count)) {
    std::perror("mantlept_generate: writing failed");
    return 1;
  }
  return 0;
}
