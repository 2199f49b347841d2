#include "run/formula_run.hpp"

#include "report/formula_table.hpp"
#include "run/sample_runner.hpp"
#include "solver/engine.hpp"

namespace mantlept {

FormulaRun::FormulaRun(int ferricOption, bool sites) : sites_(sites) {
  settings_.ferricOption = ferricOption;
}

std::string FormulaRun::header() const { return formulaHeader(); }

std::string FormulaRun::siteHeader() const { return mantlept::siteHeader(); }

void FormulaRun::evaluate(const Association& a, FormulaSample& out) const {
  RunState prepared;
  prepareSample(prepared, a, settings_);
  out.rows.clear();
  out.siteRow.clear();
  appendFormulaRows(out.rows, a.sample, a, prepared);
  if (sites_) appendSiteRow(out.siteRow, a.sample, prepared);
}

bool evaluateFormulae(AnalysisInput& input, const FormulaRun& run,
                      const std::function<void(const FormulaSample&)>& each,
                      const std::function<bool()>& stopped, int threads) {
  SampleRunOptions options;
  options.threads = threads;
  options.stopped = stopped;
  auto work = [&run](const Association& a, std::uint64_t) {
    FormulaSample sample;
    run.evaluate(a, sample);
    return sample;
  };
  auto consume = [&each](const Association&, std::uint64_t, FormulaSample& sample) { each(sample); };
  return runSamples<FormulaSample>(input, options, work, consume);
}

}  // namespace mantlept
