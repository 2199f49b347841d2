// The summary of a sample and the offsets from the reference, on rows made
// by hand and worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "report/compare_summary.hpp"

namespace mantlept {
namespace {

CompareRow row(int method, CombinationStatus status, float t_C, float p_kbar = 30.0f) {
  CompareRow r;
  r.method = method;
  r.outcome.status = status;
  r.outcome.result.temperature = t_C;
  r.outcome.result.pressure = p_kbar;
  return r;
}

constexpr auto Ok = CombinationStatus::Ok;
constexpr auto Capped = CombinationStatus::Capped;
constexpr auto Rejected = CombinationStatus::Rejected;
constexpr auto Incomplete = CombinationStatus::Incomplete;

TEST(CompareSummary, OverTheRowsOkOrCapped) {
  struct Case {
    const char* what;
    std::vector<CompareRow> rows;
    std::string line;  // the summary row of sample "S"
  };
  const Case cases[] = {
      {"even count: the mean of the middle two; rejected and incomplete left out",
       {row(7, Ok, 1000.0f), row(24, Capped, 1100.0f), row(28, Ok, 950.0f), row(36, Ok, 1200.0f),
        row(20, Rejected, 400.0f), row(26, Incomplete, 2000.0f)},
       "S,6,4,1050,950,1200,250,1200,28,36\n"},
      {"odd count, reference without a value",
       {row(7, Ok, 1010.5f), row(36, Incomplete, 0.0f), row(8, Ok, 990.25f), row(13, Ok, 1500.0f)},
       "S,4,3,1010.5,990.25,1500,509.75,,8,13\n"},
      {"a tie at the minimum names the first", {row(5, Ok, 900.0f), row(2, Ok, 900.0f)},
       "S,2,2,900,900,900,0,,5,5\n"},
      {"no value at all", {row(36, Incomplete, 0.0f)}, "S,1,0,,,,,,,\n"},
      {"no row", {}, "S,0,0,,,,,,,\n"},
  };
  for (const Case& c : cases) {
    std::string out;
    appendSummaryRow(out, "S", summarizeSample(MethodKind::Thermometer, 36, c.rows), false);
    EXPECT_EQ(out, c.line) << c.what;
  }
  // Barometers are compared on P.
  std::string p;
  appendSummaryRow(p, "S",
                   summarizeSample(MethodKind::Barometer, 5,
                                   {row(5, Ok, 1000.0f, 40.0f), row(2, Ok, 1000.0f, 30.5f)}),
                   false);
  EXPECT_EQ(p, "S,2,2,35.25,30.5,40,9.5,40,2,5\n");
  EXPECT_EQ(summaryHeader(MethodKind::Barometer, false),
            "sample,n_methods,n_ok,P_median,P_min,P_max,P_spread,P_reference,min_method,max_method");
}

TEST(CompareSummary, SpreadAgainstTheMethodsOwnSigma) {
  auto drawn = [](int method, float t, double p16, double p84) {
    CompareRow r = row(method, Ok, t);
    r.spread.T = Spread{true, t, p16, p84};
    return r;
  };
  // 1-sigma 10, 20 and 30: median 20; spread 50 > 40, then 30 < 40.
  std::string out;
  appendSummaryRow(out, "A",
                   summarizeSample(MethodKind::Thermometer, 36,
                                   {drawn(7, 1000, 990, 1010), drawn(36, 1050, 1030, 1070),
                                    drawn(8, 1020, 990, 1050)}),
                   true);
  appendSummaryRow(out, "B",
                   summarizeSample(MethodKind::Thermometer, 36,
                                   {drawn(7, 1000, 990, 1010), drawn(36, 1030, 1010, 1050)}),
                   true);
  EXPECT_EQ(out,
            "A,3,3,1020,1000,1050,50,1050,7,36,20,true\n"
            "B,2,2,1015,1000,1030,30,1030,7,36,15,false\n");
}

TEST(CompareOffsets, MeanSdAndRangeOverSamplesWithTheReference) {
  OffsetTable t(MethodKind::Thermometer, 36, {7, 36, 24, 7});
  t.add({row(36, Ok, 1000.0f), row(7, Ok, 1100.0f), row(24, Ok, 950.0f)});
  t.add({row(36, Capped, 900.0f), row(7, Ok, 1060.0f), row(24, Incomplete, 0.0f)});
  t.add({row(36, Ok, 1200.0f), row(7, Ok, 1330.0f)});
  // No reference value: nothing from this sample.
  t.add({row(36, Rejected, 3000.0f), row(7, Ok, 100.0f), row(24, Ok, 5000.0f)});
  t.add({row(7, Ok, 100.0f)});
  // Offsets of 7: 100, 160, 130: mean 130, sd sqrt((900 + 900 + 0) / 2) = 30.
  // Offsets of 24: -50 alone: no sd.
  EXPECT_EQ(t.text(),
            "method,label,n,mean_offset,sd_offset,min_offset,max_offset\n"
            "7,BreyKohler90 2Px,3,130,30,100,160\n"
            "24,EllisGreen79CpGA,1,-50,,-50,-50\n");
  EXPECT_NEAR(*t.offsets()[0].sd(), 30.0, 1e-9);
}

}  // namespace
}  // namespace mantlept
