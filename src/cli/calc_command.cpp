#include "cli/calc_command.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "run/analysis_input.hpp"
#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "core/terminal.hpp"
#include "methods/catalogue.hpp"
#include "report/results_file.hpp"
#include "report/tidy_rows.hpp"
#include "run/calc_run.hpp"
#include "run/sample_runner.hpp"
#include "solver/engine.hpp"
#include "tables/open_table.hpp"
#include "uncertainty/monte_carlo.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept {

namespace {

// Where the tidy rows go: standard output or a new file.
class TidySink {
 public:
  TidySink(std::ostream& out, OutputFile& file) : out_(out), file_(file) {}
  void write(const std::string& text) {
    if (file_.isOpen()) {
      file_.write(text);
      commitOutput(file_, "output file");
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
  for (const std::string& path : o.analyses)
    s.inputFileName += (s.inputFileName.empty() ? "" : " ") + path;
  s.ferricOption = o.ferric;
  s.combinationCount = static_cast<int>(o.pairs.size());
  for (MethodCombination c : o.pairs) {
    c.thermometerLabel = std::string(commandThermometerLabel(c.thermometer));
    c.barometerLabel = std::string(commandBarometerLabel(c.barometer));
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

namespace {

SigmaTable chosenSigmas(const CalcOptions& o) {
  if (o.relativeSigma) return SigmaTable::relative(*o.relativeSigma);
  if (o.sigmaFile.empty()) return defaultMicroprobe();
  std::unique_ptr<tables::RowSource> rows = tables::openTable(o.sigmaFile, "");
  return readSigmaFile(*rows);
}

}  // namespace

int runCalc(const CalcOptions& options, std::ostream& out, std::ostream& err) {
  const RunSettings settings = calcSettings(options);
  OutputFile tidyFile;
  OutputFile legacyFile;
  std::unique_ptr<AnalysisInput> input;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    tidyFile.discard();
    legacyFile.discard();
    out.flush();
    if (input) input->report(err, options.quiet);
    err << message << '\n';
    return status;
  };
  try {
    input = openAnalyses(options.analyses, options.sheet, AnalysisOptions{options.rimCore});
    if (!options.output.empty())
      createOutput(tidyFile, options.output, options.force, "output file");
    if (!options.legacy.empty()) {
      createOutput(legacyFile, options.legacy, options.force, "results file");
      legacyFile.write(resultsHeader(settings));
      legacyFile.write("\n");
      commitOutput(legacyFile, "results file");
    }
    const bool drawing = options.draws > 0;
    CalcRequest request;
    request.settings = settings;
    request.draws = options.draws;
    request.seed = options.seed;
    request.totals = options.totals;
    request.flags = options.flags;
    if (drawing) request.sigma = chosenSigmas(options);
    const CalcRun run(std::move(request));
    TidySink tidy(out, tidyFile);
    tidy.write(run.header() + "\n");

    // The dialogue's results file keeps the dialogue's sequence: one store
    // carried from pair to pair and from association to association. The tidy
    // rows never see that store: each sample and pair is evaluated alone.
    NullTerminal quiet;
    RunState legacy;
    legacy.startT = settings.startT;
    legacy.startP = settings.startP;
    CombinationResults results{};
    ReportState report;
    const FerricRule ferric = settings.ferricRule();
    const int pairs = settings.evaluatedCount();
    int stopSignal = 0;
    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    const std::function<bool()> stopped = [] { return stopRequested != 0; };

    SampleRunOptions each;
    each.threads = sampleThreads(options.threads);
    // A sample with draws is long work of its own; without, a batch of them
    // is still well under a millisecond per pair.
    each.batch = drawing ? 1 : 32;
    each.stopped = stopped;
    auto work = [&](const Association& a, std::uint64_t index) {
      return run.rows(a, index, stopped);
    };
    std::string legacyRow;
    auto consume = [&](const Association& a, std::uint64_t index, SampleRows& r) {
      if (stopSignal != 0) return;
      if (r.stopped) {  // stopped during its draws
        stopSignal = static_cast<int>(stopRequested);
        return;
      }
      if (index == 0) progress.setTotal(input->total());
      if (legacyFile.isOpen()) {
        prepareAssociation(legacy, a, ferric, quiet);
        for (int k = 0; k < pairs; ++k) evaluateCombination(legacy, settings, k, results, quiet);
        FeNumbers fe = estimateFeNumbers(legacy, report);
        legacyRow.clear();
        appendResultsRow(legacyRow, legacy, settings, a.info, fe, results);
        legacyRow += '\n';
        legacyFile.write(legacyRow);
        commitOutput(legacyFile, "results file");
      }
      tidy.write(r.text);
      progress.advance(1);
    };
    runSamples<SampleRows>(*input, each, work, consume);
    progress.setTotal(input->total());  // a streamed table's, known at its end
    progress.finish();
    // A read cut short by a signal ends the input early: the stop, not the end.
    if (stopSignal == 0) stopSignal = static_cast<int>(stopRequested);
    if (stopSignal != 0) return fail("mantlept: stopped; no output file is left", 128 + stopSignal);
    input->report(err, options.quiet);
    closeOutput(tidyFile, "output file");
    closeOutput(legacyFile, "results file");
    out.flush();
    return 0;
  } catch (const InputUsageError& e) {
    return fail(e.what(), 2);
  } catch (const std::runtime_error& e) {
    // A read interrupted by Ctrl-C or SIGTERM is the stop, not a bad file.
    if (stopRequested != 0) {
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    }
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept
