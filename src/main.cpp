// mantlept: temperature, pressure and oxygen fugacity of mantle rocks from
// microprobe analyses of their coexisting minerals.
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "cli/command_line.hpp"
#include "core/terminal.hpp"
#include "dialogue/program.hpp"
#include "tables/xlsx_reader.hpp"

namespace {

pid_t mainThread = 0;
timer_t repeatTimer{};
bool repeatTimerMade = false;

// Sets the stop request (the first signal counts). A signal taken by a worker
// thread is passed on to the main thread, so that a read it is blocked in (a
// pipe that stays open) is interrupted there. Until the program ends, a timer
// then interrupts the main thread every 0.1 s, for a read it entered just
// after the signal, or a second read after the first was cut short.
void onSignal(int signal) {
  const int saved = errno;
  if (signal != SIGALRM) {
    if (mantlept::stopRequested == 0) {
      mantlept::stopRequested = signal;
      if (repeatTimerMade) {
        const itimerspec every{{0, 100'000'000}, {0, 100'000'000}};
        ::timer_settime(repeatTimer, 0, &every, nullptr);
      }
    }
  } else if (mantlept::stopRequested == 0) {
    errno = saved;
    return;
  }
  if (static_cast<pid_t>(::syscall(SYS_gettid)) != mainThread) {
    ::syscall(SYS_tgkill, ::getpid(), mainThread, signal);
  }
  errno = saved;
}

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
  mainThread = static_cast<pid_t>(::syscall(SYS_gettid));
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGALRM;
  repeatTimerMade = ::timer_create(CLOCK_MONOTONIC, &event, &repeatTimer) == 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: see AnswerInput
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGALRM}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  installStopHandlers();
  mantlept::tables::stopWorkbookReadsWith(&mantlept::stopRequested);
  if (argc > 1) return mantlept::runCommandLine(argc, argv, std::cout, std::cerr);
  AnswerInput answers;
  std::istream in(&answers);
  mantlept::StreamTerminal terminal(std::cout, ::isatty(STDOUT_FILENO) != 0);
  return mantlept::runProgram(in, terminal, std::cerr);
}
