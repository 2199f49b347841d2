#include "cli/grains_command.hpp"

#include <memory>
#include <sstream>

#include "cli/new_file.hpp"
#include "cli/progress.hpp"
#include "core/output_file.hpp"
#include "core/stop_request.hpp"
#include "geotherm/run.hpp"
#include "grains/population.hpp"
#include "run/analysis_input.hpp"

namespace mantlept::cli {
namespace {

// The geotherm of --q0, or of the fit of --fit; none without either.
std::optional<geotherm::Geotherm> chosenGeotherm(const GrainsOptions& o, std::ostream& err) {
  geotherm::GeothermRequest r;
  r.q0 = o.q0;
  r.points.path = o.fit;
  r.points.pair = o.pair;
  r.points.quiet = o.quiet;
  if (!o.q0 && o.fit.empty()) return std::nullopt;
  geotherm::checkRequest(r);
  if (o.q0) return geotherm::computeGeotherm(*o.q0);
  geotherm::PointsRead read = geotherm::readPoints(r.points, err);
  geotherm::Summary s = geotherm::geothermSummary(std::nullopt, read, o.fit);
  if (s.fit.at_edge && !o.quiet)
    err << "mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²\n";
  return s.best;
}

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
    const std::optional<geotherm::Geotherm> g = chosenGeotherm(o, err);
    std::optional<grains::GeothermProjection> projection;
    if (g) projection.emplace(*g);

    input = openAnalyses(o.grains, o.sheet);
    if (!o.output.empty()) createOutput(grainFile, o.output, o.force, "grain file");
    if (!o.sections.empty()) createOutput(sectionFile, o.sections, o.force, "sections file");
    if (!o.svg.empty()) createOutput(svgFile, o.svg, o.force, "diagram file");
    if (grainFile.isOpen()) {
      grainFile.write(grains::grainHeader());
      commitOutput(grainFile, "grain file");
    }

    grains::Population population(o.bin_km);
    Progress progress(err, standardErrorIsTerminal(), steadySeconds);
    Association a;
    std::string rows;
    long withoutGarnet = 0, withoutNi = 0;
    while (input->next(a)) {
      if (stopRequested != 0) break;
      progress.advance(1);
      if (!a.present[Gar]) {
        ++withoutGarnet;
        continue;
      }
      grains::Grain grain = grains::evaluateGrain(a, settings, projection ? &*projection : nullptr);
      if (!grain.ni_ppm) ++withoutNi;
      population.add(grain);
      if (grainFile.isOpen()) {
        grains::appendGrainRow(rows, grain);
        if (rows.size() > 1 << 16) {
          grainFile.write(rows);
          commitOutput(grainFile, "grain file");
          rows.clear();
        }
      }
    }
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
    if (!o.quiet) {
      auto count = [](long n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
      };
      if (withoutGarnet > 0)
        err << "mantlept: note: " << count(withoutGarnet, " sample", " samples")
            << " without a garnet analysis skipped\n";
      if (population.withoutClass() > 0)
        err << "mantlept: note: " << count(population.withoutClass(), " garnet", " garnets")
            << " without CaO, Cr2O3, MgO, FeOt, MnO or TiO2 left without a class\n";
      if (withoutNi > 0)
        err << "mantlept: note: " << count(withoutNi, " garnet", " garnets")
            << " without Ni left without a temperature\n";
    }
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
