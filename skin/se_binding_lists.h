#pragma once
// Skinned wrappers of the list box and the combo box: the frame, items,
// check marks and drop-down button come from the skin, the scroll bar and
// the drop-down list are skinned controls of the same engine.

#include "skin/se_binding_wrapper.h"
#include "skin/se_combobox.h"
#include "skin/se_listbox.h"

// "ListBox": "Frame" (else the copy) around and behind the items, "Item",
// "Checked", "Mixed", "Unchecked".
class TSeSkinListBox : public TSeSkinned<TSeCustomListBox> {
 public:
  explicit TSeSkinListBox(TComponent* owner = nullptr);

  TRect GetBorderClientRect() const override;
  void PaintItem(TCanvas& canvas, int index, const TRect& rect) override;
  // The state the skin draws item `index` in.
  TSeObjectState ItemState(int index);
  // Six pixels taller than a plain list's while a skin draws the items.
  int GetDefaultItemHeight() const override;

 protected:
  void Bound() override;
  TSeCustomScrollBar* CreateScrollBar(TComponent* owner) override;
  void PaintBorder() override;
  void PaintItemsBackground() override;
  void PaintCheckBox(int index, const TRect& rect) override;

 private:
  // The default item height the list had at its last bind.
  int default_item_height_ = kDefaultItemHeight;
};

// "ComboBox": "Frame" (else the copy), "Button", "Text" (the font); its
// list is a skinned list box.
class TSeSkinComboBox : public TSeSkinned<TSeCustomComboBox> {
 public:
  explicit TSeSkinComboBox(TComponent* owner = nullptr);

  TSeObjectState ButtonState() const;

 protected:
  void Bound() override;
  TSeCustomListBox* CreateListBox(TComponent* owner) override;
  void ShowList() override;
  int GetButtonWidth() const override;
  void PaintBorder() override;
  void PaintEditBackground(const TRect& rect, TCanvas& canvas) override;
  // The context menu is a skinned popup menu of skinned items.
  TSeCustomPopupMenu* CreatePopupMenu(TComponent* owner) override;
  TSeCustomItem* CreateMenuItem(TComponent* owner) override;

 private:
  // The skin's button width; it stays until a skin brings another.
  int button_width_ = 0;
};

namespace se {
// Where a frame object is drawn so that only its centre shows when the
// control has no border ring, else the whole control.
TRect SkinFrameRect(const TSeSkinObject& frame, const TRect& inner, int width, int height);
}  // namespace se
