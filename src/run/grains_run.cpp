// This module computes in double precision.
#include "run/grains_run.hpp"

#include <algorithm>
#include <deque>
#include <string_view>

#include "geotherm/run.hpp"
#include "run/sample_runner.hpp"
#include "uncertainty/ordered_pool.hpp"

namespace mantlept {

namespace {

void edgeWarning(const geotherm::Summary& s, bool quiet, std::ostream& err) {
  if (s.fit.at_edge && !quiet)
    err << "mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²\n";
}

// The geotherm of the kept clinopyroxenes, fitted as `geotherm` fits points.
geotherm::Summary cpxGeotherm(const GrainsRun& run, const GrainsRequest& request,
                              std::ostream& err, const std::function<bool()>& stopped) {
  geotherm::PointsRead read;
  read.points = run.keptPoints;
  geotherm::Summary s = geotherm::geothermSummary(
      std::nullopt, read, "the kept clinopyroxene grains", stopped, request.threads);
  edgeWarning(s, request.quiet, err);
  return s;
}

}  // namespace

std::optional<geotherm::Geotherm> grainsGeotherm(const std::optional<double>& q0,
                                                 const std::string& fit, const std::string& pair,
                                                 bool quiet, std::ostream& err,
                                                 const std::function<bool()>& stopped) {
  if (!q0 && fit.empty()) return std::nullopt;
  geotherm::GeothermRequest r;
  r.q0 = q0;
  r.points.path = fit;
  r.points.pair = pair;
  r.points.quiet = quiet;
  geotherm::checkRequest(r);
  if (q0) return geotherm::computeGeotherm(*q0);
  geotherm::PointsRead read = geotherm::readPoints(r.points, err, stopped);
  geotherm::Summary s = geotherm::geothermSummary(std::nullopt, read, fit, stopped);
  edgeWarning(s, quiet, err);
  return s.best;
}

grains::CpxSummary GrainsRun::cpxSummary() const {
  grains::CpxSummary s;
  s.grains = cpxGrains;
  s.kept = cpxKept;
  if (cpxFit) s.fit = &cpxFit->fit;
  return s;
}

bool evaluateGrains(AnalysisInput& input, const GrainsRequest& request, GrainsRun& run,
                    const std::function<void(const grains::Grain&, std::string_view)>& each,
                    const std::function<void(const grains::CpxGrain&, std::string_view)>& eachCpx,
                    std::ostream& notes, const std::function<bool()>& stopped) {
  if (request.fitCpx) {
    geotherm::GeothermRequest check;
    check.points.path = "the kept clinopyroxene grains";
    check.points.sigmaT_C = request.sigmaT_C;
    check.points.sigmaP = request.sigmaP_kbar;
    geotherm::checkRequest(check);
  } else if (!run.geotherm) {
    run.geotherm =
        grainsGeotherm(request.q0, request.fit, request.pair, request.quiet, notes,
                       request.fitStopped);
  }
  std::optional<grains::GeothermProjection> projection;
  if (run.geotherm) projection.emplace(*run.geotherm);

  const RunSettings cpxSettings = grains::cpxSettings();
  // Garnets held until the fit is known; a deque grows without moving them.
  std::deque<grains::Grain> waiting;
  auto addGarnet = [&](grains::Grain& grain, std::string_view row) {
    if (!grain.ni_ppm) ++run.withoutNi;
    run.population.add(grain);
    if (each) each(grain, row);
  };
  // The grains of one sample: its clinopyroxene and its garnet, where it has
  // them, and their rows (made on the worker, with request.rowText).
  struct SampleGrains {
    std::optional<grains::CpxGrain> cpx;
    std::optional<grains::Grain> garnet;
    std::string cpxRow, garnetRow;
  };
  const grains::GeothermProjection* onto = projection ? &*projection : nullptr;
  auto work = [&](const Association& a, std::uint64_t) {
    SampleGrains g;
    if (a.present[Cpx]) {
      g.cpx = grains::evaluateCpxGrain(a, cpxSettings);
      if (request.rowText) grains::appendCpxGrainRow(g.cpxRow, *g.cpx);
    }
    if (a.present[Gar]) {
      g.garnet = grains::evaluateGrain(a, request.settings, onto);
      // A garnet waiting for the fit has its row made once it is projected.
      if (request.rowText && !request.fitCpx) grains::appendGrainRow(g.garnetRow, *g.garnet);
    }
    return g;
  };
  auto consume = [&](const Association&, std::uint64_t, SampleGrains& g) {
    if (!g.cpx && !g.garnet) {
      ++run.withoutGarnet;
      return;
    }
    if (g.cpx) {
      const grains::CpxGrain& grain = *g.cpx;
      ++run.cpxGrains;
      if (grain.kept()) ++run.cpxKept;
      if (grain.T_C && (grain.kept() ? request.fitCpx || request.cpxPoints : request.cpxPoints)) {
        geotherm::Point p = grains::cpxPoint(grain, request.sigmaT_C, request.sigmaP_kbar);
        (grain.kept() ? run.keptPoints : run.screenedPoints).push_back(std::move(p));
      }
      if (eachCpx) eachCpx(grain, g.cpxRow);
    }
    if (!g.garnet) return;
    if (request.fitCpx)
      waiting.push_back(std::move(*g.garnet));
    else
      addGarnet(*g.garnet, g.garnetRow);
  };
  SampleRunOptions options;
  options.threads = request.threads;
  options.batch = 256;  // a grain is little work: fewer, larger hand-overs
  options.stopped = stopped;
  if (!runSamples<SampleGrains>(input, options, work, consume)) return false;
  if (!request.fitCpx) return true;

  run.cpxFit = cpxGeotherm(run, request, notes, request.fitStopped);
  run.geotherm = run.cpxFit->best;
  projection.emplace(*run.geotherm);

  // The waiting garnets projected (and their rows made) in pieces on every
  // core, taken in input order here.
  struct Piece {
    std::size_t begin = 0, end = 0;
  };
  struct PieceRows {
    std::string text;
    std::vector<std::size_t> ends;  // of each grain's row in text
  };
  constexpr std::size_t kPiece = 1024;
  std::size_t nextGrain = 0;
  auto cut = [&](Piece& piece) {
    if (nextGrain >= waiting.size()) return false;
    if (request.fitStopped && request.fitStopped()) throw geotherm::Stopped();
    piece.begin = nextGrain;
    piece.end = std::min(waiting.size(), nextGrain + kPiece);
    nextGrain = piece.end;
    return true;
  };
  auto place = [&](Piece& piece) {
    PieceRows rows;
    if (request.rowText) rows.ends.reserve(piece.end - piece.begin);
    for (std::size_t i = piece.begin; i < piece.end; ++i) {
      grains::Grain& grain = waiting[i];
      if (grain.T_C) grain.depth = projection->at(*grain.T_C);
      if (!request.rowText) continue;
      grains::appendGrainRow(rows.text, grain);
      rows.ends.push_back(rows.text.size());
    }
    return rows;
  };
  auto add = [&](Piece& piece, PieceRows& rows) {
    std::size_t from = 0;
    for (std::size_t i = piece.begin; i < piece.end; ++i) {
      std::string_view row;
      if (request.rowText) {
        const std::size_t to = rows.ends[i - piece.begin];
        row = std::string_view(rows.text).substr(from, to - from);
        from = to;
      }
      addGarnet(waiting[i], row);
    }
  };
  runOrdered<Piece, PieceRows>(request.threads, static_cast<std::size_t>(4 * request.threads), cut,
                               place, add);
  return true;
}

std::string grainsNotes(const GrainsRun& run) {
  auto count = [](long n, const char* one, const char* many) {
    return std::to_string(n) + (n == 1 ? one : many);
  };
  std::string notes;
  if (run.withoutGarnet > 0)
    notes += "mantlept: note: " + count(run.withoutGarnet, " sample", " samples") +
             " without a garnet or clinopyroxene analysis skipped\n";
  const long withoutClass = static_cast<long>(run.population.withoutClass());
  if (withoutClass > 0)
    notes += "mantlept: note: " + count(withoutClass, " garnet", " garnets") +
             " without CaO, Cr2O3, MgO, FeOt, MnO or TiO2 left without a class\n";
  if (run.withoutNi > 0)
    notes += "mantlept: note: " + count(run.withoutNi, " garnet", " garnets") +
             " without Ni left without a temperature\n";
  const long screened = static_cast<long>(run.cpxGrains - run.cpxKept);
  if (screened > 0)
    notes += "mantlept: note: " + count(screened, " clinopyroxene", " clinopyroxenes") +
             " of " + std::to_string(run.cpxGrains) + " screened out (see --cpx-out)\n";
  return notes;
}

}  // namespace mantlept
