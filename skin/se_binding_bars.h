#pragma once
// Skinned wrappers of the bars: progress bar, status bar, control bar and
// tool bar. Each draws the named children of its skin copy in place of its
// base's plain painters and falls back to them while unbound.

#include "skin/se_binding_wrapper.h"
#include "skin/se_controlbar.h"
#include "skin/se_progressbar.h"
#include "skin/se_statusbar.h"
#include "skin/se_toolbar.h"

// "ProgressBar": "Frame" (its margins hold the bar), "BarHorz" /
// "BarVert" else "Bar".
class TSeSkinProgressBar : public TSeSkinned<TSeCustomProgressBar> {
 public:
  explicit TSeSkinProgressBar(TComponent* owner = nullptr);

 protected:
  TRect GetBarRect() override;
  void PaintBar() override;
  void PaintFrame() override;
};

// "StatusBar": "Frame" behind the bar, "Panel" behind each panel,
// "Gripper" as the size grip.
class TSeSkinStatusBar : public TSeSkinned<TSeCustomStatusBar> {
 public:
  explicit TSeSkinStatusBar(TComponent* owner = nullptr);

 protected:
  void PaintFrame() override;
  void PaintSizeGrip() override;
  void PaintPanel(TSeStatusPanel* panel, const TRect& rect, bool isLast) override;
};

// "ControlBar": "Back" (else the copy) behind the bands, "Frame" around
// each band, "Grabber" whose width sets the grabbers'.
class TSeSkinControlBar : public TSeSkinned<TSeCustomControlBar> {
 public:
  explicit TSeSkinControlBar(TComponent* owner = nullptr);

 protected:
  void Bound() override;
  int GetGrabberSize() override;
  void PaintBand(TCanvas* canvas, TControl* control, const TRect& rect) override;
  void PaintBackgroundArea() override;

 private:
  // The skin's grabber width; it stays until a skin brings another.
  int grabber_width_ = 0;
};

// "ToolBar": "Frame" (else the copy) behind the buttons.
class TSeSkinToolBar : public TSeSkinned<TSeCustomToolBar> {
 public:
  explicit TSeSkinToolBar(TComponent* owner = nullptr);

 protected:
  void PaintBackground() override;
};
