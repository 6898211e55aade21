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

// Moves `out` to a buffer of at least `need` units, a piece at a time, looking between
// pieces whether the run must stop (make_room).
template <class Text>
[[gnu::noinline]] void move_to_bigger(Text& out, size_t need) {
  Text bigger;
  bigger.reserve(std::max(need, 2 * out.capacity()));
  for (size_t b = 0; b < out.size(); b += kStopPiece) {
    bigger.append(out, b, kStopPiece);
    poll_stop();
  }
  out.swap(bigger);
}

// Makes room in `out` (a std::string or std::u32string) for `more` further units. A long
// text moves to its bigger buffer a piece at a time: the copy inside the string's own
// growth would be one long step. A short text grows as strings do: its copy is short.
template <class Text>
inline void make_room(Text& out, size_t more) {
  if (out.size() + more > out.capacity() && out.size() > kStopPiece) move_to_bigger(out, out.size() + more);
}

// The same for a list of items.
template <class T>
[[gnu::noinline]] void move_to_bigger(std::vector<T>& out, size_t need) {
  constexpr size_t piece = kStopPiece / sizeof(T) + 1;
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

template <class T>
inline void make_room(std::vector<T>& out, size_t more) {
  if (out.size() + more > out.capacity() && out.size() > kStopPiece / sizeof(T) + 1)
    move_to_bigger(out, out.size() + more);
}

// out += text for a long text: a piece at a time (append_text).
template <class Text, class View>
[[gnu::noinline]] void append_by_pieces(Text& out, View text) {
  if (out.size() <= kStopPiece)
    out.reserve(out.size() + text.size());
  else
    make_room(out, text.size());
  for (size_t b = 0; b < text.size(); b += kStopPiece) {
    if (b) poll_stop();
    out.append(text.substr(b, kStopPiece));
  }
}

// out += text, a piece at a time when the text or `out` is long.
template <class Text, class View>
inline void append_text(Text& out, View text) {
  if (text.size() > kStopPiece) return append_by_pieces(out, text);
  make_room(out, text.size());
  out.append(text);
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
