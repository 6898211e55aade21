// How long library work stops when the run that called it must: its time-out passed or
// its host cancelled it. The interpreter publishes the run going on in this thread;
// loops of the library that can run long on big inputs call poll_stop() between steps,
// which raises the run's stop there instead of after the whole call.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <vector>

namespace tolvex::vbscript {

struct RunStop {
  // Emptied by the watchdog when the run must stop (see watchdog.h).
  const std::atomic<long>* budget = nullptr;
  // The host's cancel flag, looked at directly; null when there is none.
  const std::atomic<bool>* cancel = nullptr;
  // Looks at the clock and the flag and throws the run's stop; returns when neither says stop.
  void (*stop)(void* context) = nullptr;
  void* context = nullptr;
};

// The run going on in this thread; null outside any run (library calls of the host's own).
inline constinit thread_local const RunStop* current_run_stop = nullptr;

inline void poll_stop() {
  const RunStop* r = current_run_stop;
  if (r && (r->budget->load(std::memory_order_relaxed) <= 0 ||
            (r->cancel && r->cancel->load(std::memory_order_relaxed))))
    r->stop(r->context);
}

// Bytes of text a library loop walks between two calls of poll_stop().
inline constexpr size_t kStopPiece = size_t(1) << 20;

// Makes room in `out` (a std::string or std::u32string) for `more` further units. A long
// text moves to its bigger buffer a piece at a time, looking between pieces whether the
// run must stop: the copy inside the string's own growth would be one long step.
template <class Text>
void make_room(Text& out, size_t more) {
  const size_t need = out.size() + more;
  // A short text grows as strings do: its copy is short.
  if (need <= out.capacity() || out.size() <= kStopPiece) return;
  Text bigger;
  bigger.reserve(std::max(need, 2 * out.capacity()));
  for (size_t b = 0; b < out.size(); b += kStopPiece) {
    bigger.append(out, b, kStopPiece);
    poll_stop();
  }
  out.swap(bigger);
}

// The same for a list of items: a long list moves to its bigger buffer a piece at a time.
template <class T>
void make_room(std::vector<T>& out, size_t more) {
  constexpr size_t piece = kStopPiece / sizeof(T) + 1;
  const size_t need = out.size() + more;
  if (need <= out.capacity() || out.size() <= piece) return;
  std::vector<T> bigger;
  bigger.reserve(std::max(need, 2 * out.capacity()));
  for (size_t b = 0; b < out.size(); b += piece) {
    const auto from = out.begin() + std::ptrdiff_t(b);
    bigger.insert(bigger.end(), std::make_move_iterator(from),
                  std::make_move_iterator(from + std::ptrdiff_t(std::min(piece, out.size() - b))));
    poll_stop();
  }
  out.swap(bigger);
}

// out += text, a piece at a time when the text is long.
template <class Text, class View>
void append_text(Text& out, View text) {
  if (text.size() <= kStopPiece) {
    make_room(out, text.size());
    out.append(text);
    return;
  }
  if (out.size() <= kStopPiece)
    out.reserve(out.size() + text.size());
  else
    make_room(out, text.size());
  for (size_t b = 0; b < text.size(); b += kStopPiece) {
    if (b) poll_stop();
    out.append(text.substr(b, kStopPiece));
  }
}

// Calls poll_stop() once every `Stride` steps of a loop: step(i) costs a decrement.
template <unsigned Stride>
class StopEvery {
 public:
  void step() {
    if (--left_ == 0) {
      left_ = Stride;
      poll_stop();
    }
  }

 private:
  unsigned left_ = Stride;
};

}  // namespace tolvex::vbscript
