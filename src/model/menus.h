// The site menu: AGPMenu, one entry of the generated site's navigation menu, and
// AGPMenus, the list (module-wide, reached as the project's MenuList).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kept_element.h"
#include "platform/xml.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPMenu : public vb::AutoDispatch<AGPMenu> {
 public:
  int32_t MenuId() const noexcept { return id_; }
  void MenuId(int32_t v) noexcept { id_ = v; }
  const std::string& MenuText() const noexcept { return text_; }
  void MenuText(std::string v) { text_ = std::move(v); }
  int32_t MenuParentID() const noexcept { return parent_; }
  void MenuParentID(int32_t v) noexcept { parent_ = v; }
  const std::string& MenuUrl() const noexcept { return url_; }
  void MenuUrl(std::string v) { url_ = std::move(v); }
  bool MenuCustomUrl() const noexcept { return custom_; }
  void MenuCustomUrl(bool v) noexcept { custom_ = v; }
  int32_t MenuLevel() const noexcept { return level_; }
  void MenuLevel(int32_t v) noexcept { level_ = v; }
  bool MenuShow() const noexcept { return show_; }
  void MenuShow(bool v) noexcept { show_ = v; }
  int32_t MenuDisplayOrder() const noexcept { return order_; }
  void MenuDisplayOrder(int32_t v) noexcept { order_ = v; }

  // Fills the entry from one menu element of a project file. A value that does
  // not convert leaves its field as it was.
  void Load(const platform::XmlNode& xmlControl);

  // The elements inside the entry's element in the project file that nothing reads, kept
  // for the next save; null when there are none. An empty list drops them.
  const std::vector<KeptElement>* kept_elements() const noexcept { return kept_.get(); }
  void set_kept_elements(std::vector<KeptElement> elements) {
    if (elements.empty()) kept_.reset();
    else kept_ = std::make_unique<std::vector<KeptElement>>(std::move(elements));
  }

  static const vb::DispatchTable<AGPMenu>& dispatch_table();

 private:
  int32_t id_ = 0;
  std::string text_;
  int32_t parent_ = 0;
  std::string url_;
  bool custom_ = false;
  int32_t level_ = 0;
  bool show_ = false;
  int32_t order_ = 0;
  std::unique_ptr<std::vector<KeptElement>> kept_;
};

class AGPMenus : public vb::AutoDispatch<AGPMenus> {
 public:
  // Position (1-based) of the entry last returned by GetItemByID, GetItemByTableName or Item.
  int32_t curIndex() const noexcept { return cur_index_; }

  // Replaces the list with the menu elements of the project file at `file`.
  bool LoadMenus(const vb::Variant& file);
  // The same for a project element already read.
  bool LoadMenus(const platform::XmlNode& root);
  bool AddMenu(int32_t MenuId = -1, const std::string& MenuText = "", int32_t MenuParentID = -1,
               const std::string& MenuUrl = "", bool MenuCustomUrl = false, int32_t MenuLevel = 0,
               bool MenuShow = true, int32_t MenuDisplayOrder = -1);
  bool ChangeMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentID, const std::string& MenuUrl,
                  bool MenuCustomUrl, int32_t MenuLevel, bool MenuShow, int32_t MenuDisplayOrder);
  bool DeleteMenu(int32_t Id);
  // Puts the entries into menu order: by parent and display order, each entry
  // followed by its subtree.
  void Sort();
  int32_t Count() const noexcept { return int32_t(items_.size()); }
  bool MenuHasID(int32_t Id) const;
  vb::Ref<AGPMenu> GetItemByID(int32_t Id);
  // Entries that are not custom URLs, compared exactly.
  bool MenuHasTable(const std::string& Name) const;
  vb::Ref<AGPMenu> GetItemByTableName(const std::string& Name);
  // By position 1..Count; Nothing outside.
  vb::Ref<AGPMenu> Item(int32_t Id);

  static const vb::DispatchTable<AGPMenus>& dispatch_table();

 private:
  std::vector<vb::Ref<AGPMenu>> items_;
  int32_t max_id_ = 0;
  int32_t cur_index_ = 0;
};

// The module-wide site menu of the current context, created on first use.
vb::Ref<AGPMenus> menu_list();

}  // namespace tolvex
