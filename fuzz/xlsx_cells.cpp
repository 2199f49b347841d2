// Fuzz target: a worksheet part of a workbook from arbitrary bytes, fed to the
// streaming cell reader in pieces whose size the first byte chooses. The
// reader must end, fail only with a TableError naming the file, place every
// cell inside the sheet's columns, and give the same rows whatever the pieces.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tables/xlsx_reader.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "xlsx cells: %s\n", what);
  std::abort();
}

using Rows = std::vector<std::pair<long, std::vector<std::string>>>;

// The rows read with pieces of `piece` bytes, or the error message.
std::string readSheet(const std::string& xml, std::size_t piece,
                      const mantlept::tables::SharedStrings& shared, Rows& rows) {
  using namespace mantlept::tables;
  std::size_t at = 0;
  try {
    SheetRows sheet(
        [&](char* to, std::size_t size) {
          std::size_t n = std::min({size, piece, xml.size() - at});
          std::copy(xml.data() + at, xml.data() + at + n, to);
          at += n;
          return n;
        },
        shared, "fuzz.xlsx", "xl/worksheets/sheet1.xml");
    std::vector<std::string> cells;
    long last = 0;
    for (long number = 0; sheet.next(cells, number);) {
      if (number <= last || number > kMaxSheetRows) fail("a row number out of order or range");
      if (cells.size() > static_cast<std::size_t>(kMaxSheetColumns))
        fail("a cell outside the columns");
      last = number;
      rows.emplace_back(number, cells);
      if (rows.size() > xml.size()) fail("more rows than bytes");
    }
  } catch (const TableError& e) {
    std::string message = e.what();
    if (message.find("fuzz.xlsx") == std::string::npos) fail("a message without the file");
    return message;
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  mantlept::tables::SharedStrings shared;
  shared.add("Sample");
  shared.add("SiO2_Opx");
  shared.add("");
  const std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);
  Rows whole, pieces;
  std::string wholeError = readSheet(xml, xml.size() + 1, shared, whole);
  std::string piecesError = readSheet(xml, 1 + data[0] % 16, shared, pieces);
  // A fault found part way may differ in its line; the rows before it may not.
  if (wholeError.empty() != piecesError.empty()) fail("pieces change whether the sheet reads");
  if (wholeError.empty() && whole != pieces) fail("pieces change the rows");
  return 0;
}
