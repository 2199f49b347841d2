#pragma once
// Output files of the commands: created new (an existing file only replaced
// when asked, and then only once the new one is complete), written record by
// record, removed when the run fails.
#include <stdexcept>
#include <string>

#include "core/output_file.hpp"

namespace mantlept {

// An output file that cannot be created or written; the message says which and why.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates `path` new; with `force` an existing file is replaced when the new
// one is closed complete. `what` names the file in messages ("output file").
// Throws OutputError.
void createOutput(OutputFile& file, const std::string& path, bool force, const char* what);

// Writes what was added to `file`. Throws OutputError.
void commitOutput(OutputFile& file, const char* what);

// Closes `file` when open. Throws OutputError.
void closeOutput(OutputFile& file, const char* what);

// True when the two names lead to one file: the same name, the same path
// once links and "." and ".." are resolved, or the same device and inode (a
// hard link).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace mantlept
