#pragma once
// Skinned wrappers of the library's own controls: each binds its control to
// a skin through a TSeSkinBinding and draws the named children of its copy
// in place of the plain painters, falling back to them when unbound.

#include <string>

#include "skin/se_binding.h"
#include "skin/se_scrollbar.h"

class TSeSkinEngine;

namespace se {
// Lays the object out at `r`, gives it the state and draws it; nothing
// for a null object.
void DrawSkinPart(TSeSkinObject* object, TCanvas& canvas, const TRect& r, TSeObjectState state = osNormal);
}  // namespace se

// The scroll bar drawn from "ScrollBar": "TopButton"/"LeftButton",
// "BottomButton"/"RightButton", "VertSlider"/"HorzSlider" else "Slider",
// "VertFrame"/"HorzFrame" else "Frame" as the track; the skin gives the bar
// its thickness and button size.
class TSeSkinScrollBar : public TSeCustomScrollBar {
 public:
  explicit TSeSkinScrollBar(TComponent* owner = nullptr);

  TSeSkinEngine* SkinEngine() const { return binding_->SkinEngine(); }
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }
  const std::string& SkinObject() const { return binding_->SkinObject(); }
  void SetSkinObject(const std::string& name) { binding_->SetSkinObject(name); }
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}
  TSeSkinBinding& Binding() { return *binding_; }

  int GetButtonSize() const override;

 protected:
  void Dispatch(TMessage& message) override;
  void PaintFrame() override;
  void PaintTrack() override;
  void PaintFirstButton() override;
  void PaintSecondButton() override;
  void PaintThumb() override;
  void PaintPageBefore() override;
  void PaintPageAfter() override;

 private:
  bool Vertical() const { return Kind() == sbVertical; }
  TSeObjectState ButtonState(bool pressed, bool hot) const;
  void Bound();
  TSeSkinBinding* binding_;
};
