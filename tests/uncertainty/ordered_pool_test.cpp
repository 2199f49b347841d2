// The ordered pipeline: input order kept, window respected, errors carried.
#include "uncertainty/ordered_pool.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace mantlept {
namespace {

// Uneven work so that later items often finish before earlier ones.
long churn(int item) {
  long x = item;
  for (int i = 0; i < (item * 7919 % 13) * 20000; ++i) x = (x * 31 + i) % 1000003;
  return x;
}

struct Record {
  std::vector<std::pair<int, long>> out;
  std::size_t maxInFlight = 0;
};

Record run(int threads, std::size_t window, int items, int failAt = -1) {
  Record r;
  int produced = 0, consumed = 0;
  runOrdered<int, long>(
      threads, window,
      [&](int& item) {
        if (produced == items) return false;
        item = produced++;
        r.maxInFlight = std::max(r.maxInFlight, static_cast<std::size_t>(produced - consumed));
        return true;
      },
      [&](int& item) {
        if (item == failAt) throw std::runtime_error("item " + std::to_string(item));
        return churn(item);
      },
      [&](int& item, long& result) {
        ++consumed;
        r.out.emplace_back(item, result);
      });
  return r;
}

TEST(OrderedPool, ThreadsKeepTheInputOrderWithinTheWindow) {
  const Record inline1 = run(1, 4, 60), three = run(3, 12, 60);
  ASSERT_EQ(inline1.out.size(), 60u);
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(inline1.out[static_cast<std::size_t>(i)].first, i);
    EXPECT_EQ(inline1.out[static_cast<std::size_t>(i)].second, churn(i));
  }
  EXPECT_EQ(three.out, inline1.out);
  EXPECT_LE(three.maxInFlight, 12u);
  EXPECT_EQ(run(2, 1, 10).out.size(), 10u);
  EXPECT_TRUE(run(3, 12, 0).out.empty());
}

TEST(OrderedPool, WorkerErrorReachesTheCallerInTurn) {
  for (int threads : {1, 3}) {
    Record r;
    try {
      run(threads, 6, 40, 17);
      FAIL() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "item 17");
    }
  }
}

}  // namespace
}  // namespace mantlept
