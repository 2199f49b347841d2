#include "tables/association_table.hpp"

#include <cmath>

#include "tables/column_names.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

const char* const kMineralNames[kSlotCount] = {"Opx", "Cpx", "Ol", "Sp", "Gar", "R", "Ilm"};

bool blank(const std::vector<std::string>& cells) {
  for (const std::string& c : cells)
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

}  // namespace

AssociationTable::~AssociationTable() = default;

void AssociationTable::fail(const std::string& what) const {
  throw TableError("mantlept: " + rows_->fileName() + ": " + what);
}

AssociationTable::AssociationTable(std::unique_ptr<RowSource> rows, Diagnostics& diagnostics)
    : rows_(std::move(rows)), diagnostics_(diagnostics) {
  do {
    if (!rows_->next(header_)) fail("the table is empty (there is no header row)");
  } while (blank(header_));
  // Known once the header has been read.
  decimalComma_ = rows_->delimiter() == ';' || rows_->delimiter() == '\t';
  for (std::string& h : header_) h = std::string(trim(h));
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
      case ColumnMeaning::Oxide:
        if (!m.mineral.empty()) {
          suffixed = true;
          diagnostics_.warn("mineral:" + m.mineral,
                            "columns of mineral \"" + printable(m.mineral) +
                                "\" are skipped (not a mineral the program knows)");
          break;
        }
        (m.slot >= 0 ? suffixed : plain) = true;
        found.push_back({index, m.slot, m.oxide, m.factor, m.nickelPpm});
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
  for (const Column& c : found) {
    if ((layout_ == Layout::Long) != (c.slot < 0)) {
      unused.push_back(header_[static_cast<std::size_t>(c.index)]);
      continue;
    }
    bool keep = true;
    for (Column& other : columns_) {
      if (other.slot != c.slot || other.oxide != c.oxide) continue;
      auto name = [&](int i) {
        return columnLetters(i) + " (\"" + printable(header_[static_cast<std::size_t>(i)]) + "\")";
      };
      if (other.nickelPpm == c.nickelPpm)
        fail("columns " + name(other.index) + " and " + name(c.index) + " both hold " +
             std::string(oxideName(c.oxide)) +
             (c.slot >= 0 ? std::string(" of ") + kMineralNames[c.slot] : std::string()));
      diagnostics_.note("nickel:" + std::to_string(c.slot),
                        "columns " + name(other.index) + " and " + name(c.index) +
                            " both give nickel; the ppm value is used");
      if (c.nickelPpm) other = c;
      keep = false;
    }
    if (keep) columns_.push_back(c);
  }
  if (!unused.empty()) diagnostics_.note("unused", "columns not used: " + quotedList(unused));
}

bool AssociationTable::readRow() {
  for (;;) {
    if (!rows_->next(cells_)) return false;
    row_ = rows_->rowNumber();
    if (blank(cells_)) continue;
    bool extra = false;
    for (std::size_t i = header_.size(); i < cells_.size(); ++i)
      if (!trim(cells_[i]).empty()) extra = true;
    if (cells_.size() < headerWidth_ || extra)
      throw TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) +
                       ": the row has " + std::to_string(cells_.size()) +
                       " cells, the header has " + std::to_string(headerWidth_));
    ++dataRows_;
    return true;
  }
}

Real AssociationTable::value(int column, int oxide, double factor, double* read) {
  const std::string& text = cells_[static_cast<std::size_t>(column)];
  // A source that holds numbers hands them over as they are (NaN: empty).
  double held = 0;
  const bool direct = rows_->number(static_cast<std::size_t>(column), held);
  CellValue cell = !direct              ? readCell(text, decimalComma_)
                   : std::isnan(held) ? CellValue{CellValue::Zero, 0}
                                      : CellValue{CellValue::Number, held};
  auto problem = [&](const std::string& what) {
    return TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) +
                      ", column " + columnLetters(column) + " (\"" +
                      printable(header_[static_cast<std::size_t>(column)]) + "\"): \"" +
                      printable(direct ? numberText(held) : text) + "\" " + what);
  };
  if (cell.kind == CellValue::NotNumber) throw problem("is not a number");
  if (cell.kind == CellValue::Zero) {
    if (!direct && !trim(text).empty())
      diagnostics_.note("zero",
                        "cells below detection or not determined (such as bdl, <0.02, "
                        "n.d. or -) read as 0");
    return 0;
  }
  double v = cell.value * factor;
  if (read != nullptr && v > 0) *read = cell.value;
  if (v < 0) {
    if (cell.value < -0.05) throw problem("is negative");
    diagnostics_.note("negative", "small negative values (down to -0.05) read as 0");
    return 0;
  }
  // Wider than any oxide per cent or nickel in ppm can be, and far inside a float.
  if (v > 1e6) throw problem("is out of range for " + std::string(oxideName(oxide)));
  return static_cast<Real>(v);
}

bool AssociationTable::readOxides(int slot, OxideValues& ox, double& niPpm) {
  ox = OxideValues{};
  niPpm = 0;
  bool any = false;
  for (const Column& c : columns_) {
    if (c.slot != slot) continue;
    ox[c.oxide] = value(c.index, c.oxide, c.factor, c.nickelPpm ? &niPpm : nullptr);
    if (ox[c.oxide] != 0) any = true;
  }
  return any;
}

std::string AssociationTable::sampleOf() {
  return std::string(trim(cells_[static_cast<std::size_t>(sampleColumn_)]));
}

bool AssociationTable::next(Association& a) {
  for (;;) {
    bool got = layout_ == Layout::Long ? nextLong(a) : nextWide(a);
    if (!got) {
      if (dataRows_ == 0) fail("the table has a header but no data rows");
      return false;
    }
    for (bool p : a.present)
      if (p) return true;
    diagnostics_.warn("nothing", "samples without an analysis of a known mineral are skipped");
  }
}

bool AssociationTable::nextWide(Association& a) {
  a.clear();
  if (ended_ || !readRow()) {
    ended_ = true;
    return false;
  }
  a.sample = sampleOf();
  if (a.sample.empty())
    throw TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) +
                     ": the row has no sample name");
  std::string description =
      descriptionColumn_ >= 0
          ? std::string(trim(cells_[static_cast<std::size_t>(descriptionColumn_)]))
          : std::string();
  a.info.set(a.sample, description);
  for (int slot = 0; slot < kSlotCount; ++slot)
    a.present[static_cast<std::size_t>(slot)] = readOxides(
        slot, a.ox[static_cast<std::size_t>(slot)], a.niPpm[static_cast<std::size_t>(slot)]);
  return true;
}

bool AssociationTable::nextLong(Association& a) {
  a.clear();
  std::string description;
  bool started = false;
  for (;;) {
    if (!pending_) {
      if (ended_ || !readRow()) {
        ended_ = true;
        break;
      }
    }
    pending_ = false;
    std::string sample = sampleOf();
    if (sample.empty()) {
      if (!started)
        throw TableError("mantlept: " + rows_->fileName() + ", row " + std::to_string(row_) +
                         ": the row has no sample name");
      diagnostics_.note("continued", "rows without a sample name belong to the sample above");
      sample = a.sample;
    }
    if (started && sample != a.sample) {
      pending_ = true;
      break;
    }
    if (!started) {
      started = true;
      a.sample = sample;
      if (!seen_.insert(sample).second)
        diagnostics_.warn("reappears", "sample \"" + printable(sample) + "\" (row " +
                                           std::to_string(row_) +
                                           ") reappears after other samples and is read as a "
                                           "new association");
    }
    if (descriptionColumn_ >= 0 && description.empty())
      description = trim(cells_[static_cast<std::size_t>(descriptionColumn_)]);

    std::string mineral(trim(cells_[static_cast<std::size_t>(mineralColumn_)]));
    int slot = slotOfMineralName(mineral);
    if (slot < 0) {
      diagnostics_.warn("mineral:" + mineral,
                        mineral.empty() ? std::string("rows without a mineral name are skipped")
                                        : "rows of mineral \"" + printable(mineral) +
                                              "\" are skipped (not a mineral the program knows)");
      continue;
    }
    OxideValues ox;
    double niPpm = 0;
    if (!readOxides(-1, ox, niPpm)) continue;
    auto s = static_cast<std::size_t>(slot);
    if (a.present[s])
      diagnostics_.warn("twice", "a sample with two analyses of one mineral (\"" +
                                     printable(a.sample) + "\", row " + std::to_string(row_) +
                                     ") keeps the later one");
    a.ox[s] = ox;
    a.niPpm[s] = niPpm;
    a.present[s] = true;
  }
  if (!started) return false;
  a.info.set(a.sample, description);
  return true;
}

}  // namespace mantlept::tables
