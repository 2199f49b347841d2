#include "run/analysis_input.hpp"

#include <cstdio>

#include "minerals/analysis_reader.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"
#include "tables/open_table.hpp"

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

// The input is opened once and told apart by its content: a pipe or FIFO
// given by name is never reopened.
std::unique_ptr<AnalysisInput> openInput(const std::string& path, const std::string& sheet) {
  using tables::InputKind;
  auto input = std::make_unique<tables::OpenInput>(path);
  if (input->empty())
    throw InputError("mantlept: " + input->name() + ": no analyses (the input is empty)");
  if (input->kind() != InputKind::FixedColumn)
    return std::make_unique<TableInput>(input->table(sheet));
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
