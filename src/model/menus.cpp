#include "model/menus.h"

#include <exception>
#include <utility>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/folders.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPMenu);
TOLVEX_REGISTER_CLASS(AGPMenus);

namespace {

// Runs one conversion step; a value that does not convert leaves the field alone.
template <class F>
void ignoring_errors(F&& f) {
  try {
    f();
  } catch (const vb::VBError&) {
  }
}

}  // namespace

void AGPMenu::Load(const platform::XmlNode& xmlControl) {
  id_ = 0;
  parent_ = -1;
  custom_ = false;
  show_ = false;
  for (const platform::XmlAttribute& a : xmlControl.attributes()) {
    const std::string name = vb::ascii_lower(a.name);
    const vb::Variant value(a.value);
    ignoring_errors([&] {
      if (name == "menuid") id_ = vb::to_long(value);
      else if (name == "menutext") text_ = a.value;
      else if (name == "menuparentid") parent_ = vb::to_long(value);
      else if (name == "menuurl") url_ = a.value;
      else if (name == "menucustomurl") custom_ = vb::to_bool(value);
      else if (name == "menulevel") level_ = vb::to_long(value);
      else if (name == "menushow") show_ = vb::to_bool(value);
      else if (name == "menudisplayorder") order_ = vb::to_long(value);
    });
  }
}

bool AGPMenus::LoadMenus(const vb::Variant& file) {
  ModuleContext& ctx = context();
  platform::XmlNode root;
  try {
    auto doc = platform::XmlDocument::parse_file(platform::normalize_separators(vb::to_string(file)));
    root = doc.root();
  } catch (const platform::XmlEntityError& e) {
    ctx.ProjErr = ctx.ProductTitle + ": Load project file failed! " + e.what();
    return false;
  } catch (const std::exception&) {
    ctx.ProjErr = ctx.ProductTitle + ": Load project file failed!";
    return false;
  }
  return LoadMenus(root);
}

bool AGPMenus::LoadMenus(const platform::XmlNode& root) {
  ModuleContext& ctx = context();
  items_.clear();
  if (vb::ascii_lower(root.local_name()) != "project") {
    ctx.ProjErr = ctx.ProductTitle + ": Project file is invalid!";
    return false;
  }
  for (const platform::XmlNode& child : root.child_elements()) {
    if (vb::ascii_lower(child.name()) != "menu") continue;
    auto entry = vb::make_ref<AGPMenu>();
    entry->Load(child);
    if (entry->MenuId() > max_id_) max_id_ = entry->MenuId();
    items_.push_back(std::move(entry));
  }
  return true;
}

bool AGPMenus::AddMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentID, const std::string& MenuUrl,
                       bool MenuCustomUrl, int32_t MenuLevel, bool MenuShow, int32_t MenuDisplayOrder) {
  if (!MenuCustomUrl && (MenuUrl.empty() || MenuHasTable(MenuUrl))) return false;
  int32_t id;
  if (MenuId > -1 && !MenuHasID(MenuId)) {
    id = MenuId;
    if (max_id_ < MenuId) max_id_ = MenuId;
  } else {
    if (max_id_ == INT32_MAX) return false;  // no identifier left to give
    id = ++max_id_;
  }
  auto entry = vb::make_ref<AGPMenu>();
  entry->MenuId(id);
  entry->MenuText(MenuText);
  entry->MenuParentID(MenuParentID);
  entry->MenuUrl(MenuUrl);
  entry->MenuCustomUrl(MenuCustomUrl);
  entry->MenuLevel(MenuLevel);
  entry->MenuShow(MenuShow);
  entry->MenuDisplayOrder(MenuDisplayOrder);
  items_.push_back(std::move(entry));
  return true;
}

bool AGPMenus::ChangeMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentID,
                          const std::string& MenuUrl, bool MenuCustomUrl, int32_t MenuLevel, bool MenuShow,
                          int32_t MenuDisplayOrder) {
  if (!MenuCustomUrl) {
    if (MenuUrl.empty()) return false;
    for (const auto& m : items_)
      if (m->MenuUrl() == MenuUrl && m->MenuId() != MenuId && !m->MenuCustomUrl()) return false;
  }
  vb::Ref<AGPMenu> entry = GetItemByID(MenuId);
  if (!entry) return false;
  entry->MenuText(MenuText);
  entry->MenuParentID(MenuParentID);
  entry->MenuUrl(MenuUrl);
  entry->MenuCustomUrl(MenuCustomUrl);
  entry->MenuLevel(MenuLevel);
  entry->MenuShow(MenuShow);
  entry->MenuDisplayOrder(MenuDisplayOrder);
  return true;
}

bool AGPMenus::DeleteMenu(int32_t Id) {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->MenuId() != Id) continue;
    items_.erase(items_.begin() + std::ptrdiff_t(i));
    max_id_ = 0;
    for (const auto& m : items_) {
      if (m->MenuId() > max_id_) max_id_ = m->MenuId();
      if (m->MenuParentID() == Id) m->MenuParentID(-1);
    }
    return true;
  }
  return false;
}

void AGPMenus::Sort() {
  const size_t n = items_.size();
  // By parent, then by display order (exchange sort: the exchanges fix the result).
  for (size_t i = 0; i + 1 < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      const AGPMenu& a = *items_[i];
      const AGPMenu& b = *items_[j];
      if (a.MenuParentID() > b.MenuParentID() ||
          (a.MenuParentID() == b.MenuParentID() && a.MenuDisplayOrder() > b.MenuDisplayOrder()))
        std::swap(items_[i], items_[j]);
    }
  }
  // Children directly behind their parent, in their order so far.
  for (size_t i = 0; i + 1 < n; ++i) {
    size_t p = i;
    const int32_t parent_id = items_[i]->MenuId();
    for (size_t j = i + 1; j < n; ++j) {
      if (items_[j]->MenuParentID() != parent_id) continue;
      ++p;
      if (p == j) continue;
      vb::Ref<AGPMenu> moving = std::move(items_[j]);
      for (size_t k = j; k > p; --k) items_[k] = std::move(items_[k - 1]);
      items_[p] = std::move(moving);
    }
  }
}

bool AGPMenus::MenuHasID(int32_t Id) const {
  for (const auto& m : items_)
    if (m->MenuId() == Id) return true;
  return false;
}

vb::Ref<AGPMenu> AGPMenus::GetItemByID(int32_t Id) {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->MenuId() == Id) {
      cur_index_ = int32_t(i + 1);
      return items_[i];
    }
  }
  return nullptr;
}

bool AGPMenus::MenuHasTable(const std::string& Name) const {
  for (const auto& m : items_)
    if (!m->MenuCustomUrl() && m->MenuUrl() == Name) return true;
  return false;
}

vb::Ref<AGPMenu> AGPMenus::GetItemByTableName(const std::string& Name) {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!items_[i]->MenuCustomUrl() && items_[i]->MenuUrl() == Name) {
      cur_index_ = int32_t(i + 1);
      return items_[i];
    }
  }
  return nullptr;
}

vb::Ref<AGPMenu> AGPMenus::Item(int32_t Id) {
  if (Id < 1 || size_t(Id) > items_.size()) return nullptr;
  cur_index_ = Id;
  return items_[size_t(Id) - 1];
}

vb::Ref<AGPMenus> menu_list() {
  ModuleContext& ctx = context();
  auto list = vb::ref_cast<AGPMenus>(ctx.MenuList);
  if (!list) {
    list = vb::make_ref<AGPMenus>();
    ctx.MenuList = list;
  }
  return list;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPMenu>& AGPMenu::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  static const vb::DispatchTable<AGPMenu> table = [] {
    vb::DispatchTable<AGPMenu> t("AGPMenu");
    t.property("MenuId", [](AGPMenu& m, Args) { return Variant(m.MenuId()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuId(vb::to_long(v)); });
    t.property("MenuText", [](AGPMenu& m, Args) { return Variant(m.MenuText()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuText(vb::to_string(v)); });
    t.property("MenuParentID", [](AGPMenu& m, Args) { return Variant(m.MenuParentID()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuParentID(vb::to_long(v)); });
    t.property("MenuUrl", [](AGPMenu& m, Args) { return Variant(m.MenuUrl()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuUrl(vb::to_string(v)); });
    t.property("MenuCustomUrl", [](AGPMenu& m, Args) { return Variant(m.MenuCustomUrl()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuCustomUrl(vb::to_bool(v)); });
    t.property("MenuLevel", [](AGPMenu& m, Args) { return Variant(m.MenuLevel()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuLevel(vb::to_long(v)); });
    t.property("MenuShow", [](AGPMenu& m, Args) { return Variant(m.MenuShow()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuShow(vb::to_bool(v)); });
    t.property("MenuDisplayOrder", [](AGPMenu& m, Args) { return Variant(m.MenuDisplayOrder()); },
               [](AGPMenu& m, Args, const Variant& v) { m.MenuDisplayOrder(vb::to_long(v)); });
    return t;
  }();
  return table;
}

const vb::DispatchTable<AGPMenus>& AGPMenus::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  static const vb::DispatchTable<AGPMenus> table = [] {
    vb::DispatchTable<AGPMenus> t("AGPMenus");
    auto arg_long = [](Args a, size_t i, int32_t dflt) { return vb::has_arg(a, i) ? vb::to_long(a[i]) : dflt; };
    auto arg_text = [](Args a, size_t i) { return vb::has_arg(a, i) ? vb::to_string(a[i]) : std::string(); };
    auto arg_bool = [](Args a, size_t i, bool dflt) { return vb::has_arg(a, i) ? vb::to_bool(a[i]) : dflt; };
    t.property("curIndex", [](AGPMenus& m, Args) { return Variant(m.curIndex()); });
    t.method("LoadMenus", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.LoadMenus(a[0]));
    });
    t.method("AddMenu", [=](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 0, 8);
      return Variant(m.AddMenu(arg_long(a, 0, -1), arg_text(a, 1), arg_long(a, 2, -1), arg_text(a, 3),
                               arg_bool(a, 4, false), arg_long(a, 5, 0), arg_bool(a, 6, true), arg_long(a, 7, -1)));
    });
    t.method("ChangeMenu", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 8, 8);
      return Variant(m.ChangeMenu(vb::to_long(a[0]), vb::to_string(a[1]), vb::to_long(a[2]), vb::to_string(a[3]),
                                  vb::to_bool(a[4]), vb::to_long(a[5]), vb::to_bool(a[6]), vb::to_long(a[7])));
    });
    t.method("DeleteMenu", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.DeleteMenu(vb::to_long(a[0])));
    });
    t.method("Sort", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 0, 0);
      m.Sort();
      return Variant();
    });
    t.method("Count", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(m.Count());
    });
    t.method("MenuHasID", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.MenuHasID(vb::to_long(a[0])));
    });
    t.method("GetItemByID", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.GetItemByID(vb::to_long(a[0])));
    });
    t.method("MenuHasTable", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.MenuHasTable(vb::to_string(a[0])));
    });
    t.method("GetItemByTableName", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.GetItemByTableName(vb::to_string(a[0])));
    });
    t.method("Item", [](AGPMenus& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.Item(vb::to_long(a[0])));
    });
    t.default_member("Item");
    return t;
  }();
  return table;
}

}  // namespace tolvex
