// Per-engine state of the runtime library: locale, random numbers and the user interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolvex::vbscript {

// What MsgBox and InputBox show through. The default is non-interactive:
// MsgBox answers OK, InputBox is cancelled.
class HostUi {
 public:
  virtual ~HostUi() = default;
  // Returns the button pressed (vbOK = 1, vbCancel = 2, ...).
  virtual int msg_box(const std::string& prompt, int buttons, const std::string& title);
  // The text entered, or nullopt when cancelled.
  virtual std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                               const std::string& default_text);
};

// The Rnd generator: a 24-bit linear congruential sequence as the language defines it.
class RandomState {
 public:
  // Rnd(number): <0 reseeds from number, 0 repeats the last value, >0 or missing gives the next.
  float rnd(std::optional<double> number = std::nullopt);
  // Randomize(number) mixes number into the seed; without one, the timer.
  void randomize(std::optional<double> number = std::nullopt);

 private:
  uint32_t seed_ = 0x50000;  // the generator's initial value
};

class Dictionary;

// A place in one of the engine's lists of live objects (RuntimeEnv): the class keeps it
// as its member `live_` (befriending LiveLink) and joins and leaves as it is made and
// destroyed.
template <class T>
struct LiveLink {
  T* prev = nullptr;
  T* next = nullptr;

  void join(T* self, T*& head) noexcept {
    next = head;
    if (head) head->live_.prev = self;
    head = self;
  }
  void leave(T*& head) noexcept {
    if (next) next->live_.prev = prev;
    if (prev)
      prev->live_.next = next;
    else
      head = next;
    prev = next = nullptr;
  }
};

struct RuntimeEnv {
  RuntimeEnv();
  RuntimeEnv(const RuntimeEnv&) = delete;
  RuntimeEnv& operator=(const RuntimeEnv&) = delete;
  // SetLocale/GetLocale: English (United States) is the only locale the library formats in.
  int32_t locale_id = 1033;
  RandomState random;
  // Never null; points at the non-interactive default unless the host sets its own.
  HostUi* ui;
  // The Dictionaries this engine made (a list through them, kept by Dictionary), so that
  // those only holding each other can be freed when the engine goes; they may outlive it.
  struct DictionaryList {
    Dictionary* head = nullptr;
    DictionaryList() = default;
    DictionaryList(const DictionaryList&) = delete;
    DictionaryList& operator=(const DictionaryList&) = delete;
    ~DictionaryList();  // those still alive forget the engine (dictionary.cpp)
  } live_dictionaries;

  static HostUi& default_ui();
};

}  // namespace tolvex::vbscript
