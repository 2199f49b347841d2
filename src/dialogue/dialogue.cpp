#include "dialogue/dialogue.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/fixed_fields.hpp"
#include "methods/catalogue.hpp"

namespace mantlept {

namespace {

// Instruction text, in Windows-1252 bytes (0x96 dashes, 0x91/0x92 quotes).
constexpr std::array<std::string_view, 10> kInstructions = {
    " File name \x96 any 8 symbols \x96 text format",
    " may be exported from Excel worksheets",
    " as *.prn file column width =8, and 2 decimals,",
    " in Excel the division to decimals  should be \x91.\x92,not a comma.",
    " Amount of combinations \x96 any two from T and P columns",
    " Combination, for example: 0507 or 5,7 for constant T or P -01",
    " Oxidation state is calculated with the last TP combination",
    " Output file is in *.csv format,  name it PT.csv or mmm.csv",
    " And it will be accepted in Excel",
    " GOOD LUCK!!!!!!! ",
};

constexpr std::array<std::string_view, 4> kBannerLines = {
    "    mantlept 1.0 (7 December 2026): mantle xenolith thermobarometry",
    "    from coexisting-mineral microprobe analyses, after published calibrations",
    "    Please report errors, with the analysis file and answers that show them,",
    "    to the mantlept maintainers",
};

class Answers {
 public:
  Answers(std::istream& in, Terminal& out) : in_(in), out_(out) {}

  // The next answer line without its line end (and a Windows carriage return).
  std::string next(std::string_view question) {
    out_.flush();
    std::string line;
    if (!std::getline(in_, line)) {
      throw DialogueAborted("mantlept: input ended while waiting for the answer to \"" +
                            std::string(question) + "\"");
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  std::istream& in_;
  Terminal& out_;
};

std::string trimTrailingBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

char firstCharacter(const std::string& line) { return line.empty() ? ' ' : line[0]; }

// A file name answer: the whole line less trailing blanks; a blank answer is
// asked for again under the unit number.
std::string readFileName(Answers& answers, Terminal& out, std::string_view question, int unit) {
  std::string name = trimTrailingBlanks(answers.next(question));
  while (name.empty() || name.find_first_not_of(' ') == std::string::npos) {
    out.line("File name missing or blank - please enter file name");
    out.write("UNIT " + std::to_string(unit) + "? ");
    name = trimTrailingBlanks(answers.next(question));
  }
  return name;
}

void openAnalysisFile(Answers& answers, Terminal& out, std::ostream& err, RunSettings& settings,
                      InputFile& file) {
  constexpr std::string_view prompt = " File name? ";
  for (;;) {
    out.line(prompt);
    std::string name = readFileName(answers, out, prompt, 1);
    if (file.open(name)) {
      settings.inputFileName = name;
      return;
    }
    err << "mantlept: cannot open the analysis file \"" << name << "\": " << file.error() << '\n';
  }
}

void askFerricIron(Answers& answers, Terminal& out, RunSettings& settings) {
  constexpr std::string_view prompt = " Account FE+3?(Y),(I) -insructions,(R)-refferences";
  out.line(prompt);
  switch (firstCharacter(answers.next(prompt))) {
    case 'Y':
    case 'y':
      settings.ferricOption = 2;
      break;
    case 'I':
    case 'i':
      for (std::string_view line : kInstructions) out.line(line);
      break;
    case 'R':
    case 'r':
      out.line(" References");
      break;
    default:
      break;
  }
}

void askCombinationCount(Answers& answers, Terminal& out, RunSettings& settings) {
  constexpr std::string_view prompt = " Amount of combinations for T and P";
  for (;;) {
    out.line(prompt);
    std::string line = answers.next(prompt);
    std::optional<int> count = FieldCursor(line).integer(2);
    if (!count || *count == 0) continue;
    if (*count > kMaxCombinations) {
      out.line(" At most 12 combinations can be applied in one run - please answer again");
      continue;
    }
    settings.combinationCount = *count;
    return;
  }
}

std::string numbersPrompt(int k) {
  std::string prompt = " Numbers for";
  if (k < 10) prompt += ' ';
  prompt += std::to_string(k);
  prompt += "- combination of methods (2I2)";
  return prompt;
}

void askCombinations(Answers& answers, Terminal& out, RunSettings& settings) {
  for (int k = 1; k <= settings.combinationCount; ++k) {
    printMethodMenu(out);
    std::string prompt = numbersPrompt(k);
    out.line(prompt);
    std::optional<int> thermometer, barometer;
    for (;;) {
      std::string line = answers.next(prompt);
      FieldCursor fields(line);
      thermometer = fields.integer(2);
      barometer = fields.integer(2);
      if (thermometer && barometer) break;
      out.line(kMenuHeading);
      out.line(prompt);
    }
    MethodCombination choice;
    choice.thermometer = *thermometer;
    choice.barometer = *barometer;
    choice.thermometerLabel = std::string(thermometerLabel(*thermometer));
    choice.barometerLabel = std::string(barometerLabel(*barometer));
    out.line(" " + choice.thermometerLabel + choice.barometerLabel);
    settings.combinations.push_back(std::move(choice));
  }
}

void askOxybarometer(Answers& answers, Terminal& out, RunSettings& settings) {
  for (;;) {
    printOxybarometerMenu(out);
    std::optional<int> number = FieldCursor(answers.next(" Number of oxybarometer ")).integer(2);
    if (number) {
      settings.oxybarometerNumber = *number;
      return;
    }
  }
}

void createResultsFile(Answers& answers, Terminal& out, std::ostream& err, RunSettings& settings,
                       OutputFile& file) {
  constexpr std::string_view prompt = " Output file name? ";
  for (;;) {
    out.line(prompt);
    std::string name = readFileName(answers, out, prompt, 2);
    if (file.create(name)) {
      settings.resultsFileName = name;
      return;
    }
    err << "mantlept: cannot create the results file \"" << name
        << "\": " << std::strerror(errno) << '\n';
  }
}

void askIterations(Answers& answers, Terminal& out, RunSettings& settings) {
  constexpr std::string_view prompt = " Iteration number?";
  for (;;) {
    out.line(prompt);
    std::optional<int> limit = FieldCursor(answers.next(prompt)).integer(2);
    if (!limit) continue;
    settings.iterationLimit = *limit == 0 ? 3 : (*limit == 1 ? 2 : *limit);
    return;
  }
}

void askStartingPoint(Answers& answers, Terminal& out, RunSettings& settings) {
  constexpr std::string_view prompt = " Starting T and P (for fixing) (2I4)";
  out.line(prompt);
  std::string line = answers.next(prompt);
  FieldCursor fields(line);
  std::optional<Real> t = fields.real(4, 0);
  std::optional<Real> p = fields.real(4, 0);
  if (!t || !p) {
    throw DialogueAborted("mantlept: the starting T and P \"" + line +
                          "\" cannot be read: give two numbers in columns 1-4 and 5-8");
  }
  settings.startT = *t == 0.0f ? 1000.0f : *t;
  settings.startP = *p == 0.0f ? 10.0f : *p;
}

}  // namespace

RunSettings runDialogue(std::istream& in, Terminal& out, std::ostream& err, DialogueFiles& files,
                        const HeaderWriter& writeHeader) {
  Answers answers(in, out);
  RunSettings settings;
  settings.beyondCatalogue = false;
  out.line(kTitleLine);
  for (std::string_view line : kBannerLines) out.line(line);
  settings.ferricOption = 1;
  openAnalysisFile(answers, out, err, settings, files.analysis);
  askFerricIron(answers, out, settings);
  askCombinationCount(answers, out, settings);
  askCombinations(answers, out, settings);
  askOxybarometer(answers, out, settings);
  createResultsFile(answers, out, err, settings, files.results);
  constexpr std::string_view coefficients = " Write formula coefficients? (Y)";
  out.line(coefficients);
  char answer = firstCharacter(answers.next(coefficients));
  settings.writeCoefficients = answer == 'Y' || answer == 'y';
  writeHeader(settings, files.results);
  askIterations(answers, out, settings);
  askStartingPoint(answers, out, settings);
  return settings;
}

}  // namespace mantlept
