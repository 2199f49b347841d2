#pragma once
// The formula table (one row per sample and mineral: the oxides the methods
// use, the cations per formula unit they read, Mg and Cr numbers and the
// mineral's end-members) and the site table (one row per sample: every site
// parameter under its own name). Empty cells where a value has no meaning.
#include <string>
#include <string_view>

#include "minerals/association.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// The header lines (without their line ends).
std::string formulaHeader();
std::string siteHeader();

// Appends one row, with its line end, for each mineral the association holds,
// from the store the sample was prepared in.
void appendFormulaRows(std::string& out, std::string_view sample, const Association& a,
                       const RunState& prepared);

// Appends the sample's row of site parameters, with its line end; the
// parameters of a mineral the sample lacks stay empty.
void appendSiteRow(std::string& out, std::string_view sample, const RunState& prepared);

}  // namespace mantlept
