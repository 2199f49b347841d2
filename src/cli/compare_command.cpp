#include "cli/compare_command.hpp"

#include <algorithm>
#include <memory>

#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "run/analysis_input.hpp"
#include "run/compare_run.hpp"
#include "run/compare_samples.hpp"
#include "run/sample_runner.hpp"
#include "tables/open_table.hpp"
#include "uncertainty/sigma.hpp"

namespace mantlept {

namespace {

SigmaTable sigmasOf(const CompareOptions& o) {
  if (o.relativeSigma) return SigmaTable::relative(*o.relativeSigma);
  if (o.sigmaFile.empty()) return defaultMicroprobe();
  std::unique_ptr<tables::RowSource> rows = tables::openTable(o.sigmaFile, "");
  return readSigmaFile(*rows);
}

CompareRequest requestOf(const CompareOptions& o) {
  CompareRequest r;
  r.compared = o.compared;
  r.against = o.against;
  if (o.fixedValue) r.fixedValue = static_cast<Real>(*o.fixedValue);
  r.methods = methodList(o.compared, o.methods);
  r.reference = o.reference.value_or(defaultReference(o.compared));
  r.oxybarometer = o.oxybarometer;
  r.ferricOption = o.ferric;
  r.iterationLimit = o.iterations;
  r.draws = o.draws;
  r.seed = o.seed;
  if (o.draws > 0) r.sigma = sigmasOf(o);
  return r;
}

}  // namespace

int defaultReference(MethodKind compared) { return compared == MethodKind::Barometer ? 5 : 36; }

int runCompare(const CompareOptions& o, std::ostream& out, std::ostream& err) {
  OutputFile rowsFile, summaryFile, offsetsFile, svgFile;
  std::unique_ptr<AnalysisInput> input;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    for (OutputFile* f : {&rowsFile, &summaryFile, &offsetsFile, &svgFile}) f->discard();
    out.flush();
    if (input) input->report(err, o.quiet);
    err << message << '\n';
    return status;
  };
  std::unique_ptr<CompareRun> run;
  try {
    run = std::make_unique<CompareRun>(requestOf(o));
  } catch (const std::invalid_argument& e) {
    return fail(std::string("mantlept compare: ") + e.what(), 2);
  } catch (const std::runtime_error& e) {
    return fail(e.what(), 1);  // the sigma file
  }
  try {
    input = openAnalyses(o.analyses, o.sheet, AnalysisOptions{o.rimCore});
    if (!o.output.empty()) createOutput(rowsFile, o.output, o.force, "output file");
    if (!o.summary.empty()) createOutput(summaryFile, o.summary, o.force, "summary file");
    if (!o.offsets.empty()) createOutput(offsetsFile, o.offsets, o.force, "offsets file");
    if (!o.svg.empty()) createOutput(svgFile, o.svg, o.force, "figure file");
    CompareTally tally(*run);
    // The tidy rows go to the output file or to standard output.
    auto writeRows = [&](const std::string& text) {
      if (rowsFile.isOpen()) {
        rowsFile.write(text);
        commitOutput(rowsFile, "output file");
      } else {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) throw OutputError("mantlept: writing the tidy rows to standard output failed");
      }
    };
    writeRows(run->header() + "\n");
    if (summaryFile.isOpen()) {
      summaryFile.write(tally.summaryHeader() + "\n");
      commitOutput(summaryFile, "summary file");
    }

    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    CompareOutput output;
    output.started = [&](std::uint64_t total) { progress.setTotal(total); };
    output.sample = [&](const std::string& rows, const std::string& summary) {
      writeRows(rows);
      if (summaryFile.isOpen()) {
        summaryFile.write(summary);
        commitOutput(summaryFile, "summary file");
      }
      progress.advance(1);
    };
    compareSamples(*input, *run, tally, sampleThreads(o.threads), output,
                   [] { return stopRequested != 0; });
    progress.setTotal(input->total());  // a streamed table's, known at its end
    progress.finish();
    // A read cut short by a signal ends the input early: the stop, not the end.
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left", 128 + static_cast<int>(stopRequested));
    if (offsetsFile.isOpen()) {
      offsetsFile.write(tally.offsets().text());
      commitOutput(offsetsFile, "offsets file");
    }
    if (svgFile.isOpen()) {
      svgFile.write(tally.svg());
      commitOutput(svgFile, "figure file");
    }
    input->report(err, o.quiet);
    if (!o.quiet) err << tally.notes();
    closeOutput(rowsFile, "output file");
    closeOutput(summaryFile, "summary file");
    closeOutput(offsetsFile, "offsets file");
    closeOutput(svgFile, "figure file");
    out.flush();
    return 0;
  } catch (const InputUsageError& e) {
    return fail(e.what(), 2);
  } catch (const std::runtime_error& e) {
    // A read interrupted by Ctrl-C or SIGTERM is the stop, not a bad file.
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left", 128 + static_cast<int>(stopRequested));
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept
