#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tolvex::platform {

namespace fs = std::filesystem;

namespace {

std::mutex g_hook_mutex;
WriteFaultHook g_hook;

// The failure of a write to `path` with the system's error `err`. Where the folder refused
// the new name (no permission, a read-only file system, a folder that could not be made) the
// message says so and names that folder.
PlatformError write_failure(const fs::path& path, int err) {
  return PlatformError("Cannot write", path, folder_refusal(path.parent_path(), err));
}
std::string write_message(const fs::path& path, int err) { return write_failure(path, err).what(); }

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

// Removes names on a thread of its own: the old backups that new ones displace, and the old
// files that new ones were exchanged with. Removing a file's last name frees its blocks, which
// takes longer than writing a small file; done here it overlaps with the generation. A name not
// removed yet (the process was killed) is a temporary file that the next write into its folder
// sweeps away. It also starts writing out new files handed to it (their flush is the scope's),
// so that the disk works while the generation goes on.
class Remover {
 public:
  ~Remover() { finish(); }
  void remove(fs::path name) noexcept { hand_over(Job{std::move(name), -1}); }
  // Starts writing out the file open as `fd` (the Remover closes it), then removes `name`.
  void write_out_and_remove(int fd, fs::path name) noexcept { hand_over(Job{std::move(name), fd}); }
  // Waits until every name handed over is removed.
  void finish() {
    {
      std::lock_guard lock(m_);
      if (!thread_.joinable()) return;
      stop_ = true;
      cv_.notify_one();
    }
    thread_.join();
    thread_ = std::thread();
    stop_ = false;
  }

 private:
  struct Job {
    fs::path name;
    int fd;  // -1 when there is nothing to write out
  };
  static void carry_out(const Job& job) noexcept {
    if (job.fd >= 0) {
      ::sync_file_range(job.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
      ::close(job.fd);
    }
    ::unlink(job.name.c_str());
  }
  void hand_over(Job job) noexcept {
    try {
      std::lock_guard lock(m_);
      if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
      jobs_.push_back(std::move(job));
      cv_.notify_one();
    } catch (const std::exception&) {
      carry_out(job);  // no thread to be had: at once, then
    }
  }
  void run() {
    std::unique_lock lock(m_);
    for (;;) {
      cv_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      const Job job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      carry_out(job);
      lock.lock();
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Job> jobs_;
  bool stop_ = false;
  std::thread thread_;
};

// The folders (one per file system) whose flush the current DeferredSync scope owes.
struct DeferredFolders {
  std::vector<std::pair<dev_t, fs::path>> folders;
  std::string last;  // the folder written into last: its file system is among `folders`
  Remover remover;
};
thread_local DeferredFolders* t_deferred = nullptr;

// The backup the thread's next replacement of a given file keeps its old file as.
thread_local BackupOnReplace* t_backup = nullptr;

// How many ReplaceLinks scopes live on the thread.
thread_local int t_replace_links = 0;

// Whether the flush of a file written into `folder` is left to the thread's DeferredSync.
bool flush_deferred(const fs::path& folder) {
  if (!t_deferred) return false;
  if (folder.native() == t_deferred->last) return true;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return false;
  t_deferred->last = folder.native();
  for (const auto& f : t_deferred->folders)
    if (f.first == st.st_dev) return true;
  t_deferred->folders.emplace_back(st.st_dev, folder);
  return true;
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

// Gives the nameless open file `fd` the name `to`; false with errno set when it cannot.
bool link_nameless(int fd, const fs::path& to) {
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Gives the file `from` a second name in `folder`, a fresh temporary one (a symbolic link is
// followed when `follow`); empty with errno set when the system refuses.
fs::path link_under_temp_name(const fs::path& from, const fs::path& folder, bool follow) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = folder / temp_name();
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, candidate.c_str(), follow ? AT_SYMLINK_FOLLOW : 0) == 0)
      return candidate;
    if (errno != EEXIST) break;
  }
  return {};
}

// Creates a named temporary file in `folder`, readable only by its owner; -1 with errno set.
int create_named_temp(const fs::path& folder, fs::path& named) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = folder / temp_name();
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::fchmod(fd, 0600);
      named = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Copies what the open file `from` holds into `to` from the start; 0 or an errno value.
int copy_contents(int from, int to) {
  if (::lseek(from, 0, SEEK_SET) != 0) return errno;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(from, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    if (int err = write_all(to, buf, size_t(n)); err != 0) return err;
  }
}

// Gives the file `from` (device `dev`, inode `ino`) the second name `to`, replacing what `to`
// named in one step; where the file system refuses the link (another file system, no hard links,
// a file of another owner) `to` becomes a whole copy instead. "" or the reason it failed; `to` is
// then as it was.
std::string keep_as(const fs::path& from, dev_t dev, ino_t ino, const fs::path& to) {
  struct stat st {};
  bool copy = false, old_backup = false;
  if (::lstat(to.c_str(), &st) == 0) {
    old_backup = S_ISREG(st.st_mode);
    if (S_ISDIR(st.st_mode)) return write_message(to, EISDIR);
    // Already a name of the file (a run stopped before replacing it): a rename onto it would
    // do nothing and leave the temporary name.
    if (S_ISREG(st.st_mode) && st.st_dev == dev && st.st_ino == ino) return {};
    // The link stays and the file it points to gets the copy, unless links are replaced.
    copy = S_ISLNK(st.st_mode) && t_replace_links == 0;
  }
  fs::path folder = to.parent_path();
  if (folder.empty()) folder = ".";
  fs::path temp;
  if (!copy) {
    sweep_once(folder);
    if (step_allowed("link")) temp = link_under_temp_name(from, folder, /*follow=*/false);
    copy = temp.empty();
  }
  if (copy) {
    try {
      copy_file_atomic(from, to);
    } catch (const PlatformError& e) {
      return e.what();
    }
    return {};
  }
  // Within a DeferredSync scope the old backup keeps a temporary name of its own, so that the
  // rename does not free it; the scope's remover removes that name.
  fs::path displaced;
  if (old_backup && t_deferred && st.st_nlink == 1) {
    fs::path candidate = folder / temp_name();
    if (::link(to.c_str(), candidate.c_str()) == 0) displaced = std::move(candidate);
  }
  int err = 0;
  if (!step_allowed("rename")) err = EIO;
  else if (::rename(temp.c_str(), to.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    if (!displaced.empty()) ::unlink(displaced.c_str());
    return write_message(to, err);
  }
  if (!displaced.empty()) t_deferred->remover.remove(std::move(displaced));
  return {};
}

// Makes `to` a symbolic link to `target`, replacing what `to` named in one step; "" or the reason.
std::string link_as(const std::string& target, const fs::path& to) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return write_message(to, EISDIR);
  fs::path folder = to.parent_path();
  if (folder.empty()) folder = ".";
  sweep_once(folder);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temp = folder / temp_name();
    if (::symlink(target.c_str(), temp.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return write_message(to, errno);
    }
    int err = 0;
    if (!step_allowed("rename")) err = EIO;
    else if (::rename(temp.c_str(), to.c_str()) != 0) err = errno;
    if (err == 0) return {};
    ::unlink(temp.c_str());
    return write_message(to, err);
  }
  return write_message(to, EEXIST);
}

// The target of the symbolic link `link`; nullopt with errno set when it cannot be read.
std::optional<std::string> link_target(const fs::path& link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    if (size_t(n) < target.size()) {
      target.resize(size_t(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

}  // namespace

ReplaceLinks::ReplaceLinks() { ++t_replace_links; }
ReplaceLinks::~ReplaceLinks() { --t_replace_links; }
bool replacing_links() { return t_replace_links > 0; }

void copy_link_atomic(const fs::path& from, const fs::path& to) {
  const std::optional<std::string> target = link_target(from);
  if (!target) throw PlatformError(errno_message("Cannot read", from, errno));
  if (std::string failure = link_as(*target, to); !failure.empty()) throw PlatformError(failure);
}

AtomicFileWriter::AtomicFileWriter(const fs::path& given) {
  path_ = given;
  struct stat st {};
  bool exists = ::lstat(given.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode) && t_replace_links > 0) {
    // The link itself goes: the new file is written as a new one, and a backup keeps the link.
    replaces_link_ = true;
    replaced_dev_ = st.st_dev;
    replaced_ino_ = st.st_ino;
    if (t_backup && t_backup->path_.native() == given.native()) backup_ = t_backup;
    exists = false;
  } else if (exists && S_ISLNK(st.st_mode)) {
    // Through a symbolic link: replace the file it points to, and keep the link.
    std::error_code link_ec;
    fs::path target = fs::canonical(given, link_ec);
    if (!link_ec) path_ = target;
    exists = ::stat(path_.c_str(), &st) == 0;
  }
  folder_ = path_.parent_path();
  if (folder_.empty()) folder_ = ".";

  // The mode of the file being replaced, so that replacing it does not change who may read it.
  if (exists) {
    if (S_ISDIR(st.st_mode)) throw write_failure(path_, EISDIR);
    mode_ = st.st_mode & 07777;
    keep_mode_ = true;
    replaced_dev_ = st.st_dev;
    replaced_ino_ = st.st_ino;
    if (t_backup && t_backup->path_.native() == given.native()) backup_ = t_backup;
  }
  sweep_once(folder_);
  deferred_ = flush_deferred(folder_);

  if (!step_allowed("create")) throw write_failure(path_, EIO);
  // With O_TMPFILE the file has no name until it is complete, so a kill while writing leaves
  // nothing behind; otherwise it is a named file that only its owner may read until then.
  if (step_allowed("tmpfile")) fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    // New files get 0666 less the umask, as the open applied it.
    if (keep_mode_) {
      ::fchmod(fd_, mode_);
    } else if (::fstat(fd_, &st) == 0) {
      mode_ = st.st_mode & 07777;
    }
  } else {
    fd_ = create_named_temp(folder_, temp_);
    // Nothing was created: do not unlink a file of that name that someone else may own.
    if (fd_ < 0) throw write_failure(path_, errno);
    if (!keep_mode_) {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode_ = 0666 & ~mask;
    }
  }
  // Held until the temporary name is gone, so that a sweep never takes a live write's file.
  ::flock(fd_, LOCK_EX);
}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

void AtomicFileWriter::limit_mode(mode_t allowed) {
  mode_ &= allowed;
  if (fd_ >= 0) ::fchmod(fd_, mode_);
}

void AtomicFileWriter::discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void AtomicFileWriter::fail(int err) {
  discard();
  throw write_failure(path_, err);
}

void AtomicFileWriter::write(std::string_view bytes) {
  if (fd_ < 0) throw write_failure(path_, EBADF);
  if (!write_checked_) {
    write_checked_ = true;
    if (!step_allowed("write")) fail(EIO);
  }
  if (int err = write_all(fd_, bytes.data(), bytes.size()); err != 0) fail(err);
}

void AtomicFileWriter::commit() {
  write({});
  if (!step_allowed("sync")) fail(EIO);
  if (!deferred_ && ::fsync(fd_) != 0) fail(errno);
  if (!step_allowed("rename")) fail(EIO);
  if (temp_.empty()) {
    // Nameless: a new file takes its name at once; an existing one is replaced through a name.
    bool named = !keep_mode_ && !replaces_link_ && link_nameless(fd_, path_);
    if (!named && !keep_mode_ && !replaces_link_ && errno != EEXIST && errno != ENOENT) fail(errno);
    if (!named) {
      fs::path candidate;
      for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
        candidate = folder_ / temp_name();
        if (link_nameless(fd_, candidate)) temp_ = candidate;
        else if (errno != EEXIST) break;
      }
      if (temp_.empty()) {
        if (errno != ENOENT) fail(errno);
        // Without /proc the nameless file cannot be named: copy it into a named one.
        const int nameless = fd_;
        fd_ = create_named_temp(folder_, temp_);
        if (fd_ < 0) {
          const int err = errno;
          ::close(nameless);
          fail(err);
        }
        ::flock(fd_, LOCK_EX);
        const int err = copy_contents(nameless, fd_);
        ::close(nameless);
        if (err != 0) fail(err);
        if (!deferred_ && ::fsync(fd_) != 0) fail(errno);
        ::fchmod(fd_, mode_);
      }
    }
  } else {
    ::fchmod(fd_, mode_);
  }
  if (backup_) keep_replaced_file();
  if (!temp_.empty()) {
    if (!(deferred_ && keep_mode_ && exchange_into_place()) && ::rename(temp_.c_str(), path_.c_str()) != 0)
      fail(errno);
    temp_.clear();
  }
  // The lock is released only now, once the temporary name is gone.
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);

  // Make the rename itself durable (or leave it to the scope that flushes later).
  if (deferred_) return;
  int dfd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}



// Replacing a file by a rename makes ext4 (and other file systems) write the new file out at
// once, in the rename, to protect programs that do not flush before they replace (a twentieth of
// a later generation's time). Within a DeferredSync scope the flush is the scope's, so the new
// file and the old one swap names instead, in one step as atomic as the rename; the old file,
// now under the temporary name, goes to the Remover, which also starts writing the new one out.
bool AtomicFileWriter::exchange_into_place() {
  if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) != 0)
    return false;  // not offered here, or the old file went: rename as usual
  struct stat st {};
  if (::lstat(temp_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    // A folder took the file's place meanwhile: a rename would refuse it, and so do we.
    ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE);
    fail(EISDIR);
  }
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd >= 0) t_deferred->remover.write_out_and_remove(fd, temp_);
  else t_deferred->remover.remove(temp_);
  return true;
}

void AtomicFileWriter::keep_replaced_file() {
  BackupOnReplace& backup = *backup_;
  backup_ = nullptr;
  std::string failure;
  if (!replaces_link_) {
    failure = keep_as(path_, replaced_dev_, replaced_ino_, backup.backup_);
  } else if (const std::optional<std::string> target = link_target(path_)) {
    failure = link_as(*target, backup.backup_);
  } else {
    failure = errno_message("Cannot read", path_, errno);
  }
  if (failure.empty()) {
    backup.made_ = true;
    return;
  }
  discard();
  backup.failure_ = failure;
  throw PlatformError(failure);
}

BackupOnReplace::BackupOnReplace(fs::path path, fs::path backup)
    : path_(std::move(path)), backup_(std::move(backup)), outer_(t_backup) {
  t_backup = this;
}

BackupOnReplace::~BackupOnReplace() { t_backup = outer_; }

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
  t_deferred->remover.finish();
  std::vector<std::pair<dev_t, fs::path>> folders;
  folders.swap(t_deferred->folders);
  t_deferred->last.clear();
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
  AtomicFileWriter file(path);
  file.write(bytes);
  file.commit();
}

bool link_file_atomic(const fs::path& from, const fs::path& to) {
  if (!step_allowed("link")) return false;
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Already one file: a rename between two names of it would leave both.
  struct stat target {};
  const int known = t_replace_links > 0 ? ::lstat(to.c_str(), &target) : ::stat(to.c_str(), &target);
  if (known == 0 && target.st_dev == st.st_dev && target.st_ino == st.st_ino) return true;
  fs::path folder = to.parent_path();
  if (folder.empty()) folder = ".";
  sweep_once(folder);
  // Linked under a temporary name first, then renamed over `to`: a kill in between leaves a
  // temporary name that the sweep removes, and `to` as it was.
  const fs::path temp = link_under_temp_name(from, folder, /*follow=*/true);
  if (temp.empty()) return false;
  if (::rename(temp.c_str(), to.c_str()) == 0) return true;
  const int err = errno;
  ::unlink(temp.c_str());
  errno = err;
  return false;
}

bool sync_folder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void copy_file_atomic(const fs::path& from, const fs::path& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) throw PlatformError(errno_message("Cannot open", from, errno));
  struct stat st {};
  const bool known = ::fstat(in, &st) == 0;
  if (known && S_ISDIR(st.st_mode)) {
    ::close(in);
    throw PlatformError(errno_message("Cannot read", from, EISDIR));
  }
  try {
    AtomicFileWriter file(to);
    if (known) file.limit_mode(st.st_mode & 07777);
    char buf[65536];
    for (;;) {
      ssize_t n = ::read(in, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw PlatformError(errno_message("Cannot read", from, errno));
      }
      if (n == 0) break;
      file.write(std::string_view(buf, size_t(n)));
    }
    file.commit();
  } catch (const PlatformError&) {
    ::close(in);
    throw;
  }
  ::close(in);
}

}  // namespace tolvex::platform
