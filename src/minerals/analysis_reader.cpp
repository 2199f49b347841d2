#include "minerals/analysis_reader.hpp"

#include <algorithm>

#include "core/fixed_fields.hpp"
#include "core/printable.hpp"

namespace mantlept {

namespace {

constexpr std::string_view kCodeLetters = "EDOSGRI";
constexpr std::array<std::string_view, 12> kOxideNames = {
    "SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO", "MgO", "CaO", "Na2O", "K2O", "NiO", "Fe2O3"};

}  // namespace

int slotOfCode(char code) {
  std::size_t at = kCodeLetters.find(code);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

bool parseAnalysisLine(std::string_view line, MineralAnalysis& out, std::string& error) {
  FieldCursor fields(line);
  char code[8];
  fields.takeText(8, out.name.data());
  fields.takeText(8, code);
  out.code = code[0];
  for (int k = 0; k < OxideValues::kCount; ++k) {
    int column = 0;
    std::string_view text = fields.take(8, &column);
    std::optional<Real> value = parseRealField(text, 4);
    if (!value) {
      error = "the " + std::string(kOxideNames[static_cast<std::size_t>(k)]) + " field (columns " +
              std::to_string(column + 1) + "-" + std::to_string(column + 8) + ") holds \"" +
              printable(text) + "\", which is not a number";
      return false;
    }
    out.ox[k] = *value;
  }
  fields.takeText(32, out.description.data());
  return true;
}

AnalysisReader::LineRead AnalysisReader::readLine() {
  if (!lines_.next()) {
    if (!lines_.failed()) return LineRead::End;
    message_ = "mantlept: " + fileName_ + ": reading failed after line " +
               std::to_string(lines_.lineNumber());
    return LineRead::Bad;
  }
  std::string error;
  if (!parseAnalysisLine(lines_.text(), pending_, error)) {
    message_ =
        "mantlept: " + fileName_ + ", line " + std::to_string(lines_.lineNumber()) + ": " + error;
    return LineRead::Bad;
  }
  hasPending_ = true;
  return LineRead::Ok;
}

AnalysisReader::Status AnalysisReader::next(Association& a) {
  if (failed_) return Status::Unreadable;
  a.present.fill(false);
  AssociationInfo& info = a.info;
  bool started = false;
  bool hasMineral = false;
  for (;;) {
    if (!hasPending_) {
      LineRead read = readLine();
      if (read == LineRead::End) return hasMineral ? Status::Association : Status::End;
      if (read == LineRead::Bad) {
        failed_ = true;
        // The sample name of an unreadable line can still be read: a line of
        // another sample means the association before it is complete.
        bool otherSample = started && !lines_.failed() && pending_.name != info.name;
        return otherSample ? Status::Association : Status::Unreadable;
      }
    }
    if (started && pending_.name != info.name) return Status::Association;
    hasPending_ = false;
    if (!started) {
      started = true;
      info.name = pending_.name;
      std::fill(info.description.begin(), info.description.end(), ' ');
      std::copy(pending_.description.begin(), pending_.description.end(), info.description.begin());
      // The full name, without the blanks that pad it to its columns.
      std::string_view name = info.nameText();
      name.remove_suffix(name.size() - (name.find_last_not_of(' ') + 1));
      a.sample.assign(name);
    }
    int slot = slotOfCode(pending_.code);
    if (slot < 0) continue;
    a.ox[static_cast<std::size_t>(slot)] = pending_.ox;
    a.present[static_cast<std::size_t>(slot)] = true;
    hasMineral = true;
  }
}

}  // namespace mantlept
