// Reading and safely replacing whole files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tolvex::platform {

// The whole content of a file as bytes. Throws PlatformError ("Cannot open '<path>': <reason>")
// when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// Writes `bytes` as the whole content of `path` without ever leaving a half-written file: the data
// go into a temporary file in the same folder, which is flushed to disk and then renamed over
// `path`. Where the file system allows it the temporary file has no name until its data are on
// disk; otherwise it is named ".tolvex-XXXXXXXXXX.tmp", readable only by its owner, and locked
// while the write lasts. Temporary files that a killed process left in the folder are removed
// before the first write into it (remove_stale_temp_files). On any failure the temporary file is
// removed, the old file (if any) is left untouched and PlatformError is thrown naming the path and
// the system's reason. The folder must exist. A new file gets mode 0666 less the umask; an
// existing file keeps its mode. When `path` is a symbolic link to an existing file, that file is
// replaced and the link stays (within a ReplaceLinks scope: the link itself is replaced).
void write_file_atomic(const std::filesystem::path& path, std::string_view bytes);

class BackupOnReplace;

// The same replacement written in pieces: the constructor creates the temporary file in the folder
// of `path` (throwing PlatformError as write_file_atomic does), write() appends to it, commit()
// flushes it to disk (or leaves that to a DeferredSync scope) and puts it in place of `path`.
// Destroyed without a commit, or after any failure, it removes the temporary file and leaves the
// old file untouched.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void write(std::string_view bytes);
  void commit();
  // The file gets no permission outside `allowed` (0700: its owner's only), from now on and
  // once it is in place: for a file that holds a secret. Never widens what the file gets.
  void limit_mode(mode_t allowed);

 private:
  [[noreturn]] void fail(int err);
  void discard() noexcept;
  void keep_replaced_file();
  bool exchange_into_place();
  std::filesystem::path path_, folder_;
  BackupOnReplace* backup_ = nullptr;  // the backup the replaced file is kept as
  dev_t replaced_dev_ = 0;             // the file being replaced
  ino_t replaced_ino_ = 0;
  std::filesystem::path temp_;  // the temporary file's name; empty while it has none
  int fd_ = -1;
  mode_t mode_ = 0;             // the mode the file gets
  bool keep_mode_ = false;      // `path` exists: its mode stays
  bool deferred_ = false;       // the flush is left to a DeferredSync scope
  bool write_checked_ = false;
  bool replaces_link_ = false;  // `path` is a symbolic link that the new file takes the place of
};

// While an object of this class lives on a thread, the writes on that thread (write_file_atomic,
// AtomicFileWriter, copy_file_atomic, link_file_atomic and the backups of BackupOnReplace) never
// write through a symbolic link at their target: the new file takes the place of the link itself,
// and the file or folder it points to stays as it was. The backup of a replaced link is a link to
// the same place (the file it points to is neither read nor copied). Generated outputs are
// written so, because a link planted among them must not redirect a write elsewhere. Scopes nest.
class ReplaceLinks {
 public:
  ReplaceLinks();
  ~ReplaceLinks();
  ReplaceLinks(const ReplaceLinks&) = delete;
  ReplaceLinks& operator=(const ReplaceLinks&) = delete;
};
// Whether a ReplaceLinks scope lives on this thread.
bool replacing_links();

// Makes `to` a symbolic link with the same target as the link `from`, replacing what `to` named in
// one step (a folder `to` is refused). PlatformError naming the path when it cannot.
void copy_link_atomic(const std::filesystem::path& from, const std::filesystem::path& to);

// While an object of this class lives on a thread, write_file_atomic on that thread still
// writes each file beside its target and renames it over the target (a killed process leaves
// the old file or the new one, never a part), but leaves the flush to disk to the scope: its
// finish() flushes each file system written to once. Many files are then written at the speed
// of the disk instead of one flush each. Old backups that BackupOnReplace displaces within the
// scope are removed on a helper thread; finish() waits for it. The destructor flushes too
// (ignoring failures) when finish() was not called. Scopes do not nest: an inner one does nothing.
class DeferredSync {
 public:
  DeferredSync();
  ~DeferredSync();
  DeferredSync(const DeferredSync&) = delete;
  DeferredSync& operator=(const DeferredSync&) = delete;
  // Flushes what was written so far; throws PlatformError naming a folder whose file system
  // could not be flushed.
  void finish();

 private:
  bool active_ = false;
};

// While an object of this class lives on a thread, the write on that thread that replaces the
// existing file `path` (write_file_atomic or AtomicFileWriter, given `path` as written here) keeps
// the file it replaces as `backup`, in the same step: once the new file is complete, the old one
// takes the name `backup` as well (a hard link: no bytes are copied; a whole copy where the file
// system refuses the link), replacing what `backup` named, and only then does the new file take
// its place. The old file is whole under one name or both at every moment, and the backup never
// names the file that replaces it. When the backup cannot be made the write fails (PlatformError)
// and leaves `path` and the old backup as they were; failure() says why. A `backup` that is a
// folder is refused; one that is a symbolic link keeps the link and gets a copy (within a
// ReplaceLinks scope the link itself is replaced). Scopes do not
// nest: an inner one hides the outer one while it lives.
class BackupOnReplace {
 public:
  BackupOnReplace(std::filesystem::path path, std::filesystem::path backup);
  ~BackupOnReplace();
  BackupOnReplace(const BackupOnReplace&) = delete;
  BackupOnReplace& operator=(const BackupOnReplace&) = delete;

  // Whether the backup was made.
  bool made() const { return made_; }
  // Why the backup could not be made; "" when it was made or was not due.
  const std::string& failure() const { return failure_; }

 private:
  friend class AtomicFileWriter;
  std::filesystem::path path_, backup_;
  bool made_ = false;
  std::string failure_;
  BackupOnReplace* outer_ = nullptr;
};

// Copies the file `from` over `to` as write_file_atomic writes: `to` is the old file or the whole
// copy, never a part. The copy grants no permission that `from` lacks, so that no more users may
// read it than the original. PlatformError when `from` cannot be read or `to` cannot be written.
void copy_file_atomic(const std::filesystem::path& from, const std::filesystem::path& to);

// Gives the file `from` the name `to` as well, without copying its bytes (a hard link), and
// replaces `to` in one step as write_file_atomic does: `to` is the old file or `from`, never a
// part. The new name is durable once the folder of `to` is flushed (sync_folder). A symbolic
// link `from` is followed. False, with nothing changed, when the link cannot be made (another
// file system, one without hard links, no permission, `from` missing or not a regular file):
// callers then copy (copy_file_atomic).
bool link_file_atomic(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes the folder's entries (names made, replaced or removed in it) to disk; false when that
// fails.
bool sync_folder(const std::filesystem::path& folder);

// Removes from `folder` the temporary files of writes that did not finish (their process was
// killed): ".tolvex-XXXXXXXXXX.tmp", and "<name>.tmp-XXXXXXXXXX" beside an existing <name> as
// earlier versions named them. A temporary file that a running write holds is left alone.
// False when the folder cannot be read.
bool remove_stale_temp_files(const std::filesystem::path& folder);

// Test hook: when set, called before each step of write_file_atomic ("create", "write", "sync",
// "rename"); returning false makes that step fail with EIO as if the system had refused it.
// Before "create" it is asked "tmpfile": false makes the write use a named temporary file as on
// a file system without nameless ones. link_file_atomic asks "link": false makes it fail as on a
// file system without hard links. A backup kept by BackupOnReplace asks "link" (false: as on a
// file system without hard links, a copy is made) and "rename".
// Pass an empty function to remove it. Not for production use.
using WriteFaultHook = std::function<bool(std::string_view step)>;
void set_write_fault_hook(WriteFaultHook hook);

}  // namespace tolvex::platform
