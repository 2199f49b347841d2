#include "tables/analysis_writer.hpp"

#include <cmath>
#include <cstdio>

#include "core/number_text.hpp"
#include "tables/column_names.hpp"
#include "tables/row_source.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

constexpr char kCodeLetters[] = "EDOSGRI";
const char* const kMineralNames[kSlotCount] = {"Opx", "Cpx", "Ol", "Sp", "Gar", "R", "Ilm"};

// A fixed-width text field: control bytes (a line break inside a quoted cell)
// would break the line, so they become blanks.
void appendText(std::string& out, std::string_view text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    char c = i < text.size() ? text[i] : ' ';
    auto byte = static_cast<unsigned char>(c);
    out += byte < 0x20 || byte == 0x7f ? ' ' : c;
  }
}

}  // namespace

void appendAnalysisLines(std::string& out, const Association& a) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    auto s = static_cast<std::size_t>(slot);
    if (!a.present[s]) continue;
    std::string line;
    appendText(line, a.info.nameText(), 8);
    line += kCodeLetters[slot];
    line.append(7, ' ');
    for (int k = 0; k < OxideValues::kCount; ++k) {
      double v = static_cast<double>(a.ox[s][k]);
      // %8.3f rounds to 3 decimals: from 9999.9995 up (or -999.9995 down) it
      // needs a ninth column.
      if (!std::isfinite(v) || v >= 9999.9995 || v <= -999.9995)
        throw TableError("mantlept: sample \"" + printable(a.sample) +
                         "\": " + std::string(oxideName(k)) + " of " + kMineralNames[slot] + " (" +
                         std::to_string(v) + ") does not fit the 8 columns of its field");
      appendPrintfFixed(line, a.ox[s][k], 8, 3);
    }
    appendText(line, a.info.descriptionText(), 32);
    out += line;
    out += '\n';
  }
}

void SampleNameChecker::check(const Association& a) {
  std::string name(a.info.nameText());
  if (any_ && name == lastName_) {
    std::string both = "\"" + printable(last_) + "\" and \"" + printable(a.sample) + "\"";
    throw TableError("mantlept: consecutive samples " + both +
                     (last_ == a.sample ? " have one name"
                                        : " agree in the 8 characters the analysis file keeps") +
                     " and would be read back as one association");
  }
  last_ = a.sample;
  lastName_ = name;
  any_ = true;
}

}  // namespace mantlept::tables
