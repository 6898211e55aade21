// The registry stand-in: two roots (current user, local machine), each a tree of keys holding
// subkeys and typed values.
//
// Rules that every backend keeps:
// - Key paths use "\" between key names ("Software\Tolvex\3.0\Settings\General"); a leading or
//   trailing "\" and empty parts ("a\\b") are tolerated and ignored. The empty path is the root.
// - Key and value names compare without letter case (Unicode simple case folding for the Latin,
//   Greek and Cyrillic letters, as vb::utf8_upper does) and keep the case they were created with.
//   A key name may not contain "\" or control characters (below U+0020), and keys nest at most
//   512 levels deep: PlatformError. Value
//   names may hold any text; the empty value name is the key's default value.
// - subkeys() lists names sorted without letter case (by their upper-case form, as Windows does);
//   value_names() lists names in the order the values were first created.
// - Reads never create anything. Writes create every missing key on the path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::platform {

enum class RegRoot { CurrentUser, LocalMachine };

// Registry value kinds, numbered as the Windows registry numbers them.
namespace reg_kind {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kText = 1;            // REG_SZ
inline constexpr uint32_t kExpandText = 2;      // REG_EXPAND_SZ: text with %VAR% references
inline constexpr uint32_t kBinary = 3;          // REG_BINARY
inline constexpr uint32_t kDword = 4;           // REG_DWORD
inline constexpr uint32_t kDwordBigEndian = 5;  // REG_DWORD_BIG_ENDIAN
inline constexpr uint32_t kMultiText = 7;       // REG_MULTI_SZ
}  // namespace reg_kind

// One stored value. Which member holds the data depends on the kind:
//   kText, kExpandText   -> text (UTF-8 as the engine uses it; kept byte for byte)
//   kMultiText           -> texts
//   kDword, kDwordBigEndian -> number (the number's value; the byte order is only the kind's name)
//   any other kind       -> bytes (kBinary, and kinds 0, 6, 8 and above, kept as raw data)
struct RegValue {
  uint32_t kind = reg_kind::kNone;
  std::string text;
  std::vector<std::string> texts;
  uint32_t number = 0;
  std::vector<uint8_t> bytes;

  static RegValue make_text(std::string s) { RegValue v; v.kind = reg_kind::kText; v.text = std::move(s); return v; }
  static RegValue make_expand_text(std::string s) { RegValue v; v.kind = reg_kind::kExpandText; v.text = std::move(s); return v; }
  static RegValue make_dword(uint32_t n, uint32_t kind = reg_kind::kDword) { RegValue v; v.kind = kind; v.number = n; return v; }
  static RegValue make_binary(std::vector<uint8_t> b, uint32_t kind = reg_kind::kBinary) { RegValue v; v.kind = kind; v.bytes = std::move(b); return v; }
  static RegValue make_multi_text(std::vector<std::string> t) { RegValue v; v.kind = reg_kind::kMultiText; v.texts = std::move(t); return v; }

  bool is_text_kind() const noexcept { return kind == reg_kind::kText || kind == reg_kind::kExpandText; }
  bool is_number_kind() const noexcept { return kind == reg_kind::kDword || kind == reg_kind::kDwordBigEndian; }
  bool is_bytes_kind() const noexcept { return !is_text_kind() && !is_number_kind() && kind != reg_kind::kMultiText; }
  // Only the member that the kind uses is compared.
  bool operator==(const RegValue& o) const noexcept;
};

// One value to store with RegistryBackend::set_values.
struct RegWrite {
  std::string path;
  std::string name;
  RegValue value;
};

// The registry operations the engine uses. Errors (a hive that cannot be read or written, an
// invalid name) are thrown as PlatformError / FileFormatError; "not there" is never an error.
class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;

  virtual bool key_exists(RegRoot root, std::string_view path) = 0;
  // Creates the key and every missing key on its path; nothing happens when it exists.
  virtual void create_key(RegRoot root, std::string_view path) = 0;
  // The value's kind and data; nullopt when the key or the value is missing. With
  // expand_text, a kExpandText value comes back with its %VAR% references expanded from the
  // environment (expand_environment in folders.h); its kind stays kExpandText.
  virtual std::optional<RegValue> query_value(RegRoot root, std::string_view path, std::string_view name,
                                              bool expand_text = false) = 0;
  // Stores the value (replacing one of the same name in place, keeping its position and the
  // name's original case), creating the key path.
  virtual void set_value(RegRoot root, std::string_view path, std::string_view name, const RegValue& value) = 0;
  // Stores the values in their order, as set_value would one after the other (which is what
  // this default does). A backend that keeps files writes them once for the whole list, all or
  // nothing: after a failure, or a kill half-way, none of the values is stored.
  virtual void set_values(RegRoot root, const std::vector<RegWrite>& writes);
  // Stores the values as set_values does, except that when the store refuses to keep them (a
  // hive file that cannot be written) they live on in memory for as long as this object does,
  // and unsaved() says why; reads see them either way. A later change to that root is stored
  // together with them, or fails as usual and leaves them as they are. Other failures (a
  // corrupt hive, a bad name) throw as set_values does. This default stores them.
  virtual void keep_values(RegRoot root, const std::vector<RegWrite>& writes);
  // Why the values of `root` live in memory only (see keep_values): the file that cannot hold
  // them and the cause ("Permission denied in folder '/home/u/.config/tolvex'"). nullopt while
  // the store holds everything.
  struct Unsaved {
    std::filesystem::path file;
    std::string cause;
  };
  virtual std::optional<Unsaved> unsaved(RegRoot root);
  // False when the key or the value does not exist.
  virtual bool delete_value(RegRoot root, std::string_view path, std::string_view name) = 0;
  // Deletes the key with all its subkeys and values; false when it does not exist. The root
  // itself (empty path) cannot be deleted: false.
  virtual bool delete_key(RegRoot root, std::string_view path) = 0;
  // Names of the direct subkeys (see the ordering rule above); empty when the key is missing.
  virtual std::vector<std::string> subkeys(RegRoot root, std::string_view path) = 0;
  // Names of the key's values in insertion order; empty when the key is missing.
  virtual std::vector<std::string> value_names(RegRoot root, std::string_view path) = 0;
};

// Splits a key path into its key names (see the path rule above).
std::vector<std::string> split_key_path(std::string_view path);

// The in-memory tree both backends keep per root. Public so that tools and tests can build and
// inspect hives directly; not synchronised (the backends lock around it).
class RegistryTree {
 public:
  RegistryTree();
  ~RegistryTree();
  RegistryTree(const RegistryTree&);
  RegistryTree& operator=(const RegistryTree&);

  bool key_exists(std::string_view path) const;
  void create_key(std::string_view path);
  std::optional<RegValue> query_value(std::string_view path, std::string_view name) const;
  void set_value(std::string_view path, std::string_view name, const RegValue& value);
  bool delete_value(std::string_view path, std::string_view name);
  bool delete_key(std::string_view path);
  std::vector<std::string> subkeys(std::string_view path) const;
  std::vector<std::string> value_names(std::string_view path) const;

  // The hive text format (UTF-8), one line each, lines ending in LF (CR LF accepted on reading):
  //   ; comment                         (also lines starting with "#"; blank lines ignored)
  //   [Software\Tolvex\3.0\Settings]    a key with its parents; written in tree order, each key
  //                                     that holds values or has no subkeys (the rest are implied)
  //   "Name"="text"                     kind 1; @ in place of "Name" is the default value
  //   "Name"=expand:"text"              kind 2
  //   "Name"=multi:"one","two"          kind 7 (multi: alone is the empty list)
  //   "Name"=dword:0000002a             kind 4 (eight hex digits)
  //   "Name"=dword-be:0000002a          kind 5
  //   "Name"=hex:01,ff                  kind 3 (hex: alone is no bytes)
  //   "Name"=hex(n):01,ff               any other kind n (decimal), raw bytes
  // Inside quotes: \\ \" \r \n \t and \xHH (two hex digits, for the other bytes below 0x20 and
  // 0x7F) are escapes; every other byte, UTF-8 included, stands as itself. Values belong to the
  // last [key] line above them. A UTF-8 byte-order mark at the start is skipped.
  std::string to_hive_text() const;
  // Throws FileFormatError(file_for_messages, line, reason) on the first bad line.
  static RegistryTree from_hive_text(std::string_view text, const std::string& file_for_messages);

 struct Key;  // one key: its name, subkeys and values

 private:
  std::unique_ptr<Key> root_;
};

// A registry kept only in memory; starts empty. For tests and for runs that must not touch the
// user's files.
class MemoryRegistry : public RegistryBackend {
 public:
  bool key_exists(RegRoot root, std::string_view path) override;
  void create_key(RegRoot root, std::string_view path) override;
  std::optional<RegValue> query_value(RegRoot root, std::string_view path, std::string_view name,
                                      bool expand_text = false) override;
  void set_value(RegRoot root, std::string_view path, std::string_view name, const RegValue& value) override;
  bool delete_value(RegRoot root, std::string_view path, std::string_view name) override;
  bool delete_key(RegRoot root, std::string_view path) override;
  std::vector<std::string> subkeys(RegRoot root, std::string_view path) override;
  std::vector<std::string> value_names(RegRoot root, std::string_view path) override;

  RegistryTree& tree(RegRoot root) { return root == RegRoot::CurrentUser ? user_ : machine_; }

 private:
  std::mutex mutex_;
  RegistryTree user_;
  RegistryTree machine_;
};

// A registry whose roots are hive files (format: RegistryTree::to_hive_text). Each hive is read
// on first use (a missing file is an empty hive) and kept in memory; every change rewrites that
// root's file at once with write_file_atomic, creating its folder. When the write fails the
// change is undone in memory too and PlatformError is thrown ("Cannot keep the user settings in
// '<file>': <cause>", cause() the cause), so memory and file never differ, except for what
// keep_values kept in memory only.
// A corrupt hive throws FileFormatError naming the file and line on every access to that root
// (the file is never overwritten then).
class FileRegistry : public RegistryBackend {
 public:
  FileRegistry(std::filesystem::path user_hive, std::filesystem::path machine_hive);
  // The default locations: user_hive_path() and machine_hive_path().
  FileRegistry();

  const std::filesystem::path& hive_path(RegRoot root) const;

  bool key_exists(RegRoot root, std::string_view path) override;
  void create_key(RegRoot root, std::string_view path) override;
  std::optional<RegValue> query_value(RegRoot root, std::string_view path, std::string_view name,
                                      bool expand_text = false) override;
  void set_value(RegRoot root, std::string_view path, std::string_view name, const RegValue& value) override;
  void set_values(RegRoot root, const std::vector<RegWrite>& writes) override;
  void keep_values(RegRoot root, const std::vector<RegWrite>& writes) override;
  std::optional<Unsaved> unsaved(RegRoot root) override;
  bool delete_value(RegRoot root, std::string_view path, std::string_view name) override;
  bool delete_key(RegRoot root, std::string_view path) override;
  std::vector<std::string> subkeys(RegRoot root, std::string_view path) override;
  std::vector<std::string> value_names(RegRoot root, std::string_view path) override;

 private:
  struct Hive {
    std::filesystem::path file;
    const char* name;  // "user", "machine": whose settings the hive holds
    bool loaded = false;
    RegistryTree tree;
    // The tree's text as last read, written or (keep_values) kept in memory only; none: no file.
    std::optional<std::string> kept;
    std::string unsaved;  // why the kept text is in memory only; "" when the file holds it
  };
  Hive& hive(RegRoot root);   // loads on first use; caller holds mutex_
  // Writes the tree into the file; with `or_keep`, a refused write keeps it in memory instead.
  void save(Hive& h, bool or_keep = false);  // caller holds mutex_
  void store(RegRoot root, const std::vector<RegWrite>& writes, bool or_keep);
  template <class F>
  auto modify(RegRoot root, F&& change);

  std::mutex mutex_;
  Hive user_;
  Hive machine_;
};

// "$TOLVEX_CONFIG_DIR/user.reg", else "$XDG_CONFIG_HOME/tolvex/user.reg", else
// "~/.config/tolvex/user.reg".
std::filesystem::path user_hive_path();
// "<application_folder()>/machine.reg" (see folders.h).
std::filesystem::path machine_hive_path();

// The registry the engine uses. At first use it is a FileRegistry at the default locations;
// set_current_registry replaces it (tests install a MemoryRegistry or a FileRegistry on temporary
// files) and returns the one it replaced. Passing null restores the default on next use.
RegistryBackend& current_registry();
// A number that grows whenever any registry changes (a value or key written or deleted) and
// whenever the current registry is replaced, so readers can keep answers while it stays the same.
uint64_t registry_change_stamp() noexcept;
std::shared_ptr<RegistryBackend> set_current_registry(std::shared_ptr<RegistryBackend> registry);

// Installs a registry for the lifetime of the object and puts the previous one back afterwards.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(std::shared_ptr<RegistryBackend> registry)
      : previous_(set_current_registry(std::move(registry))) {}
  ~ScopedRegistry() { set_current_registry(std::move(previous_)); }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  std::shared_ptr<RegistryBackend> previous_;
};

}  // namespace tolvex::platform
