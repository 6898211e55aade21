#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
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

// Temporary files are named ".tolvex-XXXXXXXXXX.tmp": hidden, without the extension of the file
// they replace (so that a web server never runs or shows one as a page or as source), and never
// readable by others while they hold data.
constexpr std::string_view kTempPrefix = ".tolvex-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempRandomLength = 10;
// Earlier writers named them "<name>.tmp-XXXXXXXXXX" beside the file.
constexpr std::string_view kLegacyTempTag = ".tmp-";

std::string random_suffix() {
  static std::mutex m;
  static std::mt19937_64 rng{std::random_device{}()};
  std::lock_guard lock(m);
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (size_t i = 0; i < kTempRandomLength; ++i) suffix += digits[rng() % 36];
  return suffix;
}

std::string temp_name() { return std::string(kTempPrefix) + random_suffix() + std::string(kTempSuffix); }

bool is_random_part(std::string_view s) {
  if (s.size() != kTempRandomLength) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

// Whether `name` in `folder` is a temporary file of a write: one of ours, or one an earlier
// writer left beside a file that still exists.
bool is_temp_name(const fs::path& folder, const std::string& name) {
  std::string_view n = name;
  if (n.size() == kTempPrefix.size() + kTempRandomLength + kTempSuffix.size() && n.starts_with(kTempPrefix) &&
      n.ends_with(kTempSuffix))
    return is_random_part(n.substr(kTempPrefix.size(), kTempRandomLength));
  if (n.size() <= kLegacyTempTag.size() + kTempRandomLength) return false;
  const size_t tag = n.size() - kTempRandomLength - kLegacyTempTag.size();
  if (n.substr(tag, kLegacyTempTag.size()) != kLegacyTempTag || !is_random_part(n.substr(n.size() - kTempRandomLength)))
    return false;
  struct stat st {};
  return ::lstat((folder / std::string(n.substr(0, tag))).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes the temporary file `name` unless a live write holds it (each write keeps its temporary
// file locked until it is renamed, and the lock goes with the process that held it).
void remove_if_stale(int dir_fd, const std::string& name) {
  int fd = ::openat(dir_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held {}, named {};
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
      ::fstatat(dir_fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
      named.st_ino == held.st_ino)
    ::unlinkat(dir_fd, name.c_str(), 0);
  ::close(fd);
}

// Each folder is swept once per process, before the first write into it.
void sweep_once(const fs::path& folder) {
  static std::mutex m;
  static std::set<std::string> swept;
  {
    std::lock_guard lock(m);
    if (swept.contains(folder.string())) return;
  }
  if (!remove_stale_temp_files(folder)) return;  // a folder that cannot be read is tried again
  std::lock_guard lock(m);
  swept.insert(folder.string());
}

// The open temporary file of one write. With O_TMPFILE it has no name until its data are on
// disk, so a kill while writing leaves nothing behind; otherwise it is a named file that only its
// owner may read until it is complete.
struct TempFile {
  int fd = -1;
  fs::path named;  // empty while the file has no name
};

}  // namespace

bool remove_stale_temp_files(const fs::path& folder) {
  int dir_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return false;
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (is_temp_name(folder, name)) names.push_back(std::move(name));
  }
  for (const std::string& name : names) remove_if_stale(dir_fd, name);
  ::close(dir_fd);
  return true;
}

namespace {

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

// Writes one file through a temporary file beside it: `fill` writes the data into the open
// descriptor and returns 0 or an errno value; it may be called a second time from the start
// when the system cannot give a nameless temporary file a name.
void replace_file(const fs::path& given, const std::function<int(int fd)>& fill) {
  // Through a symbolic link: replace the file it points to, and keep the link.
  fs::path path = given;
  std::error_code link_ec;
  if (fs::is_symlink(given, link_ec)) {
    fs::path target = fs::canonical(given, link_ec);
    if (!link_ec) path = target;
  }
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";

  // The mode of the file being replaced, so that replacing it does not change who may read it.
  mode_t mode = 0;
  bool keep_mode = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw PlatformError(errno_message("Cannot write", path, EISDIR));
    mode = st.st_mode & 07777;
    keep_mode = true;
  }
  sweep_once(folder);
  const bool deferred = flush_deferred(folder);

  TempFile temp;
  auto fail = [&](int err) {
    if (temp.fd >= 0) ::close(temp.fd);
    if (!temp.named.empty()) ::unlink(temp.named.c_str());
    throw PlatformError(errno_message("Cannot write", path, err));
  };
  // Gives the nameless file `fd` the name `to`; false with errno set when it cannot.
  auto link_to = [&](const fs::path& to) {
    const std::string proc = "/proc/self/fd/" + std::to_string(temp.fd);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
  };

  for (bool use_tmpfile = true;; use_tmpfile = false) {
    if (!step_allowed("create")) throw PlatformError(errno_message("Cannot write", path, EIO));
    if (use_tmpfile && !step_allowed("tmpfile")) use_tmpfile = false;
    temp.fd = use_tmpfile ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (temp.fd >= 0) {
      // New files get 0666 less the umask, as the open applied it.
      if (keep_mode) ::fchmod(temp.fd, mode);
    } else {
      use_tmpfile = false;
      for (int attempt = 0; temp.fd < 0 && attempt < 100; ++attempt) {
        fs::path candidate = folder / temp_name();
        temp.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.fd >= 0) temp.named = candidate;
        else if (errno != EEXIST) break;
      }
      // Nothing was created: do not unlink a file of that name that someone else may own.
      if (temp.fd < 0) throw PlatformError(errno_message("Cannot write", path, errno));
      if (!keep_mode) {
        struct stat created {};
        mode = ::fstat(temp.fd, &created) == 0 ? created.st_mode & 07777 : 0644;
      }
      ::fchmod(temp.fd, 0600);
    }
    ::flock(temp.fd, LOCK_EX);

    if (!step_allowed("write")) fail(EIO);
    if (int err = fill(temp.fd); err != 0) fail(err);
    if (!step_allowed("sync")) fail(EIO);
    if (!deferred && ::fsync(temp.fd) != 0) fail(errno);
    if (!step_allowed("rename")) fail(EIO);
    if (!use_tmpfile) {
      ::fchmod(temp.fd, mode);
      if (::rename(temp.named.c_str(), path.c_str()) != 0) fail(errno);
      temp.named.clear();
      break;
    }
    // A new file takes its name at once; an existing one is replaced through a named link.
    if (!keep_mode && link_to(path)) break;
    if (!keep_mode && errno != EEXIST && errno != ENOENT) fail(errno);
    bool linked = false;
    for (int attempt = 0; !linked && attempt < 100; ++attempt) {
      fs::path candidate = folder / temp_name();
      if (link_to(candidate)) {
        temp.named = candidate;
        linked = true;
      } else if (errno != EEXIST) {
        break;
      }
    }
    if (!linked) {
      // Without /proc the nameless file cannot be named: write a named one instead.
      if (errno == ENOENT) {
        ::close(temp.fd);
        temp.fd = -1;
        continue;
      }
      fail(errno);
    }
    if (::rename(temp.named.c_str(), path.c_str()) != 0) fail(errno);
    temp.named.clear();
    break;
  }
  // The lock is released only now, once the temporary name is gone.
  if (::close(temp.fd) != 0) {
    temp.fd = -1;
    fail(errno);
  }

  // Make the rename itself durable (or leave it to the scope that flushes later).
  if (deferred) return;
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

int write_all(int fd, const char* p, size_t left) {
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= size_t(n);
  }
  return 0;
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

void write_file_atomic(const fs::path& path, std::string_view bytes) {
  replace_file(path, [&](int fd) { return write_all(fd, bytes.data(), bytes.size()); });
}

void copy_file_atomic(const fs::path& from, const fs::path& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) throw PlatformError(errno_message("Cannot open", from, errno));
  struct stat st {};
  if (::fstat(in, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(in);
    throw PlatformError(errno_message("Cannot read", from, EISDIR));
  }
  int read_error = 0;
  try {
    replace_file(to, [&](int fd) {
      if (::lseek(in, 0, SEEK_SET) != 0) return read_error = errno;
      char buf[65536];
      for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
          if (errno == EINTR) continue;
          return read_error = errno;
        }
        if (n == 0) return 0;
        if (int err = write_all(fd, buf, size_t(n)); err != 0) return err;
      }
    });
  } catch (const PlatformError&) {
    ::close(in);
    if (read_error != 0) throw PlatformError(errno_message("Cannot read", from, read_error));
    throw;
  }
  ::close(in);
}

}  // namespace tolvex::platform
