#include "cli/grains_command.hpp"

#include <memory>
#include <sstream>

#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "geotherm/diagram.hpp"
#include "grains/population.hpp"
#include "run/analysis_input.hpp"
#include "run/grains_run.hpp"
#include "run/sample_runner.hpp"

namespace mantlept::cli {
namespace {

void writeWhole(OutputFile& file, const std::string& text, const char* what) {
  file.write(text);
  commitOutput(file, what);
  closeOutput(file, what);
}

// Rows gathered and written to a file in pieces of 64 KiB.
class RowFile {
 public:
  RowFile(OutputFile& file, const char* what) : file_(file), what_(what) {}
  void add(std::string_view row) {
    if (!file_.isOpen()) return;
    rows_ += row;
    if (rows_.size() > 1 << 16) {
      file_.write(rows_);
      commitOutput(file_, what_);
      rows_.clear();
    }
  }
  void finish() {
    if (file_.isOpen()) writeWhole(file_, rows_, what_);
  }

 private:
  OutputFile& file_;
  const char* what_;
  std::string rows_;
};

std::string joined(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& p : paths) names += (names.empty() ? "" : " ") + p;
  return names;
}

}  // namespace

int runGrains(const GrainsOptions& o, std::ostream& out, std::ostream& err) {
  OutputFile grainFile, sectionFile, svgFile, cpxFile, ptFile;
  std::unique_ptr<AnalysisInput> input;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    for (OutputFile* f : {&grainFile, &sectionFile, &svgFile, &cpxFile, &ptFile}) f->discard();
    if (input) input->report(err, o.quiet);
    err << message << '\n';
    return status;
  };
  try {
    GrainsRequest request;
    request.settings.thermometer =
        grains::niThermometerNamed(o.thermometer).value_or(grains::NiThermometer::Canil1999);
    request.settings.niOlivine_ppm = o.niOlivine_ppm;
    request.q0 = o.q0;
    request.fit = o.fit;
    request.pair = o.pair;
    request.fitCpx = o.fitCpx;
    request.sigmaT_C = o.sigmaT;
    request.sigmaP_kbar = o.sigmaP;
    request.cpxPoints = !o.ptSvg.empty();
    request.rowText = true;
    request.fitStopped = [] { return stopRequested != 0; };
    request.quiet = o.quiet;
    request.threads = sampleThreads(o.threads);
    // The geotherm of --q0 or --fit first: a bad points table stops the run
    // before the grains are read.
    GrainsRun run(o.bin_km);
    if (!o.fitCpx) {
      run.geotherm =
          grainsGeotherm(o.q0, o.fit, o.pair, o.quiet, err, [] { return stopRequested != 0; });
      request.q0.reset();
      request.fit.clear();
    }

    AnalysisOptions eachRow;
    eachRow.rowsAlone = true;  // each row a grain
    input = openAnalyses(o.grains, o.sheet, eachRow);
    if (!o.output.empty()) createOutput(grainFile, o.output, o.force, "grain file");
    if (!o.sections.empty()) createOutput(sectionFile, o.sections, o.force, "sections file");
    if (!o.svg.empty()) createOutput(svgFile, o.svg, o.force, "diagram file");
    if (!o.cpxOut.empty()) createOutput(cpxFile, o.cpxOut, o.force, "clinopyroxene file");
    if (!o.ptSvg.empty()) createOutput(ptFile, o.ptSvg, o.force, "P-T diagram file");
    if (grainFile.isOpen()) {
      grainFile.write(grains::grainHeader());
      commitOutput(grainFile, "grain file");
    }
    if (cpxFile.isOpen()) {
      cpxFile.write(grains::cpxGrainHeader());
      commitOutput(cpxFile, "clinopyroxene file");
    }

    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    RowFile garnetRows(grainFile, "grain file"), cpxRows(cpxFile, "clinopyroxene file");
    auto garnet = [&](const grains::Grain&, std::string_view row) { garnetRows.add(row); };
    auto cpx = [&](const grains::CpxGrain&, std::string_view row) { cpxRows.add(row); };
    // Asked before each sample and once after the last: the progress line
    // counts the sample before, a signal stops.
    bool first = true;
    auto stopped = [&progress, &input, &first] {
      progress.setTotal(input->total());
      if (!first) progress.advance(1);
      first = false;
      return stopRequested != 0;
    };
    evaluateGrains(*input, request, run, garnet, cpx, err, stopped);
    const grains::Population& population = run.population;
    progress.setTotal(input->total());  // a streamed table's, known at its end
    progress.finish();
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    if (population.grains() == 0 && run.cpxGrains == 0)
      return fail("mantlept: " + joined(o.grains) +
                      ": no garnet or clinopyroxene analysis (a column such as CaO_Gt or "
                      "CaO_Cpx, or rows of mineral Gt or Cpx)",
                  1);
    const geotherm::Geotherm* g = run.geotherm ? &*run.geotherm : nullptr;
    garnetRows.finish();
    cpxRows.finish();
    if (sectionFile.isOpen() && g) {
      std::ostringstream text;
      grains::writeSections(text, population);
      writeWhole(sectionFile, text.str(), "sections file");
    }
    if (svgFile.isOpen() && g) {
      std::ostringstream text;
      grains::writeSectionDiagram(text, population, *g, "Garnet concentrate: depth section");
      writeWhole(svgFile, text.str(), "diagram file");
    }
    if (ptFile.isOpen() && run.cpxFit) {
      std::ostringstream text;
      geotherm::writeDiagram(text, *run.cpxFit, run.keptPoints, true, run.screenedPoints,
                             [] { return stopRequested != 0; });
      writeWhole(ptFile, text.str(), "P-T diagram file");
    }
    input->report(err, o.quiet);
    if (!o.quiet) err << grainsNotes(run);
    grains::writeSummary(
        out, population, g,
        o.format == "json" ? grains::SummaryFormat::Json : grains::SummaryFormat::Text,
        run.cpxSummary());
    out.flush();
    return 0;
  } catch (const std::runtime_error& e) {
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    return fail(e.what(), 1);
  }
}

}  // namespace mantlept::cli
