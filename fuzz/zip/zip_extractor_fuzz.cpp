// Unpacks arbitrary bytes as a package with small size limits and checks what the extractor
// promises: a failure says why and leaves no half-unpacked file; nothing lands outside the
// target folder; no symbolic link is made; the files never exceed the size limit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/zip_extractor.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kLimit = 256 * 1024;

void require(bool ok) {
  if (!ok) std::abort();
}

const fs::path& scratch() {
  static const fs::path root = [] {
    std::string pattern = (fs::temp_directory_path() / "fuzz-zip-XXXXXX").string();
    require(::mkdtemp(pattern.data()) != nullptr);
    return fs::path(pattern);
  }();
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const fs::path package = scratch() / "package.zip";
  const fs::path target = scratch() / "unpacked" / "here";
  {
    std::ofstream out(package, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
  }
  auto zip = tolvex::platform::make_zip_extractor();
  zip->package_file = package.string();
  zip->target_folder = target.string();
  zip->use_folder_names = (data[0] & 1) != 0;
  zip->overwrite = (data[0] & 2) != 0;
  zip->file_dates = (data[0] & 4) != 0 ? 1 : 0;
  zip->max_unpacked_size = kLimit;
  zip->max_ratio = 50;
  const int written = zip->extract();
  require(written >= -1);
  require((written < 0) == !zip->last_error().empty());

  // Only the package and the target folder exist in the scratch folder; below the target only
  // plain files and folders, within the limit, and no half-unpacked copies.
  uint64_t total = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(scratch(), ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    const fs::file_status st = fs::symlink_status(p, ec);
    require(!fs::is_symlink(st));
    const std::string relative = p.lexically_relative(scratch()).generic_string();
    require(relative == "package.zip" || relative == "unpacked" || relative == "unpacked/here" ||
            relative.rfind("unpacked/here/", 0) == 0);
    if (fs::is_regular_file(st) && relative != "package.zip") {
      require(p.filename().string().find(".tmp-unzip-") == std::string::npos);
      total += fs::file_size(p, ec);
    }
  }
  require(total <= kLimit);
  if (written < 0) require(!fs::exists(scratch() / "unpacked"));
  fs::remove_all(scratch() / "unpacked", ec);
  return 0;
}
