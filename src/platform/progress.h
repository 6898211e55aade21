// The progress-window library: the calls the engine's progress display makes, with a console
// implementation (stderr), a silent one, and a recording fake for tests.
//
// A window handle greater than 0 means a window is open. Titles and status texts are plain UTF-8
// texts of any length (the display strips its own length prefix before it calls here).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace tolvex::platform {

class ProgressLibrary {
 public:
  virtual ~ProgressLibrary() = default;

  // Open a window over `owner` with the title; the three variants differ only in look (the
  // third is the one a generation opens, with a Cancel button). Result: the window's handle,
  // greater than 0 on success, 0 or less when no window could be opened.
  virtual int32_t ShowProgress(int32_t owner, const std::string& title) = 0;
  virtual int32_t ShowProgress2(int32_t owner, const std::string& title) = 0;
  virtual int32_t ShowProgress3(int32_t owner, const std::string& title) = 0;
  // The status line shows the text.
  virtual void SetInfo(int32_t handle, const std::string& text) = 0;
  // The bar shows the percentage (clamped to 0..100 for display).
  virtual void SetProgress(int32_t handle, int16_t percent) = 0;
  // True once the user has asked to cancel while that window was open.
  virtual bool IsCancelled(int32_t handle) = 0;
  // The window is gone. Unknown handles are ignored.
  virtual void CloseProgress(int32_t handle) = 0;
};

// Called by the display whenever it updates the window, so that the host's loop can run.
using YieldHook = std::function<void()>;
// The wall clock in whole seconds, for the once-a-second refresh. Tests inject their own.
using SecondsClock = std::function<int64_t()>;
int64_t system_clock_seconds();

// True once Ctrl-C (SIGINT) reached a console progress window, until Ctrl-C handling starts
// afresh (no console window was alive in between): running scripts look at it to stop at once.
const std::atomic<bool>& interrupt_flag() noexcept;

// What a progress display needs from its host.
struct ProgressServices {
  std::shared_ptr<ProgressLibrary> library;
  YieldHook yield;      // may be empty: nothing to run
  SecondsClock clock;   // may be empty: system_clock_seconds
};

// Shows nothing; every open succeeds (handles 1, 2, ...), nothing is ever cancelled.
class SilentProgress : public ProgressLibrary {
 public:
  int32_t ShowProgress(int32_t, const std::string&) override { return ++last_handle_; }
  int32_t ShowProgress2(int32_t, const std::string&) override { return ++last_handle_; }
  int32_t ShowProgress3(int32_t, const std::string&) override { return ++last_handle_; }
  void SetInfo(int32_t, const std::string&) override {}
  void SetProgress(int32_t, int16_t) override {}
  bool IsCancelled(int32_t) override { return false; }
  void CloseProgress(int32_t) override {}

 private:
  int32_t last_handle_ = 0;
};

// Progress on a stream (stderr by default).
// - On a terminal: one line redrawn in place, "<title> [#####.....]  45% <status>", cut to the
//   terminal's width; the line is cleared when the window closes, so that finished phases do
//   not stay on screen.
// - Otherwise one plain line per window: its title when it opens.
// CR, LF and TAB in texts are shown as blanks.
//
// With `handle_sigint`, for the display's whole life SIGINT (Ctrl-C) does not end the process:
// it asks to cancel, and IsCancelled answers true from then on whatever the handle, so that a
// Ctrl-C between two windows or while no window is open is not lost. A second Ctrl-C ends the
// process at once with status 130. A blocking read of the terminal is interrupted by the
// Ctrl-C (see interrupt_requested). The previous handler comes back when the display goes.
class ConsoleProgress : public ProgressLibrary {
 public:
  // The stream and whether it is a terminal; the default is stderr and isatty(2), with Ctrl-C.
  ConsoleProgress();
  ConsoleProgress(std::ostream& out, bool is_terminal, bool handle_sigint = true);
  ~ConsoleProgress() override;
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;

  int32_t ShowProgress(int32_t owner, const std::string& title) override;
  int32_t ShowProgress2(int32_t owner, const std::string& title) override;
  int32_t ShowProgress3(int32_t owner, const std::string& title) override;
  void SetInfo(int32_t handle, const std::string& text) override;
  void SetProgress(int32_t handle, int16_t percent) override;
  bool IsCancelled(int32_t handle) override;
  void CloseProgress(int32_t handle) override;

  // What a Ctrl-C does; public so that tests need not send a signal.
  void request_cancel();

 private:
  int32_t open(const std::string& title);
  void draw();
  void clear_line();
  std::ostream& out_;
  bool terminal_;
  bool handle_sigint_;
  int32_t handle_ = 0;  // the open window, 0 when none
  int32_t last_handle_ = 0;
  std::string title_;
  std::string status_;
  int percent_ = -1;
  bool cancelled_ = false;
};

// The value of interrupt_flag().
bool interrupt_requested();

// Records every call and answers as told. Handles are 1, 2, ... unless next_handle is set.
class RecordingProgress : public ProgressLibrary {
 public:
  struct Call {
    std::string function;  // "ShowProgress", "SetInfo", ...
    int32_t handle = 0;    // the handle passed (for Show*: the owner)
    std::string text;      // title or status text
    int32_t number = 0;    // SetProgress: the percentage
    bool operator==(const Call&) const = default;
  };

  int32_t ShowProgress(int32_t owner, const std::string& title) override;
  int32_t ShowProgress2(int32_t owner, const std::string& title) override;
  int32_t ShowProgress3(int32_t owner, const std::string& title) override;
  void SetInfo(int32_t handle, const std::string& text) override;
  void SetProgress(int32_t handle, int16_t percent) override;
  bool IsCancelled(int32_t handle) override;
  void CloseProgress(int32_t handle) override;

  // Cancel is pressed: IsCancelled answers true from now on (after `after_checks` more
  // IsCancelled calls that still answer false).
  void press_cancel(int after_checks = 0);
  // The handle the next Show* returns (then counting on from it); 0 or less simulates a failure.
  void set_next_handle(int32_t handle) { next_handle_ = handle; }
  // The calls so far, and the names of the functions alone.
  const std::vector<Call>& calls() const noexcept { return calls_; }
  std::vector<std::string> call_names() const;
  void clear() { calls_.clear(); }

 private:
  int32_t open(const char* function, int32_t owner, const std::string& title);
  std::vector<Call> calls_;
  int32_t next_handle_ = 1;
  bool cancel_pressed_ = false;
  int checks_before_cancel_ = 0;
};

// The library the command uses: ConsoleProgress on stderr, showing nothing when `quiet`; Ctrl-C
// cancels when `cancellable`.
std::shared_ptr<ProgressLibrary> make_console_progress(bool quiet, bool cancellable);

}  // namespace tolvex::platform
