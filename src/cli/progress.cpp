// Double precision: elapsed times and rates, not method arithmetic.
#include "cli/progress.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace mantlept {

namespace {

constexpr double kQuietStart = 1.0;   // seconds before the bar appears
constexpr double kRedrawEvery = 0.1;  // seconds between redraws

std::string clockText(double seconds) {
  const auto s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

ProgressObserver& observerForNewBars() {
  static ProgressObserver observer;
  return observer;
}

}  // namespace

void setProgressObserver(ProgressObserver observer) { observerForNewBars() = std::move(observer); }

double steadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

Progress::Progress(std::ostream& out, bool isTerminal, Clock clock, std::uint64_t total)
    : out_(out), terminal_(isTerminal), clock_(std::move(clock)), total_(total), start_(clock_()),
      observer_(observerForNewBars()) {}

Progress::Progress(std::uint64_t total)
    : Progress(std::cerr, standardErrorIsTerminal(), steadySeconds, total) {}

Progress::~Progress() { finish(); }

void Progress::advance(std::uint64_t samples) {
  done_ += samples;
  if (finished_ || (!terminal_ && !observer_)) return;
  const double now = clock_();
  if (observer_ && (!reported_ || now - lastReport_ >= kRedrawEvery)) {
    observer_(done_, total_);
    lastReport_ = now;
    reported_ = true;
  }
  if (!terminal_) return;
  if (now - start_ < kQuietStart) return;
  if (shown_ && now - lastDraw_ < kRedrawEvery) return;
  draw(now);
}

void Progress::finish() {
  if (finished_) return;
  finished_ = true;
  if (observer_) observer_(done_, total_);
  if (!shown_) return;
  if (drawnDone_ != done_) draw(clock_());
  out_ << '\n';
  out_.flush();
}

void Progress::draw(double now) {
  const double elapsed = now - start_;
  const double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0.0;
  std::string line = "  " + std::to_string(done_);
  if (total_ > 0) line += " / " + std::to_string(total_);
  line += " samples";
  char text[48];
  std::snprintf(text, sizeof text, ", %.0f/s", rate);
  line += text;
  if (total_ > 0 && done_ < total_ && rate > 0)
    line += ", " + clockText(static_cast<double>(total_ - done_) / rate) + " left";
  const std::size_t width = line.size();
  if (width < width_) line.append(width_ - width, ' ');  // cover the longer line before
  width_ = width;
  out_ << '\r' << line;
  out_.flush();
  lastDraw_ = now;
  drawnDone_ = done_;
  shown_ = true;
}

}  // namespace mantlept
