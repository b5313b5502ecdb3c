#pragma once
// The drawing state a metafile's records act on — pens, brushes, fonts,
// colours, the window-to-viewport mapping, the world transform, clipping,
// paths and the saved-state stack — played on a QPainter. Both metafile
// readers (placeable WMF and EMF) decode their records into these calls;
// coordinates are the records' logical units.
//
// The output transform maps the metafile's reference device onto the
// target; everything a record asks for goes through world transform, then
// window/viewport mapping, then the output transform.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

// Little-endian reads from a record; a read past the end gives 0 and marks
// the reader failed, so a short record is recognised and skipped instead of
// being read out of bounds.
class TMetafileReader {
 public:
  explicit TMetafileReader(std::span<const uint8_t> data) : data_(data) {}
  uint8_t U8();
  uint16_t U16();
  int16_t I16() { return int16_t(U16()); }
  uint32_t U32();
  int32_t I32() { return int32_t(U32()); }
  float F32();
  // `count` raw bytes (empty and failed when they are not all there).
  std::span<const uint8_t> Bytes(size_t count);
  void Skip(size_t count) { Bytes(count); }
  void Seek(size_t position);
  size_t Position() const { return pos_; }
  size_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  bool Ok() const { return ok_; }
  // True when `count` items of `size` bytes each still fit.
  bool Fits(uint64_t count, uint64_t size) const { return count <= Remaining() / (size ? size : 1); }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Colours as the records store them: 0x00BBGGRR.
QColor MetafileColor(uint32_t colorref);
// Text in the records' 8-bit character set (Windows-1252 for the western
// set, which drawing programs write).
QString MetafileAnsiText(std::span<const uint8_t> bytes);

struct TMetafilePen {
  int style = 0;  // the low byte: solid, dash, dot, dash-dot, dash-dot-dot, null, inside frame
  double width = 0;  // logical units; 0 is one device pixel
  QColor color = Qt::black;
  int cap = 0;   // round, square, flat (geometric pens)
  int join = 0;  // round, bevel, miter (geometric pens)
};

struct TMetafileBrush {
  int style = 0;  // solid, null, hatched, pattern
  QColor color = Qt::white;
  int hatch = 0;
  QImage pattern;
};

struct TMetafileFont {
  double height = 0;  // logical units; negative: character height, positive: cell height
  double escapement = 0;  // tenths of a degree, anticlockwise
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  QString face;
};

// A region object (WMF CreateRegion); kept in logical units.
struct TMetafileRegion {
  QRegion region;
};

// Objects a record creates that draw nothing here (palettes, old-style
// bitmaps): they still take their slot in the table.
struct TMetafileOtherObject {};

using TMetafileObject = std::variant<std::monostate, TMetafilePen, TMetafileBrush, TMetafileFont, TMetafileRegion,
                                     TMetafileOtherObject>;

enum class TClipMode { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class TMetafilePlayer {
 public:
  // `output` maps the metafile's device units onto the painter.
  TMetafilePlayer(QPainter& painter, const QTransform& output);
  ~TMetafilePlayer();

  // Device pixels per millimetre of the reference device, for the fixed
  // mapping modes (96 per inch unless the picture says otherwise).
  void SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY);

  // The object table. Objects are created at the lowest free slot (WMF) or
  // at the slot the record names (EMF); bad slots are ignored.
  void SetObjectTableSize(size_t size);
  int AddObject(TMetafileObject object);
  void SetObject(uint32_t index, TMetafileObject object);
  void SelectObject(uint32_t index);
  // Stock objects of EMF (the index with its high bit set).
  void SelectStockObject(uint32_t stock);
  void DeleteObject(uint32_t index);

  // State.
  void SetTextColor(uint32_t colorref) { state_.textColor = MetafileColor(colorref); }
  void SetBkColor(uint32_t colorref) { state_.bkColor = MetafileColor(colorref); }
  void SetBkMode(int mode) { state_.bkOpaque = mode == 2; }
  void SetPolyFillMode(int mode) { state_.winding = mode == 2; }
  void SetTextAlign(uint32_t align) { state_.textAlign = align; }
  void SetRop2(int rop) { state_.rop2 = rop; }
  void SetMapMode(int mode);
  void SetWindowOrg(double x, double y);
  void SetWindowExt(double x, double y);
  void SetViewportOrg(double x, double y);
  void SetViewportExt(double x, double y);
  void OffsetWindowOrg(double dx, double dy);
  void OffsetViewportOrg(double dx, double dy);
  void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
  void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
  void SetWorldTransform(const QTransform& t) { state_.world = t; }
  // 1 identity, 2 left-multiply, 3 right-multiply, 4 set.
  void ModifyWorldTransform(const QTransform& t, int mode);
  void SaveDC();
  // Negative: relative to the top of the stack; positive: absolute level.
  void RestoreDC(int which);

  // Clipping, in logical units.
  void IntersectClipRect(const QRectF& r);
  void ExcludeClipRect(const QRectF& r);
  void OffsetClipRgn(double dx, double dy);
  // Region in device units; null resets the clip (mode Copy).
  void SelectClipRegion(const QRegion* deviceRegion, TClipMode mode);
  void SelectClipObject(uint32_t index);
  void SelectClipPath(TClipMode mode);

  // Drawing, in logical units.
  void MoveTo(const QPointF& p);
  void LineTo(const QPointF& p);
  void Polyline(const QPolygonF& points);
  void PolylineTo(const QPolygonF& points);
  void Polygon(const QPolygonF& points);
  void PolyPolygon(const std::vector<QPolygonF>& polygons);
  void PolyPolyline(const std::vector<QPolygonF>& lines);
  // Cubic Bézier: a start point then three points per segment (PolyBezierTo
  // starts at the current position).
  void PolyBezier(const QPolygonF& points);
  void PolyBezierTo(const QPolygonF& points);
  void Rectangle(const QRectF& r);
  void RoundRect(const QRectF& r, double cornerWidth, double cornerHeight);
  void Ellipse(const QRectF& r);
  enum class ArcKind { Arc, Chord, Pie, ArcTo };
  void Arc(ArcKind kind, const QRectF& box, const QPointF& start, const QPointF& end);
  void SetPixel(const QPointF& p, uint32_t colorref);
  // Fills with the current brush, or the raster operation's fixed colour.
  void PatBlt(const QRectF& r, uint32_t rop);
  void FillRegion(uint32_t regionIndex, uint32_t brushIndex);
  void FrameRegion(uint32_t regionIndex, uint32_t brushIndex, double w, double h);
  void PaintRegion(uint32_t regionIndex);
  // A region in device units filled with a brush object.
  void FillDeviceRegion(const QRegion& deviceRegion, uint32_t brushIndex);

  // Text at a reference point, aligned by the text alignment; `rect` and
  // the options are ETO_OPAQUE (2) and ETO_CLIPPED (4); `dx` the advance of
  // each character in logical units when the record has them.
  void TextOut(const QPointF& p, const QString& text, uint32_t options = 0, const QRectF& rect = {},
               const std::vector<double>& dx = {});

  // A device-independent picture stretched from its `source` rectangle
  // into `dest`, combined by the raster operation.
  void StretchBlt(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop);

  // Paths.
  void BeginPath();
  void EndPath() { in_path_ = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();

 private:
  struct State {
    TMetafilePen pen;
    TMetafileBrush brush;
    TMetafileFont font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    bool bkOpaque = true;
    bool winding = false;
    uint32_t textAlign = 0;
    int rop2 = 13;  // copy pen
    int mapMode = 1;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QTransform world;
    std::optional<QRegion> clip;  // output pixels
    QPointF position;
  };

  QTransform LogicalToOutput() const;
  QTransform LogicalToDevice() const;
  QPen MakePen() const;
  QBrush MakeBrush(const TMetafileBrush& brush) const;
  void Prepare();  // transform, clip, raster mode on the painter
  void DrawShape(const QPainterPath& path, bool fill, bool stroke);
  void AddToPath(const QPainterPath& path);
  void SetClip(const QRegion& outputRegion, TClipMode mode);
  void FillOutputRegion(const QRegion& outputRegion, uint32_t brushIndex);
  QRegion DeviceToOutput(const QRegion& deviceRegion) const;
  QRegion ToOutput(const QPainterPath& logicalPath) const;
  QRegion ToOutput(const QRegion& logicalRegion) const;
  const TMetafileObject* Object(uint32_t index) const;
  QPainterPath ArcPath(ArcKind kind, const QRectF& box, const QPointF& start, const QPointF& end) const;
  double DevicePixelsPerLogical() const;

  QPainter& painter_;
  QTransform output_;
  State state_;
  std::vector<State> saved_;
  std::vector<TMetafileObject> objects_;
  QPainterPath path_;
  bool in_path_ = false;
  double pixels_per_mm_x_ = 96.0 / 25.4;
  double pixels_per_mm_y_ = 96.0 / 25.4;
};
