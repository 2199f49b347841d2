#pragma once
// Runs the built program as a child process that the test can hold: standard
// output and error through pipes (so that no file-size limit applies to them),
// an optional limit on the size of the files the program writes (a full disk
// as the program sees it), and signals sent while it runs.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e/program_run.hpp"

namespace mantlept::e2e {

struct ChildOptions {
  std::string answers;
  std::vector<std::string> args;  // command-line arguments (none: the dialogue)
  std::vector<std::pair<std::string, std::string>> files;
  // Largest size in bytes of any file the program writes; -1 for no limit.
  long long fileSizeLimit = -1;
  // Standard input is a pipe that stays open after the answers until
  // finish(), as at a terminal where the user has not typed the next answer.
  bool holdInput = false;
  // Called with the run's folder once the files are written, before the start.
  std::function<void(const std::filesystem::path&)> prepare;
};

class ChildRun {
 public:
  explicit ChildRun(const ChildOptions& options) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "mantlept-child-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    for (const auto& [name, content] : options.files) {
      std::ofstream(dir_ / name, std::ios::binary) << content;
    }
    std::ofstream(dir_ / ".answers", std::ios::binary) << options.answers;
    if (options.prepare) options.prepare(dir_);
    int out[2], err[2], input[2] = {-1, -1};
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
    if (options.holdInput && pipe(input) != 0) throw std::runtime_error("pipe failed");
    const std::string program = programPath();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      int in = options.holdInput ? input[0] : open((dir_ / ".answers").c_str(), O_RDONLY);
      if (in < 0 || chdir(dir_.c_str()) != 0) _exit(126);
      dup2(in, 0);
      if (options.holdInput) close(input[1]);
      dup2(out[1], 1);
      dup2(err[1], 2);
      close(out[0]);
      close(err[0]);
      if (options.fileSizeLimit >= 0) {
        // Past the limit a write fails (EFBIG) instead of raising SIGXFSZ.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                     static_cast<rlim_t>(options.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    if (options.holdInput) {
      close(input[0]);
      inFd_ = input[1];
      if (::write(inFd_, options.answers.data(), options.answers.size()) !=
          static_cast<ssize_t>(options.answers.size())) {
        throw std::runtime_error("writing the answers failed");
      }
    }
  }

  ChildRun(const ChildRun&) = delete;
  ChildRun& operator=(const ChildRun&) = delete;
  ~ChildRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) close(outFd_);
    if (errFd_ >= 0) close(errFd_);
    if (inFd_ >= 0) close(inFd_);
  }

  const std::filesystem::path& dir() const { return dir_; }

  void sendSignal(int signal) { kill(pid_, signal); }

  // Waits (at most `seconds`) until the file `name` in the run's folder holds
  // more than `bytes` bytes; false if it never does.
  bool waitForFileSize(const std::string& name, std::uintmax_t bytes, int seconds = 60) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      std::error_code ec;
      if (std::filesystem::file_size(dir_ / name, ec) > bytes && !ec) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // Reads both pipes to their end and waits for the program. The status is
  // the exit status, or minus the signal number when a signal ended it.
  ProgramRun finish() {
    // End of input now: a program still waiting for an answer then ends.
    if (inFd_ >= 0) close(inFd_);
    inFd_ = -1;
    ProgramRun run;
    run.dir = dir_;
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    std::string* text[2] = {&run.out, &run.err};
    int remaining = 2;
    char buffer[65536];
    while (remaining > 0) {
      if (poll(fds, 2, -1) < 0) break;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          text[i]->append(buffer, static_cast<std::size_t>(n));
        } else {
          close(fds[i].fd);
          fds[i].fd = -1;
          --remaining;
        }
      }
    }
    outFd_ = errFd_ = -1;
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = -1;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
    return run;
  }

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int inFd_ = -1;
};

}  // namespace mantlept::e2e
