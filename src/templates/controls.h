// The control file of a template package in memory: AGPControls (the file: its product
// attributes and the ordered list of outputs), AGPControl (one output), AGPSessions (the
// ordered template sessions of one control) and AGPSession (one session).
//
// These are plain records: nothing is validated when a value is set, and the file is never
// written back. Control ids and session values are matched exactly (letter case counts).
// Each collection owns its items; Item hands out the stored object itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml.h"
#include "vb/dispatch.h"

namespace tolvex {

// Values of the module-wide ControlFileStatus after a failed AGPControls::LoadControls.
inline constexpr int16_t kControlFileNotLoaded = 1;   // not a readable XML document
inline constexpr int16_t kControlFileBadRoot = 2;     // the root element's name is refused

class AGPSession : public vb::AutoDispatch<AGPSession> {
 public:
  static const vb::DispatchTable<AGPSession>& dispatch_table();

  std::string SessType;      // "key" or "include"
  std::string SessValue;     // the session's name: its key within the control
  std::string SessParm;      // parameter of an "include" session
  std::string SessIFile;     // template file holding the session ("" = the control's own)
  std::string SessCond;      // condition; empty holds
  std::string SessExt;       // extension that contributed the session
  std::string SessAction;    // merge action of an extension session
  std::string SessLocation;  // SessValue of the session next to which an added one goes
  std::string SessLocType;   // "after", else before

  // Fills the session from a "session" element: every field back to "" first, then the
  // attributes (names in any letter case, values as they stand).
  void Load(const platform::XmlNode& session_element);
};

class AGPSessions : public vb::AutoDispatch<AGPSessions> {
 public:
  static const vb::DispatchTable<AGPSessions>& dispatch_table();

  // Appends one session for each "session" child of a control element.
  void Load(const platform::XmlNode& control_element);
  // Inserts a copy of `session` before the first session whose SessValue is `loc` (after it
  // when `loctype` is exactly "after"); at the end when none matches. False, and nothing
  // added, when a session with the same SessValue exists.
  bool AddSession(const AGPSession& session, std::string_view loc, std::string_view loctype);
  // Updates the first session whose SessValue is `value`: SessIFile and SessCond when the new
  // ones are not empty, SessExt and SessAction always. False when none matches.
  bool ChangeSession(std::string_view value, const AGPSession& session);
  // Removes the first session whose SessValue is `value`; the later ones move up.
  bool DeleteSession(std::string_view value);
  bool SessionExist(std::string_view value) const;
  int32_t Count() const noexcept { return int32_t(items_.size()); }
  // The session at 1-based position `index`; null outside 1..Count.
  vb::Ref<AGPSession> Item(int64_t index) const;

  const std::vector<vb::Ref<AGPSession>>& items() const noexcept { return items_; }

 private:
  std::vector<vb::Ref<AGPSession>> items_;
};

class AGPControl : public vb::AutoDispatch<AGPControl> {
 public:
  static const vb::DispatchTable<AGPControl>& dispatch_table();

  // The control's sessions, created on first use.
  AGPSessions& Sessions();
  vb::Ref<AGPSessions> SessionsRef();

  std::string CtrlID;           // key of the control
  std::string CtrlType;         // "table", "report", "field", "folder", "copy", "other", "simple", "function"
  std::string CtrlOFile;        // output file base name
  std::string CtrlOFileCompat;  // output base name when the project setting AppCompat is on
  std::string CtrlOExt;         // output extension
  std::string CtrlOFolder;      // output folder (a "folder" control: the folder it makes)
  std::string CtrlOFolderID;    // CtrlID of the "folder" control that receives the output
  std::string CtrlIFiles;       // template file names, comma separated
  std::string CtrlIFolder;      // template folder, see normalize_template_folder
  std::string CtrlCond;         // condition; empty holds
  std::string CtrlTagExt;       // suffix of the compiled function's and the output's name
  std::string CtrlParm;         // free parameter for the scripts
  bool CtrlSpace = true;        // post-process the output line by line
  bool CtrlGen = false;         // the compiled template must be rebuilt (set by the change check)
  std::string CtrlExt;          // extension that contributed the control
  std::string CtrlAction;       // merge action of an extension control
  bool CtrlOverwrite = true;    // an existing output file may be replaced

  // Fills the control from a "control" element: start values first, then the attributes,
  // then the sessions. A "space" or "overwrite" value that is no Boolean raises error 13.
  void Load(const platform::XmlNode& control_element);

 private:
  friend class AGPControls;
  vb::Ref<AGPSessions> sessions_;
};

class AGPControls : public vb::AutoDispatch<AGPControls> {
 public:
  static const vb::DispatchTable<AGPControls>& dispatch_table();

  // The position of the last successful Item, 0 before any.
  int32_t curIndex() const noexcept { return cur_index_; }
  const std::string& ProdDate() const noexcept { return prod_date_; }
  const std::string& ProdVersion() const noexcept { return prod_version_; }
  const std::string& ProdDesc() const noexcept { return prod_desc_; }
  const std::string& ProdAuthor() const noexcept { return prod_author_; }

  // Loads a control file. On failure sets the module-wide ControlFileStatus and returns False:
  // a file that does not load as XML leaves the list as it was; a refused root empties it.
  bool LoadControls(std::string_view file);
  // Appends a copy of `ctrl` with copies of its sessions (each marked with ctrl's CtrlExt, on
  // the caller's session too). False when a control with the same CtrlID exists.
  bool AddControl(const AGPControl& ctrl);
  bool DeleteControl(std::string_view id);
  bool ControlExist(std::string_view id) const;
  int32_t Count() const noexcept { return int32_t(items_.size()); }
  // A number 1..Count (rounded half to even) or a CtrlID; null otherwise. A hit becomes the
  // current index.
  vb::Ref<AGPControl> Item(const vb::Variant& index);

  const std::vector<vb::Ref<AGPControl>>& items() const noexcept { return items_; }

 private:
  std::vector<vb::Ref<AGPControl>> items_;
  int32_t cur_index_ = 0;
  std::string prod_date_, prod_version_, prod_desc_, prod_author_;
};

// A template folder as controls keep it: "\" read as "/", relative (leading separators
// dropped), and a "/" at the end; a value naming no folder ("", "/", "\") gives "".
std::string normalize_template_folder(std::string_view folder);

// True when a control file's root element name is accepted: its first characters equal the
// product key without "/" and blanks, ignoring letter case.
bool is_control_root_name(std::string_view local_name);

}  // namespace tolvex
