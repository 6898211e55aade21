// Scripting.FileSystemObject and its File, Folder, collection and TextStream objects.
// Paths accept "\" as well as "/"; the objects report "/" paths.
#pragma once

#include <cstdio>
#include <string>

#include "vb/dispatch.h"

namespace tolvex::vbscript {

class TextStream : public vb::AutoDispatch<TextStream> {
 public:
  enum Mode { ForReading = 1, ForWriting = 2, ForAppending = 8 };
  // Opens `path`; `unicode` selects UTF-16LE (with a byte-order mark) over the ANSI code page.
  TextStream(const std::string& path, Mode mode, bool unicode);
  ~TextStream() override;
  static const vb::DispatchTable<TextStream>& dispatch_table();

  std::string ReadLine();
  std::string ReadAll();
  std::string Read(int32_t characters);
  void Skip(int32_t characters);
  void SkipLine();
  bool AtEndOfStream() const;
  bool AtEndOfLine() const;
  void Write(const std::string& text);
  void WriteLine(const std::string& text);
  void WriteBlankLines(int32_t lines);
  int32_t Line() const { return line_; }
  int32_t Column() const { return column_; }
  void Close();

 private:
  void need_read() const;
  void need_write() const;
  void advance(std::string_view passed);
  void flush();

  Mode mode_;
  bool unicode_;
  bool closed_ = false;
  std::string text_;  // read mode: the whole file as UTF-8
  size_t pos_ = 0;
  std::FILE* file_ = nullptr;  // write mode
  std::string pending_;        // encoded bytes not yet written
  int32_t line_ = 1, column_ = 1;
};

class FileItem : public vb::AutoDispatch<FileItem> {
 public:
  explicit FileItem(std::string path) : path_(std::move(path)) {}
  static const vb::DispatchTable<FileItem>& dispatch_table();
  const std::string& Path() const { return path_; }
  void Rename(const std::string& name);
  void MoveTo(const std::string& dest);

 private:
  std::string path_;
};

class FolderItem : public vb::AutoDispatch<FolderItem> {
 public:
  explicit FolderItem(std::string path) : path_(std::move(path)) {}
  static const vb::DispatchTable<FolderItem>& dispatch_table();
  const std::string& Path() const { return path_; }
  void Rename(const std::string& name);
  void MoveTo(const std::string& dest);

 private:
  std::string path_;
};

// The Files or SubFolders of a folder, listed when asked.
class FileCollection : public vb::AutoDispatch<FileCollection> {
 public:
  FileCollection(std::string folder, bool folders) : folder_(std::move(folder)), folders_(folders) {}
  static const vb::DispatchTable<FileCollection>& dispatch_table();
  std::string type_name() const override { return folders_ ? "Folders" : "Files"; }
  std::vector<std::string> names() const;
  const std::string& folder() const { return folder_; }
  bool folders() const { return folders_; }
  vb::Ref<vb::Enumerator> enumerate() override;

 private:
  std::string folder_;
  bool folders_;
};

class FileSystemObject : public vb::AutoDispatch<FileSystemObject> {
 public:
  static const vb::DispatchTable<FileSystemObject>& dispatch_table();
};

namespace fs_path {
// "\" to "/".
std::string normal(std::string_view p);
std::string file_name(std::string_view p);
std::string base_name(std::string_view p);
std::string extension_name(std::string_view p);
std::string parent_folder_name(std::string_view p);
std::string build_path(std::string_view p, std::string_view name);
std::string absolute(std::string_view p);
}  // namespace fs_path

}  // namespace tolvex::vbscript
