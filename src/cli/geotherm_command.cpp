#include "cli/geotherm_command.hpp"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "cli/new_file.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "geotherm/run.hpp"
#include "run/sample_runner.hpp"
#include "tables/row_source.hpp"

namespace mantlept::cli {
namespace {

// Options out of their range (exit status 2); the message is complete.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The options the command cannot run with. Throws UsageError.
void checkOptions(const GeothermOptions& o) {
  auto finiteAbove0 = [](const std::optional<double>& v) {
    return !v || (std::isfinite(*v) && *v > 0.0);
  };
  if (o.format != "text" && o.format != "json")
    throw UsageError("mantlept: --format is text or json, not '" + o.format + "'");
  if (o.q0 && !(*o.q0 >= geotherm::kMinHeatFlow && *o.q0 <= geotherm::kMaxHeatFlow))
    throw UsageError("mantlept: --q0 lies outside 25-120 mW/m²");
  if (!finiteAbove0(o.sigmaT_C)) throw UsageError("mantlept: --sigma-T is not a number above 0");
  if (!finiteAbove0(o.sigmaP)) throw UsageError("mantlept: --sigma-P is not a number above 0");
  if (o.points.empty() && !o.q0) throw UsageError("mantlept: give a points table or --q0");
}

int stopStatus() {
  const int signal = stopRequested;
  return signal != 0 ? 128 + signal : 0;
}

// Both files written in full under temporary names before either takes its
// place; on any failure neither is left.
void writeFiles(const GeothermOptions& o, const std::string& table, const std::string& svg) {
  struct Output {
    const std::string& path;
    const std::string& text;
    const char* what;
    OutputFile file;
  };
  Output outputs[] = {{o.outTable, table, "geotherm table", {}}, {o.outSvg, svg, "diagram", {}}};
  try {
    for (Output& out : outputs) {
      if (out.path.empty()) continue;
      createOutput(out.file, out.path, o.force, out.what);
      out.file.write(out.text);
      commitOutput(out.file, out.what);
    }
    for (Output& out : outputs) {
      if (out.path.empty()) continue;
      if (!out.file.finish()) {
        throw OutputError("mantlept: writing the " + std::string(out.what) + " \"" + out.path +
                          "\" failed: " + std::strerror(out.file.error()));
      }
    }
    if (stopRequested != 0) throw OutputError("stopped");
    for (Output& out : outputs) {
      if (!out.path.empty() && !out.file.publish()) {
        throw OutputError(
            "mantlept: the " + std::string(out.what) + " \"" + out.path +
            "\" cannot take the old file's place: " + std::strerror(out.file.error()));
      }
    }
  } catch (...) {
    for (Output& out : outputs) out.file.discard();
    throw;
  }
}

geotherm::GeothermRequest request(const GeothermOptions& o) {
  geotherm::GeothermRequest r;
  r.points = {o.points, o.sheet, o.pair, o.pUnit, o.sigmaT_C, o.sigmaP, o.quiet, o.dropFlagged};
  r.q0 = o.q0;
  r.format = o.format == "json" ? geotherm::SummaryFormat::Json : geotherm::SummaryFormat::Text;
  r.table = !o.outTable.empty();
  r.svg = !o.outSvg.empty();
  r.stopped = [] { return stopRequested != 0; };
  r.threads = sampleThreads(0);
  return r;
}

}  // namespace

int runGeotherm(const GeothermOptions& o, std::ostream& out, std::ostream& err) {
  auto stopped = [&err](int status) {
    err << "mantlept: stopped; no file is written\n";
    return status;
  };
  try {
    checkOptions(o);
    geotherm::GeothermOutcome g = geotherm::runGeotherm(request(o), err);
    if (int status = stopStatus()) return stopped(status);
    writeFiles(o, g.tableText, g.svgText);
    out << g.summaryText;
    if (g.summary.fit.at_edge && !o.quiet)
      err << "mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²\n";
    return 0;
  } catch (const UsageError& e) {
    err << e.what() << '\n';
    return 2;
  } catch (const std::runtime_error& e) {
    // Points, tables and outputs; a read cut short by a stop is the stop.
    if (int status = stopStatus()) return stopped(status);
    err << e.what() << '\n';
  }
  return 1;
}

}  // namespace mantlept::cli
