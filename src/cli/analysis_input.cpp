#include "cli/analysis_input.hpp"

#include <cstdio>

#include "core/input_file.hpp"
#include "core/prefixed_stream.hpp"
#include "minerals/analysis_reader.hpp"

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

}  // namespace

std::unique_ptr<AnalysisInput> openAnalyses(const std::string& path, const std::string& sheet) {
  (void)sheet;
  if (path == "-") {
    std::string head;
    readHead(stdin, head);
    std::FILE* f = prefixedStream(head, stdin);
    if (f == nullptr) throw InputError("mantlept: standard input cannot be read");
    return std::make_unique<FixedColumnInput>(f, true, "standard input");
  }
  InputFile file;
  if (!file.open(path)) throw InputError("mantlept: " + path + ": " + file.error());
  return std::make_unique<FixedColumnInput>(file.release(), true, path);
}

}  // namespace mantlept
