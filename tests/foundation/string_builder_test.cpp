// The string builder.
#include "foundation/string_builder.h"

#include <gtest/gtest.h>

namespace tolvex {
namespace {

using vb::Variant;

TEST(AGPStringBuilder, JoinsPiecesAndGrowsInChunks) {
  auto sb = vb::make_ref<AGPStringBuilder>();
  EXPECT_EQ(sb->ToString(), "");
  EXPECT_EQ(sb->slot_count(), 1001u);
  std::string expected;
  for (int i = 0; i < 1001; ++i) {
    sb->Append(std::to_string(i % 10));
    expected += std::to_string(i % 10);
  }
  EXPECT_EQ(sb->slot_count(), 1001u);
  sb->Append(Variant(int32_t(42)));
  EXPECT_EQ(sb->slot_count(), 2001u);
  sb->Append(Variant::null());
  sb->Append(Variant());
  EXPECT_EQ(sb->ToString(), expected + "42");
  sb->Clear();
  EXPECT_EQ(sb->ToString(), "");
  EXPECT_EQ(sb->slot_count(), 1001u);
}

TEST(AGPStringBuilder, DispatchMembers) {
  auto sb = vb::make_ref<AGPStringBuilder>();
  Variant a[] = {Variant("zv")};
  Variant b[] = {Variant(true)};
  sb->call("Append", a);
  sb->call("append", b);
  EXPECT_EQ(vb::Variant(sb->call("ToString")).raw_string(), "zvTrue");
  sb->call("Clear");
  EXPECT_EQ(sb->call("ToString").raw_string(), "");
  EXPECT_EQ(sb->type_name(), "AGPStringBuilder");
}

}  // namespace
}  // namespace tolvex
