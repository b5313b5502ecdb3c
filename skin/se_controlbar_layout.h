#pragma once
// The bands of a control bar: every child control lies in a band with a
// grabber at its left; bands make rows (a band with Break starts one), a
// control may span several rows (continuation bands), and a dragged band
// finds its row and place by where it is dropped. TSeControlBarBands keeps
// the band list and lays it out over a snapshot of the bar's children; the
// control in se_controlbar moves the real controls from the result.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Geometry.h"

// What the layout reads of a child control. Id names the control for as
// long as it is on the bar (the bar passes the control's address).
using TSeBandId = std::uintptr_t;
struct TSeBandChild {
  TSeBandId Id = 0;
  TRect Bounds;
  bool Visible = true;
  int MinWidth = 0;
};

struct TSeControlBarBand {
  TSeBandId Control = 0;
  TRect Insets;
  bool Visible = true;
  bool Break = false;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  int RowCount = 1;
  TSeControlBarBand* ParentBand = nullptr;
  TSeControlBarBand* NextBand = nullptr;
  bool RowStart = false;
  int DragX = 0;
  int DragY = 0;
  int DragWidth = 0;

  TRect BoundsRect() const { return Rect(X, Y, X + Width, Y + Height); }
};

class TSeControlBarBands {
 public:
  static constexpr int kGrabberSize = 11;

  int RowSize = 26;
  bool RowSnap = false;
  bool Designing = false;
  int GrabberSize = kGrabberSize;
  // The band-info and band-move hooks of the bar (its events and overrides).
  std::function<void(TSeBandId control, TRect& insets, int& preferredWidth, int& rowCount)> BandInfo;
  std::function<void(TSeBandId control, TRect& rect)> BandMove;

  const std::vector<std::unique_ptr<TSeControlBarBand>>& Bands() const { return bands_; }
  // The first band of the control, or null.
  TSeControlBarBand* FindBand(TSeBandId control) const;
  // The first band of a visible control whose rectangle (the control's
  // bounds grown by its insets) holds the point.
  TSeControlBarBand* BandAtPos(const std::vector<TSeBandChild>& children, int x, int y) const;

  // Lays the bands out inside `rect` (the bar's client rectangle) and
  // moves the children in `children`; `control` is the one that moved or
  // is dragged (0 for none). Returns true when a child moved or a control
  // was given (the bar repaints then).
  bool AlignControls(std::vector<TSeBandChild>& children, TSeBandId control, const TRect& rect);
  // The height (or width, for a bar aligned left or right) the bar's
  // client area needs for its visible bands.
  int AutoSizeExtent(const std::vector<TSeBandChild>& children, bool vertical) const;

  // Frees every band; the next layout makes them from the controls.
  void Clear();
  // A control left the bar: its bands go, a row it started passes to the
  // band after it.
  void RemoveControl(TSeBandId control);

  // Every band takes its place from its control again.
  void StickControls(const std::vector<TSeBandChild>& children);

  // Drag bookkeeping of the bar.
  TSeBandId DraggedControl = 0;
  TSeBandId LastAligned = 0;
  TPoint GrabOffset;
  // Moves the dragged band to a point given as the mouse position.
  void DragTo(const std::vector<TSeBandChild>& children, int x, int y);

 private:
  struct Remembered {
    bool Valid = false;
    TRect Rect;
    int Index = -1;
    int VerticalInsets = 0;
    bool BreakPassed = false;
  };
  void UpdateBands(const std::vector<TSeBandChild>& children, TSeBandId control, bool& changed);
  void CreateBands(const TSeBandChild& child, const TRect& rect, bool isAControl,
                   const Remembered& remembered);
  TSeControlBarBand* InsertBand(std::unique_ptr<TSeControlBarBand> band, const Remembered* remembered);
  int IndexOf(const TSeControlBarBand* band) const;
  void FreeBandsOf(TSeBandId control);
  bool LayoutRows(std::vector<TSeBandChild>& children, TSeBandId control, const TRect& rect);

  std::vector<std::unique_ptr<TSeControlBarBand>> bands_;
  TRect default_insets_ = Rect(kGrabberSize, 2, 2, 2);
  bool aligning_ = false;
};
