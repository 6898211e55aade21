// Registry access: cRegistry and common::GetRegValue / SetRegValue over an in-memory registry.
#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "foundation/context.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/registry.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using platform::RegRoot;
using platform::RegValue;
using vb::Variant;
using vb::VarType;

constexpr const char* kKey = "Software\\Tolvex\\3.0\\Settings\\General";

class RegistryTest : public ::testing::Test {
 protected:
  std::shared_ptr<platform::MemoryRegistry> memory = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry installed{memory};
  ContextScope scope;

  platform::RegistryTree& user() { return memory->tree(RegRoot::CurrentUser); }
  platform::RegistryTree& machine() { return memory->tree(RegRoot::LocalMachine); }

  void expect_raises(const std::function<void()>& f, int32_t number, const std::string& description) {
    try {
      f();
      ADD_FAILURE() << "no error raised, expected " << description;
    } catch (const vb::VBError& e) {
      EXPECT_EQ(e.number(), number);
      EXPECT_EQ(e.description(), description);
      EXPECT_EQ(e.source(), "tolvex3.cRegistry");
    }
  }
};

TEST_F(RegistryTest, ReadsEachKindAndKeepsTheKindRead) {
  ::setenv("TOLVEX_TEST_REG_VAR", "expanded", 1);
  user().set_value(kKey, "Text", RegValue::make_text("abc"));
  user().set_value(kKey, "Number", RegValue::make_dword(5));
  user().set_value(kKey, "Negative", RegValue::make_dword(0xFFFFFFFFu));
  user().set_value(kKey, "BigEndian", RegValue::make_dword(7, platform::reg_kind::kDwordBigEndian));
  user().set_value(kKey, "Expand", RegValue::make_expand_text("x %TOLVEX_TEST_REG_VAR% y"));
  user().set_value(kKey, "Multi", RegValue::make_multi_text({"one", "two"}));
  user().set_value(kKey, "Bytes", RegValue::make_binary({1, 0, 255}));
  user().set_value(kKey, "Empty", RegValue::make_text(""));

  struct Case {
    const char* name;
    int32_t kind;
    Variant expected;
  };
  const Case cases[] = {
      {"Text", 1, Variant("abc")},
      {"Number", 4, Variant(int32_t(5))},
      {"Negative", 4, Variant(int32_t(-1))},
      {"BigEndian", 5, Variant(int32_t(7))},
      {"Expand", 2, Variant("x expanded y")},
      {"Multi", 7, Variant(std::string("one\0two\0", 8))},
      {"Empty", 1, Variant("")},
  };
  for (const Case& c : cases) {
    Variant v = common::GetRegValue("HKCU", kKey, c.name);
    EXPECT_EQ(v.type(), c.expected.type()) << c.name;
    EXPECT_EQ(vb::compare(v, c.expected), std::optional<int>(0)) << c.name;
    EXPECT_EQ(scope->RegLastValueType, c.kind) << c.name;
  }
  Variant bytes = common::GetRegValue("HKCU", kKey, "Bytes");
  ASSERT_EQ(bytes.vartype(), vb::VarType::Array | vb::VarType::Byte);
  ASSERT_EQ(bytes.raw_array().size(), 3u);
  EXPECT_EQ(bytes.raw_array()[2].raw_byte(), 255);
  EXPECT_EQ(scope->RegLastValueType, 3);

  // Written back with the kind read, the bytes stay the same.
  int32_t kind = scope->RegLastValueType;
  common::SetRegValue("HKCU", "Software\\Copy", "Bytes", kind, bytes);
  EXPECT_EQ(user().query_value("Software\\Copy", "Bytes"), RegValue::make_binary({1, 0, 255}));
}

TEST_F(RegistryTest, MissingValuesReadEmptyWithoutCreatingOrRaising) {
  user().set_value(kKey, "Number", RegValue::make_dword(5));
  common::GetRegValue("HKCU", kKey, "Number");
  ASSERT_EQ(scope->RegLastValueType, 4);

  Variant v = common::GetRegValue("HKCU", "Software\\Missing\\Key", "Anything");
  EXPECT_TRUE(v.is_empty());
  EXPECT_FALSE(user().key_exists("Software\\Missing"));
  EXPECT_EQ(scope->RegLastValueType, 4);  // the kind of the previous read stays
  EXPECT_TRUE(common::GetRegValue("HKCU", kKey, "NoSuchValue").is_empty());

  // Only the exact root "HKLM" reads the machine.
  machine().set_value(kKey, "Where", RegValue::make_text("machine"));
  user().set_value(kKey, "Where", RegValue::make_text("user"));
  EXPECT_EQ(vb::to_string(common::GetRegValue("HKLM", kKey, "Where")), "machine");
  EXPECT_EQ(vb::to_string(common::GetRegValue("hklm", kKey, "Where")), "user");
  EXPECT_EQ(vb::to_string(common::GetRegValue("", kKey, "Where")), "user");
}

TEST_F(RegistryTest, WritesChooseTheKindByValue) {
  struct Case {
    const char* label;
    int32_t kind;
    Variant value;
    std::optional<RegValue> stored;
  };
  const Case cases[] = {
      {"single percent", 1, Variant("50% off"), RegValue::make_text("50% off")},
      {"variable", 1, Variant("%a%"), RegValue::make_expand_text("%a%")},
      {"adjacent percents", 1, Variant("%%"), RegValue::make_text("%%")},
      {"expand as plain", 2, Variant("plain"), RegValue::make_text("plain")},
      {"boolean text", 1, Variant(true), RegValue::make_text("True")},
      {"long", 4, Variant(int32_t(1)), RegValue::make_dword(1)},
      {"integer", 4, Variant(int16_t(-2)), RegValue::make_dword(0xFFFFFFFEu)},
      {"big endian kind", 5, Variant(int32_t(9)), RegValue::make_dword(9)},
      {"boolean dword", 4, Variant(true), std::nullopt},
      {"text dword", 4, Variant("12"), std::nullopt},
      {"unknown kind", 11, Variant("x"), std::nullopt},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "v" + std::to_string(n++);
    int32_t kind = c.kind;
    common::SetRegValue("HKCU", "Software\\Level1\\Level2\\Level3", name, kind, c.value);
    EXPECT_EQ(user().query_value("Software\\Level1\\Level2\\Level3", name), c.stored) << c.label;
  }
  EXPECT_TRUE(user().key_exists("Software\\Level1\\Level2\\Level3"));
  int32_t kind = 1;
  common::SetRegValue("HKLM", "Software\\M", "x", kind, Variant("m"));
  EXPECT_EQ(machine().query_value("Software\\M", "x"), RegValue::make_text("m"));
}

TEST_F(RegistryTest, ErrorsCarryNumberDescriptionAndSourceButNeverTheValue) {
  cRegistry r;
  r.ClassKey = cRegistry::HKEY_CURRENT_USER;
  r.SectionKey = "Software\\Nope";
  r.ValueKey = "v";
  expect_raises([&] { r.DeleteKey(); }, 26001, "Failed to delete registry Key: '-2147483647',Section: 'Software\\Nope");
  expect_raises([&] { r.DeleteValue(); }, 26001,
                "Failed to open key '-2147483647',Section: 'Software\\Nope' for delete access");
  user().create_key("Software\\Nope");
  expect_raises([&] { r.DeleteValue(); }, 26001,
                "Failed to delete registry Key: '-2147483647',Section: 'Software\\Nope',Key: 'v");
  r.ValueType = 3;
  try {
    r.SetValue(Variant("not bytes"));
    ADD_FAILURE() << "binary write of a text must raise";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), 26001);
  }

  // A root that does not exist: the message names the place only.
  r.ClassKey = 12345;
  r.ValueType = 1;
  expect_raises([&] { r.SetValue(Variant("secret-password")); }, 26001,
                "Failed to set registry value Key: '12345',Section: 'Software\\Nope',Key: 'v'");
  expect_raises([&] { r.CreateKey(); }, 26001, "Failed to create registry Key: 'Software\\Nope");
  EXPECT_TRUE(r.GetValue().is_empty());  // reads never raise
  EXPECT_FALSE(r.KeyExists());

  r.ClassKey = cRegistry::HKEY_CURRENT_USER;
  user().set_value("Software\\Nope", "v", RegValue::make_text("x"));
  EXPECT_TRUE(r.DeleteValue());
  EXPECT_FALSE(user().query_value("Software\\Nope", "v"));
  EXPECT_TRUE(r.DeleteKey());
  EXPECT_FALSE(user().key_exists("Software\\Nope"));
}

TEST_F(RegistryTest, DefaultIsReturnedWhenNothingCanBeRead) {
  cRegistry r;
  r.ClassKey = cRegistry::HKEY_CURRENT_USER;
  r.SectionKey = "Software\\None";
  r.Default = Variant("fallback");
  r.ValueType = 4;
  EXPECT_EQ(vb::to_string(r.GetValue()), "fallback");
  EXPECT_EQ(r.ValueType, 4);
}

TEST_F(RegistryTest, EnumeratesValuesAndSections) {
  user().set_value("Software\\E", "Zeta", RegValue::make_text("1"));
  user().set_value("Software\\E", "alpha", RegValue::make_text("2"));
  user().create_key("Software\\E\\beta");
  user().create_key("Software\\E\\Alpha");
  cRegistry& r = shared_registry();
  r.ClassKey = cRegistry::HKEY_CURRENT_USER;
  r.SectionKey = "Software\\E";
  std::vector<std::string> names{"stale"};
  int32_t count = -1;
  EXPECT_TRUE(r.EnumerateValues(names, count));
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "alpha"}));  // insertion order
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(r.EnumerateSections(names, count));
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta"}));  // sorted without case
  EXPECT_EQ(count, 2);

  r.SectionKey = "Software\\Missing";
  EXPECT_TRUE(r.EnumerateSections(names, count));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.empty());

  // Through the dispatch interface the names come back 1-based.
  r.SectionKey = "Software\\E";
  Variant args[2];
  EXPECT_TRUE(r.call("EnumerateSections", args).raw_bool());
  EXPECT_EQ(args[0].raw_array().lbound(), 1);
  EXPECT_EQ(args[0].raw_array().ubound(), 2);
  EXPECT_EQ(vb::to_string(args[0].raw_array()[0]), "Alpha");
  EXPECT_EQ(vb::to_long(args[1]), 2);
}

TEST_F(RegistryTest, FileAssociations) {
  cRegistry r;
  r.CreateEXEAssociation(" /opt/app ", "App.Doc", "App document", "tvp", "", true, "", false, "", true, "", 0);
  auto classes = [&](const std::string& key) {
    auto v = user().query_value("Software\\Classes\\" + key, "");
    return v ? v->text : std::string("<missing>");
  };
  EXPECT_EQ(classes(".tvp"), "App.Doc");
  EXPECT_EQ(classes("App.Doc"), "App document");
  EXPECT_EQ(classes("App.Doc\\shell\\open"), "&Open");
  EXPECT_EQ(classes("App.Doc\\shell\\open\\command"), "\"/opt/app\" \"%1\"");
  EXPECT_EQ(classes("App.Doc\\shell\\print\\command"), "\"/opt/app\" /p \"%1\"");
  EXPECT_EQ(classes("App.Doc\\shell\\add"), "&Install tvp");
  EXPECT_EQ(classes("App.Doc\\shell\\new"), "<missing>");
  EXPECT_EQ(classes("App.Doc\\DefaultIcon"), "\"/opt/app\",0");

  const std::string two[] = {"edit", "&Edit"};
  expect_raises([&] { r.CreateAdditionalEXEAssociations("App.Doc", two); }, int32_t(0x800469ACu),
                "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
  const std::string three[] = {"edit", "&Edit", "app -e"};
  expect_raises([&] { r.CreateAdditionalEXEAssociations("Other.Doc", three); }, int32_t(0x800469ADu),
                "Error - attempt to create additional associations before class defined.");
  r.CreateAdditionalEXEAssociations("App.Doc", three);
  EXPECT_EQ(classes("App.Doc\\shell\\edit"), "&Edit");
  EXPECT_EQ(classes("App.Doc\\shell\\edit\\command"), "app -e");
}

TEST(RegistryFile, AFailedWriteIsReportedWithoutTheValue) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tolvex-reg-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto file = std::make_shared<platform::FileRegistry>(dir / "user.reg", dir / "machine.reg");
  platform::ScopedRegistry installed(file);
  ContextScope scope;
  int32_t kind = 1;
  common::SetRegValue("HKCU", "Software\\T", "Password", kind, Variant("first"));
  platform::set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  try {
    common::SetRegValue("HKCU", "Software\\T", "Password", kind, Variant("hunter2"));
    ADD_FAILURE() << "a write that cannot be kept must raise";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), 26001);
    EXPECT_EQ(std::string(e.description()).find("hunter2"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("Section: 'Software\\T',Key: 'Password'"), std::string::npos) << e.description();
  }
  platform::set_write_fault_hook({});
  EXPECT_EQ(vb::to_string(common::GetRegValue("HKCU", "Software\\T", "Password")), "first");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tolvex
