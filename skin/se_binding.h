#pragma once
// TSeSkinBinding: what every skinned control keeps to draw from a skin — the
// engine it points at (SkinEngine), the name of its top-level skin object
// (SkinObject) and its private clone of that object (SkinCopy). A wrapper
// owns one, asks UseSkin before each skinned painter, draws named children
// of the copy (Find), and passes its messages through Dispatch so that a
// skin change drops the copy first and clones the new one after.
//
// A copy's pictures live in the engine's skin: the engine therefore knows
// every binding that points at it and drops their copies itself before a
// skin is replaced or reloaded, and unbinds them when it is freed, so that
// no copy outlives the skin it was made from even in a control that no
// broadcast reaches.

#include <functional>
#include <string>

#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"
#include "skin/se_skinobject.h"

class TSeSkinEngine;

class TSeSkinBinding : public TComponent {
 public:
  // Owned by the control it binds (its owner); `defaultObject` is the
  // wrapper's default SkinObject.
  TSeSkinBinding(TComponent* control, std::string defaultObject);
  ~TSeSkinBinding() override;

  TSeSkinEngine* SkinEngine() const { return engine_; }
  // Stores the engine and binds: with a usable skin the copy is a fresh
  // clone of the object named SkinObject (none when the skin lacks it);
  // then OnBind runs and the control repaints.
  void SetSkinEngine(TSeSkinEngine* engine);
  const std::string& SkinObject() const { return object_; }
  // Only stores the name; the next bind uses it.
  void SetSkinObject(const std::string& name) { object_ = name; }
  TSeSkinObject* SkinCopy() const { return copy_.get(); }

  // True while the control may draw from its copy: not being destroyed
  // (nor loaded, when asked), an engine whose skin is not loading and holds
  // the named object, and a copy.
  bool UseSkin(bool whileLoading = false) const;
  // A named child anywhere below the copy (case ignored), or null.
  TSeSkinObject* Find(const std::string& name) const;
  // The named child, else the copy itself.
  TSeSkinObject* FindOrCopy(const std::string& name) const;

  // The skin messages: before-change of its engine drops the copy,
  // after-change binds again, skin-changed repaints. True when handled.
  bool Dispatch(TMessage& message);
  // Drops the copy (the control shows its plain look).
  void Release();

  // Runs after every bind, with or without a copy.
  std::function<void()> OnBind;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TSeSkinEngine;
  TControl* control_;
  TSeSkinEngine* engine_ = nullptr;
  std::string object_;
  std::unique_ptr<TSeSkinObject> copy_;
};
