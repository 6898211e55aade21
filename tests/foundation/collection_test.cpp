#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/super_collection.h"

namespace tolvex {
namespace {

using vb::Ref;
using vb::Variant;

// An item object with a Key property, as the model's items have.
class Named : public vb::AutoDispatch<Named> {
 public:
  explicit Named(std::string key, int* alive = nullptr) : key_(std::move(key)), alive_(alive) {
    if (alive_) ++*alive_;
  }
  ~Named() override {
    if (alive_) --*alive_;
  }
  std::string key_;
  int* alive_;
  static const vb::DispatchTable<Named>& dispatch_table() {
    static const vb::DispatchTable<Named> t = [] {
      vb::DispatchTable<Named> d("Named");
      d.property(
          "Key", [](Named& n, vb::Args) { return Variant(n.key_); },
          [](Named& n, vb::Args, const Variant& v) { n.key_ = v.raw_string(); });
      return d;
    }();
    return t;
  }
};

Ref<CSuperCollection> make(std::vector<std::string> keys, int32_t mode = 1, int32_t base = 1) {
  auto c = vb::make_ref<CSuperCollection>();
  c->setCompareMode(mode);
  c->setBaseIndex(base);
  for (const auto& k : keys) c->Add(Variant(k), k);
  return c;
}

// Items in position order (the items are their own key texts).
std::string order(const CSuperCollection& c) {
  std::string out;
  for (int32_t p = c.BaseIndex(); p < c.BaseIndex() + c.Count(); ++p) {
    if (!out.empty()) out += ",";
    out += c.Item(Variant(p)).raw_string();
  }
  return out;
}

std::string walk(vb::Enumerator& e) {
  std::string out;
  Variant v;
  while (e.next(v)) {
    if (!out.empty()) out += ",";
    out += v.is_object() ? vb::ref_cast<Named>(v.object())->key_ : v.raw_string();
  }
  return out;
}

int32_t error_of(const std::function<void()>& fn, std::string* description = nullptr) {
  try {
    fn();
  } catch (const vb::VBError& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

TEST(Collection, AddModesAndPositions) {
  struct Case {
    int32_t base;
    int32_t mode;
    int32_t position;
    const char* expected;
  };
  // Starting from A,B,C, add X with the mode at the position.
  const Case cases[] = {
      {1, 1, 1, "X,A,B,C"}, {1, 1, 2, "A,X,B,C"}, {1, 2, 1, "A,X,B,C"},     {1, 2, 3, "A,B,C,X"},
      {1, 3, kNoPosition, "X,A,B,C"}, {1, 4, kNoPosition, "A,B,C,X"}, {1, 9, kNoPosition, "A,B,C,X"},
      {0, 1, 0, "X,A,B,C"}, {0, 2, 2, "A,B,C,X"}, {0, 1, 2, "A,B,X,C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "base " << c.base << " mode " << c.mode << " at " << c.position);
    auto col = make({"A", "B", "C"}, 1, c.base);
    col->Add(Variant("X"), "X", c.mode, c.position);
    EXPECT_EQ(order(*col), c.expected);
    for (const char* k : {"A", "B", "C", "X"}) {
      int32_t p = col->KeyExists(k);
      EXPECT_EQ(col->Item(Variant(p)).raw_string(), k);
      EXPECT_EQ(col->Item(Variant(k)).raw_string(), k);
      EXPECT_EQ(col->Key(p), k);
    }
  }
}

TEST(Collection, EmptyContainerAndBase) {
  auto c = make({});
  EXPECT_EQ(c->Count(), 0);
  EXPECT_TRUE(c->Item(Variant(int32_t(1))).is_empty());
  EXPECT_EQ(error_of([&] { c->Key(1); }), 9);
  EXPECT_EQ(error_of([&] { c->Remove(Variant(int32_t(1))); }), 9);
  EXPECT_EQ(walk(*c->NewEnum()), "");
  EXPECT_EQ(c->Keys()->Count(), 0);
  EXPECT_EQ(walk(*c->Keys()), "");

  // Keyless items, and base 0.
  auto z = make({}, 1, 0);
  z->Add(Variant("p"));
  z->Add(Variant("q"));
  EXPECT_EQ(z->Count(), 2);
  EXPECT_EQ(order(*z), "p,q");
  EXPECT_EQ(z->Key(0), "");
  EXPECT_EQ(z->KeyExists(""), kNoPosition);
  EXPECT_TRUE(z->Item(Variant(int32_t(2))).is_empty());
}

TEST(Collection, IndexKinds) {
  auto c = make({"A", "B", "C"});
  struct Case {
    Variant index;
    const char* expected;  // nullptr: Empty
  };
  const Case cases[] = {
      {Variant(int16_t(1)), "A"}, {Variant(int32_t(3)), "C"}, {Variant(uint8_t(2)), "B"},
      {Variant(1.5), "B"},        {Variant(2.5), "B"},        {Variant(2.5f), "B"},
      {Variant(3.5), nullptr},    {Variant(0), nullptr},      {Variant(1e300), nullptr},
      {Variant("b"), "B"},        {Variant("D"), nullptr},    {Variant(""), nullptr},
  };
  for (const Case& k : cases) {
    Variant v = c->Item(k.index);
    if (k.expected)
      EXPECT_EQ(v.raw_string(), k.expected);
    else
      EXPECT_TRUE(v.is_empty());
  }
  std::string d;
  for (Variant bad : {Variant(true), Variant(), Variant::null(), Variant::date(1.0), Variant::currency(10000)}) {
    EXPECT_EQ(error_of([&] { c->Item(bad); }, &d), collection_err::kInvalidDatatype);
    EXPECT_EQ(d, "Invalid datatype");
    EXPECT_EQ(error_of([&] { c->Remove(bad); }), collection_err::kInvalidDatatype);
    EXPECT_EQ(error_of([&] { c->MoveItem(bad, Variant(1)); }), collection_err::kInvalidDatatype);
  }
}

TEST(Collection, Errors) {
  struct Case {
    const char* what;
    std::function<void(CSuperCollection&)> action;
    int32_t number;
    const char* description;  // nullptr: the standard text
  };
  const Case cases[] = {
      {"mode after items", [](CSuperCollection& c) { c.setCompareMode(0); }, collection_err::kAlreadyInitialized,
       "Collection already initialized"},
      {"base after items", [](CSuperCollection& c) { c.setBaseIndex(0); }, collection_err::kAlreadyInitialized,
       "Collection already initialized"},
      {"remove unknown key", [](CSuperCollection& c) { c.Remove(Variant("Z")); }, collection_err::kKeyNotFound,
       "Key not found."},
      {"remove position", [](CSuperCollection& c) { c.Remove(Variant(4)); }, 9, nullptr},
      {"duplicate key", [](CSuperCollection& c) { c.Add(Variant(1), "a"); }, 457, nullptr},
      {"before, no position", [](CSuperCollection& c) { c.Add(Variant(1), "Z", 1); }, collection_err::kNoPosition,
       "No position supplied."},
      {"after, no position", [](CSuperCollection& c) { c.Add(Variant(1), "Z", 2); }, collection_err::kNoPosition,
       "No position supplied."},
      {"position beyond", [](CSuperCollection& c) { c.Add(Variant(1), "Z", 1, 4); }, 9, nullptr},
      {"item let refused", [](CSuperCollection& c) { c.setItem(Variant(1), Variant(2)); }, 438, nullptr},
      {"move unknown key", [](CSuperCollection& c) { c.MoveItem(Variant("Z"), Variant(1)); },
       collection_err::kKeyNotFound, "Key not found."},
      {"move beyond", [](CSuperCollection& c) { c.MoveItem(Variant(1), Variant(4)); }, 9, nullptr},
      {"change unknown key", [](CSuperCollection& c) { c.ChangeKey("Z", "Y"); }, collection_err::kKeyNotFound,
       "Key not found."},
      {"change to present key", [](CSuperCollection& c) { c.ChangeKey("A", "b"); }, 457, nullptr},
      {"change at index to present key", [](CSuperCollection& c) { c.ChangeKeyForIndex("1", "A"); }, 457, nullptr},
      {"index text no number", [](CSuperCollection& c) { c.ChangeKeyForIndex("one", "Z"); }, 13, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto c = make({"A", "B", "C"});
    std::string d;
    EXPECT_EQ(error_of([&] { k.action(*c); }, &d), k.number);
    EXPECT_EQ(d, k.description ? std::string(k.description) : vb::error_description(k.number));
    // A failing call changes nothing.
    EXPECT_EQ(order(*c), "A,B,C");
    EXPECT_EQ(c->KeyExists("A"), 1);
    EXPECT_EQ(c->KeyExists("C"), 3);
  }

  auto e = make({});
  EXPECT_EQ(error_of([&] { e->setCompareMode(2); }), 9);
  e->setAllowItemAsignments(true);
  EXPECT_EQ(error_of([&] { e->setItem(Variant(1), Variant(2)); }), 9);
  EXPECT_EQ(error_of([&] { e->setItem(Variant(2), Variant(2)); }), collection_err::kKeyNotFound);
}

TEST(Collection, ItemAssignment) {
  auto c = make({"A", "B"});
  c->setAllowItemAsignments(true);
  c->setItem(Variant("a"), Variant("x"));
  c->setItem(Variant(2), Variant("y"));
  EXPECT_EQ(order(*c), "x,y");
  EXPECT_EQ(c->KeyExists("A"), 1);
  EXPECT_EQ(error_of([&] { c->setItem(Variant(3), Variant(1)); }), collection_err::kKeyNotFound);
}

TEST(Collection, CompareModes) {
  auto text = make({"Name"}, 1);
  EXPECT_EQ(error_of([&] { text->Add(Variant(2), "NAME"); }), 457);
  EXPECT_EQ(error_of([&] { text->Add(Variant(2), "\xC3\x84rger"); }), 0);  // Ärger
  EXPECT_EQ(error_of([&] { text->Add(Variant(2), "\xC3\xA4RGER"); }), 457);  // äRGER
  EXPECT_EQ(text->KeyExists("name"), 1);
  // A letter outside ASCII whose lower case is an ASCII letter (capital I with dot).
  text->Add(Variant(3), "id");
  EXPECT_EQ(text->KeyExists("\xC4\xB0" "D"), 3);
  EXPECT_EQ(error_of([&] { text->Add(Variant(4), "\xC4\xB0" "d"); }), 457);

  auto binary = make({"Name"}, 0);
  EXPECT_EQ(error_of([&] { binary->Add(Variant("NAME"), "NAME"); }), 0);
  EXPECT_EQ(binary->Count(), 2);
  EXPECT_EQ(binary->KeyExists("NAME"), 2);
  EXPECT_EQ(binary->KeyExists("name"), kNoPosition);
}

TEST(Collection, MoveItem) {
  struct Case {
    Variant from, to;
    const char* expected;
    int32_t result;
  };
  const Case cases[] = {
      {Variant(1), Variant(3), "B,C,A", 3},  {Variant(3), Variant(1), "C,A,B", 1},
      {Variant(2), Variant(2), "A,B,C", 2},  {Variant("a"), Variant("C"), "B,C,A", 3},
      {Variant(4), Variant(1), "D,A,B,C", 1}, {Variant(1), Variant(2), "B,A,C", 2},
  };
  for (const Case& k : cases) {
    auto c = make({"A", "B", "C"});
    if (k.from.is_integral() && k.from.raw_long() == 4) c->Add(Variant("D"), "D");
    EXPECT_EQ(c->MoveItem(k.from, k.to), k.result);
    EXPECT_EQ(order(*c), k.expected);
    for (int32_t p = 1; p <= c->Count(); ++p) EXPECT_EQ(c->KeyExists(c->Key(p)), p);
  }
}

TEST(Collection, RemoveRenumbersKeys) {
  auto c = make({"A", "B", "C", "D"});
  c->Remove(Variant("B"));
  c->Remove(Variant(1));
  EXPECT_EQ(order(*c), "C,D");
  EXPECT_EQ(c->KeyExists("C"), 1);
  EXPECT_EQ(c->KeyExists("D"), 2);
  EXPECT_EQ(c->KeyExists("B"), kNoPosition);
  c->Remove(Variant(2));
  c->Remove(Variant(1));
  EXPECT_EQ(c->Count(), 0);
  EXPECT_EQ(c->Keys()->Count(), 0);
  c->Add(Variant("A"), "A");  // keys of removed items are free again
  EXPECT_EQ(c->KeyExists("a"), 1);
}

TEST(Collection, ChangeKey) {
  int alive = 0;
  auto c = make({}, 1);
  for (const char* k : {"alpha", "beta", "gamma"}) c->Add(Variant(vb::make_ref<Named>(k, &alive)), k);
  auto item_key = [&](int32_t p) { return vb::ref_cast<Named>(c->Item(Variant(p)).object())->key_; };

  // Only the letter case changes: position and key list entry stay.
  c->ChangeKey("alpha", "ALPHA");
  EXPECT_EQ(c->Key(1), "ALPHA");
  EXPECT_EQ(item_key(1), "ALPHA");
  EXPECT_EQ(c->KeyExists("Alpha"), 1);
  std::vector<std::string> listed;
  for (auto k = c->Keys(); ;) {
    Variant v;
    if (!k->next(v)) break;
    auto key = vb::ref_cast<cKey>(v.object());
    listed.push_back(key->Name() + "@" + std::to_string(key->AssociatedIndex()));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"alpha@1", "beta@2", "gamma@3"}));

  // A real rename moves the entry to its sorted place and sets the item's Key.
  c->ChangeKey("alpha", "zeta");
  EXPECT_EQ(item_key(1), "zeta");
  EXPECT_EQ(c->KeyExists("zeta"), 1);
  EXPECT_EQ(c->KeyExists("alpha"), kNoPosition);
  auto keys = c->Keys();
  Variant first;
  ASSERT_TRUE(keys->next(first));
  EXPECT_EQ(vb::ref_cast<cKey>(first.object())->Name(), "beta");

  // To the empty key: the item stays without a key; the others keep theirs.
  c->ChangeKey("beta", "");
  EXPECT_EQ(c->Count(), 3);
  EXPECT_EQ(c->Key(2), "");
  EXPECT_EQ(item_key(2), "");
  EXPECT_EQ(c->KeyExists("gamma"), 3);
  EXPECT_EQ(c->KeyExists("zeta"), 1);
  EXPECT_EQ(c->Keys()->Count(), 2);

  // By position: a text beyond the items does nothing; a keyless item gets a key.
  c->ChangeKeyForIndex("7", "late");
  EXPECT_EQ(c->KeyExists("late"), kNoPosition);
  c->ChangeKeyForIndex(" 2 ", "delta");
  EXPECT_EQ(c->KeyExists("delta"), 2);
  EXPECT_EQ(item_key(2), "delta");
  c->ChangeKeyForIndex("3", "omega");
  EXPECT_EQ(c->KeyExists("gamma"), kNoPosition);
  EXPECT_EQ(c->KeyExists("omega"), 3);

  c.reset();
  EXPECT_EQ(alive, 0);
}

TEST(Collection, ChangeKeyForIndexOnKeylessContainer) {
  auto c = make({});
  c->Add(Variant("x"));
  c->ChangeKeyForIndex("1", "first");
  EXPECT_EQ(c->KeyExists("FIRST"), 1);
  EXPECT_EQ(c->Key(1), "first");
  // Plain values have no Key property to set.
  EXPECT_EQ(c->Item(Variant("first")).raw_string(), "x");
}

TEST(Collection, BinaryChangeKeyRefusesAnotherItemsKey) {
  // In binary mode "abc" and "ABC" are two items: renaming one onto the other's
  // key is a duplicate, not a change of letter case.
  auto c = make({"abc", "ABC"}, 0);
  EXPECT_EQ(error_of([&] { c->ChangeKey("abc", "ABC"); }), 457);
  EXPECT_EQ(c->Key(1), "abc");
  EXPECT_EQ(c->KeyExists("ABC"), 2);
}

TEST(Collection, KeysListIsSortedAndSingleUse) {
  auto c = make({"pear", "Apple", "fig"}, 1);
  auto keys = c->Keys();
  EXPECT_EQ(keys->Count(), 3);
  std::vector<std::string> names;
  Variant v;
  while (keys->next(v)) {
    auto k = vb::ref_cast<cKey>(v.object());
    names.push_back(k->Name());
    EXPECT_EQ(c->Key(k->AssociatedIndex()), k->Name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Apple", "fig", "pear"}));
  // NewEnum hands out the same list without a reset.
  Variant again = keys->invoke(vb::kDispNewEnum, vb::InvokeKind::Get, {});
  EXPECT_EQ(again.raw_object(), keys.get());
  EXPECT_FALSE(keys->next(v));
  keys->reset();
  EXPECT_TRUE(keys->next(v));

  auto binary = make({"b", "B", "a"}, 0);
  names.clear();
  for (auto k = binary->Keys(); k->next(v);) names.push_back(vb::ref_cast<cKey>(v.object())->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"B", "a", "b"}));

  c.reset();  // the list outlives its container and ends
  EXPECT_EQ(keys->Count(), 0);
  keys->reset();
  EXPECT_FALSE(keys->next(v));
}

TEST(Collection, EnumerationSurvivesChanges) {
  struct Case {
    const char* what;
    std::function<void(CSuperCollection&, int step)> during;  // after each yielded item
    const char* expected;
  };
  const Case cases[] = {
      {"remove ahead", [](CSuperCollection& c, int step) { if (step == 1) c.Remove(Variant("C")); }, "A,B,D"},
      {"remove current", [](CSuperCollection& c, int) { c.Remove(Variant(1)); }, "A,B,C,D"},
      {"append", [](CSuperCollection& c, int step) { if (step == 2) c.Add(Variant("E"), "E"); }, "A,B,C,D,E"},
      {"append at the end", [](CSuperCollection& c, int step) { if (step == 4) c.Add(Variant("E"), "E"); },
       "A,B,C,D,E"},
      {"clear", [](CSuperCollection& c, int step) { if (step == 2) c.Clear(); }, "A,B"},
      {"clear and refill", [](CSuperCollection& c, int step) {
         if (step != 2) return;
         c.Clear();
         for (const char* k : {"P", "Q", "R", "S", "T", "U"}) c.Add(Variant(k), k);
       }, "A,B"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    int alive = 0;
    auto c = make({}, 1);
    for (const char* key : {"A", "B", "C", "D"}) c->Add(Variant(vb::make_ref<Named>(key, &alive)), key);
    auto e = c->NewEnum();
    std::string seen;
    Variant v;
    for (int step = 1; e->next(v); ++step) {
      if (!seen.empty()) seen += ",";
      seen += v.is_object() ? vb::ref_cast<Named>(v.object())->key_ : v.raw_string();
      v.clear();
      k.during(*c, step);
    }
    EXPECT_EQ(seen, k.expected);
  }
}

TEST(Collection, EnumerationEndsWithItsContainer) {
  int alive = 0;
  auto c = make({}, 1);
  for (const char* key : {"A", "B"}) c->Add(Variant(vb::make_ref<Named>(key, &alive)), key);
  auto e = c->NewEnum();
  auto clone = e->clone();
  Variant v;
  ASSERT_TRUE(e->next(v));
  v.clear();
  c.reset();
  EXPECT_EQ(alive, 0);  // the enumerators keep no item alive
  EXPECT_FALSE(e->next(v));
  EXPECT_FALSE(clone->next(v));
}

TEST(Collection, MovesRefusedDuringEnumeration) {
  auto c = make({"A", "B", "C"});
  {
    auto e = c->NewEnum();
    auto clone = e->clone();
    e.reset();
    std::string d;
    EXPECT_EQ(error_of([&] { c->MoveItem(Variant(1), Variant(2)); }, &d), collection_err::kMoveInForEach);
    EXPECT_EQ(d, "Move not allowed while in For...Each loop.");
    // Adding at a position would move: refused before anything is added.
    EXPECT_EQ(error_of([&] { c->Add(Variant("X"), "X", 3); }), collection_err::kMoveInForEach);
    EXPECT_EQ(c->Count(), 3);
    EXPECT_EQ(c->KeyExists("X"), kNoPosition);
    c->Add(Variant("Y"), "Y");  // appending is fine
    EXPECT_EQ(walk(*clone), "A,B,C,Y");
  }
  EXPECT_EQ(c->MoveItem(Variant(1), Variant(2)), 2);
  EXPECT_EQ(order(*c), "B,A,C,Y");
}

TEST(Collection, EnumeratorSkipResetClone) {
  auto c = make({"A", "B", "C", "D"});
  auto e = c->NewEnum();
  e->skip(1);
  Variant v;
  ASSERT_TRUE(e->next(v));
  EXPECT_EQ(v.raw_string(), "B");
  auto clone = e->clone();
  EXPECT_EQ(walk(*clone), "C,D");
  EXPECT_EQ(walk(*e), "C,D");
  e->reset();
  EXPECT_EQ(walk(*e), "A,B,C,D");
  // Through dispatch, For Each reaches the same enumerator kind.
  EXPECT_EQ(walk(*vb::ref_cast<vb::Enumerator>(Variant(c->NewEnum()).object())), "A,B,C,D");
}

}  // namespace
}  // namespace tolvex
