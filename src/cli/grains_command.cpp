#include "cli/grains_command.hpp"

#include <memory>
#include <sstream>

#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
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

}  // namespace

int runGrains(const GrainsOptions& o, std::ostream& out, std::ostream& err) {
  OutputFile grainFile, sectionFile, svgFile;
  std::unique_ptr<AnalysisInput> input;
  // Whatever was created is removed when the run does not finish.
  auto fail = [&](const std::string& message, int status) {
    grainFile.discard();
    sectionFile.discard();
    svgFile.discard();
    if (input) input->report(err, o.quiet);
    err << message << '\n';
    return status;
  };
  try {
    grains::GrainSettings settings;
    settings.thermometer =
        grains::niThermometerNamed(o.thermometer).value_or(grains::NiThermometer::Canil1999);
    settings.niOlivine_ppm = o.niOlivine_ppm;
    const std::optional<geotherm::Geotherm> g =
        grainsGeotherm(o.q0, o.fit, o.pair, o.quiet, err, [] { return stopRequested != 0; });
    std::optional<grains::GeothermProjection> projection;
    if (g) projection.emplace(*g);

    AnalysisOptions eachRow;
    eachRow.rowsAlone = true;  // each row a grain
    input = openAnalyses(std::vector<std::string>{o.grains}, o.sheet, eachRow);
    if (!o.output.empty()) createOutput(grainFile, o.output, o.force, "grain file");
    if (!o.sections.empty()) createOutput(sectionFile, o.sections, o.force, "sections file");
    if (!o.svg.empty()) createOutput(svgFile, o.svg, o.force, "diagram file");
    if (grainFile.isOpen()) {
      grainFile.write(grains::grainHeader());
      commitOutput(grainFile, "grain file");
    }

    GrainsRun run{grains::Population(o.bin_km)};
    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    std::string rows;
    auto write = [&](const grains::Grain& grain) {
      if (!grainFile.isOpen()) return;
      grains::appendGrainRow(rows, grain);
      if (rows.size() > 1 << 16) {
        grainFile.write(rows);
        commitOutput(grainFile, "grain file");
        rows.clear();
      }
    };
    // Asked before each sample is read and once at the end: the progress
    // line counts the sample before, a signal stops.
    bool first = true;
    auto stopped = [&progress, &input, &first] {
      progress.setTotal(input->total());
      if (!first) progress.advance(1);
      first = false;
      return stopRequested != 0;
    };
    evaluateGrains(*input, settings, projection ? &*projection : nullptr, run, write, stopped,
                   sampleThreads(o.threads));
    const grains::Population& population = run.population;
    progress.finish();
    if (stopRequested != 0)
      return fail("mantlept: stopped; no output file is left",
                  128 + static_cast<int>(stopRequested));
    if (population.grains() == 0)
      return fail(
          "mantlept: " + o.grains +
              ": no garnet analysis (a garnet column such as CaO_Gt, or rows of mineral Gt)",
          1);
    if (grainFile.isOpen()) writeWhole(grainFile, rows, "grain file");
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
    input->report(err, o.quiet);
    if (!o.quiet) err << grainsNotes(run);
    grains::writeSummary(
        out, population, g ? &*g : nullptr,
        o.format == "json" ? grains::SummaryFormat::Json : grains::SummaryFormat::Text);
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
