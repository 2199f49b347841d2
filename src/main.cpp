// mantlept: temperature, pressure and oxygen fugacity of mantle rocks from
// microprobe analyses of their coexisting minerals.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "cli/command_line.hpp"
#include "core/terminal.hpp"
#include "dialogue/program.hpp"

namespace {

void requestStop(int signal) { mantlept::stopRequested = signal; }

// Standard input read with read(2). The stop signals are installed without
// SA_RESTART, so a signal interrupts the wait for an answer; after a stop
// request the input ends there, and the dialogue ends at once (Ctrl-C at a
// question) instead of when the next answer comes.
class AnswerInput final : public std::streambuf {
 protected:
  int_type underflow() override {
    for (;;) {
      if (mantlept::stopRequested != 0) return traits_type::eof();
      ssize_t n = ::read(STDIN_FILENO, buffer_, sizeof buffer_);
      if (n > 0) {
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(buffer_[0]);
      }
      if (n < 0 && errno == EINTR) continue;
      return traits_type::eof();
    }
  }

 private:
  char buffer_[4096];
};

void installStopHandlers() {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: see AnswerInput
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  installStopHandlers();
  if (argc > 1) return mantlept::runCommandLine(argc, argv, std::cout, std::cerr);
  AnswerInput answers;
  std::istream in(&answers);
  mantlept::StreamTerminal terminal(std::cout, ::isatty(STDOUT_FILENO) != 0);
  return mantlept::runProgram(in, terminal, std::cerr);
}
