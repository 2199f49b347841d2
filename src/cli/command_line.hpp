#pragma once
// The command-line front end: `mantlept calc`, `convert`, `methods` and
// `geotherm`, parsed with CLI11.
#include <ostream>

namespace mantlept {

// Parses the arguments and runs the command. Returns the exit status: 0 on
// success, 1 for a data error, 2 for a usage error.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace mantlept
