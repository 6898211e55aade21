#include "templates/language.h"

#include "foundation/class_registry.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

using vb::Args;
using vb::Variant;

const AGPLanguage::Phrase* AGPLanguage::find(std::string_view id) const {
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : &phrases_[it->second];
}

std::string AGPLanguage::GetPhrase(std::string_view id) const {
  const Phrase* p = find(id);
  return p ? p->text : std::string();
}

void AGPLanguage::AppendPhrase(std::string id, std::string text) {
  index_.emplace(id, phrases_.size());
  phrases_.push_back(Phrase{std::move(id), std::move(text)});
}

bool AGPLanguage::AddPhrase(std::string_view id, std::string_view text) {
  if (find(id)) return false;
  AppendPhrase(std::string(id), std::string(text));
  return true;
}

bool AGPLanguage::ReplacePhrase(std::string_view id, std::string_view text) {
  auto it = index_.find(id);
  if (it == index_.end()) return false;
  phrases_[it->second].text.assign(text);
  return true;
}

void AGPLanguage::AddPhraseNode(const platform::XmlNode& e) {
  std::string id, text;
  for (platform::XmlAttribute& a : e.attributes()) {
    const std::string name = vb::utf8_lower(a.name);
    if (name == "id") id = std::move(a.value);
    else if (name == "value") text = std::move(a.value);
  }
  auto it = index_.find(id);
  if (it != index_.end()) {
    phrases_[it->second].text = std::move(text);
    return;
  }
  AppendPhrase(std::move(id), std::move(text));
}

bool AGPLanguage::LoadLanguageXml(std::string_view file, bool reset) {
  const auto doc = load_package_xml(file);
  if (!doc) return false;
  const platform::XmlNode root = doc->root();
  if (vb::utf8_lower(root.local_name()) != package_root_name(".language")) return false;
  if (reset) {
    phrases_.clear();
    index_.clear();
  }
  for (const platform::XmlNode& child : root.children())
    if (is_element_named(child, "phrase")) AddPhraseNode(child);
  return true;
}

bool AGPLanguage::Load(std::string_view file) { return LoadLanguageXml(file, true); }
bool AGPLanguage::LoadExtension(std::string_view file) { return LoadLanguageXml(file, false); }

const vb::DispatchTable<AGPLanguage>& AGPLanguage::dispatch_table() {
  using L = AGPLanguage;
  static const vb::DispatchTable<L> table = [] {
    vb::DispatchTable<L> t("AGPLanguage");
    t.property("curIndex", [](L& l, Args) { return Variant(int16_t(l.curIndex())); })
        .property("Count", [](L& l, Args) { return Variant(l.Count()); })
        .method("Phrase",
                [](L& l, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(l.GetPhrase(vb::to_string(a[0])));
                })
        .method("AddPhrase",
                [](L& l, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(l.AddPhrase(vb::to_string(a[0]), vb::to_string(a[1])));
                })
        .method("ReplacePhrase",
                [](L& l, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(l.ReplacePhrase(vb::to_string(a[0]), vb::to_string(a[1])));
                })
        .method("Load",
                [](L& l, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(l.Load(vb::to_string(a[0])));
                })
        .method("LoadExtension", [](L& l, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(l.LoadExtension(vb::to_string(a[0])));
        });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPLanguage);

}  // namespace tolvex
