#pragma once
// Checks of the program's outputs that hold for every input: the fixed layout
// of result and failure lines, the length and cells of the results header and
// rows, and numbers that are never "nan" or "inf". Each check returns "" when
// the text is right and otherwise says what is wrong; the tests and the fuzz
// targets share them.
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "solver/run_settings.hpp"

namespace mantlept::checks {

inline constexpr std::string_view kFailureText = " Not complete association";
inline constexpr std::size_t kResultLineLength = 84;  // without the carriage-control blank
inline constexpr std::size_t kFailureLineLength = 32;
inline constexpr std::string_view kLastPrompt = " Starting T and P (for fixing) (2I4)";

inline std::size_t headerLength(int n) { return 599 + 34 * static_cast<std::size_t>(n); }
inline std::size_t rowLength(int n) { return 644 + 14 * static_cast<std::size_t>(n); }

inline std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return lines;
}

// True when `text` is a value edited Fw.d: exactly w characters, all
// asterisks, or blanks, an optional minus, digits, the point and d digits
// (no zero before the point below 1, a lone 0 only for d = 0).
inline bool isFixedField(std::string_view text, int w, int d) {
  if (text.size() != static_cast<std::size_t>(w)) return false;
  if (text.find_first_not_of('*') == std::string_view::npos) return true;
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  if (text[i] == '-') ++i;
  std::size_t wholeStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  std::size_t wholeDigits = i - wholeStart;
  if (i == text.size() || text[i] != '.') return false;
  if (wholeDigits > 1 && text[wholeStart] == '0') return false;
  if (wholeDigits == 1 && text[wholeStart] == '0' && d > 0) return false;
  if (wholeDigits == 0 && d == 0) return false;
  ++i;
  std::size_t fraction = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++fraction;
  return i == text.size() && fraction == static_cast<std::size_t>(d);
}

inline std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

inline bool containsNanOrInf(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
}

// A result line as the terminal shows it: name (7), blank, thermometer label,
// " TC=", F5.0, barometer label, " Pkb=", F4.1, " FO2=", F5.2, 8 blanks, tag.
inline std::string checkResultLine(std::string_view line, const MethodCombination& c,
                                   std::string_view ferricTag) {
  if (line.size() != kResultLineLength)
    return "result line of length " + std::to_string(line.size());
  auto piece = [&](std::size_t at, std::size_t n) { return line.substr(at, n); };
  if (piece(7, 1) != " ") return "no blank after the name: " + quoted(line);
  if (piece(8, 16) != c.thermometerLabel) return "thermometer label: " + quoted(line);
  if (piece(24, 4) != " TC=") return "\" TC=\" missing: " + quoted(line);
  if (!isFixedField(piece(28, 5), 5, 0)) return "temperature not F5.0: " + quoted(line);
  if (piece(33, 16) != c.barometerLabel) return "barometer label: " + quoted(line);
  if (piece(49, 5) != " Pkb=") return "\" Pkb=\" missing: " + quoted(line);
  if (!isFixedField(piece(54, 4), 4, 1)) return "pressure not F4.1: " + quoted(line);
  if (piece(58, 5) != " FO2=") return "\" FO2=\" missing: " + quoted(line);
  if (!isFixedField(piece(63, 5), 5, 2)) return "FO2 not F5.2: " + quoted(line);
  if (piece(68, 8) != "        ") return "no 8 blanks before the tag: " + quoted(line);
  if (piece(76, 8) != ferricTag) return "ferric tag: " + quoted(line);
  return "";
}

inline bool isFailureLine(std::string_view line) {
  return line.size() == kFailureLineLength && line.substr(7) == kFailureText;
}

inline bool looksLikeResultLine(std::string_view line) {
  return line.size() == kResultLineLength && line.substr(24, 4) == " TC=";
}

// The header: 599 + 34 N characters ending with a comma.
inline std::string checkHeader(std::string_view header, const RunSettings& settings) {
  if (header.size() != headerLength(settings.evaluatedCount())) {
    return "header of length " + std::to_string(header.size()) + ", expected " +
           std::to_string(headerLength(settings.evaluatedCount()));
  }
  if (header.substr(0, 11) != "    INDEX ,") return "header does not start with INDEX";
  if (header.back() != ',') return "header does not end with a comma";
  return "";
}

namespace detail {

// Reads a double-quoted text with doubled quotes at `at`; its plain length in
// `length`. False when the quotes are not closed.
inline bool readQuoted(std::string_view row, std::size_t& at, std::size_t& length) {
  if (at >= row.size() || row[at] != '"') return false;
  ++at;
  length = 0;
  while (at < row.size()) {
    if (row[at] == '"') {
      if (at + 1 < row.size() && row[at + 1] == '"') {
        at += 2;
        ++length;
        continue;
      }
      ++at;
      return true;
    }
    ++at;
    ++length;
  }
  return false;
}

}  // namespace detail

// A data row: blank, quoted 8-character name, comma, 62 F8.3 cells each with a
// comma, quoted 64-character description, comma, F6.3, then for each of the N
// combinations a comma, F6.1, a comma and F6.1, and the closing comma. Its
// length is 644 + 14 N plus one for each doubled quote.
inline std::string checkRow(std::string_view row, int n) {
  std::size_t quotes = 0;
  std::size_t at = 0;
  if (row.empty() || row[0] != ' ') return "row does not start with a blank";
  at = 1;
  std::size_t length = 0;
  std::size_t before = at;
  if (!detail::readQuoted(row, at, length) || length != 8)
    return "row name is not 8 quoted characters";
  quotes += (at - before) - 2 - length;
  if (at >= row.size() || row[at] != ',') return "no comma after the name";
  ++at;
  for (int k = 0; k < 62; ++k) {
    if (at + 9 > row.size()) return "row too short in cell " + std::to_string(k + 1);
    std::string_view cell = row.substr(at, 8);
    if (!isFixedField(cell, 8, 3))
      return "cell " + std::to_string(k + 1) + " not F8.3: " + quoted(cell);
    if (row[at + 8] != ',') return "no comma after cell " + std::to_string(k + 1);
    at += 9;
  }
  before = at;
  if (!detail::readQuoted(row, at, length) || length != 64) {
    return "row description is not 64 quoted characters";
  }
  quotes += (at - before) - 2 - length;
  if (at >= row.size() || row[at] != ',') return "no comma after the description";
  ++at;
  if (at + 6 > row.size() || !isFixedField(row.substr(at, 6), 6, 3)) return "FO2 cell not F6.3";
  at += 6;
  for (int k = 0; k < n; ++k) {
    for (int v = 0; v < 2; ++v) {
      if (at + 7 > row.size() || row[at] != ',') return "no comma before a T or P cell";
      if (!isFixedField(row.substr(at + 1, 6), 6, 1)) {
        return "T/P cell of combination " + std::to_string(k + 1) +
               " not F6.1: " + quoted(row.substr(at + 1, 6));
      }
      at += 7;
    }
  }
  if (at + 1 != row.size() || row[at] != ',') return "row does not end with the closing comma";
  if (row.size() != rowLength(n) + quotes) {
    return "row of length " + std::to_string(row.size()) + ", expected " +
           std::to_string(rowLength(n) + quotes);
  }
  return "";
}

// A whole results file: the header and `rows` rows, each line ended.
inline std::string checkResultsFile(std::string_view text, const RunSettings& settings,
                                    std::size_t rows) {
  if (!text.empty() && text.back() != '\n') return "results file does not end with a line end";
  std::vector<std::string_view> lines = splitLines(text);
  if (lines.size() != rows + 1) {
    return "results file has " + std::to_string(lines.size()) + " lines, expected " +
           std::to_string(rows + 1);
  }
  if (std::string e = checkHeader(lines[0], settings); !e.empty()) return e;
  for (std::size_t r = 1; r < lines.size(); ++r) {
    if (std::string e = checkRow(lines[r], settings.evaluatedCount()); !e.empty()) {
      return "row " + std::to_string(r) + ": " + e;
    }
  }
  return "";
}

// The terminal lines after the dialogue: for each of `rows` associations, one
// result or failure line per combination in order, between them only empty
// lines (associations with orthopyroxene) and single-number value lines of
// methods, and the stop word last when `finished`.
inline std::string checkTranscript(std::string_view terminal, const RunSettings& settings,
                                   std::size_t rows, bool finished) {
  std::size_t start = terminal.rfind(kLastPrompt);
  if (start == std::string_view::npos) return "the dialogue did not end";
  start = terminal.find('\n', start);
  std::vector<std::string_view> lines = splitLines(terminal.substr(start + 1));
  if (finished) {
    if (lines.empty() || lines.back() != "Kolvex") return "the run does not end with Kolvex";
    lines.pop_back();
  }
  const int n = settings.evaluatedCount();
  const std::string_view tag = settings.ferricOption == 2 ? "acc.FE3+" : "all FE2+";
  std::size_t reported = 0;
  std::string_view name;
  for (std::string_view line : lines) {
    if (line == "Kolvex") return "Kolvex before the end";
    int k = n == 0 ? 0 : static_cast<int>(reported % static_cast<std::size_t>(n));
    if (isFailureLine(line) || looksLikeResultLine(line)) {
      if (n == 0) return "a result line without combinations: " + quoted(line);
      if (k == 0) name = line.substr(0, 7);
      if (line.substr(0, 7) != name) return "combination lines of one sample differ in name";
      if (!isFailureLine(line)) {
        std::string e =
            checkResultLine(line, settings.combinations[static_cast<std::size_t>(k)], tag);
        if (!e.empty()) return e;
      }
      ++reported;
      continue;
    }
    if (line.empty()) continue;
    // A method's value line: one number after a blank.
    std::string number(line.substr(line.size() > 0 && line[0] == ' ' ? 1 : 0));
    char* end = nullptr;
    double v = std::strtod(number.c_str(), &end);
    if (line[0] != ' ' || number.empty() || *end != '\0' || !std::isfinite(v) ||
        containsNanOrInf(line)) {
      return "unexpected terminal line: " + quoted(line);
    }
  }
  if (reported != rows * static_cast<std::size_t>(n)) {
    return std::to_string(reported) + " result lines for " + std::to_string(rows) +
           " samples and " + std::to_string(n) + " combinations";
  }
  return "";
}

}  // namespace mantlept::checks
