// mantlept compare through the command line: which methods a sample gets,
// the fixed-pressure mode against calc, and the summary and offsets worked
// again from the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <tuple>
#include <sstream>

#include "e2e/program_run.hpp"

namespace mantlept::e2e {
namespace {

using Table = std::vector<std::map<std::string, std::string>>;

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      out.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// A CSV text as rows of named cells.
Table table(const std::string& text) {
  std::stringstream s(text);
  std::string line;
  std::getline(s, line);
  const std::vector<std::string> names = cells(line);
  Table rows;
  while (std::getline(s, line)) {
    const std::vector<std::string> c = cells(line);
    EXPECT_EQ(c.size(), names.size()) << line;
    std::map<std::string, std::string> row;
    for (std::size_t k = 0; k < names.size() && k < c.size(); ++k) row[names[k]] = c[k];
    rows.push_back(row);
  }
  return rows;
}

std::optional<double> number(const std::string& cell) {
  if (cell.empty()) return std::nullopt;
  return std::stod(cell);
}

std::string example() { return readAll(std::string(MANTLEPT_SOURCE_DIR) + "/examples/xenoliths.csv"); }

// The garnet thermometers of the catalogue, by their papers: garnet against
// orthopyroxene, clinopyroxene or olivine, Ni in garnet, garnet alone.
const std::set<int> kGarnetThermometers = {20, 22, 23, 24, 25, 26, 27, 28,
                                           29, 31, 37, 39, 40, 41, 42, 44};

TEST(Compare, SampleWithoutGarnetGetsNoGarnetThermometer) {
  ProgramRun run = runCommand({"compare", "x.csv", "--barometer", "5"}, {{"x.csv", example()}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::map<std::string, std::set<int>> methods;
  for (const auto& row : table(run.out)) {
    EXPECT_EQ(row.at("barometer"), "5");
    methods[row.at("sample")].insert(std::stoi(row.at("thermometer")));
  }
  // SL-07 is a spinel lherzolite: two pyroxenes, olivine, spinel, no garnet.
  ASSERT_TRUE(methods.count("SL-07"));
  for (int t : methods["SL-07"]) EXPECT_FALSE(kGarnetThermometers.count(t)) << t;
  for (int t : {7, 36, 12, 33}) EXPECT_TRUE(methods["SL-07"].count(t)) << t;
  // KX-101 holds every silicate and garnet: the garnet thermometers apply.
  for (int t : {20, 24, 25, 26, 28, 39}) EXPECT_TRUE(methods["KX-101"].count(t)) << t;
  // The harzburgite KX-120 has no clinopyroxene: no two-pyroxene rows at all.
  for (int t : {2, 3, 5, 7, 9, 10, 36}) EXPECT_FALSE(methods["KX-120"].count(t)) << t;
  // Fixed values and previous results are not compared.
  for (auto& [sample, set] : methods)
    for (int t : {1, 14, 15, 16, 17}) EXPECT_FALSE(set.count(t)) << sample << ' ' << t;
  // The spinel lherzolite has no garnet for barometer 5 either.
  EXPECT_NE(run.err.find("without the minerals of barometer 5"), std::string::npos) << run.err;
}

TEST(Compare, FixedPressureIsCalcWithBarometerOneStartingThere) {
  const std::vector<std::string> thermometers = {"2", "5", "7", "8", "13", "20", "24",
                                                 "25", "26", "28", "36", "38", "39", "43"};
  std::string list;
  for (const std::string& t : thermometers) list += (list.empty() ? "" : ",") + t;
  ProgramRun run = runCommand({"compare", "x.csv", "--pressure", "30", "--thermometers", list},
                              {{"x.csv", example()}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> compared = run.outLines();
  ASSERT_GT(compared.size(), 20u);
  // The same rows, byte for byte, from calc -p T,1 --start 1000,30, at most
  // 12 pairs per run.
  std::set<std::string> fromCalc;
  for (std::size_t first = 0; first < thermometers.size(); first += 12) {
    std::vector<std::string> args = {"calc", "x.csv", "--start", "1000,30"};
    for (std::size_t k = first; k < std::min(first + 12, thermometers.size()); ++k)
      args.insert(args.end(), {"-p", thermometers[k] + ",1"});
    ProgramRun calc = runCommand(args, {{"x.csv", example()}});
    ASSERT_EQ(calc.status, 0) << calc.err;
    std::vector<std::string> lines = calc.outLines();
    EXPECT_EQ(lines[0], compared[0]);  // calc's header
    fromCalc.insert(lines.begin() + 1, lines.end());
  }
  int ok = 0;
  for (std::size_t i = 1; i < compared.size(); ++i) {
    EXPECT_TRUE(fromCalc.count(compared[i])) << compared[i];
    ok += compared[i].find(",30,0,,ok,") != std::string::npos;
  }
  EXPECT_GT(ok, 10);  // the pressure stays at 30 kbar
}

TEST(Compare, SummaryAndOffsetsAgreeWithTheRows) {
  ProgramRun run = runCommand({"compare", "x.csv", "--barometer", "5", "-o", "rows.csv",
                               "--summary", "s.csv", "--offsets", "o.csv"},
                              {{"x.csv", example()}});
  ASSERT_EQ(run.status, 0) << run.err;
  const Table rows = table(run.file("rows.csv"));
  // Values of the rows ok or capped, by sample and thermometer.
  std::map<std::string, std::map<int, double>> value;
  std::map<std::string, int> count;
  std::vector<std::string> order;
  for (const auto& r : rows) {
    const std::string& s = r.at("sample");
    if (!count.count(s)) order.push_back(s);
    ++count[s];
    if (r.at("status") == "ok" || r.at("status") == "capped")
      value[s][std::stoi(r.at("thermometer"))] = std::stod(r.at("T_C"));
  }
  const Table summary = table(run.file("s.csv"));
  ASSERT_EQ(summary.size(), 15u);
  std::size_t withRows = 0;
  for (const auto& s : summary) {
    const std::string& name = s.at("sample");
    if (!count.count(name)) {
      EXPECT_EQ(s.at("n_methods"), "0");
      continue;
    }
    EXPECT_EQ(name, order[withRows++]);  // input order
    EXPECT_EQ(std::stoi(s.at("n_methods")), count[name]);
    const std::map<int, double>& v = value[name];
    EXPECT_EQ(std::stoi(s.at("n_ok")), static_cast<int>(v.size())) << name;
    if (v.empty()) continue;
    std::vector<double> sorted;
    for (const auto& [t, x] : v) sorted.push_back(x);
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
    EXPECT_NEAR(*number(s.at("T_median")), median, 0.01) << name;
    EXPECT_NEAR(*number(s.at("T_min")), sorted.front(), 0.01) << name;
    EXPECT_NEAR(*number(s.at("T_max")), sorted.back(), 0.01) << name;
    EXPECT_NEAR(*number(s.at("T_spread")), sorted.back() - sorted.front(), 0.01) << name;
    EXPECT_DOUBLE_EQ(v.at(std::stoi(s.at("min_method"))), sorted.front()) << name;
    EXPECT_DOUBLE_EQ(v.at(std::stoi(s.at("max_method"))), sorted.back()) << name;
    if (v.count(36)) {
      EXPECT_NEAR(*number(s.at("T_reference")), v.at(36), 0.01) << name;
    } else {
      EXPECT_EQ(s.at("T_reference"), "") << name;
    }
  }

  // Offsets from thermometer 36, over the samples where both have a value.
  const Table offsets = table(run.file("o.csv"));
  ASSERT_FALSE(offsets.empty());
  int checked = 0;
  for (const auto& o : offsets) {
    const int t = std::stoi(o.at("method"));
    EXPECT_NE(t, 36);
    std::vector<double> d;
    for (const auto& [name, v] : value)
      if (v.count(36) && v.count(t)) d.push_back(v.at(t) - v.at(36));
    ASSERT_EQ(std::stol(o.at("n")), static_cast<long>(d.size())) << t;
    if (d.empty()) {
      EXPECT_EQ(o.at("mean_offset"), "");
      continue;
    }
    double mean = 0;
    for (double x : d) mean += x / static_cast<double>(d.size());
    EXPECT_NEAR(*number(o.at("mean_offset")), mean, 0.01) << t;
    EXPECT_NEAR(*number(o.at("min_offset")), *std::min_element(d.begin(), d.end()), 0.01) << t;
    EXPECT_NEAR(*number(o.at("max_offset")), *std::max_element(d.begin(), d.end()), 0.01) << t;
    if (d.size() > 1) {
      double ss = 0;
      for (double x : d) ss += (x - mean) * (x - mean);
      EXPECT_NEAR(*number(o.at("sd_offset")), std::sqrt(ss / static_cast<double>(d.size() - 1)),
                  0.01)
          << t;
      ++checked;
    } else {
      EXPECT_EQ(o.at("sd_offset"), "");
    }
  }
  EXPECT_GT(checked, 5);
}

// The example's rows of some samples, as a table of its own.
std::string someSamples(const std::vector<std::string>& names) {
  std::stringstream s(example());
  std::string line, out;
  std::getline(s, line);
  out = line + "\n";
  while (std::getline(s, line))
    for (const std::string& n : names)
      if (line.rfind(n + ",", 0) == 0) out += line + "\n";
  return out;
}

TEST(Compare, SampleWithoutTheReferenceAddsNothingToTheOffsets) {
  // KX-120 has no clinopyroxene, so no value of thermometer 36, yet other
  // thermometers (orthopyroxene-garnet) give it values.
  auto offsets = [](const std::vector<std::string>& names, ProgramRun* keep = nullptr) {
    ProgramRun run = runCommand({"compare", "x.csv", "--barometer", "5", "--offsets", "o.csv",
                                 "-o", "rows.csv"},
                                {{"x.csv", someSamples(names)}});
    EXPECT_EQ(run.status, 0) << run.err;
    if (keep) *keep = run;
    return run.file("o.csv");
  };
  ProgramRun with;
  const std::string both = offsets({"KX-101", "KX-114", "KX-120"}, &with);
  EXPECT_NE(with.file("rows.csv").find("\nKX-120,28,"), std::string::npos);
  EXPECT_NE(with.err.find("1 sample without a value of the reference thermometer 36"),
            std::string::npos)
      << with.err;
  EXPECT_EQ(both, offsets({"KX-101", "KX-114"}));
  // With only the sample without the reference there are no offsets at all.
  for (const auto& o : table(offsets({"KX-120"}))) EXPECT_EQ(o.at("n"), "0") << o.at("method");
}

TEST(Compare, DrawsAreCalcsAndTheSpreadIsWeighedAgainstTheirSigma) {
  const std::vector<std::string> args = {"compare", "x.csv", "--barometer", "5", "--thermometers",
                                         "7,24,36", "--mc", "40", "--seed", "9",
                                         "--summary", "s.csv"};
  std::vector<std::string> one = args, two = args;
  one.insert(one.end(), {"--threads", "1"});
  two.insert(two.end(), {"--threads", "2"});
  ProgramRun a = runCommand(one, {{"x.csv", example()}});
  ProgramRun b = runCommand(two, {{"x.csv", example()}});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.file("s.csv"), b.file("s.csv"));
  ProgramRun calc = runCommand({"calc", "x.csv", "-p", "7,5", "-p", "24,5", "-p", "36,5", "--mc",
                                "40", "--seed", "9"},
                               {{"x.csv", example()}});
  ASSERT_EQ(calc.status, 0) << calc.err;
  const std::vector<std::string> calcLines = calc.outLines();
  const std::set<std::string> fromCalc(calcLines.begin(), calcLines.end());
  std::map<std::string, std::vector<double>> sigmas, values;
  for (const std::string& line : a.outLines()) EXPECT_TRUE(fromCalc.count(line)) << line;
  for (const auto& r : table(a.out)) {
    if (!r.at("T_C_p16").empty())
      sigmas[r.at("sample")].push_back(0.5 * (std::stod(r.at("T_C_p84")) - std::stod(r.at("T_C_p16"))));
    if (r.at("status") == "ok" || r.at("status") == "capped")
      values[r.at("sample")].push_back(std::stod(r.at("T_C")));
  }
  int weighed = 0;
  for (const auto& s : table(a.file("s.csv"))) {
    std::vector<double> sg = sigmas[s.at("sample")];
    const std::vector<double>& v = values[s.at("sample")];
    if (sg.empty() || v.size() < 2) {
      EXPECT_EQ(s.at("spread_exceeds_2sigma"), "") << s.at("sample");
      continue;
    }
    std::sort(sg.begin(), sg.end());
    const double median =
        sg.size() % 2 ? sg[sg.size() / 2] : 0.5 * (sg[sg.size() / 2 - 1] + sg[sg.size() / 2]);
    EXPECT_NEAR(std::stod(s.at("T_sigma_median")), median, 0.01) << s.at("sample");
    const double spread = *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
    EXPECT_EQ(s.at("spread_exceeds_2sigma"), spread > 2 * median ? "true" : "false") << s.at("sample");
    ++weighed;
  }
  EXPECT_GT(weighed, 5);
}

TEST(Compare, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"compare", "x.csv"}, "give --barometer B or --pressure KBAR"},
      {{"compare", "x.csv", "--barometer", "5", "--pressure", "30"}, "excludes"},
      {{"compare", "x.csv", "--barometer", "5", "--barometers", "all"}, "excludes"},
      {{"compare", "x.csv", "--barometer", "99"}, "there is no barometer"},
      {{"compare", "x.csv", "--barometer", "5", "--thermometers", "7,x"}, "numbers separated by commas"},
      {{"compare", "x.csv", "--barometer", "5", "--thermometers", "7,60"}, "there is no thermometer 60"},
      {{"compare", "x.csv", "--barometer", "5", "--reference", "0"}, "there is no thermometer 0"},
      {{"compare", "x.csv", "--barometer", "5", "-o", "x.csv"}, "is the analysis file"},
      {{"compare", "x.csv", "--barometer", "5", "--summary", "s.csv", "--svg", "s.csv"}, "name one file"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runCommand(c.args, {{"x.csv", example()}});
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(Compare, MirrorImageComparesBarometersAgainstOneThermometer) {
  ProgramRun run = runCommand({"compare", "x.csv", "--thermometer", "36", "--barometers",
                               "2,5,10,15,26", "--summary", "s.csv", "--offsets", "o.csv"},
                              {{"x.csv", example()}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::set<int> barometers;
  for (const auto& r : table(run.out)) {
    EXPECT_EQ(r.at("thermometer"), "36");
    barometers.insert(std::stoi(r.at("barometer")));
  }
  EXPECT_EQ(barometers, (std::set<int>{2, 5, 10, 15, 26}));
  EXPECT_EQ(run.file("s.csv").substr(0, 40), "sample,n_methods,n_ok,P_median,P_min,P_m");
  // Barometer 5 is the reference, so it has no offsets row.
  for (const auto& o : table(run.file("o.csv"))) EXPECT_NE(o.at("method"), "5");
  // A fixed temperature is thermometer 1 there.
  ProgramRun fixed = runCommand({"compare", "x.csv", "--temperature", "900", "--barometers", "5"},
                                {{"x.csv", example()}});
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_NE(fixed.out.find("\nKX-101,1,"), std::string::npos);
  EXPECT_NE(fixed.out.find(",900,"), std::string::npos) << fixed.out;
}

// The method numbers of the figure (font size 9, centred), as (y, x, digits).
std::vector<std::tuple<double, double, int>> markerNumbers(const std::string& svg) {
  std::vector<std::tuple<double, double, int>> out;
  const std::regex number(
      "<text x=\"([0-9.]+)\" y=\"([0-9.]+)\" font-size=\"9\" text-anchor=\"middle\"[^>]*>([0-9]+)<");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), number); it != std::sregex_iterator();
       ++it)
    out.emplace_back(std::stod((*it)[2]), std::stod((*it)[1]), static_cast<int>((*it)[3].length()));
  return out;
}

TEST(Compare, FigureNumbersNeverOverlap) {
  ProgramRun run =
      runCommand({"compare", "x.csv", "--barometer", "5", "--svg", "f.svg"}, {{"x.csv", example()}});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string svg = run.file("f.svg");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  std::vector<std::tuple<double, double, int>> numbers = markerNumbers(svg);
  ASSERT_GT(numbers.size(), 60u);
  std::sort(numbers.begin(), numbers.end());
  // Digits at 9 px are 5.72 px wide in the common sans-serif face (0.636 em):
  // neighbours on one baseline must lie further apart than their half widths.
  int raised = 0;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    const auto& [y0, x0, d0] = numbers[i - 1];
    const auto& [y1, x1, d1] = numbers[i];
    if (y0 != y1) {
      ++raised;
      continue;
    }
    EXPECT_GT(x1 - x0, 0.5 * 5.72 * (d0 + d1)) << y1 << ' ' << x1;
  }
  EXPECT_GT(raised, 15);  // crowded lines stack their numbers

  // Beyond 60 samples the figure shows the offsets instead.
  std::string many = example();
  std::stringstream s(example());
  std::string header, line;
  std::getline(s, header);
  std::string body;
  while (std::getline(s, line)) body += line + "\n";
  for (int copy = 0; copy < 4; ++copy) {
    std::string renamed = std::regex_replace(body, std::regex("^([A-Z]+-[0-9]+)", std::regex::multiline),
                                             "$1-" + std::to_string(copy));
    many += renamed;
  }
  ProgramRun bars =
      runCommand({"compare", "x.csv", "--barometer", "5", "--svg", "f.svg"}, {{"x.csv", many}});
  ASSERT_EQ(bars.status, 0) << bars.err;
  EXPECT_NE(bars.file("f.svg").find("offsets from thermometer 36"), std::string::npos);
  EXPECT_TRUE(markerNumbers(bars.file("f.svg")).empty());
}

}  // namespace
}  // namespace mantlept::e2e
