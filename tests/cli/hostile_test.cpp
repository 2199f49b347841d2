// The commands against careless and hostile use: options out of their range,
// outputs that would overwrite an input, standard output that cannot be
// written, replaced files that must survive a failed run, and stop signals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "e2e/child_run.hpp"

namespace mantlept::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kAnalysis =
    "S1      E          57.52    0.10    0.82    0.36    4.92    0.12   34.61    0.95    0.21"
    "    0.00    0.12    0.00\n";

// `count` samples of one orthopyroxene each.
std::string manySamples(int count) {
  std::string text;
  char name[16];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(name, sizeof name, "S%04d   ", i);
    text += name + kAnalysis.substr(8);
  }
  return text;
}

const std::string kPoints = "T_C,P_GPa\n900,3\n1000,3.5\n1100,4.2\n";

// The names in a run's folder, without the files the test harness writes.
std::set<std::string> folderNames(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string n = e.path().filename().string();
    if (n != ".stdin" && n != ".stdout" && n != ".stderr" && n != ".answers") names.insert(n);
  }
  return names;
}

// Finishes the run, killing the program when it has not ended `seconds`
// after the call (a program that ignores a stop then fails the test instead
// of hanging it).
ProgramRun finishWithin(ChildRun& child, int seconds) {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(m);
    if (!cv.wait_for(lock, std::chrono::seconds(seconds), [&] { return done; })) {
      child.sendSignal(SIGKILL);
    }
  });
  ProgramRun run = child.finish();
  {
    std::lock_guard lock(m);
    done = true;
  }
  cv.notify_all();
  watchdog.join();
  return run;
}

std::string argsText(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += "'" + a + "' ";
  return text;
}

TEST(HostileOptions, OptionsOutOfTheirRangeAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"calc", "a.txt", "-p", "7,5", "--mc", "5", "--rel-sigma", "nan", "-o", "t.csv"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "5", "--rel-sigma", "inf", "-o", "t.csv"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "5", "--seed", "-1", "-o", "t.csv"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "5", "--seed", "100000000000000000000000"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "5", "--seed", "18446744073709551616"},
      {"calc", "a.txt", "-p", "7,5", "--start", "-273.2,10", "-o", "t.csv"},
      {"calc", "a.txt", "-p", "7,5", "--start", "0x384,10"},
      {"calc", "a.txt", "-p", "7,5", "-o", ""},
      {"calc", "a.txt", "-p", "7,5", "--legacy", ""},
      {"convert", "p.csv", "-o", ""},
      {"geotherm", "p.csv", "--q0", "20"},
      {"geotherm", "p.csv", "--q0", "121", "-o", "t.csv"},
      {"geotherm", "p.csv", "--q0", "nan"},
      {"geotherm", "p.csv", "--q0", "0x32"},
      {"geotherm", "p.csv", "--sigma-T", "0x384", "-o", "t.csv"},
      {"geotherm", "p.csv", "--sigma-T", "0"},
      {"geotherm", "p.csv", "--sigma-T", "inf"},
      {"geotherm", "p.csv", "--sigma-P", "-3"},
      {"geotherm", "p.csv", "--sigma-P", "nan"},
      {"geotherm", "-o", "t.csv"},  // no points and no --q0
      {"geotherm", "p.csv", "--svg", ""},
  };
  for (const auto& args : cases) {
    ProgramRun run = runCommand(args, {{"a.txt", kAnalysis}, {"p.csv", kPoints}});
    EXPECT_EQ(run.status, 2) << argsText(args) << "\n" << run.err;
    EXPECT_FALSE(run.exists("t.csv")) << argsText(args);
    EXPECT_EQ(run.out, "") << argsText(args);
    EXPECT_NE(run.err, "") << argsText(args);
  }
  // The ends of the ranges are accepted.
  const std::vector<std::vector<std::string>> accepted = {
      {"calc", "a.txt", "-p", "7,5", "--mc", "3", "--seed", "18446744073709551615"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "3", "--seed", "0", "--rel-sigma", "0"},
      {"calc", "a.txt", "-p", "7,5", "--start", "-273.15,+10"},
      {"geotherm", "p.csv", "--q0", "25"},
      {"geotherm", "--q0", "120"},
  };
  for (const auto& args : accepted) {
    ProgramRun run = runCommand(args, {{"a.txt", kAnalysis}, {"p.csv", kPoints}});
    EXPECT_EQ(run.status, 0) << argsText(args) << "\n" << run.err;
  }
}

// A hexadecimal number is not a temperature in a points table either.
TEST(HostileOptions, HexadecimalPointsAreDataErrors) {
  ProgramRun run = runCommand({"geotherm", "p.csv", "-o", "g.csv"},
                              {{"p.csv", "T_C,P_GPa\n900,3\n0x384,3.5\n1100,4.2\n"}});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("row 3: T is not a number"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("g.csv"));
}

// An output named as an input (or as the other output), by its name or
// through a link, is refused before anything is read: every input survives.
TEST(HostileOptions, OutputsThatWouldOverwriteAnInputAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"calc", "a.txt", "-p", "7,5", "-o", "a.txt", "--force"},
      {"calc", "a.txt", "-p", "7,5", "-o", "./sub/../a.txt", "--force"},
      {"calc", "a.txt", "-p", "7,5", "-o", "link.txt", "--force"},  // a hard link to a.txt
      {"calc", "a.txt", "-p", "7,5", "--legacy", "link.txt", "--force"},
      {"calc", "a.txt", "-p", "7,5", "-o", "sym.txt", "--force"},  // a symbolic link to a.txt
      {"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--legacy", "t.csv", "--force"},
      {"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--legacy", "sub/../t.csv"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "3", "--sigma", "s.csv", "-o", "s.csv", "--force"},
      {"convert", "p.csv", "-o", "p.csv", "--force"},
      {"geotherm", "p.csv", "-o", "p.csv", "--force"},
      {"geotherm", "p.csv", "--svg", "p.csv", "--force"},
      {"geotherm", "p.csv", "-o", "t.csv", "--svg", "t.csv", "--force"},
  };
  const std::string sigma = "mineral,oxide,abs,rel\n*,*,0.01,1\n";
  for (const auto& args : cases) {
    ChildOptions options;
    options.args = args;
    options.files = {{"a.txt", kAnalysis}, {"p.csv", kPoints}, {"s.csv", sigma}};
    options.prepare = [](const fs::path& dir) {
      fs::create_directory(dir / "sub");
      fs::create_hard_link(dir / "a.txt", dir / "link.txt");
      fs::create_symlink("a.txt", dir / "sym.txt");
    };
    ChildRun child(options);
    ProgramRun run = child.finish();
    EXPECT_EQ(run.status, 2) << argsText(args) << "\n" << run.err;
    EXPECT_EQ(run.file("a.txt"), kAnalysis) << argsText(args);
    EXPECT_EQ(run.file("p.csv"), kPoints) << argsText(args);
    EXPECT_EQ(run.file("s.csv"), sigma) << argsText(args);
    EXPECT_FALSE(run.exists("t.csv")) << argsText(args);
  }
}

// Standard output on a full device: no command reports success.
TEST(HostileOutput, StandardOutputThatCannotBeWrittenIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::vector<std::vector<std::string>> cases = {
      {"calc", "a.txt", "-p", "7,5"},
      {"calc", "a.txt", "-p", "7,5", "--mc", "3"},
      {"convert", "p.csv"},
      {"methods"},
      {"geotherm", "--q0", "60"},
      {"--help"},
      {"calc", "--help"},
      {"--version"},
  };
  const std::string table =
      "Sample,SiO2_Opx,Al2O3_Opx,FeOt_Opx,MgO_Opx,CaO_Opx\nA,57.5,0.8,4.9,34.6,0.95\n";
  for (const auto& args : cases) {
    std::string folder = (fs::temp_directory_path() / "mantlept-full-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    ProgramRun run;
    run.dir = folder;
    std::ofstream(run.dir / "a.txt") << kAnalysis;
    std::ofstream(run.dir / "p.csv") << table;
    std::string command = "cd '" + run.dir.string() + "' && '" + programPath() + "' " +
                          argsText(args) + " < /dev/null > /dev/full 2> .stderr";
    int raw = std::system(command.c_str());
    int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::string err = readAll(run.dir / ".stderr");
    EXPECT_EQ(status, 1) << argsText(args) << "\n" << err;
    EXPECT_NE(err.find("standard output"), std::string::npos) << argsText(args) << "\n" << err;
  }
}

// --force puts the new file in place only once it is complete: a run that
// fails on its input, or on a full disk, leaves the old file and nothing else.
TEST(HostileOutput, ForcedReplacementHappensOnlyWhenTheNewFileIsComplete) {
  const std::string bad = kAnalysis + "B       E          57.5x\n";
  struct Case {
    std::vector<std::string> args;
    std::string input;
    long long fileSizeLimit;
  };
  const std::vector<Case> cases = {
      {{"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--legacy", "l.csv", "--force"}, bad, -1},
      {{"calc", "a.txt", "-p", "7,5", "-o", "t.csv", "--legacy", "l.csv", "--force"},
       manySamples(200),
       3000},
      {{"convert", "a.txt", "-o", "t.csv", "--force"}, "Sample,SiO2_Opx\nA,57x\n", -1},
      // the table's name is free, the diagram's is a folder: neither is written
      {{"geotherm", "p.csv", "-o", "new.csv", "--svg", "sub", "--force"}, kAnalysis, -1},
      {{"geotherm", "p.csv", "-o", "t.csv", "--svg", "l.csv", "--force"}, kAnalysis, 2000},
  };
  for (const Case& c : cases) {
    ChildOptions options;
    options.args = c.args;
    options.fileSizeLimit = c.fileSizeLimit;
    options.files = {
        {"a.txt", c.input}, {"p.csv", kPoints}, {"t.csv", "keep t"}, {"l.csv", "keep l"}};
    options.prepare = [](const fs::path& dir) { fs::create_directory(dir / "sub"); };
    ChildRun child(options);
    ProgramRun run = child.finish();
    EXPECT_EQ(run.status, 1) << argsText(c.args) << "\n" << run.err;
    EXPECT_EQ(run.file("t.csv"), "keep t") << argsText(c.args);
    EXPECT_EQ(run.file("l.csv"), "keep l") << argsText(c.args);
    EXPECT_EQ(run.file("a.txt"), c.input) << argsText(c.args);
    EXPECT_EQ(folderNames(run.dir),
              (std::set<std::string>{"a.txt", "p.csv", "t.csv", "l.csv", "sub"}))
        << argsText(c.args);
  }
  ProgramRun dir = runCommand({"calc", "a.txt", "-p", "7,5", "-o", "."}, {{"a.txt", kAnalysis}});
  EXPECT_EQ(dir.status, 1);
  EXPECT_NE(dir.err.find("is a directory"), std::string::npos) << dir.err;

  // A successful forced run replaces both files and leaves no other name.
  ProgramRun ok = runCommand({"geotherm", "p.csv", "-o", "t.csv", "--svg", "d.svg", "--force"},
                             {{"p.csv", kPoints}, {"t.csv", "keep t"}, {"d.svg", "keep d"}});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.file("t.csv").rfind("depth_km,", 0), 0u);
  EXPECT_NE(ok.file("d.svg").find("<svg"), std::string::npos);
  EXPECT_EQ(folderNames(ok.dir), (std::set<std::string>{"p.csv", "t.csv", "d.svg"}));
  // Without --force the geotherm never overwrites either.
  ProgramRun kept = runCommand({"geotherm", "p.csv", "-o", "new.csv", "--svg", "d.svg"},
                               {{"p.csv", kPoints}, {"d.svg", "keep d"}});
  EXPECT_EQ(kept.status, 1);
  EXPECT_NE(kept.err.find("--force"), std::string::npos) << kept.err;
  EXPECT_EQ(kept.file("d.svg"), "keep d");
  EXPECT_FALSE(kept.exists("new.csv"));
}

// A FIFO under the output's name is written into, never replaced by a file.
TEST(HostileOutput, AFifoIsWrittenIntoNotReplaced) {
  ChildOptions options;
  options.args = {"calc", "a.txt", "-p", "7,5", "-o", "f", "--force"};
  options.files = {{"a.txt", kAnalysis}};
  int fifo = -1;
  // The read end is open before the program starts (so its open for writing
  // does not wait); the few rows fit in the pipe.
  options.prepare = [&](const fs::path& dir) {
    ASSERT_EQ(mkfifo((dir / "f").c_str(), 0600), 0);
    fifo = open((dir / "f").c_str(), O_RDONLY | O_NONBLOCK);
  };
  ChildRun child(options);
  ProgramRun run = finishWithin(child, 30);
  ASSERT_GE(fifo, 0);
  std::string read;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fifo, buffer, sizeof buffer)) > 0;) {
    read.append(buffer, static_cast<std::size_t>(n));
  }
  close(fifo);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read.rfind("sample,thermometer,", 0), 0u) << read;
  EXPECT_NE(read.find("\nS1,"), std::string::npos) << read;
  EXPECT_TRUE(fs::is_fifo(run.dir / "f"));
  EXPECT_EQ(folderNames(run.dir), (std::set<std::string>{"a.txt", "f"}));
}

// Every stop signal ends a Monte Carlo run promptly (its draws poll the stop
// request), with 128 + the signal, the old file kept and nothing new left.
TEST(HostileSignals, EveryStopSignalEndsAMonteCarloRun) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ChildOptions options;
    options.files = {{"a.txt", manySamples(40)}, {"t.csv", "keep t"}};
    options.args = {"calc",      "a.txt", "-p", "7,5",   "--mc",   "1000000",
                    "--threads", "2",     "-o", "t.csv", "--force"};
    ChildRun child(options);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto sent = std::chrono::steady_clock::now();
    child.sendSignal(signal);
    ProgramRun run = finishWithin(child, 15);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    EXPECT_EQ(run.status, 128 + signal) << run.err;
    EXPECT_LT(seconds, 5.0) << "signal " << signal;
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
    EXPECT_EQ(run.file("t.csv"), "keep t");
    EXPECT_EQ(folderNames(run.dir), (std::set<std::string>{"a.txt", "t.csv"}));
  }
}

// A stop while a command waits for more of an input that never ends (a pipe
// whose writer keeps it open) ends the command there, with no file left.
TEST(HostileSignals, AStopWhileReadingAnInputThatNeverEnds) {
  const std::vector<std::vector<std::string>> cases = {
      {"calc", "-", "-p", "7,5", "-o", "t.csv"},
      {"calc", "-", "-p", "7,5", "--mc", "10", "--threads", "2", "-o", "t.csv"},
      {"convert", "/dev/stdin", "-o", "t.csv"},
      {"geotherm", "/dev/stdin", "-o", "t.csv", "--svg", "d.svg"},
  };
  const std::vector<std::string> inputs = {kAnalysis, kAnalysis,
                                           "Sample,SiO2_Opx,MgO_Opx\nA,57.5,34.6\n", kPoints};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    ChildOptions options;
    options.args = cases[i];
    options.answers = inputs[i];
    options.holdInput = true;
    ChildRun child(options);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    child.sendSignal(SIGINT);
    ProgramRun run = finishWithin(child, 10);
    EXPECT_EQ(run.status, 128 + SIGINT) << argsText(cases[i]) << "\n" << run.err;
    EXPECT_FALSE(run.exists("t.csv")) << argsText(cases[i]);
    EXPECT_FALSE(run.exists("d.svg")) << argsText(cases[i]);
  }
}

// 1,000,000 points scattered about a geotherm: reading them takes about 0.4 s
// of one core, the fit 0.7 s more (each of its 140 or so chi² sums passes
// over every point).
std::string manyPoints() {
  std::string text = "T_C,P_GPa\n";
  char row[32];
  for (int i = 0; i < 1000000; ++i) {
    const double P = 1.5 + 2.5 * (i % 997) / 997.0;
    std::snprintf(row, sizeof row, "%.1f,%.3f\n", 600.0 + 150.0 * P + (i % 81) - 40, P);
    text += row;
  }
  return text;
}

// A stop during a long fit, of `geotherm` or of the geotherm of `grains
// --fit`, ends the command promptly with 128 + the signal and no file left.
// The signal comes after 0.5 s, about when the points are read on an idle
// machine (on a busy one it may stop the reading, which ends the same way);
// the run needs over a second of one core.
TEST(HostileSignals, AStopDuringALongGeothermFit) {
  struct Case {
    std::vector<std::string> args;
    int signal;
  };
  const std::vector<Case> cases = {
      {{"geotherm", "p.csv", "-o", "t.csv", "--svg", "d.svg"}, SIGINT},
      {{"grains", "g.csv", "--fit", "p.csv", "-o", "t.csv", "--svg", "d.svg"}, SIGHUP},
  };
  const std::string points = manyPoints();
  for (const Case& c : cases) {
    ChildOptions options;
    options.files = {{"p.csv", points},
                     {"g.csv", "Sample,CaO_Gt,MgO_Gt,FeOt_Gt,Ni_Gt\ng,5,20,7,50\n"}};
    options.args = c.args;
    ChildRun child(options);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    auto sent = std::chrono::steady_clock::now();
    child.sendSignal(c.signal);
    ProgramRun run = finishWithin(child, 30);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    EXPECT_EQ(run.status, 128 + c.signal) << argsText(c.args) << "\n" << run.err;
    // Far less than the rest of the fit; a second or so on a busy machine.
    EXPECT_LT(seconds, 2.0) << argsText(c.args);
    EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
    EXPECT_EQ(folderNames(run.dir), (std::set<std::string>{"g.csv", "p.csv"})) << argsText(c.args);
  }
}

}  // namespace
}  // namespace mantlept::e2e
