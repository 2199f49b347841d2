#include "tables/association_table.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tables/column_names.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

const char* const kMineralNames[kSlotCount] = {"Opx", "Cpx", "Ol", "Sp", "Gar", "R", "Ilm"};

bool blank(const std::vector<std::string_view>& cells) {
  for (std::string_view c : cells)
    if (!trim(c).empty()) return false;
  return true;
}

// The first 20 names quoted, then how many more there are.
std::string quotedList(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 20;
  std::string list;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
    list += (list.empty() ? "\"" : ", \"") + printable(names[i]) + "\"";
  if (names.size() > kShown) list += " and " + std::to_string(names.size() - kShown) + " more";
  return list;
}

// Eight bytes at a time: a row of numbers has none.
bool highBytes(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080u) != 0) return true;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  return false;
}

bool allDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The first cell of the reference list below the data of a compilation.
bool startsReferences(std::string_view cell) {
  constexpr std::string_view kWord = "references:";
  cell = trim(cell);
  if (cell.size() < kWord.size()) return false;
  for (std::size_t i = 0; i < kWord.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(cell[i])) != kWord[i]) return false;
  return true;
}

}  // namespace

bool isUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t more = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if ((c >> 4) == 0xE) {
      more = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
    } else {
      return false;
    }
    if (i + more >= text.size()) return false;
    for (std::size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
    i += more + 1;
  }
  return true;
}

std::string latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string_view withoutReferenceTag(std::string_view text) {
  text = trim(text);
  if (!text.ends_with(']')) return text;
  std::size_t open = text.rfind('[');
  if (open == std::string_view::npos || !allDigits(text.substr(open + 1, text.size() - open - 2)))
    return text;
  return trim(text.substr(0, open));
}

AssociationTable::~AssociationTable() = default;

void AssociationTable::fail(const std::string& what) const {
  throw TableError("mantlept: " + rows_->fileName() + ": " + what);
}

void AssociationTable::failRow(const std::string& what) const {
  throw TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) + ": " +
                   what);
}

AssociationTable::AssociationTable(std::unique_ptr<RowSource> rows, Diagnostics& diagnostics)
    : rows_(std::move(rows)), diagnostics_(diagnostics) {
  do {
    if (!rows_->nextViews(cells_)) fail("the table is empty (there is no header row)");
  } while (blank(cells_));
  // Known once the header has been read.
  decimalComma_ = rows_->delimiter() == ';' || rows_->delimiter() == '\t';
  holdsNumbers_ = rows_->holdsNumbers();
  readText();
  header_.clear();
  for (std::string_view h : cells_) header_.emplace_back(trim(h));
  for (std::size_t i = 0; i < header_.size(); ++i)
    if (!header_[i].empty()) headerWidth_ = i + 1;

  int sampleRank = 99;
  bool suffixed = false, plain = false;
  std::vector<std::string> unused;
  std::vector<Column> found;
  for (std::size_t i = 0; i < header_.size(); ++i) {
    if (header_[i].empty()) continue;
    ColumnMeaning m = columnMeaning(header_[i]);
    int index = static_cast<int>(i);
    switch (m.kind) {
      case ColumnMeaning::Sample:
        if (m.rank < sampleRank) sampleColumn_ = index, sampleRank = m.rank;
        break;
      case ColumnMeaning::Mineral:
        if (mineralColumn_ < 0) mineralColumn_ = index;
        break;
      case ColumnMeaning::Description:
        if (descriptionColumn_ < 0) descriptionColumn_ = index;
        break;
      case ColumnMeaning::Position:
        if (positionColumn_ < 0) positionColumn_ = index;
        break;
      case ColumnMeaning::Oxide:
        if (!m.mineral.empty()) {
          suffixed = true;
          diagnostics_.warn("mineral:" + m.mineral,
                            "columns of mineral \"" + printable(m.mineral) +
                                "\" are skipped (not a mineral the program knows)");
          break;
        }
        (m.slot >= 0 ? suffixed : plain) = true;
        found.push_back({index, m.slot, m.oxide, m.factor, m.nickelPpm, m.iron});
        break;
      case ColumnMeaning::Ignored:
        unused.push_back(header_[i]);
        break;
    }
  }

  if (mineralColumn_ >= 0) {
    layout_ = Layout::Long;
  } else if (suffixed) {
    layout_ = Layout::Wide;
  } else if (plain && sampleColumn_ >= 0) {
    fail(
        "the table has a sample column and oxide columns but no mineral column (Mineral, "
        "Phase or Min), and no oxide column names its mineral (such as SiO2_Opx)");
  }
  if (!plain && !suffixed) {
    std::vector<std::string> seen;
    for (const std::string& h : header_)
      if (!h.empty()) seen.push_back(h);
    fail("no oxide column recognised; the columns are " + quotedList(seen));
  }
  if (sampleColumn_ < 0) fail("no sample column (Sample, Sample_ID, Sample name, Name or ID)");

  // Keep the columns of the layout; catch two columns holding one quantity.
  // The iron columns (FeOt, FeO, Fe2O3, Fe2O3t) are distinct quantities.
  for (const Column& c : found) {
    if ((layout_ == Layout::Long) != (c.slot < 0)) {
      unused.push_back(header_[static_cast<std::size_t>(c.index)]);
      continue;
    }
    bool keep = true;
    for (const Column& other : columns_) {
      if (other.slot != c.slot || other.oxide != c.oxide || other.iron != c.iron) continue;
      auto name = [&](int i) {
        return columnLetters(i) + " (\"" + printable(header_[static_cast<std::size_t>(i)]) + "\")";
      };
      if (other.nickelPpm == c.nickelPpm)
        fail("columns " + name(other.index) + " and " + name(c.index) + " both hold " +
             std::string(oxideName(c.oxide)) +
             (c.slot >= 0 ? std::string(" of ") + kMineralNames[c.slot] : std::string()));
      diagnostics_.note("nickel:" + std::to_string(c.slot),
                        "columns " + name(other.index) + " and " + name(c.index) +
                            " both give nickel; a row's ppm value is used where it has one");
    }
    if (keep) columns_.push_back(c);
  }
  slotColumns_.resize(kSlotCount + 1);
  for (const Column& c : columns_) slotColumns_[static_cast<std::size_t>(c.slot + 1)].push_back(c);
  for (const std::string& name : unused)
    diagnostics_.list("unused", "columns not used", printable(name));
}

// A file that is not valid UTF-8 is Latin-1 (older database files are):
// from the first cell that shows it on, every cell is turned into UTF-8.
void AssociationTable::readText() {
  // Workbook text is UTF-8 already; most rows of text tables are ASCII.
  if (rows_->delimiter() == 0 || rows_->rowIsAscii()) return;
  if (converted_.size() < cells_.size()) converted_.resize(cells_.size());
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    std::string_view& cell = cells_[i];
    if (!highBytes(cell)) continue;
    if (!latin1_ && !isUtf8(cell)) {
      latin1_ = true;
      diagnostics_.note("latin1:" + rows_->fileName(),
                        rows_->fileName() + " is not UTF-8 text; it is read as Latin-1");
    }
    if (!latin1_) continue;
    converted_[i] = latin1ToUtf8(cell);
    cell = converted_[i];
  }
}

void AssociationTable::checkRowWidth() {
  bool extra = false;
  for (std::size_t i = header_.size(); i < cells_.size(); ++i)
    if (!trim(cells_[i]).empty()) extra = true;
  if (cells_.size() < headerWidth_ || extra)
    failRow("the row has " + std::to_string(cells_.size()) + " cells, the header has " +
            std::to_string(headerWidth_));
  if (cells_.size() <= header_.size() || rows_->delimiter() != ',') return;
  // A row longer than the header, ending in empty cells: a number written with
  // a decimal comma ("55,48") has been split in two and every later cell moved.
  for (const Column& c : columns_) {
    auto i = static_cast<std::size_t>(c.index);
    std::string_view whole = trim(cells_[i]), fraction = trim(cells_[i + 1]);
    if (whole.starts_with('-')) whole.remove_prefix(1);
    if (allDigits(whole) && allDigits(fraction))
      failRow("\"" + printable(cells_[i]) + "," + printable(cells_[i + 1]) + "\" in column " +
              columnLetters(c.index) + " (\"" + printable(header_[i]) +
              "\") reads as a number with a decimal comma, which the comma delimiter splits "
              "(the row has " +
              std::to_string(cells_.size()) + " cells, the header " +
              std::to_string(header_.size()) +
              "): write a decimal point, quote the cell, or use ; or tab as the delimiter");
  }
}

bool AssociationTable::readRow() {
  for (;;) {
    if (!rows_->nextViews(cells_)) return false;
    row_ = rows_->rowNumber();
    if (blank(cells_)) continue;
    if (startsReferences(cells_[0])) return false;
    readText();
    checkRowWidth();
    ++dataRows_;
    return true;
  }
}

double AssociationTable::value(int column, int oxide, double factor, bool& isBlank,
                               double* read) {
  const std::string_view text = cells_[static_cast<std::size_t>(column)];
  isBlank = false;
  // A source that holds numbers hands them over as they are (NaN: empty).
  double held = 0;
  const bool direct = holdsNumbers_ && rows_->number(static_cast<std::size_t>(column), held);
  if (direct ? std::isnan(held) : text.empty()) {
    isBlank = true;
    return 0;
  }
  CellValue cell = direct ? CellValue{CellValue::Number, held} : readCell(text, decimalComma_);
  auto problem = [&](const std::string& what) {
    return TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) +
                      ", column " + columnLetters(column) + " (\"" +
                      printable(header_[static_cast<std::size_t>(column)]) + "\"): \"" +
                      printable(direct ? numberText(held) : text) + "\" " + what);
  };
  if (cell.kind == CellValue::NotNumber) throw problem("is not a number");
  if (cell.kind == CellValue::Zero) {
    if (trim(text).empty()) {
      isBlank = true;
    } else {
      diagnostics_.note("zero",
                        "cells below detection or not determined (such as bdl, <0.02, "
                        "n.d. or -) read as 0");
    }
    return 0;
  }
  // Compilations mark "not determined" with negative numbers.
  if (cell.value < 0) {
    diagnostics_.tally("negative", "negative cells read as 0 (below detection), by column",
                       printable(header_[static_cast<std::size_t>(column)]));
    return 0;
  }
  double v = cell.value * factor;
  if (read != nullptr) *read = cell.value;
  // No oxide exceeds the whole analysis: a date serial or a misplaced number.
  if (v > 100) throw problem("is above 100 wt% (" + std::string(oxideName(oxide)) + ")");
  return v;
}

// One mineral's oxides from its columns. Of the iron columns a row takes
// total FeO where above 0; else FeO and Fe2O3 where either is above 0; else
// total Fe2O3 (turned into FeO by its factor) where above 0; else 0. A zero
// (as compilations write an undetermined ferric iron) gives way to the next.
bool AssociationTable::readOxides(int slot, RowAnalysis& analysis) {
  constexpr int kFeO = 4, kFe2O3 = 11, kNiO = 10;
  analysis.slot = slot;
  analysis.ox.fill(0);
  analysis.determined = 0;
  analysis.niPpm = 0;
  std::array<double, 5> iron{};
  std::array<bool, 5> ironGiven{};
  std::array<Column*, 5> ironColumn{};
  double nickelPpm = 0;
  bool nickelPpmGiven = false;
  for (Column& c : slotColumns_[static_cast<std::size_t>(slot + 1)]) {
    bool isBlank = false;
    double ppm = 0;
    double v = value(c.index, c.oxide, c.factor, isBlank, c.nickelPpm ? &ppm : nullptr);
    if (c.nickelPpm) {
      if (v > 0) analysis.niPpm = ppm;
      nickelPpm = v;
      nickelPpmGiven = !isBlank;
      continue;
    }
    if (c.iron != ColumnMeaning::NotIron) {
      iron[static_cast<std::size_t>(c.iron)] = v;
      ironGiven[static_cast<std::size_t>(c.iron)] = !isBlank;
      ironColumn[static_cast<std::size_t>(c.iron)] = &c;
      continue;
    }
    analysis.ox[static_cast<std::size_t>(c.oxide)] = v;
    if (!isBlank) analysis.determined |= static_cast<std::uint16_t>(1u << c.oxide);
  }
  auto above = [&](int role) { return iron[static_cast<std::size_t>(role)] > 0; };
  auto set = [&](int oxide, int role) {
    if (!ironGiven[static_cast<std::size_t>(role)]) return;
    analysis.ox[static_cast<std::size_t>(oxide)] = iron[static_cast<std::size_t>(role)];
    analysis.determined |= static_cast<std::uint16_t>(1u << oxide);
  };
  // Counts a row under the column of `role` when it holds a value above 0.
  auto count = [&](int role, long Column::*counter) {
    if (above(role)) ++(ironColumn[static_cast<std::size_t>(role)]->*counter);
  };
  using M = ColumnMeaning;
  const bool hasFeOTotal = ironColumn[M::FeOTotal] != nullptr;
  if (above(M::FeOTotal)) {
    set(kFeO, M::FeOTotal);
    count(M::FeOPlain, &Column::setAside);
    count(M::Fe2O3Plain, &Column::setAside);
  } else if (above(M::FeOPlain) || above(M::Fe2O3Plain)) {
    set(kFeO, M::FeOPlain);
    set(kFe2O3, M::Fe2O3Plain);
    if (hasFeOTotal) {
      count(M::FeOPlain, &Column::lowerTaken);
      count(M::Fe2O3Plain, &Column::lowerTaken);
    }
  } else if (above(M::Fe2O3Total)) {
    set(kFeO, M::Fe2O3Total);
    if (hasFeOTotal || ironColumn[M::FeOPlain] != nullptr || ironColumn[M::Fe2O3Plain] != nullptr)
      count(M::Fe2O3Total, &Column::lowerTaken);
  } else {
    // No iron above 0: FeO and Fe2O3 are 0, determined where a cell says so.
    for (int role : {M::FeOTotal, M::FeOPlain, M::Fe2O3Total}) set(kFeO, role);
    set(kFe2O3, M::Fe2O3Plain);
  }
  // Nickel in ppm where the row has it, else NiO as wt%.
  if (nickelPpmGiven) {
    analysis.ox[kNiO] = nickelPpm;
    analysis.determined |= static_cast<std::uint16_t>(1u << kNiO);
  }
  // Zero also when every value is below single precision's smallest.
  for (double v : analysis.ox)
    if (static_cast<Real>(v) != 0) return true;
  return false;
}

void AssociationTable::assignText(std::string& to, int column) const {
  if (column < 0) {
    to.clear();
  } else {
    to.assign(withoutReferenceTag(cells_[static_cast<std::size_t>(column)]));
  }
}

// The slot of a mineral name; the few names of a table are remembered.
int AssociationTable::slotOf(std::string_view mineral) {
  for (const auto& [name, slot] : mineralSlots_)
    if (name == mineral) return slot;
  int slot = slotOfMineralName(mineral);
  if (mineralSlots_.size() < 64) mineralSlots_.emplace_back(mineral, slot);
  return slot;
}

// One note on the iron of the table's rows: the columns whose iron was
// taken because a column before them held none, and the FeO and Fe2O3 set
// aside because total FeO was given.
void AssociationTable::noteIron() {
  std::string lower, aside;
  for (const std::vector<Column>& columns : slotColumns_) {
    for (const Column& c : columns) {
      const std::string name =
          "\"" + printable(header_[static_cast<std::size_t>(c.index)]) + "\" (";
      if (c.lowerTaken > 0)
        lower += (lower.empty() ? "" : ", ") + name + std::to_string(c.lowerTaken) + ")";
      if (c.setAside > 0)
        aside += (aside.empty() ? "" : ", ") + name + std::to_string(c.setAside) + ")";
    }
  }
  if (lower.empty() && aside.empty()) return;
  std::string text = rows_->fileName() +
                     ": iron is taken from FeOt where above 0, else FeO and Fe2O3, else "
                     "Fe2O3t; rows";
  if (!lower.empty()) text += " whose iron came from a lower-priority column: " + lower;
  if (!lower.empty() && !aside.empty()) text += "; rows";
  if (!aside.empty()) text += " whose FeO or Fe2O3 was set aside for FeOt: " + aside;
  diagnostics_.note("iron:" + rows_->fileName(), text);
}

bool AssociationTable::next(TableRow& r) {
  if (ended_ || !readRow()) {
    if (!ended_) noteIron();
    ended_ = true;
    if (dataRows_ == 0) fail("the table has a header but no data rows");
    return false;
  }
  r.row = row_;
  r.analyses.clear();
  assignText(r.sample, sampleColumn_);
  if (r.sample.empty()) {
    if (layout_ == Layout::Wide || previousSample_.empty())
      failRow("the row has no sample name");
    diagnostics_.note("continued", "rows without a sample name belong to the sample above");
    r.sample = previousSample_;
  }
  previousSample_ = r.sample;
  assignText(r.description, descriptionColumn_);
  r.hasPosition = positionColumn_ >= 0;
  assignText(r.position, positionColumn_);

  RowAnalysis analysis;
  if (layout_ == Layout::Wide) {
    for (int slot = 0; slot < kSlotCount; ++slot)
      if (readOxides(slot, analysis)) r.analyses.push_back(analysis);
    return true;
  }
  std::string_view mineral =
      withoutReferenceTag(cells_[static_cast<std::size_t>(mineralColumn_)]);
  int slot = slotOf(mineral);
  if (slot < 0) {
    if (mineral.empty()) {
      diagnostics_.warn("mineral:", "rows without a mineral name are skipped");
    } else {
      diagnostics_.tally("minerals", "rows of minerals the program does not know are skipped",
                         printable(mineral));
    }
    return true;
  }
  if (readOxides(-1, analysis)) {
    analysis.slot = slot;
    r.analyses.push_back(analysis);
  }
  return true;
}

}  // namespace mantlept::tables
