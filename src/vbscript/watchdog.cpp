#include "vbscript/watchdog.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tolvex::vbscript::watchdog {

namespace {

using Clock = std::chrono::steady_clock;

struct Watch {
  std::atomic<long>* budget;
  Clock::time_point deadline;
  const std::atomic<bool>* cancel;
};

struct State {
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<Watch> watches;
  Clock::time_point next_look = Clock::time_point::max();  // when the thread looks next (max: idle)
  Clock::time_point last_disarm;                           // when the last watch went
  bool started = false;
};

// Never destroyed: the thread may still wait on it while the process exits.
State& state() {
  static State* s = new State;
  return *s;
}

[[noreturn]] void watch_loop(State& s) {
  std::unique_lock lock(s.mutex);
  for (;;) {
    const Clock::time_point now = Clock::now();
    Clock::time_point next = Clock::time_point::max();
    for (const Watch& w : s.watches) {
      if (w.deadline <= now || (w.cancel && w.cancel->load(std::memory_order_relaxed))) {
        // Past its time or cancelled: the run stops at its next tick. Again a little later,
        // in case the running thread wrote its own count over this one.
        w.budget->store(0, std::memory_order_relaxed);
        next = std::min(next, now + std::chrono::milliseconds(1));
      } else {
        next = std::min(next, w.deadline);
        if (w.cancel) next = std::min(next, now + kCancelPoll);
      }
    }
    // Just after a run: keep looking a while, so that the next run's arm finds the thread
    // awake soon enough and need not wake it.
    if (s.watches.empty() && now - s.last_disarm < kIdleLinger) next = now + kCancelPoll;
    s.next_look = next;
    if (next == Clock::time_point::max())
      s.wake.wait(lock);
    else
      s.wake.wait_until(lock, next);
  }
}

}  // namespace

void arm(std::atomic<long>& budget, Clock::time_point deadline, const std::atomic<bool>* cancel) noexcept {
  State& s = state();
  std::lock_guard lock(s.mutex);
  try {
    s.watches.push_back(Watch{&budget, deadline, cancel});
    if (!s.started) {
      std::thread(watch_loop, std::ref(s)).detach();
      s.started = true;
      return;
    }
  } catch (...) {
    return;  // no memory or no thread: the clock checks of the run itself remain
  }
  // A thread waiting for a later time (or for nothing) must look again.
  if (deadline < s.next_look || (cancel && Clock::now() + kCancelPoll < s.next_look)) s.wake.notify_one();
}

void disarm(std::atomic<long>& budget) noexcept {
  State& s = state();
  std::lock_guard lock(s.mutex);
  std::erase_if(s.watches, [&](const Watch& w) { return w.budget == &budget; });
  s.last_disarm = Clock::now();
}

}  // namespace tolvex::vbscript::watchdog
