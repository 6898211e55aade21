// Reading and safely replacing whole files.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tolvex::platform {

// The whole content of a file as bytes. Throws PlatformError ("Cannot open '<path>': <reason>")
// when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// Writes `bytes` as the whole content of `path` without ever leaving a half-written file: the data
// go into a temporary file beside it (same folder, name "<name>.tmp-<random>"), which is flushed to
// disk and then renamed over `path`. On any failure the temporary file is removed, the old file (if
// any) is left untouched and PlatformError is thrown naming the path and the system's reason. The
// folder must exist. A new file gets mode 0666 less the umask; an existing file keeps its mode.
// When `path` is a symbolic link to an existing file, that file is replaced and the link stays.
void write_file_atomic(const std::filesystem::path& path, std::string_view bytes);

// The same replacement written in pieces: the constructor creates the temporary file beside `path`
// (throwing PlatformError as write_file_atomic does), write() appends to it, commit() flushes it to
// disk and renames it over `path`. Destroyed without a commit, or after any failure, it removes the
// temporary file and leaves the old file untouched.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void write(std::string_view bytes);
  void commit();

 private:
  [[noreturn]] void fail(int err);
  void discard() noexcept;
  std::filesystem::path path_, folder_, temp_;
  int fd_ = -1;
  bool write_checked_ = false;
};

// Test hook: when set, called before each step of write_file_atomic ("create", "write", "sync",
// "rename"); returning false makes that step fail with EIO as if the system had refused it.
// Pass an empty function to remove it. Not for production use.
using WriteFaultHook = std::function<bool(std::string_view step)>;
void set_write_fault_hook(WriteFaultHook hook);

}  // namespace tolvex::platform
