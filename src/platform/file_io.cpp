#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tolvex::platform {

namespace fs = std::filesystem;

namespace {

std::mutex g_hook_mutex;
WriteFaultHook g_hook;

// Whether the test hook lets this step go ahead.
bool step_allowed(std::string_view step) {
  std::lock_guard lock(g_hook_mutex);
  return !g_hook || g_hook(step);
}

std::string temp_name_beside(const fs::path& path) {
  static std::mutex m;
  static std::mt19937_64 rng{std::random_device{}()};
  std::lock_guard lock(m);
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 10; ++i) suffix += digits[rng() % 36];
  return path.filename().string() + ".tmp-" + suffix;
}

// The folders (one per file system) whose flush the current DeferredSync scope owes.
struct DeferredFolders {
  std::vector<std::pair<dev_t, fs::path>> folders;
};
thread_local DeferredFolders* t_deferred = nullptr;

// Whether the flush of a file written into `folder` is left to the thread's DeferredSync.
bool flush_deferred(const fs::path& folder) {
  if (!t_deferred) return false;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return false;
  for (const auto& f : t_deferred->folders)
    if (f.first == st.st_dev) return true;
  t_deferred->folders.emplace_back(st.st_dev, folder);
  return true;
}

}  // namespace

DeferredSync::DeferredSync() {
  if (t_deferred) return;
  t_deferred = new DeferredFolders;
  active_ = true;
}

DeferredSync::~DeferredSync() {
  if (!active_) return;
  try {
    finish();
  } catch (const std::exception&) {
    // finish() reports; here there is nobody to tell
  }
  delete t_deferred;
  t_deferred = nullptr;
}

void DeferredSync::finish() {
  if (!active_) return;
  std::vector<std::pair<dev_t, fs::path>> folders;
  folders.swap(t_deferred->folders);
  for (const auto& f : folders) {
    int fd = ::open(f.second.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      // The folder went: flush everything rather than nothing.
      ::sync();
      continue;
    }
    const int rc = ::syncfs(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) throw PlatformError(errno_message("Cannot flush", f.second, err));
  }
}

void set_write_fault_hook(WriteFaultHook hook) {
  std::lock_guard lock(g_hook_mutex);
  g_hook = std::move(hook);
}

std::string read_file(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PlatformError(errno_message("Cannot open", path, errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw PlatformError(errno_message("Cannot read", path, EISDIR));
  }
  std::string out;
  if (st.st_size > 0) out.reserve(size_t(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw PlatformError(errno_message("Cannot read", path, err));
    }
    if (n == 0) break;
    out.append(buf, size_t(n));
  }
  ::close(fd);
  return out;
}

void write_file_atomic(const fs::path& given, std::string_view bytes) {
  // Through a symbolic link: replace the file it points to, and keep the link.
  fs::path path = given;
  std::error_code link_ec;
  if (fs::is_symlink(given, link_ec)) {
    fs::path target = fs::canonical(given, link_ec);
    if (!link_ec) path = target;
  }
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  fs::path temp = folder / temp_name_beside(path);

  // The mode of the file being replaced, so that replacing it does not change who may read it.
  mode_t mode = 0666;
  bool keep_mode = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw PlatformError(errno_message("Cannot write", path, EISDIR));
    mode = st.st_mode & 07777;
    keep_mode = true;
  }

  auto fail = [&](int fd, int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    throw PlatformError(errno_message("Cannot write", path, err));
  };

  const bool create_allowed = step_allowed("create");
  int fd = create_allowed ? ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666) : -1;
  if (fd < 0) {
    int err = create_allowed ? errno : EIO;
    // Nothing was created: do not unlink a file of that name that someone else may own.
    throw PlatformError(errno_message("Cannot write", path, err));
  }
  if (keep_mode) ::fchmod(fd, mode);

  const char* p = bytes.data();
  size_t left = bytes.size();
  if (!step_allowed("write")) fail(fd, EIO);
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(fd, errno);
    }
    p += n;
    left -= size_t(n);
  }
  if (!step_allowed("sync")) fail(fd, EIO);
  const bool deferred = flush_deferred(folder);
  if (!deferred && ::fsync(fd) != 0) fail(fd, errno);
  if (::close(fd) != 0) fail(-1, errno);
  if (!step_allowed("rename")) fail(-1, EIO);
  if (::rename(temp.c_str(), path.c_str()) != 0) fail(-1, errno);

  // Make the rename itself durable.
  if (deferred) return;
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace tolvex::platform
