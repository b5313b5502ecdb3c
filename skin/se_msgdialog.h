#pragma once
// TSeCustomMessage: the settings of message dialogs drawn with the skin
// library (frame options, placement, fonts, glyphs and icon) and the
// factories of their parts, which a skinned variant overrides to make
// skinned controls. One instance is the program-wide settings object: a
// default one owned by the application object from the library's start-up
// until a component claims the role with Global.

#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "skin/se_formoptions.h"
#include "skin/se_messages.h"

class TSeCustomButton;
class TSeCustomCheckBox;
class TSeCustomEdit;
class TSeCustomForm;
class TSeCustomLabel;

class TSeCustomMessage : public TComponent {
 public:
  explicit TSeCustomMessage(TComponent* owner = nullptr);
  ~TSeCustomMessage() override;

  bool ShowButtonGlyph() const { return show_button_glyph_; }
  void SetShowButtonGlyph(bool value) { show_button_glyph_ = value; }
  bool ShowIconImage() const { return show_icon_image_; }
  void SetShowIconImage(bool value) { show_icon_image_ = value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TSeBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TSeBorderIcons value) { border_icons_ = value; }
  TFont* MessageFont() const { return message_font_.get(); }
  void SetMessageFont(const TFont& value) { message_font_->Assign(value); }
  TFont* ButtonFont() const { return button_font_.get(); }
  void SetButtonFont(const TFont& value) { button_font_->Assign(value); }
  bool ShowHints() const { return show_hints_; }
  void SetShowHints(bool value) { show_hints_ = value; }
  bool Global() const { return global_; }
  // Writing a new value makes this component the program-wide settings,
  // freeing the one before it.
  void SetGlobal(bool value);
  TSeAnimation* Animation() const { return animation_.get(); }
  void SetAnimation(const TSeAnimation& value) { animation_->Assign(value); }
  TSeBlending* Blending() const { return blending_.get(); }
  void SetBlending(const TSeBlending& value) { blending_->Assign(value); }
  TSeDragging* Dragging() const { return dragging_.get(); }
  void SetDragging(const TSeDragging& value) { dragging_->Assign(value); }
  TSeShadow* Shadow() const { return shadow_.get(); }
  void SetShadow(const TSeShadow& value) { shadow_->Assign(value); }

  // The parts of a dialog, each owned by `owner`.
  virtual TSeCustomButton* CreateButton(TComponent* owner);
  virtual TSeCustomEdit* CreateEdit(TComponent* owner);
  virtual TSeCustomForm* CreateForm(TComponent* owner);
  virtual TSeCustomLabel* CreateLabel(TComponent* owner);
  virtual TSeCustomCheckBox* CreateCheckBox(TComponent* owner);

 private:
  bool show_button_glyph_ = true;
  bool show_icon_image_ = true;
  TPosition position_ = poScreenCenter;
  TSeBorderIcons border_icons_ = kbiClose | kbiSystemMenu;
  bool show_hints_ = false;
  bool global_ = false;
  std::unique_ptr<TSeBlending> blending_;
  std::unique_ptr<TSeShadow> shadow_;
  std::unique_ptr<TSeDragging> dragging_;
  std::unique_ptr<TSeAnimation> animation_;
  std::unique_ptr<TFont> message_font_;
  std::unique_ptr<TFont> button_font_;
};

namespace se {
// The program-wide message settings, or null.
TSeCustomMessage* GlobalMessageSettings();
// The library's start-up makes the default settings, owned by the
// application object; the shut-down frees them while the application still
// owns them.
void CreateDefaultMessageSettings();
void FreeDefaultMessageSettings();
}  // namespace se
