#pragma once
// Skinned wrappers of the controls with overlay scroll bars (memo, scroll
// box, tree view, list view) and of the mask edit: the border is the
// skin's "Frame" (else the whole copy), the background takes the copy's
// colour and the text the colour of "Text" (else of the copy), and the overlay bars are skinned scroll bars bound to the same
// engine. The inside (text, nodes, items, children) stays the class
// library's.

#include "skin/se_binding_wrapper.h"
#include "skin/se_overlayscroll.h"
#include "skin/se_scrollbox.h"

template <class Base>
class TSeSkinOverlayControl : public TSeSkinned<Base> {
 public:
  TSeSkinOverlayControl(TComponent* owner, const char* object);

 protected:
  void Bound() override;
  void CreateScrollBar(TSeCustomScrollBar*& bar, TComponent* owner) override;
  void PaintBorder(TCanvas& canvas, const TRect& rect) override;

 private:
  // The colours the control had before a skin gave it its own, put back
  // when the skin goes.
  bool skin_color_ = false;
  TColor plain_color_ = clWindow;
  bool plain_parent_color_ = false;
  TFont plain_font_;
  bool plain_parent_font_ = false;
};

// "Edit": "Frame".
class TSeSkinMaskEdit : public TSeSkinOverlayControl<TSeCustomMaskEdit> {
 public:
  explicit TSeSkinMaskEdit(TComponent* owner = nullptr) : TSeSkinOverlayControl(owner, "Edit") {}
};

// "Edit": "Frame"; the bars from "ScrollBar".
class TSeSkinMemo : public TSeSkinOverlayControl<TSeCustomMemo> {
 public:
  explicit TSeSkinMemo(TComponent* owner = nullptr) : TSeSkinOverlayControl(owner, "Edit") {}
};

// "ScrollBox": "Frame".
class TSeSkinScrollBox : public TSeSkinOverlayControl<TSeCustomScrollBox> {
 public:
  explicit TSeSkinScrollBox(TComponent* owner = nullptr) : TSeSkinOverlayControl(owner, "ScrollBox") {}
};

// "ListBox": "Frame".
class TSeSkinSTreeView : public TSeSkinOverlayControl<TSeCustomTreeView> {
 public:
  explicit TSeSkinSTreeView(TComponent* owner = nullptr) : TSeSkinOverlayControl(owner, "ListBox") {}
};

// "ListBox": "Frame"; it draws from the skin while it is being loaded.
class TSeSkinSListView : public TSeSkinOverlayControl<TSeCustomListView> {
 public:
  explicit TSeSkinSListView(TComponent* owner = nullptr) : TSeSkinOverlayControl(owner, "ListBox") {
    this->skin_while_loading_ = true;
  }
};

extern template class TSeSkinOverlayControl<TSeCustomMaskEdit>;
extern template class TSeSkinOverlayControl<TSeCustomMemo>;
extern template class TSeSkinOverlayControl<TSeCustomScrollBox>;
extern template class TSeSkinOverlayControl<TSeCustomTreeView>;
extern template class TSeSkinOverlayControl<TSeCustomListView>;
