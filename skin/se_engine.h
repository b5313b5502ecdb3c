#pragma once
// TSeSkinEngine: the non-visual component every skinned window and control
// points at. It owns the loaded skin (a TSeSkinSource), loads the file named
// by SkinFile, shifts the skin's hue by DeltaHue, and tells every form and
// each of its controls (recursively) before and after the skin changes, so
// that each drops its private copy of its skin object and clones a new one.
// A control whose object the new skin lacks keeps its plain look.

#include <functional>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"
#include "skin/se_messages.h"
#include "skin/se_skinsource.h"

class TSeSkinBinding;

class TSeSkinEngine : public TComponent {
 public:
  explicit TSeSkinEngine(TComponent* owner = nullptr);
  ~TSeSkinEngine() override;

  const std::string& SkinFile() const { return skin_file_; }
  // Loads the file at once and broadcasts the change; an empty, missing or
  // unknown-extension name leaves no skin (the plain look). A damaged file
  // raises, and then nothing changes: the old skin, SkinFile and every
  // control stay as they were.
  void SetSkinFile(const std::string& value);
  int DeltaHue() const { return delta_hue_; }
  // Shifts the loaded skin (with a broadcast); without a skin the value is
  // kept for the next load.
  void SetDeltaHue(int value);
  std::string SkinStore() const { return "(none)"; }
  void SetSkinStore(const std::string&) {}
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}

  TSeSkinSource& Source() { return *source_; }

  std::function<void(TComponent* sender)> OnBeforeChange;
  std::function<void(TComponent* sender)> OnAfterChange;

  void DoBeforeChange();
  void DoAfterChange();

  // The "SkinStream" property: a flag byte, 2 with the skin following in
  // the compressed format, 0 without a skin.
  void WriteSkinStream(TStream& stream);
  void ReadSkinStream(TStream& stream);

 protected:
  void Loaded() override;

 private:
  friend class TSeSkinBinding;
  void AttachBinding(TSeSkinBinding* binding);
  void DetachBinding(TSeSkinBinding* binding);
  // Sends the message to the application's forms in its order: the forms
  // it owns as they were made (the main form first), then any other
  // top-level form.
  void Broadcast(unsigned msg);

  std::vector<TSeSkinBinding*> bindings_;

  TSeSkinSource* source_;
  std::string skin_file_;
  int delta_hue_ = 0;
  bool hue_changing_ = false;
};

namespace se {
// Sends `msg` (WParam = LParam = the engine) to the control and, for a
// windowed control, to each child control in order, recursively.
void BroadcastSkinMessage(TControl* control, unsigned msg, TSeSkinEngine* engine);
}  // namespace se
