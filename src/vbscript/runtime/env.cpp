#include "vbscript/runtime/env.h"

#include <chrono>
#include <cstring>
#include <ctime>


namespace tolvex::vbscript {

int HostUi::msg_box(const std::string&, int, const std::string&) { return 1; }  // vbOK

std::optional<std::string> HostUi::input_box(const std::string&, const std::string&, const std::string&) {
  return std::nullopt;
}

namespace {
constexpr uint32_t kMask = 0xFFFFFF;
constexpr float kScale = 16777216.0f;
}  // namespace

float RandomState::rnd(std::optional<double> number) {
  if (number && *number == 0) return float(seed_) / kScale;
  if (number && *number < 0) {
    float f = float(*number);
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    seed_ = (b + (b >> 24)) & kMask;
  }
  seed_ = (seed_ * 0x43FD43FDu + 0xC39EC3u) & kMask;
  return float(seed_) / kScale;
}

void RandomState::randomize(std::optional<double> number) {
  double d;
  if (number) {
    d = *number;
  } else {
    // Seconds since midnight, as Timer gives them.
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    d = double(float(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + ms / 1000.0));
  }
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  uint32_t hi = uint32_t(bits >> 32);
  uint32_t mixed = ((hi & 0xFFFF) ^ (hi >> 16)) << 8;
  seed_ = (seed_ & 0xFF) | (mixed & 0xFFFF00);
}

RuntimeEnv::RuntimeEnv() : ui(&default_ui()) {}

HostUi& RuntimeEnv::default_ui() {
  static HostUi ui;
  return ui;
}

}  // namespace tolvex::vbscript
