// mantlept: temperature, pressure and oxygen fugacity of mantle rocks from
// microprobe analyses of their coexisting minerals.
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iostream>
#include <string_view>

#include "core/terminal.hpp"
#include "solver/run.hpp"

namespace {

constexpr std::string_view kUsage =
    "Usage: mantlept [--help | --version]\n"
    "\n"
    "Estimates the temperature, pressure and oxygen fugacity at which mantle\n"
    "peridotites, eclogites and megacrysts last equilibrated, from microprobe\n"
    "analyses of coexisting minerals. It asks on the terminal for the analysis\n"
    "file (fixed columns, one mineral per line), whether to estimate ferric iron,\n"
    "the thermometer-barometer combinations (from a printed menu), the\n"
    "oxybarometer, the name of a new results file, whether to write cations per\n"
    "formula unit, the number of iterations and a starting T and P. Answers can be\n"
    "given from a file: mantlept < answers.txt. It prints one line per sample and\n"
    "combination and writes one comma-separated row per sample to the results file.\n";

void requestStop(int signal) { mantlept::stopRequested = signal; }

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "mantlept 1.0.0\n";
      return 0;
    }
    std::cerr << "mantlept: unknown argument \"" << arg << "\"\n" << kUsage;
    return 2;
  }
  std::ios::sync_with_stdio(false);
  std::signal(SIGINT, requestStop);
  std::signal(SIGTERM, requestStop);
  mantlept::StreamTerminal terminal(std::cout, ::isatty(STDOUT_FILENO) != 0);
  return mantlept::runProgram(std::cin, terminal, std::cerr);
}
