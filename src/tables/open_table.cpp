#include "tables/open_table.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "core/input_file.hpp"
#include "core/prefixed_stream.hpp"
#include "minerals/analysis_reader.hpp"
#include "tables/column_names.hpp"
#include "tables/delimited_reader.hpp"
#include "tables/text_cells.hpp"
#include "tables/xlsx_reader.hpp"

namespace mantlept::tables {

namespace {

constexpr std::string_view kZipMagic("PK\x03\x04", 4);

std::string readStart(const std::string& path, std::size_t size) {
  std::string bytes(size, '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {};
  bytes.resize(std::fread(bytes.data(), 1, size, file));
  std::fclose(file);
  return bytes;
}

// A name ending in ".xlsx" or ".xlsm" (any case) promises a workbook: a file
// so named that is not one is reported as an unreadable workbook.
bool hasWorkbookName(const std::string& path) {
  std::string tail = path.size() >= 5 ? path.substr(path.size() - 5) : "";
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".xlsx" || tail == ".xlsm";
}

constexpr std::size_t kHead = 64 * 1024;

bool blankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The text from its first line that holds more than blanks and delimiters (an
// empty row of a table).
std::string_view skipBlankLines(std::string_view text) {
  for (;;) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.find_first_not_of(" \t\r,;") != std::string_view::npos || end == text.npos)
      return text;
    text.remove_prefix(end + 1);
  }
}

// The first bytes of `file`: up to the end of its first line that is not
// blank, or kHead bytes, or the end. `atEnd` tells whether the end came first.
std::string readHeadOf(std::FILE* file, bool& atEnd) {
  std::string head;
  char chunk[4096];
  atEnd = false;
  while (head.size() < kHead) {
    std::size_t got = std::fread(chunk, 1, std::min(sizeof chunk, kHead - head.size()), file);
    if (got == 0) {
      atEnd = true;
      break;
    }
    std::size_t from = head.size();
    head.append(chunk, got);
    std::size_t solid = head.find_first_not_of(" \t\r\n,;");
    if (solid != std::string::npos && head.find('\n', std::max(solid, from)) != std::string::npos)
      break;
  }
  return head;
}

}  // namespace

// UTF-16 into UTF-8, carrying a split code unit or surrogate pair from one
// piece to the next; an unpaired surrogate becomes U+FFFD.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool bigEndian) : big_(bigEndian) {}

  void decode(std::string_view bytes, std::string& out, bool final) {
    std::string data = carry_;
    data.append(bytes);
    std::size_t i = 0;
    while (i + 2 <= data.size()) {
      unsigned u = unit(data, i);
      if (u >= 0xD800 && u < 0xDC00) {
        if (i + 4 > data.size()) break;
        unsigned low = unit(data, i + 2);
        if (low >= 0xDC00 && low < 0xE000) {
          append(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), out);
          i += 4;
          continue;
        }
        u = 0xFFFD;
      } else if (u >= 0xDC00 && u < 0xE000) {
        u = 0xFFFD;
      }
      append(u, out);
      i += 2;
    }
    carry_ = data.substr(i);
    if (final && !carry_.empty()) {
      append(0xFFFD, out);
      carry_.clear();
    }
  }

 private:
  unsigned unit(const std::string& d, std::size_t i) const {
    auto a = static_cast<unsigned char>(d[i]), b = static_cast<unsigned char>(d[i + 1]);
    return big_ ? (a << 8) | b : (b << 8) | a;
  }
  static void append(unsigned c, std::string& out) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool big_;
  std::string carry_;
};

bool isZipWorkbook(std::string_view firstBytes) { return firstBytes.starts_with(kZipMagic); }

bool isZipWorkbookFile(const std::string& path) { return isZipWorkbook(readStart(path, 4)); }

bool isTableHeader(std::string_view line) {
  if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  line = line.substr(0, line.find_first_of("\r\n"));
  // A line the fixed-column reader takes, with a number among its oxide
  // fields, is an analysis whatever its name and description hold.
  MineralAnalysis analysis;
  std::string error;
  std::string_view oxides = line.substr(std::min<std::size_t>(line.size(), 16), 96);
  if (slotOfCode(line.size() > 8 ? line[8] : ' ') >= 0 &&
      oxides.find_first_of("0123456789") != std::string_view::npos &&
      parseAnalysisLine(line, analysis, error))
    return false;

  std::size_t counts[3] = {0, 0, 0};
  constexpr char kDelimiters[3] = {',', ';', '\t'};
  for (int k = 0; k < 3; ++k)
    counts[k] = static_cast<std::size_t>(std::count(line.begin(), line.end(), kDelimiters[k]));
  int best = 0;
  for (int k = 1; k < 3; ++k)
    if (counts[k] > counts[best]) best = k;
  if (counts[best] == 0) return false;

  for (std::size_t start = 0; start <= line.size();) {
    std::size_t end = std::min(line.find(kDelimiters[best], start), line.size());
    std::string_view cell = trim(line.substr(start, end - start));
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
      cell = cell.substr(1, cell.size() - 2);
    ColumnMeaning m = columnMeaning(cell);
    if (m.kind == ColumnMeaning::Sample || m.kind == ColumnMeaning::Oxide) return true;
    start = end + 1;
  }
  return false;
}

InputKind detectInputKind(std::string_view firstBytes) {
  if (isZipWorkbook(firstBytes)) return InputKind::Workbook;
  if (firstBytes.starts_with("\xEF\xBB\xBF")) firstBytes.remove_prefix(3);
  return isTableHeader(skipBlankLines(firstBytes)) ? InputKind::Table : InputKind::FixedColumn;
}

InputKind detectInputKind(const std::string& path) {
  if (hasWorkbookName(path)) return InputKind::Workbook;
  return detectInputKind(std::string_view(readStart(path, 64 * 1024)));
}

OpenInput::OpenInput(const std::string& path) : path_(path) {
  if (path == "-") {
    name_ = "standard input";
    struct stat info {};
    if (::fstat(fileno(stdin), &info) == 0 && S_ISDIR(info.st_mode))
      throw TableError("mantlept: standard input: is a directory");
    file_ = stdin;
  } else {
    name_ = path;
    InputFile file;
    if (!file.open(path)) throw TableError("mantlept: " + path + ": " + file.error());
    file_ = file.release();
    struct stat info {};
    regular_ = ::fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode);
  }
  bool atEnd = false;
  head_ = readHeadOf(file_, atEnd);
  if (std::ferror(file_)) {
    int error = errno;
    if (file_ != stdin) std::fclose(file_);
    file_ = nullptr;
    throw TableError("mantlept: " + name_ + ": cannot be read (" + std::strerror(error) + ")");
  }
  atEnd_ = atEnd;
  if (isZipWorkbook(head_) || hasWorkbookName(path)) {
    kind_ = InputKind::Workbook;
  } else if (head_.starts_with("\xFF\xFE") || head_.starts_with("\xFE\xFF")) {
    const bool big = head_[0] == '\xFE';
    encoding_ = big ? "UTF-16BE" : "UTF-16LE";
    decoder_ = std::make_shared<Utf16Decoder>(big);
    std::string text;
    decoder_->decode(std::string_view(head_).substr(2), text, atEnd);
    head_ = std::move(text);
    kind_ = detectInputKind(std::string_view(head_));
  } else {
    kind_ = detectInputKind(std::string_view(head_));
  }
}

OpenInput::~OpenInput() {
  if (prefixed_ != nullptr) std::fclose(prefixed_);
  if (file_ != nullptr && file_ != stdin) std::fclose(file_);
}

bool OpenInput::empty() const {
  return atEnd_ && std::all_of(head_.begin(), head_.end(), blankByte);
}

std::unique_ptr<RowSource> OpenInput::table(const std::string& sheet) {
  if (kind_ == InputKind::Workbook) {
    if (regular_) return std::make_unique<XlsxReader>(path_, sheet);
    std::string bytes = std::move(head_);
    char chunk[kHead];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) {
      if (bytes.size() + got > kMaxPipedWorkbook)
        throw TableError("mantlept: " + name_ + ": a workbook read through a pipe may hold " +
                         std::to_string(kMaxPipedWorkbook >> 20) +
                         " MB at most; give its file name instead");
      bytes.append(chunk, got);
    }
    if (std::ferror(file_))
      throw TableError("mantlept: " + name_ + ": cannot be read (" + std::strerror(errno) + ")");
    return std::make_unique<XlsxReader>(std::move(bytes), name_, sheet);
  }
  if (!sheet.empty())
    throw TableError("mantlept: " + name_ + ": a sheet can be chosen only in an .xlsx workbook");
  std::unique_ptr<DelimitedReader> reader;
  if (decoder_) {
    std::FILE* file = file_;
    auto decoder = decoder_;
    auto pending = std::make_shared<std::string>();
    auto ended = std::make_shared<bool>(atEnd_);
    reader = std::make_unique<DelimitedReader>(
        [file, decoder, pending, ended](char* to, std::size_t size) -> std::size_t {
          while (pending->empty() && !*ended) {
            char raw[kHead];
            std::size_t got = std::fread(raw, 1, sizeof raw, file);
            *ended = got == 0;
            decoder->decode(std::string_view(raw, got), *pending, *ended);
          }
          std::size_t n = std::min(size, pending->size());
          std::memcpy(to, pending->data(), n);
          pending->erase(0, n);
          return n;
        },
        name_, std::move(head_));
  } else {
    reader = std::make_unique<DelimitedReader>(file_, name_, std::move(head_));
  }
  if (file_ != stdin) reader->own(file_);
  file_ = nullptr;
  return reader;
}

std::FILE* OpenInput::bytes() {
  if (prefixed_ == nullptr && file_ != nullptr) prefixed_ = prefixedStream(head_, file_);
  return prefixed_;
}

std::unique_ptr<RowSource> openTable(const std::string& path, const std::string& sheet) {
  return OpenInput(path).table(sheet);
}

std::unique_ptr<RowSource> openTable(std::FILE* file, const std::string& name, std::string peeked) {
  return std::make_unique<DelimitedReader>(file, name, std::move(peeked));
}

}  // namespace mantlept::tables
