// Faults of the environment: analysis files that cannot be opened or read, a
// results file that cannot be created or written any more (a full disk, made
// by a limit on the size of the files the program writes), and a run stopped
// by a signal. None of them may end as a success or leave a partial row
// behind a stop.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/child_run.hpp"
#include "support/output_checks.hpp"

namespace mantlept::e2e {
namespace {

const std::string kAnalysis =
    "S1      E          57.52    0.10    0.82    0.36    4.92    0.12   34.61    0.95    0.21"
    "    0.00    0.12    0.00\n";

// The answers after the analysis file name: no ferric iron, fixed T with fixed
// P, no oxybarometer, then `results` as results file name(s).
std::string answersAfterFileName(const std::string& results = "r.csv\n") {
  return "N\n1\n0101\n0\n" + results + "N\n\n\n";
}

RunSettings fixedSettings() {
  RunSettings s;
  s.combinationCount = 1;
  MethodCombination c;
  c.thermometerLabel = "Fixed ToC       ";
  c.barometerLabel = "Fixed Pressure  ";
  s.combinations = {c};
  return s;
}

std::size_t countLines(const std::string& out, const std::string& text) {
  std::size_t n = 0;
  for (std::string_view l : checks::splitLines(out)) n += l == text;
  return n;
}

// A Unix socket: a name that exists but cannot be opened as a file.
void makeSocket(const std::filesystem::path& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

struct RefusedName {
  const char* answer;
  const char* reason;  // part of the message on standard error
};

TEST(Faults, AnAnalysisFileThatCannotBeOpenedIsAskedForAgain) {
  const std::vector<RefusedName> cases = {
      {".", "is a directory"},
      {"missing.txt", "No such file or directory"},
      {"socket", "No such device or address"},
  };
  for (const RefusedName& c : cases) {
    SCOPED_TRACE(c.answer);
    ChildOptions options;
    options.files = {{"a.txt", kAnalysis}};
    options.prepare = [](const std::filesystem::path& dir) { makeSocket(dir / "socket"); };
    // Refused, asked again, then the run goes on with a good name.
    options.answers = std::string(c.answer) + "\na.txt\n" + answersAfterFileName();
    ProgramRun run = ChildRun(options).finish();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(countLines(run.out, " File name? "), 2u);
    EXPECT_NE(run.err.find(std::string("\"") + c.answer + "\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(checks::checkResultsFile(run.file("r.csv"), fixedSettings(), 1), "");
    // Refused and then no more input: status 1, never a success.
    options.answers = std::string(c.answer) + "\n";
    ProgramRun ended = ChildRun(options).finish();
    EXPECT_EQ(ended.status, 1);
    EXPECT_NE(ended.err.find("input ended"), std::string::npos) << ended.err;
    EXPECT_EQ(ended.out.find("Kolvex"), std::string::npos);
  }
}

// A file that opens but whose reading fails (the memory file of a process
// cannot be read from its start): a message and status 1, like an unreadable
// line, with the header kept.
TEST(Faults, AnAnalysisFileWhoseReadingFailsEndsTheRunWithAMessage) {
  ChildOptions options;
  options.answers = "/proc/self/mem\n" + answersAfterFileName();
  ProgramRun run = ChildRun(options).finish();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("/proc/self/mem"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("reading failed"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("Kolvex"), std::string::npos);
  EXPECT_EQ(checks::checkResultsFile(run.file("r.csv"), fixedSettings(), 0), "");
}

TEST(Faults, AResultsFileThatCannotBeCreatedIsAskedForAgain) {
  const std::vector<RefusedName> cases = {
      {"nofolder/r.csv", "No such file or directory"},  // the folder does not exist
      {"a.txt", "File exists"},                         // never overwritten
      {".", "File exists"},
  };
  for (const RefusedName& c : cases) {
    SCOPED_TRACE(c.answer);
    ChildOptions options;
    options.files = {{"a.txt", kAnalysis}};
    options.answers = "a.txt\n" + answersAfterFileName(std::string(c.answer) + "\nr.csv\n");
    ProgramRun run = ChildRun(options).finish();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(countLines(run.out, " Output file name? "), 2u);
    EXPECT_NE(run.err.find(std::string("\"") + c.answer + "\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(run.file("a.txt"), kAnalysis);
    EXPECT_EQ(checks::checkResultsFile(run.file("r.csv"), fixedSettings(), 1), "");
  }
}

// Samples S0001, S0002, ...: one orthopyroxene line each.
std::string manySamples(int count) {
  std::string text;
  char name[16];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(name, sizeof name, "S%04d   ", i);
    text += name + kAnalysis.substr(8);
  }
  return text;
}

// calc stopped by a signal in the middle of its draws leaves no output file.
TEST(Faults, AnInterruptedCalcLeavesNoOutputFile) {
  ChildOptions options;
  options.files = {{"a.txt", manySamples(400)}};
  options.args = {"calc",      "a.txt", "-p", "7,5",   "--mc",     "20000",
                  "--threads", "1",     "-o", "t.csv", "--legacy", "l.csv"};
  ChildRun child(options);
  ASSERT_TRUE(child.waitForFileSize("t.csv", 0)) << "the output file was not created";
  child.sendSignal(SIGTERM);
  ProgramRun run = child.finish();
  EXPECT_EQ(run.status, 143);
  EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("t.csv"));
  EXPECT_FALSE(run.exists("l.csv"));
}

// The disk fills up: with the files the program writes limited to `limit`
// bytes the run says so on standard error and ends with status 1, and the
// results file keeps only complete lines. The header line takes 599 + 34 + 1 =
// 634 bytes and each row 644 + 14 + 1 = 659, so 16384 bytes hold the header
// and 23 rows (15791 bytes; 24 would need 16450), 1000 bytes the header alone.
TEST(Faults, AResultsFileThatCannotBeWrittenAnyMoreEndsTheRunWithAMessage) {
  struct Case {
    long long limit;
    int samples;
    int rowsKept;  // -1: not even the header
  };
  for (const Case& c : {Case{0, 1, -1}, Case{1000, 3, 0}, Case{16384, 200, 23}}) {
    SCOPED_TRACE("limit " + std::to_string(c.limit));
    ChildOptions options;
    options.files = {{"a.txt", manySamples(c.samples)}};
    options.answers = "a.txt\n" + answersAfterFileName();
    options.fileSizeLimit = c.limit;
    ProgramRun run = ChildRun(options).finish();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("writing the results file \"r.csv\" failed"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("Kolvex"), std::string::npos);
    std::string text = run.file("r.csv");
    if (c.rowsKept < 0) {
      EXPECT_EQ(text, "");
    } else {
      EXPECT_EQ(
          checks::checkResultsFile(text, fixedSettings(), static_cast<std::size_t>(c.rowsKept)),
          "");
    }
  }
}

// A signal during the association loop: the run stops after the sample it is
// working on, every row in the file is complete, and the status is 128 plus the
// signal number. Standard output is a pipe read only after the signal, so the
// run cannot finish before it arrives.
TEST(Faults, AnInterruptedRunLeavesOnlyCompleteRows) {
  const int samples = 2000;
  for (auto [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    SCOPED_TRACE("signal " + std::to_string(signal));
    ChildOptions options;
    options.files = {{"a.txt", manySamples(samples)}};
    options.answers = "a.txt\n" + answersAfterFileName();
    ChildRun child(options);
    // Wait for the header and the first row, each with its line end (599 + 34
    // and 644 + 14 characters for one combination), before the signal.
    ASSERT_TRUE(child.waitForFileSize("r.csv", 634 + 659 - 1)) << "no row was written";
    child.sendSignal(signal);
    ProgramRun run = child.finish();
    EXPECT_EQ(run.status, status);
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
    std::string text = run.file("r.csv");
    std::size_t rows = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) - 1;
    EXPECT_GE(rows, 1u);
    EXPECT_LT(rows, static_cast<std::size_t>(samples));
    EXPECT_EQ(checks::checkResultsFile(text, fixedSettings(), rows), "");
    EXPECT_EQ(checks::checkTranscript(run.out, fixedSettings(), rows, false), "");
  }
}

// A signal while the program waits for an answer ends it at once (it does not
// wait for the next answer): status 128 plus the signal number, a message, and
// no results file left behind, also when the results file was already created.
TEST(Faults, ASignalDuringTheQuestionsEndsTheRunAtOnce) {
  struct Case {
    const char* waitingFor;
    std::string answers;
    int signal;
    int status;
  };
  const std::vector<Case> cases = {
      {"the analysis file name", "", SIGINT, 130},
      {"the iteration number, after the results file", "a.txt\nN\n1\n0101\n0\nr.csv\nN\n", SIGTERM,
       143},
      {"the starting point", "a.txt\nN\n1\n0101\n0\nr.csv\nN\n\n", SIGINT, 130},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.waitingFor);
    ChildOptions options;
    options.files = {{"a.txt", kAnalysis}};
    options.answers = c.answers;
    options.holdInput = true;
    ChildRun child(options);
    // Let the program read the answers given and wait for the next one.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    child.sendSignal(c.signal);
    ProgramRun run = child.finish();
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("input ended"), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("r.csv"));
  }
}

}  // namespace
}  // namespace mantlept::e2e
