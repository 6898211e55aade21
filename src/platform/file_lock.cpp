#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <thread>

namespace tolvex::platform {

namespace fs = std::filesystem;

namespace {

// The lock files this thread holds, with how often each is taken.
thread_local std::map<std::string, int> t_held;

constexpr std::chrono::milliseconds kPoll{20};

// Whether the open file `fd` is still the one named `name` (a holder that let go removed it).
bool still_named(int fd, const fs::path& name) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

fs::path FileLock::lock_file_of(const fs::path& path) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec || resolved.empty()) resolved = path;
  return resolved.parent_path() / ("." + resolved.filename().string() + ".lock");
}

FileLock::FileLock(const fs::path& path, std::chrono::milliseconds wait) : lock_file_(lock_file_of(path)) {
  if (auto it = t_held.find(lock_file_.native()); it != t_held.end()) {
    ++it->second;
    nested_ = true;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    int fd = ::open(lock_file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    // A lock file that another user made: reading is enough to lock it.
    if (fd < 0 && errno == EACCES) fd = ::open(lock_file_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;  // no lock file can be had here: see the class comment
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (still_named(fd, lock_file_)) {
        fd_ = fd;
        t_held.emplace(lock_file_.native(), 1);
        return;
      }
      ::close(fd);  // the holder removed it as it let go: take the one that now stands there
      continue;
    }
    const int err = errno;
    ::close(fd);
    if (err != EWOULDBLOCK && err != EINTR) return;  // a file system without locks
    if (std::chrono::steady_clock::now() >= deadline)
      throw FileLockBusy("Another process has '" + path.string() + "' open and is changing it; try again once it has finished.");
    std::this_thread::sleep_for(kPoll);
  }
}

FileLock::~FileLock() {
  if (nested_) {
    if (auto it = t_held.find(lock_file_.native()); it != t_held.end()) --it->second;
    return;
  }
  if (fd_ < 0) return;
  t_held.erase(lock_file_.native());
  // Removed while still held, so that whoever opens it from now on makes a new one.
  ::unlink(lock_file_.c_str());
  ::close(fd_);
}

}  // namespace tolvex::platform
