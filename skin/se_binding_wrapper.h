#pragma once
// TSeSkinned<Base>: what a skinned wrapper adds to a control class of the
// library, written once — the binding it owns, the published SkinEngine,
// SkinObject and Version, the skin messages, a repaint when the mouse
// enters or leaves (the skin has hot looks), and the standard state of the
// control for the objects it draws. A wrapper derives from
// TSeSkinned<TSeCustomX>, names its default object and overrides the
// painters of its base.

#include <optional>
#include <string>

#include "skin/se_binding.h"
#include "skin/se_binding_controls.h"

template <class Base>
class TSeSkinned : public Base {
 public:
  TSeSkinned(TComponent* owner, const char* object) : Base(owner), binding_(Create<TSeSkinBinding>(this, object)) {
    binding_->OnBind = [this] {
      if (owns_copy_ && binding_->SkinCopy()) binding_->SkinCopy()->SetOwnerControl(this);
      Bound();
    };
  }

  TSeSkinEngine* SkinEngine() const { return binding_->SkinEngine(); }
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }
  const std::string& SkinObject() const { return binding_->SkinObject(); }
  // Only stores the name; the next bind uses it.
  void SetSkinObject(const std::string& name) { binding_->SetSkinObject(name); }
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}
  TSeSkinBinding& Binding() const { return *binding_; }

 protected:
  // After every bind, with a fresh copy or none.
  virtual void Bound() {}

  bool UseSkin() const { return binding_->UseSkin(skin_while_loading_); }
  TSeSkinObject* Copy() const { return binding_->SkinCopy(); }
  TSeSkinObject* Find(const std::string& name) const { return binding_->Find(name); }
  TSeSkinObject* FindOrCopy(const std::string& name) const { return binding_->FindOrCopy(name); }

  // Disabled, else hot under the mouse, else focused, else normal.
  TSeObjectState StandardState() const {
    if (!this->Enabled()) return osDisabled;
    if (this->MouseInControl()) return osHot;
    if constexpr (requires(const Base& b) { b.IsFocused(); })
      if (this->IsFocused()) return osFocused;
    return osNormal;
  }

  void Dispatch(TMessage& message) override {
    if (!binding_->Dispatch(message)) Base::Dispatch(message);
  }
  void Loaded() override {
    Base::Loaded();
    this->Invalidate();
  }
  void MouseEnter() override {
    Base::MouseEnter();
    if (UseSkin()) this->Invalidate();
  }
  void MouseLeave() override {
    Base::MouseLeave();
    if (UseSkin()) this->Invalidate();
  }

  // Gives the control the skin's font; the font it had before the first
  // is kept for PlainFontBack.
  void TakeSkinFont(const TFont& font) {
    if (!plain_font_) {
      plain_font_ = *this->Font();
      plain_parent_font_ = this->ParentFont();
    }
    this->SetFont(font);
  }
  // The skin went: the kept font comes back (and the parent's, when the
  // control followed it before). Nothing when no skin gave it a font.
  void PlainFontBack() {
    if (!plain_font_) return;
    const TFont plain = *plain_font_;
    plain_font_.reset();
    this->SetFont(plain);
    if (plain_parent_font_) this->SetParentFont(true);
  }
  const std::optional<TFont>& KeptPlainFont() const { return plain_font_; }

  // Lists and combo boxes draw from the skin while they are being loaded.
  bool skin_while_loading_ = false;
  // The label's copy is not told its control.
  bool owns_copy_ = true;

 private:
  TSeSkinBinding* binding_;
  std::optional<TFont> plain_font_;
  bool plain_parent_font_ = false;
};
