#include "run/formula_run.hpp"

#include "report/formula_table.hpp"
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
                      const std::function<bool()>& stopped) {
  Association a;
  FormulaSample sample;
  for (;;) {
    if (stopped && stopped()) return false;
    if (!input.next(a)) break;
    run.evaluate(a, sample);
    each(sample);
  }
  return true;
}

}  // namespace mantlept
