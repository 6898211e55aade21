// Permission checks as a user meets them. Root passes every permission check (a folder of
// mode 0555 takes its new files all the same), and the tests often run as root; there the
// code under test runs as the unprivileged user 65534 ("nobody"), in a child process or
// through setpriv. As any other user the permission bits apply to the tests' own user.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tolvex::testing {

inline constexpr uid_t kUnprivilegedId = 65534;

inline bool running_as_root() { return ::geteuid() == 0; }

// Runs `body` in a child process, as user and group 65534 when the test runs as root, else as
// the test's own user, and hands back what it returned; nullopt when the child could not give up
// root (the caller skips).
inline std::optional<std::string> run_unprivileged(const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    ::close(out[0]);
    if (running_as_root() &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
         ::setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 || ::geteuid() == 0))
      ::_exit(77);
    std::string result;
    try {
      result = body();
    } catch (const std::exception& e) {
      result = std::string("unexpected exception: ") + e.what();
    }
    for (size_t done = 0; done < result.size();) {
      const ssize_t n = ::write(out[1], result.data() + done, result.size() - done);
      if (n <= 0) ::_exit(1);
      done += size_t(n);
    }
    ::_exit(0);
  }
  ::close(out[1]);
  std::string result;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) result.append(buf, size_t(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return std::nullopt;
  return result;
}

// What goes before a shell command so that it runs as the unprivileged user: setpriv as root,
// nothing otherwise; nullopt when root cannot switch (no setpriv).
inline std::optional<std::string> unprivileged_command_prefix() {
  if (!running_as_root()) return std::string();
  const std::string prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  if (std::system((prefix + "sh -c 'test \"$(id -u)\" = 65534' 2>/dev/null").c_str()) != 0) return std::nullopt;
  return prefix;
}

// Makes `path` and everything below it the unprivileged user's when the test runs as root, so
// that the code under test may write there (as another user it is the test's own already).
inline void give_to_unprivileged(const std::filesystem::path& path) {
  if (!running_as_root()) return;
  ::lchown(path.c_str(), kUnprivilegedId, kUnprivilegedId);
  std::error_code ec;
  if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return;
  for (std::filesystem::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    ::lchown(it->path().c_str(), kUnprivilegedId, kUnprivilegedId);
}

// Gives every folder below `path` its owner's permissions back, so that a test's own user can
// remove what it made read-only.
inline void make_removable(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec) && !it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
}

}  // namespace tolvex::testing
