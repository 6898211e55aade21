#include "foundation/registry.h"

#include <optional>

#include "foundation/common.h"
#include "foundation/context.h"
#include "platform/registry.h"
#include "vb/convert.h"

namespace tolvex {

using platform::RegRoot;
using platform::RegValue;
using vb::Variant;
namespace reg_kind = platform::reg_kind;

// The library's module name, then the class, as the errors of this class name their source.
const char* const cRegistry::kErrorSource = "tolvex3.cRegistry";

RegistryWriteError::RegistryWriteError(const std::string& where, std::string cause)
    : vb::VBError(cRegistry::kErrRegistry, where + ": " + cause, cRegistry::kErrorSource), cause_(std::move(cause)) {}

namespace {

// Where a root key lives in the registry stand-in. HKEY_CLASSES_ROOT is kept as
// the current user's "Software\Classes", as a per-user registration would be.
struct Location {
  RegRoot root;
  std::string path;
};

std::optional<Location> locate(int32_t class_key, std::string_view section) {
  switch (class_key) {
    case cRegistry::HKEY_CURRENT_USER:
      return Location{RegRoot::CurrentUser, std::string(section)};
    case cRegistry::HKEY_LOCAL_MACHINE:
      return Location{RegRoot::LocalMachine, std::string(section)};
    case cRegistry::HKEY_CLASSES_ROOT:
      return Location{RegRoot::CurrentUser, "Software\\Classes\\" + std::string(section)};
    default:
      return std::nullopt;
  }
}

[[noreturn]] void fail(int32_t number, std::string description) {
  throw vb::VBError(number, std::move(description), cRegistry::kErrorSource);
}

std::string text_or_empty(const Variant& v) {
  try {
    return vb::to_string(v);
  } catch (const std::exception&) {
    return {};
  }
}

// A text holds an environment reference when a "%" is followed, two or more
// characters later, by another "%".
bool looks_expandable(std::string_view s) {
  size_t first = s.find('%');
  return first != std::string_view::npos && first + 2 <= s.size() &&
         s.find('%', first + 2) != std::string_view::npos;
}

bool is_byte_array(const Variant& v) {
  return v.is_array() && v.raw_array().element_type() == vb::VarType::Byte;
}

}  // namespace

bool cRegistry::KeyExists() {
  auto loc = locate(ClassKey, SectionKey);
  if (!loc) return false;
  try {
    return platform::current_registry().key_exists(loc->root, loc->path);
  } catch (const std::exception&) {
    return false;
  }
}

bool cRegistry::CreateKey() {
  auto loc = locate(ClassKey, SectionKey);
  try {
    if (loc) {
      platform::current_registry().create_key(loc->root, loc->path);
      return true;
    }
  } catch (const std::exception&) {
  }
  fail(kErrRegistry, "Failed to create registry Key: '" + SectionKey);
}

bool cRegistry::DeleteKey() {
  auto loc = locate(ClassKey, SectionKey);
  try {
    if (loc && platform::current_registry().delete_key(loc->root, loc->path)) return true;
  } catch (const std::exception&) {
  }
  fail(kErrRegistry,
       "Failed to delete registry Key: '" + std::to_string(ClassKey) + "',Section: '" + SectionKey);
}

bool cRegistry::DeleteValue() {
  auto loc = locate(ClassKey, SectionKey);
  bool opened = false;
  try {
    opened = loc && platform::current_registry().key_exists(loc->root, loc->path);
    if (opened && platform::current_registry().delete_value(loc->root, loc->path, ValueKey)) return true;
  } catch (const std::exception&) {
  }
  if (!opened)
    fail(kErrRegistry, "Failed to open key '" + std::to_string(ClassKey) + "',Section: '" + SectionKey +
                           "' for delete access");
  fail(kErrRegistry, "Failed to delete registry Key: '" + std::to_string(ClassKey) + "',Section: '" +
                         SectionKey + "',Key: '" + ValueKey);
}

Variant cRegistry::GetValue() {
  auto loc = locate(ClassKey, SectionKey);
  if (!loc) return Default;
  std::optional<RegValue> v;
  try {
    v = platform::current_registry().query_value(loc->root, loc->path, ValueKey, /*expand_text=*/true);
  } catch (const std::exception&) {
    return Default;  // reads never raise
  }
  if (!v) return Default;
  ValueType = int32_t(v->kind);
  switch (v->kind) {
    case reg_kind::kText:
    case reg_kind::kExpandText:
      return Variant(v->text);
    case reg_kind::kMultiText: {
      // The stored data: each text followed by a NUL, then the list's final NUL,
      // which a read drops.
      std::string s;
      for (const std::string& t : v->texts) {
        s += t;
        s += '\0';
      }
      return Variant(std::move(s));
    }
    case reg_kind::kDword:
    case reg_kind::kDwordBigEndian:
      return Variant(int32_t(v->number));
    default:
      return Variant::byte_array(v->bytes);
  }
}

void cRegistry::SetValue(const Variant& value) {
  auto loc = locate(ClassKey, SectionKey);
  // The description names the place only: the value may be a password.
  const std::string where = "Failed to set registry value Key: '" + std::to_string(ClassKey) + "',Section: '" +
                            SectionKey + "',Key: '" + ValueKey + "'";
  if (!loc) fail(kErrRegistry, where);
  auto& reg = platform::current_registry();
  try {
    reg.create_key(loc->root, loc->path);
  } catch (const std::exception& e) {
    throw RegistryWriteError(where, e.what());
  }
  std::optional<RegValue> data;
  switch (ValueType) {
    case int32_t(reg_kind::kText):
    case int32_t(reg_kind::kExpandText): {
      std::string s = vb::to_string(value);
      data = looks_expandable(s) ? RegValue::make_expand_text(std::move(s)) : RegValue::make_text(std::move(s));
      break;
    }
    case int32_t(reg_kind::kBinary): {
      if (!is_byte_array(value)) throw vb::VBError(kErrRegistry, vb::error_description(kErrRegistry), kErrorSource);
      std::vector<uint8_t> bytes;
      for (const Variant& b : value.raw_array().data()) bytes.push_back(b.raw_byte());
      data = RegValue::make_binary(std::move(bytes));
      break;
    }
    case int32_t(reg_kind::kDword):
    case int32_t(reg_kind::kDwordBigEndian):
      if (value.type() == vb::VarType::Integer)
        data = RegValue::make_dword(uint32_t(int32_t(value.raw_integer())));
      else if (value.type() == vb::VarType::Long)
        data = RegValue::make_dword(uint32_t(value.raw_long()));
      break;  // any other value writes nothing
    default:
      break;  // no data for other kinds
  }
  if (!data) return;
  try {
    reg.set_value(loc->root, loc->path, ValueKey, *data);
  } catch (const std::exception& e) {
    // The stand-in refuses a write when it cannot keep it (its hive file cannot be
    // written, a name it cannot store): the setting would be lost silently.
    throw RegistryWriteError(where, e.what());
  }
}

bool cRegistry::EnumerateValues(std::vector<std::string>& names, int32_t& count) {
  names.clear();
  count = 0;
  auto loc = locate(ClassKey, SectionKey);
  if (!loc) return true;
  try {
    names = platform::current_registry().value_names(loc->root, loc->path);
  } catch (const std::exception&) {
    names.clear();
  }
  count = int32_t(names.size());
  return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& names, int32_t& count) {
  names.clear();
  count = 0;
  auto loc = locate(ClassKey, SectionKey);
  if (!loc) return true;
  try {
    names = platform::current_registry().subkeys(loc->root, loc->path);
  } catch (const std::exception& e) {
    names.clear();
    fail(kErrEnumerate, e.what());
  }
  count = int32_t(names.size());
  return true;
}

namespace {

void write_default_text(cRegistry& r, const std::string& section, const std::string& text) {
  r.SectionKey = section;
  r.ValueKey.clear();
  r.ValueType = int32_t(reg_kind::kText);
  r.SetValue(Variant(text));
}

}  // namespace

void cRegistry::CreateEXEAssociation(std::string_view program_path, std::string_view class_name,
                                     std::string_view class_description, std::string_view file_extension,
                                     std::string_view open_text, bool print, std::string_view print_text,
                                     bool new_file, std::string_view new_text, bool install,
                                     std::string_view install_text, int32_t icon_index) {
  std::string program = common::trim_blanks(program_path);
  if (program.empty() || program.front() != '"') program.insert(program.begin(), '"');
  if (program.size() < 2 || program.back() != '"') program += '"';
  const std::string cls(class_name);
  const std::string ext(file_extension);
  auto or_default = [](std::string_view text, std::string fallback) {
    return text.empty() ? fallback : std::string(text);
  };
  ClassKey = HKEY_CLASSES_ROOT;
  write_default_text(*this, "." + ext, cls);
  write_default_text(*this, cls, std::string(class_description));
  write_default_text(*this, cls + "\\shell\\open", or_default(open_text, "&Open"));
  write_default_text(*this, cls + "\\shell\\open\\command", program + " \"%1\"");
  if (print) {
    write_default_text(*this, cls + "\\shell\\print", or_default(print_text, "&Print"));
    write_default_text(*this, cls + "\\shell\\print\\command", program + " /p \"%1\"");
  }
  if (install) {
    write_default_text(*this, cls + "\\shell\\add", or_default(install_text, "&Install " + ext));
    write_default_text(*this, cls + "\\shell\\add\\command", program + " /a \"%1\"");
  }
  if (new_file) {
    write_default_text(*this, cls + "\\shell\\new", or_default(new_text, "&New"));
    write_default_text(*this, cls + "\\shell\\new\\command", program + " /n \"%1\"");
  }
  if (icon_index > -1) write_default_text(*this, cls + "\\DefaultIcon", program + "," + std::to_string(icon_index));
}

void cRegistry::CreateAdditionalEXEAssociations(std::string_view class_name, std::span<const std::string> triples) {
  if (triples.size() % 3 != 0)
    fail(kErrAssociationArgs,
         "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
  const std::string cls(class_name);
  SectionKey = cls;
  if (!KeyExists()) fail(kErrAssociationClass, "Error - attempt to create additional associations before class defined.");
  for (size_t i = 0; i < triples.size(); i += 3) {
    write_default_text(*this, cls + "\\shell\\" + triples[i], triples[i + 1]);
    write_default_text(*this, cls + "\\shell\\" + triples[i] + "\\command", triples[i + 2]);
  }
}

namespace {

// A 1-based text array as the enumeration members hand it out; no dimensions when empty.
Variant names_array(const std::vector<std::string>& names) {
  if (names.empty()) return Variant(vb::make_ref<vb::Array>(vb::VarType::String, std::vector<vb::Array::Bound>{}));
  auto arr = vb::make_ref<vb::Array>(vb::VarType::String, std::vector<vb::Array::Bound>{{1, int32_t(names.size())}});
  for (size_t i = 0; i < names.size(); ++i) (*arr)[i] = Variant(names[i]);
  return Variant(arr);
}

std::string arg_text(vb::Args a, size_t i) { return vb::has_arg(a, i) ? vb::to_string(a[i]) : std::string(); }
bool arg_bool(vb::Args a, size_t i) { return vb::has_arg(a, i) && vb::to_bool(a[i]); }

}  // namespace

const vb::DispatchTable<cRegistry>& cRegistry::dispatch_table() {
  using A = vb::Args;
  using R = cRegistry;
  static const vb::DispatchTable<cRegistry> table = [] {
    vb::DispatchTable<cRegistry> t("cRegistry");
    t.method("KeyExists", [](R& r, A) { return Variant(r.KeyExists()); })
        .method("CreateKey", [](R& r, A) { return Variant(r.CreateKey()); })
        .method("DeleteKey", [](R& r, A) { return Variant(r.DeleteKey()); })
        .method("DeleteValue", [](R& r, A) { return Variant(r.DeleteValue()); })
        .property(
            "Value", [](R& r, A) { return r.GetValue(); }, [](R& r, A, const Variant& v) { r.SetValue(v); })
        .method("EnumerateValues",
                [](R& r, A a) {
                  vb::check_arg_count(a, 2, 2);
                  std::vector<std::string> names;
                  int32_t count = 0;
                  bool ok = r.EnumerateValues(names, count);
                  a[0] = names_array(names);
                  a[1] = Variant(count);
                  return Variant(ok);
                })
        .method("EnumerateSections",
                [](R& r, A a) {
                  vb::check_arg_count(a, 2, 2);
                  std::vector<std::string> names;
                  int32_t count = 0;
                  bool ok = r.EnumerateSections(names, count);
                  a[0] = names_array(names);
                  a[1] = Variant(count);
                  return Variant(ok);
                })
        .method("CreateEXEAssociation",
                [](R& r, A a) {
                  vb::check_arg_count(a, 12, 12);
                  r.CreateEXEAssociation(arg_text(a, 0), arg_text(a, 1), arg_text(a, 2), arg_text(a, 3),
                                         arg_text(a, 4), arg_bool(a, 5), arg_text(a, 6), arg_bool(a, 7),
                                         arg_text(a, 8), arg_bool(a, 9), arg_text(a, 10),
                                         vb::to_long(a[11]));
                  return Variant();
                })
        .method("CreateAdditionalEXEAssociations",
                [](R& r, A a) {
                  vb::check_arg_count(a, 1, size_t(-1));
                  std::vector<std::string> rest;
                  for (size_t i = 1; i < a.size(); ++i) rest.push_back(arg_text(a, i));
                  r.CreateAdditionalEXEAssociations(arg_text(a, 0), rest);
                  return Variant();
                })
        .property(
            "ValueType", [](R& r, A) { return Variant(r.ValueType); },
            [](R& r, A, const Variant& v) { r.ValueType = vb::to_long(v); })
        .property(
            "ClassKey", [](R& r, A) { return Variant(r.ClassKey); },
            [](R& r, A, const Variant& v) { r.ClassKey = vb::to_long(v); })
        .property(
            "SectionKey", [](R& r, A) { return Variant(r.SectionKey); },
            [](R& r, A, const Variant& v) { r.SectionKey = vb::to_string(v); })
        .property(
            "ValueKey", [](R& r, A) { return Variant(r.ValueKey); },
            [](R& r, A, const Variant& v) { r.ValueKey = vb::to_string(v); })
        .property(
            "Default", [](R& r, A) { return r.Default; }, [](R& r, A, const Variant& v) { r.Default = v; },
            [](R& r, A, const Variant& v) { r.Default = v; });
    return t;
  }();
  return table;
}

cRegistry& shared_registry() {
  ModuleContext& ctx = context();
  if (!ctx.SharedRegistry) ctx.SharedRegistry = vb::make_ref<cRegistry>();
  return *ctx.SharedRegistry;
}

namespace common {

namespace {

// The shared object aimed at a value: root "HKLM" (exactly) is the machine, any
// other root the current user.
cRegistry& aim(const Variant& root, const Variant& section, const Variant& value_name) {
  cRegistry& r = shared_registry();
  r.ClassKey = text_or_empty(root) == "HKLM" ? cRegistry::HKEY_LOCAL_MACHINE : cRegistry::HKEY_CURRENT_USER;
  r.SectionKey = text_or_empty(section);
  r.ValueKey = text_or_empty(value_name);
  return r;
}

}  // namespace

Variant GetRegValue(const Variant& root, const Variant& section, const Variant& value_name) {
  cRegistry& r = aim(root, section, value_name);
  Variant v = r.GetValue();
  context().RegLastValueType = r.ValueType;
  return v;
}

void SetRegValue(const Variant& root, const Variant& section, const Variant& value_name, int32_t& kind,
                 const Variant& value) {
  cRegistry& r = aim(root, section, value_name);
  r.ValueType = kind;
  r.SetValue(value);
}

}  // namespace common
}  // namespace tolvex
