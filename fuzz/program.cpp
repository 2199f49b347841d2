// Fuzz target: the whole program on a random analysis file with random
// answers. The first 30 bytes choose the answers (ferric option, up to 12
// combinations of any method numbers, in range or not, the oxybarometer, the
// row kind, the iteration limit and the starting point); the rest is the
// analysis file. The run must end with status 0 (or 1 after an unreadable
// line, with a message), keep no NaN or infinity in the store, and produce
// result lines, a header and rows of their documented layout, one row per
// association and one terminal line per association and combination.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/terminal.hpp"
#include "methods/catalogue.hpp"
#include "dialogue/program.hpp"
#include "support/output_checks.hpp"

using namespace mantlept;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kAnswerBytes = 30;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "program: %s\n", what.c_str());
  std::abort();
}

void requireFinite(Real v, const char* what) {
  if (!std::isfinite(v)) fail(std::string(what) + " is not finite");
}

// The answers of one run and the settings the dialogue must make of them.
struct Answers {
  std::string text;
  RunSettings settings;
};

Answers answersFrom(const std::uint8_t* b) {
  Answers a;
  RunSettings& s = a.settings;
  char line[64];
  a.text = "a.txt\n";
  s.ferricOption = (b[0] & 1) ? 2 : 1;
  a.text += (b[0] & 1) ? "Y\n" : "N\n";
  int count = b[1] % 14 - 1;  // -1..12
  if (count == 0) count = -1;
  s.combinationCount = count;
  std::snprintf(line, sizeof line, "%2d\n", count);
  a.text += line;
  for (int k = 0; k < count; ++k) {
    MethodCombination c;
    c.thermometer = b[2 + 2 * k] % 50;  // 0..49: 0, 48 and 49 lie outside the tables
    c.barometer = b[3 + 2 * k] % 50;
    c.thermometerLabel = std::string(thermometerLabel(c.thermometer));
    c.barometerLabel = std::string(barometerLabel(c.barometer));
    std::snprintf(line, sizeof line, "%02d%02d\n", c.thermometer, c.barometer);
    a.text += line;
    s.combinations.push_back(c);
  }
  s.oxybarometerNumber = b[26] % 12 - 1;  // -1..10
  std::snprintf(line, sizeof line, "%2d\n", s.oxybarometerNumber);
  a.text += line;
  a.text += "r.csv\n";
  s.writeCoefficients = (b[0] & 2) != 0;
  a.text += s.writeCoefficients ? "y\n" : "n\n";
  int iterations = b[27] % 109 - 9;  // -9..99
  std::snprintf(line, sizeof line, "%2d\n", iterations);
  a.text += line;
  int t = b[28] * 8 - 200;   // -200..1840
  int p = b[29] % 120 - 10;  // -10..109
  std::snprintf(line, sizeof line, "%4d%4d\n", t, p);
  a.text += line;
  return a;
}

void checkStore(const RunState& s, const FeNumbers& fe, const CombinationResults& results, int n) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    for (int k = 0; k < OxideValues::kCount; ++k) requireFinite(s.ox[slot][k], "an oxide value");
    for (int k = 0; k < CationFormula::kCount; ++k) requireFinite(s.cat[slot][k], "a cation value");
  }
  static_assert(sizeof(SiteParameters) % sizeof(Real) == 0, "site parameters are reals");
  Real site[sizeof(SiteParameters) / sizeof(Real)];
  std::memcpy(site, &s.site, sizeof site);
  for (Real v : site) requireFinite(v, "a site parameter");
  for (Real v : {s.T, s.P, s.TK, s.fO2, s.Tin, s.garnetFerricExcess, s.aFs}) {
    requireFinite(v, "an iteration value");
  }
  for (Real v : {fe.opx, fe.cpx, fe.olivine, fe.chromite, fe.garnet, fe.ilmenite}) {
    requireFinite(v, "an Fe-number estimate");
  }
  for (int k = 0; k < n; ++k) {
    const CombinationResult& r = results[static_cast<std::size_t>(k)];
    requireFinite(r.temperature, "a reported temperature");
    requireFinite(r.pressure, "a reported pressure");
    requireFinite(r.fO2, "a reported oxygen fugacity");
  }
}

std::string readFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "mantlept-fuzz-program-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kAnswerBytes) return 0;
  Answers answers = answersFrom(data);
  const RunSettings& settings = answers.settings;
  {
    std::ofstream file("a.txt", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data + kAnswerBytes),
               static_cast<std::streamsize>(size - kAnswerBytes));
  }
  std::remove("r.csv");

  std::istringstream in(answers.text);
  StringTerminal out;
  std::ostringstream err;
  std::size_t rows = 0;
  int status = runProgram(in, out, err,
                          [&](const RunState& s, const FeNumbers& fe, const CombinationResults& r) {
                            ++rows;
                            checkStore(s, fe, r, settings.evaluatedCount());
                          });
  if (status != 0 && status != 1) fail("exit status " + std::to_string(status));
  if (status == 1 && err.str().find("line ") == std::string::npos) {
    fail("status 1 without a message naming the line: " + err.str());
  }
  if (status == 0 && !err.str().empty()) fail("a message on a successful run: " + err.str());
  if (std::string e = checks::checkTranscript(out.text(), settings, rows, status == 0);
      !e.empty()) {
    fail(e);
  }
  if (std::string e = checks::checkResultsFile(readFile("r.csv"), settings, rows); !e.empty()) {
    fail(e);
  }
  std::remove("r.csv");
  return 0;
}
