#pragma once
// This module computes in double precision.
// The figure of a comparison. Up to 60 samples: one line per sample along a
// T (or P) axis with one numbered marker per method, the reference drawn
// apart, the spread written at the end of the line. Beyond 60 samples: each
// method's offset from the reference as its mean with a bar of one standard
// deviation either side (and its range as a thin line).
#include <string>
#include <vector>

#include "report/compare_summary.hpp"

namespace mantlept {

// What the heading says of the other method: "against barometer 5 (label)"
// or "at 30 kbar".
struct FigureTitle {
  MethodKind compared = MethodKind::Thermometer;
  std::string against;
};

class CompareFigure {
 public:
  static constexpr std::size_t kMaxLines = 60;

  CompareFigure(FigureTitle title, int reference);

  // Keeps the values of the first 61 samples only: memory stays flat.
  void add(const std::string& sample, const std::vector<CompareRow>& rows);

  // The SVG document: marker lines for up to 60 samples, else the offsets.
  std::string svg(const OffsetTable& offsets) const;

 private:
  struct Line {
    std::string sample;
    std::vector<std::pair<int, double>> values;  // method, value
  };
  std::string markerLines() const;
  std::string offsetBars(const OffsetTable& offsets) const;

  FigureTitle title_;
  int reference_;
  std::size_t samples_ = 0;
  std::vector<Line> lines_;
};

}  // namespace mantlept
