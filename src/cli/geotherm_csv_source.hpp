#pragma once
// A comma-separated table (RFC 4180: quoted cells, doubled quotes, line ends
// inside quotes, CRLF) read row by row, for the points of the geotherm
// command until the shared table reader serves them.
#include <memory>
#include <string>

#include "tables/row_source.hpp"

namespace mantlept::cli {

// Throws tables::TableError when the file cannot be opened. `sheet` is
// ignored: a text table has none.
std::unique_ptr<tables::RowSource> openCsvTable(const std::string& path, const std::string& sheet);

}  // namespace mantlept::cli
