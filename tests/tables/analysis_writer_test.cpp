// Associations written as fixed-column analysis lines and read back.
#include "tables/analysis_writer.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "minerals/analysis_reader.hpp"
#include "tables/row_source.hpp"

namespace mantlept::tables {
namespace {

Association make(const std::string& sample, const std::string& description = "") {
  Association a;
  a.clear();
  a.sample = sample;
  a.info.set(sample, description);
  return a;
}

TEST(AnalysisWriter, LinesReadBackToTheSameValues) {
  Association a = make("CIM15-001", "garnet lherzolite, coarse, from the lower pipe");
  a.present[Opx] = a.present[Gar] = a.present[Ilm] = true;
  const float opx[12] = {57.62f, 0.31f, 0.99f, 0.33f, 5.17f, 0.12f,
                         34.25f, 1.24f, 0.32f, 0,     0.13f, 0};
  for (int k = 0; k < 12; ++k) {
    a.ox[Opx][k] = opx[k];
    a.ox[Gar][k] = 0.0166f * static_cast<float>(k + 1);
    a.ox[Ilm][k] = k == 1 ? 9999.999f : k == 2 ? -999.999f : 0.0005f * static_cast<float>(k);
  }
  std::string out;
  appendAnalysisLines(out, a);

  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(out.substr(at, end - at));
  ASSERT_EQ(lines.size(), 3u);
  const char codes[3] = {'E', 'G', 'I'};
  const int slots[3] = {Opx, Gar, Ilm};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].size(), 144u);
    MineralAnalysis back;
    std::string error;
    ASSERT_TRUE(parseAnalysisLine(lines[i], back, error)) << error;
    EXPECT_EQ(std::string(back.name.data(), 8), "CIM15-00");
    EXPECT_EQ(back.code, codes[i]);
    EXPECT_EQ(std::string(back.description.data(), 32), "garnet lherzolite, coarse, from ");
    for (int k = 0; k < 12; ++k) {
      double written = static_cast<double>(a.ox[static_cast<std::size_t>(slots[i])][k]);
      EXPECT_NEAR(static_cast<double>(back.ox[k]), std::round(written * 1000) / 1000, 1e-4)
          << codes[i] << " oxide " << k;
    }
  }
}

TEST(AnalysisWriter, ValuesBeyondTheFieldAreErrors) {
  const float cases[] = {10000.0f, 12000.0f, -1000.0f, -5000.0f, NAN};
  for (float v : cases) {
    Association a = make("KX-7");
    a.present[Cpx] = true;
    a.ox[Cpx].Al2O3 = v;
    std::string out;
    try {
      appendAnalysisLines(out, a);
      ADD_FAILURE() << v;
    } catch (const TableError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("mantlept: sample \"KX-7\": Al2O3 of Cpx ("))
          << e.what();
    }
  }
}

TEST(SampleNameChecker, NamesThatWouldMerge) {
  struct Case {
    std::vector<std::string> samples;
    std::string error;
  } cases[] = {
      {{"A", "B", "A"}, ""},
      {{"CIM15-001", "CIM15-003"},
       "mantlept: consecutive samples \"CIM15-001\" and \"CIM15-003\" agree in the 8 characters "
       "the analysis file keeps and would be read back as one association"},
      {{"KX-1", "KX-2", "KX-2"},
       "mantlept: consecutive samples \"KX-2\" and \"KX-2\" have one name and would be read back "
       "as one association"},
  };
  for (const Case& c : cases) {
    SampleNameChecker checker;
    std::string error;
    try {
      for (const std::string& s : c.samples) checker.check(make(s));
    } catch (const TableError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace mantlept::tables
