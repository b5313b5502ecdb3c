#pragma once
// Shapes from their description: the outline of each shape type inside a
// rectangle (corrected for bevel width, shadow depth and squareness) kept
// in a point list, and the painting of shadow, face and bevel lines.
//
// A list built by BuildShapePolygon holds the outer outline, then the same
// outline moved in by the bevel (the inner one), both in the same order and
// of Count() / 2 entries each. Positions are local to the rectangle and
// describe the shape at its shadow position: its box runs from (d, d) to
// (W, H) for a shadow depth d, and the face, d pixels up and left, covers
// (0, 0) to (W - d, H - d). For the round rectangle the third entry of
// each half is the corner size, not a position.

#include <cstdint>
#include <functional>
#include <vector>

#include "effects/QRXShape.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

// Points packed into 32-bit items: X in the high and Y in the low 16 bits,
// both signed, so coordinates lie in -32768..32767.
class TQRXPointList {
 public:
  int Count() const { return int(items_.size()); }
  void Clear() {
    items_.clear();
    Changed();
  }
  // Leaves p as it is for an index past the end.
  void GetPoint(int index, TPoint& p) const;
  TPoint Point(int index) const {
    TPoint p;
    GetPoint(index, p);
    return p;
  }
  // Ignored for an index past the end.
  void SetPoint(int index, const TPoint& p);
  void AddPoint(const TPoint& p);
  // The raw item, as stored.
  std::uint32_t Item(int index) const { return items_.at(std::size_t(index)); }

  void BeginUpdate() { ++update_count_; }
  void EndUpdate() { --update_count_; }
  void Changed() {
    if (update_count_ <= 0 && OnChange) OnChange(this);
  }
  std::function<void(TQRXPointList* sender)> OnChange;

 private:
  std::vector<std::uint32_t> items_;
  int update_count_ = 0;
};

// Adds (dx, dy) to every point; a null list is ignored.
void OffsetPointList(TQRXPointList* list, int dx, int dy);

// Clears `list` and fills it with the outline of `shape` in `rect` (see
// above). A null bevel counts as width 1, a null shadow as depth 0.
void BuildShapePolygon(const TRect& rect, TQRXShapeType shape, bool square, int roundPercent,
                       const TQRXSimpleBevel* bevel, const TQRXShadow* shadow, TQRXPointList& list);

// Paints the shape into rect: shadow, face (the brush, or `fillBitmap`
// through a mask of the face) and bevel lines. `list` (or a list built here
// when null) holds the outline for the same size and parameters; it is the
// same after the call as before, also after an exception.
void DrawShape(const TRect& rect, TCanvas& canvas, TQRXShapeType shape, TQRXPointList* list, bool square,
               const TBrush& faceBrush, int roundPercent, const TQRXSimpleBevel* bevel,
               const TQRXShadow* shadow, TBitmap* fillBitmap, TColor maskBackColor, TColor hatchBackColor);
