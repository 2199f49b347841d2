#include "tables/open_table.hpp"

#include <algorithm>
#include <cctype>

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

}  // namespace

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
  return isTableHeader(firstBytes) ? InputKind::Table : InputKind::FixedColumn;
}

InputKind detectInputKind(const std::string& path) {
  if (hasWorkbookName(path)) return InputKind::Workbook;
  return detectInputKind(std::string_view(readStart(path, 64 * 1024)));
}

std::unique_ptr<RowSource> openTable(const std::string& path, const std::string& sheet) {
  if (path == "-") {
    if (!sheet.empty())
      throw TableError("mantlept: -: a sheet can be chosen only in an .xlsx workbook");
    return std::make_unique<DelimitedReader>(stdin, "-");
  }
  if (hasWorkbookName(path) || isZipWorkbookFile(path))
    return std::make_unique<XlsxReader>(path, sheet);
  if (!sheet.empty())
    throw TableError("mantlept: " + path + ": a sheet can be chosen only in an .xlsx workbook");
  return std::make_unique<DelimitedReader>(path);
}

std::unique_ptr<RowSource> openTable(std::FILE* file, const std::string& name, std::string peeked) {
  return std::make_unique<DelimitedReader>(file, name, std::move(peeked));
}

}  // namespace mantlept::tables
