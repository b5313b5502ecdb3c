#pragma once
// Skinned wrappers of the buttons, check marks, group box and label: each
// draws the named children of its skin copy in place of its base's plain
// painters and falls back to them while unbound.

#include <optional>
#include <string>

#include "skin/se_binding_wrapper.h"
#include "skin/se_buttons.h"
#include "skin/se_labels.h"
#include "skin/se_speedbuttons.h"

// "SpeedButton": "Face" / "FlatFace", "Chevron" / "FlatChevron", "Text".
class TSeSkinSpeedButton : public TSeSkinned<TSeCustomSpeedButton> {
 public:
  explicit TSeSkinSpeedButton(TComponent* owner = nullptr);

  // The state the skin draws the face in.
  TSeObjectState FaceState() const;

 protected:
  void PaintBackground() override;
};

// "SpinButton", drawn by its two halves, skinned speed buttons of the same
// object; the spin button keeps no copy of its own.
class TSeSkinSpinButton : public TSeCustomSpinButton {
 public:
  explicit TSeSkinSpinButton(TComponent* owner = nullptr);
  ~TSeSkinSpinButton() override;

  TSeSkinEngine* SkinEngine() const { return engine_; }
  void SetSkinEngine(TSeSkinEngine* engine);
  const std::string& SkinObject() const { return object_; }
  // Also gives the halves the name and binds them again.
  void SetSkinObject(const std::string& name);
  std::string Version() const { return "3.2.0"; }
  void SetVersion(const std::string&) {}

 protected:
  TSeCustomSpeedButton* CreateButton() override;
  void Loaded() override;
  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TSeSkinEngine* engine_ = nullptr;
  std::string object_ = "SpinButton";
};

// "Button": "Face" else the copy, "Text".
class TSeSkinButton : public TSeSkinned<TSeCustomButton> {
 public:
  explicit TSeSkinButton(TComponent* owner = nullptr);

  // Both only store: the next paint uses them.
  bool ShowGlyph() const { return show_glyph_; }
  void SetShowGlyph(bool value) { show_glyph_ = value; }
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool value) { show_caption_ = value; }

  TSeObjectState FaceState() const;

 protected:
  void Bound() override;
  void PaintFace() override;
  void PaintGlyph() override;
  void PaintCaption() override;

 private:
  bool show_glyph_ = true;
  bool show_caption_ = true;
};

// "CheckBox": "Checked", "Mixed", "Unchecked", "Text".
class TSeSkinCheckBox : public TSeSkinned<TSeCustomCheckBox> {
 public:
  explicit TSeSkinCheckBox(TComponent* owner = nullptr);

 protected:
  void Bound() override;
  TSize GetCheckSize() override;
  void PaintCheck() override;
};

// "RadioButton": "Checked", "Unchecked", "Text".
class TSeSkinRadioButton : public TSeSkinned<TSeCustomRadioButton> {
 public:
  explicit TSeSkinRadioButton(TComponent* owner = nullptr);

 protected:
  void Loaded() override;
  TSize GetCheckSize() override;
  void PaintCheck() override;
};

// "GroupBox": "Frame" around the children, "Caption" behind the title; its
// caption check box is a skinned check box.
class TSeSkinGroupBox : public TSeSkinned<TSeCustomGroupBox> {
 public:
  explicit TSeSkinGroupBox(TComponent* owner = nullptr);

 protected:
  void Bound() override;
  TSeCustomCheckBox* CreateCheckBox(TComponent* owner) override;
  void PaintBackground() override;
};

// "Label": the skin gives the caption its colour and font, hot under the
// mouse; a style or size the label's user gave it (a bold title) stays on
// top of the skin's font.
class TSeSkinLabel : public TSeSkinned<TSeCustomLabel> {
 public:
  explicit TSeSkinLabel(TComponent* owner = nullptr);

 protected:
  void Bound() override;
  void PaintBackground() override;

 private:
  // `skin` with the styles and size of the label's font that differ from
  // the font the skin last gave it (before the first bind: from its
  // parent's font, or from a default font when it has one of its own).
  TFont WithOwnTraits(const TFont& skin) const;
  std::optional<TFont> given_;
  // The colour before the first skin, back when the skin goes.
  TColor plain_color_ = clBtnFace;
  bool plain_parent_color_ = false;
};

namespace se {
// Whether a skin object lets what lies behind it show (masked pictures).
bool SkinObjectMasked(TSeSkinObject* object);
}  // namespace se
