#pragma once
// This module computes in double precision.
// The grain population: counts per class, the depths of the projected grains
// in bins, the summary, the table of depth sections and the depth-section
// diagram.
#include <array>
#include <cstdint>
#include <ostream>
#include <vector>

#include "geotherm/fit.hpp"
#include "geotherm/model.hpp"
#include "grains/grain.hpp"

namespace mantlept::grains {

constexpr double kDefaultBinKm = 10.0;

class Population {
 public:
  // Bins of `bin_km` from 0 to 300 km (the last one also holds 300 km itself).
  // A grain is counted in the bin of its depth as its row writes it, between
  // the bin's edges as the sections write them.
  explicit Population(double bin_km = kDefaultBinKm);

  void add(const Grain& g);

  std::int64_t grains() const { return grains_; }
  std::int64_t classified() const { return classified_; }  // a class other than G0
  std::int64_t withoutClass() const { return withoutClass_; }
  std::int64_t withT() const { return withT_; }
  std::int64_t projected() const { return static_cast<std::int64_t>(depths_.size()); }
  std::int64_t inWindow() const { return inWindow_; }
  std::int64_t classCount(std::size_t orderIndex) const { return classes_[orderIndex]; }
  // Median depth of the projected grains (mean of the two middle ones); 0 when none.
  double medianDepth() const;

  double binKm() const { return bin_km_; }
  std::size_t binCount() const { return bins_.size(); }
  double binTop(std::size_t i) const { return static_cast<double>(i) * bin_km_; }
  double binBottom(std::size_t i) const;
  // Projected grains in bin i, and those of each class in kClassOrder.
  std::int64_t binTotal(std::size_t i) const;
  std::int64_t binCount(std::size_t i, std::size_t orderIndex) const {
    return bins_[i][orderIndex];
  }
  std::int64_t binWithoutClass(std::size_t i) const { return binNone_[i]; }
  // The bin that counts a grain whose row gives `depth_km`.
  std::size_t binOf(double depth_km) const;

 private:
  double bin_km_;
  std::int64_t grains_ = 0, classified_ = 0, withoutClass_ = 0, withT_ = 0, inWindow_ = 0;
  std::array<std::int64_t, kClassOrder.size()> classes_{};
  std::vector<std::array<std::int64_t, kClassOrder.size()>> bins_;
  std::vector<std::int64_t> binNone_;   // projected grains without a class
  std::vector<double> tops_;            // each bin's top as the sections write it
  mutable std::vector<double> depths_;  // 8 bytes a projected grain, for the median
};

enum class SummaryFormat { Text, Json };

// The clinopyroxenes of a run: grains, those kept by the screening, and the
// fit to the kept ones (null without one).
struct CpxSummary {
  std::int64_t grains = 0, kept = 0;
  const geotherm::FitResult* fit = nullptr;
};

// n_grains ... class_G12, n_cpx, n_cpx_kept, q0_lo, q0_hi, chi2,
// reduced_chi2 as `key: value` lines or one JSON object; the keys that need a
// geotherm are empty (null) when `g` is null, those of the fit without one.
void writeSummary(std::ostream& out, const Population& p, const geotherm::Geotherm* g,
                  SummaryFormat format, const CpxSummary& cpx = {});

// depth_top_km,depth_bottom_km,n,G0,...,G12: one row a bin.
void writeSections(std::ostream& out, const Population& p);

// The depth section as SVG: one bar a bin split by class share, the grain
// count of each bin, and the Moho, graphite-diamond and LAB depths.
void writeSectionDiagram(std::ostream& out, const Population& p, const geotherm::Geotherm& g,
                         const std::string& title);

}  // namespace mantlept::grains
