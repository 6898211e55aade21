// The error type that the object model, the conversions and the script engine raise.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tolvex::vb {

// Well-known VB run-time error numbers.
namespace err {
inline constexpr int32_t kReturnWithoutGosub = 3;
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kArrayFixedOrLocked = 10;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kOutOfStringSpace = 14;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kFileAlreadyExists = 58;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCantCreateObject = 429;
inline constexpr int32_t kObjectVariableNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kNotSupported = 438;  // Object doesn't support this property or method
inline constexpr int32_t kWrongArgCount = 450;
inline constexpr int32_t kKeyAlreadyExists = 457;
inline constexpr int32_t kUnsupportedAutomationType = 458;
inline constexpr int32_t kNotACollection = 451;
inline constexpr int32_t kVariableUndefined = 500;
inline constexpr int32_t kIllegalAssignment = 501;
inline constexpr int32_t kTypeNameUndefined = 506;
}  // namespace err

// An error carrying a VB error number, description and source. Numbers are the
// 32-bit values that VB's Err.Number shows (hexadecimal 80000500 is -2147482368).
class VBError : public std::runtime_error {
 public:
  VBError(int32_t number, std::string description, std::string source = {});
  // Uses the standard description of the number.
  explicit VBError(int32_t number);

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }
  void set_source(std::string s) { source_ = std::move(s); }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// The standard English description of a VB/VBScript error number ("Overflow",
// "Type mismatch", ...); "Unknown runtime error" when the number has none.
std::string error_description(int32_t number);

[[noreturn]] void raise(int32_t number);
[[noreturn]] void raise(int32_t number, std::string description, std::string source = {});

}  // namespace tolvex::vb
