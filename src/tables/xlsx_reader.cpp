#include "tables/xlsx_reader.hpp"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

#include "core/printable.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// workbook.xml and its relationships list sheets only.
constexpr std::size_t kMaxIndexPartBytes = std::size_t{16} << 20;
constexpr std::size_t kMaxSheets = 10000;

// The name of a node or attribute without its namespace prefix.
std::string_view localName(const char* name) {
  std::string_view n(name);
  std::size_t colon = n.find(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// What one parser may allocate: enough for any tag, attribute or comment of a
// spreadsheet's XML, far below what a part crafted to inflate could make it
// hold (expat keeps a whole tag or comment in memory until it ends).
constexpr std::size_t kMaxParserBytes = std::size_t{16} << 20;

// The allocations of one expat parser, counted against kMaxParserBytes. Each
// block carries its size and its parser's count in a header before it.
struct ParserMemory {
  std::size_t used = 0;
  bool exceeded = false;
};
thread_local ParserMemory* allocatingFor = nullptr;  // the parser being created or fed

struct alignas(std::max_align_t) BlockHeader {
  ParserMemory* memory;
  std::size_t size;
};

void* budgetedMalloc(std::size_t size) {
  ParserMemory* memory = allocatingFor;
  if (memory != nullptr && memory->used + size > kMaxParserBytes) {
    memory->exceeded = true;
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) return nullptr;
  *header = {memory, size};
  if (memory != nullptr) memory->used += size;
  return header + 1;
}

void budgetedFree(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (header->memory != nullptr) header->memory->used -= header->size;
  std::free(header);
}

void* budgetedRealloc(void* block, std::size_t size) {
  if (block == nullptr) return budgetedMalloc(size);
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  ParserMemory* memory = header->memory;
  const std::size_t old = header->size;
  if (memory != nullptr && size > old && memory->used + (size - old) > kMaxParserBytes) {
    memory->exceeded = true;
    return nullptr;
  }
  auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
  if (grown == nullptr) return nullptr;
  grown->size = size;
  if (memory != nullptr) memory->used = memory->used - old + size;
  return grown + 1;
}

const XML_Memory_Handling_Suite kBudgeted = {budgetedMalloc, budgetedRealloc, budgetedFree};

// Counts the allocations of a call into expat against `memory`.
class Allocating {
 public:
  explicit Allocating(ParserMemory& memory) : before_(allocatingFor) { allocatingFor = &memory; }
  ~Allocating() { allocatingFor = before_; }
  Allocating(const Allocating&) = delete;
  Allocating& operator=(const Allocating&) = delete;

 private:
  ParserMemory* before_;
};

std::string_view expatAttribute(const char** atts, std::string_view name) {
  for (std::size_t i = 0; atts[i] != nullptr; i += 2)
    if (localName(atts[i]) == name) return atts[i + 1];
  return {};
}

// An attribute of a sheet's element, as either walker gives it.
struct Attribute {
  std::string_view name, value;
};

// `name` without its namespace prefix (names of a sheet are short: no memchr).
std::string_view withoutPrefix(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i)
    if (name[i] == ':') return name.substr(i + 1);
  return name;
}

// True when `text` is the literal `name` (compared at the literal's own length).
template <std::size_t N>
bool is(std::string_view text, const char (&name)[N]) {
  return text.size() == N - 1 && std::memcmp(text.data(), name, N - 1) == 0;
}

// The same for two names, short as a sheet's are.
bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

using Attributes = std::span<const Attribute>;

template <std::size_t N>
std::string_view attribute(Attributes atts, const char (&name)[N]) {
  for (const Attribute& a : atts)
    if (is(withoutPrefix(a.name), name)) return a.value;
  return {};
}

const StopFlag* stopFlag = nullptr;

std::string unreadable(const std::string& fileName, const std::string& reason) {
  return "mantlept: " + fileName + ": not a readable .xlsx workbook (" + reason + ")";
}

class Expat;

// What expat's user data points to: every handler reaches the parser through it.
struct ExpatOwner {
  Expat* expat = nullptr;
};

// One expat parser that refuses document type declarations (and with them
// every entity expansion), holds at most kMaxParserBytes, and reports its own
// handlers' errors first.
class Expat {
 public:
  Expat(ExpatOwner* owner, std::string fileName, std::string part)
      : fileName_(std::move(fileName)), part_(std::move(part)) {
    {
      Allocating counted(memory_);
      parser_ = XML_ParserCreate_MM(nullptr, &kBudgeted, nullptr);
    }
    if (parser_ == nullptr) throw std::bad_alloc();
    owner->expat = this;
    XML_SetUserData(parser_, owner);
    XML_SetStartDoctypeDeclHandler(
        parser_, [](void* u, const XML_Char*, const XML_Char*, const XML_Char*, int) {
          Expat& e = *static_cast<ExpatOwner*>(u)->expat;
          e.stop(unreadable(e.fileName_, e.part_ + " has a document type declaration"));
        });
  }
  ~Expat() {
    Allocating counted(memory_);
    XML_ParserFree(parser_);
  }
  Expat(const Expat&) = delete;
  Expat& operator=(const Expat&) = delete;

  XML_Parser get() const { return parser_; }
  // Ends the parse with the message `error` (a handler cannot throw through expat).
  void stop(std::string error) {
    if (error_.empty()) error_ = std::move(error);
    XML_StopParser(parser_, XML_FALSE);
  }
  void stopUnreadable(const std::string& reason) { stop(unreadable(fileName_, reason)); }
  const std::string& error() const { return error_; }
  // The message of a failed parse: the handler's, else expat's with the line.
  std::string message() const {
    if (!error_.empty()) return error_;
    const std::string line = std::to_string(XML_GetCurrentLineNumber(parser_));
    if (memory_.exceeded)
      return unreadable(fileName_, part_ + ", line " + line + ": a tag or comment longer than " +
                                       std::to_string(kMaxParserBytes >> 20) + " MB");
    return unreadable(fileName_,
                      part_ + ", line " + line + ": " + XML_ErrorString(XML_GetErrorCode(parser_)));
  }

  // Parses the next `kChunk` bytes or fewer from `read`; `final` becomes true
  // at the end of the part. The status of the parse (TableError when it
  // failed).
  template <class Read>
  XML_Status feed(Read&& read, bool& final) {
    XML_Status status;
    {
      Allocating counted(memory_);
      void* buffer = XML_GetBuffer(parser_, static_cast<int>(kChunk));
      if (buffer == nullptr) {
        if (memory_.exceeded) throw TableError(message());
        throw std::bad_alloc();
      }
      std::size_t got = read(static_cast<char*>(buffer), kChunk);
      final = got == 0;
      status = XML_ParseBuffer(parser_, static_cast<int>(got), final);
    }
    if (status == XML_STATUS_ERROR) throw TableError(message());
    return status;
  }
  // Parses the `size` bytes at `data` (at most kChunk at a time), as feed does.
  XML_Status parse(const char* data, std::size_t size, bool final) {
    XML_Status status = XML_STATUS_OK;
    do {
      const std::size_t n = std::min(size, kChunk);
      {
        Allocating counted(memory_);
        void* buffer = XML_GetBuffer(parser_, static_cast<int>(kChunk));
        if (buffer == nullptr) {
          if (memory_.exceeded) throw TableError(message());
          throw std::bad_alloc();
        }
        std::memcpy(buffer, data, n);
        status = XML_ParseBuffer(parser_, static_cast<int>(n), final && n == size);
      }
      if (status == XML_STATUS_ERROR) throw TableError(message());
      data += n;
      size -= n;
    } while (size > 0 && status == XML_STATUS_OK);
    return status;
  }
  XML_Status resume() {
    XML_Status status;
    {
      Allocating counted(memory_);
      status = XML_ResumeParser(parser_);
    }
    if (status == XML_STATUS_ERROR) throw TableError(message());
    return status;
  }

 private:
  ParserMemory memory_;
  XML_Parser parser_ = nullptr;
  std::string fileName_, part_;
  std::string error_;
};

// Parses a whole part whose handlers are set on `expat`.
void parseAll(Expat& expat, const ByteSource& read) {
  for (bool final = false; !final;) expat.feed(read, final);
}

// State of the shared-string part: the text of each <si>, leaving out
// phonetic runs.
struct SharedParse : ExpatOwner {
  SharedStrings* out = nullptr;
  std::string fileName, part;
  std::string current;
  int depth = 0, textDepth = 0, phoneticDepth = 0;
  bool inItem = false;
};

SharedParse& sharedOf(void* u) { return static_cast<SharedParse&>(*static_cast<ExpatOwner*>(u)); }

}  // namespace

void SharedStrings::add(std::string_view text) {
  if (text.size() > kTextBlock) throw TableError("mantlept: a shared string longer than 1 MB");
  if (count_ % kPlaceBlock == 0)
    places_.push_back(std::make_unique<std::string_view[]>(kPlaceBlock));
  std::string_view& place = places_.back()[count_ % kPlaceBlock];
  ++count_;
  if (text.empty()) return;  // held nowhere
  if (blockUsed_ + text.size() > kTextBlock) {
    blocks_.push_back(std::make_unique<char[]>(kTextBlock));
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  std::memcpy(at, text.data(), text.size());
  blockUsed_ += text.size();
  place = std::string_view(at, text.size());
}

void readSharedStrings(const ByteSource& read, SharedStrings& out, const std::string& fileName,
                       const std::string& part) {
  SharedParse state;
  state.out = &out;
  state.fileName = fileName;
  state.part = part;
  Expat expat(&state, fileName, part);
  XML_Parser p = expat.get();
  XML_SetElementHandler(
      p,
      [](void* u, const XML_Char* name, const XML_Char**) {
        auto& s = sharedOf(u);
        std::string_view local = localName(name);
        ++s.depth;
        if (local == "si" && !s.inItem) {
          s.inItem = true;
          s.current.clear();
        } else if (s.inItem && is(local, "rPh") && s.phoneticDepth == 0) {
          s.phoneticDepth = s.depth;
        } else if (s.inItem && is(local, "t") && s.phoneticDepth == 0) {
          s.textDepth = s.depth;
        }
      },
      [](void* u, const XML_Char* name) {
        auto& s = sharedOf(u);
        std::string_view local = localName(name);
        if (s.depth == s.textDepth) s.textDepth = 0;
        if (s.depth == s.phoneticDepth) s.phoneticDepth = 0;
        if (local == "si" && s.inItem && s.textDepth == 0 && s.phoneticDepth == 0) {
          if (s.out->memoryAfter(s.current.size()) > kMaxSharedBytes) {
            s.expat->stop("mantlept: " + s.fileName + ": " + s.part +
                          ": the shared strings take more than " +
                          std::to_string(kMaxSharedBytes >> 20) +
                          " MB, more than a table of analyses can need");
          } else {
            s.out->add(s.current);
          }
          s.inItem = false;
        }
        --s.depth;
      });
  XML_SetCharacterDataHandler(p, [](void* u, const XML_Char* text, int length) {
    auto& s = sharedOf(u);
    if (s.textDepth == 0) return;
    if (s.current.size() + static_cast<std::size_t>(length) > kMaxCellBytes) {
      s.expat->stopUnreadable("a shared string is longer than " + std::to_string(kMaxCellBytes) +
                              " bytes");
      return;
    }
    s.current.append(text, static_cast<std::size_t>(length));
  });
  parseAll(expat, read);
}

// The markup a sheet is written in, as the sheet's own scanner reads it: the
// elements, attributes and text a spreadsheet writes, checked as strictly as
// expat checks them. Anything else (a comment, CDATA, a character reference,
// a byte outside printable ASCII, a line end inside text) is left to expat.
namespace markup {

constexpr std::size_t kMaxTag = 64 * 1024;  // longer tags are left to expat
constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxAttributes = 32;
inline const char kNotTaken = 0;  // where a walk that cannot go on points

constexpr bool isNameStart(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}
constexpr bool space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Bytes of text the scanner passes on as they are: printable ASCII but the
// markup's own '<', '&' and ']' (which may start "]]>"), and tab; and a line
// feed, one at a time.
// The ASCII characters of names, too.
struct Plain {
  bool text[256] = {};
  // of an attribute's value between quotes or apostrophes: no tab or line
  // feed either, nor the character that ends it
  bool quoted[256] = {};
  bool apostrophed[256] = {};
  bool nameStart[256] = {};
  bool name[256] = {};
  constexpr Plain() {
    for (int c = 0x20; c < 0x7f; ++c) text[c] = quoted[c] = apostrophed[c] = c != '<' && c != '&';
    quoted[int{'"'}] = apostrophed[int{'\''}] = false;
    text[int{']'}] = false;
    text[int{'\t'}] = true;  // a line feed is counted apart
    for (int c = 0; c < 256; ++c) {
      nameStart[c] = isNameStart(c);
      name[c] = isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }
  }
};
constexpr Plain kPlain;
inline bool nameStart(char c) { return kPlain.nameStart[static_cast<unsigned char>(c)]; }
inline bool nameChar(char c) { return kPlain.name[static_cast<unsigned char>(c)]; }

}  // namespace markup

// The state of a worksheet part as it is walked: where in the tree the parse
// is, the row being assembled and the cell being read. The sheet's own
// scanner walks it while the markup is what it knows; at the first thing it
// does not, expat is handed the rest of the part, after the elements open at
// that point (and the lines before it, for its messages), and walks on with
// the same handlers.
struct SheetRows::Parser : ExpatOwner {
  Parser(ByteSource r, const SharedStrings& s, std::string f, std::string p)
      : read(std::move(r)),
        shared(s),
        fileName(std::move(f)),
        part(std::move(p)),
        parser(this, fileName, part) {}

  ByteSource read;
  const SharedStrings& shared;
  std::string fileName, part;
  Expat parser;

  int depth = 0, dataDepth = 0, rowDepth = 0, cellDepth = 0, phoneticDepth = 0;
  bool capture = false, inInline = false;
  bool suspended = false, finalGiven = false, finished = false, rowReady = false;

  long lastRow = 0, row = 0;
  int lastColumn = -1;
  std::size_t rowBytes = 0, used = 0;  // used: cells up to the last one given
  std::vector<std::string>* cells = nullptr;
  std::vector<char> filled;

  // The cell's type ("t"): text shared or inline, a logical value, an error,
  // else the value as written (a number, or a formula's text).
  enum class CellType { Value, Shared, Inline, Logical, Error };
  std::string ref, value, inlineText, rowDigits;
  CellType type = CellType::Value;
  bool hasValue = false, hasFormula = false;

  // The scanner: the bytes read and not yet walked are buffer[pos, end).
  bool scanning = true, started = false, sourceEnded = false, sawRoot = false;
  bool replaying = false;  // expat is being shown the elements open at the hand-over
  std::string buffer;
  std::size_t pos = 0, end_ = 0;
  long lines = 0;                 // line ends walked
  std::vector<std::string> open;  // names of the open elements
  std::size_t openDepth = 0;
  Attribute attributes[markup::kMaxAttributes];  // of the element being started
  std::size_t attributeCount = 0;
  std::vector<Attribute> expatAttributes;  // as many as expat gives

  std::string where(const std::string& cell) const {
    return "mantlept: " + fileName + ", cell " + cell + ": ";
  }

  void startRow(Attributes atts) {
    std::string_view r = attribute(atts, "r");
    long number = lastRow + 1;
    if (!r.empty()) {
      number = 0;
      for (char c : r) {
        if (c < '0' || c > '9' || number > kMaxSheetRows) {
          number = -1;
          break;
        }
        number = number * 10 + (c - '0');
      }
      if (number < 1 || number > kMaxSheetRows)
        return parser.stop("mantlept: " + fileName + ": row number \"" + printable(r, 40) +
                           "\" is not a row of a sheet (1 to " + std::to_string(kMaxSheetRows) +
                           ")");
      if (number <= lastRow)
        return parser.stop("mantlept: " + fileName + ": row " + std::to_string(number) +
                           " comes after row " + std::to_string(lastRow) +
                           " (given twice or out of order)");
    }
    row = lastRow = number;
    rowDigits.assign(std::to_string(row));
    // The cells keep their strings' room for this row's text.
    for (std::string& cell : *cells) cell.clear();
    used = 0;
    std::fill(filled.begin(), filled.end(), 0);
    lastColumn = -1;
    rowBytes = 0;
  }

  void startCell(Attributes atts) {
    // The first "r" and the first "t", in one pass.
    std::string_view r, t;
    bool hasR = false, hasT = false;
    for (const Attribute& a : atts) {
      const std::string_view local = withoutPrefix(a.name);
      if (!hasR && is(local, "r")) {
        r = a.value;
        hasR = true;
      } else if (!hasT && is(local, "t")) {
        t = a.value;
        hasT = true;
      }
    }
    placeCell(r);
    type = is(t, "s")           ? CellType::Shared
           : is(t, "inlineStr") ? CellType::Inline
           : is(t, "b")         ? CellType::Logical
           : is(t, "e")         ? CellType::Error
                                : CellType::Value;
    value.clear();
    inlineText.clear();
    hasValue = hasFormula = false;
  }

  // The column of the cell's reference `r`, which must name a cell of this
  // row: kept in `placed`, told only at the cell's end (with `ref`, copied
  // only then).
  static constexpr int kFollows = -1, kOutside = -2, kNotInRow = -3;
  int placed = kFollows;
  void placeCell(std::string_view r) {
    if (r.empty()) {
      placed = kFollows;  // a cell without a reference follows the one before
      return;
    }
    std::size_t letters = 0;
    int column = 0;
    for (; letters < r.size(); ++letters) {
      const char c = r[letters];
      if (c >= 'A' && c <= 'Z') {
        column = column * 26 + (c - 'A' + 1);
      } else if (c >= 'a' && c <= 'z') {
        column = column * 26 + (c - 'a' + 1);
      } else {
        break;
      }
      if (letters == 3) break;  // four letters or more: no column
    }
    column = letters > 0 && letters <= 3 ? column - 1 : -1;
    placed = column < 0 || column >= kMaxSheetColumns ? kOutside
             : !same(r.substr(letters), rowDigits)    ? kNotInRow
                                                      : column;
    if (placed < 0) ref.assign(r);
  }

  int columnOfCell() {
    if (placed == kFollows) {
      if (lastColumn + 1 < kMaxSheetColumns) return lastColumn + 1;
      parser.stop("mantlept: " + fileName + ", row " + std::to_string(row) +
                  ": the row has more than " + std::to_string(kMaxSheetColumns) +
                  " cells (columns A to " + columnLetters(kMaxSheetColumns - 1) + ")");
    } else if (placed == kOutside) {
      parser.stop(where(printable(ref, 40)) +
                  "the reference is outside the sheet's columns (A to " +
                  columnLetters(kMaxSheetColumns - 1) + ")");
    } else if (placed == kNotInRow) {
      parser.stop(where(printable(ref, 40)) + "the reference is not in its row, " +
                  std::to_string(row));
    }
    return placed;
  }

  void endCell() {
    int column = columnOfCell();
    if (column < 0) return;
    // The cell's name, made only for a message (a sheet can hold millions of cells).
    auto name = [&] { return columnLetters(column) + std::to_string(row); };
    auto at = static_cast<std::size_t>(column);
    if (at < filled.size() && filled[at])
      return parser.stop(where(name()) + "the cell is given twice");
    std::string_view text;
    if (!hasValue && !hasFormula && type != CellType::Inline) {
      // A cell that carries only a style: empty, whatever its type says.
    } else if (type == CellType::Logical) {
      return parser.stop(where(name()) + "holds the logical value " +
                         (value == "1"   ? "TRUE"
                          : value == "0" ? "FALSE"
                                         : printable(value, 20)) +
                         ", not a number or text");
    } else if (type == CellType::Error) {
      return parser.stop(where(name()) + "holds the error " + printable(value, 20));
    } else if (hasFormula && !hasValue) {
      return parser.stop(where(name()) +
                         "holds a formula without a stored result (open the workbook in a "
                         "spreadsheet and save it again)");
    } else if (type == CellType::Inline) {
      text = inlineText;
    } else if (type == CellType::Shared) {
      std::size_t index = 0;
      bool digits = !value.empty() && value.size() < 12;
      for (char c : value) {
        digits = digits && c >= '0' && c <= '9';
        index = index * 10 + static_cast<std::size_t>(c - '0');
      }
      if (!digits || index >= shared.size())
        return parser.stopUnreadable("cell " + name() + " names shared string \"" +
                                     printable(value, 20) + "\", which does not exist");
      text = shared[index];
    } else {
      text = value;  // moved into the row below: `value` takes the cell's room
    }
    rowBytes += text.size();
    if (rowBytes > kMaxRowBytes)
      return parser.stop("mantlept: " + fileName + ", row " + std::to_string(row) +
                         ": the row holds more than " + std::to_string(kMaxRowBytes >> 20) +
                         " MB of text");
    if (at >= cells->size()) cells->resize(at + 1);
    if (at >= filled.size()) filled.resize(at + 1, 0);
    if (type == CellType::Value) {
      (*cells)[at].swap(value);
    } else {
      (*cells)[at].assign(text);
    }
    filled[at] = 1;
    used = std::max(used, at + 1);
    lastColumn = column;
  }

  void start(std::string_view local, Attributes atts) {
    if (replaying) return;
    ++depth;
    if (dataDepth == 0) {
      if (is(local, "sheetData") && depth == 2) dataDepth = depth;
    } else if (rowDepth == 0) {
      if (is(local, "row") && depth == dataDepth + 1) {
        rowDepth = depth;
        startRow(atts);
      }
    } else if (cellDepth == 0) {
      if (is(local, "c") && depth == rowDepth + 1) {
        cellDepth = depth;
        startCell(atts);
      }
    } else if (depth == cellDepth + 1) {
      if (is(local, "v")) {
        capture = hasValue = true;
      } else if (is(local, "f")) {
        hasFormula = true;
      } else if (is(local, "is")) {
        inInline = true;
      }
    } else if (inInline && phoneticDepth == 0) {
      if (is(local, "rPh")) {
        phoneticDepth = depth;
      } else if (is(local, "t")) {
        capture = true;
      }
    }
  }

  void end() {
    if (replaying) return;
    if (depth == phoneticDepth) phoneticDepth = 0;
    if (cellDepth != 0 && depth > cellDepth) {
      capture = false;
      if (depth == cellDepth + 1) inInline = false;
    } else if (depth == cellDepth && cellDepth != 0) {
      cellDepth = 0;
      endCell();
    } else if (depth == rowDepth && rowDepth != 0) {
      rowDepth = 0;
      if (parser.error().empty()) {
        cells->resize(used);
        rowReady = true;
        if (!scanning) XML_StopParser(parser.get(), XML_TRUE);
      }
    } else if (depth == dataDepth) {
      dataDepth = 0;
    }
    --depth;
  }

  void text(const char* s, int length) {
    if (!capture || replaying) return;
    std::string& to = inInline ? inlineText : value;
    if (to.size() + static_cast<std::size_t>(length) > kMaxCellBytes)
      return parser.stop("mantlept: " + fileName + ", row " + std::to_string(row) +
                         ": a cell is longer than " + std::to_string(kMaxCellBytes) + " bytes");
    to.append(s, static_cast<std::size_t>(length));
  }

  // Parses until a row is complete or the part ends.
  bool nextRow() {
    rowReady = false;
    if (scanning) {
      if (scan()) return true;
      if (scanning) return false;  // the part's end
    }
    while (!rowReady) {
      XML_Status status;
      if (suspended) {
        suspended = false;
        status = parser.resume();
      } else if (finalGiven) {
        return false;
      } else {
        // The bytes the scanner read and left, then the rest of the part.
        status = parser.feed(
            [this](char* to, std::size_t size) {
              if (pos == end_) return read(to, size);
              const std::size_t n = std::min(size, end_ - pos);
              std::memcpy(to, buffer.data() + pos, n);
              pos += n;
              return n;
            },
            finalGiven);
      }
      if (status == XML_STATUS_SUSPENDED) suspended = true;
    }
    return true;
  }

  // --- the scanner ---

  // Reads more of the part after buffer[pos, end_), moved to the front. False
  // at the part's end.
  bool fill() {
    if (sourceEnded) return false;
    const std::size_t kept = end_ - pos;
    if (pos > 0 && kept > 0) std::memmove(buffer.data(), buffer.data() + pos, kept);
    pos = 0;
    end_ = kept;
    if (buffer.size() < kept + kChunk) buffer.resize(kept + kChunk);
    const std::size_t got = read(buffer.data() + end_, kChunk);
    if (got == 0) sourceEnded = true;
    end_ += got;
    return got > 0;
  }

  // Hands the part from buffer[pos] on to expat: first the lines walked and
  // the elements open (or the root, ended), which the handlers do not see again.
  void handOver() {
    scanning = false;
    replaying = true;
    const std::string lineEnds(std::min<std::size_t>(static_cast<std::size_t>(lines), kChunk),
                               '\n');
    for (long left = lines; left > 0; left -= static_cast<long>(lineEnds.size()))
      parser.parse(lineEnds.data(), std::min(lineEnds.size(), static_cast<std::size_t>(left)),
                   false);
    std::string tags;
    for (std::size_t i = 0; i < openDepth; ++i) tags += "<" + open[i] + ">";
    if (openDepth == 0 && sawRoot) tags = "<" + open[0] + "/>";  // the root ended
    parser.parse(tags.data(), tags.size(), false);
    replaying = false;
  }

  // Throws the error a handler gave.
  void checkHandlers() const {
    if (!parser.error().empty()) throw TableError(parser.error());
  }

  // The XML declaration, if the part starts with one: false when it is one
  // the scanner does not take (another version or encoding, say).
  bool declaration() {
    while (end_ - pos < 256 && fill()) {
    }
    std::string_view head(buffer.data() + pos, end_ - pos);
    if (head.starts_with("\xEF\xBB\xBF")) {
      pos += 3;
      head.remove_prefix(3);
    }
    if (!head.starts_with("<?xml") || head.size() < 6 || !markup::space(head[5])) return true;
    std::size_t at = 5;
    long lineEnds = 0;
    auto spaces = [&] {
      const std::size_t from = at;
      for (; at < head.size() && markup::space(head[at]); ++at) lineEnds += head[at] == '\n';
      return at > from;
    };
    // name="value", the value one of `allowed` (any case).
    auto pseudoAttribute = [&](std::string_view name,
                               std::initializer_list<std::string_view> allowed) {
      const std::size_t from = at;
      const long linesFrom = lineEnds;
      auto none = [&] {
        at = from;
        lineEnds = linesFrom;
        return false;
      };
      if (!spaces() || head.substr(at, name.size()) != name) return none();
      at += name.size();
      spaces();
      if (at >= head.size() || head[at] != '=') return none();
      ++at;
      spaces();
      if (at >= head.size() || (head[at] != '"' && head[at] != '\'')) return none();
      const char quote = head[at++];
      const std::size_t close = head.find(quote, at);
      if (close == std::string_view::npos) return none();
      std::string_view given = head.substr(at, close - at);
      at = close + 1;
      for (std::string_view a : allowed)
        if (a.size() == given.size() &&
            std::equal(a.begin(), a.end(), given.begin(), [](char x, char y) {
              return x == y || (y >= 'a' && y <= 'z' && x == y - 'a' + 'A');
            }))
          return true;
      return none();
    };
    if (!pseudoAttribute("version", {"1.0"})) return false;
    pseudoAttribute("encoding", {"UTF-8"});
    pseudoAttribute("standalone", {"yes", "no"});
    spaces();
    if (head.substr(at, 2) != "?>") return false;
    pos += at + 2;
    lines += lineEnds;
    return true;
  }

  // The attributes of a start tag from q (after its name) into `attributes`:
  // the byte after the tag's end ('>' or "/>", `empty` then), nullptr when the
  // tag runs past e, &kNotTaken when it is not one the scanner takes.
  const char* attributeList(const char* q, const char* e, bool& empty, long& lineEnds) {
    using markup::nameChar, markup::nameStart, markup::space;
    attributeCount = 0;
    for (;;) {
      const char* before = q;
      for (; q < e && space(static_cast<unsigned char>(*q)); ++q) lineEnds += *q == '\n';
      if (q == e) return nullptr;
      if (*q == '>') {
        return q + 1;
      }
      if (*q == '/') {
        if (q + 1 == e) return nullptr;
        if (q[1] != '>') return &markup::kNotTaken;
        empty = true;
        return q + 2;
      }
      if (q == before || !nameStart(*q)) return &markup::kNotTaken;
      const char* nameFrom = q;
      while (q < e && nameChar(*q)) ++q;
      const std::string_view attributeName(nameFrom, static_cast<std::size_t>(q - nameFrom));
      for (; q < e && space(static_cast<unsigned char>(*q)); ++q) lineEnds += *q == '\n';
      if (q == e) return nullptr;
      if (*q != '=') return &markup::kNotTaken;
      for (++q; q < e && space(static_cast<unsigned char>(*q)); ++q) lineEnds += *q == '\n';
      if (q == e) return nullptr;
      const char quote = *q;
      if (quote != '"' && quote != '\'') return &markup::kNotTaken;
      const char* valueFrom = ++q;
      const bool* plain = quote == '"' ? markup::kPlain.quoted : markup::kPlain.apostrophed;
      while (q < e && plain[static_cast<unsigned char>(*q)]) ++q;
      if (q == e) return nullptr;
      if (*q != quote) return &markup::kNotTaken;
      if (attributeCount == markup::kMaxAttributes) return &markup::kNotTaken;
      for (std::size_t i = 0; i < attributeCount; ++i)
        if (same(attributes[i].name, attributeName)) return &markup::kNotTaken;
      attributes[attributeCount++] = {attributeName,
                                      {valueFrom, static_cast<std::size_t>(q - valueFrom)}};
      ++q;
    }
  }

  // A cell as a spreadsheet writes it, at p and whole in [p, e), walked in
  // one go: <c ...>, then <v>text</v> or nothing, then </c>; or <c .../>.
  // Its length once walked; 0, with nothing walked, for any other shape,
  // which tag() then walks.
  long cell(const char* p, const char* e) {
    if (e - p < 4 || p[1] != 'c' ||
        !(markup::space(static_cast<unsigned char>(p[2])) || p[2] == '>' || p[2] == '/'))
      return 0;
    long lineEnds = 0;
    bool empty = false;
    const char* q = attributeList(p + 2, e, empty, lineEnds);
    if (q == nullptr || q == &markup::kNotTaken) return 0;
    const char *valueFrom = nullptr, *valueTo = nullptr;
    if (!empty) {
      if (e - q >= 3 && q[0] == '<' && q[1] == 'v' && q[2] == '>') {
        valueFrom = q += 3;
        while (q < e && markup::kPlain.text[static_cast<unsigned char>(*q)]) ++q;
        valueTo = q;
        if (e - q < 4 || std::memcmp(q, "</v>", 4) != 0) return 0;
        q += 4;
      }
      if (e - q < 4 || std::memcmp(q, "</c>", 4) != 0) return 0;
      q += 4;
    }
    lines += lineEnds;
    // What start() and end() do for these elements in a row, in short: the
    // value, within one buffer, is far within a cell's limit.
    cellDepth = ++depth;
    startCell(Attributes(attributes, attributeCount));
    if (valueFrom != nullptr) {
      hasValue = true;
      value.assign(valueFrom, static_cast<std::size_t>(valueTo - valueFrom));
    }
    cellDepth = 0;
    endCell();
    --depth;
    checkHandlers();
    return q - p;
  }

  // The tag at p (a '<'), whole in [p, e): its length once walked, 0 when it
  // runs past e, -1 when it is not one the scanner takes.
  long tag(const char* p, const char* e) {
    using markup::nameChar, markup::nameStart, markup::space;
    const char* q = p + 1;
    if (q == e) return 0;
    long lineEnds = 0;
    if (*q == '/') {
      // The name of the element open, else not one the scanner takes.
      if (openDepth == 0) return -1;
      const std::string& name = open[openDepth - 1];
      if (static_cast<std::size_t>(e - ++q) <= name.size()) return 0;
      if (!same(std::string_view(q, name.size()), name) || nameChar(q[name.size()])) return -1;
      for (q += name.size(); q < e && space(static_cast<unsigned char>(*q)); ++q)
        lineEnds += *q == '\n';
      if (q == e) return 0;
      if (*q != '>') return -1;
      --openDepth;
      lines += lineEnds;
      end();
      checkHandlers();
      return q + 1 - p;
    }
    if (!nameStart(*q)) return -1;  // <! and <? among them
    const char* from = q;
    while (q < e && nameChar(*q)) ++q;
    if (q == e) return 0;
    const std::string_view name(from, static_cast<std::size_t>(q - from));
    bool empty = false;
    const char* after = attributeList(q, e, empty, lineEnds);
    if (after == nullptr || after == &markup::kNotTaken) return after == nullptr ? 0 : -1;
    q = after;
    if ((openDepth == 0 && sawRoot) || openDepth == markup::kMaxDepth) return -1;
    sawRoot = true;
    if (open.size() == openDepth) open.emplace_back();
    if (!same(open[openDepth], name)) open[openDepth].assign(name);
    ++openDepth;
    lines += lineEnds;
    start(withoutPrefix(name), Attributes(attributes, attributeCount));
    checkHandlers();
    if (empty) {
      --openDepth;
      end();
      checkHandlers();
    }
    return q - p;
  }

  // Walks the part until a row is complete (true) or the part ends (false);
  // false with `scanning` cleared once the part is handed to expat.
  bool scan() {
    if (!started) {
      started = true;
      if (!declaration()) return handOver(), false;
    }
    for (;;) {
      if (pos == end_ && !fill()) {
        if (openDepth == 0 && sawRoot) return false;
        return handOver(), false;  // unfinished: expat tells what is missing
      }
      const char* p = buffer.data() + pos;
      const char* e = buffer.data() + end_;
      const char c = *p;
      if (c == '<') {
        if (rowDepth != 0 && cellDepth == 0 && depth == rowDepth) {
          const long walked = cell(p, e);
          if (walked > 0) {
            pos += static_cast<std::size_t>(walked);
            continue;
          }
        }
        const long walked = tag(p, e);
        if (walked > 0) {
          pos += static_cast<std::size_t>(walked);
          if (rowReady) return true;
          continue;
        }
        if (walked == 0 && end_ - pos <= markup::kMaxTag && fill()) continue;
        return handOver(), false;
      }
      if (openDepth == 0) {
        // Outside the root only blanks; CR LF and a lone CR end a line each.
        if (markup::space(static_cast<unsigned char>(c))) {
          lines += c == '\n';
          ++pos;
        } else if (c == '\r') {
          if (p + 1 == e && fill()) continue;
          ++lines;
          pos += p + 1 < e && p[1] == '\n' ? 2 : 1;
        } else {
          return handOver(), false;
        }
        continue;
      }
      if (c == '&' || c == ']') {
        if (e - p < 6 && fill()) continue;
        const std::string_view at(p, static_cast<std::size_t>(std::min<long>(e - p, 6)));
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        std::size_t length = 0;
        char decoded = ']';
        if (c == ']') {
          length = at.starts_with("]]>") || at.size() < 3 ? 0 : 1;
        } else {
          for (const auto& [entity, character] : kEntities)
            if (at.starts_with(entity)) length = entity.size(), decoded = character;
        }
        if (length == 0) return handOver(), false;
        text(&decoded, 1);
        checkHandlers();
        pos += length;
        continue;
      }
      const char* q = p;
      while (q < e && markup::kPlain.text[static_cast<unsigned char>(*q)]) ++q;
      if (q == p) {
        if (c != '\n') return handOver(), false;
        ++lines;
        ++q;
      }
      text(p, static_cast<int>(q - p));
      checkHandlers();
      pos += static_cast<std::size_t>(q - p);
    }
  }
};

namespace {

SheetRows::Parser& parserOf(void* u) {
  return static_cast<SheetRows::Parser&>(*static_cast<ExpatOwner*>(u));
}

}  // namespace

SheetRows::SheetRows(ByteSource read, const SharedStrings& shared, std::string fileName,
                     std::string part)
    : parser_(
          std::make_unique<Parser>(std::move(read), shared, std::move(fileName), std::move(part))) {
  XML_Parser p = parser_->parser.get();
  XML_SetElementHandler(
      p,
      [](void* u, const XML_Char* name, const XML_Char** atts) {
        Parser& parser = parserOf(u);
        parser.expatAttributes.clear();
        for (std::size_t i = 0; atts[i] != nullptr; i += 2)
          parser.expatAttributes.push_back({atts[i], atts[i + 1]});
        parser.start(localName(name), parser.expatAttributes);
      },
      [](void* u, const XML_Char*) { parserOf(u).end(); });
  XML_SetCharacterDataHandler(
      p, [](void* u, const XML_Char* s, int length) { parserOf(u).text(s, length); });
}

SheetRows::~SheetRows() = default;

bool SheetRows::next(std::vector<std::string>& cells, long& rowNumber) {
  parser_->cells = &cells;
  if (!parser_->nextRow()) {
    cells.clear();
    return false;
  }
  rowNumber = parser_->row;
  return true;
}

namespace {

using ElementVisit = std::function<void(int depth, std::string_view name, const char** atts)>;

class Archive {
 public:
  Archive(const std::string& path, const std::string& fileName) : fileName_(fileName) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip_) failWithCode(code);
  }
  Archive(const std::string& bytes, const std::string& fileName, bool) : fileName_(fileName) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source != nullptr) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
      if (!zip_) zip_source_free(source);
    }
    if (!zip_) {
      std::string reason = zip_error_strerror(&error);
      zip_error_fini(&error);
      fail(reason);
    }
    zip_error_fini(&error);
  }
  ~Archive() {
    if (zip_) zip_discard(zip_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  [[noreturn]] void fail(const std::string& reason) const {
    throw TableError(unreadable(fileName_, printable(reason, 200)));
  }

  bool has(const std::string& name) { return zip_name_locate(zip_, name.c_str(), 0) >= 0; }

  // A reader of the part `name` that counts the bytes it inflates and fails
  // past `cap`, whatever size the archive declares.
  ByteSource stream(const std::string& name, std::size_t cap) {
    zip_file_t* file = zip_fopen(zip_, name.c_str(), 0);
    if (!file) fail(printable(name, 200) + ": " + zip_strerror(zip_));
    auto handle = std::shared_ptr<zip_file_t>(file, [](zip_file_t* f) { zip_fclose(f); });
    auto total = std::make_shared<std::size_t>(0);
    return [this, handle, total, cap, name](char* to, std::size_t size) -> std::size_t {
      if (stopFlag != nullptr && *stopFlag != 0)
        throw TableError("mantlept: " + fileName_ + ": reading stopped");
      zip_int64_t got = zip_fread(handle.get(), to, size);
      if (got < 0) fail(printable(name, 200) + ": " + zip_file_strerror(handle.get()));
      *total += static_cast<std::size_t>(got);
      if (*total > cap)
        fail(printable(name, 200) + " inflates to more than " + std::to_string(cap >> 20) + " MB");
      return static_cast<std::size_t>(got);
    };
  }

  // Walks the elements of the part `name` as they inflate: `each` gets the
  // depth (1 for the root), the name without its prefix and the attributes.
  void elements(const std::string& name, const ElementVisit& each) {
    if (!has(name)) fail("no " + printable(name, 200));
    struct Walk : ExpatOwner {
      const ElementVisit* each = nullptr;
      int depth = 0;
    } walk;
    walk.each = &each;
    Expat expat(&walk, fileName_, name);
    XML_SetElementHandler(
        expat.get(),
        [](void* u, const XML_Char* element, const XML_Char** atts) {
          auto& w = static_cast<Walk&>(*static_cast<ExpatOwner*>(u));
          (*w.each)(++w.depth, localName(element), atts);
        },
        [](void* u, const XML_Char*) { --static_cast<Walk&>(*static_cast<ExpatOwner*>(u)).depth; });
    parseAll(expat, stream(name, kMaxIndexPartBytes));
  }

 private:
  void failWithCode(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    fail(reason);
  }

  zip_t* zip_ = nullptr;
  std::string fileName_;
};

std::string quotedNames(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names)
    list += (list.empty() ? "\"" : ", \"") + printable(name, 100) + "\"";
  return list;
}

}  // namespace

void stopWorkbookReadsWith(const StopFlag* flag) { stopFlag = flag; }

struct XlsxReader::Parsed {
  std::string bytes;  // the workbook, when read from a pipe
  std::unique_ptr<Archive> zip;
  SharedStrings shared;
  std::unique_ptr<SheetRows> rows;
};

XlsxReader::XlsxReader(const std::string& path, const std::string& sheet)
    : parsed_(std::make_unique<Parsed>()), fileName_(path) {
  parsed_->zip = std::make_unique<Archive>(path, fileName_);
  open(sheet);
}

XlsxReader::XlsxReader(std::string bytes, const std::string& name, const std::string& sheet)
    : parsed_(std::make_unique<Parsed>()), fileName_(name) {
  parsed_->bytes = std::move(bytes);
  parsed_->zip = std::make_unique<Archive>(parsed_->bytes, fileName_, true);
  open(sheet);
}

void XlsxReader::open(const std::string& sheet) {
  Archive& zip = *parsed_->zip;
  std::vector<std::string> ids;
  bool inSheets = false, tooMany = false;
  zip.elements("xl/workbook.xml", [&](int depth, std::string_view name, const char** atts) {
    if (depth == 2) inSheets = name == "sheets";
    if (depth != 3 || !inSheets || name != "sheet") return;
    if (sheetNames_.size() == kMaxSheets) {
      tooMany = true;
      return;
    }
    std::string_view sheetName;
    for (std::size_t i = 0; atts[i] != nullptr; i += 2)
      if (std::string_view(atts[i]) == "name") sheetName = atts[i + 1];
    sheetNames_.emplace_back(sheetName);
    ids.emplace_back(expatAttribute(atts, "id"));
  });
  if (tooMany) zip.fail("the workbook lists more than " + std::to_string(kMaxSheets) + " sheets");
  if (sheetNames_.empty()) zip.fail("the workbook lists no sheets");

  std::size_t chosen = 0;
  if (!sheet.empty()) {
    while (chosen < sheetNames_.size() && sheetNames_[chosen] != sheet) ++chosen;
    if (chosen == sheetNames_.size())
      throw TableError("mantlept: " + fileName_ + ": no sheet \"" + printable(sheet, 100) +
                       "\"; the workbook has " + quotedNames(sheetNames_));
  }

  std::string target;
  zip.elements("xl/_rels/workbook.xml.rels",
               [&](int depth, std::string_view name, const char** atts) {
                 if (depth != 2 || name != "Relationship" || !target.empty()) return;
                 std::string_view id, to;
                 for (std::size_t i = 0; atts[i] != nullptr; i += 2) {
                   if (std::string_view(atts[i]) == "Id") id = atts[i + 1];
                   if (std::string_view(atts[i]) == "Target") to = atts[i + 1];
                 }
                 if (id == ids[chosen]) target = to;
               });
  if (target.empty()) zip.fail("no part for sheet \"" + printable(sheetNames_[chosen], 100) + "\"");
  target = target.front() == '/' ? target.substr(1) : "xl/" + target;

  const std::string strings = "xl/sharedStrings.xml";
  if (zip.has(strings))
    readSharedStrings(zip.stream(strings, kMaxPartBytes), parsed_->shared, fileName_, strings);
  if (!zip.has(target)) zip.fail("no " + printable(target, 200));
  parsed_->rows = std::make_unique<SheetRows>(zip.stream(target, kMaxPartBytes), parsed_->shared,
                                              fileName_, target);
}

XlsxReader::~XlsxReader() = default;

bool XlsxReader::next(std::vector<std::string>& cells) {
  if (!parsed_->rows->next(cells, row_)) return false;
  if (width_ == 0) width_ = cells.size();
  if (cells.size() < width_) cells.resize(width_);
  return true;
}

}  // namespace mantlept::tables
