#include "vbscript/runtime/builtins.h"

#include <unordered_map>

#include "vb/strings.h"
#include "vbscript/runtime/dictionary.h"
#include "vbscript/runtime/file_system.h"
#include "vbscript/runtime/library.h"
#include "vbscript/runtime/regexp.h"

namespace tolvex::vbscript {

using vb::Variant;

namespace {

using BuiltinMap = std::unordered_map<std::string_view, const Builtin*, vb::IHash, vb::IEqual>;

const BuiltinMap& builtin_map() {
  static const BuiltinMap map = [] {
    BuiltinMap m;
    for (auto table : {lib::string_builtins(), lib::byte_builtins(), lib::math_builtins(), lib::date_builtins(),
                       lib::format_builtins(), lib::misc_builtins()})
      for (const Builtin& b : table) m.emplace(b.name, &b);
    return m;
  }();
  return map;
}

using ConstantMap = std::unordered_map<std::string, Variant, vb::IHash, vb::IEqual>;

// Constants keep the subtype that their literal would have: Integer when it fits, else Long.
Variant whole(int32_t v) { return v >= -32768 && v <= 32767 ? Variant(int16_t(v)) : Variant(v); }

const ConstantMap& constant_map() {
  static const ConstantMap map = [] {
    ConstantMap m;
    const std::pair<const char*, int32_t> numbers[] = {
        // comparison
        {"vbBinaryCompare", 0}, {"vbTextCompare", 1}, {"vbDatabaseCompare", 2},
        // days and weeks
        {"vbUseSystemDayOfWeek", 0}, {"vbSunday", 1}, {"vbMonday", 2}, {"vbTuesday", 3},
        {"vbWednesday", 4}, {"vbThursday", 5}, {"vbFriday", 6}, {"vbSaturday", 7},
        {"vbUseSystem", 0}, {"vbFirstJan1", 1}, {"vbFirstFourDays", 2}, {"vbFirstFullWeek", 3},
        // date formats
        {"vbGeneralDate", 0}, {"vbLongDate", 1}, {"vbShortDate", 2}, {"vbLongTime", 3}, {"vbShortTime", 4},
        // message boxes
        {"vbOKOnly", 0}, {"vbOKCancel", 1}, {"vbAbortRetryIgnore", 2}, {"vbYesNoCancel", 3},
        {"vbYesNo", 4}, {"vbRetryCancel", 5}, {"vbCritical", 16}, {"vbQuestion", 32},
        {"vbExclamation", 48}, {"vbInformation", 64}, {"vbDefaultButton1", 0},
        {"vbDefaultButton2", 256}, {"vbDefaultButton3", 512}, {"vbDefaultButton4", 768},
        {"vbApplicationModal", 0}, {"vbSystemModal", 4096}, {"vbMsgBoxHelpButton", 16384},
        {"vbMsgBoxSetForeground", 65536}, {"vbMsgBoxRight", 524288}, {"vbMsgBoxRtlReading", 1048576},
        {"vbOK", 1}, {"vbCancel", 2}, {"vbAbort", 3}, {"vbRetry", 4}, {"vbIgnore", 5}, {"vbYes", 6}, {"vbNo", 7},
        // VarType
        {"vbEmpty", 0}, {"vbNull", 1}, {"vbInteger", 2}, {"vbLong", 3}, {"vbSingle", 4},
        {"vbDouble", 5}, {"vbCurrency", 6}, {"vbDate", 7}, {"vbString", 8}, {"vbObject", 9},
        {"vbError", 10}, {"vbBoolean", 11}, {"vbVariant", 12}, {"vbDataObject", 13},
        {"vbDecimal", 14}, {"vbByte", 17}, {"vbArray", 8192},
        // tristate
        {"vbUseDefault", -2}, {"vbTrue", -1}, {"vbFalse", 0},
        // errors
        {"vbObjectError", int32_t(0x80040000u)},
    };
    for (const auto& [name, value] : numbers) m.emplace(name, whole(value));
    // Colours are RGB values: Long whatever their size (vbBlack too).
    const std::pair<const char*, int32_t> colours[] = {
        {"vbBlack", 0x000000}, {"vbRed", 0x0000FF}, {"vbGreen", 0x00FF00}, {"vbYellow", 0x00FFFF},
        {"vbBlue", 0xFF0000}, {"vbMagenta", 0xFF00FF}, {"vbCyan", 0xFFFF00}, {"vbWhite", 0xFFFFFF},
    };
    for (const auto& [name, value] : colours) m.emplace(name, Variant(value));
    const std::pair<const char*, std::string_view> texts[] = {
        {"vbCr", "\r"},          {"vbLf", "\n"},        {"vbCrLf", "\r\n"},    {"vbNewLine", "\r\n"},
        {"vbTab", "\t"},         {"vbFormFeed", "\f"},  {"vbVerticalTab", "\v"},
        {"vbNullChar", std::string_view("\0", 1)},     {"vbNullString", ""},
    };
    for (const auto& [name, value] : texts) m.emplace(name, Variant(value));
    return m;
  }();
  return map;
}

}  // namespace

const Builtin* find_builtin(std::string_view name) {
  const auto& m = builtin_map();
  auto it = m.find(name);
  return it == m.end() ? nullptr : it->second;
}

const Variant* find_constant(std::string_view name) {
  const auto& m = constant_map();
  auto it = m.find(name);
  return it == m.end() ? nullptr : &it->second;
}

vb::Ref<vb::Dispatch> create_object(std::string_view progid, RuntimeEnv& env) {
  if (vb::iequals(progid, "Scripting.Dictionary")) return vb::make_ref<Dictionary>(&env);
  if (vb::iequals(progid, "Scripting.FileSystemObject")) return vb::make_ref<FileSystemObject>();
  if (vb::iequals(progid, "VBScript.RegExp")) return vb::make_ref<RegExp>();
  return nullptr;
}

void free_object_cycles(RuntimeEnv& env) noexcept { Dictionary::free_cycles(env); }

}  // namespace tolvex::vbscript
