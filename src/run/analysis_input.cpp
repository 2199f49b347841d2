#include "run/analysis_input.hpp"

#include <cstdio>
#include <optional>

#include "core/input_file.hpp"
#include "core/prefixed_stream.hpp"
#include "core/stop_request.hpp"
#include "minerals/analysis_reader.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"
#include "tables/open_table.hpp"

namespace mantlept {

namespace {

// The fixed-column analysis file, through the dialogue's reader.
class FixedColumnInput final : public AnalysisInput {
 public:
  FixedColumnInput(std::FILE* file, bool owned, const std::string& name)
      : file_(file), owned_(owned), reader_(file, name) {}
  ~FixedColumnInput() override {
    if (owned_) std::fclose(file_);
  }
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
  std::FILE* file_;
  bool owned_;
  AnalysisReader reader_;
};

// Tables: their rows gathered at the first association asked for, joined by
// sample and averaged per mineral.
class TableInput final : public AnalysisInput {
 public:
  explicit TableInput(tables::RimCore rimCore) : compilation_(diagnostics_, rimCore) {}
  void add(std::unique_ptr<tables::RowSource> rows) {
    tables_.push_back(std::make_unique<tables::AssociationTable>(std::move(rows), diagnostics_));
  }
  bool next(Association& a) override {
    try {
      if (!gathered_) gather();
      return compilation_.next(a);
    } catch (const tables::TableError& e) {
      throw InputError(e.what());
    }
  }
  bool fixedColumns() const override { return false; }
  void report(std::ostream& err, bool quiet) override { diagnostics_.print(err, quiet); }

 private:
  void gather() {
    gathered_ = true;
    tables::TableRow row;
    for (std::unique_ptr<tables::AssociationTable>& table : tables_) {
      while (table->next(row)) {
        if (stopRequested != 0) throw InputError("mantlept: stopped while reading the tables");
        compilation_.add(row);
      }
      table.reset();  // closes the file
    }
  }

  tables::Diagnostics diagnostics_;
  std::vector<std::unique_ptr<tables::AssociationTable>> tables_;
  tables::Compilation compilation_;
  bool gathered_ = false;
};

// Standard input: its first bytes decide what it is.
struct StandardInput {
  std::string head;
  tables::InputKind kind;
};

StandardInput peekStandardInput() {
  StandardInput in;
  readHead(stdin, in.head);
  in.kind = tables::detectInputKind(in.head);
  return in;
}

std::unique_ptr<AnalysisInput> fixedColumnInput(const std::string& path, const std::string& sheet,
                                                StandardInput* standardInput) {
  if (standardInput != nullptr) {
    std::FILE* f = prefixedStream(standardInput->head, stdin);
    if (f == nullptr) throw InputError("mantlept: standard input cannot be read");
    return std::make_unique<FixedColumnInput>(f, true, "standard input");
  }
  InputFile file;
  if (!file.open(path)) throw InputError("mantlept: " + path + ": " + file.error());
  if (!sheet.empty()) {
    throw InputError("mantlept: " + path + ": --sheet goes with a workbook, and this is a " +
                     "fixed-column analysis file");
  }
  return std::make_unique<FixedColumnInput>(file.release(), true, path);
}

std::unique_ptr<AnalysisInput> openInputs(const std::vector<std::string>& paths,
                                          const std::string& sheet,
                                          const AnalysisOptions& options) {
  using tables::InputKind;
  if (paths.empty()) throw InputUsageError("mantlept: no analysis file given");
  // Every file can be read, and only one of them is standard input.
  std::optional<StandardInput> standardInput;
  std::vector<InputKind> kinds;
  for (const std::string& path : paths) {
    if (path == "-") {
      if (standardInput)
        throw InputUsageError("mantlept: standard input (-) can be read only once");
      standardInput = peekStandardInput();
      kinds.push_back(standardInput->kind);
      continue;
    }
    InputFile file;
    if (!file.open(path)) throw InputError("mantlept: " + path + ": " + file.error());
    file.close();
    kinds.push_back(tables::detectInputKind(path));
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (kinds[i] != InputKind::FixedColumn) continue;
    const std::string name = paths[i] == "-" ? "standard input" : paths[i];
    if (paths.size() > 1)
      throw InputUsageError("mantlept: " + name +
                            " is a fixed-column analysis file: it must be the only input "
                            "(several tables can be given together)");
    return fixedColumnInput(paths[i], sheet, paths[i] == "-" ? &*standardInput : nullptr);
  }
  bool workbook = false;
  for (InputKind k : kinds) workbook = workbook || k == InputKind::Workbook;
  auto input = std::make_unique<TableInput>(options.rimCore);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i] == "-") {
      input->add(tables::openTable(stdin, "standard input", standardInput->head));
    } else {
      // With several inputs the sheet is that of each workbook among them.
      bool ownSheet = paths.size() == 1 || !workbook || kinds[i] == InputKind::Workbook;
      input->add(tables::openTable(paths[i], ownSheet ? sheet : std::string()));
    }
  }
  return input;
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

}  // namespace mantlept
