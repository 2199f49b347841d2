#include "cli/convert_command.hpp"

#include "run/analysis_input.hpp"
#include "cli/new_file.hpp"
#include "core/stop_request.hpp"
#include "run/sample_runner.hpp"
#include "tables/analysis_writer.hpp"
#include "tables/row_source.hpp"

namespace mantlept {

int runConvert(const ConvertOptions& o, std::ostream& out, std::ostream& err) {
  OutputFile file;
  std::unique_ptr<AnalysisInput> input;
  auto fail = [&](const std::string& message, int status) {
    file.discard();
    if (input) input->report(err, o.quiet);
    err << message << '\n';
    return status;
  };
  try {
    AnalysisOptions options{o.rimCore};
    options.repeatedNamesRefused = true;  // the file joins consecutive lines of one name
    input = openAnalyses(o.tables, o.sheet, options);
    if (input->fixedColumns()) {
      throw InputError("mantlept: " + o.tables.front() +
                       " is a fixed-column analysis file already; convert reads tables");
    }
    if (!o.output.empty()) createOutput(file, o.output, o.force, "analysis file");
    tables::SampleNameChecker names;
    // The lines of each sample are made on every core, checked and written
    // in input order.
    SampleRunOptions each;
    each.threads = sampleThreads(0);
    each.stopped = [] { return stopRequested != 0; };
    auto work = [](const Association& a, std::uint64_t) {
      std::string lines;
      tables::appendAnalysisLines(lines, a);
      return lines;
    };
    auto consume = [&](const Association& a, std::uint64_t, std::string& lines) {
      try {
        names.check(a);
      } catch (const tables::TableError& e) {
        std::string_view why = e.what();
        if (why.rfind("mantlept: ", 0) == 0) why.remove_prefix(10);
        throw InputError("mantlept: " + (o.tables.size() == 1 ? o.tables.front() : "the tables") +
                         ": " + std::string(why));
      }
      if (file.isOpen()) {
        file.write(lines);
        commitOutput(file, "analysis file");
      } else {
        out << lines;
        if (!out) throw OutputError("mantlept: writing the analyses to standard output failed");
      }
    };
    runSamples<std::string>(*input, each, work, consume);
    // A read cut short by a signal ends the input early: the stop, not the end.
    if (stopRequested != 0) {
      return fail("mantlept: stopped; no analysis file is left",
                  128 + static_cast<int>(stopRequested));
    }
    closeOutput(file, "analysis file");
    input->report(err, o.quiet);
    out.flush();
    return 0;
  } catch (const InputUsageError& e) {
    return fail(e.what(), 2);
  } catch (const std::runtime_error& e) {
    if (stopRequested != 0) {
      return fail("mantlept: stopped; no analysis file is left",
                  128 + static_cast<int>(stopRequested));
    }
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept
