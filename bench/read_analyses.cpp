// Reading alone: every association of the inputs read as calc reads them,
// nothing computed or written, so that the reading rate of tables can be told
// apart from the work done on what they hold.
//   build-bench/bench/mantlept_read FILE...   (prints associations and bytes read)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "run/analysis_input.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mantlept_read FILE...\n");
    return 2;
  }
  const std::vector<std::string> paths(argv + 1, argv + argc);
  try {
    auto input = mantlept::openAnalyses(paths, "", mantlept::AnalysisOptions{});
    mantlept::Association a;
    std::uint64_t associations = 0;
    double checksum = 0;  // so that nothing read can be left out
    while (input->next(a)) {
      ++associations;
      for (std::size_t s = 0; s < a.ox.size(); ++s)
        if (a.present[s]) checksum += static_cast<double>(a.ox[s][0]);
    }
    std::uintmax_t bytes = 0;
    for (const std::string& path : paths) bytes += std::filesystem::file_size(path);
    std::printf("%llu associations, %ju bytes, checksum %.6g\n",
                static_cast<unsigned long long>(associations), bytes, checksum);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
