// The progress bar: silent off a terminal and for short runs, throttled redraws.
#include "cli/progress.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_line.hpp"

namespace mantlept {
namespace {

TEST(Progress, ShownOnATerminalAfterASecondAndThrottled) {
  double now = 0;
  std::ostringstream out, pipe, quick, open;
  const std::string first = "\r  100 / 1000 samples, 50/s, 0:18 left";
  {
    Progress p(out, true, [&] { return now; }, 1000), q(quick, true, [&] { return now; });
    Progress u(open, true, [&] { return now; }), r(pipe, false, [&] { return now; }, 10);
    now = 0.5;
    p.advance(40);
    q.advance(5);
    q.finish();  // done within a second: never shown
    EXPECT_EQ(out.str(), "");
    now = 2.0;
    p.advance(60);  // 100 in 2 s: 50/s, 900 to go take 18 s
    EXPECT_EQ(out.str(), first);
    now = 2.05;
    p.advance(100);  // within a tenth of a second: no redraw
    EXPECT_EQ(out.str(), first);
    now = 4.0;
    p.advance(800);  // 1000 in 4 s: the shorter line covers the longer one
    u.advance(20);   // total unknown: no time left
    r.advance(5);
  }
  EXPECT_EQ(out.str(), first + "\r  1000 / 1000 samples, 250/s         \n");
  EXPECT_EQ(open.str(), "\r  20 samples, 5/s\n");
  EXPECT_EQ(quick.str(), "");
  EXPECT_EQ(pipe.str(), "");
}

using Heard = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

TEST(Progress, AnObserverHearsTheBarsMadeWhileItIsSet) {
  double now = 0;
  Heard heard;
  std::ostringstream pipe;
  setProgressObserver([&](std::uint64_t done, std::uint64_t total) { heard.emplace_back(done, total); });
  Progress p(pipe, false, [&] { return now; });
  setProgressObserver({});
  Progress later(pipe, false, [&] { return now; });
  p.advance(1);  // the first count is told at once
  p.setTotal(10);
  now = 0.05;
  p.advance(1);  // within a tenth of a second: not told
  now = 0.2;
  p.advance(3);
  later.advance(4);
  p.finish();
  p.finish();
  EXPECT_EQ(heard, (Heard{{1, 0}, {5, 10}, {5, 10}}));
  EXPECT_EQ(pipe.str(), "");
}

// The commands count the samples of tables grouped by name before the first
// one is done, and end on every sample done out of all of them; a single wide
// table streams, its total not known (0) while its rows are done.
TEST(Progress, CommandsTellTheTotalOfATable) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("mantlept-progress-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string table = (dir / "g.csv").string();
  std::ofstream(table) << "Sample,SiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeO_Gt,MgO_Gt,CaO_Gt,Ni_Gt\n"
                          "a,41.5,20,4,7.2,20.5,5.2,40\n"
                          "b,41.5,20,4,7.2,20.5,5.2,50\n"
                          "a,41.7,20,4,7.2,20.5,5.2,44\n"  // a second grain named a
                          "c,41.5,19,6,7.0,21,6,35\n";
  const std::string spots = (dir / "s.csv").string();
  std::ofstream(spots) << "Sample,Mineral,SiO2,Al2O3,Cr2O3,FeO,MgO,CaO,Ni\n"
                          "a,Gt,41.5,20,4,7.2,20.5,5.2,40\n"
                          "b,Gt,41.5,20,4,7.2,20.5,5.2,50\n"
                          "a,Gt,41.7,20,4,7.2,20.5,5.2,44\n"
                          "c,Gt,41.5,19,6,7.0,21,6,35\n";
  // A wide table whose name a repeats is one of grains: every row its own;
  // the spots of a long table join by sample.
  struct Run {
    std::vector<const char*> args;
    std::uint64_t samples, total;
  };
  const Run runs[] = {{{"mantlept", "calc", table.c_str(), "-p", "31,5"}, 4, 0},
                      {{"mantlept", "grains", table.c_str()}, 4, 0},
                      {{"mantlept", "calc", spots.c_str(), "-p", "31,5"}, 3, 3},
                      {{"mantlept", "calc", spots.c_str(), table.c_str(), "-p", "31,5"}, 7, 7}};
  for (const auto& [args, samples, total] : runs) {
    Heard heard;
    setProgressObserver([&](std::uint64_t done, std::uint64_t total) { heard.emplace_back(done, total); });
    std::ostringstream out, err;
    const int status = runCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    setProgressObserver({});
    EXPECT_EQ(status, 0) << args[1] << ": " << err.str();
    ASSERT_FALSE(heard.empty()) << args[1];
    EXPECT_EQ(heard.front(), (std::pair<std::uint64_t, std::uint64_t>{1, total})) << args[1];
    EXPECT_EQ(heard.back(), (std::pair<std::uint64_t, std::uint64_t>{samples, total})) << args[1];
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace mantlept
