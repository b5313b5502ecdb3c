#pragma once
// The skin library's hints. A TSeCustomHint on a form measures and paints
// the program's hints; while one is active, hints show in a TSeHintWindow,
// a tool window whose frame (TSeHintForm) gives it blending, the frame's
// shadow and the show animation. Activating one installs the hint window
// class and the application's OnShowHint for the whole program; the first
// component to install them keeps what it replaced and gives it back when
// it goes.

#include <QString>
#include <functional>
#include <memory>

#include "platform/gui/Canvas.h"
#include "platform/gui/Hints.h"
#include "skin/se_form.h"
#include "skin/se_formoptions.h"

class TSeHintWindow;

namespace se {
// The hint font: the desktop's status font (DejaVu Sans, 12 pixels here).
TFont& HintFont();
}  // namespace se

class TSeCustomHint : public TComponent {
 public:
  explicit TSeCustomHint(TComponent* owner = nullptr);
  ~TSeCustomHint() override;
  void Init() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  TSeAnimation* Animation() const { return animation_.get(); }
  void SetAnimation(const TSeAnimation& value) { animation_->Assign(value); }
  TSeBlending* Blending() const { return blending_.get(); }
  void SetBlending(const TSeBlending& value) { blending_->Assign(value); }
  TSeShadow* Shadow() const { return shadow_.get(); }
  void SetShadow(const TSeShadow& value) { shadow_->Assign(value); }

  std::function<void(QString& hintStr, bool& canShow, THintInfo& hintInfo)> OnShowHint;

  // The size the hint needs, at (0, 0).
  virtual void CalcHintRect(TCanvas& canvas, const QString& text, TRect& rect);
  virtual void PaintHint(TCanvas& canvas, const TRect& rect, const QString& text);

  // The installed OnShowHint: the window learns which component draws.
  void DoShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo);

 protected:
  void Loaded() override;

 private:
  bool active_ = true;
  std::unique_ptr<TSeAnimation> animation_;
  std::unique_ptr<TSeBlending> blending_;
  std::unique_ptr<TSeShadow> shadow_;
};

// The frame of a hint window: borderless, neither moved nor sized, small.
class TSeHintForm : public TSeCustomForm {
 public:
  explicit TSeHintForm(TComponent* owner = nullptr);
  TPoint GetMinSize() override;
  void PaintBackground(TCanvas& canvas) override;
};

class TSeHintWindow : public THintWindow {
 public:
  explicit TSeHintWindow(TComponent* owner = nullptr);
  ~TSeHintWindow() override;
  void Init() override;
  // What SetHintWindowClass takes.
  static THintWindow* Make(TComponent* owner);

  TRect CalcHintRect(int maxWidth, const QString& hint, TComponent* data) override;
  void ActivateHint(const TRect& rect, const QString& hint) override;
  void ActivateHintData(const TRect& rect, const QString& hint, TComponent* data) override;

  TSeCustomHint* HintComponent() const { return hint_; }
  TSeHintForm* Frame() const { return frame_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void TextChanged() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void SetHintComponent(TSeCustomHint* hint);
  bool activating_ = false;
  TSeCustomHint* hint_ = nullptr;
  TSeHintForm* frame_ = nullptr;
};
