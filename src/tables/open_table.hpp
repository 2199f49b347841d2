#pragma once
// Deciding what an input file is from its content, and opening a table.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "tables/row_source.hpp"

namespace mantlept::tables {

class Utf16Decoder;

enum class InputKind { FixedColumn, Table, Workbook };

// True when the bytes start like a zip archive ("PK\x03\x04"), as an .xlsx does.
bool isZipWorkbook(std::string_view firstBytes);
// The same for the file at `path` (false when it cannot be read).
bool isZipWorkbookFile(const std::string& path);

// True when `firstLine` is the header of a table: cells separated by ',', ';'
// or tab, among them a sample column or an oxide column the tables know. A
// line of the fixed-column analysis file is never one.
bool isTableHeader(std::string_view firstLine);

// What the input starting with `firstBytes` is, judged by its first line that
// is not blank (for standard input, where the caller has read the start already).
InputKind detectInputKind(std::string_view firstBytes);
// What the file at `path` is, from its first bytes; FixedColumn when it cannot
// be read (the analysis reader then reports that).
InputKind detectInputKind(const std::string& path);

// A workbook read through a pipe is held in memory, up to this size.
inline constexpr std::size_t kMaxPipedWorkbook = std::size_t{256} << 20;

// An input opened once, by name or as standard input ("-"), with its first
// bytes read to tell what it is. A pipe, FIFO or device is read once and never
// reopened. UTF-16 text (with its byte order mark) is read as UTF-8.
class OpenInput {
 public:
  // TableError naming the file when it is missing, unreadable or a directory.
  explicit OpenInput(const std::string& path);
  ~OpenInput();
  OpenInput(const OpenInput&) = delete;
  OpenInput& operator=(const OpenInput&) = delete;

  // The name messages give it ("standard input" for "-").
  const std::string& name() const { return name_; }
  InputKind kind() const { return kind_; }
  // True when it holds no bytes, or blanks and line ends only.
  bool empty() const;
  // "UTF-16LE" or "UTF-16BE" when it was UTF-16 text, else empty.
  const std::string& encoding() const { return encoding_; }

  // The input as a table: the sheet `sheet` of a workbook (the first when
  // empty), else a delimited text whatever its first line. Once only.
  std::unique_ptr<RowSource> table(const std::string& sheet);
  // The input's bytes from the start, for the fixed-column reader (not for
  // UTF-16 text); valid while this object lives. nullptr when it cannot be made.
  std::FILE* bytes();

 private:
  std::string path_, name_, head_, encoding_;
  std::FILE* file_ = nullptr;
  std::FILE* prefixed_ = nullptr;
  bool regular_ = false;
  bool atEnd_ = false;  // the head holds the whole input
  std::shared_ptr<Utf16Decoder> decoder_;
  InputKind kind_ = InputKind::FixedColumn;
};

// Opens a table: an .xlsx workbook (by its content, not its name) at the
// sheet named `sheet` (the first when empty), or a delimited text table;
// `path` "-" is standard input. Throws TableError.
std::unique_ptr<RowSource> openTable(const std::string& path, const std::string& sheet);
// Opens a delimited text table read from `file`, of which `peeked` has been
// read already.
std::unique_ptr<RowSource> openTable(std::FILE* file, const std::string& name, std::string peeked);

}  // namespace mantlept::tables
