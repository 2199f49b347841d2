// This test computes in double precision.
// The evaluation behind `grains`: the stop check it is given is asked once
// before each sample and once after the last, also when the geotherm is
// fitted to the clinopyroxenes, so that a progress count riding on it ends at
// the sample count; the fit asks its own check.
#include "run/grains_run.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tables/table_files.hpp"

namespace mantlept {
namespace {

// Made-up Cr-diopsides that pass the screen, repeated, and garnets.
std::string concentrate(int copies) {
  std::string t =
      "Sample,SiO2_Cpx,TiO2_Cpx,Al2O3_Cpx,Cr2O3_Cpx,FeOt_Cpx,MnO_Cpx,MgO_Cpx,CaO_Cpx,Na2O_Cpx,"
      "K2O_Cpx,NiO_Cpx,SiO2_Gt,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt,Na2O_Gt,"
      "Ni_Gt\n";
  for (int k = 0; k < copies; ++k) {
    const std::string n = std::to_string(k);
    t += "C1_" + n + ",53.09,0.19,2.85,2.84,1.85,0.09,17.62,18.85,2.23,0.03,0.04,,,,,,,,,,\n";
    t += "C2_" + n + ",54.73,0.25,2.63,2.59,1.92,0.09,18.15,16.74,2.55,0.03,0.04,,,,,,,,,,\n";
    t += "G1_" + n + ",,,,,,,,,,,,41.56,0.53,20.47,3.71,7.64,0.40,19.02,5.83,0.04,44.4\n";
  }
  return t;
}

TEST(GrainsRun, TheStopCheckCountsTheSamplesAloneAndTheFitAsksItsOwn) {
  const std::string path = tables::testing::writeFile("concentrate.csv", concentrate(2000));
  AnalysisOptions eachRow;
  eachRow.rowsAlone = true;
  std::unique_ptr<AnalysisInput> input = openAnalyses({path}, "", eachRow);
  GrainsRequest request;
  request.fitCpx = true;
  request.threads = 2;
  request.quiet = true;
  int asks = 0, fitAsks = 0;
  request.fitStopped = [&fitAsks] { return ++fitAsks < 0; };
  GrainsRun run;
  std::ostringstream notes;
  ASSERT_TRUE(evaluateGrains(*input, request, run, {}, {}, notes, [&asks] { return ++asks < 0; }));
  EXPECT_EQ(asks, 6000 + 1);
  EXPECT_EQ(run.population.grains(), 2000);
  EXPECT_GT(fitAsks, 40);  // every chi² sum of the fit asks it
}

}  // namespace
}  // namespace mantlept
