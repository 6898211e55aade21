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

// While an object of this class lives on a thread, write_file_atomic on that thread still
// writes each file beside its target and renames it over the target (a killed process leaves
// the old file or the new one, never a part), but leaves the flush to disk to the scope: its
// finish() flushes each file system written to once. Many files are then written at the speed
// of the disk instead of one flush each. The destructor flushes too (ignoring failures) when
// finish() was not called. Scopes do not nest: an inner one does nothing.
class DeferredSync {
 public:
  DeferredSync();
  ~DeferredSync();
  DeferredSync(const DeferredSync&) = delete;
  DeferredSync& operator=(const DeferredSync&) = delete;
  // Flushes what was written so far; throws PlatformError naming a folder whose file system
  // could not be flushed.
  void finish();

 private:
  bool active_ = false;
};

// Test hook: when set, called before each step of write_file_atomic ("create", "write", "sync",
// "rename"); returning false makes that step fail with EIO as if the system had refused it.
// Pass an empty function to remove it. Not for production use.
using WriteFaultHook = std::function<bool(std::string_view step)>;
void set_write_fault_hook(WriteFaultHook hook);

}  // namespace tolvex::platform
