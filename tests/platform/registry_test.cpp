#include "platform/registry.h"

#include <functional>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::ScopedEnv;
using testing::TempFolder;

const char* kKey = "Software\\Tolvex\\3.0\\Settings\\General";

struct Sample {
  const char* name;
  RegValue value;
};

std::vector<Sample> every_kind() {
  return {
      {"Plain", RegValue::make_text("English")},
      {"Name with\r\na break, \"quotes\" and ü", RegValue::make_text("v")},
      {"", RegValue::make_text("the default value")},
      {"Quotes \"and\" \\back\\slashes", RegValue::make_text("say \"hi\" to C:\\Temp\\ and \\\\server")},
      {"Lines", RegValue::make_text("one\r\ntwo\nthree\rfour\tcolumn")},
      {"Unicode Grüße", RegValue::make_text("Grüße, Ελλάδα, 日本語 €")},
      {"Controls", RegValue::make_text(std::string("nul\0bell\x07" "del\x7f", 14))},
      {"Empty", RegValue::make_text("")},
      {"Expand", RegValue::make_expand_text("%HOME%\\docs \"%X%\"")},
      {"Binary", RegValue::make_binary({0x00, 0x7f, 0x80, 0xff})},
      {"NoBytes", RegValue::make_binary({})},
      {"Dword", RegValue::make_dword(0xFFFFFFFFu)},
      {"DwordZero", RegValue::make_dword(0)},
      {"BigEndian", RegValue::make_dword(0x0102A0B0u, reg_kind::kDwordBigEndian)},
      {"Multi", RegValue::make_multi_text({"a \"b\"", "", "c\\d\r\n", "ü"})},
      {"MultiEmpty", RegValue::make_multi_text({})},
      {"MultiOneEmpty", RegValue::make_multi_text({""})},
      {"Other kind", RegValue::make_binary({1, 2, 3}, 11)},
      {"Kind zero", RegValue::make_binary({9}, reg_kind::kNone)},
  };
}

TEST(RegistryFile, EveryKindAndAwkwardTextSurviveAReopen) {
  TempFolder tmp;
  const auto user = tmp / "cfg/user.reg";
  const auto machine = tmp / "data/machine.reg";
  const std::string odd_key = std::string(kKey) + "\\[odd] ]key\\ spaced \\Ünïcode";
  {
    FileRegistry reg(user, machine);
    for (const auto& s : every_kind()) {
      reg.set_value(RegRoot::CurrentUser, kKey, s.name, s.value);
      reg.set_value(RegRoot::LocalMachine, odd_key, s.name, s.value);
    }
    reg.create_key(RegRoot::CurrentUser, "Software\\Empty\\Leaf");
  }
  FileRegistry again(user, machine);
  for (const auto& s : every_kind()) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(again.query_value(RegRoot::CurrentUser, kKey, s.name), s.value);
    EXPECT_EQ(again.query_value(RegRoot::LocalMachine, odd_key, s.name), s.value);
  }
  EXPECT_TRUE(again.key_exists(RegRoot::CurrentUser, "Software\\Empty\\Leaf"));
  EXPECT_EQ(again.subkeys(RegRoot::LocalMachine, kKey), std::vector<std::string>{"[odd] ]key"});
  EXPECT_EQ(again.subkeys(RegRoot::LocalMachine, std::string(kKey) + "\\[odd] ]key"),
            std::vector<std::string>{" spaced "});
  // The value order of the file is the order of creation.
  std::vector<std::string> names;
  for (const auto& s : every_kind()) names.push_back(s.name);
  EXPECT_EQ(again.value_names(RegRoot::CurrentUser, kKey), names);
  // One value per line: no raw line break inside the file's values.
  const std::string text = read_file(user);
  EXPECT_EQ(text.find("one\r"), std::string::npos);
  EXPECT_NE(text.find("\"Lines\"=\"one\\r\\ntwo\\nthree\\rfour\\tcolumn\""), std::string::npos) << text;
}

using Factory = std::function<std::shared_ptr<RegistryBackend>(const TempFolder&)>;

class RegistryRules : public ::testing::TestWithParam<std::pair<const char*, Factory>> {
 protected:
  TempFolder tmp;
  std::shared_ptr<RegistryBackend> reg = GetParam().second(tmp);
};

TEST_P(RegistryRules, NamesIgnoreCaseKeepTheirCaseAndEnumerateInOrder) {
  const auto cu = RegRoot::CurrentUser;
  reg->set_value(cu, "Software\\Beta", "x", RegValue::make_text("1"));
  reg->set_value(cu, "\\software\\alpha\\", "x", RegValue::make_text("2"));
  reg->create_key(cu, "SOFTWARE\\\\gamma");
  reg->create_key(cu, "Software\\_under");
  reg->create_key(cu, "Software\\ÄRGER");
  reg->create_key(cu, "software\\ärger\\deeper");  // the same key, other case
  EXPECT_EQ(reg->subkeys(cu, ""), std::vector<std::string>{"Software"});
  // Sorted by the upper-case form: "_" (0x5F) comes after the letters.
  EXPECT_EQ(reg->subkeys(cu, "SOFTWARE"),
            (std::vector<std::string>{"alpha", "Beta", "gamma", "_under", "ÄRGER"}));

  reg->set_value(cu, "Software\\Beta", "Zed", RegValue::make_dword(1));
  reg->set_value(cu, "Software\\Beta", "alpha", RegValue::make_dword(2));
  reg->set_value(cu, "Software\\Beta", "Mid", RegValue::make_dword(3));
  reg->set_value(cu, "software\\BETA", "ALPHA", RegValue::make_text("replaced"));
  EXPECT_EQ(reg->value_names(cu, "Software\\Beta"), (std::vector<std::string>{"x", "Zed", "alpha", "Mid"}));
  EXPECT_EQ(reg->query_value(cu, "SOFTWARE\\beta", "aLpHa"), RegValue::make_text("replaced"));
  EXPECT_EQ(reg->query_value(cu, "Software\\Beta", "zed"), RegValue::make_dword(1));
  // The roots are separate.
  EXPECT_FALSE(reg->key_exists(RegRoot::LocalMachine, "Software"));
}

TEST_P(RegistryRules, ReadsCreateNothingAndDeletesReportWhatTheyDid) {
  const auto cu = RegRoot::CurrentUser;
  EXPECT_EQ(reg->query_value(cu, "A\\B\\C", "v"), std::nullopt);
  EXPECT_TRUE(reg->subkeys(cu, "A\\B").empty());
  EXPECT_TRUE(reg->value_names(cu, "A").empty());
  EXPECT_FALSE(reg->key_exists(cu, "A"));
  EXPECT_FALSE(reg->delete_value(cu, "A", "v"));
  EXPECT_FALSE(reg->delete_key(cu, "A"));

  reg->set_value(cu, "A\\B\\C", "v", RegValue::make_text("deep"));  // three missing levels
  EXPECT_TRUE(reg->key_exists(cu, "a\\b"));
  reg->set_value(cu, "A", "keep", RegValue::make_dword(7));
  EXPECT_FALSE(reg->delete_value(cu, "A\\B\\C", "other"));
  EXPECT_TRUE(reg->delete_value(cu, "a\\b\\c", "V"));
  EXPECT_EQ(reg->query_value(cu, "A\\B\\C", "v"), std::nullopt);
  reg->set_value(cu, "A\\B\\C", "v", RegValue::make_text("again"));
  EXPECT_TRUE(reg->delete_key(cu, "a\\B"));  // with its subkeys and values
  EXPECT_FALSE(reg->key_exists(cu, "A\\B\\C"));
  EXPECT_EQ(reg->query_value(cu, "A", "keep"), RegValue::make_dword(7));
  EXPECT_FALSE(reg->delete_key(cu, ""));
  EXPECT_THROW(reg->create_key(cu, "Bad\nName"), PlatformError);

  // Keys nest 512 levels deep at most.
  auto path_of_depth = [](size_t depth) {
    std::string p = "K";
    for (size_t i = 1; i < depth; ++i) p += "\\K";
    return p;
  };
  EXPECT_NO_THROW(reg->set_value(cu, path_of_depth(512), "v", RegValue::make_dword(1)));
  EXPECT_THROW(reg->create_key(cu, path_of_depth(513)), PlatformError);
  EXPECT_THROW(reg->set_value(cu, path_of_depth(513), "v", RegValue::make_dword(1)), PlatformError);
  EXPECT_FALSE(reg->key_exists(cu, path_of_depth(513)));
}

TEST_P(RegistryRules, ExpandableTextExpandsOnlyWhenAsked) {
  ScopedEnv var("TOLVEX_TEST_VAR", "C:\\Users\\me");
  const auto cu = RegRoot::CurrentUser;
  reg->set_value(cu, "K", "e", RegValue::make_expand_text("%TOLVEX_TEST_VAR%\\x %TOLVEX_NOT_SET%"));
  reg->set_value(cu, "K", "t", RegValue::make_text("%TOLVEX_TEST_VAR%"));
  EXPECT_EQ(reg->query_value(cu, "K", "e")->text, "%TOLVEX_TEST_VAR%\\x %TOLVEX_NOT_SET%");
  auto expanded = reg->query_value(cu, "K", "e", true);
  EXPECT_EQ(expanded->text, "C:\\Users\\me\\x %TOLVEX_NOT_SET%");
  EXPECT_EQ(expanded->kind, reg_kind::kExpandText);
  EXPECT_EQ(reg->query_value(cu, "K", "t", true)->text, "%TOLVEX_TEST_VAR%");
}

INSTANTIATE_TEST_SUITE_P(
    Backends, RegistryRules,
    ::testing::Values(std::make_pair("Memory", Factory([](const TempFolder&) {
                                       return std::shared_ptr<RegistryBackend>(std::make_shared<MemoryRegistry>());
                                     })),
                      std::make_pair("File", Factory([](const TempFolder& folder) {
                                       return std::shared_ptr<RegistryBackend>(
                                           std::make_shared<FileRegistry>(folder / "u.reg", folder / "m.reg"));
                                     }))),
    [](const auto& param_info) { return std::string(param_info.param.first); });

TEST(RegistryFile, CorruptHiveNamesFileAndLineAndIsNeverOverwritten) {
  struct Case {
    const char* text;
    int line;
    const char* reason;
  };
  std::string too_deep = "[K";
  for (int i = 0; i < 100000; ++i) too_deep += "\\K";
  too_deep += "]\n";
  const Case cases[] = {
      {"[K]\n\"a\"=\"ok\"\nrubbish\n", 3, "expected a [key] line"},
      {too_deep.c_str(), 1, "at most 512 levels"},
      {"\"a\"=\"before any key\"\n", 1, "must follow a [key] line"},
      {"; c\n[K\n", 2, "must end with ']'"},
      {"[K]\n\"a\"=\"open\n", 2, "not closed"},
      {"[K]\n\"a\"=\"bad \\q escape\"\n", 2, "unknown escape"},
      {"[K]\r\n\r\n\"a\"=dword:xyz\r\n", 3, "hexadecimal number"},
      {"[K]\n\"a\"=hex:01,zz\n", 2, "two hex digits"},
      {"[K]\n\"a\"=hex(4):01\n", 2, "own form"},
      {"[K]\n\"a\"=\"x\" trailing\n", 2, "unexpected text"},
      {"[K]\n\"a\" \"b\"\n", 2, "expected '='"},
      {"[K]\n\"a\"=float:1.5\n", 2, "unknown value form"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder tmp;
    const auto user = tmp / "user.reg";
    write_file_atomic(user, c.text);
    FileRegistry reg(user, tmp / "machine.reg");
    try {
      reg.query_value(RegRoot::CurrentUser, "K", "a");
      ADD_FAILURE() << "no error";
    } catch (const FileFormatError& e) {
      EXPECT_EQ(e.file(), user.string());
      EXPECT_EQ(e.line(), c.line);
      EXPECT_NE(std::string(e.what()).find(user.string() + ": line " + std::to_string(c.line) + ": "),
                std::string::npos)
          << e.what();
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
    EXPECT_THROW(reg.set_value(RegRoot::CurrentUser, "K", "a", RegValue::make_text("x")), FileFormatError);
    EXPECT_EQ(read_file(user), c.text);
    // The other root is unaffected.
    EXPECT_NO_THROW(reg.set_value(RegRoot::LocalMachine, "K", "a", RegValue::make_text("x")));
  }
}

TEST(RegistryFile, AFailedWriteChangesNeitherFileNorMemory) {
  TempFolder tmp;
  const auto user = tmp / "user.reg";
  FileRegistry reg(user, tmp / "machine.reg");
  reg.set_value(RegRoot::CurrentUser, "K", "a", RegValue::make_text("old"));
  const std::string before = read_file(user);

  set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  EXPECT_THROW(reg.set_value(RegRoot::CurrentUser, "K", "a", RegValue::make_text("new")), PlatformError);
  EXPECT_THROW(reg.delete_key(RegRoot::CurrentUser, "K"), PlatformError);
  set_write_fault_hook({});

  EXPECT_EQ(read_file(user), before);
  EXPECT_EQ(reg.query_value(RegRoot::CurrentUser, "K", "a"), RegValue::make_text("old"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1) << "temporary file left";
}

// A list of values goes into the hive file in one write, ending as the same values set one by one
// would; when any part fails (a bad name half-way, the write refused) neither file nor memory
// takes any of them.
TEST(RegistryFile, AListOfValuesIsOneWriteAllOrNothing) {
  TempFolder tmp;
  const auto cu = RegRoot::CurrentUser;
  const std::vector<RegWrite> writes = {{"A", "first", RegValue::make_text("")},
                                        {"A\\B", "n", RegValue::make_dword(5)},
                                        {"C", "m", RegValue::make_multi_text({"x", "y"})},
                                        {"a", "FIRST", RegValue::make_text("last")}};  // in place, as set_value does
  FileRegistry one_by_one(tmp / "single.reg", tmp / "machine.reg");
  for (const RegWrite& w : writes) one_by_one.set_value(cu, w.path, w.name, w.value);

  FileRegistry reg(tmp / "user.reg", tmp / "machine.reg");
  reg.set_value(cu, "K", "kept", RegValue::make_text("old"));
  const std::string before = read_file(tmp / "user.reg");
  struct Failure {
    const char* what;
    std::vector<RegWrite> writes;
    WriteFaultHook hook;
  };
  std::vector<RegWrite> bad_name = writes;
  bad_name.insert(bad_name.begin() + 2, RegWrite{"Bad\nKey", "v", RegValue::make_dword(1)});
  const std::vector<Failure> failures = {
      {"a bad key name half-way", bad_name, {}},
      {"the write refused", writes, [](std::string_view step) { return step != "rename"; }}};
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.what);
    set_write_fault_hook(f.hook);
    EXPECT_THROW(reg.set_values(cu, f.writes), PlatformError);
    set_write_fault_hook({});
    EXPECT_EQ(read_file(tmp / "user.reg"), before);
    EXPECT_FALSE(reg.key_exists(cu, "A"));
    EXPECT_EQ(reg.query_value(cu, "K", "kept"), RegValue::make_text("old"));
  }

  int renames = 0;
  set_write_fault_hook([&](std::string_view step) {
    renames += step == "rename";
    return true;
  });
  reg.set_values(cu, writes);
  set_write_fault_hook({});
  EXPECT_EQ(renames, 1);
  reg.delete_key(cu, "K");
  EXPECT_EQ(read_file(tmp / "user.reg"), read_file(tmp / "single.reg"));
  FileRegistry reopened(tmp / "user.reg", tmp / "machine.reg");
  EXPECT_EQ(reopened.query_value(cu, "A", "First"), RegValue::make_text("last"));
}

TEST(RegistryLocations, EnvironmentChoosesTheHives) {
  ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/config");
  {
    ScopedEnv cfg("TOLVEX_CONFIG_DIR", std::nullopt);
    EXPECT_EQ(user_hive_path(), std::filesystem::path("/xdg/config/tolvex/user.reg"));
  }
  {
    ScopedEnv cfg("TOLVEX_CONFIG_DIR", "/t/cfg");
    ScopedEnv data("TOLVEX_DATA_DIR", "/t/data");
    EXPECT_EQ(user_hive_path(), std::filesystem::path("/t/cfg/user.reg"));
    EXPECT_EQ(machine_hive_path(), std::filesystem::path("/t/data/machine.reg"));
    FileRegistry reg;
    EXPECT_EQ(reg.hive_path(RegRoot::CurrentUser), std::filesystem::path("/t/cfg/user.reg"));
  }
}

TEST(RegistryCurrent, TestsCanInstallTheirOwnRegistry) {
  auto mine = std::make_shared<MemoryRegistry>();
  RegistryBackend* before = nullptr;
  {
    TempFolder tmp;
    ScopedEnv cfg("TOLVEX_CONFIG_DIR", tmp.path().string());
    ScopedEnv data("TOLVEX_DATA_DIR", tmp.path().string());
    before = &current_registry();
    {
      ScopedRegistry scope(mine);
      current_registry().set_value(RegRoot::CurrentUser, "K", "v", RegValue::make_dword(5));
      EXPECT_EQ(&current_registry(), mine.get());
    }
    EXPECT_EQ(&current_registry(), before);
    EXPECT_FALSE(current_registry().key_exists(RegRoot::CurrentUser, "K"));
  }
  EXPECT_EQ(mine->query_value(RegRoot::CurrentUser, "K", "v"), RegValue::make_dword(5));
}

// A hive with tens of thousands of values in one key: every name is found (in any letter case),
// a later line of the same name replaces the value in place, and a deletion keeps the rest
// reachable and in order.
TEST(RegistryTree, ManyValuesInOneKey) {
  constexpr int kCount = 40000;
  std::string text = "[Big]\n";
  for (int i = 0; i < kCount; ++i) text += "\"Value" + std::to_string(i) + "\"=dword:" + std::string(8, '0') + "\n";
  text += "\"VALUE7\"=\"again\"\n";
  RegistryTree tree = RegistryTree::from_hive_text(text, "big.reg");

  std::vector<std::string> names = tree.value_names("Big");
  ASSERT_EQ(names.size(), size_t(kCount));
  EXPECT_EQ(names[7], "Value7");
  EXPECT_EQ(names[kCount - 1], "Value" + std::to_string(kCount - 1));
  EXPECT_EQ(tree.query_value("big", "value7"), RegValue::make_text("again"));

  ASSERT_TRUE(tree.delete_value("Big", "Value100"));
  EXPECT_FALSE(tree.delete_value("Big", "Value100"));
  EXPECT_FALSE(tree.query_value("Big", "Value100"));
  tree.set_value("Big", "value101", RegValue::make_dword(101));
  tree.set_value("Big", "Fresh", RegValue::make_dword(1));
  names = tree.value_names("Big");
  ASSERT_EQ(names.size(), size_t(kCount));
  EXPECT_EQ(names[100], "Value101");
  EXPECT_EQ(names.back(), "Fresh");
  EXPECT_EQ(tree.query_value("Big", "VALUE101"), RegValue::make_dword(101));
  EXPECT_EQ(tree.query_value("Big", "Value39999"), RegValue::make_dword(0));

  RegistryTree copy = tree;
  EXPECT_EQ(copy.query_value("Big", "fresh"), RegValue::make_dword(1));
  EXPECT_EQ(copy.to_hive_text(), tree.to_hive_text());
}

}  // namespace
}  // namespace tolvex::platform
