#include "templates/controls.h"


#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

using vb::Args;
using vb::Ref;
using vb::Variant;

namespace {

// A Boolean attribute as the standard text conversion reads it ("true"/"false" in any
// case, or a number); anything else raises error 13 to the caller.
bool attribute_flag(const std::string& text) { return vb::to_bool(Variant(text)); }

template <class T>
void text_field(vb::DispatchTable<T>& t, const char* name, std::string T::*field) {
  t.property(
      name, [field](T& o, Args) { return Variant(o.*field); },
      [field](T& o, Args, const Variant& v) { o.*field = vb::to_string(v); });
}

template <class T>
void flag_field(vb::DispatchTable<T>& t, const char* name, bool T::*field) {
  t.property(
      name, [field](T& o, Args) { return Variant(o.*field); },
      [field](T& o, Args, const Variant& v) { o.*field = vb::to_bool(v); });
}

// Positions are kept in 32 bits; a script sees an Integer as long as the value fits one.
Variant index_value(int64_t v) {
  if (v >= INT16_MIN && v <= INT16_MAX) return Variant(int16_t(v));
  return Variant(int32_t(v));
}

template <class T>
Ref<T> object_arg(const Variant& v) {
  if (v.is_nothing()) vb::raise(vb::err::kObjectVariableNotSet);
  Ref<T> obj = vb::ref_cast<T>(v.object_or_null());
  if (!obj) vb::raise(vb::err::kTypeMismatch);
  return obj;
}

[[noreturn]] void raise_needs_element() {
  vb::raise(vb::err::kTypeMismatch, "An XML element is required");
}

}  // namespace

// ---------------------------------------------------------------------------------------
// AGPSession

void AGPSession::Load(const platform::XmlNode& e) {
  SessType.clear();
  SessValue.clear();
  SessParm.clear();
  SessIFile.clear();
  SessCond.clear();
  SessExt.clear();
  SessAction.clear();
  SessLocation.clear();
  SessLocType.clear();
  for (platform::XmlAttribute& a : e.attributes()) {
    const std::string name = vb::utf8_lower(a.name);
    if (name == "type") SessType = std::move(a.value);
    else if (name == "value") SessValue = std::move(a.value);
    else if (name == "parm") SessParm = std::move(a.value);
    else if (name == "ifile") SessIFile = std::move(a.value);
    else if (name == "cond") SessCond = std::move(a.value);
    else if (name == "extension") SessExt = std::move(a.value);
    else if (name == "action") SessAction = std::move(a.value);
    else if (name == "location") SessLocation = std::move(a.value);
    else if (name == "loctype") SessLocType = std::move(a.value);
  }
}

const vb::DispatchTable<AGPSession>& AGPSession::dispatch_table() {
  using S = AGPSession;
  static const vb::DispatchTable<S> table = [] {
    vb::DispatchTable<S> t("AGPSession");
    text_field(t, "SessType", &S::SessType);
    text_field(t, "SessValue", &S::SessValue);
    text_field(t, "SessParm", &S::SessParm);
    text_field(t, "SessIFile", &S::SessIFile);
    text_field(t, "SessCond", &S::SessCond);
    text_field(t, "SessExt", &S::SessExt);
    text_field(t, "SessAction", &S::SessAction);
    text_field(t, "SessLocation", &S::SessLocation);
    text_field(t, "SessLocType", &S::SessLocType);
    t.method("Load", [](S&, Args) -> Variant { raise_needs_element(); });
    return t;
  }();
  return table;
}

// ---------------------------------------------------------------------------------------
// AGPSessions

void AGPSessions::Load(const platform::XmlNode& control_element) {
  for (const platform::XmlNode& child : control_element.children()) {
    if (!is_element_named(child, "session")) continue;
    auto s = vb::make_ref<AGPSession>();
    s->Load(child);
    items_.push_back(std::move(s));
  }
}

bool AGPSessions::SessionExist(std::string_view value) const {
  for (const auto& s : items_)
    if (s->SessValue == value) return true;
  return false;
}

bool AGPSessions::AddSession(const AGPSession& session, std::string_view loc, std::string_view loctype) {
  if (SessionExist(session.SessValue)) return false;
  size_t p = items_.size();
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->SessValue == loc) {
      p = loctype == "after" ? i + 1 : i;
      break;
    }
  }
  auto s = vb::make_ref<AGPSession>();
  s->SessType = session.SessType;
  s->SessValue = session.SessValue;
  // An include session's parameter is part of what it inserts: it travels with the copy.
  s->SessParm = session.SessParm;
  s->SessIFile = session.SessIFile;
  s->SessCond = session.SessCond;
  s->SessExt = session.SessExt;
  s->SessAction = session.SessAction;
  items_.insert(items_.begin() + std::ptrdiff_t(p), std::move(s));
  return true;
}

bool AGPSessions::ChangeSession(std::string_view value, const AGPSession& session) {
  for (const auto& s : items_) {
    if (s->SessValue != value) continue;
    if (!session.SessIFile.empty()) s->SessIFile = session.SessIFile;
    if (!session.SessCond.empty()) s->SessCond = session.SessCond;
    s->SessExt = session.SessExt;
    s->SessAction = session.SessAction;
    return true;
  }
  return false;
}

bool AGPSessions::DeleteSession(std::string_view value) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if ((*it)->SessValue == value) {
      items_.erase(it);
      return true;
    }
  }
  return false;
}

Ref<AGPSession> AGPSessions::Item(int64_t index) const {
  if (index < 1 || index > int64_t(items_.size())) return nullptr;
  return items_[size_t(index - 1)];
}

const vb::DispatchTable<AGPSessions>& AGPSessions::dispatch_table() {
  using S = AGPSessions;
  static const vb::DispatchTable<S> table = [] {
    vb::DispatchTable<S> t("AGPSessions");
    t.method("Load", [](S&, Args) -> Variant { raise_needs_element(); })
        .method("AddSession",
                [](S& s, Args a) {
                  vb::check_arg_count(a, 3, 3);
                  return Variant(s.AddSession(*object_arg<AGPSession>(a[0]), vb::to_string(a[1]), vb::to_string(a[2])));
                })
        .method("ChangeSession",
                [](S& s, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(s.ChangeSession(vb::to_string(a[0]), *object_arg<AGPSession>(a[1])));
                })
        .method("DeleteSession",
                [](S& s, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(s.DeleteSession(vb::to_string(a[0])));
                })
        .method("SessionExist",
                [](S& s, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(s.SessionExist(vb::to_string(a[0])));
                })
        .method("Count",
                [](S& s, Args a) {
                  vb::check_arg_count(a, 0, 0);
                  return Variant(s.Count());
                })
        .method("Item", [](S& s, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(s.Item(vb::to_long(a[0])));
        });
    t.default_member("Item");
    return t;
  }();
  return table;
}

// ---------------------------------------------------------------------------------------
// AGPControl

AGPSessions& AGPControl::Sessions() { return *SessionsRef(); }

Ref<AGPSessions> AGPControl::SessionsRef() {
  if (!sessions_) sessions_ = vb::make_ref<AGPSessions>();
  return sessions_;
}

void AGPControl::Load(const platform::XmlNode& e) {
  CtrlID.clear();
  CtrlType.clear();
  CtrlOFile.clear();
  CtrlOFileCompat.clear();
  CtrlOExt.clear();
  CtrlOFolder.clear();
  CtrlOFolderID.clear();
  CtrlIFiles.clear();
  CtrlIFolder.clear();
  CtrlCond.clear();
  CtrlTagExt.clear();
  CtrlParm.clear();
  CtrlSpace = true;
  CtrlGen = false;
  CtrlExt.clear();
  CtrlAction.clear();
  CtrlOverwrite = true;
  sessions_.reset();  // a control loaded again does not keep the sessions of the first load
  for (platform::XmlAttribute& a : e.attributes()) {
    const std::string name = vb::utf8_lower(a.name);
    if (name == "id") CtrlID = std::move(a.value);
    else if (name == "type") CtrlType = std::move(a.value);
    else if (name == "ifiles") CtrlIFiles = std::move(a.value);
    else if (name == "ifolder") CtrlIFolder = normalize_template_folder(a.value);
    else if (name == "ofile") CtrlOFile = std::move(a.value);
    else if (name == "ofilecompat") CtrlOFileCompat = std::move(a.value);
    else if (name == "oext") CtrlOExt = std::move(a.value);
    else if (name == "ofolder") CtrlOFolder = std::move(a.value);
    else if (name == "ofolderid") CtrlOFolderID = std::move(a.value);
    else if (name == "cond") CtrlCond = std::move(a.value);
    else if (name == "tagext") CtrlTagExt = std::move(a.value);
    else if (name == "parm") CtrlParm = std::move(a.value);
    else if (name == "space") CtrlSpace = attribute_flag(a.value);
    else if (name == "extension") CtrlExt = std::move(a.value);
    else if (name == "action") CtrlAction = std::move(a.value);
    else if (name == "overwrite") CtrlOverwrite = attribute_flag(a.value);
  }
  Sessions().Load(e);
}

const vb::DispatchTable<AGPControl>& AGPControl::dispatch_table() {
  using C = AGPControl;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("AGPControl");
    t.property("Sessions", [](C& c, Args) { return Variant(c.SessionsRef()); });
    text_field(t, "CtrlID", &C::CtrlID);
    text_field(t, "CtrlType", &C::CtrlType);
    text_field(t, "CtrlOFile", &C::CtrlOFile);
    text_field(t, "CtrlOFileCompat", &C::CtrlOFileCompat);
    text_field(t, "CtrlOExt", &C::CtrlOExt);
    text_field(t, "CtrlOFolder", &C::CtrlOFolder);
    text_field(t, "CtrlOFolderID", &C::CtrlOFolderID);
    text_field(t, "CtrlIFiles", &C::CtrlIFiles);
    text_field(t, "CtrlIFolder", &C::CtrlIFolder);
    text_field(t, "CtrlCond", &C::CtrlCond);
    text_field(t, "CtrlTagExt", &C::CtrlTagExt);
    text_field(t, "CtrlParm", &C::CtrlParm);
    flag_field(t, "CtrlSpace", &C::CtrlSpace);
    flag_field(t, "CtrlGen", &C::CtrlGen);
    text_field(t, "CtrlExt", &C::CtrlExt);
    text_field(t, "CtrlAction", &C::CtrlAction);
    flag_field(t, "CtrlOverwrite", &C::CtrlOverwrite);
    t.method("Load", [](C&, Args) -> Variant { raise_needs_element(); });
    return t;
  }();
  return table;
}

// ---------------------------------------------------------------------------------------
// AGPControls

std::string normalize_template_folder(std::string_view folder) {
  std::string out(folder);
  for (char& c : out)
    if (c == '\\') c = '/';
  // Relative to the package: no leading separator survives (one would make the folder absolute).
  const size_t first = out.find_first_not_of('/');
  out.erase(0, first == std::string::npos ? out.size() : first);
  if (out.empty()) return out;
  if (out.back() != '/') out.push_back('/');
  return out;
}

bool is_control_root_name(std::string_view local_name) {
  const std::string expected = common::CompactName(context().ProductKey);
  const size_t n = vb::utf8_length(expected);
  const std::string_view head = local_name.substr(0, vb::utf8_offset(local_name, n));
  return same_text_nocase(head, expected);
}

bool AGPControls::LoadControls(std::string_view file) {
  ModuleContext& ctx = context();
  const auto doc = load_package_xml(file);
  if (!doc) {
    ctx.ControlFileStatus = kControlFileNotLoaded;
    return false;
  }
  items_.clear();
  const platform::XmlNode root = doc->root();
  if (!is_control_root_name(root.local_name())) {
    ctx.ControlFileStatus = kControlFileBadRoot;
    return false;
  }
  // A missing product attribute reads as empty.
  prod_date_ = root.attribute("date").value_or(std::string());
  prod_version_ = root.attribute("version").value_or(std::string());
  prod_desc_ = root.attribute("desc").value_or(std::string());
  prod_author_ = root.attribute("author").value_or(std::string());
  // Filled aside: a control whose switch is no Boolean ends the load with an empty list
  // rather than a list cut off in the middle.
  std::vector<Ref<AGPControl>> loaded;
  for (const platform::XmlNode& child : root.children()) {
    if (!is_element_named(child, "control")) continue;
    auto c = vb::make_ref<AGPControl>();
    c->Load(child);
    loaded.push_back(std::move(c));
  }
  items_ = std::move(loaded);
  return true;
}

bool AGPControls::ControlExist(std::string_view id) const {
  for (const auto& c : items_)
    if (c->CtrlID == id) return true;
  return false;
}

bool AGPControls::AddControl(const AGPControl& ctrl) {
  if (ControlExist(ctrl.CtrlID)) return false;
  auto c = vb::make_ref<AGPControl>();
  c->CtrlID = ctrl.CtrlID;
  c->CtrlType = ctrl.CtrlType;
  c->CtrlIFiles = ctrl.CtrlIFiles;
  c->CtrlIFolder = ctrl.CtrlIFolder;
  c->CtrlOFile = ctrl.CtrlOFile;
  c->CtrlOFileCompat = ctrl.CtrlOFileCompat;
  c->CtrlOExt = ctrl.CtrlOExt;
  c->CtrlOFolder = ctrl.CtrlOFolder;
  c->CtrlOFolderID = ctrl.CtrlOFolderID;
  c->CtrlCond = ctrl.CtrlCond;
  c->CtrlTagExt = ctrl.CtrlTagExt;
  c->CtrlParm = ctrl.CtrlParm;
  c->CtrlSpace = ctrl.CtrlSpace;
  c->CtrlExt = ctrl.CtrlExt;
  c->CtrlAction = ctrl.CtrlAction;
  c->CtrlOverwrite = ctrl.CtrlOverwrite;
  if (ctrl.sessions_) {
    // A snapshot: marking the caller's sessions must not disturb the walk.
    const std::vector<Ref<AGPSession>> sessions = ctrl.sessions_->items();
    for (const auto& s : sessions) {
      s->SessExt = ctrl.CtrlExt;
      c->Sessions().AddSession(*s, "", "");
    }
  }
  items_.push_back(std::move(c));
  return true;
}

bool AGPControls::DeleteControl(std::string_view id) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if ((*it)->CtrlID == id) {
      items_.erase(it);
      return true;
    }
  }
  return false;
}

Ref<AGPControl> AGPControls::Item(const Variant& index) {
  switch (index.type()) {
    case vb::VarType::Integer:
    case vb::VarType::Long:
    case vb::VarType::Single:
    case vb::VarType::Double:
    case vb::VarType::Byte: {
      const double d = vb::round_half_even(vb::to_double(index));
      if (!(d >= 1 && d <= double(items_.size()))) return nullptr;
      cur_index_ = int32_t(d);
      return items_[size_t(d) - 1];
    }
    case vb::VarType::String:
      for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->CtrlID == index.raw_string()) {
          cur_index_ = int32_t(i + 1);
          return items_[i];
        }
      }
      return nullptr;
    default:
      return nullptr;
  }
}

const vb::DispatchTable<AGPControls>& AGPControls::dispatch_table() {
  using C = AGPControls;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("AGPControls");
    t.property("curIndex", [](C& c, Args) { return index_value(c.curIndex()); })
        .property("ProdDate", [](C& c, Args) { return Variant(c.ProdDate()); })
        .property("ProdVersion", [](C& c, Args) { return Variant(c.ProdVersion()); })
        .property("ProdDesc", [](C& c, Args) { return Variant(c.ProdDesc()); })
        .property("ProdAuthor", [](C& c, Args) { return Variant(c.ProdAuthor()); })
        .method("LoadControls",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.LoadControls(vb::to_string(a[0])));
                })
        .method("AddControl",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.AddControl(*object_arg<AGPControl>(a[0])));
                })
        .method("DeleteControl",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.DeleteControl(vb::to_string(a[0])));
                })
        .method("ControlExist",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.ControlExist(vb::to_string(a[0])));
                })
        .method("Count",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 0, 0);
                  return Variant(c.Count());
                })
        .method("Item", [](C& c, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(c.Item(a[0]));
        });
    t.default_member("Item");
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPSession);
TOLVEX_REGISTER_CLASS(AGPSessions);
TOLVEX_REGISTER_CLASS(AGPControl);
TOLVEX_REGISTER_CLASS(AGPControls);

}  // namespace tolvex
