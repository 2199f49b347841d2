// This module computes in double precision.
#include "report/compare_figure.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace mantlept {

namespace {

constexpr double kWidth = 1000.0;
constexpr double kPlotRight = 860.0;  // the spread column follows
constexpr double kSpreadX = 876.0;
constexpr double kFont = 10.0;       // sample names, axis labels
constexpr double kSmall = 9.0;       // method numbers, legend
constexpr double kLaneHeight = 10.0;  // one stack of method numbers above a line
constexpr const char* kReferenceColour = "#c0392b";
constexpr const char* kMarkerColour = "#1f4e79";

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", std::isfinite(v) ? v : 0.0);
  return buf;
}

std::string xmlText(const std::string& s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      default:
        // Control characters cannot stand in XML.
        r += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
  }
  return r;
}

// A generous width of sans-serif text, so that labels placed apart by it
// never touch.
double textWidth(const std::string& s, double size) {
  std::size_t glyphs = 0;
  for (unsigned char c : s) glyphs += (c & 0xC0) != 0x80;  // UTF-8 continuation bytes do not count
  return 0.66 * size * static_cast<double>(glyphs);
}

// A name cut to `glyphs` characters with an ellipsis.
std::string shortened(const std::string& s, std::size_t glyphs) {
  if (s.size() <= glyphs) return s;
  std::size_t cut = glyphs - 1;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return s.substr(0, cut) + "\xE2\x80\xA6";
}

// An axis from `lo` to `hi` in round steps: 1, 2 or 5 times a power of ten,
// five to ten ticks.
struct Axis {
  double lo = 0, hi = 1, step = 1;
  double x0 = 0, x1 = 1;  // drawing units
  double x(double v) const { return x0 + (x1 - x0) * (v - lo) / (hi - lo); }
};

Axis roundAxis(double lo, double hi, double x0, double x1) {
  if (!(hi > lo)) lo -= 1.0, hi += 1.0;
  const double raw = (hi - lo) / 6.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if ((hi - lo) / step <= 8.0) break;
  }
  Axis a;
  a.step = step;
  a.lo = std::floor(lo / step) * step;
  a.hi = std::ceil(hi / step) * step;
  if (a.hi - a.lo < step) a.hi = a.lo + step;
  a.x0 = x0;
  a.x1 = x1;
  return a;
}

std::string tickText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", std::fabs(v) < 1e-9 ? 0.0 : v);
  return buf;
}

void text(std::ostringstream& o, double x, double y, const std::string& s, const char* attrs) {
  o << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" " << attrs << ">" << xmlText(s)
    << "</text>\n";
}

// Tick labels of an axis at baseline `y`, and its grid from `top` to `bottom`.
void axisTicks(std::ostringstream& o, const Axis& a, double y, double top, double bottom) {
  o << "<g stroke=\"#e3e3e3\" stroke-width=\"0.8\">\n";
  for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step)
    o << "<line x1=\"" << num(a.x(v)) << "\" y1=\"" << num(top) << "\" x2=\"" << num(a.x(v))
      << "\" y2=\"" << num(bottom) << "\"/>\n";
  o << "</g>\n<g font-size=\"9\" fill=\"#444\" text-anchor=\"middle\">\n";
  for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step) text(o, a.x(v), y, tickText(v), "");
  o << "</g>\n";
}

std::string unitOf(MethodKind kind) { return kind == MethodKind::Barometer ? "kbar" : "\xC2\xB0" "C"; }
std::string quantityOf(MethodKind kind) {
  return kind == MethodKind::Barometer ? "P (kbar)" : "T (\xC2\xB0" "C)";
}
std::string kindWord(MethodKind kind) {
  return kind == MethodKind::Barometer ? "barometer" : "thermometer";
}

std::string svgStart(double height) {
  std::ostringstream o;
  o << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(kWidth) << "\" height=\""
    << num(height) << "\" viewBox=\"0 0 " << num(kWidth) << ' ' << num(height)
    << "\" font-family=\"sans-serif\" font-size=\"" << num(kFont) << "\">\n"
    << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  return o.str();
}

// Where the method numbers of one line go: each in the lowest stack above
// the line where it fits beside its left neighbour, moved right by up to its
// own width if that saves a stack. `xs` must be sorted; returns the centre
// and stack of each and sets `lanes`.
struct LabelPlace {
  double x;
  int lane;
};
std::vector<LabelPlace> placeLabels(const std::vector<double>& xs, const std::vector<double>& widths,
                                    int& lanes) {
  constexpr double kGap = 2.0;
  std::vector<double> ends;  // right end of the last label of each stack
  std::vector<LabelPlace> out;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const double half = widths[i] / 2;
    std::size_t k = 0;
    double centre = xs[i];
    for (; k < ends.size(); ++k) {
      centre = std::max(xs[i], ends[k] + kGap + half);
      if (centre - xs[i] <= widths[i]) break;
    }
    if (k == ends.size()) {
      ends.push_back(0);
      centre = xs[i];
    }
    ends[k] = centre + half;
    out.push_back({centre, static_cast<int>(k)});
  }
  lanes = std::max<int>(1, static_cast<int>(ends.size()));
  return out;
}

}  // namespace

CompareFigure::CompareFigure(FigureTitle title, int reference)
    : title_(std::move(title)), reference_(reference) {}

void CompareFigure::add(const std::string& sample, const std::vector<CompareRow>& rows) {
  ++samples_;
  if (lines_.size() > kMaxLines) return;
  Line line{sample, {}};
  for (const CompareRow& row : rows)
    if (std::optional<double> v = comparedValue(title_.compared, row.outcome))
      line.values.emplace_back(row.method, *v);
  lines_.push_back(std::move(line));
}

std::string CompareFigure::svg(const OffsetTable& offsets) const {
  return samples_ <= kMaxLines ? markerLines() : offsetBars(offsets);
}

std::string CompareFigure::markerLines() const {
  const MethodKind kind = title_.compared;
  double lo = 0, hi = 0;
  bool any = false;
  std::map<int, bool> used;  // the methods with a marker, for the legend
  for (const Line& l : lines_) {
    for (const auto& [method, v] : l.values) {
      lo = any ? std::min(lo, v) : v;
      hi = any ? std::max(hi, v) : v;
      any = true;
      used[method] = true;
    }
  }
  if (!any) lo = kind == MethodKind::Barometer ? 0 : 600, hi = kind == MethodKind::Barometer ? 60 : 1400;
  const Axis axis = roundAxis(lo, hi, 190.0, kPlotRight);

  std::ostringstream body;
  double y = 74.0;
  const double gridTop = y - 4;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& l = lines_[i];
    std::vector<std::pair<double, int>> marks;  // x, method
    for (const auto& [method, v] : l.values) marks.emplace_back(axis.x(v), method);
    std::sort(marks.begin(), marks.end());
    std::vector<double> xs, widths;
    for (const auto& [x, method] : marks) {
      xs.push_back(x);
      widths.push_back(textWidth(std::to_string(method), kSmall));
    }
    int lanes = 1;
    const std::vector<LabelPlace> place = placeLabels(xs, widths, lanes);
    const double height = 10.0 + kLaneHeight * lanes + 8.0;
    const double lineY = y + kLaneHeight * lanes + 6.0;
    if (i % 2 == 1)
      body << "<rect x=\"4\" y=\"" << num(y) << "\" width=\"" << num(kWidth - 8) << "\" height=\""
           << num(height) << "\" fill=\"#f5f5f5\"/>\n";
    text(body, 180.0, lineY + 3.5, shortened(l.sample, 28), "text-anchor=\"end\"");
    if (marks.empty()) {
      text(body, axis.x0, lineY + 3.5, "no " + kindWord(kind) + " with a value",
           "fill=\"#888\" font-style=\"italic\"");
    } else {
      body << "<line x1=\"" << num(xs.front()) << "\" y1=\"" << num(lineY) << "\" x2=\""
           << num(xs.back()) << "\" y2=\"" << num(lineY) << "\" stroke=\"#999\"/>\n";
      double minV = l.values.front().second, maxV = minV;
      for (const auto& mv : l.values) minV = std::min(minV, mv.second), maxV = std::max(maxV, mv.second);
      // Leaders first, then the markers, then the numbers over them.
      for (std::size_t k = 0; k < marks.size(); ++k) {
        const double ly = lineY - 6.0 - kLaneHeight * place[k].lane;
        if (place[k].lane > 0 || place[k].x != xs[k])
          body << "<line x1=\"" << num(place[k].x) << "\" y1=\"" << num(ly + 1.5) << "\" x2=\""
               << num(xs[k]) << "\" y2=\"" << num(lineY - 3.5)
               << "\" stroke=\"#d0d0d0\" stroke-width=\"0.6\"/>\n";
      }
      for (std::size_t k = 0; k < marks.size(); ++k) {
        const double x = xs[k];
        if (marks[k].second == reference_) {
          body << "<path d=\"M" << num(x) << ' ' << num(lineY - 4.5)
               << " l4.5 4.5 l-4.5 4.5 l-4.5 -4.5 z\" fill=\"" << kReferenceColour << "\"/>\n";
        } else {
          body << "<circle cx=\"" << num(x) << "\" cy=\"" << num(lineY) << "\" r=\"2.6\" fill=\""
               << kMarkerColour << "\"/>\n";
        }
      }
      for (std::size_t k = 0; k < marks.size(); ++k) {
        const bool ref = marks[k].second == reference_;
        text(body, place[k].x, lineY - 6.0 - kLaneHeight * place[k].lane,
             std::to_string(marks[k].second),
             ref ? "font-size=\"9\" text-anchor=\"middle\" font-weight=\"bold\" fill=\"#c0392b\""
                 : "font-size=\"9\" text-anchor=\"middle\" fill=\"#1f4e79\"");
      }
      char spread[48];
      std::snprintf(spread, sizeof spread, "%.0f", maxV - minV);
      text(body, kSpreadX, lineY + 3.5,
           std::string(spread) + ' ' + unitOf(kind) + "  (" + std::to_string(marks.size()) + ")", "");
    }
    y += height;
  }
  const double gridBottom = y;

  // The legend: every method with a marker, by number, in three columns.
  std::ostringstream legend;
  double ly = y + 40.0;
  text(legend, 20.0, ly, "Methods (number, label):", "font-weight=\"bold\"");
  ly += 14.0;
  const std::size_t perColumn = (used.size() + 2) / 3;
  std::size_t k = 0;
  for (const auto& [method, yes] : used) {
    const double cx = 20.0 + 320.0 * static_cast<double>(k / std::max<std::size_t>(perColumn, 1));
    const double cy = ly + 12.0 * static_cast<double>(k % std::max<std::size_t>(perColumn, 1));
    std::string entry = std::to_string(method) + "  " + std::string(methodLabel(kind, method));
    if (method == reference_) entry += "  (reference)";
    text(legend, cx, cy, entry,
         method == reference_ ? "font-size=\"9\" fill=\"#c0392b\"" : "font-size=\"9\"");
    ++k;
  }
  const double height = ly + 12.0 * static_cast<double>(std::max<std::size_t>(perColumn, 1)) + 10.0;

  std::ostringstream o;
  o << svgStart(height);
  std::string heading = std::string(kind == MethodKind::Barometer ? "Barometers " : "Thermometers ") +
                        title_.against + ": " + std::to_string(lines_.size()) +
                        (lines_.size() == 1 ? " sample" : " samples");
  text(o, 20.0, 22.0, heading, "font-size=\"13\" font-weight=\"bold\"");
  std::string sub = "one line per sample, one numbered marker per method with a value";
  if (reference_ != 0)
    sub += "; diamond: reference " + kindWord(kind) + " " + std::to_string(reference_) + " (" +
           std::string(methodLabel(kind, reference_)) + ")";
  text(o, 20.0, 38.0, sub, "font-size=\"9\" fill=\"#444\"");
  text(o, kSpreadX, 60.0, "spread (n)", "font-size=\"9\" fill=\"#444\"");
  axisTicks(o, axis, 60.0, gridTop, gridBottom);
  o << body.str();
  axisTicks(o, axis, gridBottom + 12.0, gridBottom, gridBottom);
  text(o, 0.5 * (axis.x0 + axis.x1), gridBottom + 26.0, quantityOf(kind), "text-anchor=\"middle\"");
  o << legend.str() << "</svg>\n";
  return o.str();
}

std::string CompareFigure::offsetBars(const OffsetTable& offsets) const {
  const MethodKind kind = title_.compared;
  std::vector<const OffsetTable::Offsets*> shown;
  double extent = 0;
  for (const OffsetTable::Offsets& m : offsets.offsets()) {
    if (m.n == 0) continue;
    shown.push_back(&m);
    const double sd = m.sd().value_or(0.0);
    extent = std::max({extent, std::fabs(m.min), std::fabs(m.max), std::fabs(m.mean) + sd});
  }
  if (extent == 0) extent = kind == MethodKind::Barometer ? 5.0 : 50.0;
  const Axis axis = roundAxis(-extent, extent, 250.0, kPlotRight - 70.0);
  const double rowHeight = 16.0;
  const double top = 74.0;
  const double bottom = top + rowHeight * static_cast<double>(std::max<std::size_t>(shown.size(), 1));

  std::ostringstream o;
  o << svgStart(bottom + 44.0);
  const std::string ref = kindWord(kind) + " " + std::to_string(offsets.reference()) + " (" +
                          std::string(methodLabel(kind, offsets.reference())) + ")";
  text(o, 20.0, 22.0,
       std::string(kind == MethodKind::Barometer ? "Barometers " : "Thermometers ") +
           title_.against + ": offsets from " + ref + ", " + std::to_string(samples_) + " samples",
       "font-size=\"13\" font-weight=\"bold\"");
  text(o, 20.0, 38.0,
       "dot: mean offset; bar: one standard deviation either side; thin line: least to greatest",
       "font-size=\"9\" fill=\"#444\"");
  text(o, kPlotRight - 28.0, 60.0, "mean \xC2\xB1 sd (n)", "font-size=\"9\" fill=\"#444\"");
  axisTicks(o, axis, 60.0, top - 4, bottom);
  o << "<line x1=\"" << num(axis.x(0)) << "\" y1=\"" << num(top - 4) << "\" x2=\"" << num(axis.x(0))
    << "\" y2=\"" << num(bottom) << "\" stroke=\"" << kReferenceColour << "\" stroke-width=\"1.2\"/>\n";
  if (shown.empty())
    text(o, axis.x0, top + 10, "no sample has both the reference and another method with a value",
         "fill=\"#888\" font-style=\"italic\"");
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const OffsetTable::Offsets& m = *shown[i];
    const double y = top + rowHeight * static_cast<double>(i);
    const double cy = y + rowHeight / 2;
    if (i % 2 == 1)
      o << "<rect x=\"4\" y=\"" << num(y) << "\" width=\"" << num(kWidth - 8) << "\" height=\""
        << num(rowHeight) << "\" fill=\"#f5f5f5\" fill-opacity=\"0.8\"/>\n";
    text(o, 240.0, cy + 3.5,
         shortened(std::to_string(m.method) + "  " + std::string(methodLabel(kind, m.method)), 36),
         "text-anchor=\"end\"");
    o << "<line x1=\"" << num(axis.x(m.min)) << "\" y1=\"" << num(cy) << "\" x2=\""
      << num(axis.x(m.max)) << "\" y2=\"" << num(cy) << "\" stroke=\"#999\"/>\n";
    const double sd = m.sd().value_or(0.0);
    if (sd > 0)
      o << "<rect x=\"" << num(axis.x(m.mean - sd)) << "\" y=\"" << num(cy - 3) << "\" width=\""
        << num(axis.x(m.mean + sd) - axis.x(m.mean - sd)) << "\" height=\"6\" fill=\"#9dc3e6\"/>\n";
    o << "<circle cx=\"" << num(axis.x(m.mean)) << "\" cy=\"" << num(cy) << "\" r=\"3\" fill=\""
      << kMarkerColour << "\"/>\n";
    char value[64];
    if (m.sd())
      std::snprintf(value, sizeof value, "%+.0f \xC2\xB1 %.0f", m.mean, sd);
    else
      std::snprintf(value, sizeof value, "%+.0f", m.mean);
    text(o, kPlotRight - 28.0, cy + 3.5, std::string(value) + "  (" + std::to_string(m.n) + ")", "");
  }
  axisTicks(o, axis, bottom + 12.0, bottom, bottom);
  text(o, 0.5 * (axis.x0 + axis.x1), bottom + 28.0,
       "offset from the reference, " + quantityOf(kind), "text-anchor=\"middle\"");
  o << "</svg>\n";
  return o.str();
}

}  // namespace mantlept
