// Fuzz target: the analysis-line reader and the association reader on
// arbitrary text. The input is read once as a single line and once as a whole
// analysis file. Every line that reads gives finite oxide values, every
// formula recalculated from it (all formula types, every ferric-iron rule) and
// every site parameter of the associations is finite, and the reader ends.
#include "minerals/analysis_reader.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/terminal.hpp"
#include "minerals/formula.hpp"
#include "minerals/site_parameters.hpp"
#include "solver/engine.hpp"
#include "state/run_state.hpp"

using namespace mantlept;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "analysis reader: %s\n", what);
  std::abort();
}

void requireFinite(const OxideValues& ox, const char* what) {
  for (int k = 0; k < OxideValues::kCount; ++k) {
    if (!std::isfinite(ox[k])) fail(what);
  }
}

void requireFinite(const CationFormula& cat, const char* what) {
  for (int k = 0; k < CationFormula::kCount; ++k) {
    if (!std::isfinite(cat[k])) fail(what);
  }
}

void requireFinite(const SiteParameters& site) {
  static_assert(sizeof(SiteParameters) % sizeof(Real) == 0, "site parameters are reals");
  Real values[sizeof(SiteParameters) / sizeof(Real)];
  std::memcpy(values, &site, sizeof values);
  for (Real v : values) {
    if (!std::isfinite(v)) fail("a site parameter that is not finite");
  }
}

// One line: the name and code are the first columns as they stand; a line that
// reads has finite values whose formulas are finite for every type.
void checkLine(std::string_view line) {
  MineralAnalysis a;
  std::string error;
  bool ok = parseAnalysisLine(line, a, error);
  for (std::size_t i = 0; i < 8; ++i) {
    char expected = i < line.size() ? line[i] : ' ';
    if (a.name[i] != expected) fail("the sample name is not columns 1-8");
  }
  if (a.code != (line.size() > 8 ? line[8] : ' ')) fail("the code is not column 9");
  if (!ok) {
    if (error.find("columns") == std::string::npos) fail("a refusal that names no columns");
    return;
  }
  requireFinite(a.ox, "an oxide value that is not finite");
  RunState s;
  for (int type = 1; type <= kFormulaTypes; ++type) {
    for (FerricRule ferric : {FerricRule::None, FerricRule::Dialogue, FerricRule::ChargeBalance}) {
      Recalculation r = recalculate(a.ox, type, ferric);
      requireFinite(r.ox, "a recalculated oxide value that is not finite");
      requireFinite(r.cat, "a cation value that is not finite");
      if (type <= kSlotCount) {
        s.ox[type - 1] = r.ox;
        s.cat[type - 1] = r.cat;
      }
    }
  }
  StringTerminal out;
  computeSiteParameters(s.cat, s.site, out);
  requireFinite(s.site);
}

// The whole input as an analysis file: associations until its end.
void checkFile(const std::uint8_t* data, std::size_t size, FerricRule ferric) {
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return;
  AnalysisReader reader(file, "fuzz.txt");
  RunState s;
  Association a;
  StringTerminal out;
  // Every association takes at least one line, so there are at most size + 1.
  for (std::size_t n = 0;; ++n) {
    if (n > size + 1) fail("the reader does not end");
    AnalysisReader::Status status = reader.next(a);
    if (status == AnalysisReader::Status::End) break;
    if (status == AnalysisReader::Status::Unreadable) {
      if (reader.message().find("line ") == std::string::npos) fail("a message without a line");
      break;
    }
    loadAssociation(s, a, ferric);
    for (int slot = 0; slot < kSlotCount; ++slot) {
      requireFinite(s.ox[slot], "a stored oxide value that is not finite");
      requireFinite(s.cat[slot], "a stored cation value that is not finite");
    }
    computeSiteParameters(s.cat, s.site, out);
    requireFinite(s.site);
  }
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  checkLine(text.substr(0, text.find('\n')));
  // The first byte picks the ferric-iron rule of the whole file.
  constexpr FerricRule kRules[] = {FerricRule::None, FerricRule::Dialogue, FerricRule::ChargeBalance};
  if (size > 0) checkFile(data, size, kRules[data[0] % 3]);
  return 0;
}
