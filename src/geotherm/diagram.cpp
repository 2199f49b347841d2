// This module computes in double precision.
#include "geotherm/diagram.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace mantlept::geotherm {
namespace {

// Drawing units: 4 to the millimetre on an 85 × 100 mm page.
constexpr double kWidth = 340.0, kHeight = 400.0;
constexpr double kLeft = 44.0, kRight = 300.0, kTop = 46.0, kBottom = 384.0;
constexpr double kTmaxC = 1600.0;
constexpr double kReferenceFlows[] = {35.0, 40.0, 45.0, 50.0, 60.0};

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", std::isfinite(v) ? v : 0.0);
  return buf;
}

std::string escapeXml(const std::string& s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&':
        r += "&amp;";
        break;
      case '<':
        r += "&lt;";
        break;
      case '>':
        r += "&gt;";
        break;
      case '"':
        r += "&quot;";
        break;
      case '\'':
        r += "&apos;";
        break;
      default:
        // Control characters other than tab and line ends cannot stand in XML.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          r += ' ';
        else
          r += c;
    }
  }
  return r;
}

struct Frame {
  double pMax;  // GPa at the bottom of the plot
  double x(double T_C) const { return kLeft + (kRight - kLeft) * T_C / kTmaxC; }
  double y(double P) const { return kTop + (kBottom - kTop) * P / pMax; }
};

// The geotherm as polyline points, every 1 km down to the bottom of the plot.
std::string curvePoints(const Frame& f, const Geotherm& g, bool reverse = false) {
  std::vector<std::string> pts;
  for (int km = 0; km <= static_cast<int>(kMaxDepthKm); ++km) {
    double P = pressureAtDepth(km);
    pts.push_back(num(f.x(g.temperatureAtDepth(km) - kZeroCelsius)) + "," + num(f.y(P)));
    if (P > f.pMax) break;
  }
  if (reverse) std::reverse(pts.begin(), pts.end());
  std::string r;
  for (const std::string& p : pts) r += p + " ";
  return r;
}

void line(std::ostream& o, double x1, double y1, double x2, double y2, const std::string& style) {
  o << "<line x1=\"" << num(x1) << "\" y1=\"" << num(y1) << "\" x2=\"" << num(x2) << "\" y2=\""
    << num(y2) << "\" " << style << "/>\n";
}

void text(std::ostream& o, double x, double y, const std::string& s, const std::string& attrs) {
  o << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" " << attrs << ">" << escapeXml(s)
    << "</text>\n";
}

std::string fixedText(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::isfinite(v) ? v : 0.0);
  return buf;
}

}  // namespace

void writeDiagram(std::ostream& o, const Summary& s, const std::vector<Point>& points,
                  bool fitted, const std::vector<Point>& leftOut, const StopCheck& stopped) {
  double deepest = 7.0;
  for (const Point& p : points) deepest = std::max(deepest, p.P_GPa + p.sigmaP_GPa);
  for (const Point& p : leftOut) deepest = std::max(deepest, p.P_GPa);
  // Deep enough to show where the coolest geotherm of the interval meets the adiabat.
  if (s.lo.lab_found) deepest = std::max(deepest, s.lo.lab_P_GPa + 0.3);
  Frame f{std::min(std::ceil(deepest), 15.0)};
  const std::string axis = "stroke=\"black\" stroke-width=\"0.8\"";

  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"85mm\" height=\"100mm\" "
    << "viewBox=\"0 0 " << num(kWidth) << " " << num(kHeight) << "\" "
    << "font-family=\"sans-serif\" font-size=\"10\">\n"
    << "<title>Geotherm, q0 = " << fixedText(s.fit.q0, 1) << " mW/m²</title>\n"
    << "<defs><clipPath id=\"plot\"><rect x=\"" << num(kLeft) << "\" y=\"" << num(kTop)
    << "\" width=\"" << num(kRight - kLeft) << "\" height=\"" << num(kBottom - kTop)
    << "\"/></clipPath></defs>\n"
    << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";

  // Curves and lines, clipped to the plot.
  o << "<g clip-path=\"url(#plot)\" fill=\"none\">\n";
  if (fitted) {
    o << "<polygon class=\"interval\" fill=\"#f4a582\" fill-opacity=\"0.5\" stroke=\"none\" "
      << "points=\"" << curvePoints(f, s.lo) << curvePoints(f, s.hi, true) << "\"/>\n";
  }
  for (double q : kReferenceFlows) {
    Geotherm g = computeGeotherm(q);
    o << "<polyline class=\"reference\" stroke=\"#777\" stroke-width=\"0.6\" points=\""
      << curvePoints(f, g) << "\"/>\n";
  }
  line(o, f.x(adiabatK(0.0) - kZeroCelsius), f.y(0.0),
       f.x(adiabatK(depthAtPressure(f.pMax)) - kZeroCelsius), f.y(f.pMax),
       "class=\"adiabat\" stroke=\"#b2182b\" stroke-width=\"0.8\" stroke-dasharray=\"5,3\"");
  line(o, f.x(0.0), f.y(graphiteDiamondP(0.0)), f.x(kTmaxC), f.y(graphiteDiamondP(kTmaxC)),
       "class=\"graphite-diamond\" stroke=\"#2166ac\" stroke-width=\"0.8\"");
  line(o, kLeft, f.y(pressureAtDepth(kMohoKm)), kRight, f.y(pressureAtDepth(kMohoKm)),
       "class=\"moho\" stroke=\"#555\" stroke-width=\"0.6\" stroke-dasharray=\"2,2\"");
  o << "<polyline class=\"best\" stroke=\"#b35806\" stroke-width=\"2\" points=\""
    << curvePoints(f, s.best) << "\"/>\n"
    << "</g>\n";

  // Labels of the lines.
  o << "<g font-size=\"8\" fill=\"#555\">\n";
  for (double q : kReferenceFlows) {
    Geotherm g = computeGeotherm(q);
    // Halfway down, or above where the geotherm bends onto the adiabat.
    double P = std::min(0.5 * f.pMax, g.lab_P_GPa - 0.3);
    text(o, f.x(g.temperatureAtPressure(P) - kZeroCelsius) + 2.0, f.y(P), fixedText(q, 0),
         "class=\"reference-label\"");
  }
  text(o, kLeft + 3.0, f.y(pressureAtDepth(kMohoKm)) - 2.0, "Moho", "");
  double gdT = 150.0;
  text(o, f.x(gdT) + 2.0, f.y(graphiteDiamondP(gdT)) - 3.0, "graphite", "fill=\"#2166ac\"");
  text(o, f.x(gdT) + 2.0, f.y(graphiteDiamondP(gdT)) + 9.0, "diamond", "fill=\"#2166ac\"");
  text(o, f.x(adiabatK(0.0) - kZeroCelsius) - 3.0, f.y(0.25 * f.pMax), "adiabat",
       "fill=\"#b2182b\" text-anchor=\"end\"");
  o << "</g>\n";

  // Estimates left out of the fit: grey dots, no bars.
  if (!leftOut.empty()) {
    o << "<g class=\"left-out\" fill=\"#bdbdbd\" stroke=\"none\">\n";
    for (const Point& p : leftOut)
      o << "<circle cx=\"" << num(f.x(p.T_C)) << "\" cy=\"" << num(f.y(p.P_GPa)) << "\" r=\"1.6\"/>\n";
    o << "</g>\n";
  }

  // The estimates with their 1σ bars.
  o << "<g class=\"points\">\n";
  for (std::size_t i = 0; i < points.size(); ++i) {
    pollStop(stopped, i);
    const Point& p = points[i];
    double x = f.x(p.T_C), y = f.y(p.P_GPa);
    std::string title = p.sample.empty() ? std::string("point") : p.sample;
    title += ": " + fixedText(p.T_C, 0) + " °C, " + fixedText(p.P_GPa, 2) + " GPa";
    if (!fitted) title += ", chi2 " + fixedText(pointChiSquare(s.best, p), 2);
    o << "<g><title>" << escapeXml(title) << "</title>\n";
    line(o, f.x(p.T_C - p.sigmaT_C), y, f.x(p.T_C + p.sigmaT_C), y,
         "stroke=\"black\" stroke-width=\"0.6\"");
    line(o, x, f.y(p.P_GPa - p.sigmaP_GPa), x, f.y(p.P_GPa + p.sigmaP_GPa),
         "stroke=\"black\" stroke-width=\"0.6\"");
    o << "<circle cx=\"" << num(x) << "\" cy=\"" << num(y)
      << "\" r=\"2.2\" fill=\"white\" stroke=\"black\" stroke-width=\"0.8\"/></g>\n";
  }
  o << "</g>\n";

  // Axes: T across the top, P down the left, depth down the right.
  o << "<g class=\"axes\">\n<rect x=\"" << num(kLeft) << "\" y=\"" << num(kTop) << "\" width=\""
    << num(kRight - kLeft) << "\" height=\"" << num(kBottom - kTop) << "\" fill=\"none\" " << axis
    << "/>\n";
  for (int t = 0; t <= static_cast<int>(kTmaxC); t += 200) {
    line(o, f.x(t), kTop, f.x(t), kTop - 3.0, axis);
    if (t % 400 == 0) text(o, f.x(t), kTop - 5.0, std::to_string(t), "text-anchor=\"middle\"");
  }
  text(o, 0.5 * (kLeft + kRight), 14.0, "Temperature (°C)", "text-anchor=\"middle\"");
  int pStep = f.pMax > 9.0 ? 2 : 1;
  for (int P = 0; P <= static_cast<int>(f.pMax); P += pStep) {
    line(o, kLeft, f.y(P), kLeft - 3.0, f.y(P), axis);
    text(o, kLeft - 5.0, f.y(P) + 3.5, std::to_string(P), "text-anchor=\"end\"");
  }
  o << "<text transform=\"translate(14 " << num(0.5 * (kTop + kBottom))
    << ") rotate(-90)\" text-anchor=\"middle\">Pressure (GPa)</text>\n";
  int maxKm = static_cast<int>(depthAtPressure(f.pMax));
  int kmStep = maxKm > 300 ? 100 : 50;
  for (int km = 0; km <= maxKm; km += kmStep) {
    double y = f.y(pressureAtDepth(km));
    line(o, kRight, y, kRight + 3.0, y, axis);
    text(o, kRight + 5.0, y + 3.5, std::to_string(km), "");
  }
  o << "<text transform=\"translate(" << num(kWidth - 8.0) << " " << num(0.5 * (kTop + kBottom))
    << ") rotate(90)\" text-anchor=\"middle\">Depth (km)</text>\n</g>\n";

  // Legend in the cool deep corner, which geotherms never reach.
  double lx = kLeft + 8.0, ly = kBottom - 52.0;
  const double extra = leftOut.empty() ? 0.0 : 11.0;  // a line for the estimates left out
  o << "<g class=\"legend\" font-size=\"9\">\n<rect x=\"" << num(lx - 4.0) << "\" y=\""
    << num(ly - 11.0 - extra) << "\" width=\"150\" height=\"" << num(58.0 + extra)
    << "\" fill=\"white\" stroke=\"#999\" "
    << "stroke-width=\"0.5\"/>\n";
  std::string q = "q0 = " + fixedText(s.fit.q0, 1);
  if (fitted) q += " (" + fixedText(s.fit.q0_lo, 1) + "–" + fixedText(s.fit.q0_hi, 1) + ")";
  q += " mW/m²";
  line(o, lx, ly - 3.0, lx + 16.0, ly - 3.0, "stroke=\"#b35806\" stroke-width=\"2\"");
  text(o, lx + 20.0, ly, q, "");
  std::string lab = "LAB " + fixedText(s.best.lab_depth_km, 0) + " km";
  if (fitted)
    lab += " (" + fixedText(s.hi.lab_depth_km, 0) + "–" + fixedText(s.lo.lab_depth_km, 0) + ")";
  text(o, lx + 20.0, ly + 11.0, lab, "");
  std::string fit = "N = " + std::to_string(s.fit.n_points) + ", χ² = " + fixedText(s.fit.chi2, 1);
  if (fitted) fit += ", χ²ν = " + fixedText(s.fit.reduced_chi2, 2);
  if (!points.empty()) text(o, lx + 20.0, ly + 22.0, fit, "");
  line(o, lx, ly + 30.0, lx + 16.0, ly + 30.0, "stroke=\"#777\" stroke-width=\"0.6\"");
  text(o, lx + 20.0, ly + 33.0, "35–60 mW/m² family", "");
  if (s.fit.at_edge) text(o, lx + 20.0, ly + 44.0, "best q0 on the range edge", "fill=\"#b2182b\"");
  if (!leftOut.empty()) {
    o << "<circle cx=\"" << num(lx + 8.0) << "\" cy=\"" << num(ly - 14.0)
      << "\" r=\"1.6\" fill=\"#bdbdbd\"/>\n";
    text(o, lx + 20.0, ly - 11.0, std::to_string(leftOut.size()) + " left out of the fit", "");
  }
  o << "</g>\n</svg>\n";
}

}  // namespace mantlept::geotherm
