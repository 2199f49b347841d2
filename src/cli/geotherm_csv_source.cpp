#include "cli/geotherm_csv_source.hpp"

#include <fstream>

namespace mantlept::cli {
namespace {

class CsvRowSource final : public tables::RowSource {
 public:
  CsvRowSource(const std::string& path) : path_(path), in_(path, std::ios::binary) {
    if (!in_) throw tables::TableError("mantlept: " + path + ": cannot be opened");
    // A byte-order mark is no part of the first cell.
    if (in_.peek() == 0xEF) {
      char bom[3];
      in_.read(bom, 3);
      if (std::string(bom, 3) != "\xEF\xBB\xBF") in_.seekg(0);
    }
  }

  bool next(std::vector<std::string>& cells) override {
    cells.clear();
    int c = in_.get();
    if (c == EOF) return false;
    ++row_;
    std::string cell;
    bool quoted = false;
    for (;; c = in_.get()) {
      if (quoted) {
        if (c == EOF)
          throw tables::TableError("mantlept: " + path_ + ", row " + std::to_string(row_) +
                                   ": a quoted cell is not closed");
        if (c == '"') {
          if (in_.peek() == '"') {
            in_.get();
            cell += '"';
          } else {
            quoted = false;
          }
        } else {
          cell += static_cast<char>(c);
        }
        continue;
      }
      if (c == EOF || c == '\n') break;
      if (c == '\r') {
        if (in_.peek() == '\n') in_.get();
        break;
      }
      if (c == ',') {
        cells.push_back(std::move(cell));
        cell.clear();
      } else if (c == '"' && cell.empty()) {
        quoted = true;
      } else {
        cell += static_cast<char>(c);
      }
    }
    cells.push_back(std::move(cell));
    return true;
  }

  long rowNumber() const override { return row_; }
  const std::string& fileName() const override { return path_; }

 private:
  std::string path_;
  std::ifstream in_;
  long row_ = 0;
};

}  // namespace

std::unique_ptr<tables::RowSource> openCsvTable(const std::string& path, const std::string&) {
  return std::make_unique<CsvRowSource>(path);
}

}  // namespace mantlept::cli
