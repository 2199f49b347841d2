#include "run/analysis_input.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "core/stop_request.hpp"
#include "minerals/analysis_reader.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"
#include "tables/open_table.hpp"
#include "tables/text_cells.hpp"

namespace mantlept {

namespace {

// The fixed-column analysis file, through the dialogue's reader.
class FixedColumnInput final : public AnalysisInput {
 public:
  FixedColumnInput(std::unique_ptr<tables::OpenInput> input, std::FILE* file)
      : input_(std::move(input)), reader_(file, input_->name()) {}
  bool next(Association& a) override {
    switch (reader_.next(a)) {
      case AnalysisReader::Status::Association:
        return true;
      case AnalysisReader::Status::End:
        return false;
      case AnalysisReader::Status::Unreadable:
        break;
    }
    throw InputError(reader_.message());
  }
  bool fixedColumns() const override { return true; }

 private:
  std::unique_ptr<tables::OpenInput> input_;  // owns the stream the reader reads
  AnalysisReader reader_;
};

// Tables: their rows gathered at the first association asked for and
// grouped by the one rule of Compilation; a single wide table, whose rows
// join nothing, read row by row as its associations are asked for.
class TableInput final : public AnalysisInput {
 public:
  explicit TableInput(const AnalysisOptions& options)
      : compilation_(diagnostics_, options.rimCore), options_(options) {}
  void add(std::unique_ptr<tables::RowSource> rows) {
    tables_.push_back(std::make_unique<tables::AssociationTable>(std::move(rows), diagnostics_));
  }
  bool next(Association& a) override {
    try {
      if (!gathered_) {
        gathered_ = true;
        // A single wide table joins nothing: its rows stream, none held.
        streamed_ = tables_.size() == 1 && wide(*tables_.front());
        if (streamed_) {
          begin(*tables_.front());
        } else {
          gather();
        }
      }
      return streamed_ ? nextStreamed(a) : compilation_.next(a);
    } catch (const tables::TableError& e) {
      throw InputError(e.what());
    }
  }
  // Tables are counted once gathered; a streamed table is not counted.
  std::uint64_t total() const override {
    return gathered_ && !streamed_ ? compilation_.sampleCount() : 0;
  }
  bool fixedColumns() const override { return false; }
  void report(std::ostream& err, bool quiet) override { diagnostics_.print(err, quiet); }

 private:
  static bool wide(const tables::AssociationTable& table) {
    return table.layout() == tables::AssociationTable::Layout::Wide;
  }
  void begin(const tables::AssociationTable& table) {
    compilation_.beginTable(table.fileName(), tables::tableRows(wide(table), options_.rowsAlone));
  }
  // Reads the next row of `table` into `row`; false at its end.
  static bool readRow(tables::AssociationTable& table, tables::TableRow& row) {
    if (!table.next(row)) return false;
    if (stopRequested != 0) throw InputError("mantlept: stopped while reading the tables");
    return true;
  }
  void addRow(const tables::AssociationTable& table, const tables::TableRow& row) {
    compilation_.add(row);
    const tables::RepeatedNames& names = compilation_.tableNames();
    if (options_.repeatedNamesRefused && names.firstRow() != 0) refuse(table, names);
  }
  void end(std::unique_ptr<tables::AssociationTable>& table) {
    compilation_.endTable();
    table.reset();  // closes the file
  }
  // Adds the next row of `table`; false at its end, which ends the table.
  bool addRow(std::unique_ptr<tables::AssociationTable>& table) {
    if (!readRow(*table, row_)) {
      end(table);
      return false;
    }
    addRow(*table, row_);
    return true;
  }
  // The rows of a long table join their sample's group wherever it is in
  // memory: each row is added three rows after it is read, the places its
  // joining touches asked for a step a row meanwhile. The rows are added in
  // the order read, as one by one.
  void gatherAhead(std::unique_ptr<tables::AssociationTable>& table) {
    constexpr std::size_t kAhead = 4;
    std::array<tables::TableRow, kAhead> rows;
    std::size_t read = 0, added = 0;
    for (bool more = true; more || added < read;) {
      if (more && (more = readRow(*table, rows[read % kAhead]))) {
        ++read;
        compilation_.expectIndex(rows[(read - 1) % kAhead]);
        if (read - added >= 2) compilation_.expectGroup(rows[(read - 2) % kAhead]);
        if (read - added >= 3) compilation_.expectSums(rows[(read - 3) % kAhead]);
      }
      if (read - added >= kAhead || (!more && added < read))
        addRow(*table, rows[added++ % kAhead]);
    }
    end(table);
  }
  void gather() {
    for (std::unique_ptr<tables::AssociationTable>& table : tables_) {
      begin(*table);
      if (!wide(*table)) {
        gatherAhead(table);
        continue;
      }
      while (addRow(table)) {
      }
    }
  }
  bool nextStreamed(Association& a) {
    std::unique_ptr<tables::AssociationTable>& table = tables_.front();
    while (table) {
      if (compilation_.nextHeld(a)) return true;
      if (!addRow(table)) break;
    }
    return compilation_.next(a);
  }

  [[noreturn]] static void refuse(const tables::AssociationTable& table,
                                  const tables::RepeatedNames& names) {
    throw InputError("mantlept: " + table.fileName() + ", row " +
                     std::to_string(names.firstRow()) + ": sample name \"" +
                     tables::printable(names.firstName()) + "\" is that of row " +
                     std::to_string(names.earlierRow()) +
                     " too: rows that share a name are grains or pairs, each evaluated on its "
                     "own, and the fixed-column analysis file would join them into one sample");
  }

  tables::Diagnostics diagnostics_;
  std::vector<std::unique_ptr<tables::AssociationTable>> tables_;
  tables::Compilation compilation_;
  AnalysisOptions options_;
  tables::TableRow row_;
  bool gathered_ = false;
  bool streamed_ = false;
};

std::unique_ptr<AnalysisInput> fixedColumnInput(std::unique_ptr<tables::OpenInput> input,
                                                const std::string& sheet) {
  if (!input->encoding().empty()) {
    throw InputError("mantlept: " + input->name() + ": " + input->encoding() +
                     " text is read only as a table with a header row; save the "
                     "fixed-column analysis file as UTF-8 or plain text");
  }
  if (!sheet.empty()) {
    throw InputError("mantlept: " + input->name() + ": --sheet goes with a workbook, and this " +
                     "is a fixed-column analysis file");
  }
  std::FILE* bytes = input->bytes();
  if (bytes == nullptr) throw InputError("mantlept: " + input->name() + ": cannot be read");
  return std::make_unique<FixedColumnInput>(std::move(input), bytes);
}

// Every input is opened once and told apart by its content: a pipe or FIFO
// given by name is never reopened.
std::unique_ptr<AnalysisInput> openInputs(const std::vector<std::string>& paths,
                                          const std::string& sheet,
                                          const AnalysisOptions& options) {
  using tables::InputKind;
  if (paths.empty()) throw InputUsageError("mantlept: no analysis file given");
  if (std::count(paths.begin(), paths.end(), std::string("-")) > 1)
    throw InputUsageError("mantlept: standard input (-) can be read only once");
  // Every file can be read and holds something.
  std::vector<std::unique_ptr<tables::OpenInput>> inputs;
  for (const std::string& path : paths) {
    inputs.push_back(std::make_unique<tables::OpenInput>(path));
    if (inputs.back()->empty())
      throw InputError("mantlept: " + inputs.back()->name() + ": no analyses (the input is empty)");
  }
  bool workbook = false;
  for (const std::unique_ptr<tables::OpenInput>& input : inputs) {
    workbook = workbook || input->kind() == InputKind::Workbook;
    if (input->kind() != InputKind::FixedColumn) continue;
    if (inputs.size() > 1)
      throw InputUsageError("mantlept: " + input->name() +
                            " is a fixed-column analysis file: it must be the only input "
                            "(several tables can be given together)");
    return fixedColumnInput(std::move(inputs.front()), sheet);
  }
  auto tableInput = std::make_unique<TableInput>(options);
  for (std::unique_ptr<tables::OpenInput>& input : inputs) {
    // With several inputs the sheet is that of each workbook among them.
    bool ownSheet = inputs.size() == 1 || !workbook || input->kind() == InputKind::Workbook;
    tableInput->add(input->table(ownSheet ? sheet : std::string()));
  }
  return tableInput;
}

}  // namespace

std::unique_ptr<AnalysisInput> openAnalyses(const std::string& path, const std::string& sheet) {
  return openAnalyses(std::vector<std::string>{path}, sheet, AnalysisOptions{});
}

std::unique_ptr<AnalysisInput> openAnalyses(const std::vector<std::string>& paths,
                                            const std::string& sheet,
                                            const AnalysisOptions& options) {
  try {
    return openInputs(paths, sheet, options);
  } catch (const tables::TableError& e) {
    throw InputError(e.what());
  }
}

std::unique_ptr<AnalysisInput> tableAnalyses(std::unique_ptr<tables::RowSource> rows,
                                             const AnalysisOptions& options) {
  try {
    auto input = std::make_unique<TableInput>(options);
    input->add(std::move(rows));
    return input;
  } catch (const tables::TableError& e) {
    throw InputError(e.what());
  }
}

}  // namespace mantlept
