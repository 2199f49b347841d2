// Double precision: elapsed times and rates, not method arithmetic.
#pragma once
// A progress bar on standard error for long runs: samples done, the total when
// it is known, the rate and the time left. It appears only on a terminal and
// only once the work has taken more than about a second, redraws at most ten
// times a second over itself, and ends with a line end. On a pipe or a file it
// writes nothing at all. A front end that shows progress its own way (the
// page) gives an observer instead, told of every bar's count just as often.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace mantlept {

// Seconds on the steady clock (from an unspecified origin).
double steadySeconds();

// Samples done and in all (0 while not known).
using ProgressObserver = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Every bar made after this also reports to `observer`, on or off a
// terminal, at most ten times a second and once at its end; an empty
// observer ends that.
void setProgressObserver(ProgressObserver observer);

class Progress {
 public:
  using Clock = std::function<double()>;  // seconds from any fixed origin

  // `total` 0 means the total is not known.
  Progress(std::ostream& out, bool isTerminal, Clock clock, std::uint64_t total = 0);
  // A bar on standard error with the steady clock.
  explicit Progress(std::uint64_t total = 0);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // The total, once it is known (tables are counted at their first sample).
  void setTotal(std::uint64_t total) { total_ = total; }
  // `samples` more are done.
  void advance(std::uint64_t samples);
  // The work is over: the last state, when not shown yet, and a line end, if
  // the bar was shown.
  void finish();

  std::uint64_t done() const { return done_; }

 private:
  void draw(double now);

  std::ostream& out_;
  bool terminal_;
  Clock clock_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::uint64_t drawnDone_ = 0;  // samples the last line shows
  double start_;
  double lastDraw_ = 0;
  ProgressObserver observer_;
  double lastReport_ = 0;
  bool reported_ = false;
  bool shown_ = false;
  bool finished_ = false;
  std::size_t width_ = 0;  // characters of the last line drawn
};

// True when standard error is a terminal.
bool standardErrorIsTerminal();

}  // namespace mantlept
