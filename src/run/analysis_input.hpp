#pragma once
// The analyses a command reads: a fixed-column analysis file, a delimited
// table or a workbook, told apart by their content, delivered one
// association at a time.
#include <memory>
#include <stdexcept>
#include <string>

#include "minerals/association.hpp"
#include "tables/row_source.hpp"

namespace mantlept {

// Input that cannot be opened or read; the message names the file (and the
// line, row and column where there is one).
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AnalysisInput {
 public:
  virtual ~AnalysisInput() = default;
  // The next association; false at the end. Throws InputError.
  virtual bool next(Association& a) = 0;
  // True for the fixed-column analysis file.
  virtual bool fixedColumns() const = 0;
  // Warnings and notes gathered so far, written once each to `err`.
  virtual void report(std::ostream& err, bool quiet) { (void)err, (void)quiet; }
};

// Opens `path` (`-`: standard input). `sheet` picks a workbook sheet (empty:
// the first). Throws InputError.
std::unique_ptr<AnalysisInput> openAnalyses(const std::string& path, const std::string& sheet);

// The analyses of a table whose rows come from `rows` (a table held in
// memory). Throws InputError when its header is not that of analyses.
std::unique_ptr<AnalysisInput> tableAnalyses(std::unique_ptr<tables::RowSource> rows);

}  // namespace mantlept
