#pragma once
// This module computes in double precision.
// Temperature-pressure points for a geotherm fit, read from the tidy results
// of calc (one thermometer-barometer pair) or from any table with a
// temperature and a pressure column.
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "geotherm/fit.hpp"
#include "tables/row_source.hpp"

namespace mantlept::geotherm {

// Points that cannot be read or used; the message is complete ("mantlept: FILE, row N: ...").
struct PointsError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The errors of a point without its own.
inline constexpr double kDefaultSigmaT_C = 50.0;
inline constexpr double kDefaultSigmaP_GPa = 0.3;

struct PointsOptions {
  std::string path;                // names the table in messages
  std::string sheet;               // workbook sheet (empty: the first)
  std::string pair;                // "T,B" (numbers or labels) or empty
  std::string pUnit;               // unit of a bare P column: "", "kbar", "GPa"
  std::optional<double> sigmaT_C;  // error of points without one (°C)
  std::optional<double> sigmaP;    // error of points without one (unit of P)
  bool quiet = false;              // no notes
  bool dropFlagged = false;        // leave out calc rows that carry any flag
};

struct PointsRead {
  std::vector<Point> points;
  int excluded = 0;  // calc rows of the pair that were not ok (or dropped for their flags)
};

// Reads the points of `rows` (header first). Notes go to `notes`. Throws
// PointsError, or Stopped when `stopped` says stop.
PointsRead readPoints(tables::RowSource& rows, const PointsOptions& options, std::ostream& notes,
                      const StopCheck& stopped = {});
// Opens options.path (a table or workbook) and reads its points. Throws
// PointsError (and tables::TableError for a table that cannot be read), or
// Stopped.
PointsRead readPoints(const PointsOptions& options, std::ostream& notes,
                      const StopCheck& stopped = {});

}  // namespace mantlept::geotherm
