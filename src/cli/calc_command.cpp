#include "cli/calc_command.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/analysis_input.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "core/terminal.hpp"
#include "methods/catalogue.hpp"
#include "report/results_file.hpp"
#include "report/tidy_rows.hpp"
#include "solver/engine.hpp"

namespace mantlept {

namespace {

// Raised when an output file cannot be created or written.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates `path` new; with `force` an existing file is replaced.
void createOutput(OutputFile& file, const std::string& path, bool force, const char* what) {
  if (force) ::unlink(path.c_str());
  if (file.create(path)) return;
  std::string reason =
      errno == EEXIST ? "exists already (--force replaces it)" : std::strerror(errno);
  throw OutputError("mantlept: the " + std::string(what) + " \"" + path +
                    "\" cannot be created: " + reason);
}

void commit(OutputFile& file, const char* what) {
  if (file.commit()) return;
  throw OutputError("mantlept: writing the " + std::string(what) + " \"" + file.path() +
                    "\" failed: " + std::strerror(file.error()));
}

// Where the tidy rows go: standard output or a new file.
class TidySink {
 public:
  TidySink(std::ostream& out, OutputFile& file) : out_(out), file_(file) {}
  void write(const std::string& text) {
    if (file_.isOpen()) {
      file_.write(text);
      commit(file_, "output file");
    } else {
      out_.write(text.data(), static_cast<std::streamsize>(text.size()));
      if (!out_) throw OutputError("mantlept: writing the tidy rows to standard output failed");
    }
  }

 private:
  std::ostream& out_;
  OutputFile& file_;
};

}  // namespace

RunSettings calcSettings(const CalcOptions& o) {
  RunSettings s;
  s.inputFileName = o.analyses;
  s.ferricOption = o.ferric ? 2 : 1;
  s.combinationCount = static_cast<int>(o.pairs.size());
  for (MethodCombination c : o.pairs) {
    c.thermometerLabel = std::string(thermometerLabel(c.thermometer));
    c.barometerLabel = std::string(barometerLabel(c.barometer));
    s.combinations.push_back(std::move(c));
  }
  s.oxybarometerNumber = o.oxybarometer;
  s.resultsFileName = o.legacy;
  s.writeCoefficients = o.cations;
  s.iterationLimit = o.iterations;
  s.startT = o.startT;
  s.startP = o.startP;
  return s;
}

int runCalc(const CalcOptions& options, std::ostream& out, std::ostream& err) {
  const RunSettings settings = calcSettings(options);
  OutputFile tidyFile;
  OutputFile legacyFile;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    tidyFile.discard();
    legacyFile.discard();
    out.flush();
    err << message << '\n';
    return status;
  };
  try {
    std::unique_ptr<AnalysisInput> input = openAnalyses(options.analyses, options.sheet);
    if (!options.output.empty())
      createOutput(tidyFile, options.output, options.force, "output file");
    if (!options.legacy.empty()) {
      createOutput(legacyFile, options.legacy, options.force, "results file");
      legacyFile.write(resultsHeader(settings));
      legacyFile.write("\n");
      commit(legacyFile, "results file");
    }
    TidySink tidy(out, tidyFile);
    tidy.write(tidyHeader() + "\n");

    NullTerminal quiet;
    RunState s;
    s.startT = settings.startT;
    s.startP = settings.startP;
    CombinationResults results{};
    ReportState report;
    Association a;
    std::string rows;
    std::string legacyRow;
    const bool ferric = settings.ferricOption == 2;
    for (;;) {
      if (stopRequested != 0) {
        return fail("mantlept: stopped; no output file is left",
                    128 + static_cast<int>(stopRequested));
      }
      if (!input->next(a)) break;
      prepareAssociation(s, a, ferric, quiet);
      rows.clear();
      for (int k = 0; k < settings.evaluatedCount(); ++k) {
        CombinationOutcome o = evaluateCombination(s, settings, k, results, quiet);
        appendTidyRow(rows, a.sample, settings, k, o);
        rows += '\n';
      }
      // The estimates run for every association, as in the dialogue, so that
      // the values they keep for the next one are the same.
      FeNumbers fe = estimateFeNumbers(s, report);
      if (legacyFile.isOpen()) {
        legacyRow.clear();
        appendResultsRow(legacyRow, s, settings, a.info, fe, results);
        legacyRow += '\n';
        legacyFile.write(legacyRow);
        commit(legacyFile, "results file");
      }
      tidy.write(rows);
    }
    input->report(err, options.quiet);
    if (tidyFile.isOpen() && !tidyFile.close()) {
      throw OutputError("mantlept: closing \"" + options.output +
                        "\" failed: " + std::strerror(tidyFile.error()));
    }
    if (legacyFile.isOpen() && !legacyFile.close()) {
      throw OutputError("mantlept: closing \"" + options.legacy +
                        "\" failed: " + std::strerror(legacyFile.error()));
    }
    out.flush();
    return 0;
  } catch (const std::runtime_error& e) {
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept
