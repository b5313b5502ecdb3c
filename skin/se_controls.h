#pragma once
// The two bases every control of the skin library stands on:
// TSeCustomControl (windowed) and TSeGraphicControl (windowless). They own
// what all skinned controls share: buffered painting through a TSeBitmap
// (one per paint, or the program's shared buffer), transparency by painting
// what lies behind the control first, constant-alpha blending over that
// background, the border and bevel ring of windowed controls, and the
// mouse-in and focused flags that hot and focused looks need.
//
// Painting is split into virtual steps that concrete controls and skinned
// wrappers override: PaintBackground (everything inside the border),
// PaintBorder (the ring) and GetBorderClientRect (where the ring ends).
// During a paint, Canvas() draws into the control's buffer.
//
// Also here: the unit's start-up and shut-down (InitializeSkinControls,
// FinalizeSkinControls), which own the shared buffer and the hook list.

#include <QPainter>
#include <QSize>
#include <cstdint>
#include <memory>

#include "platform/gui/Controls.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Graphics.h"
#include "skin/se_bitmap.h"
#include "skin/se_formoptions.h"

enum TSePerformance { tbpNoBuffer, tbpSharedBuffer, tbpDoubleBuffer };
enum TSeBevelCut { kbvNone, kbvLowered, kbvRaised, kbvSpace, kbvBorder, kbvFlatBorder };
enum TSeBevelKind { kbkNone, kbkSingle, kbkTile, kbkSoft, kbkBorder, kbkFlat };
enum TSeBevelSide { kbsLeft, kbsTop, kbsRight, kbsBottom };
// A set of TSeBevelSide: bit 1 << side (left 1, top 2, right 4, bottom 8,
// the sides of se::DrawBevelLines).
using TSeBevelSides = std::uint8_t;
inline constexpr TSeBevelSides SeBevelSide(TSeBevelSide side) { return TSeBevelSides(1u << side); }
inline constexpr TSeBevelSides kbsAllSides = 0x0F;

// What a transparent control hands its parent when it asks for the
// parent's background: the first byte is always 1, then the control's
// bounds in the parent's client coordinates.
struct TSeEraseRequest {
  bool Requested = true;
  TRect Bounds;
};

// The erase message: a control paints its background for a child. WParam
// is the QPainter to paint with, its origin at the receiver's top-left
// corner; LParam is the TSeEraseRequest (0 for a plain erase). Result 1
// means the receiver painted; a parent that does not answer is drawn by Qt
// (its own paint, without its children). A form's frame hook sees the
// message first.
inline constexpr unsigned SEM_ERASEBKGND = 0x0014;

// The host's key codes the controls step by (VirtualKeyFromQt gives them).
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;

// One notch of a mouse wheel.
inline constexpr int WHEEL_DELTA = 120;

namespace se {
// Whole lines to scroll for a wheel turn of `delta` (WHEEL_DELTA a notch;
// smooth wheels send less) at `lines_per_notch` lines a notch (taken as 1
// when below 1). What is left of a line stays in `remainder` for the next
// turn, so small deltas add up and nothing is divided by a setting.
int WheelLines(int& remainder, int delta, int lines_per_notch);
}  // namespace se

class TSeCustomControl : public TCustomControl {
 public:
  explicit TSeCustomControl(TComponent* owner = nullptr);
  ~TSeCustomControl() override;

  TSePerformance Performance() const { return performance_; }
  // tbpNoBuffer is refused while blending is enabled.
  void SetPerformance(TSePerformance value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TSeBlending* Blending() const { return blending_.get(); }
  // Copies the values (never takes the object).
  void SetBlending(const TSeBlending& value);

  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  TSeBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TSeBevelCut value);
  TSeBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TSeBevelCut value);
  TSeBevelSides BevelSides() const { return bevel_sides_; }
  void SetBevelSides(TSeBevelSides value);
  TSeBevelKind BevelKind() const { return bevel_kind_; }
  void SetBevelKind(TSeBevelKind value);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int value);
  // The border is drawn in the desktop's style only when set (never here:
  // see se::UseThemes).
  bool ThemedBorder() const { return themed_border_; }
  void SetThemedBorder(bool value) { themed_border_ = value; }

  // The size the control was last given; buffers and the border use it.
  int PaintedWidth() const { return painted_width_; }
  int PaintedHeight() const { return painted_height_; }
  // Between focus enter and exit; between mouse enter and leave.
  bool IsFocused() const { return focused_; }
  bool MouseInControl() const { return mouse_in_; }

  void SetBounds(int left, int top, int width, int height) override;
  // Inside the border: children are aligned there.
  TRect ClientRect() const override { return GetBorderClientRect(); }
  // The rectangle inside border and bevels, in the control's coordinates.
  virtual TRect GetBorderClientRect() const;

  // Paints the control into `target` as Paint would paint it on screen
  // (previews, tests, a parent's blending).
  void PaintTo(QPainter& painter);

 protected:
  // The buffered paint; subclasses override the steps below instead.
  void Paint() override;
  // Everything inside GetBorderClientRect onto Canvas(); the default fills
  // it with Color unless Transparent.
  virtual void PaintBackground();
  // The ring between the bounds and GetBorderClientRect; paints nothing
  // when there is no ring.
  virtual void PaintBorder();
  // After a border or bevel property changed, before the repaint.
  virtual void BorderChanged() {}
  // The blending object changed.
  virtual void BlendingChanged();

  void MouseEnter() override;
  void MouseLeave() override;
  virtual void FocusEnter();
  virtual void FocusExit();
  void DoEnter() override;
  void DoExit() override;
  void Dispatch(TMessage& message) override;
  void EnabledChanged() override { Invalidate(); }

  void InvalidateRect(const TRect& rect) { update(rect.ToQRect()); }
  void SetPaintFont(const TFont& font) { paint_font_.Assign(font); }
  // The font painters draw text with: Font, copied at the start of each paint.
  TFont& PaintFont() { return paint_font_; }

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintSteps(QPainter& painter, bool border_clipped);
  void PaintBuffered(QPainter& target);

  TSePerformance performance_ = tbpNoBuffer;
  TSeBitmap blend_buffer_;
  bool focused_ = false;
  bool transparent_ = false;
  bool mouse_in_ = false;
  TFont paint_font_;
  int border_width_ = 0;
  TSeBevelCut bevel_inner_ = kbvLowered;
  TSeBevelCut bevel_outer_ = kbvLowered;
  TSeBevelSides bevel_sides_ = kbsAllSides;
  TSeBevelKind bevel_kind_ = kbkNone;
  int bevel_width_ = 0;
  std::unique_ptr<TSeBlending> blending_;
  bool themed_border_ = true;
  int painted_width_ = 0;
  int painted_height_ = 0;
  QPainter* painter_ = nullptr;
};

class TSeGraphicControl : public TGraphicControl {
 public:
  explicit TSeGraphicControl(TComponent* owner = nullptr);
  ~TSeGraphicControl() override;

  TSePerformance Performance() const { return performance_; }
  void SetPerformance(TSePerformance value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TSeBlending* Blending() const { return blending_.get(); }
  void SetBlending(const TSeBlending& value);
  bool MouseInControl() const { return mouse_in_; }

  void PaintTo(QPainter& painter);

 protected:
  void Loaded() override;
  void Paint() override;
  // The whole client rectangle onto Canvas(); the default fills it with
  // Color unless Transparent.
  virtual void PaintBackground();
  void MouseEnter() override;
  void MouseLeave() override;

  void SetPaintFont(const TFont& font) { paint_font_.Assign(font); }
  TFont& PaintFont() { return paint_font_; }

  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintBuffered(QPainter& target);

  TSeBitmap blend_buffer_;
  bool transparent_ = false;
  bool mouse_in_ = false;
  TFont paint_font_;
  TSePerformance performance_ = tbpNoBuffer;
  std::unique_ptr<TSeBlending> blending_;
};

// Paints what lies behind `control` onto `painter`, whose origin is the
// control's top-left corner: the parent's background (through
// SEM_ERASEBKGND, else Qt's rendering of the parent without its children),
// and with `with_graphic_siblings` the parent's windowless controls over it.
void PaintParentBackground(TControl* control, QPainter& painter, bool with_graphic_siblings = false);

// A QImage over the bitmap's own pixels (no copy): paint into a TSeBitmap
// with a QPainter. The bitmap must not be resized while it is in use.
QImage SeBitmapSurface(TSeBitmap& bitmap);

namespace se {
// The program-wide paint buffer; made (empty) on first use.
TSeBitmap& SharedBuffer();
// Sizes the shared buffer to the screen at start-up plus 500 each way.
void UpdateSharedBuffer();
// That size: the most of a control a paint buffer holds (a larger control
// shows only part of itself on the screen).
QSize BufferLimit();
// Sizes a control's own buffer to w x h, at most BufferLimit().
void SizeBuffer(TSeBitmap& buffer, int w, int h);
}  // namespace se

// The skin library's start-up and shut-down. Counted: only the first
// start-up and the matching last shut-down act.
void InitializeSkinControls();
void FinalizeSkinControls();
