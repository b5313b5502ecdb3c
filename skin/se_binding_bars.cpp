#include "skin/se_binding_bars.h"

#include <cmath>

#include "skin/se_drawing.h"
#include "skin/se_engine.h"

// --- TSeSkinProgressBar ------------------------------------------------------

TSeSkinProgressBar::TSeSkinProgressBar(TComponent* owner) : TSeSkinned(owner, "ProgressBar") {
  SetTransparent(true);
  SetBorderWidth(0);
}

TRect TSeSkinProgressBar::GetBarRect() {
  TSeSkinObject* frame = UseSkin() ? Find("Frame") : nullptr;
  if (!frame) return TSeCustomProgressBar::GetBarRect();
  return Rect(frame->MarginLeft(), frame->MarginTop(), Width() - frame->MarginRight(),
              Height() - frame->MarginBottom());
}

void TSeSkinProgressBar::PaintBar() {
  if (!UseSkin()) return TSeCustomProgressBar::PaintBar();
  const bool vertical = Orientation() == kboVertical;
  TRect bar = GetBarRect();
  const int length = vertical ? bar.Height() : bar.Width();
  const int n = static_cast<int>(std::lround(GetFraction(Position()) * length));
  if (vertical)
    bar.Top = bar.Bottom - n;
  else
    bar.Right = bar.Left + n;
  TSeSkinObject* object = Find(vertical ? "BarVert" : "BarHorz");
  se::DrawSkinPart(object ? object : Find("Bar"), *Canvas(), bar);
}

void TSeSkinProgressBar::PaintFrame() {
  if (!UseSkin()) return TSeCustomProgressBar::PaintFrame();
  const TRect all = Rect(0, 0, Width(), Height());
  if (!Transparent()) se::FillRectColor(*Canvas(), all, Color());
  se::DrawSkinPart(Find("Frame"), *Canvas(), all);
}

// --- TSeSkinStatusBar ----------------------------------------------------------

TSeSkinStatusBar::TSeSkinStatusBar(TComponent* owner) : TSeSkinned(owner, "StatusBar") {}

void TSeSkinStatusBar::PaintFrame() {
  TSeSkinObject* frame = UseSkin() ? Find("Frame") : nullptr;
  if (!frame) return TSeCustomStatusBar::PaintFrame();
  TCanvas& c = *Canvas();
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  if (Panels()->Count() > 0) {
    const TRect client = GetBorderClientRect();
    c.ExcludeClipRect(IntersectRect(
        Rect(Panels()->Items(0)->Left(), client.Top, Panels()->Items(Panels()->Count() - 1)->Right(), client.Bottom),
        client));
  }
  se::DrawSkinPart(frame, c, Rect(0, 0, Width(), Height()));
  c.SelectClipRgn(clipped ? &saved : nullptr);
}

void TSeSkinStatusBar::PaintSizeGrip() {
  TSeSkinObject* grip = UseSkin() ? Find("Gripper") : nullptr;
  if (!grip) return TSeCustomStatusBar::PaintSizeGrip();
  se::DrawSkinPart(grip, *Canvas(), GetSizeGripRect());
}

void TSeSkinStatusBar::PaintPanel(TSeStatusPanel* panel, const TRect& rect, bool isLast) {
  if (!UseSkin()) return TSeCustomStatusBar::PaintPanel(panel, rect, isLast);
  se::DrawSkinPart(Find("Frame"), *Canvas(), Rect(0, 0, Width(), Height()));
  se::DrawSkinPart(Find("Panel"), *Canvas(), rect);
  if (panel->Style() == psOwnerDraw) {
    DrawPanel(panel, rect);
  } else {
    PaintText(panel, rect);
    if (panel->ShowImage()) PaintImage(panel, rect);
  }
}

// --- TSeSkinControlBar -----------------------------------------------------------

TSeSkinControlBar::TSeSkinControlBar(TComponent* owner) : TSeSkinned(owner, "ControlBar") {}

void TSeSkinControlBar::Bound() {
  if (TSeSkinObject* grabber = Find("Grabber")) grabber_width_ = grabber->Width();
  RebuildBands();
}

int TSeSkinControlBar::GetGrabberSize() {
  if (!Destroying() && Copy()) return grabber_width_ + 2;
  return TSeCustomControlBar::GetGrabberSize();
}

void TSeSkinControlBar::PaintBand(TCanvas* canvas, TControl* control, const TRect& rect) {
  if (!UseSkin()) return TSeCustomControlBar::PaintBand(canvas, control, rect);
  se::DrawSkinPart(Find("Frame"), *canvas, rect);
  TRect grab = se::GrowRect(rect, -2);
  grab.Right = grab.Left + GetGrabberSize();
  se::DrawSkinPart(Find("Grabber"), *canvas, grab);
}

void TSeSkinControlBar::PaintBackgroundArea() {
  if (!UseSkin()) return TSeCustomControlBar::PaintBackgroundArea();
  se::DrawSkinPart(FindOrCopy("Back"), *Canvas(), Rect(0, 0, Width(), Height()));
}

// --- TSeSkinToolBar ------------------------------------------------------------------

TSeSkinToolBar::TSeSkinToolBar(TComponent* owner) : TSeSkinned(owner, "ToolBar") {}

void TSeSkinToolBar::PaintBackground() {
  if (!UseSkin()) return TSeCustomToolBar::PaintBackground();
  se::DrawSkinPart(FindOrCopy("Frame"), *Canvas(), Rect(0, 0, Width(), Height()));
}
