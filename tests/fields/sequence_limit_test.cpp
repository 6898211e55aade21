#include <gtest/gtest.h>

#include <string>

#include "fields/model_fixture.h"
#include "fields/trends.h"

namespace tolvex {
namespace {

class SequenceLimit : public testing::ModelFixture {};

// Sequence numbers are Integers: the 32,768th item is refused before anything changes.
TEST_F(SequenceLimit, The32768thAddIsRefused) {
  AGPTrends t;
  for (int i = 1; i <= 32767; ++i) ASSERT_TRUE(t.Add("t" + std::to_string(i)));
  EXPECT_EQ(t.Seq(32767)->TrendName(), "t32767");
  EXPECT_FALSE(t.Add("one too many"));
  EXPECT_EQ(t.Count(), 32767);
  EXPECT_EQ(t.curName(), "t32767");
  EXPECT_TRUE(t.Add("T1"));  // renaming an existing one still works
  EXPECT_EQ(t.Count(), 32767);
}

}  // namespace
}  // namespace tolvex
