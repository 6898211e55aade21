#include "vb/memory_budget.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "vb/error.h"
#include "vb/variant.h"

namespace tolvex::vb {
namespace {

const std::string kLong(1000, 'x');

int error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const VBError& e) {
    return e.number();
  }
  return 0;
}

// Whatever a value goes through, once it is gone the count is what it was: a count that
// drifts up would refuse a long generation's allocations in the end, one that drifts down
// would let a script past its limit.
TEST(MemoryBudget, ValuesGiveBackWhatTheyWereCountedFor) {
  // The count takes a string's buffer for a heap one only past the library's short capacity.
  ASSERT_EQ(std::string().capacity(), memory::kInlineText);
  struct Case {
    const char* label;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"string made, copied, assigned, moved",
       [] {
         Variant a(kLong);
         Variant b(a);
         Variant c;
         c = b;
         Variant d(std::move(c));
         Variant e{std::string(kLong)};
         d = Variant(7);
         e = a;
       }},
      {"appended in place, past the capacity",
       [] {
         Variant a(std::string("abc"));
         for (int i = 0; i < 200; ++i) a.append_string(kLong);
         a.reserve_text(a.raw_string().size() * 3);
         a.append_string("end");
         EXPECT_EQ(a.raw_string().size(), 200 * kLong.size() + 6);
       }},
      {"assigned over, shorter and longer",
       [] {
         Variant a(kLong);
         a.assign_string("short");
         a.assign_string(kLong + kLong);
         a.assign_string(std::string(20, 'y'));
         EXPECT_EQ(a.raw_string(), std::string(20, 'y'));
       }},
      {"swapped and taken out",
       [] {
         Variant a(kLong), b(std::string("b"));
         a.swap_string(b);
         a.swap(b);
         std::string t = a.take_string();
         EXPECT_EQ(t, kLong);
       }},
      {"arrays made, shared, copied on write, redimmed, erased",
       [] {
         Variant v(make_ref<Array>(VarType::Variant, std::vector<Array::Bound>{{0, 1000}}));
         Variant w = v;
         w.raw_array_mut()[0] = Variant(kLong);
         Array& a = v.raw_array_mut();
         a.redim({{0, 5000}}, true);
         a.reserve(20000);
         a.redim({{0, 10}}, false);
         a.redim({{0, 100000}}, false);
         a.erase();
         Variant list = Variant::array({Variant(kLong), Variant(1)});
       }},
  };
  for (const Case& c : cases) {
    const int64_t before = memory::used();
    c.run();
    EXPECT_EQ(memory::used(), before) << c.label;
  }
}

TEST(MemoryBudget, ALimitRefusesWhatWouldPassItAndChangesNothing) {
  const int64_t base = memory::used();
  Variant text(std::string(4000, 'a'));
  Variant arr(make_ref<Array>(VarType::Variant, std::vector<Array::Bound>{{0, 10}}));
  {
    memory::LimitScope limit(base + 64 * 1024);
    EXPECT_EQ(memory::limit(), base + 64 * 1024);
    const std::string big(100 * 1024, 'b');
    EXPECT_EQ(error_of([&] { Variant v(big); }), err::kOutOfMemory);
    std::string kept(big);
    EXPECT_EQ(error_of([&] { Variant v(std::move(kept)); }), err::kOutOfMemory);
    EXPECT_EQ(kept, big) << "a refused text stays with its owner";
    EXPECT_EQ(error_of([&] { text.append_string(big); }), err::kOutOfMemory);
    EXPECT_EQ(text.raw_string(), std::string(4000, 'a'));
    EXPECT_EQ(error_of([&] { text.assign_string(big); }), err::kOutOfMemory);
    EXPECT_EQ(error_of([&] { arr.raw_array_mut().redim({{0, 100000}}, true); }), err::kOutOfMemory);
    EXPECT_EQ(arr.raw_array().size(), 10u);
    EXPECT_EQ(error_of([] { make_ref<Array>(VarType::Variant, std::vector<Array::Bound>{{0, 100000}}); }),
              err::kOutOfMemory);
    EXPECT_EQ(error_of([] { memory::check(100 * 1024); }), err::kOutOfMemory);
    // Within the limit all goes on.
    EXPECT_EQ(error_of([&] { text.append_string(std::string(8000, 'c')); }), 0);
    EXPECT_EQ(error_of([] { Variant v(std::string(20000, 'd')); }), 0);
  }
  EXPECT_EQ(memory::limit(), memory::kNoLimit);
  // Outside a limit's scope nothing is refused.
  EXPECT_EQ(error_of([] { Variant v(std::string(100 * 1024, 'e')); }), 0);
  text.clear();
  arr.clear();
  EXPECT_EQ(memory::used(), base);
}

}  // namespace
}  // namespace tolvex::vb
