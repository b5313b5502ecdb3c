#include "skin/se_binding_tabs.h"

#include <cmath>

#include "platform/gui/DrawText.h"
#include "skin/se_binding_controls.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_tabsheets.h"

// ---- TSeSkinTabControl ----

TSeSkinTabControl::TSeSkinTabControl(TComponent* owner)
    : TSeCustomTabControl(owner), binding_(Create<TSeSkinBinding>(this, "Tabs")) {
  binding_->OnBind = [this] { Bound(); };
}

void TSeSkinTabControl::Bound() {
  if (TSeSkinObject* copy = binding_->SkinCopy()) copy->SetOwnerControl(this);
  // The skin's spacings move the page area.
  Realign();
  if (TSeCustomTabSheet* page = ActivePage()) page->Invalidate();
}

void TSeSkinTabControl::Loaded() {
  TSeCustomTabControl::Loaded();
  TabsChanged();
}

void TSeSkinTabControl::Dispatch(TMessage& message) {
  if (!binding_->Dispatch(message)) TSeCustomTabControl::Dispatch(message);
}

TSeSkinObject* TSeSkinTabControl::Frame() const { return binding_->UseSkin() ? binding_->Find("Frame") : nullptr; }

int TSeSkinTabControl::GetLeftSpacing() const {
  const TSeSkinObject* frame = Frame();
  return frame ? frame->MarginLeft() : TSeCustomTabControl::GetLeftSpacing();
}

int TSeSkinTabControl::GetTopSpacing() const {
  const TSeSkinObject* frame = Frame();
  return frame ? frame->MarginTop() : TSeCustomTabControl::GetTopSpacing();
}

int TSeSkinTabControl::GetRightSpacing() const {
  const TSeSkinObject* frame = Frame();
  return frame ? frame->MarginRight() : TSeCustomTabControl::GetRightSpacing();
}

int TSeSkinTabControl::GetBottomSpacing() const {
  const TSeSkinObject* frame = Frame();
  return frame ? frame->MarginBottom() : TSeCustomTabControl::GetBottomSpacing();
}

void TSeSkinTabControl::PaintTab(int index) {
  if (!binding_->UseSkin()) return TSeCustomTabControl::PaintTab(index);
  if (index < 0 || index >= Tabs()->Count()) return;
  TCanvas& canvas = *Canvas();
  const TTabPosition side = TabPosition();
  const bool across_rows = side == tpTop || side == tpBottom;
  TRect r = GetTabRect(index);
  if (index != TabIndex()) {
    const int s = GetLeftSpacing();
    if (across_rows) {
      r.Top += s;
      r.Bottom -= s;
    } else {
      r.Left += s;
      r.Right -= s;
    }
  }
  static const char* const kSideNames[] = {"TabTop", "TabBottom", "TabLeft", "TabRight"};
  TSeSkinObject* tab = binding_->Find(kSideNames[side]);
  if (!tab) tab = binding_->Find("Tab");
  const TSeObjectState state = index == HotTab() ? osHot : index == TabIndex() ? osFocused : osNormal;
  se::DrawSkinPart(tab, canvas, r, state);

  // Without any tab object the captions still show, in the control's font.
  canvas.SetFont(*Font());
  if (TSeSkinObject* text = binding_->Find("Text")) {
    text->SetState(state);
    canvas.SetFont(text->GetFont());
  } else if (tab) {
    canvas.SetFont(tab->GetFont());
  }
  const int h = CalcTabHeight();
  if (UsePages() && Images())
    if (TSeCustomTabSheet* page = GetPage(TabIndexToPageIndex(index)); page && page->ImageIndex() >= 0) {
      PaintTabImage(index, side, r);
      if (side == tpTop)
        r.Left += h;
      else if (side == tpRight)
        r.Top += h;
      else
        r.Bottom -= h;
    }
  TRect band = r;
  switch (side) {
    case tpTop:
      band.Bottom = band.Top + h;
      break;
    case tpBottom:
      band.Top = band.Bottom - h;
      break;
    case tpLeft:
      band.Right = band.Left + h;
      break;
    case tpRight:
      band.Left = band.Right - h;
      break;
  }
  constexpr unsigned kFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const QString caption = Tabs()->Strings(index);
  if (across_rows)
    se::DrawWideText(canvas, caption, band, kFlags);
  else
    se::DrawVerticalText(canvas, caption, band, side == tpRight, kFlags);
}

void TSeSkinTabControl::PaintPageFrame() {
  TSeSkinObject* frame = Frame();
  if (!frame) return TSeCustomTabControl::PaintPageFrame();
  se::DrawSkinPart(frame, *Canvas(), GetPageRect());
}

void TSeSkinTabControl::PaintLeftArrow() {
  if (!binding_->UseSkin()) return TSeCustomTabControl::PaintLeftArrow();
  if (!ArrowsVisible()) return;
  TSeSkinObject* button = binding_->Find("LeftButton");
  if (!button) return TSeCustomTabControl::PaintLeftArrow();
  const TSeTabLayout layout = Layout();
  se::DrawSkinPart(button, *Canvas(), layout.LeftArrowRect(),
                   LeftArrowDown() ? osPressed : layout.IsOverLeftArrow(mapFromGlobal(QCursor::pos()).x(),
                                                                          mapFromGlobal(QCursor::pos()).y())
                                                    ? osHot
                                                    : osNormal);
}

void TSeSkinTabControl::PaintRightArrow() {
  if (!binding_->UseSkin()) return TSeCustomTabControl::PaintRightArrow();
  if (!ArrowsVisible()) return;
  TSeSkinObject* button = binding_->Find("RightButton");
  if (!button) return TSeCustomTabControl::PaintRightArrow();
  const TSeTabLayout layout = Layout();
  se::DrawSkinPart(button, *Canvas(), layout.RightArrowRect(),
                   RightArrowDown() ? osPressed : layout.IsOverRightArrow(mapFromGlobal(QCursor::pos()).x(),
                                                                            mapFromGlobal(QCursor::pos()).y())
                                                      ? osHot
                                                      : osNormal);
}

// ---- TSeSkinPageControl ----

TSeSkinPageControl::TSeSkinPageControl(TComponent* owner) : TSeSkinTabControl(owner) { SetUsePages(true); }

// ---- TSeSkinTrackBar ----

TSeSkinTrackBar::TSeSkinTrackBar(TComponent* owner)
    : TSeCustomTrackBar(owner), binding_(Create<TSeSkinBinding>(this, "TrackBar")) {
  SetTransparent(true);
  binding_->OnBind = [this] {
    if (TSeSkinObject* copy = binding_->SkinCopy()) copy->SetOwnerControl(this);
  };
}

void TSeSkinTrackBar::Dispatch(TMessage& message) {
  if (!binding_->Dispatch(message)) TSeCustomTrackBar::Dispatch(message);
}

TSeSkinObject* TSeSkinTrackBar::Named(const char* horizontal, const char* vertical, const char* either) const {
  if (!binding_->UseSkin()) return nullptr;
  if (TSeSkinObject* o = binding_->Find(Horizontal() ? horizontal : vertical)) return o;
  return binding_->Find(either);
}

TSeSkinObject* TSeSkinTrackBar::ThumbObject() const { return Named("ThumbHorz", "ThumbVert", "Thumb"); }

TSeSkinObject* TSeSkinTrackBar::FrameObject() const { return Named("FrameHorz", "FrameVert", "Frame"); }

int TSeSkinTrackBar::GetThumbWidth() const {
  const TSeSkinObject* thumb = ThumbObject();
  if (!thumb) return TSeCustomTrackBar::GetThumbWidth();
  return Horizontal() ? thumb->Width() : thumb->Height();
}

int TSeSkinTrackBar::GetThumbLength() const {
  if (const TSeSkinObject* thumb = ThumbObject()) return Horizontal() ? thumb->Height() : thumb->Width();
  return static_cast<int>(std::nearbyint(GetThumbWidth() * 2.2));
}

int TSeSkinTrackBar::GetTrackMargin() const {
  const TSeSkinObject* frame = FrameObject();
  if (!frame) return TSeCustomTrackBar::GetTrackMargin();
  return Horizontal() ? frame->MarginLeft() : frame->MarginTop();
}

int TSeSkinTrackBar::GetThumbOffset() const {
  const TSeSkinObject* frame = FrameObject();
  if (!frame) return TSeCustomTrackBar::GetThumbOffset();
  return Horizontal() ? frame->MarginTop() : frame->MarginLeft();
}

void TSeSkinTrackBar::PaintTrack(int start, int stop, int thumb_pixel) {
  if (!binding_->UseSkin()) return TSeCustomTrackBar::PaintTrack(start, stop, thumb_pixel);
  TSeSkinObject* track = Named("TrackHorz", "TrackVert", "Track");
  if (!track) return;
  const TSeTrackGeometry g = Geometry();
  const TRect bounds = g.TrackRect(start, stop);
  // The skin's own thickness across the track, centred in the plain one.
  TRect r = Horizontal() ? Rect(bounds.Left, 0, bounds.Right, track->Height())
                         : Rect(0, bounds.Top, track->Width(), bounds.Bottom);
  se::CenterRect(r, bounds);
  se::DrawSkinPart(track, *Canvas(), r);
  if (!Enabled() || IntervalHighlightType() == htNone) return;
  TRect interval = g.IntervalRect(start, stop, thumb_pixel, IntervalHighlightType());
  if (Horizontal()) {
    interval.Top = r.Top;
    interval.Bottom = r.Bottom;
  } else {
    interval.Left = r.Left;
    interval.Right = r.Right;
  }
  se::DrawSkinPart(Named("HighlightHorz", "HighlightVert", "Highlight"), *Canvas(), interval);
}

void TSeSkinTrackBar::PaintThumb(int pixel) {
  if (!binding_->UseSkin()) return TSeCustomTrackBar::PaintThumb(pixel);
  if (!ThumbVisible()) return;
  TSeSkinObject* thumb = nullptr;
  if (TickMarks() == tmTopLeft)
    thumb = binding_->Find(Horizontal() ? "ThumbHorzTop" : "ThumbVertLeft");
  else if (TickMarks() == tmBottomRight)
    thumb = binding_->Find(Horizontal() ? "ThumbHorzBottom" : "ThumbVertRight");
  if (!thumb) thumb = ThumbObject();
  const TSeObjectState state = !Enabled()   ? osDisabled
                               : Dragging() ? osPressed
                               : ThumbHot() ? osHot
                               : IsFocused() ? osFocused
                                             : osNormal;
  se::DrawSkinPart(thumb, *Canvas(), Geometry().ThumbRect(pixel), state);
}

void TSeSkinTrackBar::PaintTick(int value, int pixel, bool upper) {
  if (!binding_->UseSkin()) return TSeCustomTrackBar::PaintTick(value, pixel, upper);
  DrawTick(value, pixel, upper, Enabled() ? clBlack : clBtnShadow);
}

