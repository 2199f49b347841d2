// Notes and warnings about a table: counted once each, and kept short when a
// table names many unknown minerals or columns.
#include "tables/diagnostics.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "table_files.hpp"
#include "tables/association_table.hpp"
#include "tables/open_table.hpp"

namespace mantlept::tables {
namespace {

using namespace testing;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

TEST(Diagnostics, ManyKeysOfOneFamilyPrintTwentyLinesAndACount) {
  Diagnostics d;
  const int kLabels = 5000;
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < kLabels; ++i)
      d.warn("mineral:M" + std::to_string(i), "rows of mineral \"M" + std::to_string(i) + "\"");
  d.note("zero", "zero note");
  d.note("unused", "unused note");
  EXPECT_EQ(d.count("mineral:M4999"), 2);
  EXPECT_EQ(d.count("mineral:M5000"), 0);
  EXPECT_EQ(d.warningCount(), kLabels);

  std::ostringstream out;
  d.print(out, false);
  std::vector<std::string> got = lines(out.str());
  ASSERT_EQ(got.size(), 20u + 2u + 1u);
  EXPECT_EQ(got[0], "mantlept: warning: rows of mineral \"M0\" (2 times)");
  EXPECT_EQ(got[19], "mantlept: warning: rows of mineral \"M19\" (2 times)");
  EXPECT_EQ(got[20], "mantlept: note: zero note");
  EXPECT_EQ(got[22], "mantlept: warning: 4980 more like the 20 above (mineral) are not listed");

  // Keys without a family are never cut.
  Diagnostics plain;
  for (int i = 0; i < 30; ++i) plain.note("k" + std::to_string(i), "n");
  std::ostringstream all;
  plain.print(all, false);
  EXPECT_EQ(lines(all.str()).size(), 30u);
}

TEST(Diagnostics, UnusedColumnsListTheFirstTwentyAndHowManyMore) {
  std::string header = "Sample,Mineral,SiO2";
  std::string row = "A,Ol,40";
  for (int i = 0; i < 25; ++i) {
    header += ",X" + std::to_string(i);
    row += ",";
  }
  Diagnostics d;
  AssociationTable table(openTable(writeFile("unused.csv", header + "\n" + row + "\n"), ""), d);
  std::ostringstream out;
  d.print(out, false);
  std::string expected = "mantlept: note: columns not used: \"X0\"";
  for (int i = 1; i < 20; ++i) expected += ", \"X" + std::to_string(i) + "\"";
  EXPECT_EQ(out.str(), expected + " and 5 more\n");
}

// 120,000 unknown labels are counted by hash and shown as the first twenty.
TEST(Diagnostics, TalliesCountEveryItemAndShowTheFirstTwenty) {
  Diagnostics d;
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < 40000; ++i)
      d.tally("minerals", "rows skipped", "M" + std::to_string(round == 2 ? i % 25 : i));
  std::ostringstream out;
  d.print(out, false);
  // M0 to M24: twice in the first two rounds and 1600 times in the third.
  std::string expected = "mantlept: note: rows skipped: \"M0\" (1602)";
  for (int i = 1; i < 20; ++i) expected += ", \"M" + std::to_string(i) + "\" (1602)";
  EXPECT_EQ(out.str(), expected + " and 39980 more\n");
  EXPECT_EQ(d.count("minerals"), 120000);
}

}  // namespace
}  // namespace mantlept::tables
