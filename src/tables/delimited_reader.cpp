#include "tables/delimited_reader.hpp"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace mantlept::tables {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// No byte above 127, eight at a time.
bool ascii(const char* p, std::size_t n) {
  std::uint64_t any = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    any |= word;
  }
  for (; n > 0; ++p, --n) any |= static_cast<unsigned char>(*p);
  return (any & 0x8080808080808080u) == 0;
}

}  // namespace

DelimitedReader::DelimitedReader(std::FILE* file, std::string fileName, std::string peeked)
    : fileName_(std::move(fileName)), buffer_(std::move(peeked)) {
  read_ = [file](char* to, std::size_t size) { return std::fread(to, 1, size, file); };
}

DelimitedReader::DelimitedReader(std::istream& in, std::string fileName, std::string peeked)
    : fileName_(std::move(fileName)), buffer_(std::move(peeked)) {
  read_ = [&in](char* to, std::size_t size) {
    in.read(to, static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount());
  };
}

DelimitedReader::DelimitedReader(std::function<std::size_t(char*, std::size_t)> read,
                                 std::string fileName, std::string peeked)
    : read_(std::move(read)), fileName_(std::move(fileName)), buffer_(std::move(peeked)) {}

DelimitedReader::DelimitedReader(const std::string& path) : fileName_(path) {
  owned_ = std::fopen(path.c_str(), "rb");
  if (!owned_)
    throw TableError("mantlept: " + path + ": cannot be opened (" + std::strerror(errno) + ")");
  std::FILE* file = owned_;
  read_ = [file](char* to, std::size_t size) { return std::fread(to, 1, size, file); };
}

DelimitedReader::~DelimitedReader() {
  if (owned_) std::fclose(owned_);
}

bool DelimitedReader::fill() {
  if (eof_) return false;
  // Keep what is not read yet, then append one chunk.
  buffer_.erase(0, pos_);
  pos_ = 0;
  std::size_t had = buffer_.size();
  buffer_.resize(had + kChunk);
  std::size_t got = read_(buffer_.data() + had, kChunk);
  buffer_.resize(had + got);
  if (got == 0) eof_ = true;
  return got > 0;
}

int DelimitedReader::peek() {
  if (pos_ >= buffer_.size() && !fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_]);
}

int DelimitedReader::get() {
  int c = peek();
  if (c >= 0) ++pos_;
  return c;
}

// The delimiter that occurs most often outside quotes in the header line, the
// first line with more than blanks and delimiters (comma when there is none,
// or on a tie with comma).
void DelimitedReader::detectDelimiter() {
  std::size_t counts[3] = {0, 0, 0};
  constexpr char kDelimiters[3] = {',', ';', '\t'};
  bool quoted = false, blank = true;
  for (std::size_t i = pos_; i - pos_ < kMaxRow; ++i) {
    if (i >= buffer_.size()) {
      std::size_t offset = i - pos_;
      if (!fill()) break;
      i = pos_ + offset;
      if (i >= buffer_.size()) break;
    }
    char c = buffer_[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') {
      if (!blank) break;
      counts[0] = counts[1] = counts[2] = 0;  // an empty row: delimiters alone
      continue;
    }
    if (c != ' ' && c != '\t' && c != ',' && c != ';') blank = false;
    for (int k = 0; k < 3; ++k)
      if (c == kDelimiters[k]) ++counts[k];
  }
  int best = 0;
  for (int k = 1; k < 3; ++k)
    if (counts[k] > counts[best]) best = k;
  delimiter_ = kDelimiters[best];
}

char DelimitedReader::delimiter() const { return delimiter_ ? delimiter_ : ','; }

bool DelimitedReader::startRow() {
  if (!started_) {
    started_ = true;
    if (peek() == 0xEF && buffer_.compare(pos_, 3, "\xEF\xBB\xBF") == 0) pos_ += 3;
    detectDelimiter();
  }
  if (peek() < 0) return false;
  ++row_;
  return true;
}

bool DelimitedReader::nextViews(std::vector<std::string_view>& cells) {
  if (!startRow()) {
    cells.clear();
    return false;
  }
  if (nextPlainRow(cells)) return true;
  ascii_ = false;
  nextRow(quoted_);
  cells.assign(quoted_.begin(), quoted_.end());
  return true;
}

bool DelimitedReader::next(std::vector<std::string>& cells) {
  if (!nextViews(views_)) {
    cells.clear();
    return false;
  }
  cells.assign(views_.begin(), views_.end());
  return true;
}

// The common row: no quote, a line end within the buffer or the file's end,
// cells well within the limits. Its cells are views of the buffer, which
// stays as it is until the next row is read. False, having consumed nothing,
// for any other row: nextRow reads it byte by byte, quotes, limits and all.
bool DelimitedReader::nextPlainRow(std::vector<std::string_view>& cells) {
  std::size_t scanned = 0;  // bytes after pos_ known to hold no line end
  const char* end = nullptr;
  for (;;) {
    // A line feed or a carriage return (CRLF, or a lone CR) ends the row.
    const char* from = buffer_.data() + pos_;
    const std::size_t have = buffer_.size() - pos_;
    end = static_cast<const char*>(std::memchr(from + scanned, '\n', have - scanned));
    const std::size_t before = end != nullptr ? static_cast<std::size_t>(end - from) : have;
    if (const void* cr = std::memchr(from + scanned, '\r', before - scanned)) {
      end = static_cast<const char*>(cr);
      // A CR as the last byte read may be the first half of a CRLF: read on.
      if (end + 1 == from + have && !eof_) {
        scanned = have - 1;
        if (fill()) continue;
        end = buffer_.data() + pos_ + scanned;  // the file ends on it
      }
      break;
    }
    if (end != nullptr) break;
    scanned = have;
    if (scanned > kMaxCell) return false;
    if (!fill()) {
      end = buffer_.data() + buffer_.size();  // the last row, without a line end
      break;
    }
  }
  const char* begin = buffer_.data() + pos_;
  const auto length = static_cast<std::size_t>(end - begin);
  if (length > kMaxCell) return false;
  if (std::memchr(begin, '"', length) != nullptr) return false;
  ascii_ = ascii(begin, length);
  const char delimiter = delimiter_;
  cells.clear();
  const char* cell = begin;
  for (const char* c = begin; c != end; ++c) {
    if (*c != delimiter) continue;
    if (cells.size() + 2 >= kMaxCells) return false;
    cells.emplace_back(cell, static_cast<std::size_t>(c - cell));
    cell = c + 1;
  }
  cells.emplace_back(cell, static_cast<std::size_t>(end - cell));
  // Past the row and its line end: CR, LF or CRLF, all within the buffer.
  pos_ += length;
  if (pos_ < buffer_.size()) {
    const bool cr = buffer_[pos_] == '\r';
    ++pos_;
    if (cr && pos_ < buffer_.size() && buffer_[pos_] == '\n') ++pos_;
  }
  return true;
}

void DelimitedReader::nextRow(std::vector<std::string>& cells) {
  cells.clear();
  const char delimiter = delimiter_;
  std::string cell;
  bool quoted = false;  // inside a quoted part of the cell
  std::size_t rowBytes = 0;
  for (;;) {
    int c = get();
    if (cell.size() > kMaxCell)
      throw TableError("mantlept: " + fileName_ + ", row " + std::to_string(row_) +
                       ": a cell is longer than " + std::to_string(kMaxCell) +
                       " bytes (is a quote not closed?)");
    if (++rowBytes > kMaxRow)
      throw TableError("mantlept: " + fileName_ + ", row " + std::to_string(row_) +
                       ": the row is longer than " + std::to_string(kMaxRow >> 20) + " MB");
    if (quoted) {
      if (c < 0)
        throw TableError("mantlept: " + fileName_ + ", row " + std::to_string(row_) +
                         ": a quoted cell is not closed before the end of the file");
      if (c == '"') {
        if (peek() == '"') {
          get();
          cell += '"';
        } else {
          quoted = false;
        }
      } else {
        cell += static_cast<char>(c);
      }
      continue;
    }
    if (c < 0 || c == '\n' || c == '\r') {
      if (c == '\r' && peek() == '\n') get();
      cells.push_back(std::move(cell));
      return;
    }
    if (c == delimiter) {
      if (cells.size() + 1 >= kMaxCells)
        throw TableError("mantlept: " + fileName_ + ", row " + std::to_string(row_) +
                         ": the row has more than " + std::to_string(kMaxCells) + " cells");
      cells.push_back(std::move(cell));
      cell.clear();
    } else if (c == '"' && cell.empty()) {
      // A quote opens a quoted cell only at its start; elsewhere it is text.
      quoted = true;
    } else {
      cell += static_cast<char>(c);
    }
  }
}

}  // namespace mantlept::tables
