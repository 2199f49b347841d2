#include "tables/xlsx_reader.hpp"

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

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

// The text of every <t> below `node` joined, leaving out phonetic runs.
void appendText(pugi::xml_node node, std::string& out) {
  for (pugi::xml_node c : node.children()) {
    if (c.type() != pugi::node_element) continue;
    std::string_view name = localName(c.name());
    if (name == "t") {
      out += c.text().get();
    } else if (name != "rPh") {
      appendText(c, out);
    }
  }
}

class Archive {
 public:
  Archive(const std::string& path, const std::string& fileName) : fileName_(fileName) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip_) {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string reason = zip_error_strerror(&error);
      zip_error_fini(&error);
      fail(reason);
    }
  }
  ~Archive() {
    if (zip_) zip_discard(zip_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  [[noreturn]] void fail(const std::string& reason) const {
    throw TableError("mantlept: " + fileName_ + ": not a readable .xlsx workbook (" + reason + ")");
  }

  bool has(const std::string& name) { return zip_name_locate(zip_, name.c_str(), 0) >= 0; }

  std::string read(const std::string& name) {
    zip_stat_t st;
    if (zip_stat(zip_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
      fail("no " + name);
    // Parts of a workbook of analyses are small; a huge one is not a table here.
    if (st.size > (std::uint64_t{1} << 30)) fail(name + " is too large");
    zip_file_t* file = zip_fopen(zip_, name.c_str(), 0);
    if (!file) fail(name + ": " + zip_strerror(zip_));
    std::string data(static_cast<std::size_t>(st.size), '\0');
    zip_int64_t got = zip_fread(file, data.data(), data.size());
    std::string reason = got < 0 ? zip_file_strerror(file) : "";
    zip_fclose(file);
    if (got < 0 || static_cast<std::uint64_t>(got) != st.size)
      fail(name + ": " + (reason.empty() ? "short read" : reason));
    return data;
  }

  void parse(const std::string& name, pugi::xml_document& doc) {
    std::string data = read(name);
    pugi::xml_parse_result result = doc.load_buffer(data.data(), data.size());
    if (!result) fail(name + ": " + result.description());
  }

 private:
  zip_t* zip_ = nullptr;
  std::string fileName_;
};

}  // namespace

struct XlsxReader::Parsed {
  pugi::xml_document sheet;
  std::vector<std::string> shared;
  pugi::xml_node nextRow;
  long lastRow = 0;
};

XlsxReader::XlsxReader(const std::string& path, const std::string& sheet)
    : parsed_(std::make_unique<Parsed>()), fileName_(path) {
  Archive zip(path, fileName_);

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
    if (chosen == sheetNames_.size()) {
      std::string list;
      for (const std::string& name : sheetNames_)
        list += (list.empty() ? "\"" : ", \"") + name + "\"";
      throw TableError("mantlept: " + fileName_ + ": no sheet \"" + sheet +
                       "\"; the workbook has " + list);
    }
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
  if (target.empty()) zip.fail("no part for sheet \"" + sheetNames_[chosen] + "\"");
  target = target.front() == '/' ? target.substr(1) : "xl/" + target;

  if (zip.has("xl/sharedStrings.xml")) {
    pugi::xml_document strings;
    zip.parse("xl/sharedStrings.xml", strings);
    for (pugi::xml_node si : child(strings, "sst").children()) {
      if (localName(si.name()) != "si") continue;
      std::string text;
      appendText(si, text);
      parsed_->shared.push_back(std::move(text));
    }
  }

  zip.parse(target, parsed_->sheet);
  pugi::xml_node data = child(child(parsed_->sheet, "worksheet"), "sheetData");
  parsed_->nextRow = child(data, "row");
}

XlsxReader::~XlsxReader() = default;

bool XlsxReader::next(std::vector<std::string>& cells) {
  cells.clear();
  pugi::xml_node row = parsed_->nextRow;
  while (row && localName(row.name()) != "row") row = row.next_sibling();
  if (!row) return false;
  parsed_->nextRow = row.next_sibling();

  long number = static_cast<long>(row.attribute("r").as_llong(0));
  row_ = number > parsed_->lastRow ? number : parsed_->lastRow + 1;
  parsed_->lastRow = row_;

  for (pugi::xml_node c : row.children()) {
    if (localName(c.name()) != "c") continue;
    int column = columnOfReference(c.attribute("r").value());
    if (column < 0) column = static_cast<int>(cells.size());
    if (static_cast<std::size_t>(column) < cells.size()) continue;  // out of order: keep the first
    cells.resize(static_cast<std::size_t>(column));
    std::string_view type = c.attribute("t").value();
    std::string text;
    if (type == "inlineStr") {
      appendText(child(c, "is"), text);
    } else {
      text = child(c, "v").text().get();
      if (type == "s") {
        char* end = nullptr;
        unsigned long index = std::strtoul(text.c_str(), &end, 10);
        if (text.empty() || *end || index >= parsed_->shared.size())
          throw TableError("mantlept: " + fileName_ + ": not a readable .xlsx workbook (cell " +
                           c.attribute("r").value() + " names shared string \"" + text +
                           "\", which does not exist)");
        text = parsed_->shared[index];
      }
    }
    cells.push_back(std::move(text));
  }
  if (width_ == 0) width_ = cells.size();
  if (cells.size() < width_) cells.resize(width_);
  return true;
}

}  // namespace mantlept::tables
