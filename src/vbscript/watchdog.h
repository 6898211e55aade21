// Ends runs at their time-out, or when their host cancels them, even when the code
// between two looks at the clock is slow (a loop whose every pass copies a long string):
// one thread for the process that, once an armed deadline has passed or the run's cancel
// flag is set, empties that run's tick budget about every millisecond until the run is
// disarmed, so that its next loop pass, call or long library step looks at the clock
// and the flag (Interp::check_time) and stops.
#pragma once

#include <atomic>
#include <chrono>

namespace tolvex::vbscript::watchdog {

// How often a set cancel flag is looked for.
inline constexpr std::chrono::milliseconds kCancelPoll{10};
// How long the thread keeps looking every kCancelPoll after the last run was disarmed
// before it sleeps until the next arm. Hosts run scripts back to back (a page each);
// a thread that is still looking needs no wake-up to take the next run's watch.
inline constexpr std::chrono::milliseconds kIdleLinger{250};

// Watches `budget` until disarm(budget): empties it once `deadline` has passed (max: no
// deadline) or `*cancel` is true (null: no flag). When the watch cannot be set up (no
// thread can be started) nothing happens: the run still looks at the clock and the flag
// every so many ticks.
void arm(std::atomic<long>& budget, std::chrono::steady_clock::time_point deadline,
         const std::atomic<bool>* cancel = nullptr) noexcept;
void disarm(std::atomic<long>& budget) noexcept;

}  // namespace tolvex::vbscript::watchdog
