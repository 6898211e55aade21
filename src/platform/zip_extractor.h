// Unpacking of template and extension packages (zip archives).
#pragma once

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

  // Unpacks the package. Returns the number of files written, or -1 on failure with
  // last_error() saying why. Nothing is written when the package is damaged or holds an
  // entry that would land outside the target folder (absolute paths, "..").
  virtual int extract() = 0;
  const std::string& last_error() const noexcept { return last_error_; }

 protected:
  std::string last_error_;
};

// The extractor over libzip. Entry names may use "\" as well as "/" between folders.
std::unique_ptr<ZipExtractor> make_zip_extractor();

}  // namespace tolvex::platform
