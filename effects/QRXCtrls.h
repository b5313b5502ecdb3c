#pragma once
// The bases of the visual-effects controls: windowless graphic controls
// (mouse enter and exit, the change handler their property objects report
// to, an image-list link, a bitmap-effect object, transparency and the way
// they repaint, a bevel frame), the windowed base that offers its
// background to transparent children, and the two property objects every
// control uses: the bevel (frames in four modes) and the caption.
//
// The library's private messages go through TControl::Perform; a windowed
// base forwards "background changed" to its children the same way.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "effects/QRXBase.h"
#include "effects/QRXCont.h"
#include "effects/QRXFillObject.h"
#include "effects/QRXProps.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

// Library messages.
inline constexpr unsigned CM_QRXTRANSPARENTCHANGED = 0xB0CD;
inline constexpr unsigned CM_QRXBACKGROUNDCHANGED = 0xB0CE;
inline constexpr unsigned CM_QRXGOTFOCUS = 0xB0CF;
inline constexpr unsigned CM_QRXLOSTFOCUS = 0xB0D0;
inline constexpr unsigned CM_QRXBEVELASSIGNED = 0xB0D1;
inline constexpr unsigned CM_QRXREFRESHCHILDREN = 0xB0D4;

// --- Property objects ---

class TQRXBevel : public TQRXObject {
 public:
  TQRXBevel();

  TQRXBevelMode Mode() const { return mode_; }
  void SetMode(TQRXBevelMode v);
  TQRXBevelStyle StyleInner() const { return style_inner_; }
  void SetStyleInner(TQRXBevelStyle v) { SetStyle(true, v); }
  TQRXBevelStyle StyleOuter() const { return style_outer_; }
  void SetStyleOuter(TQRXBevelStyle v) { SetStyle(false, v); }
  // 0..50.
  int WidthInner() const { return width_inner_; }
  void SetWidthInner(int v);
  int WidthOuter() const { return width_outer_; }
  void SetWidthOuter(int v);
  TColor BorderColor() const { return colors_[0]; }
  void SetBorderColor(TColor v) { SetColor(0, v); }
  TColor LightColor() const { return colors_[1]; }
  void SetLightColor(TColor v) { SetColor(1, v); }
  TColor ShadowColor() const { return colors_[2]; }
  void SetShadowColor(TColor v) { SetColor(2, v); }
  TQRXFrameSides BorderSides() const { return border_sides_; }
  void SetBorderSides(TQRXFrameSides v);
  // 0..255.
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v);
  int BorderInnerWidth() const { return border_inner_width_; }
  void SetBorderInnerWidth(int v);
  TQRXEdgeStyle EdgeStyle() const { return edge_style_; }
  void SetEdgeStyle(TQRXEdgeStyle v);
  TQRXBorderStyle StandardStyle() const { return standard_style_; }
  void SetStandardStyle(TQRXBorderStyle v);

  // The frame's width on every side, and on the right and bottom for the
  // shadow look.
  int Extent() const { return extent_; }
  int Extent2() const { return extent2_; }
  // Set by a windowed owner, whose own client edge stands for bmWindows.
  bool Windowed() const { return windowed_; }
  void SetWindowed(bool v);
  // Set when the mode moved to or from bmWindows on a windowed owner.
  bool FrameChanged() const { return frame_changed_; }
  void ClearFrameChanged() { frame_changed_ = false; }

  // Draws the frame inside rect and answers what it leaves; with extent 0
  // nothing is drawn. Transparent leaves the border rings unpainted.
  void PaintBevel(TCanvas& canvas, const TRect& rect, TRect& inner, bool transparent) const;

  void Change() override;
  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXBevel"; }

 private:
  void SetStyle(bool inner, TQRXBevelStyle v);
  void SetColor(int index, TColor v);
  void ComputeExtents();

  TQRXBevelMode mode_ = TQRXBevelMode::bmCustom;
  TQRXBevelStyle style_inner_ = TQRXBevelStyle::bvNone;
  TQRXBevelStyle style_outer_ = TQRXBevelStyle::bvNone;
  int width_inner_ = 1;
  int width_outer_ = 1;
  TColor colors_[3] = {clBtnFace, clBtnHighlight, clBtnShadow};
  TQRXFrameSides border_sides_{TQRXFrameSide::fsBottom, TQRXFrameSide::fsLeft, TQRXFrameSide::fsRight,
                               TQRXFrameSide::fsTop};
  int border_width_ = 0;
  int border_inner_width_ = 0;
  TQRXEdgeStyle edge_style_ = TQRXEdgeStyle::etEtched;
  TQRXBorderStyle standard_style_ = TQRXBorderStyle::lsSingleLowered;
  int extent_ = 0;
  int extent2_ = 0;
  bool windowed_ = false;
  bool frame_changed_ = false;
};

class TQRXCaption : public TQRXObject {
 public:
  TQRXCaption();
  ~TQRXCaption() override;

  TQRXAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQRXAlignment v);
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& v);
  TFont& Font() { return *font_; }
  const TFont& Font() const { return *font_; }
  void SetFont(const TFont& v) { font_->Assign(v); }
  TQRXFxCaption& FontFX() { return *font_fx_; }
  const TQRXFxCaption& FontFX() const { return *font_fx_; }
  void SetFontFX(const TQRXFxCaption& v) { font_fx_->Assign(&v); }
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool v);

  // Flags: kQRXTextEnabled and friends, 0x0008 to clip to rect, 0x0010 to
  // show accelerators. The clip offset is the owner's position (see
  // QRXDraw.h).
  void DrawCaption(TCanvas& canvas, const QString& text, const TRect& rect, unsigned flags, TColor color,
                   std::uint32_t clipOffset) const;

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXCaption"; }

 private:
  void FontChanged(bool fromFont);

  TQRXAlignment alignment_ = TQRXAlignment::agCenter;
  QString caption_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TQRXFxCaption> font_fx_;
  bool multi_line_ = false;
};

// The DrawText alignment flags of an alignment.
unsigned AlignmentTextFlags(TQRXAlignment alignment);

// --- Controls ---

class TQRXCustomControl;

// Which bounds changed: bit 0 the size, bit 1 the position.
using TQRXBoundsChange = std::uint8_t;
inline constexpr TQRXBoundsChange kQRXSizeChanged = 1;
inline constexpr TQRXBoundsChange kQRXPositionChanged = 2;

class TQRXControl : public TGraphicControl {
 public:
  explicit TQRXControl(TComponent* owner = nullptr);

  void SetBounds(int left, int top, int width, int height) override;
  // The handler property objects report to: repaints.
  virtual void GetChange(TQRXObject* sender);
  // True when the control has nothing of its own to paint.
  virtual bool IsBlank() const { return true; }

  // OnMouseEnter is the class library's.
  std::function<void(TControl*)> OnMouseExit;
  std::function<void(TControl* sender, TQRXBoundsChange change)> OnBoundsChange;

 protected:
  virtual void BoundsChanged(TQRXBoundsChange change);
  void MouseEnter() override;
  void MouseLeave() override;
  virtual void MouseExit();
};

class TQRXBaseControl : public TQRXControl {
 public:
  explicit TQRXBaseControl(TComponent* owner = nullptr);
  ~TQRXBaseControl() override;

  TQRXCustomImageList* ImageList() const { return image_list_; }
  void SetImageList(TQRXCustomImageList* list);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v) { SetIndex(0, v); }
  int ListIndex() const { return list_index_; }
  void SetListIndex(int v) { SetIndex(1, v); }
  // No list, or the list lacks item (ListIndex, ImageIndex).
  bool HasNoImage() const;

  TQRXBitmapEffectObject& BackFX() { return *back_fx_; }
  void SetBackFX(const TQRXBitmapEffectObject& v) { back_fx_->Assign(&v); }

  virtual bool BackgroundAvailable() const { return false; }
  virtual void ImageListChanged(TComponent* sender);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void Dispatch(TMessage& message) override;
  virtual void BackgroundChanged();

 private:
  void SetIndex(int which, int v);

  TQRXCustomImageList* image_list_ = nullptr;
  int image_index_ = 0;
  int list_index_ = 0;
  TQRXChangeLink link_;
  std::unique_ptr<TQRXBitmapEffectObject> back_fx_;
};

class TQRXBaseGraphicControl : public TQRXBaseControl {
 public:
  explicit TQRXBaseGraphicControl(TComponent* owner = nullptr);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Transparent (or designed) controls invalidate and let the parent's
  // background show first; opaque ones repaint at once over themselves.
  void RepaintControl();
  void GetChange(TQRXObject* sender) override;
  bool BackgroundAvailable() const override;

 protected:
  void Paint() override;
  void BackgroundChanged() override;

 private:
  bool transparent_ = true;
};

class TQRXGraphicControl : public TQRXBaseGraphicControl {
 public:
  explicit TQRXGraphicControl(TComponent* owner = nullptr);
  ~TQRXGraphicControl() override;

  TQRXBevel& Bevel() { return *bevel_; }
  const TQRXBevel& Bevel() const { return *bevel_; }
  void SetBevel(const TQRXBevel& v);
  int BevelExtent() const { return bevel_->Extent(); }
  int BevelExtent2() const { return 2 * bevel_->Extent(); }

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TQRXBevel> bevel_;
};

// The windowed base: a frame, transparency over a background its parent
// offers, focus callbacks. Children take its background when it has one.
class TQRXCustomControl : public TCustomControl {
 public:
  explicit TQRXCustomControl(TComponent* owner = nullptr);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool MouseInside() const { return mouse_inside_; }

  virtual void GetChange(TQRXObject* sender);
  bool IsTransparentMode() const { return transparent_ && HasBackground(); }
  virtual TBitmap* GetBackgroundBitmap() { return nullptr; }
  virtual bool HasBackground() const { return false; }
  virtual TPoint GetBackgroundOffset(TPoint p) const { return p; }

  std::function<void(TQRXCustomControl*)> OnGotFocus;
  std::function<void(TQRXCustomControl*)> OnLostFocus;
  std::function<void(TControl*)> OnMouseExit;

 protected:
  // Fills the client area, unless a background hook painted it.
  virtual void PaintBackground();
  virtual bool BackgroundHook() { return false; }
  void Paint() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Dispatch(TMessage& message) override;
  void DoEnter() override;
  void DoExit() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool transparent_ = false;
  bool repaint_on_change_ = true;
  bool mouse_inside_ = false;
};
