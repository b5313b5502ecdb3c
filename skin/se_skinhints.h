#pragma once
// TSeSkinHint: the hint drawn from the skin object "Hint" (its margins pad
// the text, its font writes it). Its copy of the object goes and comes back
// with every skin change through its binding, which the engine reaches even
// though the hint has no window.

#include <string>

#include "skin/se_binding.h"
#include "skin/se_hints.h"

class TSeSkinEngine;

class TSeSkinHint : public TSeCustomHint {
 public:
  explicit TSeSkinHint(TComponent* owner = nullptr);

  TSeSkinEngine* SkinEngine() const { return binding_->SkinEngine(); }
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }
  const std::string& SkinObject() const { return binding_->SkinObject(); }
  void SetSkinObject(const std::string& name) { binding_->SetSkinObject(name); }
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}
  TSeSkinBinding& Binding() { return *binding_; }
  bool UseSkin() const { return binding_->UseSkin(); }

  void CalcHintRect(TCanvas& canvas, const QString& text, TRect& rect) override;
  void PaintHint(TCanvas& canvas, const TRect& rect, const QString& text) override;

 private:
  TSeSkinBinding* binding_;
};
