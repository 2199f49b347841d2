#pragma once
// A bounded-window parallel pipeline that keeps input order: the caller's
// thread produces items one by one (it may need to, for state that only it
// keeps), worker threads process them, and the results are consumed on the
// caller's thread in the order the items were produced. At most `window`
// items are in flight, so memory stays flat for any length of input.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mantlept {

// produce(Item&) -> bool   on the caller's thread: fills the next item; false at the end.
// work(Item&) -> Result    on a worker thread (on the caller's thread when threads <= 1).
// consume(Item&, Result&)  on the caller's thread, in production order.
// An exception from work is thrown on the caller's thread when its item's turn
// to be consumed comes; the workers are stopped and joined before it leaves.
template <typename Item, typename Result, typename Produce, typename Work, typename Consume>
void runOrdered(int threads, std::size_t window, Produce produce, Work work, Consume consume) {
  if (threads <= 1) {
    Item item{};
    while (produce(item)) {
      Result r = work(item);
      consume(item, r);
    }
    return;
  }
  window = std::max<std::size_t>(window, 1);

  struct Slot {
    Item item{};
    std::optional<Result> result;
    std::exception_ptr error;
    bool done = false;
  };
  std::mutex m;
  std::condition_variable workAvailable;  // workers wait for items (or the end)
  std::condition_variable slotDone;       // the caller waits for the oldest item
  std::deque<Slot> slots;                 // in flight, oldest first (references stay valid)
  std::size_t firstUntaken = 0;           // index into slots of the next item to process
  bool stop = false;

  auto worker = [&] {
    std::unique_lock lock(m);
    for (;;) {
      workAvailable.wait(lock, [&] { return stop || firstUntaken < slots.size(); });
      if (stop) return;
      Slot& slot = slots[firstUntaken++];
      lock.unlock();
      std::optional<Result> result;
      std::exception_ptr error;
      try {
        result.emplace(work(slot.item));
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      slot.result = std::move(result);
      slot.error = error;
      slot.done = true;
      slotDone.notify_all();
    }
  };

  std::vector<std::thread> pool;
  // Stops and joins the workers however the caller's loop is left.
  struct Joiner {
    std::mutex& m;
    bool& stop;
    std::condition_variable& cv;
    std::vector<std::thread>& pool;
    ~Joiner() {
      {
        std::lock_guard lock(m);
        stop = true;
      }
      cv.notify_all();
      for (auto& t : pool) t.join();
    }
  } joiner{m, stop, workAvailable, pool};
  pool.reserve(static_cast<std::size_t>(threads));
  for (int i = 0; i < threads; ++i) pool.emplace_back(worker);

  // Consumes the oldest item, waiting for it when `wait` is set; false when it
  // is not done yet and `wait` is not set.
  auto consumeOldest = [&](bool wait) {
    std::unique_lock lock(m);
    if (wait) {
      slotDone.wait(lock, [&] { return slots.front().done; });
    } else if (!slots.front().done) {
      return false;
    }
    Slot& slot = slots.front();
    lock.unlock();  // the oldest slot is done: no worker touches it again
    if (slot.error) std::rethrow_exception(slot.error);
    consume(slot.item, *slot.result);
    lock.lock();
    slots.pop_front();
    --firstUntaken;
    return true;
  };

  Item next{};
  while (produce(next)) {
    {
      std::unique_lock lock(m);
      slots.push_back(Slot{});
      slots.back().item = std::move(next);
    }
    workAvailable.notify_one();
    next = Item{};
    while (true) {
      std::size_t inFlight = 0;
      {
        std::lock_guard lock(m);
        inFlight = slots.size();
      }
      if (inFlight == 0) break;
      if (!consumeOldest(inFlight >= window)) break;
    }
  }
  for (;;) {
    {
      std::lock_guard lock(m);
      if (slots.empty()) break;
    }
    consumeOldest(true);
  }
}

}  // namespace mantlept
