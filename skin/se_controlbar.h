#pragma once
// The skin library's control bar: the container of tool bars. Every child
// lies in a band with a grabber at its left; bands form rows, and the user
// drags a band by its grabber to reorder it or move it to another row. The
// band bookkeeping is TSeControlBarBands (se_controlbar_layout); this is
// the window that feeds it the children, paints bands and takes the drags.

#include <functional>

#include "skin/se_controlbar_layout.h"
#include "skin/se_controls.h"

// The paint options of a band.
using TBandPaintOptions = unsigned;
inline constexpr TBandPaintOptions bpoGrabber = 1;
inline constexpr TBandPaintOptions bpoFrame = 2;

class TSeCustomControlBar : public TSeCustomControl {
 public:
  explicit TSeCustomControlBar(TComponent* owner = nullptr);

  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool AutoDrag() const { return auto_drag_; }
  void SetAutoDrag(bool value) { auto_drag_ = value; }
  bool AutoDock() const { return auto_dock_; }
  void SetAutoDock(bool value) { auto_dock_ = value; }
  int RowSize() const { return bands_.RowSize; }
  void SetRowSize(int value) { bands_.RowSize = value; }
  bool RowSnap() const { return bands_.RowSnap; }
  void SetRowSnap(bool value) { bands_.RowSnap = value; }

  std::function<void(TControl* sender, TControl* control, TRect& insets, int& preferredSize, int& rowCount)>
      OnBandInfo;
  std::function<void(TControl* sender, TControl* control, TRect& rect)> OnBandMove;
  std::function<void(TControl* sender, TControl* control, TCanvas* canvas, TRect& rect,
                     TBandPaintOptions& options)>
      OnBandPaint;
  std::function<void(TControl* sender, TControl* control, bool& drag)> OnBandDrag;
  std::function<void(TControl* sender)> OnPaint;

  // The band under a point (first bands of visible controls), its control.
  const TSeControlBarBand* BandAtPos(int x, int y);
  TControl* ControlAtPos(int x, int y);
  const TSeControlBarBand* FindBand(TControl* control) const;
  const TSeControlBarBands& Bands() const { return bands_; }
  // Forgets every band and lays the bar out from its controls' places.
  void RebuildBands();
  // Lays the bar out; `control` is the one that moved (or null).
  void AdjustBands(TControl* control);
  TControl* DraggedControl() const;

 protected:
  virtual void DoBandMove(TControl* control, TRect& rect);
  virtual void DoBandPaint(TControl* control, TCanvas* canvas, TRect& rect, TBandPaintOptions& options);
  // Asked to take the control out of the bar; true when it went.
  virtual bool DragControl(TControl* control, int x, int y, bool keepCapture);
  virtual void DoBandInfo(TControl* control, TRect& insets, int& preferredSize, int& rowCount);
  virtual void PaintBand(TCanvas* canvas, TControl* control, const TRect& rect);
  virtual void PaintBackgroundArea();
  virtual int GetGrabberSize() { return TSeControlBarBands::kGrabberSize; }
  void StickControls();

  void PaintBackground() override;
  void AlignControls(TRect& client) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  bool event(QEvent* event) override;

 private:
  std::vector<TSeBandChild> Children() const;
  TControl* ControlOf(TSeBandId id) const;
  void Apply(const std::vector<TSeBandChild>& children);
  void FitHeight();

  TSeControlBarBands bands_;
  bool auto_size_ = true;
  bool auto_drag_ = true;
  bool auto_dock_ = true;
  bool fitting_ = false;
};
