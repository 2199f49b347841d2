// Fuzz target: the opening dialogue on arbitrary answers. It runs in a private
// temporary folder holding one analysis file ("a.txt") and one folder ("d");
// slashes in the answers are replaced so that no name leaves that folder.
// The dialogue either fills settings that keep their documented bounds or
// stops with a message, it writes the header once with its documented length,
// and it leaves at most the one results file it created, which is removed.
#include "dialogue/dialogue.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/terminal.hpp"
#include "report/results_file.hpp"
#include "support/output_checks.hpp"

using namespace mantlept;
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "dialogue: %s\n", what.c_str());
  std::abort();
}

std::set<std::string> folderEntries() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename());
  return names;
}

std::set<std::string> initialEntries;

void checkSettings(const RunSettings& s) {
  if (s.ferricOption != 1 && s.ferricOption != 2) fail("ferric option out of range");
  if (s.combinationCount == 0 || s.combinationCount > kMaxCombinations) fail("combination count");
  if (s.combinations.size() != static_cast<std::size_t>(s.evaluatedCount())) fail("combinations");
  for (const MethodCombination& c : s.combinations) {
    if (c.thermometerLabel.size() != 16 || c.barometerLabel.size() != 16) fail("label width");
  }
  if (s.iterationLimit == 0 || s.iterationLimit == 1) fail("iteration limit 0 or 1 kept");
  if (!std::isfinite(s.startT) || !std::isfinite(s.startP)) fail("a starting value not finite");
  if (s.startT == 0.0f || s.startP == 0.0f) fail("a starting value of 0 kept");
  if (s.inputFileName.empty() || s.resultsFileName.empty()) fail("an empty file name");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "mantlept-fuzz-dialogue-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) std::abort();
  std::ofstream("a.txt") << "S1      E          57.52    0.10    0.82\n";
  fs::create_directory("d");
  initialEntries = folderEntries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string answers(reinterpret_cast<const char*>(data), size);
  for (char& c : answers) {
    if (c == '/') c = '_';
  }
  std::istringstream in(answers);
  StringTerminal out;
  std::ostringstream err;
  DialogueFiles files;
  int headers = 0;
  try {
    RunSettings settings =
        runDialogue(in, out, err, files, [&](const RunSettings& s, OutputFile& f) {
          ++headers;
          std::string header = resultsHeader(s);
          if (std::string e = checks::checkHeader(header, s); !e.empty()) fail(e);
          f.write(header);
        });
    checkSettings(settings);
    if (headers != 1) fail("the header was not written once");
    if (!files.results.isOpen()) fail("no results file");
  } catch (const DialogueAborted& e) {
    if (std::string(e.what()).empty()) fail("a stop without a message");
    if (headers > 1) fail("the header was written twice");
  }
  files.results.discard();
  files.analysis.close();
  if (folderEntries() != initialEntries) fail("the dialogue left files behind");
  return 0;
}
