// Ends runs at their time-out even when the code between two looks at the clock is
// slow (a loop whose every pass copies a long string): one thread for the process that,
// once an armed deadline has passed, empties that run's tick budget about every
// millisecond until the run is disarmed, so that its next loop pass or call looks at
// the clock (Interp::check_time) and stops.
#pragma once

#include <atomic>
#include <chrono>

namespace tolvex::vbscript::watchdog {

// Watches `budget` until disarm(budget). When the watch cannot be set up (no thread can
// be started) nothing happens: the run still looks at the clock every so many ticks.
void arm(std::atomic<long>& budget, std::chrono::steady_clock::time_point deadline) noexcept;
void disarm(std::atomic<long>& budget) noexcept;

}  // namespace tolvex::vbscript::watchdog
