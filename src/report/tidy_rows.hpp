#pragma once
// Tidy results: one comma-separated row per sample and method pair, with
// plain numbers and empty cells where there is no value, for spreadsheets and
// scripts.
#include <string>
#include <string_view>

#include "report/flags.hpp"
#include "solver/engine.hpp"
#include "solver/run_settings.hpp"
#include "uncertainty/monte_carlo.hpp"

namespace mantlept {

// The header line (without its line end).
std::string tidyHeader();

// "ok", "capped", "rejected" or "incomplete".
std::string_view statusName(CombinationStatus status);

// Appends one row (without its line end): the sample's full name, the pair,
// the reported values of combination `k`, its iteration and its flags.
void appendTidyRow(std::string& out, std::string_view sample, const RunSettings& settings, int k,
                   const CombinationOutcome& outcome, FlagSet flags);

// The Monte Carlo columns that follow the header, each after a comma.
std::string tidySpreadHeader();

// Appends the Monte Carlo cells of one pair, each after a comma; the fO2
// cells are empty without an oxybarometer.
void appendSpreadCells(std::string& out, const PairSpread& spread, bool oxybarometer);

// A text cell, quoted when it holds a comma or a double quote; control bytes
// (line ends among them) written as \xNN.
void appendCsvCell(std::string& out, std::string_view text);

// The shortest decimal text that reads back to the same single-precision value.
void appendShortest(std::string& out, float value);

}  // namespace mantlept
