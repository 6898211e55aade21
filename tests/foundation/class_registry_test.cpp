#include "foundation/class_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "vb/strings.h"

using namespace tolvex;

TEST(ClassRegistry, CreatesRegisteredClassesByName) {
  struct Case {
    const char* name;
    const char* type;
  };
  const Case cases[] = {
      {"Tolvex.AGPStringBuilder", "AGPStringBuilder"},
      {"tolvex.agpstringbuilder", "AGPStringBuilder"},
      {"AGProperties", "AGProperties"},
      {"Tolvex.AGProperty", "AGProperty"},
  };
  for (const auto& c : cases) {
    auto obj = create_object(c.name);
    ASSERT_TRUE(obj) << c.name;
    EXPECT_EQ(obj->type_name(), c.type) << c.name;
  }
  EXPECT_FALSE(create_object("Tolvex.NoSuchClass"));
  EXPECT_FALSE(create_object(""));
  auto names = registered_classes();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](const std::string& a, const std::string& b) { return vb::icompare(a, b) < 0; }));
  EXPECT_NE(std::find(names.begin(), names.end(), "Tolvex.AGPStringBuilder"), names.end());
}

TEST(ClassRegistry, EachCallMakesANewObject) {
  auto a = create_object("Tolvex.AGPStringBuilder");
  auto b = create_object("Tolvex.AGPStringBuilder");
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(a->ref_count(), 1);
}
