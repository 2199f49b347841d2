// The progress bar: silent off a terminal and for short runs, throttled redraws.
#include "cli/progress.hpp"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
}  // namespace mantlept
