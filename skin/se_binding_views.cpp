#include "skin/se_binding_views.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOption>
#include <QTreeView>
#include <algorithm>

#include "skin/se_engine.h"

// --- TSeViewStyle ----------------------------------------------------------

// The style the decorated widgets draw with: the header sections and the
// scroll bars from the decor's skin objects while it has them, the
// widget's usual style otherwise.
class TSeViewStyle : public QProxyStyle {
 public:
  explicit TSeViewStyle(TSeSkinViewDecor* decor) : decor_(decor) {}

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const bool header =
        element == CE_HeaderSection || element == CE_HeaderEmptyArea || element == CE_HeaderLabel;
    if (!header || !decor_->HeaderSkinned())
      return QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_HeaderLabel) {
      QStyleOptionHeader label;
      if (const auto* given = qstyleoption_cast<const QStyleOptionHeader*>(option)) label = *given;
      const QColor text = ColorToQColor(decor_->HeaderTextColor());
      label.palette.setColor(QPalette::ButtonText, text);
      label.palette.setColor(QPalette::WindowText, text);
      return QProxyStyle::drawControl(element, &label, painter, widget);
    }
    TSeObjectState state = osNormal;
    if (element == CE_HeaderSection) {
      if (!(option->state & State_Enabled))
        state = osDisabled;
      else if (option->state & State_Sunken)
        state = osPressed;
      else if (option->state & State_MouseOver)
        state = osHot;
    }
    Draw(decor_->HeaderFace(), painter, option->rect, state);
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || !BarsSkinned())
      return QProxyStyle::drawComplexControl(control, option, painter, widget);
    const bool vertical = bar->orientation == Qt::Vertical;
    const TSeSkinBinding& skin = *decor_->bars_;
    TSeSkinObject* frame = skin.Find(vertical ? "VertFrame" : "HorzFrame");
    Draw(frame ? frame : skin.Find("Frame"), painter, bar->rect, osNormal);
    const auto part = [&](SubControl sub, TSeSkinObject* object) {
      TSeObjectState state = osNormal;
      if (!(bar->state & State_Enabled))
        state = osDisabled;
      else if ((bar->activeSubControls & sub) && (bar->state & State_Sunken))
        state = osPressed;
      else if ((bar->activeSubControls & sub) && (bar->state & State_MouseOver))
        state = osHot;
      Draw(object, painter, subControlRect(control, option, sub, widget), state);
    };
    part(SC_ScrollBarSubLine, skin.Find(vertical ? "TopButton" : "LeftButton"));
    part(SC_ScrollBarAddLine, skin.Find(vertical ? "BottomButton" : "RightButton"));
    if (bar->maximum > bar->minimum) {
      TSeSkinObject* slider = skin.Find(vertical ? "VertSlider" : "HorzSlider");
      part(SC_ScrollBarSlider, slider ? slider : skin.Find("Slider"));
    }
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_ScrollBarExtent && BarsSkinned()) {
      const int thickness = BarThickness();
      if (thickness > 0) return thickness;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  bool BarsSkinned() const { return decor_->whole_view_ && decor_->bars_->UseSkin(); }

  // The skin's bar thickness, taken as the skinned scroll bar takes it.
  int BarThickness() const {
    const TSeSkinBinding& skin = *decor_->bars_;
    if (TSeSkinObject* own = skin.Find("VertFrame")) return own->Width();
    if (TSeSkinObject* frame = skin.Find("Frame")) return std::min(frame->Width(), frame->Height());
    return 0;
  }

  static void Draw(TSeSkinObject* object, QPainter* painter, const QRect& r, TSeObjectState state) {
    TCanvas canvas;
    canvas.BeginPainting(painter);
    se::DrawSkinPart(object, canvas, Bounds(r.x(), r.y(), r.width(), r.height()), state);
    canvas.EndPainting();
  }

  TSeSkinViewDecor* decor_;
};

// --- TSeSkinViewDecor ------------------------------------------------------

TSeSkinViewDecor::TSeSkinViewDecor(TComponent* control, QAbstractItemView* view, bool wholeView)
    : TComponent(control),
      view_(view),
      whole_view_(wholeView),
      list_(Create<TSeSkinBinding>(this, "ListBox")),
      button_(Create<TSeSkinBinding>(this, "Button")),
      bars_(Create<TSeSkinBinding>(this, "ScrollBar")),
      style_(std::make_unique<TSeViewStyle>(this)) {
  for (TSeSkinBinding* binding : {list_, button_, bars_}) binding->OnBind = [this] { Bound(); };
}

TSeSkinViewDecor::~TSeSkinViewDecor() {
  // The widgets may outlive the decor: they go back to their own style.
  if (!view_) return;
  if (auto* tree = qobject_cast<QTreeView*>(view_.data()); tree && tree->header()->style() == style_.get())
    tree->header()->setStyle(nullptr);
  for (QScrollBar* bar : {view_->verticalScrollBar(), view_->horizontalScrollBar()})
    if (bar && bar->style() == style_.get()) bar->setStyle(nullptr);
}

void TSeSkinViewDecor::SetSkinEngine(TSeSkinEngine* engine) {
  list_->SetSkinEngine(engine);
  button_->SetSkinEngine(engine);
  bars_->SetSkinEngine(engine);
}

bool TSeSkinViewDecor::HeaderSkinned() const {
  return (list_->UseSkin(true) && list_->Find("Header")) || button_->UseSkin(true);
}

TSeSkinObject* TSeSkinViewDecor::HeaderFace() const {
  if (TSeSkinObject* own = list_->Find("Header")) return own;
  return button_->FindOrCopy("Face");
}

TColor TSeSkinViewDecor::HeaderTextColor() const {
  TSeSkinObject* text = list_->Find("Header") ? list_->Find("Header") : button_->FindOrCopy("Text");
  return text ? text->GetFont().Color() : clBtnText;
}

void TSeSkinViewDecor::Bound() {
  if (!view_) return;
  if (auto* tree = qobject_cast<QTreeView*>(view_.data())) {
    tree->header()->setStyle(style_.get());
    tree->header()->viewport()->update();
  }
  if (!whole_view_) return;
  for (QScrollBar* bar : {view_->verticalScrollBar(), view_->horizontalScrollBar()})
    if (bar) bar->setStyle(style_.get());
  // The list's colours, as the skinned wrappers take them: its background
  // and the colour of its text, never one without the other.
  TSeSkinObject* copy = list_->SkinCopy();
  if (copy && list_->UseSkin(true) && copy->Color() != clNone) {
    if (!skin_palette_) plain_palette_ = view_->palette();
    skin_palette_ = true;
    QPalette palette = plain_palette_;
    const QColor back = ColorToQColor(copy->Color());
    const QColor text = ColorToQColor(list_->FindOrCopy("Text")->GetFont().Color());
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::AlternateBase})
      palette.setColor(role, back);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) palette.setColor(role, text);
    view_->setPalette(palette);
  } else if (skin_palette_) {
    skin_palette_ = false;
    view_->setPalette(plain_palette_);
  }
}

// --- TSeSkinSListView ------------------------------------------------------

TSeSkinSListView::TSeSkinSListView(TComponent* owner) : TSeSkinOverlayControl(owner, "ListBox") {
  this->skin_while_loading_ = true;
}

void TSeSkinSListView::Bound() {
  TSeSkinOverlayControl::Bound();
  if (!decor_) decor_ = Create<TSeSkinViewDecor>(this, View(), false);
  if (decor_->SkinEngine() != SkinEngine()) decor_->SetSkinEngine(SkinEngine());
}

template <class Base>
TSeSkinOverlayControl<Base>::TSeSkinOverlayControl(TComponent* owner, const char* object)
    : TSeSkinned<Base>(owner, object) {}

void TSeSkinColours::Apply(TControl& control, const TSeSkinBinding& binding) {
  TSeSkinObject* copy = binding.SkinCopy();
  if (copy && copy->Color() != clNone) {
    if (!skin_color_) {
      plain_color_ = control.Color();
      plain_parent_color_ = control.ParentColor();
      plain_font_ = *control.Font();
      plain_parent_font_ = control.ParentFont();
      skin_color_ = true;
    }
    control.SetColor(copy->Color());
    TFont font = *control.Font();
    font.SetColor(binding.FindOrCopy("Text")->GetFont().Color());
    control.SetFont(font);
  } else if (skin_color_) {
    skin_color_ = false;
    control.SetColor(plain_color_);
    if (plain_parent_color_) control.SetParentColor(true);
    control.SetFont(plain_font_);
    if (plain_parent_font_) control.SetParentFont(true);
  }
}

TSeSkinColourBinding::TSeSkinColourBinding(TComponent* control, const char* object)
    : TComponent(control),
      control_(dynamic_cast<TControl*>(control)),
      binding_(Create<TSeSkinBinding>(this, object)) {
  binding_->OnBind = [this] {
    if (control_) colours_.Apply(*control_, *binding_);
  };
}

template <class Base>
void TSeSkinOverlayControl<Base>::Bound() {
  colours_.Apply(*this, this->Binding());
  if (TSeSubScrollBar* sub = this->SubScrollBar()) {
    for (TSeInplaceScrollBar* overlay : {sub->VertScrollBar(), sub->HorzScrollBar()}) {
      if (!overlay) continue;
      // The engine binds the bar again at each skin change by itself.
      if (auto* bar = dynamic_cast<TSeSkinScrollBar*>(overlay->ScrollBar());
          bar && bar->SkinEngine() != this->SkinEngine())
        bar->SetSkinEngine(this->SkinEngine());
    }
  }
}

template <class Base>
void TSeSkinOverlayControl<Base>::CreateScrollBar(TSeCustomScrollBar*& bar, TComponent* owner) {
  auto* skinned = new TSeSkinScrollBar(owner);
  if (this->SkinEngine()) skinned->SetSkinEngine(this->SkinEngine());
  bar = skinned;
}

template <class Base>
void TSeSkinOverlayControl<Base>::PaintBorder(TCanvas& canvas, const TRect& rect) {
  if (!this->UseSkin()) return Base::PaintBorder(canvas, rect);
  se::DrawSkinPart(this->FindOrCopy("Frame"), canvas, rect, this->Enabled() ? osNormal : osDisabled);
}

template class TSeSkinOverlayControl<TSeCustomMaskEdit>;
template class TSeSkinOverlayControl<TSeCustomMemo>;
template class TSeSkinOverlayControl<TSeCustomScrollBox>;
template class TSeSkinOverlayControl<TSeCustomTreeView>;
template class TSeSkinOverlayControl<TSeCustomListView>;
