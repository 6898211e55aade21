#include "foundation/status.h"

#include "platform/codepage.h"
#include "platform/version.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

using vb::Variant;

AGPStatus::AGPStatus(platform::ProgressServices services) : services_(std::move(services)) {
  if (!services_.library) services_.library = std::make_shared<platform::SilentProgress>();
  last_percent_ = Variant(int16_t(0));
  last_update_ = now();
}

int64_t AGPStatus::now() const {
  return services_.clock ? services_.clock() : platform::system_clock_seconds();
}

void AGPStatus::yield() {
  if (services_.yield) services_.yield();
}

std::string AGPStatus::strip_length_prefix(std::string_view title) {
  if (title.empty()) return {};
  size_t pos = 0;
  char32_t first = vb::utf8_decode(title, pos);
  std::string_view rest = title.substr(pos);
  const size_t length = vb::utf8_length(rest);
  // The character of that code as a caller makes it: by its Unicode code (ChrW) or, for the
  // codes 128 to 255, by its ANSI code (Chr of the code page, e.g. U+20AC for 128).
  bool prefixed = first == char32_t(length) ||
                  (length >= 0x80 && length <= 0xFF && first >= 0x80 && platform::ansi_char_code(first) == length);
  return std::string(prefixed ? rest : title);
}

void AGPStatus::DispStatus(std::string_view text) {
  if (is_open()) services_.library->SetInfo(handle_, std::string(text));
  yield();
}

void AGPStatus::ShowStatus(int32_t owner, std::string_view title) {
  handle_ = services_.library->ShowProgress(owner, std::string(title));
}

void AGPStatus::ShowStatus2(int32_t owner, std::string_view title) {
  handle_ = services_.library->ShowProgress2(owner, std::string(title));
}

void AGPStatus::ShowStatus3(int32_t owner, std::string_view title) {
  handle_ = services_.library->ShowProgress3(owner, std::string(title));
}

bool AGPStatus::StatusIsCancelled() {
  return services_.library->IsCancelled(handle_);
}

void AGPStatus::CloseStatus() {
  if (is_open()) {
    services_.library->CloseProgress(handle_);
    handle_ = 0;
  }
}

void AGPStatus::SetStatus(const Variant& percent) {
  if (is_open()) {
    int16_t value = 0;
    bool ok = true;
    try {
      value = vb::to_integer(percent);
    } catch (const std::exception&) {
      ok = false;  // a value that is no percentage shows nothing
    }
    if (ok) {
      services_.library->SetProgress(handle_, value);
      last_percent_ = percent;
      last_update_ = now();
    }
  }
  yield();
}

void AGPStatus::Refresh() {
  if (now() - last_update_ >= 1) {
    SetStatus(Variant(last_percent_));  // yields
    return;
  }
  yield();
}

void AGPStatus::GetVer(std::string_view) {
  // Files on this system carry no version resource: the version asked for is the
  // library's own, which the build stamps.
  platform::FileVersion v = platform::library_file_version();
  for (int i = 0; i < 4; ++i) version_[i] = int16_t(v.part[i]);
}

namespace {

std::string text_arg(vb::Args args, size_t i) {
  if (!vb::has_arg(args, i) || args[i].is_null()) return {};
  return vb::to_string(args[i]);
}

int32_t long_arg(vb::Args args, size_t i) {
  return vb::has_arg(args, i) ? vb::to_long(args[i]) : 0;
}

}  // namespace

const vb::DispatchTable<AGPStatus>& AGPStatus::dispatch_table() {
  using A = vb::Args;
  static const vb::DispatchTable<AGPStatus> table = [] {
    vb::DispatchTable<AGPStatus> t("AGPStatus");
    t.property("mj1", [](AGPStatus& s, A) { return Variant(s.mj1()); })
        .property("mj2", [](AGPStatus& s, A) { return Variant(s.mj2()); })
        .property("mn1", [](AGPStatus& s, A) { return Variant(s.mn1()); })
        .property("mn2", [](AGPStatus& s, A) { return Variant(s.mn2()); })
        .method("DispStatus",
                [](AGPStatus& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  s.DispStatus(text_arg(a, 0));
                  return Variant();
                })
        .method("ShowStatus",
                [](AGPStatus& s, A a) {
                  vb::check_arg_count(a, 2, 2);
                  s.ShowStatus(long_arg(a, 0), AGPStatus::strip_length_prefix(text_arg(a, 1)));
                  return Variant();
                })
        .method("ShowStatus2",
                [](AGPStatus& s, A a) {
                  vb::check_arg_count(a, 2, 2);
                  s.ShowStatus2(long_arg(a, 0), AGPStatus::strip_length_prefix(text_arg(a, 1)));
                  return Variant();
                })
        .method("ShowStatus3",
                [](AGPStatus& s, A a) {
                  vb::check_arg_count(a, 2, 2);
                  s.ShowStatus3(long_arg(a, 0), AGPStatus::strip_length_prefix(text_arg(a, 1)));
                  return Variant();
                })
        .method("StatusIsCancelled", [](AGPStatus& s, A) { return Variant(s.StatusIsCancelled()); })
        .method("CloseStatus",
                [](AGPStatus& s, A) {
                  s.CloseStatus();
                  return Variant();
                })
        .method("SetStatus",
                [](AGPStatus& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  s.SetStatus(a[0]);
                  return Variant();
                })
        .method("Refresh",
                [](AGPStatus& s, A) {
                  s.Refresh();
                  return Variant();
                })
        .method("GetVer", [](AGPStatus& s, A a) {
          vb::check_arg_count(a, 1, 1);
          s.GetVer(text_arg(a, 0));
          return Variant();
        });
    return t;
  }();
  return table;
}

}  // namespace tolvex
