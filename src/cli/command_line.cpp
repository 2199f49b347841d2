#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <map>
#include <thread>

#include "cli/calc_command.hpp"
#include "cli/convert_command.hpp"
#include "cli/geotherm_command.hpp"
#include "cli/methods_command.hpp"
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
    "  mantlept convert table.xlsx -o analyses.txt    table to fixed columns\n"
    "  mantlept methods 7 --kind thermometer          what a method needs\n"
    "  mantlept geotherm results.csv --svg pt.svg     geotherm fit and diagram\n"
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

// "T,P" in degrees Celsius and kbar.
std::string checkStart(const std::string& text) {
  std::size_t comma = text.find(',');
  if (comma == std::string::npos) return "--start takes T,P (deg C, kbar), as 1000,10";
  try {
    std::size_t used = 0;
    std::string t = text.substr(0, comma), p = text.substr(comma + 1);
    float tv = std::stof(t, &used);
    if (used != t.size()) throw std::invalid_argument(t);
    float pv = std::stof(p, &used);
    if (used != p.size()) throw std::invalid_argument(p);
    if (!std::isfinite(tv) || !std::isfinite(pv)) throw std::invalid_argument(text);
  } catch (const std::exception&) {
    return "--start takes two numbers T,P (deg C, kbar), as 1000,10: \"" + text + "\"";
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

void addCalc(CLI::App& app, CalcOptions& o, std::vector<std::string>& pairs, std::string& start) {
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
  calc->add_flag("--ferric", o.ferric, "estimate ferric iron by charge balance");
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
  calc->add_option("--mc", o.draws, "Monte Carlo draws per sample (1 to 1000000)")
      ->check(CLI::Range(1, 1000000));
  calc->add_option("--seed", o.seed, "seed of the draws (default 1)");
  CLI::Option* sigma =
      calc->add_option("--sigma", o.sigmaFile, "1-sigma errors: CSV of mineral,oxide,abs,rel");
  calc->add_option("--rel-sigma", o.relativeSigma, "every oxide uncertain by PCT per cent")
      ->check(CLI::Range(0.0, 1000.0))
      ->excludes(sigma);
  calc->add_option("--threads", o.threads, "threads for the draws (default: every core)")
      ->check(CLI::Range(1, 1024));
}

void addGeotherm(CLI::App& app, cli::GeothermOptions& o) {
  CLI::App* g = app.add_subcommand(
      "geotherm", "fit a conductive geotherm to P-T points: heat flow, LAB, diamond window");
  g->footer(
      "Example:\n"
      "  mantlept calc xenoliths.csv -p 7,5 -o pt.csv\n"
      "  mantlept geotherm pt.csv --pair 7,5 --svg pt.svg -o geotherm.csv\n"
      "POINTS is the tidy output of calc (only its ok rows are used) or any table\n"
      "with a temperature column (T_C, T, Temp, Temperature in deg C, or T_K) and\n"
      "a pressure column (P_kbar, P_GPa, or P with --p-unit), optionally sigma_T,\n"
      "sigma_P (unit of P), corr_TP and sample. Points without errors get\n"
      "--sigma-T (default 50 deg C) and --sigma-P (default 3 kbar).");
  g->add_option("POINTS", o.points, "P-T points: calc results or a table");
  g->add_option("--pair", o.pair, "the thermometer,barometer pair of calc results to fit");
  g->add_option("--p-unit", o.pUnit, "unit of a bare P column")
      ->check(CLI::IsMember({"kbar", "GPa"}));
  g->add_option("--sigma-T", o.sigmaT_C, "1-sigma T error of points without one (deg C; 50)");
  g->add_option("--sigma-P", o.sigmaP, "1-sigma P error of points without one (unit of P; 3 kbar)");
  g->add_option("--q0", o.q0, "no fit: the geotherm of this surface heat flow (mW/m2)");
  g->add_option("--format", o.format, "summary as key: value lines or JSON")
      ->check(CLI::IsMember({"text", "json"}));
  g->add_option("-o,--output", o.outTable, "geotherm table, every 1 km to 300 km (CSV)");
  g->add_option("--svg", o.outSvg, "the P-T diagram (SVG)");
  g->add_option("--sheet", o.sheet, "workbook sheet (default: the first)");
  g->add_flag("-q,--quiet", o.quiet, "no notes on standard error (errors still)");
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

}  // namespace

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app;
  app.name("mantlept");
  app.footer(kOverview);
  app.set_version_flag("--version", kVersion);
  app.require_subcommand(0, 1);

  CalcOptions calc;
  std::vector<std::string> pairs;
  std::string start;
  addCalc(app, calc, pairs, start);
  ConvertOptions convert;
  addConvert(app, convert);
  MethodsOptions methods;
  addMethods(app, methods);
  cli::GeothermOptions geotherm;
  addGeotherm(app, geotherm);

  try {
    app.parse(argc, argv);
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

  if (app.got_subcommand("calc")) {
    for (const std::string& p : pairs) calc.pairs.push_back(*parsePair(p));
    if (!start.empty()) {
      std::size_t comma = start.find(',');
      calc.startT = std::stof(start.substr(0, comma));
      calc.startP = std::stof(start.substr(comma + 1));
    }
    if (calc.draws == 0 && (!calc.sigmaFile.empty() || calc.relativeSigma || calc.threads != 0)) {
      err << "mantlept calc: --sigma, --rel-sigma and --threads go with --mc N\n";
      return 2;
    }
    return runCalc(calc, out, err);
  }
  if (app.got_subcommand("convert")) return runConvert(convert, out, err);
  if (app.got_subcommand("methods")) return runMethods(methods, out, err);
  if (app.got_subcommand("geotherm")) return cli::runGeotherm(geotherm, out, err);
  out << app.help();
  return 0;
}

}  // namespace mantlept
