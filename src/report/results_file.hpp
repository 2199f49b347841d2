#pragma once
// The comma-separated results file: one header line, one row per association.
#include <string>

#include "solver/run_settings.hpp"
#include "minerals/analysis_reader.hpp"
#include "report/result_lines.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// Fe-number estimates of an association, worked out after its last combination.
struct FeNumbers {
  Real opx = 0;       // Fe#OP
  Real cpx = 0;       // Fe#Cp (oxide row)
  Real olivine = 0;   // Fe#Ol (oxide row)
  Real chromite = 0;  // Fe#Cr
  Real garnet = 0;    // Fe#Ga
  Real ilmenite = 0;  // Fe#Ilm
};

// Values the results file keeps from one association to the next.
struct ReportState {
  Real olivineFeNumber = 0;  // Fe#Ol of the oxide row
};

// The header line (without its line end): 599 + 34 N characters.
std::string resultsHeader(const RunSettings& settings);

// Works out the estimates from the store as the last combination left it.
// May set XFe_Sp to 0 (ilmenite-bearing associations with a Cr-poor spinel).
FeNumbers estimateFeNumbers(RunState& s, ReportState& report);

// Appends the association's row (without its line end) to `out`: 644 + 14 N
// characters, plus one for each double quote doubled in the name or description.
void appendResultsRow(std::string& out, const RunState& s, const RunSettings& settings,
                      const AssociationInfo& info, const FeNumbers& fe,
                      const CombinationResults& results);

}  // namespace mantlept
