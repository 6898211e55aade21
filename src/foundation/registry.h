// Registry access: the cRegistry wrapper and the one-call procedures
// common.GetRegValue / common.SetRegValue over the shared instance.
//
// cRegistry works over the platform registry (platform/registry.h). The caller sets
// ClassKey (the root), SectionKey (the key path, "\" between names) and ValueKey
// (the value name), then reads or writes Value, which converts by the stored kind.
// Reads never raise: whatever cannot be read gives Default. Errors are raised as
// vb::VBError with the source "tolvex3.cRegistry".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

// A write that the registry refused because it cannot keep it (its hive file cannot be
// written, or cannot be read as a hive). Raised as cRegistry raises its errors: number 26001,
// the description naming the key and value and then the cause, source "tolvex3.cRegistry".
// cause() is the registry's own message alone, which names the file and the reason.
class RegistryWriteError : public vb::VBError {
 public:
  RegistryWriteError(const std::string& where, std::string cause);
  const std::string& cause() const noexcept { return cause_; }

 private:
  std::string cause_;
};

class cRegistry : public vb::AutoDispatch<cRegistry> {
 public:
  // Root keys as the registry numbers them (signed, as VB shows them).
  static constexpr int32_t HKEY_CLASSES_ROOT = int32_t(0x80000000u);
  static constexpr int32_t HKEY_CURRENT_USER = int32_t(0x80000001u);
  static constexpr int32_t HKEY_LOCAL_MACHINE = int32_t(0x80000002u);

  // Error numbers raised by this class.
  static constexpr int32_t kErrRegistry = 26001;
  static constexpr int32_t kErrEnumerate = int32_t(0x800469AAu);
  static constexpr int32_t kErrAssociationArgs = int32_t(0x800469ACu);
  static constexpr int32_t kErrAssociationClass = int32_t(0x800469ADu);
  static const char* const kErrorSource;  // "tolvex3.cRegistry"

  // --- properties (plain get and let) ---
  int32_t ClassKey = 0;
  std::string SectionKey;
  std::string ValueKey;
  // The value kind: 1 text, 2 expandable text, 3 binary, 4 32-bit number,
  // 5 big-endian 32-bit number, 7 list of texts. Set by a successful read;
  // chooses the kind of a write.
  int32_t ValueType = 0;
  // What a read returns when nothing can be read.
  vb::Variant Default;

  // True when ClassKey\SectionKey exists.
  bool KeyExists();
  // Creates SectionKey with every missing key on its path; raises 26001 on failure.
  bool CreateKey();
  // Deletes SectionKey (with its subkeys); raises 26001 when it cannot.
  bool DeleteKey();
  // Deletes the value ValueKey; raises 26001 when the key or the value is missing.
  bool DeleteValue();

  // Value get: texts (kind 1; kind 2 expanded; kind 7 as the texts each followed
  // by a NUL, the final NUL dropped), numbers (kinds 4, 5) as Long, anything else
  // as a Byte array.
  vb::Variant GetValue();
  // Value let. Texts (kinds 1, 2) are stored as kind 2 when they hold "%...%" with
  // at least one character between, else kind 1; kind 3 takes a Byte array (else
  // 26001); kinds 4, 5 store an Integer or Long as kind 4 and ignore other values;
  // other kinds store nothing. The message of a failed write never shows the value.
  void SetValue(const vb::Variant& value);

  // The value names / subkey names of ClassKey\SectionKey in `names` (names[0] is
  // the first), `count` their number. Always True; a missing key gives no names.
  // EnumerateSections raises 800469AA when the registry fails while it lists.
  bool EnumerateValues(std::vector<std::string>& names, int32_t& count);
  bool EnumerateSections(std::vector<std::string>& names, int32_t& count);

  // Registers a file type for a program below HKEY_CLASSES_ROOT (kept in the
  // current user's "Software\Classes").
  void CreateEXEAssociation(std::string_view program_path, std::string_view class_name,
                            std::string_view class_description, std::string_view file_extension,
                            std::string_view open_text, bool print, std::string_view print_text, bool new_file,
                            std::string_view new_text, bool install, std::string_view install_text,
                            int32_t icon_index);
  // Further menu commands for a registered file type: name, menu text, command triples.
  // Raises 800469AC when the list is not made of triples, 800469AD when the class
  // key does not exist below ClassKey.
  void CreateAdditionalEXEAssociations(std::string_view class_name, std::span<const std::string> triples);

  static const vb::DispatchTable<cRegistry>& dispatch_table();
};

// The shared registry object of the context (SharedRegistry), created on first use.
cRegistry& shared_registry();

namespace common {

// Reads a value through the shared registry object: root "HKLM" (exactly) selects
// the local machine, anything else the current user. A missing key or value gives
// Empty and raises nothing. The kind read is left in RegLastValueType.
vb::Variant GetRegValue(const vb::Variant& root, const vb::Variant& section, const vb::Variant& value_name);
// Writes a value of the given kind through the shared registry object; errors of the
// write reach the caller.
void SetRegValue(const vb::Variant& root, const vb::Variant& section, const vb::Variant& value_name,
                 int32_t& kind, const vb::Variant& value);

}  // namespace common
}  // namespace tolvex
