// This module computes in double precision.
#include "geotherm/run.hpp"

#include <sstream>

#include "geotherm/diagram.hpp"

namespace mantlept::geotherm {

void checkRequest(const GeothermRequest& r) {
  if (r.q0 && !(*r.q0 >= kMinHeatFlow && *r.q0 <= kMaxHeatFlow))
    throw PointsError("mantlept: --q0 lies outside 25-120 mW/m²");
  if (r.points.sigmaT_C && !(*r.points.sigmaT_C > 0.0))
    throw PointsError("mantlept: --sigma-T is not above 0");
  if (r.points.sigmaP && !(*r.points.sigmaP > 0.0))
    throw PointsError("mantlept: --sigma-P is not above 0");
  if (r.points.path.empty() && !r.q0) throw PointsError("mantlept: give a points table or --q0");
}

Summary geothermSummary(const std::optional<double>& q0, const PointsRead& read,
                        const std::string& source, const StopCheck& stopped, int threads) {
  const auto& pts = read.points;
  if (!q0 && pts.size() < 2)
    throw PointsError("mantlept: " + source + ": fewer than 2 usable points (" +
                      std::to_string(pts.size()) + ")");
  FitResult fit;
  if (q0) {
    fit.q0 = fit.q0_lo = fit.q0_hi = *q0;
    fit.n_points = static_cast<int>(pts.size());
    fit.chi2 = chiSquare(*q0, pts, stopped);
    fit.reduced_chi2 = pts.size() > 1 ? fit.chi2 / static_cast<double>(pts.size() - 1) : 0.0;
  } else {
    fit = fitHeatFlow(pts, stopped, threads);
  }
  return makeSummary(fit, read.excluded);
}

GeothermOutcome renderGeotherm(const GeothermRequest& r, PointsRead read) {
  GeothermOutcome o;
  o.summary = geothermSummary(r.q0, read, r.points.path, r.stopped, r.threads);
  o.read = std::move(read);
  std::ostringstream summary, table, svg;
  writeSummary(summary, o.summary, r.format);
  o.summaryText = summary.str();
  if (r.table) {
    writeGeothermTable(table, o.summary);
    o.tableText = table.str();
  }
  if (r.svg) {
    writeDiagram(svg, o.summary, o.read.points, !r.q0, {}, r.stopped);
    o.svgText = svg.str();
  }
  return o;
}

GeothermOutcome runGeotherm(const GeothermRequest& r, std::ostream& notes) {
  checkRequest(r);
  PointsRead read;
  if (!r.points.path.empty()) read = readPoints(r.points, notes, r.stopped);
  return renderGeotherm(r, std::move(read));
}

}  // namespace mantlept::geotherm
