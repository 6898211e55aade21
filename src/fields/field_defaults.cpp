// The field default rules: what a field read from a database schema gets as its
// first settings. Every write stores the value as given (no conversion by the
// declared type), so a driver value keeps the driver's type.
#include <array>
#include <functional>
#include <initializer_list>
#include <typeinfo>
#include <optional>

#include "fields/field.h"
#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using S = FieldSetting;
using vb::Variant;

// A type code as the rules compare it: Empty is 0, Null equals no code.
std::optional<int32_t> code_of(const Variant& v) {
  if (v.is_empty()) return 0;
  if (v.is_null()) return std::nullopt;
  if (v.is_string() && !vb::is_numeric(v)) return std::nullopt;
  return vb::to_long(v);
}

bool code_in(const Variant& v, std::initializer_list<int32_t> codes) {
  auto c = code_of(v);
  if (!c) return false;
  for (int32_t x : codes)
    if (*c == x) return true;
  return false;
}

// A flag as the rules test it: Empty and Null are False.
bool flag_of(const Variant& v) { return !v.is_empty() && !v.is_null() && vb::to_bool(v); }

// A member of a driver object by name. Loading reads the same dozen members of thousands
// of fields of one class, so the ids are remembered per class and name where the class
// promises fixed ids.
Variant member(vb::Dispatch& obj, const char* name) {
  if (!obj.member_ids_are_static()) return obj.get(name);
  struct Slot {
    const std::type_info* type = nullptr;
    const char* name = nullptr;
    vb::DispId id = vb::kDispUnknown;
  };
  static thread_local std::array<Slot, 64> slots{};
  const std::type_info& type = typeid(obj);
  Slot& s = slots[(std::hash<const void*>{}(name) ^ type.hash_code()) % slots.size()];
  if (s.type != &type || s.name != name) s = Slot{&type, name, obj.find_member(name)};
  if (s.id == vb::kDispUnknown) vb::raise(vb::err::kNotSupported);
  return obj.invoke(s.id, vb::InvokeKind::Get, {});
}

int16_t database_kind() { return AGPVars::DbKindFromName(context().CurrentDbmsName); }

}  // namespace

void AGPField::LoadFld_zvDB(const vb::Variant& zvDBfld) {
  vb::Ref<vb::Dispatch> fld = zvDBfld.object();
  // Every member is read first, in the driver's order, so that a member that is missing
  // or fails leaves the field as it was.
  const Variant name = member(*fld, "Name");
  auto enum_or_set = [&] {
    const bool is_enum = flag_of(member(*fld, "IsEnum"));
    const bool is_set = flag_of(member(*fld, "IsSet"));
    return is_enum || is_set;
  };
  const bool tagged = enum_or_set();
  const Variant ado_type = tagged ? Variant(int16_t(202)) : member(*fld, "ADODataType");
  const Variant size = member(*fld, "size");
  const Variant required = member(*fld, "Required");
  const Variant unique = member(*fld, "Unique");
  const Variant autoinc = member(*fld, "AutoIncrement");
  const Variant attributes = member(*fld, "ADOAttributes");
  const Variant type_name = member(*fld, "DataTypeName");
  const Variant native = member(*fld, "NativeDataType");
  const bool tagged_again = enum_or_set();
  const Variant tags = tagged_again ? member(*fld, "FieldTagValues") : Variant();

  set_setting_value(S::FldName, name);
  if (tagged) {
    set_setting_value(S::FldType, ado_type);
    set_setting_value(S::FldSupport, Variant(true));
  }
  SetFldType(ado_type);
  set_setting_value(S::FldSize, size);
  set_setting_value(S::FldZeroLen, Variant(true));
  set_setting_value(S::FldReq, required);
  set_setting_value(S::FldUniqueIdx, unique);
  set_setting_value(S::FldAutoIncrement, autoinc);
  set_setting_value(S::FldAttribute, attributes);
  set_setting_value(S::FldTypeName, type_name);
  set_setting_value(S::NativeDataType, native);
  if (tagged_again) set_setting_value(S::FldTagValues, tags);
  LoadFldDefault();
}

void AGPField::SetFldType(const vb::Variant& adoType) {
  set_setting_value(S::FldType, adoType);
  const Variant quote("'");
  if (code_in(adoType, {2, 3, 4, 5, 6, 11, 14, 16, 17, 18, 19, 20, 21, 131, 139})) {
    set_setting_value(S::FldSupport, Variant(true));
    set_setting_value(S::FldQuoteS, Variant(std::string()));
    set_setting_value(S::FldQuoteE, Variant(std::string()));
  } else if (code_in(adoType, {7, 8, 72, 129, 130, 133, 134, 135, 200, 201, 202, 203})) {
    set_setting_value(S::FldSupport, Variant(true));
    set_setting_value(S::FldQuoteS, quote);
    set_setting_value(S::FldQuoteE, quote);
    if (database_kind() == AGPVars::kDbAccess && code_in(adoType, {7, 133, 134, 135})) {
      set_setting_value(S::FldQuoteS, Variant("#"));
      set_setting_value(S::FldQuoteE, Variant("#"));
    }
  } else if (code_in(adoType, {205})) {
    set_setting_value(S::FldSupport, Variant(false));
    set_setting_value(S::FldQuoteS, quote);
    set_setting_value(S::FldQuoteE, quote);
  } else {
    set_setting_value(S::FldSupport, Variant(false));
  }
}

void AGPField::LoadFldDefault() {
  const Variant empty_text{std::string()};
  const Variant tri_default(int16_t(-2));
  const Variant zero_int(int16_t(0));
  // 1. Fixed first values.
  set_setting_value(S::FldFmtType, Variant("None"));
  set_setting_value(S::FldIncLeadDigit, tri_default);
  set_setting_value(S::FldUseParen, tri_default);
  set_setting_value(S::FldGpDigits, tri_default);
  set_setting_value(S::FldSelectType, Variant("Values"));
  set_setting_value(S::FldViewTag, Variant("FORMATTED TEXT"));
  set_setting_value(S::FldTagAPrefix, Variant("None"));
  set_setting_value(S::FldRequired, Variant(false));
  set_setting_value(S::FldPopCalendar, Variant(false));
  set_setting_value(S::FldHtmlTagReadOnly, Variant(false));
  set_setting_value(S::FldSrchOpr2, empty_text);
  set_setting_value(S::FldOrderBy, zero_int);
  set_setting_value(S::FldOrder, empty_text);
  set_setting_value(S::FldGroupBy, zero_int);
  set_setting_value(S::FldGroupByType, empty_text);
  set_setting_value(S::FldGroupByInterval, Variant(int32_t(0)));
  set_setting_value(S::FldRowID, zero_int);
  set_setting_value(S::FldColumnID, zero_int);
  set_setting_value(S::FldColumnDateType, empty_text);
  set_setting_value(S::FldColumnDateSelect, Variant(false));
  set_setting_value(S::FldSummaryID, zero_int);
  set_setting_value(S::FldSummaryType, empty_text);

  const bool support = flag_of(setting_value(S::FldSupport));
  const bool autoinc = flag_of(setting_value(S::FldAutoIncrement));
  const Variant type = setting_value(S::FldType);
  // 2-8.
  set_setting_value(S::FldGenerate, Variant(support));
  const Variant& name_value = setting_value(S::FldName);
  const std::string name = name_value.is_null() ? std::string() : vb::to_string(name_value);
  set_setting_value(S::FldVar, Variant(AGPVars::MakeIdentifier(std::string_view(name), std::string_view("x_"))));
  set_setting_value(S::FldList, Variant(support && !code_in(type, {201, 203, 204, 205})));
  set_setting_value(S::FldEdit, Variant(support));
  set_setting_value(S::FldAdd, Variant(autoinc ? false : support));
  if (database_kind() == AGPVars::kDbSqlServer) {
    auto attr = code_of(setting_value(S::FldAttribute));
    const int32_t bits = attr.value_or(0);
    const bool updatable = (bits & 8) == 8 || (bits & 4) == 4;
    if (!autoinc && !updatable) {
      set_setting_value(S::FldAdd, Variant(false));
      set_setting_value(S::FldEdit, Variant(false));
    }
  }
  set_setting_value(S::FldView, Variant(support));
  // 9.
  DefaultHtmlTag();
  DefaultValidate();
  DefaultSrchOpr();
  DefaultSearch();
  DefaultBasicSearch();
  // 10. An empty caption is made from the name (a caption of blanks is kept).
  const Variant& caption = setting_value(S::FldCaption);
  if (caption.is_empty() || (caption.is_string() && caption.raw_string().empty()))
    set_setting_value(S::FldCaption, Variant(common::MakeCaption(name)));
  // 11. Enumeration and set columns.
  const Variant native = setting_value(S::NativeDataType);
  if (code_in(native, {247})) set_setting_value(S::FldHtmlTag, Variant("RADIO"));
  else if (code_in(native, {248})) set_setting_value(S::FldHtmlTag, Variant("CHECKBOX"));
}

void AGPField::DefaultHtmlTag() {
  if (flag_of(setting_value(S::FldAutoIncrement))) {
    set_setting_value(S::FldHtmlTag, Variant("NO"));
    return;
  }
  const Variant type = setting_value(S::FldType);
  const Variant size30(int16_t(30));
  if (code_in(type, {11})) {
    set_setting_value(S::FldHtmlTag, Variant("RADIO"));
    set_setting_value(S::FldTagValues, Variant(database_kind() == AGPVars::kDbAccess
                                                   ? "\"Yes\",\"Yes\"\r\n\"No\",\"No\""
                                                   : "\"1\",\"Yes\"\r\n\"0\",\"No\""));
  } else if (code_in(type, {201, 203})) {
    set_setting_value(S::FldHtmlTag, Variant("TEXTAREA"));
    set_setting_value(S::FldTagCols, Variant(int16_t(35)));
    set_setting_value(S::FldTagRows, Variant(int16_t(4)));
  } else if (code_in(type, {200, 202})) {
    set_setting_value(S::FldHtmlTag, Variant("TEXT"));
    set_setting_value(S::FldTagSize, size30);
    set_setting_value(S::FldTagMaxLength, setting_value(S::FldSize));
  } else if (code_in(type, {7, 133, 135})) {
    set_setting_value(S::FldHtmlTag, Variant("TEXT"));
    const int16_t fmt = context().CurrentDateFormat;
    if (fmt == 5 || fmt == 6 || fmt == 7) {
      set_setting_value(S::FldFmtType, Variant("Date/Time"));
      set_setting_value(S::FldDtFormat, Variant(fmt));
    }
  } else if (code_in(type, {72})) {
    set_setting_value(S::FldHtmlTag, Variant("TEXT"));
    set_setting_value(S::FldTagSize, Variant(int16_t(38)));
    set_setting_value(S::FldTagMaxLength, Variant(int32_t(38)));
  } else if (code_in(type, {205})) {
    set_setting_value(S::FldHtmlTag, Variant("FILE"));
    set_setting_value(S::FldTagSize, size30);
    set_setting_value(S::FldHrefFld, setting_value(S::FldName));
  } else {
    set_setting_value(S::FldHtmlTag, Variant("TEXT"));
    set_setting_value(S::FldTagSize, size30);
  }
}

void AGPField::DefaultValidate() {
  if (flag_of(setting_value(S::FldReq))) set_setting_value(S::FldRequired, Variant(true));
  const Variant type = setting_value(S::FldType);
  if (code_in(type, {2, 3, 16, 17, 18, 19, 20, 21})) {
    set_setting_value(S::FldValidate, Variant("INTEGER"));
  } else if (code_in(type, {4, 5, 6, 14, 131})) {
    set_setting_value(S::FldValidate, Variant("FLOAT"));
  } else if (code_in(type, {7, 133, 135})) {
    switch (context().CurrentDateFormat) {
      case 5: set_setting_value(S::FldValidate, Variant("DATE")); break;
      case 6: set_setting_value(S::FldValidate, Variant("USDATE")); break;
      case 7: set_setting_value(S::FldValidate, Variant("EURODATE")); break;
      default: break;
    }
  } else if (code_in(type, {134})) {
    set_setting_value(S::FldValidate, Variant("TIME"));
  } else if (code_in(type, {72})) {
    set_setting_value(S::FldValidate, Variant("GUID"));
  }
}

void AGPField::DefaultSrchOpr() {
  const bool like = !code_in(setting_value(S::NativeDataType), {247, 248}) &&
                    code_in(setting_value(S::FldType), {8, 129, 130, 200, 201, 202, 203});
  set_setting_value(S::FldSrchOpr, Variant(like ? "LIKE" : "="));
}

void AGPField::DefaultSearch() { set_setting_value(S::FldSearch, Variant(false)); }

void AGPField::DefaultBasicSearch() {
  const bool basic = code_in(setting_value(S::FldType), {129, 130, 200, 201, 202, 203}) &&
                     flag_of(setting_value(S::FldSupport));
  set_setting_value(S::FldBasicSearch, Variant(basic));
}

}  // namespace tolvex
