#pragma once
// TSeSkinObject: a node of a loaded skin. A skin is a forest of named
// objects; each is a rectangle with a kind, an alignment inside its parent,
// a fill colour, a font, text settings, four margins and an ordered list of
// children (the components it owns). Child coordinates are in the parent's
// space, not relative to it: the root's Left and Top are the origin of the
// whole tree.
//
// Skinned windows and controls never draw from the loaded skin: each clones
// the top-level object it needs (CloneSkinObject), gives the copy its own
// bounds, state and text, and lets it lay out and draw itself.
//
// Objects travel in skin files as text or binary image records (see
// se_filer.h for the images); children ride inside their parent's image in
// the binary property "Objects".

#include <QRegion>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/core/Streams.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Component.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "skin/se_filer.h"
#include "skin/se_messages.h"

class TSeBitmapList;

enum TSeAlign {
  saNone,
  saLeft,
  saMostLeft,
  saTop,
  saMostTop,
  saRight,
  saMostRight,
  saBottom,
  saMostBottom,
  saClient,
  saTopLeft,
  saTopRight,
  saBottomLeft,
  saBottomRight,
  saCenter,
  saText
};

enum TSeKind {
  skNone,
  skForm,
  skCaption,
  skTitle,
  skTop,
  skLeft,
  skRight,
  skBottom,
  skTopLeft,
  skTopRight,
  skBottomLeft,
  skBottomRight,
  skSysButton,
  skClient,
  skMenuBar,
  skMenuBarItem,
  skMenuBarItemText,
  skPopupMenu,
  skPopupMenuItem,
  skPopupMenuItemText,
  skItemText,
  skTranparent
};

// Scoped: the class library's TAlignment has its own taCenter.
enum class TSeTextAlign {
  taTopLeft,
  taTopCenter,
  taTopRight,
  taLeft,
  taCenter,
  taRight,
  taBottomLeft,
  taBottomCenter,
  taBottomRight
};

enum TSeTextEffect { teNone, teShadow };

// The state a control gives its object before drawing (1 is never used).
using TSeObjectState = std::uint8_t;
inline constexpr TSeObjectState osNormal = 0;
inline constexpr TSeObjectState osMaximized = 2;
inline constexpr TSeObjectState osMinimized = 3;
inline constexpr TSeObjectState osRollup = 4;
inline constexpr TSeObjectState osHot = 5;
inline constexpr TSeObjectState osPressed = 6;
inline constexpr TSeObjectState osFocused = 7;
inline constexpr TSeObjectState osDisabled = 8;

// The class library's bidirectional modes.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

namespace se {
std::span<const char* const> AlignNames();
std::span<const char* const> KindNames();
std::span<const char* const> TextAlignNames();
std::span<const char* const> TextEffectNames();
}  // namespace se

class TSeSkinObject : public TComponent {
 public:
  static constexpr const char* kClassName = "TSeSkinObject";
  explicit TSeSkinObject(TComponent* owner = nullptr);
  ~TSeSkinObject() override;

  virtual const char* ClassName() const { return kClassName; }
  // Names the published properties for both stream directions; subclasses
  // add theirs after calling the base.
  virtual void DefineProperties(TSePropertyFiler& filer);
  // Copies the published values and clones the source's children after
  // the ones already present; bounds are copied last as plain values.
  virtual void Assign(const TSeSkinObject& source);

  // Published properties.
  TSeAlign Align() const { return align_; }
  void SetAlign(TSeAlign v) { align_ = v; }
  TSeKind Kind() const { return kind_; }
  void SetKind(TSeKind v) { kind_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  bool DrawIfOwner() const { return draw_if_owner_; }
  void SetDrawIfOwner(bool v) { draw_if_owner_ = v; }
  bool Masked() const { return masked_; }
  void SetMasked(bool v) { masked_ = v; }
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& f) { font_.Assign(f); }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBoundsRect(Rect(v, top_, v + width_, top_ + height_)); }
  void SetTop(int v) { SetBoundsRect(Rect(left_, v, left_ + width_, v + height_)); }
  void SetWidth(int v) { SetBoundsRect(Rect(left_, top_, left_ + v, top_ + height_)); }
  void SetHeight(int v) { SetBoundsRect(Rect(left_, top_, left_ + width_, top_ + v)); }
  int MarginLeft() const { return margin_left_; }
  int MarginTop() const { return margin_top_; }
  int MarginRight() const { return margin_right_; }
  int MarginBottom() const { return margin_bottom_; }
  void SetMarginLeft(int v) { margin_left_ = v; }
  void SetMarginTop(int v) { margin_top_ = v; }
  void SetMarginRight(int v) { margin_right_ = v; }
  void SetMarginBottom(int v) { margin_bottom_ = v; }
  TSeTextAlign TextAlign() const { return text_align_; }
  void SetTextAlign(TSeTextAlign v) { text_align_ = v; }
  TSeTextEffect TextEffect() const { return text_effect_; }
  void SetTextEffect(TSeTextEffect v) { text_effect_ = v; }
  int TextMarginLeft() const { return text_margin_left_; }
  int TextMarginRight() const { return text_margin_right_; }
  int TextMarginTop() const { return text_margin_top_; }
  void SetTextMarginLeft(int v) { text_margin_left_ = v; }
  void SetTextMarginRight(int v) { text_margin_right_ = v; }
  void SetTextMarginTop(int v) { text_margin_top_ = v; }

  // Run-time state, never streamed.
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TSeBitmapList* Bitmaps() const { return bitmaps_; }
  bool Active() const { return active_; }
  TSeObjectState State() const { return state_; }
  TControl* Control() const { return control_; }
  int OldWidth() const { return old_width_; }
  int OldHeight() const { return old_height_; }
  const QString& Text() const { return text_; }
  void SetText(const QString& v) { text_ = v; }
  const QString& ShortCutText() const { return shortcut_text_; }
  void SetShortCutText(const QString& v) { shortcut_text_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  int BiDiMode() const { return bidi_mode_; }

  // Children.
  int Count() const { return ComponentCount(); }
  // Null outside 0..Count-1.
  TSeSkinObject* Objects(int index) const;
  TSeSkinObject* Parent() const { return dynamic_cast<TSeSkinObject*>(Owner()); }
  TRect BoundsRect() const { return Rect(left_, top_, left_ + width_, top_ + height_); }

  // Moves the object and lays its children out again (nothing when the
  // bounds do not change).
  void SetBoundsRect(const TRect& r);
  void AlignObjects();
  void DrawChildren(TCanvas& canvas);
  void DrawText(TCanvas& canvas);

  TSeSkinObject* FindObjectByName(const std::string& name);
  TSeSkinObject* FindObjectByKind(TSeKind kind);
  TSeSkinObject* ObjectAtPoint(const TPoint& p);
  QRegion GetObjectRegion();

  // Tree-wide setters.
  void SetOwnerControl(TControl* control);
  void SetActive(bool value);
  void SetBitmaps(TSeBitmapList* bitmaps);
  void SetBiDiMode(int mode);

  // The skinned frame of the control's window, or null.
  TSeFrameActions* GetSkinForm() const;
  // Asks the control to repaint.
  void Invalidate();

  // Overridable behaviour.
  virtual const TFont& GetFont();
  virtual void SetState(TSeObjectState state);
  virtual void AfterLoad();
  virtual void Draw(TCanvas& canvas);
  virtual QRegion GetRegion();
  virtual void ChangeHue(int delta);
  // X and Y are relative to the object's Left and Top.
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void MouseDown(TMouseButton, int, int) {}
  virtual void MouseMove(TShiftState, int, int) {}
  virtual void MouseUp(TMouseButton, int, int) {}
  virtual void DblClick(TMouseButton, int, int) {}
  virtual void SetCharset(int charset);

 protected:
  // For subclasses that swap their font or colour while drawing.
  void ReplaceFont(const TFont& font) { font_.Assign(font); }

 private:
  TSeAlign align_ = saNone;
  TSeKind kind_ = skNone;
  TColor color_ = 0xFFFFFF;
  bool draw_if_owner_ = false;
  bool masked_ = true;
  TFont font_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  int margin_left_ = 0;
  int margin_top_ = 0;
  int margin_right_ = 0;
  int margin_bottom_ = 0;
  TSeTextAlign text_align_ = TSeTextAlign::taLeft;
  TSeTextEffect text_effect_ = teNone;
  int text_margin_left_ = 0;
  int text_margin_right_ = 0;
  int text_margin_top_ = 0;

  bool visible_ = true;
  TSeBitmapList* bitmaps_ = nullptr;
  bool active_ = false;
  TSeObjectState state_ = osNormal;
  TControl* control_ = nullptr;
  int old_width_ = 0;
  int old_height_ = 0;
  QString text_;
  QString shortcut_text_;
  bool enabled_ = true;
  int bidi_mode_ = bdLeftToRight;
};

// The registry of skin-object classes, by exact (case-sensitive) name.
using TSeSkinObjectFactory = TSeSkinObject* (*)(TComponent* owner);
void RegisterSkinObject(const char* className, TSeSkinObjectFactory factory);
template <class T>
void RegisterSkinObject() {
  RegisterSkinObject(T::kClassName, [](TComponent* owner) -> TSeSkinObject* { return Create<T>(owner); });
}
// Null when no class of that name is registered.
TSeSkinObjectFactory FindSkinObjectClass(const std::string& className);
// Registers the base class, the first family of drawing classes and then
// the second (se_objectclasses2.h), each in its order; calling it again
// does nothing.
void RegisterSkinObjectClasses();

// A new object of the source's class owned by `owner` (a child when the
// owner is an object) with the source's values; null when the class is not
// registered. Without an owner the caller owns the result.
TSeSkinObject* CloneSkinObject(const TSeSkinObject& source, TComponent* owner);
std::unique_ptr<TSeSkinObject> CloneSkinObject(const TSeSkinObject& source);

// Image records. The readers raise EReadError for an unknown class name,
// a damaged image or nesting deeper than kMaxSkinObjectDepth; an object
// created before the error is freed (or stays with its owner, which the
// caller frees).
inline constexpr int kMaxSkinObjectDepth = 64;
// More children than this under one object is refused too: no skin needs
// them, and each takes a name check against its siblings.
inline constexpr int kMaxSkinObjectChildren = 1024;
void WriteSkinObject(TStream& stream, TSeSkinObject& object);
void WriteSkinObjectBinary(TStream& stream, TSeSkinObject& object);
std::unique_ptr<TSeSkinObject> ReadSkinObject(TStream& stream);
std::unique_ptr<TSeSkinObject> ReadSkinObjectBinary(TStream& stream);
TSeSkinObject* ReadSkinObject(TStream& stream, TSeSkinObject* owner, int depth);
TSeSkinObject* ReadSkinObjectBinary(TStream& stream, TSeSkinObject* owner, int depth);

// The object as a tree of images, its children as nested trees instead of
// the "Objects" property, and back (the readable skin source). Building
// raises EReadError as the readers do; without an owner the caller owns
// the result.
TSeComponentTree SkinObjectTree(TSeSkinObject& object);
TSeSkinObject* BuildSkinObject(const TSeComponentTree& tree, TSeSkinObject* owner, int depth);

// The object's image and back (used by the records).
TSeComponentImage SkinObjectImage(TSeSkinObject& object);
void ApplySkinObjectImage(TSeSkinObject& object, const TSeComponentImage& image, int depth);
