#pragma once
// Rows of a delimited text table (comma, semicolon or tab separated), read in
// chunks so that memory stays flat however long the file is. Cells may be
// quoted ("a ""b"" c", with delimiters and line breaks inside); a UTF-8 byte
// order mark, CRLF line ends and blank lines before the header are accepted.
#include <cstdio>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "tables/row_source.hpp"

namespace mantlept::tables {

class DelimitedReader : public RowSource {
 public:
  // Reads `file` (not closed here). `peeked` holds bytes already taken from
  // the start of the stream, such as a first line read to decide what the input is.
  DelimitedReader(std::FILE* file, std::string fileName, std::string peeked = "");
  DelimitedReader(std::istream& in, std::string fileName, std::string peeked = "");
  // Reads what `read` gives (it fills up to `size` bytes at `to`, 0 at the end).
  DelimitedReader(std::function<std::size_t(char* to, std::size_t size)> read, std::string fileName,
                  std::string peeked);
  // Opens the file at `path`; TableError when it cannot be opened.
  explicit DelimitedReader(const std::string& path);
  ~DelimitedReader() override;
  DelimitedReader(const DelimitedReader&) = delete;
  DelimitedReader& operator=(const DelimitedReader&) = delete;

  bool next(std::vector<std::string>& cells) override;
  bool nextViews(std::vector<std::string_view>& cells) override;
  long rowNumber() const override { return row_; }
  const std::string& fileName() const override { return fileName_; }
  char delimiter() const override;
  bool rowIsAscii() const override { return ascii_; }

  // Closes `file` when the reader ends.
  void own(std::FILE* file) { owned_ = file; }

  // The longest cell accepted; a longer one (an unclosed quote, mostly) is a
  // TableError. So is a row of more cells than a spreadsheet has columns, or
  // of more text than kMaxRow bytes: memory stays in proportion to one row.
  static constexpr std::size_t kMaxCell = 1 << 20;
  static constexpr std::size_t kMaxCells = 16384;
  static constexpr std::size_t kMaxRow = std::size_t{16} << 20;

 private:
  int get();   // next byte, or -1 at the end
  int peek();  // the byte get() would return
  bool fill();
  void detectDelimiter();
  bool startRow();  // false at the end
  bool nextPlainRow(std::vector<std::string_view>& cells);
  void nextRow(std::vector<std::string>& cells);

  std::function<std::size_t(char*, std::size_t)> read_;
  std::FILE* owned_ = nullptr;
  std::string fileName_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool eof_ = false;
  bool started_ = false;
  mutable char delimiter_ = 0;
  long row_ = 0;
  bool ascii_ = false;  // the row read last holds no byte above 127
  std::vector<std::string> quoted_;      // a row read byte by byte
  std::vector<std::string_view> views_;  // the row for `next`
};

}  // namespace mantlept::tables
