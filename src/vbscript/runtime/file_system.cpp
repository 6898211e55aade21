#include "vbscript/runtime/file_system.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

#include "vb/convert.h"
#include "vb/strings.h"
#include "vbscript/runtime/library.h"

namespace tolvex::vbscript {

namespace fsys = std::filesystem;
using vb::Args;
using vb::Variant;

namespace {

constexpr int32_t kBadFileMode = 54;
constexpr int32_t kBadFileName = 52;
constexpr int32_t kInputPastEnd = 62;
constexpr int32_t kPathFileAccess = 75;

[[noreturn]] void fail(int32_t number) {
  switch (number) {
    case kBadFileMode: vb::raise(number, "Bad file mode");
    case kBadFileName: vb::raise(number, "Bad file name or number");
    case kInputPastEnd: vb::raise(number, "Input past end of file");
    case kPathFileAccess: vb::raise(number, "Path/File access error");
    default: vb::raise(number);
  }
}

// An operating-system error as the script sees it.
[[noreturn]] void fail_errno(int e, bool folder) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      fail(folder ? vb::err::kPathNotFound : vb::err::kFileNotFound);
    case EEXIST:
      fail(vb::err::kFileAlreadyExists);
    case EACCES:
    case EPERM:
    case ENOTEMPTY:
    case EROFS:
    case EBUSY:
      fail(vb::err::kPermissionDenied);
    default:
      fail(kPathFileAccess);
  }
}

[[noreturn]] void fail_code(const std::error_code& ec, bool folder) { fail_errno(ec.value(), folder); }

bool is_file(const std::string& p) {
  std::error_code ec;
  return fsys::is_regular_file(p, ec);
}
bool is_folder(const std::string& p) {
  std::error_code ec;
  return fsys::is_directory(p, ec);
}

bool has_wildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// The entries of a path whose last part may hold * and ?.
std::vector<std::string> expand(const std::string& path, bool folders) {
  std::string parent = fs_path::parent_folder_name(path), pattern = fs_path::file_name(path);
  if (!has_wildcards(pattern)) return {path};
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fsys::directory_iterator(parent.empty() ? "." : parent, ec)) {
    std::string name = e.path().filename().string();
    std::error_code ec2;
    bool dir = e.is_directory(ec2);
    if (dir != folders) continue;
    if (fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) out.push_back(fs_path::build_path(parent, name));
  }
  std::sort(out.begin(), out.end());
  return out;
}

double ole_date(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  auto d = vb::make_date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return (d ? *d : 0) + vb::make_time(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

struct stat stat_of(const std::string& p, bool folder) {
  struct stat st{};
  if (::stat(p.c_str(), &st) != 0) fail_errno(errno, folder);
  return st;
}

int64_t tree_size(const std::string& p) {
  int64_t total = 0;
  std::error_code ec;
  for (auto it = fsys::recursive_directory_iterator(p, fsys::directory_options::skip_permission_denied, ec);
       it != fsys::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code ec2;
    if (it->is_regular_file(ec2)) total += int64_t(it->file_size(ec2));
  }
  return total;
}

// Sizes are Long while they fit, Double beyond.
Variant size_value(int64_t n) { return n <= INT32_MAX ? Variant(int32_t(n)) : Variant(double(n)); }

int32_t attributes(const std::string& p, bool folder) {
  struct stat st = stat_of(p, folder);
  int32_t a = folder ? 16 : 32;
  if (!(st.st_mode & S_IWUSR)) a |= 1;
  std::string name = fs_path::file_name(p);
  if (!name.empty() && name[0] == '.') a |= 2;
  return a;
}

// Of the attributes only ReadOnly maps onto Linux: the owner's write permission.
void set_attributes(const std::string& p, int32_t a) {
  std::error_code ec;
  fsys::permissions(p, fsys::perms::owner_write, (a & 1) ? fsys::perm_options::remove : fsys::perm_options::add, ec);
  if (ec) fail_code(ec, false);
}

void copy_file(const std::string& from, const std::string& to, bool overwrite) {
  if (!is_file(from)) fail(vb::err::kFileNotFound);
  if (is_folder(to)) fail(vb::err::kPermissionDenied);
  if (!overwrite && fsys::exists(to)) fail(vb::err::kFileAlreadyExists);
  std::error_code ec;
  fsys::copy_file(from, to, fsys::copy_options::overwrite_existing, ec);
  if (ec) fail_code(ec, true);
}

void copy_tree(const std::string& from, const std::string& to, bool overwrite) {
  std::error_code ec;
  if (is_file(to)) fail(vb::err::kFileAlreadyExists);
  fsys::create_directories(to, ec);
  if (ec) fail_code(ec, true);
  for (const auto& e : fsys::directory_iterator(from, ec)) {
    std::string name = e.path().filename().string();
    std::string src = fs_path::build_path(from, name), dst = fs_path::build_path(to, name);
    std::error_code ec2;
    if (e.is_symlink(ec2)) {
      // Links are copied as links: following them could walk in circles.
      if (fsys::exists(fsys::symlink_status(dst, ec2))) {
        if (!overwrite) fail(vb::err::kFileAlreadyExists);
        fsys::remove(dst, ec2);
      }
      fsys::copy_symlink(src, dst, ec2);
      if (ec2) fail_code(ec2, false);
    } else if (is_folder(src)) {
      copy_tree(src, dst, overwrite);
    } else {
      copy_file(src, dst, overwrite);
    }
  }
  if (ec) fail_code(ec, true);
}

void copy_folder(const std::string& from, const std::string& to, bool overwrite) {
  if (!is_folder(from)) fail(vb::err::kPathNotFound);
  // A folder copied into itself would grow without end.
  std::string a = fs_path::absolute(from) + "/", b = fs_path::absolute(to) + "/";
  if (b.compare(0, a.size(), a) == 0) fail(vb::err::kPermissionDenied);
  copy_tree(from, to, overwrite);
}

void move_path(const std::string& from, const std::string& to, bool folder) {
  if (folder ? !is_folder(from) : !is_file(from)) fail(folder ? vb::err::kPathNotFound : vb::err::kFileNotFound);
  std::error_code ec;
  if (fsys::exists(to, ec)) fail(vb::err::kFileAlreadyExists);
  fsys::rename(from, to, ec);
  if (ec.value() == EXDEV) {
    ec.clear();
    if (folder) {
      copy_folder(from, to, false);
      fsys::remove_all(from, ec);
    } else {
      copy_file(from, to, false);
      fsys::remove(from, ec);
    }
  }
  if (ec) fail_code(ec, true);
}

// Source and destination of CopyFile/MoveFile/CopyFolder/MoveFolder: with wildcards, or
// a destination ending in a separator, the destination is a folder that receives the items.
template <class Op>
void for_each_transfer(const std::string& source, const std::string& dest, bool folders, Op op) {
  std::string src = fs_path::normal(source), dst = fs_path::normal(dest);
  bool into = !dst.empty() && dst.back() == '/';
  bool wild = has_wildcards(fs_path::file_name(src));
  std::vector<std::string> items = expand(src, folders);
  if (items.empty()) fail(folders ? vb::err::kPathNotFound : vb::err::kFileNotFound);
  if (into || wild) {
    if (!is_folder(dst)) fail(vb::err::kPathNotFound);
    for (const auto& it : items) op(it, fs_path::build_path(dst, fs_path::file_name(it)));
  } else {
    op(items[0], dst);
  }
}

std::string read_bytes(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) fail_errno(errno, false);
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

bool valid_utf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

std::string decode_utf16(std::string_view b, bool big_endian) {
  std::string out;
  char32_t high = 0;
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    uint8_t lo = uint8_t(b[i]), hi = uint8_t(b[i + 1]);
    char32_t u = big_endian ? char32_t(lo << 8 | hi) : char32_t(hi << 8 | lo);
    if (high) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        vb::utf8_append(out, 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
        high = 0;
        continue;
      }
      vb::utf8_append(out, 0xFFFD);
      high = 0;
    }
    if (u >= 0xD800 && u <= 0xDBFF)
      high = u;
    else
      vb::utf8_append(out, (u >= 0xDC00 && u <= 0xDFFF) ? char32_t(0xFFFD) : u);
  }
  if (high) vb::utf8_append(out, 0xFFFD);
  return out;
}

// The text of a file. A byte-order mark decides the encoding; without one, Unicode mode
// reads UTF-16LE and ASCII mode reads UTF-8 when the bytes are valid UTF-8, else windows-1252.
std::string decode(const std::string& b, bool unicode) {
  if (b.size() >= 2 && uint8_t(b[0]) == 0xFF && uint8_t(b[1]) == 0xFE) return decode_utf16(std::string_view(b).substr(2), false);
  if (b.size() >= 2 && uint8_t(b[0]) == 0xFE && uint8_t(b[1]) == 0xFF) return decode_utf16(std::string_view(b).substr(2), true);
  if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) return b.substr(3);
  if (unicode) return decode_utf16(b, false);
  if (vb::is_ascii(b) || valid_utf8(b)) return b;
  std::string out;
  out.reserve(b.size() + b.size() / 4);
  for (char c : b) vb::utf8_append(out, lib::ansi_to_unicode(uint8_t(c)));
  return out;
}

void encode(std::string_view text, bool unicode, std::string& out) {
  if (!unicode && vb::is_ascii(text)) {
    out.append(text);
    return;
  }
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = vb::utf8_decode(text, pos);
    if (!unicode) {
      auto b = lib::unicode_to_ansi(c);
      out += char(b ? *b : '?');
    } else if (c >= 0x10000) {
      char32_t v = c - 0x10000, h = 0xD800 + (v >> 10), l = 0xDC00 + (v & 0x3FF);
      out += char(h & 0xFF);
      out += char(h >> 8);
      out += char(l & 0xFF);
      out += char(l >> 8);
    } else {
      out += char(c & 0xFF);
      out += char(c >> 8);
    }
  }
}

std::string text_arg(Args a, size_t i) {
  if (i >= a.size()) vb::raise(vb::err::kWrongArgCount);
  return a[i].is_string() ? a[i].raw_string() : vb::to_string(a[i]);
}
std::string path_arg(Args a, size_t i) { return fs_path::normal(text_arg(a, i)); }
bool flag_arg(Args a, size_t i, bool def) { return vb::has_arg(a, i) ? vb::to_bool(a[i]) : def; }
int32_t long_or(Args a, size_t i, int32_t def) { return vb::has_arg(a, i) ? vb::to_long(a[i]) : def; }

// Tristate format of OpenTextFile: -1 Unicode, 0 ASCII, -2 the system default (ASCII).
bool unicode_format(int32_t f) {
  if (f == -1) return true;
  if (f == 0 || f == -2) return false;
  vb::raise(vb::err::kInvalidProcedureCall);
}

vb::Ref<TextStream> open_text(const std::string& path, int32_t mode, bool create, bool unicode) {
  if (mode != TextStream::ForReading && mode != TextStream::ForWriting && mode != TextStream::ForAppending)
    vb::raise(vb::err::kInvalidProcedureCall);
  if (is_folder(path)) fail(vb::err::kPermissionDenied);
  if (!is_file(path)) {
    if (mode == TextStream::ForReading || !create) fail(vb::err::kFileNotFound);
    std::string parent = fs_path::parent_folder_name(path);
    if (!parent.empty() && !is_folder(parent)) fail(vb::err::kPathNotFound);
  }
  return vb::make_ref<TextStream>(path, TextStream::Mode(mode), unicode);
}

vb::Ref<TextStream> create_text(const std::string& path, bool overwrite, bool unicode) {
  if (is_folder(path)) fail(vb::err::kPermissionDenied);
  if (!overwrite && is_file(path)) fail(vb::err::kFileAlreadyExists);
  std::string parent = fs_path::parent_folder_name(path);
  if (!parent.empty() && !is_folder(parent)) fail(vb::err::kPathNotFound);
  return vb::make_ref<TextStream>(path, TextStream::ForWriting, unicode);
}

void delete_file(const std::string& p, bool force) {
  if (!is_file(p)) fail(vb::err::kFileNotFound);
  if (!force && (attributes(p, false) & 1)) fail(vb::err::kPermissionDenied);
  std::error_code ec;
  fsys::remove(p, ec);
  if (ec) fail_code(ec, false);
}

void delete_folder(const std::string& p, bool) {
  if (!is_folder(p)) fail(vb::err::kPathNotFound);
  // The root folder is never deleted, as a drive's root cannot be.
  if (fs_path::absolute(p) == "/") fail(vb::err::kPermissionDenied);
  std::error_code ec;
  fsys::remove_all(p, ec);
  if (ec) fail_code(ec, true);
}

std::string renamed(const std::string& path, const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos) vb::raise(vb::err::kInvalidProcedureCall);
  std::string to = fs_path::build_path(fs_path::parent_folder_name(path), name);
  if (to != path && fsys::exists(to)) fail(vb::err::kFileAlreadyExists);
  std::error_code ec;
  fsys::rename(path, to, ec);
  if (ec) fail_code(ec, false);
  return to;
}

std::string type_text(const std::string& path) {
  std::string ext = vb::ascii_upper(fs_path::extension_name(path));
  return ext.empty() ? "File" : ext + " File";
}

}  // namespace

// --- paths ---

namespace fs_path {

std::string normal(std::string_view p) {
  std::string s(p);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

namespace {
std::string_view trimmed(std::string_view s) {
  while (s.size() > 1 && s.back() == '/') s.remove_suffix(1);
  return s;
}
}  // namespace

std::string file_name(std::string_view p) {
  std::string s = normal(p);
  std::string_view t = trimmed(s);
  if (t == "/") return {};
  size_t slash = t.rfind('/');
  return std::string(slash == std::string_view::npos ? t : t.substr(slash + 1));
}

std::string base_name(std::string_view p) {
  std::string n = file_name(p);
  size_t dot = n.rfind('.');
  return dot == std::string::npos ? n : n.substr(0, dot);
}

std::string extension_name(std::string_view p) {
  std::string n = file_name(p);
  size_t dot = n.rfind('.');
  return dot == std::string::npos ? std::string() : n.substr(dot + 1);
}

std::string parent_folder_name(std::string_view p) {
  std::string s = normal(p);
  std::string_view t = trimmed(s);
  if (t == "/") return {};
  size_t slash = t.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(trimmed(t.substr(0, slash)));
}

std::string build_path(std::string_view p, std::string_view name) {
  std::string a = normal(p), b = normal(name);
  if (a.empty()) return b;
  if (b.empty()) return a;
  if (a.back() == '/' || b.front() == '/') {
    if (a.back() == '/' && b.front() == '/') b.erase(0, 1);
    return a + b;
  }
  return a + "/" + b;
}

std::string absolute(std::string_view p) {
  std::string s = normal(p);
  std::error_code ec;
  fsys::path abs = fsys::absolute(s.empty() ? fsys::path(".") : fsys::path(s), ec);
  std::string out = abs.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace fs_path


// --- TextStream ---

TextStream::TextStream(const std::string& path, Mode mode, bool unicode) : mode_(mode), unicode_(unicode) {
  if (mode == ForReading) {
    text_ = decode(read_bytes(path), unicode);
    return;
  }
  bool had_content = false;
  if (mode == ForAppending) {
    std::error_code ec;
    had_content = fsys::exists(path, ec) && fsys::file_size(path, ec) > 0;
  }
  file_ = std::fopen(path.c_str(), mode == ForAppending ? "ab" : "wb");
  if (!file_) fail_errno(errno, false);
  if (unicode && !had_content) pending_ = "\xFF\xFE";
}

TextStream::~TextStream() {
  if (!file_) return;
  try {
    flush();
  } catch (const vb::VBError&) {
    // Nobody is left to tell: the script dropped the stream without closing it.
  }
  std::fclose(file_);
}

void TextStream::flush() {
  if (!file_ || pending_.empty()) return;
  size_t n = std::fwrite(pending_.data(), 1, pending_.size(), file_);
  bool ok = n == pending_.size();
  pending_.clear();
  if (!ok) fail(kPathFileAccess);
}

void TextStream::need_read() const {
  if (closed_) fail(kBadFileName);
  if (mode_ != ForReading) fail(kBadFileMode);
}

void TextStream::need_write() const {
  if (closed_) fail(kBadFileName);
  if (mode_ == ForReading) fail(kBadFileMode);
}

void TextStream::advance(std::string_view passed) {
  for (size_t i = 0; i < passed.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(passed[i]);
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++column_;
    }
  }
}

bool TextStream::AtEndOfStream() const {
  need_read();
  return pos_ >= text_.size();
}

bool TextStream::AtEndOfLine() const {
  need_read();
  return pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r';
}

std::string TextStream::ReadLine() {
  need_read();
  if (pos_ >= text_.size()) fail(kInputPastEnd);
  size_t e = text_.find_first_of("\r\n", pos_);
  std::string line = text_.substr(pos_, e == std::string::npos ? std::string::npos : e - pos_);
  size_t next = e == std::string::npos ? text_.size() : e + 1;
  if (e != std::string::npos && text_[e] == '\r' && next < text_.size() && text_[next] == '\n') ++next;
  pos_ = next;
  ++line_;
  column_ = 1;
  return line;
}

void TextStream::SkipLine() { ReadLine(); }

std::string TextStream::ReadAll() {
  need_read();
  if (pos_ >= text_.size()) fail(kInputPastEnd);
  std::string rest = text_.substr(pos_);
  advance(rest);
  pos_ = text_.size();
  return rest;
}

std::string TextStream::Read(int32_t characters) {
  need_read();
  if (characters < 0) vb::raise(vb::err::kInvalidProcedureCall);
  if (pos_ >= text_.size() && characters > 0) fail(kInputPastEnd);
  size_t e = pos_;
  for (int32_t i = 0; i < characters && e < text_.size(); ++i) vb::utf8_decode(text_, e);
  std::string out = text_.substr(pos_, e - pos_);
  advance(out);
  pos_ = e;
  return out;
}

void TextStream::Skip(int32_t characters) { Read(characters); }

void TextStream::Write(const std::string& text) {
  need_write();
  encode(text, unicode_, pending_);
  advance(text);
  if (pending_.size() >= 65536) flush();
}

void TextStream::WriteLine(const std::string& text) { Write(text + "\r\n"); }

void TextStream::WriteBlankLines(int32_t lines) {
  if (lines < 0) vb::raise(vb::err::kInvalidProcedureCall);
  std::string s;
  for (int32_t i = 0; i < lines; ++i) s += "\r\n";
  Write(s);
}

void TextStream::Close() {
  if (closed_) return;
  closed_ = true;
  if (file_) {
    flush();
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok) fail(kPathFileAccess);
  }
  text_.clear();
}

const vb::DispatchTable<TextStream>& TextStream::dispatch_table() {
  using T = TextStream;
  static const vb::DispatchTable<T> table = [] {
    vb::DispatchTable<T> t("TextStream");
    t.method("ReadLine", [](T& s, Args) { return Variant(s.ReadLine()); })
        .method("ReadAll", [](T& s, Args) { return Variant(s.ReadAll()); })
        .method("Read", [](T& s, Args a) { return Variant(s.Read(long_or(a, 0, 1))); })
        .method("Skip", [](T& s, Args a) {
          s.Skip(long_or(a, 0, 0));
          return Variant();
        })
        .method("SkipLine", [](T& s, Args) {
          s.SkipLine();
          return Variant();
        })
        .property("AtEndOfStream", [](T& s, Args) { return Variant(s.AtEndOfStream()); })
        .property("AtEndOfLine", [](T& s, Args) { return Variant(s.AtEndOfLine()); })
        .method("Write", [](T& s, Args a) {
          s.Write(text_arg(a, 0));
          return Variant();
        })
        .method("WriteLine", [](T& s, Args a) {
          s.WriteLine(vb::has_arg(a, 0) ? text_arg(a, 0) : std::string());
          return Variant();
        })
        .method("WriteBlankLines", [](T& s, Args a) {
          s.WriteBlankLines(long_or(a, 0, 0));
          return Variant();
        })
        .property("Line", [](T& s, Args) { return Variant(s.Line()); })
        .property("Column", [](T& s, Args) { return Variant(s.Column()); })
        .method("Close", [](T& s, Args) {
          s.Close();
          return Variant();
        });
    return t;
  }();
  return table;
}

// --- File and Folder ---

void FileItem::Rename(const std::string& name) { path_ = renamed(path_, name); }
void FolderItem::Rename(const std::string& name) { path_ = renamed(path_, name); }

void FileItem::MoveTo(const std::string& dest) {
  std::string d = fs_path::normal(dest);
  if (!d.empty() && d.back() == '/') d = fs_path::build_path(d, fs_path::file_name(path_));
  move_path(path_, d, false);
  path_ = fs_path::absolute(d);
}

void FolderItem::MoveTo(const std::string& dest) {
  std::string d = fs_path::normal(dest);
  if (!d.empty() && d.back() == '/') d = fs_path::build_path(d, fs_path::file_name(path_));
  move_path(path_, d, true);
  path_ = fs_path::absolute(d);
}

namespace {

template <class T>
void common_members(vb::DispatchTable<T>& t, bool folder) {
  t.property(
       "Name", [](T& f, Args) { return Variant(fs_path::file_name(f.Path())); },
       [](T& f, Args, const Variant& v) { f.Rename(vb::to_string(v)); })
      .property("Path", [](T& f, Args) { return Variant(f.Path()); })
      .property("ShortName", [](T& f, Args) { return Variant(fs_path::file_name(f.Path())); })
      .property("ShortPath", [](T& f, Args) { return Variant(f.Path()); })
      .property("ParentFolder", [](T& f, Args) {
        std::string p = fs_path::parent_folder_name(f.Path());
        if (p.empty()) return Variant::nothing();
        return Variant(vb::make_ref<FolderItem>(p));
      })
      .property("DateCreated", [folder](T& f, Args) {
        struct stat st = stat_of(f.Path(), folder);
        return Variant::date(ole_date(std::min(st.st_mtime, st.st_ctime)));
      })
      .property("DateLastModified", [folder](T& f, Args) {
        return Variant::date(ole_date(stat_of(f.Path(), folder).st_mtime));
      })
      .property("DateLastAccessed", [folder](T& f, Args) {
        return Variant::date(ole_date(stat_of(f.Path(), folder).st_atime));
      })
      .property(
          "Attributes", [folder](T& f, Args) { return Variant(attributes(f.Path(), folder)); },
          [](T& f, Args, const Variant& v) { set_attributes(f.Path(), vb::to_long(v)); })
      .method("Move", [](T& f, Args a) {
        f.MoveTo(text_arg(a, 0));
        return Variant();
      });
}

}  // namespace

const vb::DispatchTable<FileItem>& FileItem::dispatch_table() {
  using F = FileItem;
  static const vb::DispatchTable<F> table = [] {
    vb::DispatchTable<F> t("File");
    common_members(t, false);
    t.property("Size", [](F& f, Args) { return size_value(int64_t(stat_of(f.Path(), false).st_size)); })
        .property("Type", [](F& f, Args) { return Variant(type_text(f.Path())); })
        .method("Delete", [](F& f, Args a) {
          delete_file(f.Path(), flag_arg(a, 0, false));
          return Variant();
        })
        .method("Copy", [](F& f, Args a) {
          std::string d = path_arg(a, 0);
          if (!d.empty() && d.back() == '/') d = fs_path::build_path(d, fs_path::file_name(f.Path()));
          copy_file(f.Path(), d, flag_arg(a, 1, true));
          return Variant();
        })
        .method("OpenAsTextStream", [](F& f, Args a) {
          int32_t mode = long_or(a, 0, TextStream::ForReading);
          return Variant(open_text(f.Path(), mode, true, unicode_format(long_or(a, 1, 0))));
        });
    t.default_member("Path");
    return t;
  }();
  return table;
}

const vb::DispatchTable<FolderItem>& FolderItem::dispatch_table() {
  using F = FolderItem;
  static const vb::DispatchTable<F> table = [] {
    vb::DispatchTable<F> t("Folder");
    common_members(t, true);
    t.property("Size", [](F& f, Args) { return size_value(tree_size(f.Path())); })
        .property("Type", [](F&, Args) { return Variant("File folder"); })
        .property("IsRootFolder", [](F& f, Args) { return Variant(fs_path::absolute(f.Path()) == "/"); })
        .property("Files", [](F& f, Args a) { return lib::indexed(vb::make_ref<FileCollection>(f.Path(), false), a); })
        .property("SubFolders",
                  [](F& f, Args a) { return lib::indexed(vb::make_ref<FileCollection>(f.Path(), true), a); })
        .method("Delete", [](F& f, Args a) {
          delete_folder(f.Path(), flag_arg(a, 0, false));
          return Variant();
        })
        .method("Copy", [](F& f, Args a) {
          std::string d = path_arg(a, 0);
          if (!d.empty() && d.back() == '/') d = fs_path::build_path(d, fs_path::file_name(f.Path()));
          copy_folder(f.Path(), d, flag_arg(a, 1, true));
          return Variant();
        })
        .method("CreateTextFile", [](F& f, Args a) {
          return Variant(create_text(fs_path::build_path(f.Path(), path_arg(a, 0)), flag_arg(a, 1, true),
                                     flag_arg(a, 2, false)));
        });
    t.default_member("Path");
    return t;
  }();
  return table;
}

// --- Files and SubFolders ---

std::vector<std::string> FileCollection::names() const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fsys::directory_iterator(folder_, ec)) {
    std::error_code ec2;
    bool dir = e.is_directory(ec2);
    if (dir == folders_ && (dir || e.is_regular_file(ec2))) out.push_back(e.path().filename().string());
  }
  if (ec) fail_code(ec, true);
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
    int c = vb::icompare(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return out;
}

vb::Ref<vb::Enumerator> FileCollection::enumerate() {
  std::vector<Variant> items;
  for (const auto& n : names()) {
    std::string p = fs_path::build_path(folder_, n);
    if (folders_)
      items.emplace_back(vb::make_ref<FolderItem>(p));
    else
      items.emplace_back(vb::make_ref<FileItem>(p));
  }
  return vb::make_ref<vb::SnapshotEnumerator>(std::move(items));
}

const vb::DispatchTable<FileCollection>& FileCollection::dispatch_table() {
  using C = FileCollection;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("Files");
    t.property("Count", [](C& c, Args) { return Variant(int32_t(c.names().size())); })
        .property("Item",
                  [](C& c, Args a) {
                    std::string p = fs_path::build_path(c.folder(), text_arg(a, 0));
                    if (c.folders()) {
                      if (!is_folder(p)) fail(vb::err::kPathNotFound);
                      return Variant(vb::make_ref<FolderItem>(p));
                    }
                    if (!is_file(p)) fail(vb::err::kFileNotFound);
                    return Variant(vb::make_ref<FileItem>(p));
                  })
        .method("Add",
                [](C& c, Args a) {
                  if (!c.folders()) vb::raise(vb::err::kNotSupported);
                  std::string p = fs_path::build_path(c.folder(), text_arg(a, 0));
                  if (fsys::exists(p)) fail(vb::err::kFileAlreadyExists);
                  std::error_code ec;
                  fsys::create_directory(p, ec);
                  if (ec) fail_code(ec, true);
                  return Variant(vb::make_ref<FolderItem>(p));
                })
        .enumerator("_NewEnum", [](C& c, Args) { return Variant(vb::Ref<vb::Dispatch>(c.enumerate())); });
    t.default_member("Item");
    return t;
  }();
  return table;
}

// --- FileSystemObject ---

const vb::DispatchTable<FileSystemObject>& FileSystemObject::dispatch_table() {
  using F = FileSystemObject;
  static const vb::DispatchTable<F> table = [] {
    vb::DispatchTable<F> t("FileSystemObject");
    t.method("FileExists", [](F&, Args a) { return Variant(is_file(path_arg(a, 0))); })
        .method("FolderExists", [](F&, Args a) { return Variant(is_folder(path_arg(a, 0))); })
        .method("CreateFolder",
                [](F&, Args a) {
                  std::string p = path_arg(a, 0);
                  while (p.size() > 1 && p.back() == '/') p.pop_back();
                  std::error_code ec;
                  if (fsys::exists(p, ec)) fail(vb::err::kFileAlreadyExists);
                  std::string parent = fs_path::parent_folder_name(p);
                  if (!parent.empty() && !is_folder(parent)) fail(vb::err::kPathNotFound);
                  fsys::create_directory(p, ec);
                  if (ec) fail_code(ec, true);
                  return Variant(vb::make_ref<FolderItem>(p));
                })
        .method("DeleteFile",
                [](F&, Args a) {
                  auto items = expand(path_arg(a, 0), false);
                  if (items.empty()) fail(vb::err::kFileNotFound);
                  bool force = flag_arg(a, 1, false);
                  for (const auto& p : items) delete_file(p, force);
                  return Variant();
                })
        .method("DeleteFolder",
                [](F&, Args a) {
                  std::string target = path_arg(a, 0);
                  while (target.size() > 1 && target.back() == '/') target.pop_back();
                  auto items = expand(target, true);
                  if (items.empty()) fail(vb::err::kPathNotFound);
                  for (const auto& p : items) delete_folder(p, flag_arg(a, 1, false));
                  return Variant();
                })
        .method("CopyFile",
                [](F&, Args a) {
                  bool overwrite = flag_arg(a, 2, true);
                  for_each_transfer(text_arg(a, 0), text_arg(a, 1), false,
                                    [&](const std::string& s, const std::string& d) { copy_file(s, d, overwrite); });
                  return Variant();
                })
        .method("MoveFile",
                [](F&, Args a) {
                  for_each_transfer(text_arg(a, 0), text_arg(a, 1), false,
                                    [](const std::string& s, const std::string& d) { move_path(s, d, false); });
                  return Variant();
                })
        .method("CopyFolder",
                [](F&, Args a) {
                  bool overwrite = flag_arg(a, 2, true);
                  for_each_transfer(text_arg(a, 0), text_arg(a, 1), true, [&](const std::string& s, const std::string& d) {
                    copy_folder(s, d, overwrite);
                  });
                  return Variant();
                })
        .method("MoveFolder",
                [](F&, Args a) {
                  for_each_transfer(text_arg(a, 0), text_arg(a, 1), true,
                                    [](const std::string& s, const std::string& d) { move_path(s, d, true); });
                  return Variant();
                })
        .method("GetFile",
                [](F&, Args a) {
                  std::string p = path_arg(a, 0);
                  if (!is_file(p)) fail(vb::err::kFileNotFound);
                  return Variant(vb::make_ref<FileItem>(fs_path::absolute(p)));
                })
        .method("GetFolder",
                [](F&, Args a) {
                  std::string p = path_arg(a, 0);
                  if (!is_folder(p)) fail(vb::err::kPathNotFound);
                  return Variant(vb::make_ref<FolderItem>(fs_path::absolute(p)));
                })
        .method("GetSpecialFolder",
                [](F&, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  if (vb::to_long(a[0]) != 2) vb::raise(vb::err::kInvalidProcedureCall);
                  const char* tmp = std::getenv("TMPDIR");
                  return Variant(vb::make_ref<FolderItem>(fs_path::absolute(tmp && *tmp ? tmp : "/tmp")));
                })
        .method("GetFileName", [](F&, Args a) { return Variant(fs_path::file_name(text_arg(a, 0))); })
        .method("GetBaseName", [](F&, Args a) { return Variant(fs_path::base_name(text_arg(a, 0))); })
        .method("GetExtensionName", [](F&, Args a) { return Variant(fs_path::extension_name(text_arg(a, 0))); })
        .method("GetParentFolderName",
                [](F&, Args a) { return Variant(fs_path::parent_folder_name(text_arg(a, 0))); })
        .method("BuildPath", [](F&, Args a) { return Variant(fs_path::build_path(text_arg(a, 0), text_arg(a, 1))); })
        .method("GetAbsolutePathName", [](F&, Args a) { return Variant(fs_path::absolute(text_arg(a, 0))); })
        .method("GetTempName",
                [](F&, Args) {
                  static std::mt19937 gen{std::random_device{}()};
                  char buf[16];
                  std::snprintf(buf, sizeof buf, "rad%05X.tmp", unsigned(gen() & 0xFFFFF));
                  return Variant(std::string(buf));
                })
        .method("OpenTextFile",
                [](F&, Args a) {
                  return Variant(open_text(path_arg(a, 0), long_or(a, 1, TextStream::ForReading), flag_arg(a, 2, false),
                                           unicode_format(long_or(a, 3, 0))));
                })
        .method("CreateTextFile", [](F&, Args a) {
          return Variant(create_text(path_arg(a, 0), flag_arg(a, 1, true), flag_arg(a, 2, false)));
        });
    return t;
  }();
  return table;
}

}  // namespace tolvex::vbscript
