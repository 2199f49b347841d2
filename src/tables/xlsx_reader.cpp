#include "tables/xlsx_reader.hpp"

#include <expat.h>
#include <zip.h>

#include <cstring>
#include <pugixml.hpp>

#include "core/printable.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// workbook.xml and its relationships list sheets only.
constexpr std::size_t kMaxIndexPartBytes = std::size_t{16} << 20;

// The name of a node or attribute without its namespace prefix.
std::string_view localName(const char* name) {
  std::string_view n(name);
  std::size_t colon = n.find(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_node c : node.children())
    if (c.type() == pugi::node_element && localName(c.name()) == name) return c;
  return {};
}

// The attribute `name` in whatever namespace ("r:id" or "id" in another prefix).
pugi::xml_attribute attribute(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_attribute a : node.attributes())
    if (localName(a.name()) == name) return a;
  return {};
}

std::string_view expatAttribute(const char** atts, std::string_view name) {
  for (std::size_t i = 0; atts[i] != nullptr; i += 2)
    if (localName(atts[i]) == name) return atts[i + 1];
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
// every entity expansion) and reports its own handlers' errors first.
class Expat {
 public:
  Expat(ExpatOwner* owner, std::string fileName, std::string part)
      : parser_(XML_ParserCreate(nullptr)), fileName_(std::move(fileName)), part_(std::move(part)) {
    if (parser_ == nullptr) throw std::bad_alloc();
    owner->expat = this;
    XML_SetUserData(parser_, owner);
    XML_SetStartDoctypeDeclHandler(
        parser_, [](void* u, const XML_Char*, const XML_Char*, const XML_Char*, int) {
          Expat& e = *static_cast<ExpatOwner*>(u)->expat;
          e.stop(unreadable(e.fileName_, e.part_ + " has a document type declaration"));
        });
  }
  ~Expat() { XML_ParserFree(parser_); }
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
    return unreadable(fileName_, part_ + ", line " +
                                     std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
                                     XML_ErrorString(XML_GetErrorCode(parser_)));
  }

 private:
  XML_Parser parser_;
  std::string fileName_, part_;
  std::string error_;
};

// State of the shared-string part: the text of each <si>, leaving out
// phonetic runs.
struct SharedParse : ExpatOwner {
  SharedStrings* out = nullptr;
  std::string current;
  int depth = 0, textDepth = 0, phoneticDepth = 0;
  bool inItem = false;
};

SharedParse& sharedOf(void* u) { return static_cast<SharedParse&>(*static_cast<ExpatOwner*>(u)); }

}  // namespace

void SharedStrings::add(std::string_view text) {
  text_ += text;
  ends_.push_back(text_.size());
}

std::string_view SharedStrings::operator[](std::size_t i) const {
  std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

void readSharedStrings(const ByteSource& read, SharedStrings& out, const std::string& fileName,
                       const std::string& part) {
  SharedParse state;
  state.out = &out;
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
        } else if (s.inItem && local == "rPh" && s.phoneticDepth == 0) {
          s.phoneticDepth = s.depth;
        } else if (s.inItem && local == "t" && s.phoneticDepth == 0) {
          s.textDepth = s.depth;
        }
      },
      [](void* u, const XML_Char* name) {
        auto& s = sharedOf(u);
        std::string_view local = localName(name);
        if (s.depth == s.textDepth) s.textDepth = 0;
        if (s.depth == s.phoneticDepth) s.phoneticDepth = 0;
        if (local == "si" && s.inItem && s.textDepth == 0 && s.phoneticDepth == 0) {
          if (s.out->bytes() + s.current.size() > kMaxSharedBytes) {
            s.expat->stopUnreadable("its shared strings exceed " +
                                    std::to_string(kMaxSharedBytes >> 20) + " MB");
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
  for (;;) {
    void* buffer = XML_GetBuffer(p, static_cast<int>(kChunk));
    if (buffer == nullptr) throw std::bad_alloc();
    std::size_t got = read(static_cast<char*>(buffer), kChunk);
    if (XML_ParseBuffer(p, static_cast<int>(got), got == 0) != XML_STATUS_OK)
      throw TableError(expat.message());
    if (got == 0) return;
  }
}

// The state of a worksheet part as expat walks it: where in the tree the
// parse is, the row being assembled and the cell being read.
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
  std::size_t rowBytes = 0;
  std::vector<std::string>* cells = nullptr;
  std::vector<char> filled;

  std::string ref, type, value, inlineText;
  bool hasValue = false, hasFormula = false;

  std::string where(const std::string& cell) const {
    return "mantlept: " + fileName + ", cell " + cell + ": ";
  }

  void startRow(const char** atts) {
    std::string_view r = expatAttribute(atts, "r");
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
    cells->clear();
    filled.clear();
    lastColumn = -1;
    rowBytes = 0;
  }

  void startCell(const char** atts) {
    ref = expatAttribute(atts, "r");
    type = expatAttribute(atts, "t");
    value.clear();
    inlineText.clear();
    hasValue = hasFormula = false;
  }

  // The column of the cell's reference, which must name a cell of this row.
  int columnOfCell() {
    if (ref.empty()) return lastColumn + 1;
    std::size_t letters = 0;
    while (letters < ref.size() && ((ref[letters] >= 'A' && ref[letters] <= 'Z') ||
                                    (ref[letters] >= 'a' && ref[letters] <= 'z')))
      ++letters;
    int column = letters > 0 && letters <= 3 ? columnOfReference(ref) : -1;
    if (column < 0 || column >= kMaxSheetColumns) {
      parser.stop(where(printable(ref, 40)) +
                  "the reference is outside the sheet's columns (A to " +
                  columnLetters(kMaxSheetColumns - 1) + ")");
      return -1;
    }
    if (ref.substr(letters) != std::to_string(row)) {
      parser.stop(where(printable(ref, 40)) + "the reference is not in its row, " +
                  std::to_string(row));
      return -1;
    }
    return column;
  }

  void endCell() {
    int column = columnOfCell();
    if (column < 0) return;
    const std::string name = columnLetters(column) + std::to_string(row);
    auto at = static_cast<std::size_t>(column);
    if (at < filled.size() && filled[at])
      return parser.stop(where(name) + "the cell is given twice");
    std::string text;
    if (!hasValue && !hasFormula && type != "inlineStr") {
      // A cell that carries only a style: empty, whatever its type says.
    } else if (type == "b") {
      return parser.stop(where(name) + "holds the logical value " +
                         (value == "1"   ? "TRUE"
                          : value == "0" ? "FALSE"
                                         : printable(value, 20)) +
                         ", not a number or text");
    } else if (type == "e") {
      return parser.stop(where(name) + "holds the error " + printable(value, 20));
    } else if (hasFormula && !hasValue) {
      return parser.stop(where(name) +
                         "holds a formula without a stored result (open the workbook in a "
                         "spreadsheet and save it again)");
    } else if (type == "inlineStr") {
      text = std::move(inlineText);
    } else if (type == "s") {
      std::size_t index = 0;
      bool digits = !value.empty() && value.size() < 12;
      for (char c : value) {
        digits = digits && c >= '0' && c <= '9';
        index = index * 10 + static_cast<std::size_t>(c - '0');
      }
      if (!digits || index >= shared.size())
        return parser.stopUnreadable("cell " + name + " names shared string \"" +
                                     printable(value, 20) + "\", which does not exist");
      text = shared[index];
    } else {
      text = std::move(value);
    }
    rowBytes += text.size();
    if (rowBytes > kMaxRowBytes)
      return parser.stop("mantlept: " + fileName + ", row " + std::to_string(row) +
                         ": the row holds more than " + std::to_string(kMaxRowBytes >> 20) +
                         " MB of text");
    if (at >= cells->size()) {
      cells->resize(at + 1);
      filled.resize(at + 1, 0);
    }
    (*cells)[at] = std::move(text);
    filled[at] = 1;
    lastColumn = column;
  }

  void start(const char* name, const char** atts) {
    std::string_view local = localName(name);
    ++depth;
    if (dataDepth == 0) {
      if (local == "sheetData" && depth == 2) dataDepth = depth;
    } else if (rowDepth == 0) {
      if (local == "row" && depth == dataDepth + 1) {
        rowDepth = depth;
        startRow(atts);
      }
    } else if (cellDepth == 0) {
      if (local == "c" && depth == rowDepth + 1) {
        cellDepth = depth;
        startCell(atts);
      }
    } else if (depth == cellDepth + 1) {
      if (local == "v") {
        capture = hasValue = true;
      } else if (local == "f") {
        hasFormula = true;
      } else if (local == "is") {
        inInline = true;
      }
    } else if (inInline && phoneticDepth == 0) {
      if (local == "rPh") {
        phoneticDepth = depth;
      } else if (local == "t") {
        capture = true;
      }
    }
  }

  void end() {
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
        rowReady = true;
        XML_StopParser(parser.get(), XML_TRUE);
      }
    } else if (depth == dataDepth) {
      dataDepth = 0;
    }
    --depth;
  }

  void text(const char* s, int length) {
    if (!capture) return;
    std::string& to = inInline ? inlineText : value;
    if (to.size() + static_cast<std::size_t>(length) > kMaxCellBytes)
      return parser.stop("mantlept: " + fileName + ", row " + std::to_string(row) +
                         ": a cell is longer than " + std::to_string(kMaxCellBytes) + " bytes");
    to.append(s, static_cast<std::size_t>(length));
  }

  // Parses until a row is complete or the part ends.
  bool nextRow() {
    rowReady = false;
    while (!rowReady) {
      XML_Status status;
      if (suspended) {
        suspended = false;
        status = XML_ResumeParser(parser.get());
      } else if (finalGiven) {
        return false;
      } else {
        void* buffer = XML_GetBuffer(parser.get(), static_cast<int>(kChunk));
        if (buffer == nullptr) throw std::bad_alloc();
        std::size_t got = read(static_cast<char*>(buffer), kChunk);
        finalGiven = got == 0;
        status = XML_ParseBuffer(parser.get(), static_cast<int>(got), finalGiven);
      }
      if (status == XML_STATUS_SUSPENDED) {
        suspended = true;
      } else if (status == XML_STATUS_ERROR) {
        throw TableError(parser.message());
      }
    }
    return true;
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
      [](void* u, const XML_Char* name, const XML_Char** atts) { parserOf(u).start(name, atts); },
      [](void* u, const XML_Char*) { parserOf(u).end(); });
  XML_SetCharacterDataHandler(
      p, [](void* u, const XML_Char* s, int length) { parserOf(u).text(s, length); });
}

SheetRows::~SheetRows() = default;

bool SheetRows::next(std::vector<std::string>& cells, long& rowNumber) {
  parser_->cells = &cells;
  cells.clear();
  if (!parser_->nextRow()) return false;
  rowNumber = parser_->row;
  return true;
}

namespace {

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

  void parse(const std::string& name, pugi::xml_document& doc) {
    if (!has(name)) fail("no " + printable(name, 200));
    ByteSource read = stream(name, kMaxIndexPartBytes);
    std::string data;
    for (;;) {
      std::size_t had = data.size();
      data.resize(had + kChunk);
      std::size_t got = read(data.data() + had, kChunk);
      data.resize(had + got);
      if (got == 0) break;
    }
    pugi::xml_parse_result result = doc.load_buffer(data.data(), data.size());
    if (!result) fail(printable(name, 200) + ": " + result.description());
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
  pugi::xml_document workbook;
  zip.parse("xl/workbook.xml", workbook);
  std::vector<std::string> ids;
  pugi::xml_node sheets = child(child(workbook, "workbook"), "sheets");
  for (pugi::xml_node s : sheets.children()) {
    if (localName(s.name()) != "sheet") continue;
    sheetNames_.push_back(s.attribute("name").value());
    ids.push_back(attribute(s, "id").value());
  }
  if (sheetNames_.empty()) zip.fail("the workbook lists no sheets");

  std::size_t chosen = 0;
  if (!sheet.empty()) {
    while (chosen < sheetNames_.size() && sheetNames_[chosen] != sheet) ++chosen;
    if (chosen == sheetNames_.size())
      throw TableError("mantlept: " + fileName_ + ": no sheet \"" + printable(sheet, 100) +
                       "\"; the workbook has " + quotedNames(sheetNames_));
  }

  pugi::xml_document rels;
  zip.parse("xl/_rels/workbook.xml.rels", rels);
  std::string target;
  for (pugi::xml_node r : child(rels, "Relationships").children()) {
    if (localName(r.name()) == "Relationship" && ids[chosen] == r.attribute("Id").value()) {
      target = r.attribute("Target").value();
      break;
    }
  }
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
