// Unpacking of template and extension packages (zip archives).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tolvex::platform {

// The package extractor that the project object keeps for its generation runs. A run sets the
// package file, the three options and the target folder, then calls extract().
class ZipExtractor {
 public:
  virtual ~ZipExtractor() = default;

  // Full path of the zip file.
  std::string package_file;
  // First option: files already in the target folder are replaced (False: they are kept).
  bool overwrite = true;
  // Second option: entries keep the package's sub-folders (False: every file lands in the
  // target folder itself).
  bool use_folder_names = true;
  // Third option: 1 gives each file the date stored in the package; 0 leaves the time of unpacking.
  int file_dates = 1;
  // Folder to unpack into; created when missing.
  std::string target_folder;
  // The most bytes the files of one package may unpack to.
  uint64_t max_unpacked_size = kDefaultMaxUnpackedSize;
  // The most that the unpacked size may be of the package file's size, once the unpacked size
  // is above kRatioFreeSize (small packages of very repetitive text stay allowed).
  uint64_t max_ratio = kDefaultMaxRatio;

  static constexpr uint64_t kDefaultMaxUnpackedSize = uint64_t(512) * 1024 * 1024;
  static constexpr uint64_t kDefaultMaxRatio = 200;
  static constexpr uint64_t kRatioFreeSize = uint64_t(16) * 1024 * 1024;

  // Unpacks the package. Returns the number of files written, or -1 on failure with
  // last_error() saying why. Nothing is written when the package is damaged, holds an entry
  // that would land outside the target folder (absolute paths, ".."), or is over the limits
  // above by the sizes it declares; when data turn out damaged or larger than declared while
  // unpacking, what was written (files and the folders made for them) is removed again.
  // Entries of any other kind than files and folders (symbolic links included) are unpacked
  // as plain files holding their data: no link is ever made.
  virtual int extract() = 0;
  const std::string& last_error() const noexcept { return last_error_; }

 protected:
  std::string last_error_;
};

// The extractor over libzip. Entry names may use "\" as well as "/" between folders.
std::unique_ptr<ZipExtractor> make_zip_extractor();

}  // namespace tolvex::platform
