#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/properties.h"

namespace tolvex {
namespace {

using vb::Ref;
using vb::Variant;

constexpr SettingDecl kRows[] = {
    {"TblName", "String"},
    {"TblCaption", "String", true, 1},
    {"TblSeq", "Integer", false, 0, true, false},
    {"TblGen", "Boolean", true, 4, false, true},
};

int32_t error_of(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const vb::VBError& e) {
    return e.number();
  }
  return 0;
}

std::string names(AGProperties& s) {
  std::string out;
  auto e = s.NewEnum_prp();
  Variant v;
  while (e->next(v)) {
    if (!out.empty()) out += ",";
    out += vb::ref_cast<AGProperty>(v.object())->Name();
  }
  return out;
}

TEST(Properties, AddDeleteExistRules) {
  struct Case {
    const char* what;
    std::function<Variant(AGProperties&)> action;
    Variant result;
    int32_t count_after;
  };
  const Case cases[] = {
      {"add new", [](AGProperties& s) { return Variant(s.Add("Extra")); }, Variant(true), 5},
      {"add empty", [](AGProperties& s) { return Variant(s.Add("")); }, Variant(false), 4},
      {"add exact twin", [](AGProperties& s) { return Variant(s.Add("TblSeq", "Long")); }, Variant(false), 4},
      {"delete empty", [](AGProperties& s) { return Variant(s.Delete(Variant(""))); }, Variant(false), 4},
      {"delete missing", [](AGProperties& s) { return Variant(s.Delete(Variant("Nope"))); }, Variant(false), 4},
      {"delete by position", [](AGProperties& s) { return Variant(s.Delete(Variant(1))); }, Variant(false), 4},
      {"delete other case", [](AGProperties& s) { return Variant(s.Delete(Variant("tblseq"))); }, Variant(false), 4},
      {"delete exact", [](AGProperties& s) { return Variant(s.Delete(Variant("TblSeq"))); }, Variant(true), 3},
      {"exist exact", [](AGProperties& s) { return Variant(s.PropertyExist(Variant("TblGen"))); }, Variant(true), 4},
      {"exist other case", [](AGProperties& s) { return Variant(s.PropertyExist(Variant("TBLGEN"))); },
       Variant(false), 4},
      {"exist by position", [](AGProperties& s) { return Variant(s.PropertyExist(Variant(2))); }, Variant(false), 4},
      {"item other case", [](AGProperties& s) { return Variant(s.Item(Variant("tblname"))); }, Variant::nothing(), 4},
      {"item by position", [](AGProperties& s) { return Variant(s.Item(Variant(1))); }, Variant::nothing(), 4},
      {"item of Empty", [](AGProperties& s) { return Variant(s.Item(Variant())); }, Variant::nothing(), 4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    AGProperties s(kRows);
    Variant r = k.action(s);
    if (k.result.is_nothing())
      EXPECT_TRUE(r.is_nothing());
    else
      EXPECT_EQ(r.raw_bool(), k.result.raw_bool());
    EXPECT_EQ(s.Count(), k.count_after);
  }
}

TEST(Properties, CaseVariantsRaise457) {
  AGProperties s(kRows);
  EXPECT_EQ(error_of([&] { s.Add("tblname"); }), 457);
  EXPECT_EQ(s.Count(), 4);
  EXPECT_FALSE(s.Item(Variant("tblname")));
  EXPECT_EQ(error_of([&] { s.ItemOrRaise("tblname"); }), 91);
  // Through dispatch the error reaches the caller as well.
  std::vector<Variant> args{Variant("TBLGEN")};
  EXPECT_EQ(error_of([&] { s.call("Add", args); }), 457);
}

TEST(Properties, DeclaredEntries) {
  AGProperties s(kRows);
  EXPECT_EQ(names(s), "TblName,TblCaption,TblSeq,TblGen");
  struct Case {
    const char* name;
    const char* type;
    bool reg_save;
    int32_t reg_format;
    bool file_save, sync;
  };
  const Case cases[] = {{"TblName", "String", false, 0, true, true},
                        {"TblCaption", "String", true, 1, true, true},
                        {"TblSeq", "Integer", false, 0, true, false},
                        {"TblGen", "Boolean", true, 4, false, true}};
  for (const Case& k : cases) {
    auto p = s.ItemOrRaise(k.name);
    EXPECT_EQ(p->Key(), k.name);
    EXPECT_EQ(p->DataType(), k.type);
    EXPECT_EQ(p->RegSave(), k.reg_save);
    EXPECT_EQ(p->RegFormat(), k.reg_format);
    EXPECT_EQ(p->FileSave(), k.file_save);
    EXPECT_EQ(p->Sync(), k.sync);
    EXPECT_TRUE(p->Value().is_empty());
  }
  // Add's defaults.
  ASSERT_TRUE(s.Add("Plain"));
  auto p = s.ItemOrRaise("Plain");
  EXPECT_EQ(p->DataType(), "String");
  EXPECT_FALSE(p->RegSave());
  EXPECT_EQ(p->RegFormat(), 0);
  EXPECT_TRUE(p->FileSave());
  EXPECT_TRUE(p->Sync());
  EXPECT_EQ(s.index_of("Plain"), 4u);
  EXPECT_EQ(s.index_of("TblSeq", 2), 2u);
  EXPECT_EQ(s.index_of("TblSeq", 0), 2u);
  EXPECT_FALSE(s.index_of("tblseq"));
}

TEST(Properties, EntriesAreViewsOfTheStore) {
  AGProperties s(kRows);
  auto p = s.Item(Variant("TblSeq"));
  ASSERT_TRUE(p);
  EXPECT_EQ(s.Item(Variant("TblSeq")).get(), p.get());  // one object per entry while held

  p->setValue(Variant(int16_t(3)));
  EXPECT_EQ(s.value_at(2).raw_integer(), 3);
  s.set_value_at(2, Variant(int16_t(7)));
  EXPECT_EQ(p->Value().raw_integer(), 7);
  EXPECT_EQ(s.find_value("TblSeq")->raw_integer(), 7);

  // Deleting an entry ahead keeps the view on its own entry.
  ASSERT_TRUE(s.Delete("TblName"));
  EXPECT_EQ(p->Name(), "TblSeq");
  p->setValue(Variant(int16_t(8)));
  EXPECT_EQ(s.find_value("TblSeq")->raw_integer(), 8);

  // A removed entry lives on, apart from the store.
  ASSERT_TRUE(s.Delete("TblSeq"));
  EXPECT_EQ(p->store(), nullptr);
  EXPECT_EQ(p->Name(), "TblSeq");
  EXPECT_EQ(p->DataType(), "Integer");
  EXPECT_EQ(p->Value().raw_integer(), 8);
  p->setValue(Variant(int16_t(9)));
  EXPECT_FALSE(s.PropertyExist("TblSeq"));
  ASSERT_TRUE(s.Add("TblSeq", "Long"));
  EXPECT_NE(s.Item(Variant("TblSeq")).get(), p.get());
  EXPECT_TRUE(s.find_value("TblSeq")->is_empty());

  // An entry outlives its store.
  Ref<AGProperty> kept;
  {
    AGProperties t(kRows);
    kept = t.Item(Variant("TblCaption"));
    kept->setValue(Variant("Orders"));
  }
  EXPECT_EQ(kept->Value().raw_string(), "Orders");
  EXPECT_TRUE(kept->RegSave());
}

TEST(Properties, StoresShareDescriptorsUntilOneChanges) {
  AGProperties a(kRows), b(kRows);
  EXPECT_TRUE(a.shares_layout());
  EXPECT_EQ(&a.desc_at(0), &b.desc_at(0));

  // Changing a flag of one store's entry leaves the other store alone.
  struct Case {
    const char* what;
    std::function<void(AGProperty&)> change;
    std::function<bool(const AGProperty&)> changed;
  };
  const Case cases[] = {
      {"RegSave", [](AGProperty& p) { p.setRegSave(true); }, [](const AGProperty& p) { return p.RegSave(); }},
      {"FileSave", [](AGProperty& p) { p.setFileSave(false); }, [](const AGProperty& p) { return !p.FileSave(); }},
      {"Sync", [](AGProperty& p) { p.setSync(false); }, [](const AGProperty& p) { return !p.Sync(); }},
      {"RegFormat", [](AGProperty& p) { p.setRegFormat(4); }, [](const AGProperty& p) { return p.RegFormat() == 4; }},
      {"DataType", [](AGProperty& p) { p.setDataType("Long"); },
       [](const AGProperty& p) { return p.DataType() == "Long"; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    AGProperties x(kRows), y(kRows);
    auto px = x.ItemOrRaise("TblName");
    k.change(*px);
    EXPECT_TRUE(k.changed(*px));
    EXPECT_TRUE(k.changed(*x.ItemOrRaise("TblName")));
    EXPECT_FALSE(k.changed(*y.ItemOrRaise("TblName")));
    EXPECT_FALSE(k.changed(*AGProperties(kRows).ItemOrRaise("TblName")));
    EXPECT_EQ(names(x), names(y));
  }

  // Values are each store's own.
  a.ItemOrRaise("TblGen")->setValue(Variant(true));
  EXPECT_TRUE(b.find_value("TblGen")->is_empty());

  // Stores built by the same Add calls share too; the one that differs does not
  // disturb the others.
  AGProperties c, d, e;
  for (AGProperties* s : {&c, &d}) {
    s->Add("ExtOne", "Boolean");
    s->Add("ExtTwo");
  }
  e.Add("ExtOne", "Boolean");
  e.Add("ExtOther");
  EXPECT_EQ(&c.desc_at(1), &d.desc_at(1));
  EXPECT_EQ(names(c), "ExtOne,ExtTwo");
  EXPECT_EQ(names(e), "ExtOne,ExtOther");
  EXPECT_FALSE(e.PropertyExist("ExtTwo"));
  EXPECT_FALSE(c.PropertyExist("ExtOther"));
  // A name another store appended is free here in any letter case.
  EXPECT_TRUE(e.Add("EXTTWO"));

  // Growing one store past its class's catalogue leaves new stores of the class as declared.
  a.Add("Undeclared");
  AGProperties f(kRows);
  EXPECT_EQ(f.Count(), 4);
  EXPECT_FALSE(f.PropertyExist("Undeclared"));
  EXPECT_TRUE(f.Add("undeclared"));
}

TEST(Properties, RenameEntry) {
  AGProperties s(kRows), other(kRows);
  auto p = s.ItemOrRaise("TblCaption");
  p->setKey("TblTitle");
  EXPECT_TRUE(s.PropertyExist("TblTitle"));
  EXPECT_FALSE(s.PropertyExist("TblCaption"));
  EXPECT_EQ(s.Item(Variant("TblTitle")).get(), p.get());
  EXPECT_TRUE(other.PropertyExist("TblCaption"));
  EXPECT_TRUE(s.Add("TblCaption"));  // the old name is free again
  // A name that another entry has, in any letter case, is refused.
  EXPECT_EQ(error_of([&] { p->setName("tblname"); }), 457);
  EXPECT_EQ(p->Name(), "TblTitle");
  p->setName("TBLTITLE");  // its own name in other letters is fine
  EXPECT_TRUE(s.PropertyExist("TBLTITLE"));
}

TEST(Properties, EnumerationSurvivesDeleteAndAdd) {
  // Emptying a store the way an owner does: walk it and delete each entry by name.
  AGProperties s(kRows);
  std::vector<std::string> seen;
  auto e = s.NewEnum_prp();
  Variant v;
  while (e->next(v)) {
    auto p = vb::ref_cast<AGProperty>(v.object());
    seen.push_back(p->Name());
    EXPECT_TRUE(s.Delete(p->Name()));
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(s.Count(), 0);
  s.Declare(kRows);  // and declare again
  EXPECT_EQ(names(s), "TblName,TblCaption,TblSeq,TblGen");
  EXPECT_TRUE(s.shares_layout());

  // Removed ahead: skipped. Appended meanwhile: visited.
  seen.clear();
  e = s.NewEnum_prp();
  while (e->next(v)) {
    auto name = vb::ref_cast<AGProperty>(v.object())->Name();
    seen.push_back(name);
    if (name == "TblName") s.Delete("TblSeq");
    if (name == "TblGen") s.Add("Added");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"TblName", "TblCaption", "TblGen", "Added"}));
}

TEST(Properties, DeclareOnAFilledStore) {
  AGProperties s;
  s.Add("Custom");
  s.Add("TblSeq", "Long");
  s.Declare(kRows);
  EXPECT_EQ(names(s), "Custom,TblSeq,TblName,TblCaption,TblGen");
  EXPECT_EQ(s.ItemOrRaise("TblSeq")->DataType(), "Long");  // the present entry is untouched
  AGProperties t;
  t.Add("tblgen");
  EXPECT_EQ(error_of([&] { t.Declare(kRows); }), 457);
}

TEST(Properties, Dispatch) {
  auto s = vb::make_ref<AGProperties>(SettingCatalogue(kRows));
  vb::Dispatch& d = *s;
  EXPECT_EQ(d.type_name(), "AGProperties");
  std::vector<Variant> add{Variant("Note"), Variant::missing(), Variant(true)};
  EXPECT_TRUE(d.call("Add", add).raw_bool());
  auto note = s->ItemOrRaise("Note");
  EXPECT_EQ(note->DataType(), "String");
  EXPECT_TRUE(note->RegSave());
  EXPECT_TRUE(note->FileSave());
  EXPECT_EQ(d.get("Count").raw_long(), 5);

  // Store(name) reads the entry; its default member is the value.
  std::vector<Variant> idx{Variant("TblName")};
  Variant entry = d.invoke(vb::kDispValue, vb::InvokeKind::Get, idx);
  ASSERT_TRUE(entry.is_object());
  std::vector<Variant> put{Variant("Orders")};
  entry.object()->invoke(vb::kDispValue, vb::InvokeKind::Let, put);
  EXPECT_EQ(s->find_value("TblName")->raw_string(), "Orders");
  EXPECT_EQ(entry.object()->get("Key").raw_string(), "TblName");
  std::vector<Variant> missing{Variant("tblname")};
  EXPECT_TRUE(d.invoke(vb::kDispValue, vb::InvokeKind::Get, missing).is_nothing());

  std::vector<Variant> del{Variant(1)};
  EXPECT_FALSE(d.call("Delete", del).raw_bool());
  std::vector<Variant> del_name{Variant("Note")};
  EXPECT_TRUE(d.call("Delete", del_name).raw_bool());

  auto e = d.enumerate();
  int n = 0;
  for (Variant v; e->next(v);) ++n;
  EXPECT_EQ(n, 4);

  // A setting the host makes stands alone with blank fields.
  auto p = vb::make_ref<AGProperty>();
  EXPECT_EQ(p->Name(), "");
  EXPECT_EQ(p->DataType(), "");
  EXPECT_FALSE(p->FileSave());
  p->let("Name", Variant("Free"));
  p->let("RegFormat", Variant("4"));
  EXPECT_EQ(p->Key(), "Free");
  EXPECT_EQ(p->RegFormat(), 4);
}

}  // namespace
}  // namespace tolvex
