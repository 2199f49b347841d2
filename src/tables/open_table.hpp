#pragma once
// Deciding what an input file is from its content, and opening a table.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "tables/row_source.hpp"

namespace mantlept::tables {

enum class InputKind { FixedColumn, Table, Workbook };

// True when the bytes start like a zip archive ("PK\x03\x04"), as an .xlsx does.
bool isZipWorkbook(std::string_view firstBytes);
// The same for the file at `path` (false when it cannot be read).
bool isZipWorkbookFile(const std::string& path);

// True when `firstLine` is the header of a table: cells separated by ',', ';'
// or tab, among them a sample column or an oxide column the tables know. A
// line of the fixed-column analysis file is never one.
bool isTableHeader(std::string_view firstLine);

// What the input starting with `firstBytes` is (for standard input, where the
// caller has read the start already).
InputKind detectInputKind(std::string_view firstBytes);
// What the file at `path` is, from its first bytes; FixedColumn when it cannot
// be read (the analysis reader then reports that).
InputKind detectInputKind(const std::string& path);

// Opens a table: an .xlsx workbook (by its content, not its name) at the
// sheet named `sheet` (the first when empty), or a delimited text table;
// `path` "-" is standard input (text only). Throws TableError.
std::unique_ptr<RowSource> openTable(const std::string& path, const std::string& sheet);
// Opens a delimited text table read from `file`, of which `peeked` has been
// read already.
std::unique_ptr<RowSource> openTable(std::FILE* file, const std::string& name, std::string peeked);

}  // namespace mantlept::tables
