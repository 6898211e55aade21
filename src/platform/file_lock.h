// The lock that the writers of a file hold from the moment they read it until they have
// replaced it, so that two writers never both change the same old version.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/error.h"

namespace tolvex::platform {

// Another process held the lock for longer than the writer would wait. what() says that
// another process has the file open.
class FileLockBusy : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// Holds the writers' lock of `path` while it lives. The lock is not on the file itself, which a
// write replaces by a rename (a lock on it would stay with the old file), but on a lock file
// beside it, ".<name>.lock", which the holder removes when it lets go. The operating system lets
// go of it when its process ends, killed or not, so a killed writer never blocks the next one;
// the lock file it leaves is taken over by the next writer.
//
// A symbolic link is followed, so that every name of the file shares one lock. A thread that
// already holds the lock of `path` may take it again (nested; the outermost one lets go);
// other threads and processes wait for it, up to `wait`, and then FileLockBusy is thrown.
// Where no lock file can be made in the folder (it is read-only, or the user may not write
// there) nobody can replace the file there either: the object then holds nothing and the
// write that follows fails with its own reason.
class FileLock {
 public:
  static constexpr std::chrono::milliseconds kDefaultWait{5000};

  explicit FileLock(const std::filesystem::path& path, std::chrono::milliseconds wait = kDefaultWait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Whether this object holds the lock (false when nested in another of this thread, or
  // when no lock file could be made).
  bool held() const { return fd_ >= 0; }

  // The lock file that guards `path`.
  static std::filesystem::path lock_file_of(const std::filesystem::path& path);

 private:
  std::filesystem::path lock_file_;
  int fd_ = -1;
  bool nested_ = false;
};

}  // namespace tolvex::platform
