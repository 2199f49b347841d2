// The progress bar: silent off a terminal and for short runs, throttled redraws.
#include "cli/progress.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace mantlept {
namespace {

TEST(Progress, ShownOnATerminalAfterASecondOnly) {
  double now = 0;
  std::ostringstream out;
  {
    Progress p(out, true, [&] { return now; }, 1000);
    now = 0.5;
    p.advance(40);
    EXPECT_EQ(out.str(), "");
    now = 2.0;
    p.advance(60);  // 100 in 2 s: 50/s, 900 left take 18 s
    EXPECT_EQ(out.str(), "\r  100 / 1000 samples, 50/s, 0:18 left");
    now = 2.05;
    p.advance(100);  // within a tenth of a second: no redraw
    EXPECT_EQ(out.str(), "\r  100 / 1000 samples, 50/s, 0:18 left");
    now = 4.0;
    p.advance(800);  // 1000 in 4 s, nothing left
  }
  EXPECT_EQ(out.str(),
            "\r  100 / 1000 samples, 50/s, 0:18 left"
            "\r  1000 / 1000 samples, 250/s         "
            "\r  1000 / 1000 samples, 250/s\n");
}

TEST(Progress, SilentOnAPipeAndForShortRuns) {
  double now = 0;
  std::ostringstream pipe, quick, open;
  Progress p(pipe, false, [&] { return now; }, 10);
  Progress q(quick, true, [&] { return now; });
  Progress u(open, true, [&] { return now; });
  now = 0.9;
  q.advance(5);
  q.finish();
  now = 5;
  p.advance(5);
  p.finish();
  u.advance(20);  // total unknown: no time left
  EXPECT_EQ(pipe.str(), "");
  EXPECT_EQ(quick.str(), "");
  EXPECT_EQ(open.str(), "\r  20 samples, 4/s");
}

}  // namespace
}  // namespace mantlept
