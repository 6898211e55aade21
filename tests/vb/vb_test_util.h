// Small helpers shared by the value-core tests.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/variant.h"

namespace vbtest {

// The VB error number that f raises, 0 when it raises none.
template <class F>
int error_of(F&& f) {
  try {
    f();
  } catch (const tolvex::vb::VBError& e) {
    return e.number();
  }
  return 0;
}

// Same subtype and same value, compared field by field (not through the code under test).
inline bool same(const tolvex::vb::Variant& a, const tolvex::vb::Variant& b) {
  using tolvex::vb::VarType;
  if (a.vartype() != b.vartype()) return false;
  switch (a.type()) {
    case VarType::Empty:
    case VarType::Null: return true;
    case VarType::Integer: return a.raw_integer() == b.raw_integer();
    case VarType::Long: return a.raw_long() == b.raw_long();
    case VarType::Single: return a.raw_single() == b.raw_single();
    case VarType::Double: return a.raw_double() == b.raw_double();
    case VarType::Currency: return a.raw_currency() == b.raw_currency();
    case VarType::Date: return a.raw_date() == b.raw_date();
    case VarType::String: return a.raw_string() == b.raw_string();
    case VarType::Boolean: return a.raw_bool() == b.raw_bool();
    case VarType::Byte: return a.raw_byte() == b.raw_byte();
    case VarType::Error: return a.raw_error() == b.raw_error();
    case VarType::Object: return a.raw_object() == b.raw_object();
    case VarType::Array: {
      const auto& x = a.raw_array();
      const auto& y = b.raw_array();
      if (x.size() != y.size() || x.dims() != y.dims()) return false;
      for (size_t i = 0; i < x.size(); ++i)
        if (!same(x[i], y[i])) return false;
      return true;
    }
    default: return false;
  }
}

// A locale whose decimal point is ",", or nullptr when none can be had: an installed
// one, else one that localedef compiles from the system's locale sources into a
// temporary folder, found through LOCPATH for the rest of this test process.
inline const char* comma_locale() {
  static const std::string name = [] {
    auto has_comma = [](const char* candidate) {
      if (!std::setlocale(LC_ALL, candidate)) return false;
      bool comma = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
      std::setlocale(LC_ALL, "C");
      return comma;
    };
    for (const char* c : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
      if (has_comma(c)) return std::string(c);
    struct Folder {
      std::string path;
      ~Folder() {
        if (!path.empty()) std::filesystem::remove_all(path);
      }
    };
    static Folder folder;
    char tmpl[] = "/tmp/tolvex-locale-XXXXXX";
    if (!::mkdtemp(tmpl)) return std::string();
    folder.path = tmpl;
    const std::string command =
        "localedef -c -i de_DE -f UTF-8 '" + folder.path + "/de_DE.UTF-8' >/dev/null 2>&1";
    (void)std::system(command.c_str());  // warnings give a non-zero status with a usable result
    ::setenv("LOCPATH", folder.path.c_str(), 1);
    if (has_comma("de_DE.UTF-8")) return std::string("de_DE.UTF-8");
    ::unsetenv("LOCPATH");
    return std::string();
  }();
  return name.empty() ? nullptr : name.c_str();
}

// Runs body once in the "C" locale and once in a locale whose decimal point is ","
// (see comma_locale; without one the second run is left out and the test says so),
// restoring the locale afterwards.
template <class F>
void in_each_locale(F&& body) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* second = comma_locale();
  std::setlocale(LC_ALL, "C");
  {
    SCOPED_TRACE("locale C");
    body();
  }
  if (second) {
    std::setlocale(LC_ALL, second);
    SCOPED_TRACE(std::string("locale ") + second + " (decimal point \"" + std::localeconv()->decimal_point + "\")");
    body();
  } else {
    ::testing::Test::RecordProperty("comma_locale", "none available: only the C locale was tried");
    std::cerr << "note: no locale with a decimal comma could be installed or built; only C was tried\n";
  }
  std::setlocale(LC_ALL, saved.c_str());
}

// An object whose default member returns a fixed value.
class Holder : public tolvex::vb::AutoDispatch<Holder> {
 public:
  explicit Holder(tolvex::vb::Variant v) : value(std::move(v)) {}
  tolvex::vb::Variant value;
  static const tolvex::vb::DispatchTable<Holder>& dispatch_table() {
    static const tolvex::vb::DispatchTable<Holder> t = [] {
      tolvex::vb::DispatchTable<Holder> d("Holder");
      d.property("Value", [](Holder& h, tolvex::vb::Args) { return h.value; });
      d.default_member("Value");
      return d;
    }();
    return t;
  }
};

// An object without a default member.
class Plain : public tolvex::vb::AutoDispatch<Plain> {
 public:
  static const tolvex::vb::DispatchTable<Plain>& dispatch_table() {
    static const tolvex::vb::DispatchTable<Plain> t = [] {
      tolvex::vb::DispatchTable<Plain> d("Plain");
      d.method("Run", [](Plain&, tolvex::vb::Args) { return tolvex::vb::Variant(); });
      return d;
    }();
    return t;
  }
};

}  // namespace vbtest
