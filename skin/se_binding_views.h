#pragma once
// Skinned wrappers of the controls with overlay scroll bars (memo, scroll
// box, tree view, list view) and of the mask edit: the border is the
// skin's "Frame" (else the whole copy), the background takes the copy's
// colour and the text the colour of "Text" (else of the copy), and the overlay bars are skinned scroll bars
// bound to the same engine. The inside (text, nodes, items, children) stays the class library's.

#include <QPalette>
#include <QPointer>
#include <memory>

#include "skin/se_binding_wrapper.h"
#include "skin/se_overlayscroll.h"
#include "skin/se_scrollbox.h"

class QAbstractItemView;
class QWidget;
class TSeViewStyle;

// The parts of a Qt item view that no skinned wrapper draws, drawn from a
// skin: the column headers from "Header" of "ListBox" (else "Button"'s
// "Face", its text in the colour of "Button"'s "Text"), and, for a view of
// a control that is no skinned wrapper (the explorer's), its scroll bars
// from "ScrollBar" and its colours from "ListBox" as the wrappers take
// them. Owned by the control that holds the view; without a skin the view
// looks as it did.
class TSeSkinViewDecor : public TComponent {
 public:
  // `wholeView`: also the view's colours and scroll bars.
  TSeSkinViewDecor(TComponent* control, QAbstractItemView* view, bool wholeView);
  ~TSeSkinViewDecor() override;

  TSeSkinEngine* SkinEngine() const { return list_->SkinEngine(); }
  void SetSkinEngine(TSeSkinEngine* engine);
  // True while the header paints from the skin.
  bool HeaderSkinned() const;

 private:
  friend class TSeViewStyle;
  void Bound();
  TSeSkinObject* HeaderFace() const;
  TColor HeaderTextColor() const;

  QPointer<QAbstractItemView> view_;
  bool whole_view_;
  TSeSkinBinding* list_;
  TSeSkinBinding* button_;
  TSeSkinBinding* bars_;
  std::unique_ptr<TSeViewStyle> style_;
  bool skin_palette_ = false;
  QPalette plain_palette_;
};

// The colours a skin gives a control: the background of its copy and the
// colour of "Text" (else of the copy) for the font, never one without the
// other, so that a dark skin never leaves dark text on it. A skin that names
// no colour (clNone), or none, gives the control back the colours it had.
class TSeSkinColours {
 public:
  void Apply(TControl& control, const TSeSkinBinding& binding);

 private:
  bool skin_color_ = false;
  TColor plain_color_ = clWindow;
  bool plain_parent_color_ = false;
  TFont plain_font_;
  bool plain_parent_font_ = false;
};

// A plain control of the class library (a date picker in a skinned window)
// that takes the colours of a skin object as the skinned edits do. Owned by
// the control.
class TSeSkinColourBinding : public TComponent {
 public:
  TSeSkinColourBinding(TComponent* control, const char* object);
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }

 private:
  TControl* control_;
  TSeSkinBinding* binding_;
  TSeSkinColours colours_;
};

template <class Base>
class TSeSkinOverlayControl : public TSeSkinned<Base> {
 public:
  TSeSkinOverlayControl(TComponent* owner, const char* object);

 protected:
  void Bound() override;
  void CreateScrollBar(TSeCustomScrollBar*& bar, TComponent* owner) override;
  void PaintBorder(TCanvas& canvas, const TRect& rect) override;

 private:
  TSeSkinColours colours_;
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
// Its column headers follow the same engine (TSeSkinViewDecor).
class TSeSkinSListView : public TSeSkinOverlayControl<TSeCustomListView> {
 public:
  explicit TSeSkinSListView(TComponent* owner = nullptr);
  TSeSkinViewDecor* HeaderDecor() const { return decor_; }

 protected:
  void Bound() override;

 private:
  TSeSkinViewDecor* decor_ = nullptr;
};

extern template class TSeSkinOverlayControl<TSeCustomMaskEdit>;
extern template class TSeSkinOverlayControl<TSeCustomMemo>;
extern template class TSeSkinOverlayControl<TSeCustomScrollBox>;
extern template class TSeSkinOverlayControl<TSeCustomTreeView>;
extern template class TSeSkinOverlayControl<TSeCustomListView>;
