// Micro-benchmarks of the hot pieces of one association: reading a line,
// formula recalculation, site parameters, one combination of each method
// family, the oxybarometer, and the Fw.d editing of result lines and rows.
//   build-bench/bench/mantlept_micro_bench [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "methods/catalogue.hpp"
#include "solver/run_settings.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "minerals/analysis_reader.hpp"
#include "minerals/formula.hpp"
#include "minerals/line_reader.hpp"
#include "minerals/site_parameters.hpp"
#include "report/fixed_format.hpp"
#include "report/result_lines.hpp"
#include "report/results_file.hpp"
#include "dialogue/program.hpp"
#include "solver/engine.hpp"
#include "solver/solver.hpp"

namespace mantlept {
namespace {

// A garnet-spinel lherzolite with an ilmenite, so that every family finds its
// minerals.
constexpr std::array<std::string_view, 6> kLines = {
    "KX-101  E          57.52    0.10    0.82    0.36    4.92    0.12   34.61    0.95    0.21    "
    "0.00    0.12    0.00garnet lherzolite, Kimberley    ",
    "KX-101  D          54.85    0.26    2.21    1.52    2.81    0.09   17.42   18.63    1.93    "
    "0.00    0.05    0.00garnet lherzolite, Kimberley    ",
    "KX-101  O          40.93    0.00    0.02    0.03    8.31    0.11   50.24    0.06    0.00    "
    "0.00    0.38    0.00garnet lherzolite, Kimberley    ",
    "KX-101  S           0.05    0.10   54.02   13.51   10.52    0.11   20.63    0.00    0.00    "
    "0.00    0.35    0.00garnet lherzolite, Kimberley    ",
    "KX-101  G          42.05    0.31   20.52    4.33    6.92    0.33   20.91    5.02    0.05    "
    "0.00    0.01    0.00garnet lherzolite, Kimberley    ",
    "KX-101  I           0.10   50.50    0.62    1.21   34.02    0.31   11.52    0.02    0.00    "
    "0.00    0.21    0.00garnet lherzolite, Kimberley    ",
};

// A terminal that shows nothing.
class DiscardingTerminal final : public Terminal {
 public:
  void write(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

// The association of kLines read, recalculated with the ferric estimate and
// given its site parameters.
RunState preparedState() {
  RunState s;
  resetAssociation(s);
  for (std::string_view line : kLines) {
    MineralAnalysis a;
    std::string error;
    if (!parseAnalysisLine(line, a, error)) std::abort();
    int slot = slotOfCode(a.code);
    Recalculation r = recalculate(a.ox, slot + 1, true);
    s.ox[slot] = r.ox;
    s.cat[slot] = r.cat;
  }
  DiscardingTerminal out;
  computeSiteParameters(s.cat, s.site, out);
  return s;
}

MethodCombination combination(int thermometer, int barometer) {
  return {thermometer, barometer, std::string(thermometerLabel(thermometer)),
          std::string(barometerLabel(barometer))};
}

// The heavy run's settings: ferric iron on, 10 iterations, start 1000 / 10.
RunSettings heavySettings(int oxybarometer) {
  RunSettings settings;
  settings.ferricOption = 2;
  settings.iterationLimit = 10;
  settings.oxybarometerNumber = oxybarometer;
  settings.writeCoefficients = true;
  for (auto [t, b] : {std::pair{7, 5}, {5, 2}, {2, 4}, {36, 29}, {24, 21}, {22, 16}, {38, 30},
                      {25, 33}, {6, 13}, {40, 34}, {44, 38}, {4, 22}}) {
    settings.combinations.push_back(combination(t, b));
  }
  settings.combinationCount = static_cast<int>(settings.combinations.size());
  return settings;
}

void BM_ParseAnalysisLine(benchmark::State& state) {
  MineralAnalysis a;
  std::string error;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parseAnalysisLine(kLines[4], a, error));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAnalysisLine);

// Line splitting of the reader over an in-memory file of many lines.
void BM_LineReaderNext(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    text += kLines[static_cast<std::size_t>(i) % kLines.size()];
    text += '\n';
  }
  std::FILE* file = fmemopen(text.data(), text.size(), "r");
  auto reader = std::make_unique<LineReader>(file);
  for (auto _ : state) {
    if (!reader->next()) {
      state.PauseTiming();
      std::rewind(file);
      reader = std::make_unique<LineReader>(file);
      reader->next();
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(reader->text().data());
  }
  std::fclose(file);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineReaderNext);

// Garnet to cations on 12 oxygens; argument 1 with the ferric-iron estimate.
void BM_RecalculateFormula(benchmark::State& state) {
  MineralAnalysis a;
  std::string error;
  parseAnalysisLine(kLines[4], a, error);
  bool ferric = state.range(0) != 0;
  for (auto _ : state) {
    Recalculation r = recalculate(a.ox, 5, ferric);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecalculateFormula)->Arg(0)->Arg(1);

void BM_SiteParameters(benchmark::State& state) {
  RunState s = preparedState();
  DiscardingTerminal out;
  for (auto _ : state) {
    computeSiteParameters(s.cat, s.site, out);
    benchmark::DoNotOptimize(s.site);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SiteParameters);

// One combination (up to 10 barometer-thermometer passes, limits, no
// oxybarometer) from the prepared association; the pair names its families.
void combinationBenchmark(benchmark::State& state, int thermometer, int barometer) {
  const RunState prepared = preparedState();
  RunSettings settings = heavySettings(0);
  MethodCombination c = combination(thermometer, barometer);
  DiscardingTerminal out;
  bool complete = false;
  for (auto _ : state) {
    RunState s = prepared;
    complete = solveCombination(s, settings, c, out);
    benchmark::DoNotOptimize(complete);
    benchmark::DoNotOptimize(s.TK);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["complete"] = complete ? 1 : 0;  // 0: the minerals did not suffice
}
BENCHMARK_CAPTURE(combinationBenchmark, TwoPyroxene_OpxGarnet_7_5, 7, 5);
BENCHMARK_CAPTURE(combinationBenchmark, TwoPyroxene_Pyroxene_36_24, 36, 24);
BENCHMARK_CAPTURE(combinationBenchmark, SinglePyroxene_Clinopyroxene_38_30, 38, 30);
BENCHMARK_CAPTURE(combinationBenchmark, GarnetExchange_Clinopyroxene_24_21, 24, 21);
BENCHMARK_CAPTURE(combinationBenchmark, GarnetExchange_GarnetSpIlmOl_22_16, 22, 16);
BENCHMARK_CAPTURE(combinationBenchmark, SpinelIlmeniteOlivine_GarnetSpIlmOl_6_13, 6, 13);
BENCHMARK_CAPTURE(combinationBenchmark, NickelGarnet_GarnetSpIlmOl_40_34, 40, 34);

void BM_Oxybarometer5(benchmark::State& state) {
  const RunState prepared = preparedState();
  DiscardingTerminal out;
  for (auto _ : state) {
    RunState s = prepared;
    s.TK = s.T = 1273.0f;
    s.P = 40.0f;
    benchmark::DoNotOptimize(runOxybarometer(5, s, out));
    benchmark::DoNotOptimize(s.fO2);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Oxybarometer5);

// The heavy run's twelve combinations with oxybarometer 5 and their result
// lines, for one association.
void BM_EvaluateAssociationHeavy(benchmark::State& state) {
  const RunState prepared = preparedState();
  RunSettings settings = heavySettings(5);
  CombinationResults results{};
  DiscardingTerminal out;
  for (auto _ : state) {
    RunState s = prepared;
    evaluateAssociation(s, settings, "KX-101  ", results, out);
    benchmark::DoNotOptimize(results);
  }
  state.SetItemsProcessed(state.iterations() * settings.combinationCount);
}
BENCHMARK(BM_EvaluateAssociationHeavy);

void BM_FormatFixed(benchmark::State& state) {
  std::string text;
  Real v = 1234.5678f;
  for (auto _ : state) {
    text.clear();
    appendFixed(text, v, 8, 3);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFixed);

void BM_ResultLine(benchmark::State& state) {
  MethodCombination c = combination(7, 5);
  CombinationResult r{1123.4f, 45.6f, -1.23f};
  for (auto _ : state) {
    std::string line = resultLine("KX-101  ", c, r, 2);
    benchmark::DoNotOptimize(line.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResultLine);

// One results row of the heavy run (cation columns, twelve T-P pairs).
void BM_ResultsRow(benchmark::State& state) {
  RunState s = preparedState();
  RunSettings settings = heavySettings(5);
  AssociationInfo info;
  info.name = {'K', 'X', '-', '1', '0', '1', ' ', ' '};
  info.description.fill(' ');
  CombinationResults results{};
  for (int k = 0; k < 12; ++k) results[static_cast<std::size_t>(k)] = {1000.0f + k, 40.5f, -1.5f};
  FeNumbers fe{0.08f, 0.07f, 0.09f, 0.2f, 0.15f, 0.3f};
  std::string row;
  for (auto _ : state) {
    row.clear();
    appendResultsRow(row, s, settings, info, fe, results);
    benchmark::DoNotOptimize(row.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResultsRow);

}  // namespace
}  // namespace mantlept

BENCHMARK_MAIN();
