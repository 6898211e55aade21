#include "platform/zip_extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace fs = std::filesystem;

namespace tolvex::platform {

namespace {

struct Entry {
  zip_uint64_t index;
  fs::path relative;  // safe relative path below the target folder
  bool is_folder;
  time_t mtime;
};

// The entry's name as a path below the target, or nullopt when it would leave the target.
std::optional<fs::path> safe_relative_path(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  if (name.empty() || name[0] == '/') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;  // drive letter
  fs::path out;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t slash = name.find('/', pos);
    if (slash == std::string::npos) slash = name.size();
    std::string part = name.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    out /= part;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

class ZipArchive {
 public:
  explicit ZipArchive(const std::string& path) {
    int err = 0;
    za_ = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!za_) {
      zip_error_t ze;
      zip_error_init_with_code(&ze, err);
      error_ = zip_error_strerror(&ze);
      zip_error_fini(&ze);
    }
  }
  ~ZipArchive() {
    if (za_) zip_discard(za_);
  }
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  zip_t* get() const { return za_; }
  const std::string& error() const { return error_; }

 private:
  zip_t* za_ = nullptr;
  std::string error_;
};

class LibzipExtractor : public ZipExtractor {
 public:
  int extract() override {
    last_error_.clear();
    try {
      return run();
    } catch (const std::exception& e) {
      last_error_ = e.what();
      return -1;
    }
  }

 private:
  int run() {
    if (package_file.empty()) throw PlatformError("No package file given");
    if (target_folder.empty()) throw PlatformError("No target folder given");
    ZipArchive archive(package_file);
    if (!archive.get())
      throw PlatformError("Cannot open package '" + package_file + "': " + archive.error());

    std::vector<Entry> entries = list_entries(archive.get());
    fs::path target(target_folder);
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) throw PlatformError(errno_message("Cannot create folder", target, ec.value()));

    // Every file is first unpacked beside its destination; only when all of them have been
    // read without error do they take their places, so a package whose data turns out to be
    // damaged halfway leaves the folder's files as they were.
    std::vector<std::pair<fs::path, fs::path>> staged;  // (unpacked copy, destination)
    try {
      for (const Entry& e : entries) {
        fs::path dest = target / (use_folder_names || e.is_folder ? e.relative : e.relative.filename());
        if (e.is_folder) {
          if (!use_folder_names) continue;
          fs::create_directories(dest, ec);
          if (ec) throw PlatformError(errno_message("Cannot create folder", dest, ec.value()));
          continue;
        }
        if (!overwrite && fs::exists(dest, ec)) continue;
        fs::create_directories(dest.parent_path(), ec);
        if (ec) throw PlatformError(errno_message("Cannot create folder", dest.parent_path(), ec.value()));
        fs::path copy = dest;
        copy += ".tmp-unzip-" + std::to_string(e.index);
        staged.emplace_back(copy, dest);
        write_entry(archive.get(), e, copy);
      }
      for (auto& [copy, dest] : staged) {
        if (::rename(copy.c_str(), dest.c_str()) != 0) throw PlatformError(errno_message("Cannot replace", dest, errno));
      }
    } catch (...) {
      for (const auto& [copy, dest] : staged) ::unlink(copy.c_str());
      throw;
    }
    return int(staged.size());
  }

  std::vector<Entry> list_entries(zip_t* za) {
    zip_int64_t n = zip_get_num_entries(za, 0);
    if (n < 0) throw PlatformError("Cannot read package '" + package_file + "': damaged archive");
    std::vector<Entry> out;
    out.reserve(size_t(n));
    for (zip_uint64_t i = 0; i < zip_uint64_t(n); ++i) {
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(za, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
        throw PlatformError("Cannot read package '" + package_file + "': damaged entry " + std::to_string(i));
      std::string name = st.name;
      bool folder = !name.empty() && (name.back() == '/' || name.back() == '\\');
      auto rel = safe_relative_path(name);
      if (!rel)
        throw PlatformError("Package '" + package_file + "' holds an entry outside its folder: '" + name + "'");
      out.push_back(Entry{i, *rel, folder, (st.valid & ZIP_STAT_MTIME) ? st.mtime : time_t(0)});
    }
    return out;
  }

  // Unpacks one entry into the file `out` (created or truncated), with the entry's date when
  // dates are kept.
  void write_entry(zip_t* za, const Entry& e, const fs::path& out) {
    zip_file_t* zf = zip_fopen_index(za, e.index, 0);
    if (!zf)
      throw PlatformError("Cannot read '" + e.relative.generic_string() + "' in package '" + package_file +
                          "': " + zip_strerror(za));
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      int err = errno;
      zip_fclose(zf);
      throw PlatformError(errno_message("Cannot create", out, err));
    }
    std::string failure;
    char buf[64 * 1024];
    for (;;) {
      zip_int64_t got = zip_fread(zf, buf, sizeof buf);
      if (got < 0) {
        failure = "Cannot read '" + e.relative.generic_string() + "' in package '" + package_file +
                  "': " + zip_file_strerror(zf);
        break;
      }
      if (got == 0) break;
      const char* p = buf;
      while (got > 0) {
        ssize_t w = ::write(fd, p, size_t(got));
        if (w < 0) {
          if (errno == EINTR) continue;
          failure = errno_message("Cannot write", out, errno);
          break;
        }
        p += w;
        got -= w;
      }
      if (!failure.empty()) break;
    }
    zip_fclose(zf);
    if (::close(fd) != 0 && failure.empty()) failure = errno_message("Cannot write", out, errno);
    if (!failure.empty()) throw PlatformError(failure);
    if (file_dates == 1 && e.mtime > 0) {
      struct timespec times[2];
      times[0].tv_sec = e.mtime;
      times[0].tv_nsec = 0;
      times[1] = times[0];
      utimensat(AT_FDCWD, out.c_str(), times, 0);
    }
  }
};

}  // namespace

std::unique_ptr<ZipExtractor> make_zip_extractor() { return std::make_unique<LibzipExtractor>(); }

}  // namespace tolvex::platform
