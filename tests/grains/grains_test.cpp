// This test computes in double precision.
// Garnet classes at their limits and in their order, the Ni-in-garnet
// thermometers, the projection onto a geotherm, and the population's bins.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/number_text.hpp"
#include "geotherm/summary.hpp"
#include "grains/classes.hpp"
#include "grains/grain.hpp"
#include "grains/population.hpp"
#include "grains/projection.hpp"
#include "grains/thermometers.hpp"

namespace mantlept::grains {
namespace {

// A garnet of the given Mg#: FeOt 7.185 wt% (0.1 mol per 100 g), MgO to match.
GarnetOxides garnet(double cr, double ca, double mg, double ti, double mn = 0.30,
                    double na = 0.02) {
  GarnetOxides g;
  g.Cr2O3 = cr;
  g.CaO = ca;
  g.TiO2 = ti;
  g.MnO = mn;
  g.Na2O = na;
  g.Al2O3 = 20.0;
  g.FeOt = 7.185;
  g.MgO = 4.03 * mg / (1.0 - mg);
  return g;
}

TEST(GarnetClasses, EachClassWithItsLimitsOnBothSides) {
  struct Case {
    const char* what;
    GarnetOxides g;
    GarnetClass expected;
  };
  using C = GarnetClass;
  const std::vector<Case> cases = {
      // G10: Cr2O3 1..22, Ca-intercept 0..3.375, Mg# 0.75..0.95; D below the CaO-Cr2O3 line
      // with MnO under 0.36.
      {"G10", garnet(8, 2, 0.85, 0.02, 0.40), C::G10},
      {"G10D", garnet(8, 2, 0.85, 0.02, 0.35), C::G10D},
      {"G10D MnO 0.36", garnet(8, 2, 0.85, 0.02, 0.36), C::G10},
      {"G10D above the line", garnet(6.87, 2, 0.85, 0.02, 0.30), C::G10},
      {"G10D on the line", garnet(6.89, 2, 0.85, 0.02, 0.30), C::G10D},
      {"G10 Cr2O3 1", garnet(1.0, 2, 0.85, 0.02), C::G10},
      {"G10 Cr2O3 0.99 is G4", garnet(0.99, 2, 0.85, 0.02), C::G4},
      {"G10 Cr2O3 22", garnet(22, 2, 0.85, 0.02), C::G0},
      {"G10 Cr2O3 21.99", garnet(21.99, 2, 0.85, 0.02, 0.4), C::G10},
      {"G10 Mg# 0.751", garnet(8, 2, 0.751, 0.02, 0.4), C::G10},
      {"G10 Mg# 0.749", garnet(8, 2, 0.749, 0.02, 0.4), C::G0},
      {"G10 Mg# 0.949", garnet(8, 2, 0.949, 0.02, 0.4), C::G10},
      {"G10 Mg# 0.951", garnet(8, 2, 0.951, 0.02, 0.4), C::G0},
      {"G10 CaO 0", garnet(8, 0, 0.85, 0.02, 0.4), C::G0},
      // G9: Ca-intercept 3.375..5.4 (CaO - Cr2O3/4 above the line), Mg# 0.70..0.90.
      {"G9", garnet(5, 5.5, 0.80, 0.2), C::G9},
      {"G9 Ca-int 3.375", garnet(5, 4.625, 0.80, 0.2), C::G9},
      {"G9 Ca-int below 3.375 is G10", garnet(5, 4.62, 0.80, 0.2, 0.4), C::G10},
      {"G9 Ca-int 5.39", garnet(5, 6.64, 0.80, 0.2), C::G9},
      {"G9 Ca-int 5.41 is G12", garnet(5, 6.66, 0.80, 0.2), C::G12},
      {"G9 Mg# 0.699 is G5", garnet(5, 5.5, 0.699, 0.2), C::G5},
      {"G9 Mg# 0.899", garnet(5, 5.5, 0.899, 0.2), C::G9},
      {"G9 Mg# 0.901", garnet(5, 5.5, 0.901, 0.2), C::G0},
      // G5: Mg# 0.3..0.7 below the TiO2 line; D with Na2O above 0.07.
      {"G5", garnet(2, 5, 0.60, 0.5, 0.3, 0.05), C::G5},
      {"G5D", garnet(2, 5, 0.60, 0.5, 0.3, 0.08), C::G5D},
      {"G5 Na2O 0.07", garnet(2, 5, 0.60, 0.5, 0.3, 0.07), C::G5},
      {"G5 TiO2 0.86", garnet(2, 5, 0.60, 0.86), C::G5},
      {"G5 TiO2 0.88", garnet(2, 5, 0.60, 0.88), C::G0},
      {"G5 Mg# 0.301", garnet(2, 5, 0.301, 0.5), C::G5},
      {"G5 Mg# 0.299", garnet(2, 5, 0.299, 0.5), C::G0},
      // G11: TiO2 from the line to 4, Cr2O3 1..20, Ca-int >= 3, Mg# 0.65..0.90.
      {"G11 only", garnet(4.5, 5, 0.68, 0.8), C::G11},
      {"G11 TiO2 3.99", garnet(4.5, 5, 0.68, 3.99), C::G11},
      {"G11 TiO2 4", garnet(4.5, 5, 0.68, 4.0), C::G0},
      {"G11 TiO2 just under the line", garnet(4.5, 5, 0.68, 0.69), C::G5},
      {"G11 Mg# 0.649", garnet(4.5, 5, 0.649, 0.8), C::G0},
      {"G11 Cr2O3 19.99", garnet(19.99, 9, 0.68, 0.8), C::G11},
      {"G11 Cr2O3 20", garnet(20, 9, 0.68, 0.8), C::G0},
      // G1: Cr2O3 below 4 (and below 1, where G11 cannot be), Ca-int 3.375..6, Mg# to 0.85.
      {"G1 Cr2O3 0.99", garnet(0.99, 5, 0.68, 0.8), C::G1},
      {"G1 Cr2O3 0", garnet(0.0, 5, 0.68, 0.8), C::G1},
      {"G1 Ca-int 6", garnet(0.5, 6.125, 0.68, 0.8), C::G0},
      {"G1 Ca-int 5.99", garnet(0.5, 6.115, 0.68, 0.8), C::G1},
      // G12: Ca-int >= 5.4, CaO below 28.
      {"G12", garnet(3, 7, 0.80, 0.1), C::G12},
      {"G12 CaO 27.99", garnet(3, 27.99, 0.80, 0.1), C::G12},
      {"G12 CaO 28", garnet(3, 28, 0.80, 0.1), C::G0},
      // G4: Cr2O3 below 1, CaO 2..6; D with Na2O.
      {"G4", garnet(0.5, 4, 0.60, 0.3), C::G4},
      {"G4D", garnet(0.5, 4, 0.60, 0.3, 0.3, 0.08), C::G4D},
      {"G4 CaO 2", garnet(0.5, 2, 0.60, 0.3), C::G4},
      {"G4 CaO 1.99", garnet(0.5, 1.99, 0.60, 0.3), C::G0},
      {"G4 CaO 6 is G3", garnet(0.5, 6, 0.60, 0.3), C::G3},
      // G3: CaO 6..32, Mg# 0.17..0.86, TiO2 below the line and below 2.
      {"G3", garnet(0.1, 8, 0.53, 0.4), C::G3},
      {"G3D", garnet(0.1, 8, 0.53, 0.4, 0.35, 0.10), C::G3D},
      {"G3 CaO 31.99", garnet(0.1, 31.99, 0.53, 0.4), C::G3},
      {"G3 CaO 32", garnet(0.1, 32, 0.53, 0.4), C::G0},
      {"G3 Mg# 0.171", garnet(0.1, 8, 0.171, 0.4), C::G3},
      {"G3 Mg# 0.169", garnet(0.1, 8, 0.169, 0.4), C::G0},
      {"G3 Mg# 0.859", garnet(0.1, 8, 0.859, 0.1), C::G3},
      {"G3 Mg# 0.861", garnet(0.1, 8, 0.861, 0.1), C::G0},
  };
  for (const Case& c : cases) EXPECT_EQ(className(classify(c.g)), className(c.expected)) << c.what;
}

TEST(GarnetClasses, FirstMatchWinsAndMissingOxidesLeaveNoClass) {
  // Meets both the G11 and the G1 limits: G11 comes first.
  GarnetOxides both = garnet(3, 5, 0.68, 0.8);
  const double mg = *mgNumber(*both.MgO, *both.FeOt);
  const double caInt = caIntercept(5, 3);
  ASSERT_TRUE(0.8 >= 2.13 - 2.1 * mg && 3.375 <= caInt && caInt < 6.0 && mg < 0.85);
  EXPECT_EQ(classify(both), GarnetClass::G11);
  // Meets G9 and G11: G9 comes first.
  EXPECT_EQ(classify(garnet(3, 5, 0.80, 0.8)), GarnetClass::G9);

  for (auto drop : {&GarnetOxides::CaO, &GarnetOxides::Cr2O3, &GarnetOxides::MgO,
                    &GarnetOxides::FeOt, &GarnetOxides::MnO, &GarnetOxides::TiO2}) {
    GarnetOxides g = garnet(8, 2, 0.85, 0.02);
    g.*drop = std::nullopt;
    EXPECT_EQ(classify(g), GarnetClass::None);
  }
  GarnetOxides noNa = garnet(0.1, 8, 0.53, 0.4, 0.35, 0.10);
  noNa.Na2O = std::nullopt;
  EXPECT_EQ(classify(noNa), GarnetClass::G3);
}

TEST(GarnetClasses, CaInterceptAndMgNumberWorkedByHand) {
  EXPECT_NEAR(caIntercept(2.0, 8.0), 13.5 * 2.0 / 21.5, 1e-12);  // below 3.375 + 2
  EXPECT_DOUBLE_EQ(caIntercept(5.5, 5.0), 4.25);                 // 5.5 - 1.25
  EXPECT_NEAR(*mgNumber(20.0, 7.0), (20 / 40.3) / (20 / 40.3 + 7 / 71.85), 1e-12);
  EXPECT_FALSE(mgNumber(0.0, 0.0));
}

TEST(NiThermometers, AgainstTheEquationsWorkedInDouble) {
  GarnetOxides g = garnet(6.0, 5.0, 0.82, 0.1);
  g.Al2O3 = 19.0;
  for (double ni : {10.0, 25.0, 60.0, 120.0}) {
    const double canil = 8772.0 / (2.53 - std::log(ni / 3000.0));
    const double ryan = 1000.0 / (1.506 - 0.189 * std::log(ni));
    const double ca = 5.0 / 56.077, mgo = *g.MgO / 40.304, fe = 7.185 / 71.844;
    const double cr = 2 * 6.0 / 151.99, al = 2 * 19.0 / 101.961;
    const double sudholz = -8254.568 / (3.023 * ca / (ca + mgo + fe) + 2.307 * cr / (cr + al) +
                                        std::log(ni / 3000.0) - 2.639);
    EXPECT_NEAR(*niTemperatureK(NiThermometer::Canil1999, ni, 3000.0, g), canil, 1e-9) << ni;
    EXPECT_NEAR(*niTemperatureK(NiThermometer::Ryan1996, ni, 3000.0, g), ryan, 1e-9) << ni;
    EXPECT_NEAR(*niTemperatureK(NiThermometer::Sudholz2021, ni, 3000.0, g), sudholz, 1e-6) << ni;
  }
  // By hand: Ni 30 ppm, olivine 3000 ppm: ln(0.01) = -4.60517; 8772 / 7.13517 = 1229.40 K.
  EXPECT_NEAR(*canil1999K(30.0, 3000.0), 1229.40, 0.01);
  // Ni 100 ppm: ln 100 = 4.60517; 1000 / (1.506 - 0.870377) = 1573.26 K.
  EXPECT_NEAR(*ryan1996K(100.0), 1573.26, 0.01);
  // No Ni, or an equation without a positive value: no temperature.
  for (auto t : {NiThermometer::Canil1999, NiThermometer::Ryan1996, NiThermometer::Sudholz2021}) {
    EXPECT_FALSE(niTemperatureK(t, std::nullopt, 3000.0, g));
    EXPECT_FALSE(niTemperatureK(t, 0.0, 3000.0, g));
    EXPECT_FALSE(niTemperatureK(t, -5.0, 3000.0, g));
  }
  EXPECT_FALSE(canil1999K(3000.0 * std::exp(3.0), 3000.0));  // divisor below 0
  EXPECT_FALSE(ryan1996K(1e6));                              // divisor below 0
}

TEST(NiThermometers, PublishedGarnetTemperatures) {
  // Garnets with Ni and the temperatures listed with them (°C); the Canil
  // values were converted with 273 K, ours with 273.15 K.
  // The validation data lie beside the project, in shared/validation.
  std::ifstream ref(std::string(MANTLEPT_SOURCE_DIR) + "/../shared/validation/sudholz_ni_in_garnet.csv");
  if (!ref) GTEST_SKIP() << "validation data not present";
  std::string line;
  std::getline(ref, line);
  int n = 0;
  while (std::getline(ref, line)) {
    std::vector<std::string> c;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');) c.push_back(cell);
    c.resize(14);
    auto num = [&](int i) {
      return c[static_cast<std::size_t>(i)].empty() ? 0.0
                                                    : std::stod(c[static_cast<std::size_t>(i)]);
    };
    GarnetOxides g;
    g.Al2O3 = num(6);
    g.FeOt = num(7);
    g.MgO = num(9);
    g.CaO = num(10);
    g.Cr2O3 = num(13);
    const double ni = num(3);
    EXPECT_NEAR(*canil1999K(ni, 3000.0) - 273.0, num(2), 0.01) << c[0];
    EXPECT_NEAR(*sudholz2021K(ni, 3000.0, g) - kKelvinAtZeroC, num(1), 0.05) << c[0];
    ++n;
  }
  EXPECT_GT(n, 100);
}

TEST(Projection, FollowsTheGeothermTable) {
  const geotherm::Geotherm g = geotherm::computeGeotherm(40.0);
  const GeothermProjection projection(g);
  // The first row that reaches T, worked by a plain scan of the table.
  auto expected = [&](double T_C) -> std::optional<double> {
    for (std::size_t i = 0; i < g.rows.size(); ++i) {
      double Ti = g.rows[i].T_K - geotherm::kZeroCelsius;
      if (Ti >= T_C) {
        if (i == 0) return g.rows[0].depth_km;
        double Ta = g.rows[i - 1].T_K - geotherm::kZeroCelsius;
        return g.rows[i - 1].depth_km + (T_C - Ta) / (Ti - Ta) * geotherm::kDepthStepKm;
      }
    }
    return std::nullopt;
  };
  for (double T : {20.0, 400.0, 800.0, 1000.0, 1100.0, 1250.0, 1300.0, 1350.0, 1380.0}) {
    auto p = projection.at(T);
    auto e = expected(T);
    ASSERT_EQ(p.has_value(), e.has_value()) << T;
    if (!p) continue;
    EXPECT_NEAR(p->depth_km, *e, 1e-9) << T;
    EXPECT_NEAR(p->P_GPa, geotherm::pressureAtDepth(*e), 1e-9) << T;
    EXPECT_EQ(p->inDiamondWindow, g.dg_depth_km <= *e && *e < g.lab_depth_km) << T;
  }
  // A row's own temperature lands on its depth.
  const geotherm::GeothermRow& row = g.rows[1200];
  EXPECT_NEAR(projection.at(row.T_K - geotherm::kZeroCelsius)->depth_km, row.depth_km, 1e-9);
  // Outside the geotherm's temperatures: no depth.
  EXPECT_FALSE(projection.at(g.rows.front().T_K - geotherm::kZeroCelsius - 1.0));
  EXPECT_FALSE(projection.at(g.rows.back().T_K - geotherm::kZeroCelsius + 1.0));
  // Both sides of the diamond window.
  auto T_at = [&](double d) { return g.temperatureAtDepth(d) - geotherm::kZeroCelsius; };
  ASSERT_GT(g.dg_depth_km, 0.0);
  EXPECT_TRUE(projection.at(T_at(g.dg_depth_km + 1.0))->inDiamondWindow);
  EXPECT_FALSE(projection.at(T_at(g.dg_depth_km - 1.0))->inDiamondWindow);
  EXPECT_FALSE(projection.at(T_at(g.lab_depth_km + 1.0))->inDiamondWindow);
}

Grain grainAt(GarnetClass c, std::optional<double> depth, bool window = false) {
  Grain g;
  g.garnetClass = c;
  if (depth) {
    g.T_C = 1000.0;
    g.depth = Projection{*depth, 0.0, window};
  }
  return g;
}

TEST(Population, BinsCountsAndSummary) {
  Population p(10.0);
  ASSERT_EQ(p.binCount(), 30u);
  p.add(grainAt(GarnetClass::G9, 9.994));  // written 9.99
  p.add(grainAt(GarnetClass::G9, 10.0));
  p.add(grainAt(GarnetClass::G10D, 155.0, true));
  p.add(grainAt(GarnetClass::None, 155.5, true));
  p.add(grainAt(GarnetClass::G0, 300.0));
  p.add(grainAt(GarnetClass::G11, std::nullopt));
  EXPECT_EQ(p.binTotal(0), 1);
  EXPECT_EQ(p.binTotal(1), 1);
  EXPECT_EQ(p.binTotal(15), 2);
  EXPECT_EQ(p.binCount(15, static_cast<std::size_t>(classIndex(GarnetClass::G10D))), 1);
  EXPECT_EQ(p.binWithoutClass(15), 1);
  EXPECT_EQ(p.binTotal(29), 1);  // 300 km itself
  EXPECT_EQ(p.grains(), 6);
  EXPECT_EQ(p.classified(), 4);  // not G0, not without class
  EXPECT_EQ(p.projected(), 5);
  EXPECT_EQ(p.inWindow(), 2);
  EXPECT_DOUBLE_EQ(p.medianDepth(), 155.0);
  p.add(grainAt(GarnetClass::G12, 200.0));
  EXPECT_DOUBLE_EQ(p.medianDepth(), (155.0 + 155.5) / 2.0);

  std::ostringstream sections;
  writeSections(sections, p);
  std::string text = sections.str();
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "depth_top_km,depth_bottom_km,n,G0,G1,G3,G3D,G4,G4D,G5,G5D,G9,G10,G10D,G11,G12");
  EXPECT_NE(text.find("\n150,160,2,0,0,0,0,0,0,0,0,0,0,1,0,0\n"), std::string::npos);
  EXPECT_NE(text.find("\n290,300,1,1,0,0,0,0,0,0,0,0,0,0,0,0\n"), std::string::npos);

  Population uneven(7.0);
  EXPECT_EQ(uneven.binCount(), 43u);
  EXPECT_DOUBLE_EQ(uneven.binBottom(42), 300.0);
}

// A grain is counted where its depth as written (2 decimals) lies between the
// bin edges as written (%g): 139.996 km is written 140.00 and counted in
// 140-150; 0.3 km lies in 0.3-0.4 though 0.3 / 0.1 is 2.9999999999999996.
TEST(Population, BinsFollowTheDepthsAndEdgesAsWritten) {
  EXPECT_EQ(writtenDepth(139.996), 140.0);
  EXPECT_EQ(writtenDepth(139.9949), 139.99);
  EXPECT_EQ(writtenDepth(0.004), 0.0);
  ASSERT_LT(std::floor(0.3 / 0.1), 3.0);  // the division this test guards against
  struct Case {
    double bin, depth;
    std::size_t expected;
  };
  const Case cases[] = {
      {10.0, 139.996, 14}, {10.0, 139.9949, 13}, {10.0, 140.0, 14},   {10.0, 9.999, 1},
      {10.0, 0.0, 0},      {10.0, 300.0, 29},    {10.0, 299.999, 29}, {0.1, 0.3, 3},
      {0.1, 0.29, 2},      {0.1, 0.7, 7},        {0.1, 299.99, 2999}, {0.1, 300.0, 2999},
      {7.0, 293.999, 42},  {7.0, 41.996, 6},     {7.0, 41.994, 5},    {0.3, 0.9, 3},
  };
  for (const Case& c : cases) {
    Population p(c.bin);
    EXPECT_EQ(p.binOf(writtenDepth(c.depth)), c.expected) << c.bin << " km bins, " << c.depth;
    p.add(grainAt(GarnetClass::G9, c.depth));
    EXPECT_EQ(p.binTotal(c.expected), 1) << c.bin << " km bins, " << c.depth;
  }
}

TEST(Population, SummaryWithoutAndWithAGeotherm) {
  Population p;
  p.add(grainAt(GarnetClass::G9, std::nullopt));
  std::ostringstream text, json;
  writeSummary(text, p, nullptr, SummaryFormat::Text);
  writeSummary(json, p, nullptr, SummaryFormat::Json);
  EXPECT_NE(text.str().find("n_grains: 1\nn_classified: 1\nn_with_T: 0\nn_projected:\nq0:\n"),
            std::string::npos);
  EXPECT_NE(text.str().find("median_depth_km:\nclass_G0: 0\n"), std::string::npos);
  EXPECT_NE(json.str().find("\"fraction_in_window\": null"), std::string::npos);
  EXPECT_NE(json.str().find("\"class_G9\": 1"), std::string::npos);

  const geotherm::Geotherm g = geotherm::computeGeotherm(40.0);
  std::ostringstream none;  // a geotherm but no grain projected: no fraction, no NaN
  writeSummary(none, p, &g, SummaryFormat::Json);
  EXPECT_NE(none.str().find("\"n_projected\": 0, \"q0\": 40.000"), std::string::npos);
  EXPECT_NE(none.str().find("\"fraction_in_window\": null"), std::string::npos);
  EXPECT_EQ(none.str().find("nan"), std::string::npos);
}

TEST(Population, DepthSectionDiagram) {
  const geotherm::Geotherm g = geotherm::computeGeotherm(40.0);
  Population p(10.0);
  p.add(grainAt(GarnetClass::G9, 101.0));
  p.add(grainAt(GarnetClass::G10D, 155.0, true));
  p.add(grainAt(GarnetClass::G10D, 156.0, true));
  p.add(grainAt(GarnetClass::None, 157.0, true));
  p.add(grainAt(GarnetClass::G12, 250.0));  // below the LAB: the depth axis reaches 260 km
  std::ostringstream out;
  writeSectionDiagram(out, p, g, "a <title>");
  const std::string svg = out.str();
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  EXPECT_NE(svg.find("a &lt;title&gt;"), std::string::npos);
  EXPECT_NE(svg.find(">Moho 39 km<"), std::string::npos);
  char label[64];
  std::snprintf(label, sizeof label, ">LAB %.1f km<", g.lab_depth_km);
  EXPECT_NE(svg.find(label), std::string::npos);
  std::snprintf(label, sizeof label, ">graphite/diamond %.1f km<", g.dg_depth_km);
  EXPECT_NE(svg.find(label), std::string::npos);
  EXPECT_NE(svg.find(">G10D (2)<"), std::string::npos);
  EXPECT_NE(svg.find(">no class (1)<"), std::string::npos);
  EXPECT_NE(svg.find(">3</text>"), std::string::npos);    // the 150-160 km bin
  EXPECT_NE(svg.find(">250</text>"), std::string::npos);  // a depth tick at 250 km
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

TEST(Grain, NickelKeptAsReadAndFromNiO) {
  Association a;
  a.clear();
  a.sample = "KX-1";
  a.present[Gar] = true;
  a.ox[Gar].CaO = 5.0f;
  a.ox[Gar].MgO = 20.0f;
  a.ox[Gar].FeO = 7.0f;
  a.ox[Gar].NiO = 0.0101f;
  a.niPpm[Gar] = 79.3;
  EXPECT_EQ(*garnetNi_ppm(a), 79.3);
  a.niPpm[Gar] = 0.0;
  EXPECT_DOUBLE_EQ(*garnetNi_ppm(a), 0.0101 / 1.2725e-4);
  a.ox[Gar].NiO = 0.0f;
  EXPECT_FALSE(garnetNi_ppm(a));
  // Oxides as written: Na2O 0.07 read into a float stays at the class limit.
  a.ox[Gar].Na2O = 0.07f;
  EXPECT_EQ(*garnetOxides(a).Na2O, 0.07);
  Grain g = evaluateGrain(a, GrainSettings{}, nullptr);
  std::string row;
  appendGrainRow(row, g);
  EXPECT_EQ(row.substr(0, row.find(',', 5) + 1), "KX-1,G4,");
  EXPECT_NE(row.find(",,,,,\n"), std::string::npos);  // no Ni: no T, no depth
}

// The numbers of a grain row, against the text they stand for read back by
// the C library: the shortest text of a float, and printf's fixed decimals.
TEST(GrainNumbers, ValuesAsTheirTextReadsBack) {
  std::vector<float> floats = {0.0f, -0.0f, 0.07f, -0.07f, 5.0f, -3.0f, 1.5e-5f, 0.1f, 1e-30f,
                               1.2345678e-20f, 3e38f, 16777217.0f, 0.333333343f, 1.4e-45f};
  for (int k = 0; k <= 20000; ++k)  // oxides of two decimals as the tables read them
    floats.push_back(std::strtof(std::to_string(k / 100.0).c_str(), nullptr));
  std::mt19937 rng(5);
  for (int i = 0; i < 200000; ++i) {
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    if (std::isfinite(f)) floats.push_back(f);
  }
  for (float f : floats) {
    std::string text;
    appendShortestFixed(text, f);
    const double expected = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(asWritten(f)), std::bit_cast<std::uint64_t>(expected))
        << text;
  }

  std::vector<double> doubles = {0.0,  -0.0,  -0.004, 0.005,        0.015,          0.125,
                                 2.5,  1e300, -1e-300, 999999999.995, 1e9 + 0.5, 8.5e-7};
  for (int k = -4000; k <= 4000; ++k)  // ties at every number of decimals
    for (int j = 1; j <= 7; ++j) doubles.push_back(std::ldexp(2.0 * k + 1.0, -j));
  std::uniform_real_distribution<double> depth(-10.0, 320.0);
  for (int i = 0; i < 100000; ++i) doubles.push_back(depth(rng));
  for (int i = 0; i < 20000; ++i)  // the cells printf rounds at, and their neighbours
    for (double v : {std::round(depth(rng) * 1e4) / 1e4 + 5e-5, std::round(depth(rng) * 1e3) / 1e3 + 5e-4})
      for (double u : {v, std::nextafter(v, 0.0), std::nextafter(v, 400.0)}) doubles.push_back(u);
  for (double v : doubles) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
      char text[400];
      std::snprintf(text, sizeof text, "%.*f", decimals, v);
      std::string printed;
      appendFixedDecimals(printed, v, decimals);
      ASSERT_EQ(printed, text) << v;
      if (printed.find_first_not_of("-0.") == std::string::npos && printed[0] == '-')
        printed.erase(0, 1);
      ASSERT_EQ(geotherm::fixed(v, decimals), printed) << v;
      if (decimals != 2) continue;
      ASSERT_EQ(std::bit_cast<std::uint64_t>(writtenDepth(v)),
                std::bit_cast<std::uint64_t>(std::strtod(printed.c_str(), nullptr)))
          << v;
    }
  }
}

}  // namespace
}  // namespace mantlept::grains
