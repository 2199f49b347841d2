// The page's way into the program: the command-line front end called with
// the arguments a person would type, on files the page has put into the
// module's in-memory file system, with standard output and standard error
// caught as text. The page never sees another code path than the command's.
// Progress goes to the worker's `mantleptProgress(done, total)` as it comes.
#include <emscripten/bind.h>
#include <emscripten/em_asm.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/progress.hpp"

namespace {

struct CommandReply {
  std::string out;
  std::string err;
  int exitCode = 0;
};

// Runs `mantlept ARGS...` as the command line would.
CommandReply runCommand(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"mantlept"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  CommandReply reply;
  mantlept::setProgressObserver([](std::uint64_t done, std::uint64_t total) {
    EM_ASM({ if (typeof mantleptProgress === 'function') mantleptProgress($0, $1); },
           static_cast<double>(done), static_cast<double>(total));
  });
  reply.exitCode = mantlept::runCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  reply.out = out.str();
  reply.err = err.str();
  return reply;
}

}  // namespace

EMSCRIPTEN_BINDINGS(mantlept_web) {
  emscripten::register_vector<std::string>("StringList");
  emscripten::value_object<CommandReply>("CommandReply")
      .field("out", &CommandReply::out)
      .field("err", &CommandReply::err)
      .field("exitCode", &CommandReply::exitCode);
  emscripten::function("runCommand", &runCommand);
}
