#pragma once
// Regions and shaped windows. A TQRXFormShape on a form gives the form's
// window a non-rectangular outline (the window's mask: X11 and the
// offscreen platform both honour it), paints the form's background and a
// three-dimensional border along the shape, and lets the user drag the
// form by any empty point of its client area. TQRXRegion describes the
// outline: a built-in shape, a polygon, or a region stored with the form
// (TQRXRegionMask, with the picture drawn inside it); TQRXRgnShadow adds a
// drop shadow.
//
// Regions are QRegions. Stored region data is the host's region record
// (little-endian): a 32-byte header (u32 header size 32, u32 type 1, u32
// rectangle count N, u32 size of the rectangles in bytes, the bounding box
// as four i32) followed by N rectangles of four i32 (left, top, right,
// bottom; right and bottom exclusive). Data that does not hold together is
// refused and counts as no region.

#include <QPoint>
#include <QRegion>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "effects/QRXBmpStream.h"
#include "effects/QRXCont.h"
#include "effects/QRXFillObject.h"
#include "effects/QRXShape.h"
#include "effects/QRXShapeGeometry.h"
#include "effects/QRXWndProcComponent.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Geometry.h"

class TCanvas;
class TForm;

enum class TQRXRegionShape : std::uint8_t {
  rsRect,
  rsRoundRect,
  rsBitmap,
  rsNoseRect,
  rsRoundNoseRect,
  rsElliptic,
  rsStar,
  rsRoundShield,
  rsSharpShield,
  rsDiamond,
  rsOctagon,
  rsComb,
  rsHalfRound,
  rsUserRegion,
  rsThinkBubble,
  rsRoundThinkBubble,
  rsEllipticThinkBubble,
  rsPointList
};

// The corner a nose or bubble trail sits at and the side it leaves from.
enum class TQRXExtPos : std::uint8_t {
  epLeftTop,
  epTopLeft,
  epTopRight,
  epRightTop,
  epRightBottom,
  epBottomRight,
  epBottomLeft,
  epLeftBottom
};

enum class TQRXRegionBorderStyle : std::uint8_t {
  rbNone,
  rbLowered,
  rbRaised,
  rbSingle,
  rbSingleRaised,
  rbSingleLowered,
  rbRaisedpsb,
  rbLoweredpsb
};

// ---- region data ----

// Region records larger than this are refused.
inline constexpr std::int64_t kMaxRegionData = std::int64_t(1) << 26;
std::vector<std::uint8_t> RegionToData(const QRegion& region);
// False (region untouched) for data that is not a sound region record.
bool RegionFromData(std::span<const std::uint8_t> data, QRegion& region);

// ---- region builders ----

QRegion DiamondRegion(const TRect& r);
QRegion StarRegion(const TRect& r);
QRegion OctagonRegion(const TRect& r);
QRegion CombRegion(const TRect& r);
// Shields are built from the width and height alone, at (0, 0).
QRegion RoundShieldRegion(const TRect& r);
QRegion SharpShieldRegion(const TRect& r);
QRegion NoseRectRegion(const TRect& r, int n, TQRXExtPos pos);
QRegion RoundNoseRectRegion(const TRect& r, int n, int roundX, int roundY, TQRXExtPos pos);
QRegion ThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos);
QRegion EllipticThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos);
QRegion RoundThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos, int roundX, int roundY);

// The star's ten corners in r.
std::vector<TPoint> StarPoints(const TRect& r);
std::vector<TPoint> OctagonPoints(const TRect& r);
std::vector<TPoint> CombPoints(const TRect& r);
std::vector<TPoint> DiamondPoints(const TRect& r);
// Shrinks r by n at the corner of pos; fills the tip p0 and the base p1, p2.
void NosePoints(TRect& r, int n, TQRXExtPos pos, int offset, TPoint& p0, TPoint& p1, TPoint& p2);

struct TQRXBubble {
  int diameter = 0;
  int x = 0;
  int y = 0;
  friend bool operator==(const TQRXBubble&, const TQRXBubble&) = default;
};
// Shrinks r as for noses and returns count + 3 bubbles.
std::vector<TQRXBubble> BubbleTrail(TRect& r, int n, int count, TQRXExtPos pos);
QRegion BubbleTrailRegion(TRect& r, int n, int count, TQRXExtPos pos);

// Elliptic and rounded-rectangle regions of the host's bounding boxes.
QRegion EllipseRegion(int x1, int y1, int x2, int y2);
QRegion RoundRectRegion(const TRect& r, int roundX, int roundY);
QRegion PolygonRegion(std::span<const TPoint> points);

// ---- description objects ----

class TQRXRegionMask : public TQRXObject {
 public:
  TQRXRegionMask();
  ~TQRXRegionMask() override;

  const std::vector<std::uint8_t>& RegionData() const { return region_data_; }
  void SetRegionData(std::vector<std::uint8_t> data);
  // The published size; its setter only stores the number (the form reader
  // sets it before "RegionData").
  int RegionDataSize() const { return region_data_size_; }
  void SetRegionDataSize(int value) { region_data_size_ = value; }
  TBitmap& BorderBmp() { return *border_bmp_; }
  TBitmap& BorderUpBmp() { return *border_up_bmp_; }
  TBitmap& BorderDnBmp() { return *border_dn_bmp_; }
  TQRXSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQRXSavePixelFormat value) { pixel_format_ = value; }
  bool Compressed() const { return compressed_; }
  void SetCompressed(bool value) { compressed_ = value; }

  void Assign(const TQRXObject* source) override;
  void DefineProperties(TQRXFiler& filer) override;
  const char* ClassName() const override { return "TQRXRegionMask"; }

 private:
  std::vector<std::uint8_t> region_data_;
  int region_data_size_ = 0;
  std::unique_ptr<TBitmap> border_bmp_;
  std::unique_ptr<TBitmap> border_up_bmp_;
  std::unique_ptr<TBitmap> border_dn_bmp_;
  TQRXSavePixelFormat pixel_format_ = TQRXSavePixelFormat::spfDefault;
  bool compressed_ = false;
};

class TQRXRgnShadow : public TQRXShadow {
 public:
  TQRXRgnShadow();
  const char* ClassName() const override { return "TQRXRgnShadow"; }
};

class TQRXRegionBorder : public TQRXObject {
 public:
  TQRXRegionBorderStyle Style() const { return style_; }
  void SetStyle(TQRXRegionBorderStyle value);
  TColor LightColor() const { return light_color_; }
  void SetLightColor(TColor value);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor value);
  TColor SingleColor() const { return single_color_; }
  void SetSingleColor(TColor value);

  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXRegionBorder"; }

 private:
  TQRXRegionBorderStyle style_ = TQRXRegionBorderStyle::rbSingle;
  TColor light_color_ = clBtnHighlight;
  TColor shadow_color_ = clBtnShadow;
  TColor single_color_ = clBlack;
};

class TQRXRegion : public TQRXObject {
 public:
  static constexpr int kBubbleCount = 4;

  explicit TQRXRegion(TComponent* owner = nullptr);
  ~TQRXRegion() override;

  TQRXRegionShape Shape() const { return shape_; }
  void SetShape(TQRXRegionShape value);
  TQRXRegionMask& Mask() { return *mask_; }
  void SetMask(const TQRXRegionMask& value) { mask_->Assign(&value); }
  int RoundX() const { return round_x_; }
  void SetRoundX(int value);
  int RoundY() const { return round_y_; }
  void SetRoundY(int value);
  TQRXExtPos ExtPos() const { return ext_pos_; }
  void SetExtPos(TQRXExtPos value);
  TQRXRgnShadow& Shadow() { return *shadow_; }
  void SetShadow(const TQRXShadow& value) { shadow_->Assign(&value); }
  TQRXPointList& Points() { return *points_; }
  TQRXRegionBorder& Border() { return *border_; }
  TComponent* Owner() const { return owner_; }
  void SetOwner(TComponent* owner) { owner_ = owner; }

  // The region last built (empty when the shape gave none), and whether
  // there is one.
  const QRegion& RegionHandle() const { return region_; }
  bool HasRegion() const { return has_region_; }
  // The region of the point list or of a user region, as stored data.
  const std::vector<std::uint8_t>& StoredRegionData() const { return stored_; }
  void StoreRegionData(const QRegion& region);

  // Builds the region for r (moved in by a shadow's depth).
  virtual void UpdateRegion(TRect r);
  // Shadow and border of the shape in r.
  virtual void PaintBorder(TCanvas& canvas, TRect r);
  // The shape's region in r; false when the shape gives none.
  bool CreateRegion(QRegion& region, const TRect& r) const;
  void SetRectRegion(const TRect& r);
  void BuildPointListRegion();

  void Assign(const TQRXObject* source) override;
  void DefineProperties(TQRXFiler& filer) override;
  const char* ClassName() const override { return "TQRXRegion"; }

 private:
  bool OwnerDesigning() const;
  bool OwnerDestroying() const;
  void PaintShadow(TCanvas& canvas, TRect& r);

  TQRXRegionShape shape_ = TQRXRegionShape::rsRoundRect;
  std::unique_ptr<TQRXRegionMask> mask_;
  int round_x_ = 20;
  int round_y_ = 20;
  TQRXExtPos ext_pos_ = TQRXExtPos::epLeftTop;
  std::unique_ptr<TQRXRgnShadow> shadow_;
  std::unique_ptr<TQRXPointList> points_;
  std::unique_ptr<TQRXRegionBorder> border_;
  QRegion region_;
  bool has_region_ = false;
  std::vector<std::uint8_t> stored_;
  TComponent* owner_ = nullptr;
};

// A region that publishes its border.
class TQRXBorderRegion : public TQRXRegion {
 public:
  using TQRXRegion::TQRXRegion;
  void SetBorder(const TQRXRegionBorder& value) { Border().Assign(&value); }
  const char* ClassName() const override { return "TQRXBorderRegion"; }
};

// Paints the border of `shape` in r with the style and colours of `border`
// (the border painters, usable without a region object).
void PaintRegionBorder(TCanvas& canvas, TRect r, TQRXRegion& region);

// ---- the shaped-window component ----

class TQRXFormShape : public TQRXWndProcComponent {
 public:
  explicit TQRXFormShape(TComponent* owner = nullptr);
  ~TQRXFormShape() override;

  TQRXBorderRegion& Region() { return *region_; }
  void SetRegion(const TQRXRegion& value) { region_->Assign(&value); }
  bool ShowFormCaption() const { return show_form_caption_; }
  void SetShowFormCaption(bool value);
  bool FormDragable() const { return form_dragable_; }
  void SetFormDragable(bool value) { form_dragable_ = value; }
  bool UseRgnBitmap() const { return use_rgn_bitmap_; }
  void SetUseRgnBitmap(bool value);
  TQRXFillObject& FillObject() { return *fill_object_; }
  void SetFillObject(const TQRXFillObject& value) { fill_object_->Assign(&value); }
  TQRXCustomImageList* ImageList() const { return image_list_; }
  void SetImageList(TQRXCustomImageList* value);
  int ListIndex() const { return list_index_; }
  void SetListIndex(int value) { list_index_ = value; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }

  // Builds the window's shape from Region and gives it to the form.
  void ApplyRegion();
  // The shape last given to the form's window (in window coordinates).
  const QRegion& WindowRegion() const { return window_region_; }
  // Background and border on the canvas (the form's own when null).
  void PaintBackground(TCanvas* canvas);
  bool HasBackground() const;
  TBitmap* GetBackgroundBitmap();
  // Copies the part of the background behind a control at `offset` into r
  // of its canvas; false when there is no background.
  bool BackgroundHook(TCanvas& canvas, const TRect& r, const TPoint& offset);

  void GetChange(TComponent* sender) override;
  void DefineProperties(TQRXFiler& filer) override;

 protected:
  bool WndProc(QEvent* event) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<TQRXBorderRegion> region_;
  std::unique_ptr<TQRXFillObject> fill_object_;
  std::unique_ptr<TBitmap> background_;
  std::unique_ptr<TQRXChangeLink> change_link_;
  TQRXCustomImageList* image_list_ = nullptr;
  QRegion window_region_;
  int list_index_ = 0;
  int image_index_ = 0;
  bool show_form_caption_ = true;
  bool form_dragable_ = true;
  bool use_rgn_bitmap_ = true;
  bool painting_ = false;
  // Dragging by hand where the window system cannot move the window.
  bool dragging_ = false;
  QPoint drag_offset_;
  // The form's window flags while its caption is taken away.
  Qt::WindowFlags saved_flags_;
};
