// AGPStatus: the progress window, a thin object over the progress library
// (platform/progress.h). It opens a window with a title, shows a status line and a
// percentage, reports Cancel and closes the window. Every call that changes what the
// window shows also yields to the host's loop.
//
// Titles and status texts are plain text of any length in the C++ members. Only the
// members reached by name (scripts, the host) take a title in the progress library's
// form, whose first character's code is the number of characters after it; they drop
// that character (see strip_length_prefix) before the title goes on as plain text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/progress.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPStatus : public vb::AutoDispatch<AGPStatus> {
 public:
  // An empty library in `services` gives a silent display.
  explicit AGPStatus(platform::ProgressServices services = {});

  // The four parts of the version last read by GetVer, most significant first.
  int16_t mj1() const noexcept { return version_[0]; }
  int16_t mj2() const noexcept { return version_[1]; }
  int16_t mn1() const noexcept { return version_[2]; }
  int16_t mn2() const noexcept { return version_[3]; }

  // The status line, when a window is open; always yields.
  void DispStatus(std::string_view text);
  // Open a window in its first, second or third form (the third has the Cancel
  // button) with a plain title. Opening while a window is open replaces the handle
  // without closing it.
  void ShowStatus(int32_t owner, std::string_view title);
  void ShowStatus2(int32_t owner, std::string_view title);
  void ShowStatus3(int32_t owner, std::string_view title);
  // Asks the library, with whatever handle is stored.
  bool StatusIsCancelled();
  // Closes an open window.
  void CloseStatus();
  // The percentage (0..100, halves rounded to even), when a window is open; the value
  // and the time are remembered for Refresh. Always yields.
  void SetStatus(const vb::Variant& percent);
  // Heartbeat for long loops: re-sends the last percentage when at least one clock
  // second has passed since the last SetStatus; always yields.
  void Refresh();
  // Reads the file version of the library into mj1..mn2.
  void GetVer(std::string_view file_path);

  int32_t handle() const noexcept { return handle_; }
  bool is_open() const noexcept { return handle_ > 0; }

  // The title without a leading length character: when the first character's code
  // (Unicode, or ANSI for 128..255) equals the number of characters that follow it,
  // that character is dropped.
  static std::string strip_length_prefix(std::string_view title);

  static const vb::DispatchTable<AGPStatus>& dispatch_table();

 private:
  void yield();
  int64_t now() const;

  platform::ProgressServices services_;
  int32_t handle_ = 0;
  int16_t version_[4] = {0, 0, 0, 0};
  vb::Variant last_percent_;
  int64_t last_update_ = 0;
};

}  // namespace tolvex
