// The inputs of a generation run that none of its outputs may replace: the project file being
// generated, the template package and the extension packages, and every file of the working
// folder where the run's packages are unpacked and compiled. They are known by identity (device
// and inode), so that no spelling of a path gets past: letter case on a file system that ignores
// it, "." and ".." pieces, links to a folder above.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex {

class ProtectedInputs {
 public:
  // A file or a folder (with all it holds) that outputs may not replace; `what` names it in the
  // refusal ("the project file"). A path that does not exist (yet) is left out.
  void add_file(const std::string& path, std::string what);
  void add_folder(const std::string& path, std::string what);

  // What the output `target` (a file, or a folder that replaces the folder there) would replace:
  // "" when nothing protected, else the input and its path ("the project file \"/p/s.tvp\"").
  // Only an existing target replaces anything.
  std::string replaced_by(const std::string& target, bool folder) const;

  // While an object of this class lives on a thread, the outputs of the run on that thread are
  // checked against `inputs` (refuse_protected_output). Scopes do not nest: an inner one hides
  // the outer one while it lives.
  class Scope {
   public:
    explicit Scope(const ProtectedInputs& inputs);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    const ProtectedInputs* outer_;
  };

 private:
  struct Entry {
    dev_t dev;
    ino_t ino;
    bool folder;
    std::string path;  // as given, for the message
    std::string what;
  };
  void add(const std::string& path, std::string what, bool folder);
  // The protected folder that holds the folder `folder` (itself included), or null.
  const Entry* folder_holding(const std::string& folder) const;
  std::vector<Entry> entries_;
  mutable std::map<std::string, const Entry*> holding_;  // folder_holding's answers so far
};

// With a ProtectedInputs scope on this thread: when writing `target` (a file, or with `folder` a
// folder that takes the place of the one there) would replace a protected input, sets AGP.ProjErr
// to a message that names the output and the input and raises the generation error. Without a
// scope it does nothing.
void refuse_protected_output(const std::string& target, bool folder);

}  // namespace tolvex
