#include "platform/zip_extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdint>
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
  uint64_t size;  // the size the entry declares
  bool sized;     // whether it declares one
};

// Makes `folder` and its missing parents, adding each folder it makes to `made` (outermost
// first) before making it, so that a failure can remove what was made.
void make_folders(const fs::path& folder, std::vector<fs::path>& made) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  std::vector<fs::path> missing;
  for (fs::path p = folder; !p.empty() && !fs::exists(fs::symlink_status(p, ec)); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  made.insert(made.end(), missing.rbegin(), missing.rend());
  fs::create_directories(folder, ec);
  if (ec) throw PlatformError(errno_message("Cannot create folder", folder, ec.value()));
}

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
    std::error_code ec;
    packed_size_ = fs::file_size(package_file, ec);
    if (ec) packed_size_ = 0;
    uint64_t declared = 0;
    for (const Entry& e : entries)
      if (!e.is_folder) declared = e.size > UINT64_MAX - declared ? UINT64_MAX : declared + e.size;
    check_size(declared);
    fs::path target(target_folder);

    // Every file is first unpacked beside its destination; only when all of them have been
    // read without error do they take their places, so a package whose data turns out to be
    // damaged halfway leaves the folder's files as they were.
    std::vector<std::pair<fs::path, fs::path>> staged;  // (unpacked copy, destination)
    std::vector<fs::path> made;                         // folders made by this call
    try {
      make_folders(target, made);
      uint64_t written = 0;
      for (const Entry& e : entries) {
        fs::path dest = target / (use_folder_names || e.is_folder ? e.relative : e.relative.filename());
        if (e.is_folder) {
          if (use_folder_names) make_folders(dest, made);
          continue;
        }
        if (!overwrite && fs::exists(dest, ec)) continue;
        make_folders(dest.parent_path(), made);
        fs::path copy = dest;
        copy += ".tmp-unzip-" + std::to_string(e.index);
        staged.emplace_back(copy, dest);
        write_entry(archive.get(), e, copy, written);
      }
      // A file whose place is taken by a folder of the package (entries "a" and "a/b") is
      // found before any file takes its place.
      for (const auto& [copy, dest] : staged)
        if (fs::is_directory(fs::symlink_status(dest, ec)))
          throw PlatformError("Package '" + package_file + "' holds both a file and a folder named '" +
                              dest.lexically_relative(target).generic_string() + "'");
      for (auto& [copy, dest] : staged) {
        if (::rename(copy.c_str(), dest.c_str()) != 0) throw PlatformError(errno_message("Cannot replace", dest, errno));
      }
    } catch (...) {
      for (const auto& [copy, dest] : staged) ::unlink(copy.c_str());
      for (auto it = made.rbegin(); it != made.rend(); ++it) fs::remove(*it, ec);  // only when left empty
      throw;
    }
    return int(staged.size());
  }

  uint64_t packed_size_ = 0;

  // Refuses a package whose files unpack to more than the limits allow.
  void check_size(uint64_t unpacked) const {
    if (unpacked > max_unpacked_size)
      throw PlatformError("Package '" + package_file + "' unpacks to more than the limit of " +
                          std::to_string(max_unpacked_size) + " bytes");
    if (unpacked > kRatioFreeSize && packed_size_ > 0 && max_ratio > 0 && unpacked / max_ratio >= packed_size_)
      throw PlatformError("Package '" + package_file + "' unpacks to more than " + std::to_string(max_ratio) +
                          " times its own size of " + std::to_string(packed_size_) + " bytes");
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
      out.push_back(Entry{i, *rel, folder, (st.valid & ZIP_STAT_MTIME) ? st.mtime : time_t(0),
                          (st.valid & ZIP_STAT_SIZE) ? uint64_t(st.size) : uint64_t(0),
                          (st.valid & ZIP_STAT_SIZE) != 0});
    }
    return out;
  }

  // Unpacks one entry into the file `out` (created or truncated), with the entry's date when
  // dates are kept. `written` counts the bytes of the whole package so far; data beyond the
  // entry's declared size or the package's limits end the unpacking.
  void write_entry(zip_t* za, const Entry& e, const fs::path& out, uint64_t& written) {
    zip_file_t* zf = zip_fopen_index(za, e.index, 0);
    if (!zf)
      throw PlatformError("Cannot read '" + e.relative.generic_string() + "' in package '" + package_file +
                          "': " + zip_strerror(za));
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
      int err = errno;
      zip_fclose(zf);
      throw PlatformError(errno_message("Cannot create", out, err));
    }
    std::string failure;
    uint64_t entry_bytes = 0;
    char buf[64 * 1024];
    for (;;) {
      zip_int64_t got = zip_fread(zf, buf, sizeof buf);
      if (got < 0) {
        failure = "Cannot read '" + e.relative.generic_string() + "' in package '" + package_file +
                  "': " + zip_file_strerror(zf);
        break;
      }
      if (got == 0) break;
      entry_bytes += uint64_t(got);
      written += uint64_t(got);
      if (e.sized && entry_bytes > e.size) {
        failure = "Cannot read '" + e.relative.generic_string() + "' in package '" + package_file +
                  "': damaged entry (more data than it declares)";
        break;
      }
      try {
        check_size(written);
      } catch (const PlatformError& limit) {
        failure = limit.what();
        break;
      }
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
