// The ordered pipeline: input order kept, window kept to, errors carried.
#include "uncertainty/ordered_pool.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace mantlept {
namespace {

// Uneven work, so that later items often finish before earlier ones.
long churn(int item) {
  long x = item;
  for (int i = 0; i < (item * 7919 % 13) * 20000; ++i) x = (x * 31 + i) % 1000003;
  return x;
}

// Items 0..n-1 through the pool; the results as consumed, and the most items in flight.
std::vector<long> run(int threads, std::size_t window, int n, std::size_t* most = nullptr) {
  std::vector<long> out;
  int produced = 0;
  runOrdered<int, long>(
      threads, window,
      [&](int& item) {
        if (most) *most = std::max(*most, static_cast<std::size_t>(produced) + 1 - out.size());
        return produced < n ? (item = produced++, true) : false;
      },
      [](int& item) {
        if (item == 17) throw std::runtime_error("item 17");
        return churn(item);
      },
      [&](int& item, long& result) { out.push_back(item * 10000000L + result); });
  return out;
}

TEST(OrderedPool, ThreadsKeepTheInputOrderWithinTheWindow) {
  std::vector<long> expected;
  for (int i = 0; i < 17; ++i) expected.push_back(i * 10000000L + churn(i));
  std::size_t most = 0;
  EXPECT_EQ(run(1, 4, 17), expected);
  EXPECT_EQ(run(3, 12, 17, &most), expected);
  EXPECT_LE(most, 12u);
  EXPECT_EQ(run(2, 1, 17), expected);
  EXPECT_TRUE(run(3, 12, 0).empty());
}

TEST(OrderedPool, WorkerErrorReachesTheCallerInTurn) {
  for (int threads : {1, 3}) EXPECT_THROW(run(threads, 6, 40), std::runtime_error) << threads;
}

}  // namespace
}  // namespace mantlept
