#include "run/analysis_input.hpp"

#include <cstdio>

#include "core/input_file.hpp"
#include "core/prefixed_stream.hpp"
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

// A delimited table or a workbook sheet.
class TableInput final : public AnalysisInput {
 public:
  explicit TableInput(std::unique_ptr<tables::RowSource> rows)
      : table_(std::move(rows), diagnostics_) {}
  bool next(Association& a) override { return table_.next(a); }
  bool fixedColumns() const override { return false; }
  void report(std::ostream& err, bool quiet) override { diagnostics_.print(err, quiet); }

 private:
  tables::Diagnostics diagnostics_;
  tables::AssociationTable table_;
};

std::unique_ptr<AnalysisInput> openInput(const std::string& path, const std::string& sheet) {
  using tables::InputKind;
  if (path == "-") {
    std::string head;
    readHead(stdin, head);
    if (tables::detectInputKind(head) != InputKind::FixedColumn) {
      return std::make_unique<TableInput>(tables::openTable(stdin, "standard input", head));
    }
    std::FILE* f = prefixedStream(head, stdin);
    if (f == nullptr) throw InputError("mantlept: standard input cannot be read");
    return std::make_unique<FixedColumnInput>(f, true, "standard input");
  }
  InputFile file;
  if (!file.open(path)) throw InputError("mantlept: " + path + ": " + file.error());
  if (tables::detectInputKind(path) != InputKind::FixedColumn) {
    file.close();
    return std::make_unique<TableInput>(tables::openTable(path, sheet));
  }
  if (!sheet.empty()) {
    throw InputError("mantlept: " + path + ": --sheet goes with a workbook, and this is a " +
                     "fixed-column analysis file");
  }
  return std::make_unique<FixedColumnInput>(file.release(), true, path);
}

}  // namespace

std::unique_ptr<AnalysisInput> openAnalyses(const std::string& path, const std::string& sheet) {
  try {
    return openInput(path, sheet);
  } catch (const tables::TableError& e) {
    throw InputError(e.what());
  }
}

std::unique_ptr<AnalysisInput> tableAnalyses(std::unique_ptr<tables::RowSource> rows) {
  try {
    return std::make_unique<TableInput>(std::move(rows));
  } catch (const tables::TableError& e) {
    throw InputError(e.what());
  }
}

}  // namespace mantlept
