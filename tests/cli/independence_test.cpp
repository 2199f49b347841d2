// A row of calc depends only on its own sample and pair: the same whatever
// other pairs are asked for, in whatever order, and whatever samples come
// before it. The dialogue's results file keeps its carry-over all the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "analysis_generator.hpp"
#include "e2e/program_run.hpp"

namespace mantlept::e2e {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

// Rows by "sample,thermometer,...,barometer" prefix up to the barometer label.
std::map<std::string, std::string> rowsByKey(const std::string& csv) {
  std::map<std::string, std::string> rows;
  std::vector<std::string> all = lines(csv);
  for (std::size_t i = 1; i < all.size(); ++i) {
    std::string key = all[i].substr(0, all[i].find(',')) + "|";
    std::stringstream s(all[i]);
    std::string cell;
    for (int c = 0; c < 5 && std::getline(s, cell, ','); ++c)
      if (c == 1 || c == 3) key += cell + "|";
    EXPECT_TRUE(rows.emplace(key, all[i]).second) << "twice: " << all[i];
  }
  return rows;
}

std::string generatedTable(long count) {
  bench::Random random(26);
  std::string table = bench::tableHeader() + "\n";
  for (long i = 0; i < count; ++i) {
    bench::appendTableRow(table, i, random);
    table += '\n';
  }
  return table;
}

std::string reversedRows(const std::string& table) {
  std::vector<std::string> all = lines(table);
  std::reverse(all.begin() + 1, all.end());
  std::string out;
  for (const std::string& l : all) out += l + "\n";
  return out;
}

const std::vector<std::string> kPairs = {"7,5", "8,5", "36,29", "2,1", "25,5", "23,3", "38,30"};

TEST(CalcIndependence, PairsAloneInCompanyAndSamplesReversedGiveTheSameRows) {
  const std::string table = generatedTable(120);
  std::vector<std::string> args = {"calc", "t.csv", "-x", "5", "-q"};
  for (const std::string& p : kPairs) args.insert(args.end(), {"-p", p});
  ProgramRun together = runCommand(args, {{"t.csv", table}});
  ASSERT_EQ(together.status, 0) << together.err;
  const auto all = rowsByKey(together.out);
  ASSERT_EQ(all.size(), 120u * kPairs.size());
  int ok = 0, withFO2 = 0;
  for (const auto& [key, row] : all) {
    ok += row.find(",ok,") != std::string::npos;
    withFO2 += row.find(",5,,") == std::string::npos;
  }
  EXPECT_GT(ok, 300);  // most pairs solve: the comparison below means something
  EXPECT_GT(withFO2, 50);

  // Each pair alone.
  for (const std::string& p : kPairs) {
    ProgramRun alone = runCommand({"calc", "t.csv", "-x", "5", "-q", "-p", p}, {{"t.csv", table}});
    ASSERT_EQ(alone.status, 0) << alone.err;
    for (const auto& [key, row] : rowsByKey(alone.out)) EXPECT_EQ(all.at(key), row) << p;
  }

  // The pairs in another order, the samples in reverse.
  std::vector<std::string> backwards = {"calc", "r.csv", "-x", "5", "-q"};
  for (auto p = kPairs.rbegin(); p != kPairs.rend(); ++p) backwards.insert(backwards.end(), {"-p", *p});
  ProgramRun reversed = runCommand(backwards, {{"r.csv", reversedRows(table)}});
  ASSERT_EQ(reversed.status, 0) << reversed.err;
  EXPECT_EQ(rowsByKey(reversed.out), all);

  // With Monte Carlo draws a pair's spread does not depend on its company
  // either (the draws of a sample are seeded by its position, kept here).
  ProgramRun drawnTogether =
      runCommand({"calc", "t.csv", "-q", "-p", "2,1", "-p", "7,5", "--mc", "20", "--threads", "2"},
                 {{"t.csv", generatedTable(12)}});
  ProgramRun drawnAlone = runCommand({"calc", "t.csv", "-q", "-p", "7,5", "--mc", "20"},
                                     {{"t.csv", generatedTable(12)}});
  ASSERT_EQ(drawnTogether.status, 0) << drawnTogether.err;
  for (const auto& [key, row] : rowsByKey(drawnAlone.out))
    EXPECT_EQ(rowsByKey(drawnTogether.out).at(key), row);
}

// Samples evaluated on several threads come out as on one, in input order,
// the dialogue's results file (carried from sample to sample) included; a bad
// row stops the run at the same place.
TEST(CalcIndependence, ThreadsWriteTheBytesOfOneThread) {
  const std::string table = generatedTable(301);
  std::vector<std::string> args = {"calc", "t.csv", "-x", "5", "-q", "--legacy", "l.csv"};
  for (const std::string& p : kPairs) args.insert(args.end(), {"-p", p});
  auto withThreads = [&](const std::string& n, const std::string& data) {
    std::vector<std::string> a = args;
    a.insert(a.end(), {"--threads", n});
    return runCommand(a, {{"t.csv", data}});
  };
  ProgramRun one = withThreads("1", table);
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(lines(one.out).size(), 1 + 301 * kPairs.size());
  for (const char* n : {"2", "3", "8"}) {
    ProgramRun many = withThreads(n, table);
    ASSERT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.out, one.out) << n;
    EXPECT_EQ(many.file("l.csv"), one.file("l.csv")) << n;
  }
  // Row 200 of the table (sample 199) gets a cell that is no number.
  std::vector<std::string> rows = lines(table);
  const std::size_t cut = rows[200].find(',', rows[200].find(',') + 1);
  rows[200].insert(cut + 1, "x");
  std::string bad;
  for (const std::string& r : rows) bad += r + "\n";
  ProgramRun badOne = withThreads("1", bad);
  ProgramRun badTwo = withThreads("2", bad);
  EXPECT_EQ(badOne.status, 1);
  EXPECT_EQ(badTwo.status, 1);
  EXPECT_EQ(badTwo.err, badOne.err);
  EXPECT_EQ(badTwo.out, badOne.out);
}

// A garnet-olivine sample without orthopyroxene has no ferrosilite activity:
// the garnet-olivine-orthopyroxene oxybarometer gives no value for it, even
// right after a sample that had one (the dialogue would reuse that one).
TEST(CalcIndependence, AValueAnotherSampleLeftIsNeverRead) {
  const std::string head = "Sample,Mineral,SiO2,TiO2,Al2O3,Cr2O3,FeO,MnO,MgO,CaO,Na2O,K2O,NiO\n";
  const std::string opx = ",Opx,57.52,0.10,0.82,0.36,4.92,0.12,34.61,0.95,0.21,0,0.12\n";
  const std::string ol = ",Ol,40.93,0,0.02,0.03,8.31,0.11,50.24,0.06,0,0,0.38\n";
  const std::string gt = ",Gt,42.05,0.31,20.52,4.33,6.92,0.33,20.91,5.02,0.05,0,0.01\n";
  const std::string both = head + "A" + opx + "A" + ol + "A" + gt + "B" + ol + "B" + gt;
  const std::string onlyB = head + "B" + ol + "B" + gt;
  const std::vector<std::string> args = {"calc", "t.csv", "-p", "1,1", "-x", "5", "-q",
                                         "--legacy", "legacy.csv"};
  ProgramRun run = runCommand(args, {{"t.csv", both}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> rows = lines(run.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].substr(0, 2), "A,");
  EXPECT_EQ(rows[1].find(",5,,ok"), std::string::npos) << rows[1];  // A has an fO2
  EXPECT_NE(rows[2].find(",5,,ok"), std::string::npos) << rows[2];  // B has none
  ProgramRun alone = runCommand(args, {{"t.csv", onlyB}});
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_EQ(lines(alone.out).at(1), rows[2]);
  // The dialogue's results file still carries A's activity into B, so B's
  // row there differs from B's row when B is alone.
  EXPECT_NE(lines(run.file("legacy.csv")).at(2), lines(alone.file("legacy.csv")).at(1));
}

}  // namespace
}  // namespace mantlept::e2e
