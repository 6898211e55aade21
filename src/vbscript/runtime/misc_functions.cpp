// Conversions, type tests, arrays, locale, dialogs, object creation and engine information.
#include <cmath>

#include "vb/strings.h"
#include "vbscript/runtime/library.h"

namespace tolvex::vbscript::lib {

namespace {

using vb::VarType;

template <Variant (*Convert)(const Variant&)>
Variant convert(RuntimeEnv&, Args a) {
  // A plain value converts where it stands (CStr of a String is one copy, not two).
  if (a[0].is_object()) return Convert(vb::default_value(a[0]));
  return Convert(a[0]);
}

Variant fn_isempty(RuntimeEnv&, Args a) { return Variant(a[0].is_empty()); }
Variant fn_isnull(RuntimeEnv&, Args a) { return Variant(a[0].is_null()); }
Variant fn_isarray(RuntimeEnv&, Args a) { return Variant(a[0].is_array()); }
Variant fn_isobject(RuntimeEnv&, Args a) { return Variant(a[0].is_object()); }

// The value an object stands for, or nullopt when it has none (Nothing, no default member).
std::optional<Variant> plain_value(const Variant& v) {
  if (!v.is_object()) return v;
  if (v.is_nothing()) return std::nullopt;
  try {
    Variant d = vb::default_value(v);
    if (d.is_object()) return std::nullopt;
    return d;
  } catch (const vb::VBError&) {
    return std::nullopt;
  }
}

Variant fn_isnumeric(RuntimeEnv&, Args a) {
  auto v = plain_value(a[0]);
  return Variant(v && vb::is_numeric(*v));
}

Variant fn_isdate(RuntimeEnv&, Args a) {
  auto v = plain_value(a[0]);
  return Variant(v && vb::is_date(*v));
}

Variant fn_vartype(RuntimeEnv&, Args a) {
  // An object with a default property reports the type of that property's value.
  auto v = plain_value(a[0]);
  return Variant(int16_t(v ? v->vartype() : uint16_t(VarType::Object)));
}

Variant fn_typename(RuntimeEnv&, Args a) { return Variant(vb::type_name(a[0])); }

Variant fn_array(RuntimeEnv&, Args a) { return Variant::array(std::vector<Variant>(a.begin(), a.end())); }

// The array of UBound and LBound: an object gives the array its default property returns;
// Nothing and an object without a default property are error 91, other values 13.
Variant bound_array(const Variant& v) {
  if (v.is_array()) return v;
  if (!v.is_object()) vb::raise(vb::err::kTypeMismatch);
  if (v.is_nothing()) vb::raise(vb::err::kObjectVariableNotSet);
  Variant r;
  try {
    r = vb::default_value(v);
  } catch (const vb::VBError& e) {
    if (e.number() == vb::err::kNotSupported) vb::raise(vb::err::kObjectVariableNotSet);
    throw;
  }
  if (!r.is_array()) vb::raise(vb::err::kTypeMismatch);
  return r;
}

template <bool Upper>
Variant bound(RuntimeEnv&, Args a) {
  const Variant held = bound_array(a[0]);
  int32_t dim = long_arg_or(a, 1, 1);
  const vb::Array& arr = held.raw_array();
  if (dim < 1 || dim > arr.dims()) vb::raise(vb::err::kSubscriptOutOfRange);
  return Variant(int32_t(Upper ? arr.ubound(dim) : arr.lbound(dim)));
}

// Locales: English (United States) is the only one the library formats in; other
// locale ids are remembered and reported back.
int32_t locale_from(const Variant& v) {
  if (v.is_string() && !vb::parse_number(v.raw_string())) {
    std::string n = vb::ascii_lower(v.raw_string());
    if (n == "en-us" || n == "en_us" || n == "english") return 1033;
    vb::raise(vb::err::kInvalidProcedureCall);
  }
  int32_t id = vb::to_long(v);
  if (id == 0 || id == 1024 || id == 2048) return 1033;  // the user and system defaults
  if (id < 0 || id > 0xFFFF) vb::raise(vb::err::kInvalidProcedureCall);
  return id;
}

Variant fn_getlocale(RuntimeEnv& env, Args) { return Variant(env.locale_id); }

Variant fn_setlocale(RuntimeEnv& env, Args a) {
  int32_t old = env.locale_id;
  env.locale_id = present(a, 0) ? locale_from(value_arg(a, 0)) : 1033;
  return Variant(old);
}

std::string text_or_empty(Args a, size_t i) {
  if (!present(a, i)) return {};
  Variant v = value_arg(a, i);
  if (v.is_null()) return {};
  return vb::to_string(v);
}

Variant fn_msgbox(RuntimeEnv& env, Args a) {
  std::string prompt = text_or_empty(a, 0);
  int32_t buttons = long_arg_or(a, 1, 0);
  std::string title = text_or_empty(a, 2);
  return Variant(int16_t(env.ui->msg_box(prompt, buttons, title)));
}

Variant fn_inputbox(RuntimeEnv& env, Args a) {
  std::string prompt = text_or_empty(a, 0);
  std::string title = text_or_empty(a, 1);
  std::string def = text_or_empty(a, 2);
  std::optional<std::string> r = env.ui->input_box(prompt, title, def);
  return Variant(r ? *r : std::string());
}

Variant fn_createobject(RuntimeEnv& env, Args a) {
  std::string id = str_arg(a, 0);
  vb::Ref<vb::Dispatch> obj = create_object(id, env);
  if (!obj) vb::raise(vb::err::kCantCreateObject);
  return Variant(std::move(obj));
}

Variant fn_rgb(RuntimeEnv&, Args a) {
  int32_t c[3];
  for (int i = 0; i < 3; ++i) {
    c[i] = long_arg(a, size_t(i));
    if (c[i] < 0) invalid_argument();
    if (c[i] > 255) c[i] = 255;
  }
  return Variant(int32_t(c[0] | (c[1] << 8) | (c[2] << 16)));
}

Variant fn_scriptengine(RuntimeEnv&, Args) { return Variant("VBScript"); }
Variant fn_major(RuntimeEnv&, Args) { return Variant(int32_t(5)); }
Variant fn_minor(RuntimeEnv&, Args) { return Variant(int32_t(8)); }
Variant fn_build(RuntimeEnv&, Args) { return Variant(int32_t(16384)); }

const Builtin kBuiltins[] = {
    {"CStr", convert<vb::cstr>, 1, 1},
    {"CInt", convert<vb::cint>, 1, 1},
    {"CLng", convert<vb::clng>, 1, 1},
    {"CDbl", convert<vb::cdbl>, 1, 1},
    {"CSng", convert<vb::csng>, 1, 1},
    {"CBool", convert<vb::cbool>, 1, 1},
    {"CByte", convert<vb::cbyte>, 1, 1},
    {"CCur", convert<vb::ccur>, 1, 1},
    {"CDate", convert<vb::cdate>, 1, 1},
    {"IsEmpty", fn_isempty, 1, 1},
    {"IsNull", fn_isnull, 1, 1},
    {"IsArray", fn_isarray, 1, 1},
    {"IsObject", fn_isobject, 1, 1},
    {"IsNumeric", fn_isnumeric, 1, 1},
    {"IsDate", fn_isdate, 1, 1},
    {"VarType", fn_vartype, 1, 1},
    {"TypeName", fn_typename, 1, 1},
    {"Array", fn_array, 0, 1 << 20},
    {"UBound", bound<true>, 1, 2},
    {"LBound", bound<false>, 1, 2},
    {"GetLocale", fn_getlocale, 0, 0},
    {"SetLocale", fn_setlocale, 0, 1},
    {"MsgBox", fn_msgbox, 1, 5},
    {"InputBox", fn_inputbox, 1, 7},
    {"CreateObject", fn_createobject, 1, 2},
    {"RGB", fn_rgb, 3, 3},
    {"ScriptEngine", fn_scriptengine, 0, 0},
    {"ScriptEngineMajorVersion", fn_major, 0, 0},
    {"ScriptEngineMinorVersion", fn_minor, 0, 0},
    {"ScriptEngineBuildVersion", fn_build, 0, 0},
};

}  // namespace

std::span<const Builtin> misc_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib

namespace tolvex::vbscript {

bool is_conversion(const Builtin& b) {
  using namespace lib;
  for (auto fn : {convert<vb::cstr>, convert<vb::cint>, convert<vb::clng>, convert<vb::cdbl>, convert<vb::csng>,
                  convert<vb::cbool>, convert<vb::cbyte>, convert<vb::ccur>, convert<vb::cdate>})
    if (b.fn == fn) return true;
  return false;
}

}  // namespace tolvex::vbscript
