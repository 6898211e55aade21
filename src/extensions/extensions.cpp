#include "extensions/extensions.h"

#include <algorithm>

#include "fields/name_arg.h"
#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "model/project.h"
#include "platform/contained_path.h"
#include "platform/host_ui.h"
#include "templates/file_cache.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPExtension);

namespace {

vb::Ref<AGPExtensions> make_list() { return vb::make_ref<AGPExtensions>(); }

// Where an included template file is looked for first: the enabled extensions in
// their order. A disabled extension is not unpacked for a run, so what its work
// folder still holds from an earlier run must not override the package's files.
class ListedExtensions : public TemplateExtensionSource {
 public:
  std::vector<std::string> extension_names() const override {
    std::vector<std::string> names;
    const AGPExtensions* list = existing_extension_list();
    if (!list) return names;
    std::vector<std::pair<int16_t, std::string>> numbered;
    for (const auto& ext : list->items()) {
      try {
        if (ext->Enabled()) numbered.emplace_back(ext->Seq(), ext->Name());
      } catch (const vb::VBError&) {
      }
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& n : numbered) names.push_back(std::move(n.second));
    return names;
  }
};

const bool registered = [] {
  register_extension_list_factory([] { return vb::Ref<vb::Dispatch>(make_list()); });
  // The list is one per module: creating it by name gives that one.
  register_class("AGPExtensions", [] { return vb::Ref<vb::Dispatch>(vb::ref_from(&extension_list())); });
  static const ListedExtensions source;
  set_template_extension_source(&source);
  return true;
}();

}  // namespace

AGPExtensions& extension_list() {
  ModuleContext& ctx = context();
  auto list = vb::ref_cast<AGPExtensions>(ctx.ExtensionList);
  if (!list) {
    list = make_list();
    ctx.ExtensionList = list;
  }
  return *list;
}

AGPExtensions* existing_extension_list() {
  return dynamic_cast<AGPExtensions*>(context().ExtensionList.get());
}

const vb::Ref<AGPExtProj>& AGPExtension::PROJ() {
  if (!proj_) proj_ = vb::make_ref<AGPExtProj>();
  return proj_;
}

bool AGPExtensions::Add(const std::string& Name) {
  if (Name.empty()) return false;
  // The name becomes the folder the extension's package is unpacked into.
  if (!platform::is_plain_folder_name(Name)) {
    const ModuleContext& ctx = context();
    host_ui().message_box(ctx.ProductTitle + ": Extension name '" + Name +
                              "' is not a plain folder name! Extension ignored.",
                          ctx.ProductTitle, platform::msgbox::vbExclamation);
    return false;
  }
  if (auto slot = find_exact(Name)) {
    int16_t seq = 0;
    try {
      seq = at(*slot)->Seq();
    } catch (const vb::VBError&) {
    }
    make_current(Name, seq);
    return true;
  }
  if (find_name_no_case(Name) || full()) return false;
  auto ext = vb::make_ref<AGPExtension>();
  ext->Name(Name);
  append(ext, Name);
  return true;
}

bool AGPExtensions::Delete(const vb::Variant& Index) {
  const std::string name = name_arg(Index);
  if (name.empty()) return false;
  auto slot = find_exact(name);
  if (!slot) return false;
  auto ext = at(*slot);
  try {
    close_gap(ext->Seq());
  } catch (const vb::VBError&) {
  }
  try {
    remove_slot(*slot);
  } catch (const vb::VBError&) {
  }
  return true;
}

bool AGPExtensions::ExtensionExist(const vb::Variant& Index) const {
  return find_exact(name_arg(Index)).has_value();
}

vb::Ref<AGPExtension> AGPExtensions::Item(const vb::Variant& Index) {
  auto slot = find_exact(name_arg(Index));
  if (!slot) return nullptr;
  auto ext = at(*slot);
  try {
    make_current(ext->Name(), ext->Seq());
  } catch (const vb::VBError&) {
  }
  return ext;
}

vb::Ref<AGPExtension> AGPExtensions::Seq(int16_t Index) const {
  auto slot = find_seq(Index);
  return slot ? at(*slot) : nullptr;
}

std::vector<vb::Ref<AGPExtension>> AGPExtensions::items() const {
  std::vector<vb::Ref<AGPExtension>> out;
  out.reserve(size());
  for (size_t i = 0; i < size(); ++i)
    if (auto ext = at(i)) out.push_back(std::move(ext));
  return out;
}

vb::Ref<AGPExtension> AGPExtensions::find(const std::string& name) const {
  auto slot = find_exact(name);
  return slot ? at(*slot) : nullptr;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPExtension>& AGPExtension::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtension;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtension");
    add_store_members(table);
    table.property("IsExtended", [](Self& s, Args) { return Variant(s.IsExtended()); });
    table.property("PROJ", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.PROJ()); });
    add_key_member(table);
    TOLVEX_EXTENSION_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPExtensions>& AGPExtensions::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtensions;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPExtensions");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
    t.method("Add", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Add(vb::to_string(a[0])));
    });
    t.method("Count", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(s.Count());
    });
    t.method("Delete", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Delete(a[0]));
    });
    t.method("ExtensionExist", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.ExtensionExist(a[0]));
    });
    t.method("Item", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Item(a[0]));
    });
    t.method("Seq", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Seq(vb::to_integer(a[0])));
    });
    t.default_member("Item");
    t.enumerator("NewEnum_ext", [](Self& s, Args) { return Variant(s.NewEnum_ext()); });
    return t;
  }();
  return built;
}

}  // namespace tolvex
