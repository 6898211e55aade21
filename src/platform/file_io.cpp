#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <random>

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

}  // namespace

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

AtomicFileWriter::AtomicFileWriter(const fs::path& given) {
  // Through a symbolic link: replace the file it points to, and keep the link.
  path_ = given;
  std::error_code link_ec;
  if (fs::is_symlink(given, link_ec)) {
    fs::path target = fs::canonical(given, link_ec);
    if (!link_ec) path_ = target;
  }
  folder_ = path_.parent_path();
  if (folder_.empty()) folder_ = ".";
  temp_ = folder_ / temp_name_beside(path_);

  // The mode of the file being replaced, so that replacing it does not change who may read it.
  mode_t mode = 0666;
  bool keep_mode = false;
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw PlatformError(errno_message("Cannot write", path_, EISDIR));
    mode = st.st_mode & 07777;
    keep_mode = true;
  }

  const bool create_allowed = step_allowed("create");
  fd_ = create_allowed ? ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666) : -1;
  if (fd_ < 0) {
    // Nothing was created: do not unlink a file of that name that someone else may own.
    throw PlatformError(errno_message("Cannot write", path_, create_allowed ? errno : EIO));
  }
  if (keep_mode) ::fchmod(fd_, mode);
}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

void AtomicFileWriter::discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void AtomicFileWriter::fail(int err) {
  discard();
  throw PlatformError(errno_message("Cannot write", path_, err));
}

void AtomicFileWriter::write(std::string_view bytes) {
  if (fd_ < 0) throw PlatformError(errno_message("Cannot write", path_, EBADF));
  if (!write_checked_) {
    write_checked_ = true;
    if (!step_allowed("write")) fail(EIO);
  }
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    p += n;
    left -= size_t(n);
  }
}

void AtomicFileWriter::commit() {
  write({});
  if (!step_allowed("sync")) fail(EIO);
  if (::fsync(fd_) != 0) fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);
  if (!step_allowed("rename")) fail(EIO);
  if (::rename(temp_.c_str(), path_.c_str()) != 0) fail(errno);
  temp_.clear();

  // Make the rename itself durable.
  int dfd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void write_file_atomic(const fs::path& path, std::string_view bytes) {
  AtomicFileWriter file(path);
  file.write(bytes);
  file.commit();
}

}  // namespace tolvex::platform
