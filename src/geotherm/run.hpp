#pragma once
// This module computes in double precision.
// One geotherm run for every front end: checks the settings, reads the
// points, fits the heat flow (or takes the one given), and renders the
// summary, the geotherm table and the P-T diagram as text.
#include <optional>
#include <ostream>
#include <string>

#include "geotherm/points.hpp"
#include "geotherm/summary.hpp"

namespace mantlept::geotherm {

struct GeothermRequest {
  PointsOptions points;      // points.path empty: no points
  std::optional<double> q0;  // no fit: the geotherm of this heat flow
  SummaryFormat format = SummaryFormat::Text;
  bool table = false;  // render the geotherm table
  bool svg = false;    // render the P-T diagram
  StopCheck stopped;   // asked while reading, fitting and drawing; empty: never stops
  int threads = 1;     // the fit's scan shared among this many threads
};

struct GeothermOutcome {
  Summary summary;
  PointsRead read;
  std::string summaryText;
  std::string tableText;  // when asked
  std::string svgText;    // when asked
};

// Checks the heat flow and the errors of a request. Throws PointsError.
void checkRequest(const GeothermRequest& request);

// The best-fit (or given) geotherm of points already read. Throws PointsError
// naming `source` when a fit has fewer than two points, Stopped when
// `stopped` says stop. The fit runs on `threads` threads, with the same result.
Summary geothermSummary(const std::optional<double>& q0, const PointsRead& read,
                        const std::string& source, const StopCheck& stopped = {},
                        int threads = 1);

// Fits (or takes request.q0) and renders what the request asks for, from
// points already read (the page reads them from its own row source).
// Throws PointsError, or Stopped when request.stopped says stop.
GeothermOutcome renderGeotherm(const GeothermRequest& request, PointsRead read);

// Checks the request, reads request.points (when named), fits and renders.
// Notes go to `notes`. Throws PointsError or tables::TableError, or Stopped
// when request.stopped says stop.
GeothermOutcome runGeotherm(const GeothermRequest& request, std::ostream& notes);

}  // namespace mantlept::geotherm
