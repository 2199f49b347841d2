#include "cli/formula_command.hpp"

#include <memory>

#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "run/analysis_input.hpp"
#include "run/formula_run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept {

namespace {

// Text gathered and written in pieces of about this size.
constexpr std::size_t kChunk = 1 << 16;

// Where one table goes: standard output or a new file.
class TableSink {
 public:
  TableSink(std::ostream* out, OutputFile& file, const char* what)
      : out_(out), file_(file), what_(what) {}
  void add(const std::string& text) {
    pending_ += text;
    if (pending_.size() >= kChunk) flush();
  }
  void flush() {
    if (file_.isOpen()) {
      file_.write(pending_);
      commitOutput(file_, what_);
    } else if (out_ != nullptr) {
      out_->write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
      if (!*out_) throw OutputError(std::string("mantlept: writing the ") + what_ +
                                    " to standard output failed");
    }
    pending_.clear();
  }

 private:
  std::ostream* out_;
  OutputFile& file_;
  const char* what_;
  std::string pending_;
};

}  // namespace

int runFormula(const FormulaOptions& o, std::ostream& out, std::ostream& err) {
  OutputFile rowFile, siteFile;
  std::unique_ptr<AnalysisInput> input;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    rowFile.discard();
    siteFile.discard();
    out.flush();
    if (input) input->report(err, o.quiet);
    err << message << '\n';
    return status;
  };
  try {
    input = openAnalyses(o.analyses, o.sheet, AnalysisOptions{o.rimCore});
    if (!o.output.empty()) createOutput(rowFile, o.output, o.force, "output file");
    if (!o.sites.empty()) createOutput(siteFile, o.sites, o.force, "site file");
    const FormulaRun run(o.ferric, siteFile.isOpen());
    TableSink rows(&out, rowFile, "formula rows");
    TableSink sites(nullptr, siteFile, "site file");
    rows.add(run.header() + "\n");
    if (run.sites()) sites.add(run.siteHeader() + "\n");

    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    bool first = true;
    const auto stopped = [&] {
      if (first) {
        first = false;
      } else {
        progress.setTotal(input->total());
        progress.advance(1);
      }
      return stopRequested != 0;
    };
    const bool finished = evaluateFormulae(
        *input, run,
        [&](const FormulaSample& s) {
          rows.add(s.rows);
          if (run.sites()) sites.add(s.siteRow);
        },
        stopped, sampleThreads(o.threads));
    progress.setTotal(input->total());  // a streamed table's, known at its end
    progress.finish();
    if (!finished || stopRequested != 0)
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    rows.flush();
    sites.flush();
    input->report(err, o.quiet);
    closeOutput(rowFile, "output file");
    closeOutput(siteFile, "site file");
    out.flush();
    return 0;
  } catch (const std::runtime_error& e) {
    // A read interrupted by Ctrl-C or SIGTERM is the stop, not a bad file.
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept
