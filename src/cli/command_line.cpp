#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>
#include <type_traits>

#include "cli/calc_command.hpp"
#include "cli/compare_command.hpp"
#include "cli/convert_command.hpp"
#include "cli/formula_command.hpp"
#include "cli/geotherm_command.hpp"
#include "cli/grains_command.hpp"
#include "cli/methods_command.hpp"
#include "cli/new_file.hpp"
#include "core/number_text.hpp"
#include "methods/method_needs.hpp"

namespace mantlept {

namespace {

constexpr const char* kVersion = "mantlept 1.0.0";

constexpr const char* kOverview =
    "Estimates the temperature, pressure and oxygen fugacity at which mantle\n"
    "peridotites, eclogites and megacrysts last equilibrated, from microprobe\n"
    "analyses of coexisting minerals.\n"
    "\n"
    "Without arguments it asks on the terminal for the analysis file (fixed\n"
    "columns, one mineral per line), whether to estimate ferric iron, the\n"
    "thermometer-barometer combinations (from a printed menu), the oxybarometer,\n"
    "the name of a new results file, whether to write cations per formula unit,\n"
    "the number of iterations and a starting T and P. Answers can be given from\n"
    "a file: mantlept < answers.txt. It prints one line per sample and\n"
    "combination and writes one comma-separated row per sample to the results\n"
    "file.\n"
    "\n"
    "With a command it works straight from a file or a spreadsheet:\n"
    "  mantlept calc analyses.csv -p 7,5 -p 8,5       T and P of every sample\n"
    "  mantlept compare analyses.csv --barometer 5    every thermometer side by side\n"
    "  mantlept convert table.xlsx -o analyses.txt    table to fixed columns\n"
    "  mantlept formula analyses.csv --sites s.csv    mineral formulae and sites\n"
    "  mantlept methods 7 --kind thermometer          what a method needs\n"
    "  mantlept geotherm results.csv --svg pt.svg     geotherm fit and diagram\n"
    "  mantlept grains garnets.csv --q0 40 --svg d.svg  garnet classes and depths\n"
    "Each command has its own --help.";

// Integers of a text, all of it (no sign, no blanks).
bool parseWhole(std::string_view text, int& value) {
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// A thermometer and a barometer number: "7,5" or "0705".
std::optional<MethodCombination> parsePair(const std::string& text) {
  MethodCombination c;
  std::size_t comma = text.find(',');
  std::string_view t, b;
  if (comma != std::string::npos) {
    t = std::string_view(text).substr(0, comma);
    b = std::string_view(text).substr(comma + 1);
  } else if (text.size() == 4) {
    t = std::string_view(text).substr(0, 2);
    b = std::string_view(text).substr(2);
  } else {
    return std::nullopt;
  }
  if (!parseWhole(t, c.thermometer) || !parseWhole(b, c.barometer)) return std::nullopt;
  return c;
}

std::string checkPair(const std::string& text) {
  std::optional<MethodCombination> c = parsePair(text);
  if (!c) return "a pair is a thermometer and a barometer number, as 7,5 or 0705: \"" + text + "\"";
  if (!methodInfo(MethodKind::Thermometer, c->thermometer)) {
    return "there is no thermometer " + std::to_string(c->thermometer) +
           " (mantlept methods --kind thermometer lists them)";
  }
  if (!methodInfo(MethodKind::Barometer, c->barometer)) {
    return "there is no barometer " + std::to_string(c->barometer) +
           " (mantlept methods --kind barometer lists them)";
  }
  return "";
}

// A finite number written in decimals, all of the text: "1e3", "-2.5" and
// "+7" are, "0x384", "inf", "nan" and "7 " are not.
template <typename Number = double>
std::optional<Number> plainNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  Number value = 0;
  bool read = false;
  if constexpr (std::is_same_v<Number, float>) {
    read = readFloat(text, value);
  } else {
    read = readDouble(text, value);
  }
  if (!read || !std::isfinite(value)) return std::nullopt;
  return value;
}

CLI::Validator finiteNumber() {
  return CLI::Validator(
      [](const std::string& text) -> std::string {
        if (plainNumber(text)) return "";
        return "takes a finite number in decimals: \"" + text + "\"";
      },
      "NUMBER");
}

// The seed of the draws: a whole number 0 to 2^64-1, nothing wrapped.
std::string checkSeed(const std::string& text) {
  std::uint64_t value = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return "the seed is a whole number from 0 to 18446744073709551615: \"" + text + "\"";
  }
  return "";
}

// Which spot analyses of tables with a rim/core column are kept.
void addRimCore(CLI::App* command, tables::RimCore& choice) {
  const std::map<std::string, tables::RimCore> choices = {
      {"all", tables::RimCore::All}, {"core", tables::RimCore::Core}, {"rim", tables::RimCore::Rim}};
  command
      ->add_option("--rim-core", choice,
                   "where a table has a rim/core column: keep core or rim analyses, or all")
      ->transform(CLI::CheckedTransformer(choices, CLI::ignore_case))
      ->option_text("core|rim|all (all)");
}

// The ferric rules by name; a bare --ferric is the dialogue's.
constexpr const char* kFerricNames[] = {"none", "dialogue", "charge-balance"};

void addFerric(CLI::App* command, int& rule) {
  const std::map<std::string, int> choices = {{"none", kFerricNone},
                                              {"dialogue", kFerricDialogue},
                                              {"charge-balance", kFerricChargeBalance}};
  command
      ->add_option("--ferric", rule,
                   "ferric iron: none (iron as given), dialogue (one Fe3+ per missing oxygen, as "
                   "the dialogue; a bare --ferric), charge-balance (Droop 1987)")
      ->transform(CLI::CheckedTransformer(choices))
      ->option_text("none|dialogue|charge-balance (none)");
}

// The Monte Carlo options of a command that draws analyses within their errors.
void addDraws(CLI::App* command, int& draws, std::uint64_t& seed, std::string& sigmaFile,
              std::optional<double>& relativeSigma) {
  command->add_option("--mc", draws, "Monte Carlo draws per sample (1 to 1000000)")
      ->check(CLI::Range(1, 1000000));
  command->add_option("--seed", seed, "seed of the draws (default 1)")
      ->check(CLI::Validator(checkSeed, "0..2^64-1"));
  CLI::Option* sigma =
      command->add_option("--sigma", sigmaFile, "1-sigma errors: CSV of mineral,oxide,abs,rel");
  command->add_option("--rel-sigma", relativeSigma, "every oxide uncertain by PCT per cent")
      ->check(finiteNumber())
      ->check(CLI::Range(0.0, 1000.0))
      ->excludes(sigma);
}

// A bare --ferric (no rule named after it) means the dialogue's rule, as it
// always has: written out as --ferric=dialogue before parsing. What follows
// it is taken for a rule when it is one, or when it is no option and no file
// (a misspelt rule is then refused as one).
std::vector<std::string> withFerricRule(int argc, const char* const* argv) {
  std::vector<std::string> args(argv, argv + argc);
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--") break;
    if (args[i] != "--ferric") continue;
    bool named = false;
    if (i + 1 < args.size()) {
      const std::string& next = args[i + 1];
      std::error_code ignored;
      named = std::find(std::begin(kFerricNames), std::end(kFerricNames), next) !=
                  std::end(kFerricNames) ||
              (!next.empty() && next.front() != '-' && !std::filesystem::exists(next, ignored));
    }
    if (!named) args[i] = "--ferric=dialogue";
  }
  return args;
}

constexpr double kAbsoluteZero_C = -273.15;

// "T,P" in degrees Celsius and kbar.
std::string checkStart(const std::string& text) {
  std::size_t comma = text.find(',');
  if (comma == std::string::npos) return "--start takes T,P (deg C, kbar), as 1000,10";
  // Read as the single-precision values the run starts from.
  std::optional<Real> t = plainNumber<Real>(std::string_view(text).substr(0, comma));
  std::optional<Real> p = plainNumber<Real>(std::string_view(text).substr(comma + 1));
  if (!t || !p) {
    return "--start takes two numbers T,P (deg C, kbar), as 1000,10: \"" + text + "\"";
  }
  if (static_cast<double>(*t) < kAbsoluteZero_C)
    return "the starting T lies below absolute zero: \"" + text + "\"";
  return "";
}

// "LO,HI" (wt%, LO below HI) or "off".
std::string checkTotals(const std::string& text) {
  if (text == "off") return "";
  const std::string usage = "--totals takes LO,HI (wt%, as 98,102) or off: \"" + text + "\"";
  std::size_t comma = text.find(',');
  if (comma == std::string::npos) return usage;
  try {
    std::size_t used = 0;
    std::string lo = text.substr(0, comma), hi = text.substr(comma + 1);
    double l = std::stod(lo, &used);
    if (used != lo.size()) return usage;
    double h = std::stod(hi, &used);
    if (used != hi.size()) return usage;
    if (!std::isfinite(l) || !std::isfinite(h)) return usage;
    if (!(l < h)) return "--totals: LO must be below HI: \"" + text + "\"";
  } catch (const std::exception&) {
    return usage;
  }
  return "";
}

TotalsWindow parseTotals(const std::string& text) {
  TotalsWindow w;
  if (text == "off") {
    w.on = false;
    return w;
  }
  std::size_t comma = text.find(',');
  w.low = std::stod(text.substr(0, comma));
  w.high = std::stod(text.substr(comma + 1));
  return w;
}

void addCalc(CLI::App& app, CalcOptions& o, std::vector<std::string>& pairs, std::string& start,
             std::string& totals) {
  CLI::App* calc = app.add_subcommand(
      "calc", "T, P (and fO2) of every sample of an analysis file or table, as tidy rows");
  calc->footer(
      "Example:\n"
      "  mantlept calc xenoliths.csv -p 7,5 -p 8,5 -x 5 -o results.csv\n"
      "  mantlept calc xenoliths.csv -p 7,5 --mc 1000 --seed 7\n"
      "  mantlept calc opx.csv cpx.csv garnet.csv -p 7,5 --rim-core core\n"
      "ANALYSES is a fixed-column analysis file, or one or more delimited tables\n"
      "(.csv, .tsv, .txt with a header row) and .xlsx workbooks, whose rows are\n"
      "joined by sample name and averaged per mineral; - reads standard input.");
  calc->add_option("ANALYSES", o.analyses,
                   "analysis file, or tables and workbooks (- = standard input)")
      ->required();
  addRimCore(calc, o.rimCore);
  calc->add_option("-p,--pair", pairs, "thermometer and barometer numbers, 7,5 or 0705 (1 to 12)")
      ->required()
      ->check(CLI::Validator(checkPair, "T,B"));
  calc->add_option("-x,--oxy", o.oxybarometer, "oxybarometer 0..9 (0: none)")
      ->check(CLI::Range(0, 9));
  addFerric(calc, o.ferric);
  calc->add_option("-n,--iterations", o.iterations, "barometer-thermometer passes at most")
      ->check(CLI::Range(1, 100000));
  calc->add_option("--start", start,
                   "starting T,P (default 1000,10): the first barometer pass reads T as kelvin "
                   "as given (1000 = 1000 K); thermometer 1 (fixed temperature) reports T deg C "
                   "(T + 273 K); P in kbar")
      ->check(CLI::Validator(checkStart, "T,P"));
  calc->add_option("-o,--output", o.output, "tidy results file (default: standard output)");
  calc->add_flag("--force", o.force, "replace an existing output file");
  calc->add_option("--legacy", o.legacy, "also write the dialogue's results file");
  calc->add_flag("--cations", o.cations, "the results file holds cations per formula unit");
  calc->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  calc->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
  addDraws(calc, o.draws, o.seed, o.sigmaFile, o.relativeSigma);
  calc->add_option("--threads", o.threads, "threads to evaluate samples on (default: every core)")
      ->check(CLI::Range(1, 1024));
  calc->add_option("--totals", totals,
                   "oxide-total window of the total-* flags, LO,HI wt% (98,102) or off")
      ->check(CLI::Validator(checkTotals, "LO,HI|off"));
  // Rows without any flag computed: only for timing what the flags cost.
  calc->add_flag("--no-flags{false}", o.flags, "")->group("");
}

void addCompare(CLI::App& app, CompareOptions& o, std::optional<double>& temperature) {
  CLI::App* c = app.add_subcommand(
      "compare", "every thermometer (or barometer) that applies to each sample, side by side");
  c->footer(
      "Examples:\n"
      "  mantlept compare xenoliths.csv --barometer 5 --summary s.csv --svg t.svg\n"
      "  mantlept compare xenoliths.csv --pressure 30 --thermometers 7,24,36 -o rows.csv\n"
      "  mantlept compare xenoliths.csv --thermometer 36 --barometers all --offsets o.csv\n"
      "Each sample is solved as calc solves it, with every listed thermometer whose\n"
      "minerals it holds (the minerals its equation reads, as methods N shows them)\n"
      "against the one barometer; --pressure P is barometer 1 at P (calc -p T,1\n"
      "--start 1000,P). The mirror image takes --thermometer T or --temperature C\n"
      "(thermometer 1 at C, calc -p 1,B --start C,10) and --barometers. all leaves\n"
      "out the fixed-value and previous-result entries (thermometers 1, 14-17,\n"
      "barometers 1 and 6). The rows are calc's tidy rows; --summary has one row\n"
      "per sample over the rows ok or capped; --offsets one row per method, its\n"
      "value less the reference's, over the samples where both have one.");
  c->add_option("ANALYSES", o.analyses,
                "analysis file, or tables and workbooks (- = standard input)")
      ->required();
  addRimCore(c, o.rimCore);
  auto method = [](MethodKind kind) {
    return CLI::Validator(
        [kind](const std::string& text) -> std::string {
          int n = 0;
          if (!parseWhole(text, n) || !methodInfo(kind, n))
            return std::string("there is no ") +
                   (kind == MethodKind::Barometer ? "barometer" : "thermometer") + " \"" + text +
                   "\" (mantlept methods lists them)";
          return "";
        },
        "N");
  };
  CLI::Option* barometer = c->add_option("--barometer", o.against, "the barometer of every pair")
                               ->check(method(MethodKind::Barometer));
  CLI::Option* pressure =
      c->add_option("--pressure", o.fixedValue, "a fixed pressure (kbar): barometer 1 there")
          ->check(finiteNumber());
  CLI::Option* thermometers = c->add_option("--thermometers", o.methods,
                                            "the thermometers compared: all (default) or N,N,...");
  CLI::Option* thermometer =
      c->add_option("--thermometer", o.against, "mirror image: the thermometer of every pair")
          ->check(method(MethodKind::Thermometer));
  CLI::Option* fixedT =
      c->add_option("--temperature", temperature,
                    "mirror image: a fixed temperature (deg C): thermometer 1 there")
          ->check(finiteNumber())
          ->check(CLI::Range(kAbsoluteZero_C, 1.0e6));
  CLI::Option* barometers = c->add_option("--barometers", o.methods,
                                          "mirror image: the barometers compared: all or N,N,...");
  for (CLI::Option* a : {barometer, pressure, thermometers})
    for (CLI::Option* b : {thermometer, fixedT, barometers}) a->excludes(b);
  barometer->excludes(pressure);
  thermometer->excludes(fixedT);
  c->add_option("--reference", o.reference,
                "the method offsets are taken from (thermometer 36; barometer 5 in the mirror "
                "image); evaluated whether listed or not");
  c->add_option("-o,--output", o.output, "tidy rows, one per sample and method (default: standard output)");
  c->add_option("--summary", o.summary, "one row per sample: median, range, spread (CSV)");
  c->add_option("--offsets", o.offsets, "one row per method: its offsets from the reference (CSV)");
  c->add_option("--svg", o.svg, "the figure: lines of markers up to 60 samples, offset bars beyond");
  c->add_option("-x,--oxy", o.oxybarometer, "oxybarometer 0..9 (0: none)")->check(CLI::Range(0, 9));
  addFerric(c, o.ferric);
  c->add_option("-n,--iterations", o.iterations, "barometer-thermometer passes at most")
      ->check(CLI::Range(1, 100000));
  addDraws(c, o.draws, o.seed, o.sigmaFile, o.relativeSigma);
  c->add_option("--threads", o.threads, "threads (default: every core); the output is the same")
      ->check(CLI::Range(1, 1024));
  c->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  c->add_flag("--force", o.force, "replace existing output files");
  c->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
}

void addGeotherm(CLI::App& app, cli::GeothermOptions& o) {
  CLI::App* g = app.add_subcommand(
      "geotherm", "fit a conductive geotherm to P-T points: heat flow, LAB, diamond window");
  g->footer(
      "Example:\n"
      "  mantlept calc xenoliths.csv -p 7,5 -o pt.csv\n"
      "  mantlept geotherm pt.csv --pair 7,5 --svg pt.svg -o geotherm.csv\n"
      "POINTS is the tidy output of calc (only its ok rows are used; with\n"
      "--drop-flagged only those without flags) or any table\n"
      "with a temperature column (T_C, T, Temp, Temperature in deg C, or T_K) and\n"
      "a pressure column (P_kbar, P_GPa, or P with --p-unit), optionally sigma_T,\n"
      "sigma_P (unit of P), corr_TP and sample. Points without errors get\n"
      "--sigma-T (default 50 deg C) and --sigma-P (default 3 kbar).");
  g->add_option("POINTS", o.points, "P-T points: calc results or a table");
  g->add_option("--pair", o.pair, "the thermometer,barometer pair of calc results to fit");
  g->add_option("--p-unit", o.pUnit, "unit of a bare P column")
      ->check(CLI::IsMember({"kbar", "GPa"}));
  g->add_option("--sigma-T", o.sigmaT_C, "1-sigma T error of points without one (deg C; 50)")
      ->check(finiteNumber());
  g->add_option("--sigma-P", o.sigmaP, "1-sigma P error of points without one (unit of P; 3 kbar)")
      ->check(finiteNumber());
  g->add_option("--q0", o.q0, "no fit: the geotherm of this surface heat flow (mW/m2)")
      ->check(finiteNumber());
  g->add_option("--format", o.format, "summary as key: value lines or JSON")
      ->check(CLI::IsMember({"text", "json"}));
  g->add_option("-o,--output", o.outTable, "geotherm table, every 1 km to 300 km (CSV)");
  g->add_option("--svg", o.outSvg, "the P-T diagram (SVG)");
  g->add_flag("--force", o.force, "replace existing output files");
  g->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  g->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
  g->add_flag("--drop-flagged", o.dropFlagged, "leave out calc rows with any flag");
}

void addGrains(CLI::App& app, cli::GrainsOptions& o) {
  CLI::App* g = app.add_subcommand(
      "grains",
      "concentrate garnets and clinopyroxenes: class, Ni-in-garnet T, cpx P-T, the "
      "concentrate's geotherm, depths, depth sections");
  g->footer(
      "Example:\n"
      "  mantlept grains garnets.csv --q0 40 -o grains.csv --svg section.svg\n"
      "  mantlept grains garnets.csv --fit pt.csv --pair 7,5 --sections bins.csv\n"
      "  mantlept grains concentrate.csv --fit-cpx --cpx-out cpx.csv --pt-svg pt.svg\n"
      "GRAINS are tables calc reads; every sample with a garnet is one garnet grain,\n"
      "every sample with a clinopyroxene one cpx grain. Ni comes from a Ni ppm column\n"
      "(Ni_Gt) or from NiO (ppm = NiO / 1.2725e-4). Classes after Grutter et al.\n"
      "(2004); the depth is where the geotherm reaches the grain's temperature.\n"
      "Clinopyroxenes are solved with thermometer 48 and barometer 44 (Nimis and\n"
      "Taylor 2000 as published) and kept when a_CaCrTs >= 0.003, both site sums\n"
      "exceed 1.990 and Cr2O3 < 5 wt%; --fit-cpx fits the geotherm to the kept ones\n"
      "as geotherm does. --sections and --svg need a geotherm.");
  g->add_option("GRAINS", o.grains, "tables or workbooks of grain analyses (- = standard input)")
      ->required();
  CLI::Option* q0 = g->add_option("--q0", o.q0, "the geotherm of this surface heat flow (mW/m2)");
  CLI::Option* fit =
      g->add_option("--fit", o.fit, "the geotherm fitted to these P-T points (as geotherm does)");
  q0->excludes(fit);
  CLI::Option* fitCpx = g->add_flag(
      "--fit-cpx", o.fitCpx, "the geotherm fitted to the kept clinopyroxenes (as geotherm does)");
  fitCpx->excludes(q0)->excludes(fit);
  g->add_option("--sigma-T", o.sigmaT, "with --fit-cpx: 1-sigma T error of the cpx (deg C; 50)")
      ->check(finiteNumber())
      ->needs(fitCpx);
  g->add_option("--sigma-P", o.sigmaP, "with --fit-cpx: 1-sigma P error of the cpx (kbar; 3)")
      ->check(finiteNumber())
      ->needs(fitCpx);
  g->add_option("--pair", o.pair, "the thermometer,barometer pair of calc results in --fit")
      ->needs(fit);
  g->add_option("--thermometer", o.thermometer, "canil1999 (default), ryan1996 or sudholz2021")
      ->check(CLI::IsMember({"canil1999", "ryan1996", "sudholz2021"}));
  g->add_option("--ni-olivine", o.niOlivine_ppm, "Ni of the olivine (ppm; 3000)")
      ->check(CLI::Range(1.0, 100000.0));
  g->add_option("--bin", o.bin_km, "depth bin of the sections (km; 10)")
      ->check(CLI::Range(0.1, 300.0));
  g->add_option("-o,--output", o.output, "one row per grain (CSV)");
  g->add_option("--sections", o.sections, "grain counts per depth bin and class (CSV)");
  g->add_option("--svg", o.svg, "the depth-section diagram (SVG)");
  g->add_option("--cpx-out", o.cpxOut, "one row per clinopyroxene grain (CSV)");
  g->add_option("--pt-svg", o.ptSvg, "with --fit-cpx: the P-T diagram of the clinopyroxenes (SVG)");
  g->add_option("--threads", o.threads, "threads to evaluate grains on (default: every core)")
      ->check(CLI::Range(1, 1024));
  g->add_option("--format", o.format, "summary as key: value lines or JSON")
      ->check(CLI::IsMember({"text", "json"}));
  g->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  g->add_flag("--force", o.force, "replace existing output files");
  g->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
}

void addFormula(CLI::App& app, FormulaOptions& o) {
  CLI::App* f = app.add_subcommand(
      "formula", "mineral formulae as the methods read them, end-members, site parameters");
  f->footer(
      "Example:\n"
      "  mantlept formula xenoliths.csv -o formulae.csv --sites sites.csv\n"
      "  mantlept formula xenoliths.csv --ferric charge-balance\n"
      "One row per sample and mineral: the oxides the methods use (wt%), cations per\n"
      "formula unit on the mineral's oxygens (Opx, Cpx 6; Ol, Sp 4; Gt 12; Ilm 3),\n"
      "Mg_number, Cr_number and the end-members. --sites: one row per sample with\n"
      "every site parameter under its name in `mantlept methods N`.");
  f->add_option("ANALYSES", o.analyses,
                "analysis file, or tables and workbooks (- = standard input)")
      ->required();
  f->add_option("-o,--output", o.output, "formula rows (default: standard output)");
  f->add_option("--sites", o.sites, "also write the site parameters of each sample (CSV)");
  addFerric(f, o.ferric);
  f->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  addRimCore(f, o.rimCore);
  f->add_flag("--force", o.force, "replace existing output files");
  f->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
  f->add_option("--threads", o.threads, "threads to evaluate samples on (default: every core)")
      ->check(CLI::Range(1, 1024));
}

void addConvert(CLI::App& app, ConvertOptions& o) {
  CLI::App* c =
      app.add_subcommand("convert", "write a table of analyses as the fixed-column analysis file");
  c->footer(
      "Example:\n"
      "  mantlept convert xenoliths.xlsx -o xenoliths.txt\n"
      "  mantlept convert opx.csv garnet.csv -o xenoliths.txt\n"
      "Rows of several tables are joined by sample name and averaged per mineral.\n"
      "Oxides are written with 3 decimals in their 8-column fields, the\n"
      "description cut to its 32 columns. Two consecutive samples whose names\n"
      "agree in their first 8 characters would merge into one: an error.");
  c->add_option("TABLE", o.tables, "tables or workbooks (- = standard input)")->required();
  addRimCore(c, o.rimCore);
  c->add_option("-o,--output", o.output, "the analysis file to write (default: standard output)");
  c->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  c->add_flag("--force", o.force, "replace an existing output file");
  c->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
}

void addMethods(CLI::App& app, MethodsOptions& o) {
  CLI::App* m = app.add_subcommand(
      "methods", "the methods: number, label, the minerals each needs, what else it reads");
  m->footer(
      "Examples:\n"
      "  mantlept methods                              every method, one line each\n"
      "  mantlept methods 7 --kind thermometer         one method in full\n"
      "  mantlept methods --kind barometer --format csv");
  m->add_option("N", o.number, "the method number");
  m->add_option("--kind", o.kind, "thermometer, barometer or oxybarometer")
      ->check(CLI::IsMember({"thermometer", "barometer", "oxybarometer"}));
  m->add_option("--format", o.format, "text or csv")->check(CLI::IsMember({"text", "csv"}));
}

// An option naming an output file given as "": a usage error.
std::string emptyOutputName(const CLI::App& command, const std::vector<const char*>& names,
                            const std::vector<const std::string*>& values) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (command.count(names[i]) > 0 && values[i]->empty()) {
      return std::string(names[i]) + " needs a file name";
    }
  }
  return "";
}

// An output that would overwrite an input or another output: a usage error,
// found before anything is read.
struct NamedFile {
  const char* option;
  const std::string* path;
};
// The files read: each of `paths`, then `more`.
std::vector<NamedFile> inputFiles(const char* option, const std::vector<std::string>& paths,
                                  std::vector<NamedFile> more) {
  std::vector<NamedFile> files;
  for (const std::string& path : paths) files.push_back({option, &path});
  files.insert(files.end(), more.begin(), more.end());
  return files;
}

std::string sharedFile(const std::vector<NamedFile>& outputs,
                       const std::vector<NamedFile>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const std::string& o = *outputs[i].path;
    if (o.empty()) continue;
    for (const NamedFile& in : inputs) {
      if (!in.path->empty() && *in.path != "-" && sameFile(o, *in.path)) {
        return std::string(outputs[i].option) + " \"" + o + "\" is the " + in.option +
               "; the output must go to another file";
      }
    }
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (!outputs[j].path->empty() && sameFile(o, *outputs[j].path)) {
        return std::string(outputs[i].option) + " and " + outputs[j].option + " name one file \"" +
               o + "\"";
      }
    }
  }
  return "";
}

int runCompareCommand(const CLI::App& c, CompareOptions& o, const std::optional<double>& temperature,
                      std::ostream& out, std::ostream& err) {
  auto usage = [&](const std::string& message) {
    if (message.empty()) return false;
    err << "mantlept compare: " << message << '\n';
    return true;
  };
  if (usage(emptyOutputName(c, {"--output", "--summary", "--offsets", "--svg", "--sigma"},
                            {&o.output, &o.summary, &o.offsets, &o.svg, &o.sigmaFile})) ||
      usage(sharedFile({{"-o", &o.output},
                        {"--summary", &o.summary},
                        {"--offsets", &o.offsets},
                        {"--svg", &o.svg}},
                       inputFiles("analysis file", o.analyses, {{"--sigma file", &o.sigmaFile}})))) {
    return 2;
  }
  const bool mirror = c.count("--thermometer") + c.count("--temperature") + c.count("--barometers") > 0;
  o.compared = mirror ? MethodKind::Barometer : MethodKind::Thermometer;
  if (mirror && temperature) o.fixedValue = temperature;
  if (c.count("--barometer") + c.count("--pressure") + c.count("--thermometer") +
          c.count("--temperature") != 1) {
    err << "mantlept compare: give --barometer B or --pressure KBAR (thermometers compared), or "
           "--thermometer T or --temperature C (barometers compared)\n";
    return 2;
  }
  if (o.reference && !methodInfo(o.compared, *o.reference)) {
    const char* kind = mirror ? "barometer" : "thermometer";
    err << "mantlept compare: there is no " << kind << ' ' << *o.reference
        << " for --reference (mantlept methods --kind " << kind << " lists them)\n";
    return 2;
  }
  if (o.draws == 0 && (!o.sigmaFile.empty() || o.relativeSigma)) {
    err << "mantlept compare: --sigma and --rel-sigma go with --mc N\n";
    return 2;
  }
  return runCompare(o, out, err);
}

int runCommand(CLI::App& app, CalcOptions& calc, const std::vector<std::string>& pairs,
               const std::string& start, const std::string& totals, CompareOptions& compare,
               const std::optional<double>& temperature, ConvertOptions& convert,
               FormulaOptions& formula, MethodsOptions& methods,
               cli::GeothermOptions& geotherm, cli::GrainsOptions& grains, std::ostream& out,
               std::ostream& err) {
  auto usage = [&](const char* command, const std::string& message) {
    if (message.empty()) return false;
    err << "mantlept " << command << ": " << message << '\n';
    return true;
  };
  if (app.got_subcommand("calc")) {
    const CLI::App& c = *app.get_subcommand("calc");
    if (usage("calc", emptyOutputName(c, {"--output", "--legacy", "--sigma"},
                                      {&calc.output, &calc.legacy, &calc.sigmaFile})) ||
        usage("calc", sharedFile({{"-o", &calc.output}, {"--legacy", &calc.legacy}},
                                 inputFiles("analysis file", calc.analyses,
                                            {{"--sigma file", &calc.sigmaFile}})))) {
      return 2;
    }
    for (const std::string& p : pairs) calc.pairs.push_back(*parsePair(p));
    if (!start.empty()) {
      std::size_t comma = start.find(',');
      calc.startT = *plainNumber<Real>(std::string_view(start).substr(0, comma));
      calc.startP = *plainNumber<Real>(std::string_view(start).substr(comma + 1));
    }
    if (!totals.empty()) calc.totals = parseTotals(totals);
    if (!calc.legacy.empty() && calc.ferric == kFerricChargeBalance) {
      err << "mantlept calc: --legacy writes the dialogue's results file, whose ferric iron is "
             "the dialogue's: use --ferric dialogue (or none) with it\n";
      return 2;
    }
    if (calc.draws == 0 && (!calc.sigmaFile.empty() || calc.relativeSigma)) {
      err << "mantlept calc: --sigma and --rel-sigma go with --mc N\n";
      return 2;
    }
    return runCalc(calc, out, err);
  }
  if (app.got_subcommand("compare"))
    return runCompareCommand(*app.get_subcommand("compare"), compare, temperature, out, err);
  if (app.got_subcommand("convert")) {
    const CLI::App& c = *app.get_subcommand("convert");
    if (usage("convert", emptyOutputName(c, {"--output"}, {&convert.output})) ||
        usage("convert",
              sharedFile({{"-o", &convert.output}}, inputFiles("table", convert.tables, {})))) {
      return 2;
    }
    return runConvert(convert, out, err);
  }
  if (app.got_subcommand("formula")) {
    const CLI::App& f = *app.get_subcommand("formula");
    if (usage("formula", emptyOutputName(f, {"--output", "--sites"}, {&formula.output, &formula.sites})) ||
        usage("formula", sharedFile({{"-o", &formula.output}, {"--sites", &formula.sites}},
                                    inputFiles("analysis file", formula.analyses, {})))) {
      return 2;
    }
    return runFormula(formula, out, err);
  }
  if (app.got_subcommand("methods")) return runMethods(methods, out, err);
  if (app.got_subcommand("geotherm")) {
    const CLI::App& g = *app.get_subcommand("geotherm");
    if (usage("geotherm",
              emptyOutputName(g, {"--output", "--svg"}, {&geotherm.outTable, &geotherm.outSvg})) ||
        usage("geotherm", sharedFile({{"-o", &geotherm.outTable}, {"--svg", &geotherm.outSvg}},
                                     {{"points table", &geotherm.points}}))) {
      return 2;
    }
    return cli::runGeotherm(geotherm, out, err);
  }
  if (app.got_subcommand("grains")) {
    const CLI::App& g = *app.get_subcommand("grains");
    if (usage("grains", emptyOutputName(g, {"--output", "--sections", "--svg", "--cpx-out", "--pt-svg"},
                                        {&grains.output, &grains.sections, &grains.svg,
                                         &grains.cpxOut, &grains.ptSvg})) ||
        usage("grains", sharedFile({{"-o", &grains.output},
                                    {"--sections", &grains.sections},
                                    {"--svg", &grains.svg},
                                    {"--cpx-out", &grains.cpxOut},
                                    {"--pt-svg", &grains.ptSvg}},
                                   inputFiles("grains table", grains.grains,
                                              {{"points table", &grains.fit}})))) {
      return 2;
    }
    if ((!grains.sections.empty() || !grains.svg.empty()) && !grains.q0 && grains.fit.empty() &&
        !grains.fitCpx) {
      err << "mantlept grains: --sections and --svg need a geotherm (--q0 Q, --fit POINTS or "
             "--fit-cpx)\n";
      return 2;
    }
    if (!grains.ptSvg.empty() && !grains.fitCpx) {
      err << "mantlept grains: --pt-svg draws the geotherm fitted to the clinopyroxenes: add "
             "--fit-cpx\n";
      return 2;
    }
    return cli::runGrains(grains, out, err);
  }
  out << app.help();
  return 0;
}

// Parses the arguments and runs the command (or prints help or the version).
int parseAndRun(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app;
  app.name("mantlept");
  app.footer(kOverview);
  app.set_version_flag("--version", kVersion);
  app.require_subcommand(0, 1);

  CalcOptions calc;
  std::vector<std::string> pairs;
  std::string start;
  std::string totals;
  addCalc(app, calc, pairs, start, totals);
  CompareOptions compare;
  std::optional<double> temperature;
  addCompare(app, compare, temperature);
  ConvertOptions convert;
  addConvert(app, convert);
  FormulaOptions formula;
  addFormula(app, formula);
  MethodsOptions methods;
  addMethods(app, methods);
  cli::GeothermOptions geotherm;
  addGeotherm(app, geotherm);
  cli::GrainsOptions grains;
  addGrains(app, grains);

  try {
    std::vector<std::string> args = withFerricRule(argc, argv);
    args.erase(args.begin());                    // the program's name
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    app.parse(args);
    if (pairs.size() > static_cast<std::size_t>(kMaxCombinations)) {
      throw CLI::ValidationError("--pair", "at most 12 pairs can be applied in one run");
    }
  } catch (const CLI::CallForVersion&) {
    out << kVersion << '\n';
    return 0;
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e, out, err);
    return code == 0 ? 0 : 2;
  }
  return runCommand(app, calc, pairs, start, totals, compare, temperature, convert, formula,
                    methods, geotherm, grains, out, err);
}

}  // namespace

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  int status = parseAndRun(argc, argv, out, err);
  // What could not be written to standard output (a full disk, a closed
  // device) is lost: never a success.
  errno = 0;
  out.flush();
  if (!out && status == 0) {
    const int why = errno;
    err << "mantlept: writing to standard output failed"
        << (why != 0 ? std::string(": ") + std::strerror(why) : std::string()) << '\n';
    status = 1;
  }
  return status;
}

}  // namespace mantlept
