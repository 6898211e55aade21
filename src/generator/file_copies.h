// Copies of files and folders that a generation run makes: backups of outputs before they
// are overwritten, the files and folders that "copy" controls bring into the site, and the
// style sheet and logo. No copy ever leaves a half-written file or loses the old one: each
// file is written beside its target and renamed over it.
#pragma once

#include <string>

namespace tolvex {

// Copies the file `source` over `target`. The folder of the target must exist. A target
// without any write permission (or one this process may not write) is kept unless
// `replace_read_only`. "" on success, else the reason; on failure the old target is as it was.
std::string copy_file_replacing(const std::string& source, const std::string& target, bool replace_read_only);

// Copies every file and sub-folder of the folder `source` into the folder `target` (made
// when missing), each file as copy_file_replacing copies it; what the target holds besides
// stays. Symbolic links in the source are not followed or copied. The source is listed
// before anything is copied, so a target inside the source never makes the copy run on.
// "" on success, else the reason of the first failure, where the copy stops.
std::string copy_folder_into(const std::string& source, const std::string& target, bool replace_read_only);

// Makes `target` a fresh copy of the folder `source`: the copy is made beside it first and
// then takes the place of the old target, so a failure leaves the old target as it was.
// "" on success, else the reason.
std::string replace_folder_with_copy(const std::string& source, const std::string& target);

}  // namespace tolvex
