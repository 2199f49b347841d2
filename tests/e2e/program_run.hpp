#pragma once
// Runs the built program in a fresh temporary folder with an answers text on
// standard input, and collects what it printed and wrote.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace mantlept::e2e {

struct ProgramRun {
  std::string out;
  std::string err;
  int status = -1;
  std::filesystem::path dir;

  // The content of a file the run left in its folder ("" when absent).
  std::string file(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir / name); }

  // Lines of the terminal output (without their line ends).
  std::vector<std::string> outLines() const {
    std::vector<std::string> lines;
    std::stringstream s(out);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
  }
};

inline std::string programPath() {
  const char* bin = std::getenv("MANTLEPT_BIN");
  if (bin == nullptr) throw std::runtime_error("MANTLEPT_BIN is not set (run the tests via ctest)");
  return bin;
}

inline std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the program with `args` (each quoted for the shell) in a new folder
// holding `files`, with `input` on standard input.
inline ProgramRun runCommand(const std::vector<std::string>& args,
                             const std::vector<std::pair<std::string, std::string>>& files,
                             const std::string& input = "") {
  ProgramRun run;
  std::string pattern = (std::filesystem::temp_directory_path() / "mantlept-run-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  run.dir = pattern;
  for (const auto& [name, content] : files) {
    std::ofstream(run.dir / name, std::ios::binary) << content;
  }
  std::ofstream(run.dir / ".stdin", std::ios::binary) << input;
  std::string command = "cd '" + run.dir.string() + "' && '" + programPath() + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " < .stdin > .stdout 2> .stderr";
  int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readAll(run.dir / ".stdout");
  run.err = readAll(run.dir / ".stderr");
  return run;
}

// Writes `files` (name, content) into a new folder, runs the program there with
// `answers` on standard input and returns what happened.
inline ProgramRun runProgram(const std::string& answers,
                             const std::vector<std::pair<std::string, std::string>>& files) {
  return runCommand({}, files, answers);
}

// One analysis line in the fixed columns of the analysis file: name (8), code
// letter (8), twelve oxide values written with a point (8 each), description.
inline std::string analysisLine(const std::string& name, char code,
                                const std::vector<double>& oxides,
                                const std::string& description = "") {
  std::string line = name;
  line.resize(8, ' ');
  line += code;
  line.resize(16, ' ');
  for (std::size_t k = 0; k < 12; ++k) {
    char field[32];
    std::snprintf(field, sizeof field, "%8.4f", k < oxides.size() ? oxides[k] : 0.0);
    line += field;
  }
  line += description;
  return line + "\n";
}

}  // namespace mantlept::e2e
