// The synthetic analysis files: deterministic, readable by the program's own
// reader, and mineralogically plausible.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analysis_generator.hpp"
#include "minerals/analysis_reader.hpp"
#include "minerals/formula.hpp"

namespace mantlept::bench {
namespace {

std::string generate(std::uint64_t seed, long count, bool table = false) {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_memstream(&data, &size);
  EXPECT_NE(f, nullptr);
  EXPECT_TRUE(table ? writeAnalysisTable(f, seed, count) : writeAnalysisFile(f, seed, count));
  std::fclose(f);
  std::string text(data, size);
  std::free(data);
  return text;
}

std::vector<std::string> cellsOf(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream s(row);
  for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
  if (!row.empty() && row.back() == ',') cells.emplace_back();  // a last empty cell
  return cells;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) lines.push_back(line);
  return lines;
}

// Every mineral line of a file, read back with the program's reader.
std::vector<MineralAnalysis> analysesOf(const std::string& text) {
  std::vector<MineralAnalysis> out;
  for (const std::string& line : linesOf(text)) {
    if (line.empty()) continue;
    MineralAnalysis a;
    std::string error;
    EXPECT_TRUE(parseAnalysisLine(line, a, error)) << error << "\n" << line;
    out.push_back(a);
  }
  return out;
}

TEST(AnalysisGenerator, SameSeedSameBytesOtherSeedOtherBytes) {
  std::string a = generate(42, 300);
  EXPECT_EQ(a, generate(42, 300));
  EXPECT_NE(a, generate(43, 300));
  // A shorter file of one seed is the start of a longer one (less its end line).
  std::string shorter = generate(42, 100);
  ASSERT_EQ(shorter.back(), '\n');
  EXPECT_EQ(a.compare(0, shorter.size() - 1, shorter, 0, shorter.size() - 1), 0);
}

TEST(AnalysisGenerator, RandomSequenceIsSplitMix64) {
  // First outputs of SplitMix64 from seed 0, worked out from its definition:
  // z = 0x9E3779B97F4A7C15, then the two xor-shift-multiply rounds.
  Random r(0);
  EXPECT_EQ(r.next(), 0xE220A8397B1DCDAFULL);
  EXPECT_EQ(r.next(), 0x6E789E6AA1B965F4ULL);
  Random u(7);
  for (int i = 0; i < 1000; ++i) {
    double x = u.unit();
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
  }
}

TEST(AnalysisGenerator, LinesHaveTheFixedColumnLayout) {
  std::string text = generate(1, 200);
  std::vector<std::string> lines = linesOf(text);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "");  // a blank line closes the last association
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_EQ(line.size(), 144u) << line;
    EXPECT_EQ(line[0], 'S');
    EXPECT_NE(std::string("EDOSGI").find(line[8]), std::string::npos) << line;
    EXPECT_EQ(line.substr(9, 7), "       ");
    for (int k = 0; k < 12; ++k) {
      // Each field is F8.2: a point three characters from its right end.
      EXPECT_EQ(line[16 + 8 * k + 5], '.') << line;
    }
  }
}

TEST(AnalysisGenerator, ReaderSeesEveryAssociationOnce) {
  const long count = 250;
  std::string text = generate(9, count);
  std::FILE* f = fmemopen(text.data(), text.size(), "r");
  ASSERT_NE(f, nullptr);
  AnalysisReader reader(f, "generated");
  Association a;
  const AssociationInfo& info = a.info;
  long seen = 0;
  std::set<std::string> names;
  for (;;) {
    AnalysisReader::Status status = reader.next(a);
    ASSERT_NE(status, AnalysisReader::Status::Unreadable) << reader.message();
    if (status == AnalysisReader::Status::End) break;
    EXPECT_EQ(std::string(info.nameText()), sampleName(seen));
    names.insert(std::string(info.nameText()));
    ++seen;
  }
  std::fclose(f);
  EXPECT_EQ(seen, count);
  EXPECT_EQ(names.size(), static_cast<std::size_t>(count));
}

TEST(AnalysisGenerator, SomeMineralsMissingAtRandom) {
  std::string text = generate(5, 2000);
  std::map<std::string, std::string> codes;  // sample -> its code letters
  for (const MineralAnalysis& a : analysesOf(text)) {
    codes[std::string(a.name.data(), 8)] += a.code;
  }
  ASSERT_EQ(codes.size(), 2000u);
  for (char mineral : std::string("EDOSGI")) {
    int with = 0;
    for (const auto& [name, letters] : codes) with += letters.find(mineral) != std::string::npos;
    EXPECT_GT(with, 0) << mineral;
    EXPECT_LT(with, 2000) << mineral;
  }
  for (const auto& [name, letters] : codes) EXPECT_FALSE(letters.empty()) << name;
}

// Bounds of mantle xenolith and concentrate minerals as compiled in the
// literature (wt%), wider than any single suite.
struct PublishedRange {
  char code;
  int oxide;  // column index
  double low, high;
};
constexpr PublishedRange kPublished[] = {
    {'E', 0, 54.0, 59.0},  {'E', 2, 0.3, 6.0},   {'E', 6, 29.0, 38.0},  {'E', 7, 0.2, 2.5},
    {'D', 0, 51.0, 56.5},  {'D', 2, 0.5, 8.0},   {'D', 6, 14.0, 20.0},  {'D', 7, 14.0, 24.0},
    {'D', 8, 0.3, 3.5},    {'O', 0, 39.5, 42.5}, {'O', 4, 5.5, 12.5},   {'O', 6, 45.0, 53.0},
    {'O', 10, 0.25, 0.5},  {'S', 2, 8.0, 62.0},  {'S', 3, 5.0, 62.0},   {'S', 6, 10.0, 23.0},
    {'G', 0, 40.0, 43.5},  {'G', 2, 15.0, 24.5}, {'G', 3, 0.2, 12.0},   {'G', 4, 4.5, 12.0},
    {'G', 6, 17.0, 24.0},  {'G', 7, 2.5, 10.0},  {'I', 1, 44.0, 55.0},  {'I', 4, 25.0, 46.0},
    {'I', 6, 6.0, 16.0},
};

TEST(AnalysisGenerator, OxidesWithinPublishedRangesAndTotals) {
  for (const MineralAnalysis& a : analysesOf(generate(11, 1500))) {
    double total = 0.0;
    for (int k = 0; k < 12; ++k) {
      EXPECT_GE(a.ox[k], 0.0f);
      total += static_cast<double>(a.ox[k]);
    }
    EXPECT_GT(total, 98.4) << a.code;
    EXPECT_LT(total, 100.7) << a.code;
    for (const PublishedRange& r : kPublished) {
      if (r.code != a.code) continue;
      double v = static_cast<double>(a.ox[r.oxide]);
      EXPECT_GE(v, r.low) << a.code << " oxide " << r.oxide;
      EXPECT_LE(v, r.high) << a.code << " oxide " << r.oxide;
    }
  }
}

TEST(AnalysisGenerator, FormulasAreNearlyStoichiometric) {
  // Ideal cations on the oxygen basis of each mineral (pyroxenes 4 on 6 O,
  // olivine and spinel 3 on 4 O, garnet 8 on 12 O, ilmenite 2 on 3 O), with
  // all iron ferrous: the hematite component of picroilmenite, counted as FeO,
  // raises its sum above 2. Si of olivine 1 and of garnet 3 per formula.
  struct Ideal {
    char code;
    int slot;
    double low, high;
  };
  const Ideal ideal[] = {{'E', 1, 3.94, 4.06}, {'D', 2, 3.92, 4.08}, {'O', 3, 2.97, 3.03},
                         {'S', 4, 2.92, 3.08}, {'G', 5, 7.90, 8.10}, {'I', 7, 1.97, 2.16}};
  for (const MineralAnalysis& a : analysesOf(generate(3, 1000))) {
    for (const Ideal& i : ideal) {
      if (i.code != a.code) continue;
      CationFormula c = recalculate(a.ox, i.slot, false).cat;
      EXPECT_GE(c.Sum, i.low) << a.code;
      EXPECT_LE(c.Sum, i.high) << a.code;
      if (a.code == 'O') {
        EXPECT_NEAR(c.Si, 1.0, 0.03);
      }
      if (a.code == 'G') {
        EXPECT_NEAR(c.Si, 3.0, 0.08);
      }
    }
  }
}

TEST(AnalysisGenerator, TableHoldsTheValuesOfTheFixedColumnFile) {
  const long count = 400;
  std::vector<std::string> rows = linesOf(generate(17, count, true));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(count) + 1);
  std::vector<std::string> header = cellsOf(rows[0]);
  ASSERT_EQ(header.size(), 73u);
  EXPECT_EQ(header[0], "Sample");
  EXPECT_EQ(header[1], "SiO2_Opx");
  EXPECT_EQ(header[13], "SiO2_Cpx");
  EXPECT_EQ(header[72], "Fe2O3_Ilm");

  // Each sample's minerals as the program reads its fixed-column lines.
  std::map<std::string, std::map<std::size_t, MineralAnalysis>> lines;
  for (const MineralAnalysis& a : analysesOf(generate(17, count))) {
    std::size_t m = std::string("EDOSGI").find(a.code);
    ASSERT_NE(m, std::string::npos);
    lines[std::string(a.name.data(), 8)][m] = a;
  }
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));

  int absent = 0;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    std::vector<std::string> cells = cellsOf(rows[r]);
    ASSERT_EQ(cells.size(), 73u) << rows[r];
    ASSERT_TRUE(lines.count(cells[0])) << cells[0];
    const std::map<std::size_t, MineralAnalysis>& minerals = lines[cells[0]];
    for (std::size_t c = 1; c < 73; ++c) {
      // Empty exactly where the fixed-column file has no line; else the same
      // single-precision value.
      std::size_t m = (c - 1) / 12;
      int k = static_cast<int>((c - 1) % 12);
      auto line = minerals.find(m);
      ASSERT_EQ(cells[c].empty(), line == minerals.end()) << cells[0] << " " << header[c];
      if (cells[c].empty()) {
        ++absent;
        continue;
      }
      EXPECT_EQ(std::strtof(cells[c].c_str(), nullptr), line->second.ox[k])
          << cells[0] << " " << header[c] << " " << cells[c];
    }
  }
  EXPECT_GT(absent, 0);
}

TEST(AnalysisGenerator, LineAndNameEdgeCases) {
  Oxides ox{};
  ox[0] = 45.125;  // rounds in F8.2 either way; only the width matters here
  ox[11] = 99.99;
  std::string line = analysisLine("LONGNAME99", 'G', ox, std::string(40, 'x'));
  ASSERT_EQ(line.size(), 144u);
  EXPECT_EQ(line.substr(0, 9), "LONGNAMEG");
  EXPECT_EQ(line.substr(24, 8), "    0.00");
  EXPECT_EQ(line.substr(104, 8), "   99.99");
  EXPECT_EQ(line.substr(112), std::string(32, 'x'));
  std::string shortLine = analysisLine("A", 'O', Oxides{}, "");
  EXPECT_EQ(shortLine.substr(0, 9), "A       O");
  EXPECT_EQ(shortLine.substr(112), std::string(32, ' '));

  EXPECT_EQ(sampleName(0), "S0000000");
  EXPECT_EQ(sampleName(1234), "S0001234");
  EXPECT_EQ(sampleName(9999999), "S9999999");
  EXPECT_EQ(sampleName(10000000), "S0000000");  // wraps; neighbours still differ
}

}  // namespace
}  // namespace mantlept::bench

namespace mantlept::bench {
namespace {

// The spot tables hold every present mineral of the wide table as two rows
// whose values average, in hundredths, to the wide table's value.
TEST(AnalysisGenerator, SpotTablesAverageToTheWideTable) {
  const long count = 300;
  std::vector<std::string> wide = linesOf(generate(23, count, true));
  std::vector<std::string> header = cellsOf(wide[0]);
  std::vector<std::string> tables[kSpotTables];
  Random random(23);
  for (long i = 0; i < count; ++i) appendSpotRows(tables, i, random);
  EXPECT_EQ(spotTableHeader(), "Sample,Mineral,Spot,SiO2,TiO2,Al2O3,Cr2O3,FeO,MnO,MgO,CaO,"
                               "Na2O,K2O,NiO,Fe2O3");
  // Hundredths summed over the spots of each sample's mineral.
  std::map<std::string, std::vector<long>> sums;
  std::map<std::string, int> spots;
  for (std::size_t t = 0; t < kSpotTables; ++t) {
    for (const std::string& row : tables[t]) {
      std::vector<std::string> cells = cellsOf(row);
      ASSERT_EQ(cells.size(), 15u) << row;
      std::string key = cells[0] + "_" + cells[1];
      std::vector<long>& sum = sums[key];
      sum.resize(12);
      ++spots[key];
      for (std::size_t k = 0; k < 12; ++k) {
        long h = std::lround(std::strtod(cells[k + 3].c_str(), nullptr) * 100);
        EXPECT_GE(h, 0) << row;
        sum[k] += h;
      }
    }
  }
  std::size_t present = 0;
  for (std::size_t r = 1; r < wide.size(); ++r) {
    std::vector<std::string> cells = cellsOf(wide[r]);
    for (std::size_t c = 1; c < cells.size(); c += 12) {
      std::string mineral = header[c].substr(header[c].find('_') + 1);
      std::string key = cells[0] + "_" + mineral;
      ASSERT_EQ(sums.count(key) == 1, !cells[c].empty()) << key;
      if (cells[c].empty()) continue;
      ++present;
      EXPECT_EQ(spots[key], 2) << key;
      for (std::size_t k = 0; k < 12; ++k)
        EXPECT_EQ(sums[key][k], 2 * std::lround(std::strtod(cells[c + k].c_str(), nullptr) * 100))
            << key << " " << header[c + k];
    }
  }
  EXPECT_EQ(present, sums.size());
}

}  // namespace
}  // namespace mantlept::bench
