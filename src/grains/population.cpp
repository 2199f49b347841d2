// This module computes in double precision.
#include "grains/population.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "geotherm/summary.hpp"

namespace mantlept::grains {
namespace {

using geotherm::fixed;

std::string xmlText(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '&')
      r += "&amp;";
    else if (c == '<')
      r += "&lt;";
    else if (c == '>')
      r += "&gt;";
    else if (c == '"')
      r += "&quot;";
    else if (static_cast<unsigned char>(c) < 0x20)
      r += ' ';
    else
      r += c;
  }
  return r;
}

// A bin edge as the sections file writes it.
std::string edgeText(double km) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", km);
  return buf;
}

}  // namespace

Population::Population(double bin_km) : bin_km_(bin_km) {
  if (!(bin_km_ > 0.0)) bin_km_ = kDefaultBinKm;
  auto n = static_cast<std::size_t>(std::ceil(geotherm::kMaxDepthKm / bin_km_ - 1e-9));
  bins_.assign(std::max<std::size_t>(n, 1), {});
  binNone_.assign(bins_.size(), 0);
  for (std::size_t i = 0; i < bins_.size(); ++i)
    tops_.push_back(std::strtod(edgeText(binTop(i)).c_str(), nullptr));
}

std::size_t Population::binOf(double depth_km) const {
  const std::size_t last = bins_.size() - 1;
  // The bin by division, then moved to the edges as written (0.3 / 0.1 is 2.99...).
  auto i = static_cast<std::size_t>(std::max(0.0, std::floor(depth_km / bin_km_)));
  i = std::min(i, last);
  while (i < last && depth_km >= tops_[i + 1]) ++i;
  while (i > 0 && depth_km < tops_[i]) --i;
  return i;
}

double Population::binBottom(std::size_t i) const {
  return std::min(static_cast<double>(i + 1) * bin_km_, geotherm::kMaxDepthKm);
}

void Population::add(const Grain& g) {
  ++grains_;
  const int k = classIndex(g.garnetClass);
  if (k < 0)
    ++withoutClass_;
  else
    ++classes_[static_cast<std::size_t>(k)];
  if (g.garnetClass != GarnetClass::None && g.garnetClass != GarnetClass::G0) ++classified_;
  if (g.T_C) ++withT_;
  if (!g.depth) return;
  depths_.push_back(g.depth->depth_km);
  if (g.depth->inDiamondWindow) ++inWindow_;
  const std::size_t bin = binOf(writtenDepth(g.depth->depth_km));
  if (k < 0)
    ++binNone_[bin];
  else
    ++bins_[bin][static_cast<std::size_t>(k)];
}

double Population::medianDepth() const {
  if (depths_.empty()) return 0.0;
  const std::size_t n = depths_.size(), mid = n / 2;
  std::nth_element(depths_.begin(), depths_.begin() + static_cast<std::ptrdiff_t>(mid),
                   depths_.end());
  const double upper = depths_[mid];
  if (n % 2 == 1) return upper;
  const double lower =
      *std::max_element(depths_.begin(), depths_.begin() + static_cast<std::ptrdiff_t>(mid));
  return (lower + upper) / 2.0;
}

std::int64_t Population::binTotal(std::size_t i) const {
  std::int64_t n = binNone_[i];
  for (std::int64_t c : bins_[i]) n += c;
  return n;
}

void writeSummary(std::ostream& out, const Population& p, const geotherm::Geotherm* g,
                  SummaryFormat format, const CpxSummary& cpx) {
  using Field = std::pair<std::string, std::string>;  // an empty value: none
  std::vector<Field> fields;
  auto count = [](std::int64_t n) { return std::to_string(n); };
  fields.push_back({"n_grains", count(p.grains())});
  fields.push_back({"n_classified", count(p.classified())});
  fields.push_back({"n_with_T", count(p.withT())});
  const bool any = p.projected() > 0;
  fields.push_back({"n_projected", g ? count(p.projected()) : ""});
  fields.push_back({"q0", g ? fixed(g->q0, 3) : ""});
  fields.push_back({"dg_depth_km", g ? fixed(g->dg_depth_km, 1) : ""});
  fields.push_back({"lab_depth_km", g ? fixed(g->lab_depth_km, 1) : ""});
  fields.push_back({"n_in_window", g ? count(p.inWindow()) : ""});
  fields.push_back(
      {"fraction_in_window",
       g && any ? fixed(static_cast<double>(p.inWindow()) / static_cast<double>(p.projected()), 4)
                : ""});
  fields.push_back({"median_depth_km", g && any ? fixed(p.medianDepth(), 2) : ""});
  for (std::size_t i = 0; i < kClassOrder.size(); ++i)
    fields.push_back({"class_" + std::string(className(kClassOrder[i])), count(p.classCount(i))});
  fields.push_back({"n_cpx", count(cpx.grains)});
  fields.push_back({"n_cpx_kept", count(cpx.kept)});
  const geotherm::FitResult* f = cpx.fit;
  fields.push_back({"q0_lo", f ? fixed(f->q0_lo, 3) : ""});
  fields.push_back({"q0_hi", f ? fixed(f->q0_hi, 3) : ""});
  fields.push_back({"chi2", f ? fixed(f->chi2, 3) : ""});
  fields.push_back({"reduced_chi2", f ? fixed(f->reduced_chi2, 3) : ""});

  if (format == SummaryFormat::Json) {
    out << '{';
    for (std::size_t i = 0; i < fields.size(); ++i)
      out << (i ? ", " : "") << '"' << fields[i].first
          << "\": " << (fields[i].second.empty() ? "null" : fields[i].second);
    out << "}\n";
  } else {
    for (const auto& [key, value] : fields)
      out << key << ':' << (value.empty() ? "" : " ") << value << '\n';
  }
}

void writeSections(std::ostream& out, const Population& p) {
  out << "depth_top_km,depth_bottom_km,n";
  for (GarnetClass c : kClassOrder) out << ',' << className(c);
  out << '\n';
  for (std::size_t i = 0; i < p.binCount(); ++i) {
    out << edgeText(p.binTop(i)) << ',' << edgeText(p.binBottom(i)) << ',' << p.binTotal(i);
    for (std::size_t k = 0; k < kClassOrder.size(); ++k) out << ',' << p.binCount(i, k);
    out << '\n';
  }
}

namespace {

// Drawing units: 4 to the millimetre.
constexpr double kWidth = 680.0, kHeight = 560.0;
constexpr double kLeft = 70.0, kRight = 400.0, kTop = 64.0, kBottom = 530.0;
constexpr const char* kFont = "font-family=\"DejaVu Sans, Arial, sans-serif\"";

// Colours of the classes, in kClassOrder; grains without a class are white.
constexpr const char* kClassColours[] = {"#9e9e9e", "#8c564b", "#17becf", "#0e7c86", "#bcbd22",
                                         "#7f7f0f", "#e377c2", "#a0307f", "#2ca02c", "#9467bd",
                                         "#4b2a7b", "#ff7f0e", "#1f77b4"};

std::string n1(double v) { return fixed(v, 1); }

}  // namespace

void writeSectionDiagram(std::ostream& out, const Population& p, const geotherm::Geotherm& g,
                         const std::string& title) {
  // Depth range: down to the deepest populated bin, at least to the LAB.
  double deepest = 0.0;
  for (std::size_t i = 0; i < p.binCount(); ++i)
    if (p.binTotal(i) > 0) deepest = p.binBottom(i);
  double dMax = std::max(deepest, g.lab_depth_km);
  dMax = std::min(geotherm::kMaxDepthKm, std::ceil(dMax / p.binKm() - 1e-9) * p.binKm());
  if (!(dMax > 0.0)) dMax = geotherm::kMaxDepthKm;
  auto y = [&](double d) { return kTop + (kBottom - kTop) * d / dMax; };

  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << n1(kWidth / 4)
      << "mm\" height=\"" << n1(kHeight / 4) << "mm\" viewBox=\"0 0 " << n1(kWidth) << ' '
      << n1(kHeight) << "\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<g " << kFont << " font-size=\"11\" fill=\"black\">\n"
      << "<text x=\"" << n1(kLeft) << "\" y=\"18\" font-size=\"13\" font-weight=\"bold\">"
      << xmlText(title) << "</text>\n"
      << "<text x=\"" << n1(kLeft) << "\" y=\"34\" font-size=\"10\">q0 " << fixed(g.q0, 1)
      << " mW/m², " << p.projected() << " of " << p.grains() << " grains projected; bins of "
      << xmlText(fixed(p.binKm(), p.binKm() == std::floor(p.binKm()) ? 0 : 1)) << " km</text>\n";

  // The diamond window behind the bars.
  if (g.dg_depth_km > 0.0 && g.dg_depth_km < g.lab_depth_km && g.dg_depth_km < dMax)
    out << "<rect x=\"" << n1(kLeft) << "\" y=\"" << n1(y(g.dg_depth_km)) << "\" width=\""
        << n1(kRight - kLeft) << "\" height=\""
        << n1(y(std::min(g.lab_depth_km, dMax)) - y(g.dg_depth_km)) << "\" fill=\"#fff3c4\"/>\n";

  // Bars: each bin's grains as shares of the bin, classes left to right.
  for (std::size_t i = 0; i < p.binCount(); ++i) {
    const std::int64_t n = p.binTotal(i);
    if (n == 0 || p.binTop(i) >= dMax) continue;
    const double y0 = y(p.binTop(i)), h = y(p.binBottom(i)) - y0;
    const double gap = std::min(1.5, 0.15 * h);
    double x = kLeft;
    auto segment = [&](std::int64_t count, const char* colour) {
      if (count == 0) return;
      double w = (kRight - kLeft) * static_cast<double>(count) / static_cast<double>(n);
      out << "<rect x=\"" << fixed(x, 2) << "\" y=\"" << fixed(y0 + gap / 2, 2) << "\" width=\""
          << fixed(w, 2) << "\" height=\"" << fixed(h - gap, 2) << "\" fill=\"" << colour
          << "\" stroke=\"white\" stroke-width=\"0.3\"/>\n";
      x += w;
    };
    for (std::size_t k = 0; k < kClassOrder.size(); ++k)
      segment(p.binCount(i, k), kClassColours[k]);
    segment(p.binWithoutClass(i), "#ffffff");
    out << "<text x=\"" << n1(kRight + 5) << "\" y=\"" << n1(y0 + h / 2 + 3.5)
        << "\" font-size=\"9\">" << n << "</text>\n";
  }

  // Frame and axes.
  out << "<rect x=\"" << n1(kLeft) << "\" y=\"" << n1(kTop) << "\" width=\"" << n1(kRight - kLeft)
      << "\" height=\"" << n1(kBottom - kTop)
      << "\" fill=\"none\" stroke=\"black\" stroke-width=\"0.8\"/>\n";
  for (int pct = 0; pct <= 100; pct += 25) {
    double x = kLeft + (kRight - kLeft) * pct / 100.0;
    out << "<line x1=\"" << n1(x) << "\" y1=\"" << n1(kTop) << "\" x2=\"" << n1(x) << "\" y2=\""
        << n1(kTop - 4) << "\" stroke=\"black\" stroke-width=\"0.8\"/>\n"
        << "<text x=\"" << n1(x) << "\" y=\"" << n1(kTop - 7)
        << "\" text-anchor=\"middle\" font-size=\"10\">" << pct << "%</text>\n";
  }
  const double step = dMax <= 60 ? 10.0 : dMax <= 150 ? 25.0 : 50.0;
  for (double d = 0.0; d <= dMax + 1e-9; d += step) {
    out << "<line x1=\"" << n1(kLeft - 4) << "\" y1=\"" << n1(y(d)) << "\" x2=\"" << n1(kLeft)
        << "\" y2=\"" << n1(y(d)) << "\" stroke=\"black\" stroke-width=\"0.8\"/>\n"
        << "<text x=\"" << n1(kLeft - 7) << "\" y=\"" << n1(y(d) + 3.5)
        << "\" text-anchor=\"end\" font-size=\"10\">" << fixed(d, 0) << "</text>\n";
  }
  out << "<text transform=\"translate(24 " << n1((kTop + kBottom) / 2)
      << ") rotate(-90)\" text-anchor=\"middle\">Depth (km)</text>\n"
      << "<text x=\"" << n1(kRight + 5) << "\" y=\"" << n1(kTop - 22)
      << "\" font-size=\"9\">grains</text>\n";

  // The Moho, the graphite-diamond crossing and the LAB.
  auto level = [&](double d, const char* colour, const char* dash, const std::string& label) {
    if (!(d > 0.0) || d > dMax) return;
    out << "<line x1=\"" << n1(kLeft) << "\" y1=\"" << n1(y(d)) << "\" x2=\"" << n1(kRight + 34)
        << "\" y2=\"" << n1(y(d)) << "\" stroke=\"" << colour << "\" stroke-width=\"1.4\""
        << (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : std::string())
        << "/>\n<text x=\"" << n1(kRight + 38) << "\" y=\"" << n1(y(d) + 3.5) << "\" fill=\""
        << colour << "\" font-size=\"10\">" << label << "</text>\n";
  };
  level(geotherm::kMohoKm, "#555555", "5 3", "Moho " + fixed(geotherm::kMohoKm, 0) + " km");
  if (g.dg_depth_km > 0.0)
    level(g.dg_depth_km, "#1f4e9c", "2 2", "graphite/diamond " + fixed(g.dg_depth_km, 1) + " km");
  if (g.lab_found) level(g.lab_depth_km, "#c0392b", "", "LAB " + fixed(g.lab_depth_km, 1) + " km");

  // Legend: the classes present, with their counts.
  double ly = kTop + 170.0;
  const double lx = kRight + 40.0;
  out << "<text x=\"" << n1(lx) << "\" y=\"" << n1(ly)
      << "\" font-weight=\"bold\">Class (grains drawn)</text>\n";
  auto entry = [&](const std::string& name, std::int64_t count, const char* colour) {
    ly += 16.0;
    out << "<rect x=\"" << n1(lx) << "\" y=\"" << n1(ly - 9)
        << "\" width=\"10\" height=\"10\" fill=\"" << colour
        << "\" stroke=\"#333333\" stroke-width=\"0.5\"/>\n"
        << "<text x=\"" << n1(lx + 15) << "\" y=\"" << n1(ly) << "\">" << name << " (" << count
        << ")</text>\n";
  };
  // The grains the bars show: projected, in the bins drawn.
  auto drawn = [&](auto countOf) {
    std::int64_t n = 0;
    for (std::size_t b = 0; b < p.binCount(); ++b)
      if (p.binTop(b) < dMax) n += countOf(b);
    return n;
  };
  for (std::size_t k = 0; k < kClassOrder.size(); ++k) {
    std::int64_t n = drawn([&](std::size_t b) { return p.binCount(b, k); });
    if (n > 0) entry(std::string(className(kClassOrder[k])), n, kClassColours[k]);
  }
  const std::int64_t unclassed = drawn([&](std::size_t b) { return p.binWithoutClass(b); });
  if (unclassed > 0) entry("no class", unclassed, "#ffffff");
  if (g.dg_depth_km > 0.0 && g.dg_depth_km < g.lab_depth_km) {
    ly += 16.0;
    out << "<rect x=\"" << n1(lx) << "\" y=\"" << n1(ly - 9)
        << "\" width=\"10\" height=\"10\" fill=\"#fff3c4\" stroke=\"#333333\" "
           "stroke-width=\"0.5\"/>\n"
        << "<text x=\"" << n1(lx + 15) << "\" y=\"" << n1(ly) << "\">diamond window</text>\n";
  }
  out << "</g>\n</svg>\n";
}

}  // namespace mantlept::grains
