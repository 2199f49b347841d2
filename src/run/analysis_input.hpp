#pragma once
// The analyses a command reads: a fixed-column analysis file, a delimited
// table or a workbook, told apart by their content, delivered one
// association at a time.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "minerals/association.hpp"
#include "tables/compilation.hpp"
#include "tables/row_source.hpp"

namespace mantlept {

// Input that cannot be opened or read; the message names the file (and the
// line, row and column where there is one).
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Inputs that cannot go together (a fixed-column analysis file with others):
// a usage error, exit status 2.
class InputUsageError : public InputError {
 public:
  using InputError::InputError;
};

// How the analyses of tables are chosen.
struct AnalysisOptions {
  tables::RimCore rimCore = tables::RimCore::All;  // spot analyses kept by position
  // Each row of a wide table is a sample of its own, never joined with other
  // rows of the same name: concentrate grains, whose sample column often
  // names the concentrate rather than the grain.
  bool rowsAlone = false;
  // A wide table in which a sample name repeats (a table of grains or pairs,
  // each row evaluated on its own) is refused, naming the first repeated
  // name: for `convert`, whose fixed-column file joins consecutive lines of
  // one name and so cannot keep such rows apart.
  bool repeatedNamesRefused = false;
};

class AnalysisInput {
 public:
  virtual ~AnalysisInput() = default;
  // The next association; false at the end. Throws InputError.
  virtual bool next(Association& a) = 0;
  // Samples in all, once known: for tables grouped by name after the first
  // `next` (their rows are all read then); 0 while not known, for a single
  // wide table (read as it streams) and for the fixed-column file.
  virtual std::uint64_t total() const { return 0; }
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
std::unique_ptr<AnalysisInput> tableAnalyses(std::unique_ptr<tables::RowSource> rows,
                                             const AnalysisOptions& options = {});

// Opens the analyses every command reads: one fixed-column analysis file
// (read line by line, consecutive lines of a sample together), or any number
// of tables (`-` once at most) whose rows are joined by sample name across
// files and averaged per mineral, except the rows of a wide table in which
// a sample name repeats, each an association of its own (see Compilation). `sheet` picks the sheet of each workbook.
// Every file is opened and its header checked here; the rows of tables are
// read at the first `next`. Throws InputError, InputUsageError when a
// fixed-column file comes with other inputs.
std::unique_ptr<AnalysisInput> openAnalyses(const std::vector<std::string>& paths,
                                            const std::string& sheet,
                                            const AnalysisOptions& options);

}  // namespace mantlept
