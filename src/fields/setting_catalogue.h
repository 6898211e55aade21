// Settings catalogues as data. Each model class lists its settings once, as an
// X-macro of rows
//     X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access)
// in declaration order. From that one list come the class's SettingDecl table
// (what its store declares), an index enum (so typed accessors reach their
// setting by position, never by a name lookup), the typed accessors and the
// dispatch entries, so the four cannot drift apart.
//
// Type is one of the tokens below (String, Boolean, Integer, Long, Single,
// Double, Variant). Access says which typed members the class offers:
//   ReadWrite  a get and a let
//   ReadOnly   a get only
//   CustomLet  a get, and a let that the class writes by hand (it does more)
//   None       no typed member; reached through the store and GetV/SetV only
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "foundation/setting_decl.h"
#include "vb/convert.h"
#include "vb/variant.h"

namespace tolvex::setting_types {

// For each data type name: the C++ type of its typed accessors, how a let
// stores a value, and how a get (or a let through dispatch) converts one.
struct String {
  using value_type = std::string;
  using arg_type = const std::string&;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_string(v); }
};
struct Boolean {
  using value_type = bool;
  using arg_type = bool;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_bool(v); }
};
struct Integer {
  using value_type = int16_t;
  using arg_type = int16_t;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_integer(v); }
};
struct Long {
  using value_type = int32_t;
  using arg_type = int32_t;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_long(v); }
};
struct Single {
  using value_type = float;
  using arg_type = float;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_single(v); }
};
struct Double {
  using value_type = double;
  using arg_type = double;
  static vb::Variant store(arg_type v) { return vb::Variant(v); }
  static value_type from_variant(const vb::Variant& v) { return vb::to_double(v); }
};
// Kept as given: no conversion either way.
struct Variant {
  using value_type = vb::Variant;
  using arg_type = const vb::Variant&;
  static vb::Variant store(arg_type v) { return v; }
  static value_type from_variant(const vb::Variant& v) { return v; }
};

}  // namespace tolvex::setting_types

// ---- the SettingDecl table and the index enum --------------------------------

#define TOLVEX_SETTING_DECL_ROW(name, type, reg_save, reg_format, file_save, sync, access) \
  ::tolvex::SettingDecl{#name, #type, reg_save, reg_format, file_save, sync},

#define TOLVEX_SETTING_ENUMERATOR(name, type, reg_save, reg_format, file_save, sync, access) name,

// enum class Enum : uint16_t { <one enumerator per row>, kCount }
#define TOLVEX_SETTING_INDEX_ENUM(Enum, LIST) \
  enum class Enum : uint16_t { LIST(TOLVEX_SETTING_ENUMERATOR) kCount };

// ---- typed accessors ---------------------------------------------------------
// Expanded inside a class that has `using SettingIndex = <its enum>;` and the
// members read_setting<Traits>(SettingIndex) and write_setting<Traits>(SettingIndex, v).
// A get converts the stored value to the accessor's type (Empty gives "", False, 0);
// a let stores its argument as a value of that type. Neither declares a setting.

#define TOLVEX_SETTING_GET_(name, type)                                                    \
  ::tolvex::setting_types::type::value_type name() const {                                 \
    return this->template read_setting<::tolvex::setting_types::type>(SettingIndex::name); \
  }
#define TOLVEX_SETTING_LET_(name, type)                                                 \
  void name(::tolvex::setting_types::type::arg_type v) {                                \
    this->template write_setting<::tolvex::setting_types::type>(SettingIndex::name, v); \
  }

#define TOLVEX_SETTING_ACCESS_ReadWrite(name, type) TOLVEX_SETTING_GET_(name, type) TOLVEX_SETTING_LET_(name, type)
#define TOLVEX_SETTING_ACCESS_ReadOnly(name, type) TOLVEX_SETTING_GET_(name, type)
#define TOLVEX_SETTING_ACCESS_CustomLet(name, type) \
  TOLVEX_SETTING_GET_(name, type) void name(::tolvex::setting_types::type::arg_type v);
#define TOLVEX_SETTING_ACCESS_None(name, type)

#define TOLVEX_SETTING_ACCESSORS(name, type, reg_save, reg_format, file_save, sync, access) \
  TOLVEX_SETTING_ACCESS_##access(name, type)

// ---- dispatch entries --------------------------------------------------------
// Expanded where a DispatchTable<Class> named `table` is being built, with
// `using Self = Class;` in scope. Each typed member becomes a property of the
// same name; a let through dispatch converts its value as a typed argument would.

#define TOLVEX_SETTING_DISPATCH_GET_(name, type) \
  [](Self& s, ::tolvex::vb::Args) { return ::tolvex::setting_types::type::store(s.name()); }
#define TOLVEX_SETTING_DISPATCH_LET_(name, type)                               \
  [](Self& s, ::tolvex::vb::Args, const ::tolvex::vb::Variant& v) {           \
    s.name(::tolvex::setting_types::type::from_variant(::tolvex::vb::default_value(v))); \
  }

#define TOLVEX_SETTING_DISPATCH_ReadWrite(name, type) \
  table.property(#name, TOLVEX_SETTING_DISPATCH_GET_(name, type), TOLVEX_SETTING_DISPATCH_LET_(name, type));
#define TOLVEX_SETTING_DISPATCH_CustomLet(name, type) TOLVEX_SETTING_DISPATCH_ReadWrite(name, type)
#define TOLVEX_SETTING_DISPATCH_ReadOnly(name, type) table.property(#name, TOLVEX_SETTING_DISPATCH_GET_(name, type));
#define TOLVEX_SETTING_DISPATCH_None(name, type)

#define TOLVEX_SETTING_DISPATCH(name, type, reg_save, reg_format, file_save, sync, access) \
  TOLVEX_SETTING_DISPATCH_##access(name, type)

namespace tolvex {

// Position of a setting in its catalogue (and so in a freshly declared store).
template <class Enum>
constexpr size_t setting_index(Enum e) noexcept {
  return static_cast<size_t>(e);
}

}  // namespace tolvex
