#include "platform/progress.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <ctime>
#include <iostream>
#include <mutex>

#include "vb/strings.h"

namespace tolvex::platform {

int64_t system_clock_seconds() { return int64_t(std::time(nullptr)); }

namespace {

// A stream that shows nothing (the quiet display).
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
};
struct NullStream {
  NullBuffer buffer;
  std::ostream stream{&buffer};
};

// A ConsoleProgress that writes nowhere but still takes Ctrl-C. The stream is a base so that
// it is made before the display and goes after it.
class QuietConsoleProgress : private NullStream, public ConsoleProgress {
 public:
  explicit QuietConsoleProgress(bool cancellable) : ConsoleProgress(NullStream::stream, false, cancellable) {}
};

}  // namespace

std::shared_ptr<ProgressLibrary> make_console_progress(bool quiet, bool cancellable) {
  if (quiet) return std::make_shared<QuietConsoleProgress>(cancellable);
  return std::make_shared<ConsoleProgress>(std::cerr, ::isatty(STDERR_FILENO) == 1, cancellable);
}

// ---------------------------------------------------------------------------------------------
// Ctrl-C while a display lives

namespace {

volatile sig_atomic_t g_sigint_seen = 0;
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
std::mutex g_sigint_mutex;
int g_sigint_users = 0;
struct sigaction g_previous_action;

extern "C" void on_sigint(int) {
  // The first Ctrl-C asks the work to stop at its next check; a second one insists.
  if (g_sigint_seen) _exit(130);
  g_sigint_seen = 1;
  g_interrupted.store(true, std::memory_order_relaxed);
}

void install_sigint() {
  std::lock_guard lock(g_sigint_mutex);
  if (g_sigint_users++ > 0) return;
  g_sigint_seen = 0;
  g_interrupted.store(false, std::memory_order_relaxed);
  struct sigaction sa {};
  sa.sa_handler = &on_sigint;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a prompt waiting for a line sees the Ctrl-C
  sigaction(SIGINT, &sa, &g_previous_action);
}

void remove_sigint() {
  std::lock_guard lock(g_sigint_mutex);
  if (g_sigint_users == 0 || --g_sigint_users > 0) return;
  sigaction(SIGINT, &g_previous_action, nullptr);
}

std::string one_line(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return out;
}

// The first `width` characters of a UTF-8 text.
std::string cut(const std::string& s, size_t width) {
  return s.substr(0, vb::utf8_offset(s, width));
}

size_t terminal_width() {
  winsize ws {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

}  // namespace

const std::atomic<bool>& interrupt_flag() noexcept { return g_interrupted; }
bool interrupt_requested() { return g_interrupted.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------------------------------------
// Console

ConsoleProgress::ConsoleProgress() : ConsoleProgress(std::cerr, ::isatty(STDERR_FILENO) == 1) {}

ConsoleProgress::ConsoleProgress(std::ostream& out, bool is_terminal, bool handle_sigint)
    : out_(out), terminal_(is_terminal), handle_sigint_(handle_sigint) {
  if (handle_sigint_) install_sigint();
}

ConsoleProgress::~ConsoleProgress() {
  if (handle_ > 0) CloseProgress(handle_);
  if (handle_sigint_) remove_sigint();
}

int32_t ConsoleProgress::ShowProgress(int32_t, const std::string& title) { return open(title); }
int32_t ConsoleProgress::ShowProgress2(int32_t, const std::string& title) { return open(title); }
int32_t ConsoleProgress::ShowProgress3(int32_t, const std::string& title) { return open(title); }

int32_t ConsoleProgress::open(const std::string& title) {
  handle_ = ++last_handle_;
  title_ = one_line(title);
  status_.clear();
  percent_ = -1;
  if (terminal_) {
    draw();
  } else {
    out_ << title_ << '\n';
  }
  out_.flush();
  return handle_;
}

void ConsoleProgress::draw() {
  const int shown = percent_ < 0 ? 0 : percent_;
  const int filled = shown / 5;
  std::string line = title_.empty() ? std::string() : title_ + " ";
  line += '[' + std::string(size_t(filled), '#') + std::string(size_t(20 - filled), '.') + "] ";
  std::string number = std::to_string(shown);
  line += std::string(3 - number.size(), ' ') + number + "%";
  if (!status_.empty()) line += " " + status_;
  out_ << '\r' << cut(line, terminal_width() - 1) << "\x1b[K";
  out_.flush();
}

void ConsoleProgress::clear_line() {
  out_ << "\r\x1b[K";
  out_.flush();
}

void ConsoleProgress::SetInfo(int32_t handle, const std::string& text) {
  if (handle <= 0 || handle != handle_ || !terminal_) return;
  status_ = one_line(text);
  draw();
}

void ConsoleProgress::SetProgress(int32_t handle, int16_t percent) {
  if (handle <= 0 || handle != handle_ || !terminal_) return;
  percent_ = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  draw();
}

void ConsoleProgress::request_cancel() { cancelled_ = true; }

bool ConsoleProgress::IsCancelled(int32_t) {
  if (handle_sigint_ && g_sigint_seen) cancelled_ = true;
  return cancelled_;
}

void ConsoleProgress::CloseProgress(int32_t handle) {
  if (handle <= 0 || handle != handle_) return;
  if (terminal_) clear_line();
  handle_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Recording fake

int32_t RecordingProgress::open(const char* function, int32_t owner, const std::string& title) {
  calls_.push_back({function, owner, title, 0});
  const int32_t handle = next_handle_;
  if (handle > 0) ++next_handle_;
  return handle;
}

int32_t RecordingProgress::ShowProgress(int32_t owner, const std::string& title) {
  return open("ShowProgress", owner, title);
}
int32_t RecordingProgress::ShowProgress2(int32_t owner, const std::string& title) {
  return open("ShowProgress2", owner, title);
}
int32_t RecordingProgress::ShowProgress3(int32_t owner, const std::string& title) {
  return open("ShowProgress3", owner, title);
}
void RecordingProgress::SetInfo(int32_t handle, const std::string& text) { calls_.push_back({"SetInfo", handle, text, 0}); }
void RecordingProgress::SetProgress(int32_t handle, int16_t percent) {
  calls_.push_back({"SetProgress", handle, {}, percent});
}
bool RecordingProgress::IsCancelled(int32_t handle) {
  calls_.push_back({"IsCancelled", handle, {}, 0});
  if (!cancel_pressed_) return false;
  if (checks_before_cancel_ > 0) {
    --checks_before_cancel_;
    return false;
  }
  return true;
}
void RecordingProgress::CloseProgress(int32_t handle) { calls_.push_back({"CloseProgress", handle, {}, 0}); }

void RecordingProgress::press_cancel(int after_checks) {
  cancel_pressed_ = true;
  checks_before_cancel_ = after_checks;
}

std::vector<std::string> RecordingProgress::call_names() const {
  std::vector<std::string> names;
  for (const auto& c : calls_) names.push_back(c.function);
  return names;
}

}  // namespace tolvex::platform
