#pragma once
// TSeSkinForm: the window frame drawn from the loaded skin. It is the plain
// frame of se_form.h with every picture, region and hit test taken from a
// private copy of one top-level skin object ("Form" unless told otherwise):
// the object's parts say where the caption and borders are, its caption
// buttons are skin objects that act on the frame, and link objects place
// named controls of the form. Without a skin it is the plain frame.
//
// The copy draws from the engine's pictures, so it is dropped before every
// skin change and when the engine goes; the engine's after-change message
// binds a new one.

#include <functional>
#include <memory>
#include <string>

#include "skin/se_form.h"

class TFont;
class TSeSkinEngine;
class TSeSkinObject;
class TTimer;

namespace se {
// The size grip of the form's first status bar whose grip is active, in
// window coordinates; empty when there is none.
TRect StatusBarGripRect(TCustomForm* form);
}  // namespace se

class TSeSkinForm : public TSeCustomForm {
 public:
  explicit TSeSkinForm(TComponent* owner = nullptr);
  ~TSeSkinForm() override;

  TSeSkinEngine* SkinEngine() const { return engine_; }
  // Stores the engine and binds: a new copy of the frame object when the
  // engine has a skin, else the plain frame.
  void SetSkinEngine(TSeSkinEngine* engine);
  const std::string& SkinObject() const { return skin_object_; }
  // Only stores the name; the next bind uses it.
  void SetSkinObject(const std::string& name) { skin_object_ = name; }
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}

  // Run by a caption button whose action is sbaCustom.
  std::function<void(TComponent* sender, TSeSkinObject* button)> OnCustomAction;

  // True while the frame draws from its copy.
  bool UseSkin() const;
  TSeSkinObject* SkinCopy() const { return copy_.get(); }
  TSeSkinObject* HotObject() const { return hot_; }
  TSeSkinObject* CapturedObject() const { return captured_; }
  TSeSkinObject* ClientObject() const { return client_; }
  TSeSkinObject* TitleObject() const { return title_; }
  TTimer* HoverTimer() const { return hover_timer_; }

  // Puts each control named by a link object at that object's place.
  void AlignLinkControls();
  // What the hover timer does: the object under a window point turns hot.
  void TrackHover(const TPoint& windowPoint);

  QRegion CreateFormRegion() override;
  TSeCustomItem* CreateMenuItem(TComponent* owner) override;
  TRect GetBorderIconRect(unsigned icon) override;
  TRect GetClientArea() override;
  TRect GetMaximizedRect() override;
  TPoint GetMaxSize() override;
  void PaintNonClient(TCanvas& canvas) override;
  void PaintBackground(TCanvas& canvas) override;
  std::uint8_t HitTest(int x, int y) override;

  void StartDrag(TMouseButton button, TShiftState shift, int x, int y) override;
  void TrackDrag(TShiftState shift, int x, int y) override;
  void EndDrag(TMouseButton button, TShiftState shift, int x, int y) override;

  void CustomAction(TSeSkinObject* button) override;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void BorderStyleChanged() override;
  void DoBeforeMessage(QEvent* event, bool& handled) override;

 private:
  // Drops the copy and every pointer into it.
  void ReleaseSkin();
  // A skin without a client part fixes the window's size to its own.
  bool TakeSkinSize();
  // Lays the copy out over the frame when it has a client part, and gives
  // it the window's state (caption buttons show or hide by it).
  void PrepareSkin();
  void HoverTick();
  // Handles the skin messages; true when the message was answered.
  bool SkinMessage(TMessage& message);

  TTimer* hover_timer_ = nullptr;
  TSeSkinObject* hot_ = nullptr;
  std::unique_ptr<TSeSkinObject> copy_;
  TSeSkinObject* captured_ = nullptr;
  TSeSkinObject* client_ = nullptr;
  TSeSkinObject* title_ = nullptr;
  TSeSkinEngine* engine_ = nullptr;
  std::string skin_object_ = "Form";
  // The form's font before a skin gave it the skin's, for the plain look.
  std::unique_ptr<TFont> plain_font_;
  // Expires with the component: an action run from a mouse handler may
  // free the form and this frame with it.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
