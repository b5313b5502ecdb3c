#include "skin/se_skinobject.h"

#include <QImage>
#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "platform/gui/DrawText.h"
#include "skin/se_bitmap.h"
#include "skin/se_drawing.h"
#include "skin/se_stream.h"

using enum TSeTextAlign;

namespace {

constexpr const char* kAlignNames[] = {"saNone",       "saLeft",        "saMostLeft",  "saTop",
                                       "saMostTop",    "saRight",       "saMostRight", "saBottom",
                                       "saMostBottom", "saClient",      "saTopLeft",   "saTopRight",
                                       "saBottomLeft", "saBottomRight", "saCenter",    "saText"};
constexpr const char* kKindNames[] = {"skNone",
                                      "skForm",
                                      "skCaption",
                                      "skTitle",
                                      "skTop",
                                      "skLeft",
                                      "skRight",
                                      "skBottom",
                                      "skTopLeft",
                                      "skTopRight",
                                      "skBottomLeft",
                                      "skBottomRight",
                                      "skSysButton",
                                      "skClient",
                                      "skMenuBar",
                                      "skMenuBarItem",
                                      "skMenuBarItemText",
                                      "skPopupMenu",
                                      "skPopupMenuItem",
                                      "skPopupMenuItemText",
                                      "skItemText",
                                      "skTranparent"};
constexpr const char* kTextAlignNames[] = {"taTopLeft",    "taTopCenter",    "taTopRight",
                                           "taLeft",       "taCenter",       "taRight",
                                           "taBottomLeft", "taBottomCenter", "taBottomRight"};
constexpr const char* kTextEffectNames[] = {"teNone", "teShadow"};

// Children travel in "Objects" as binary records behind this count flag.
constexpr std::int32_t kBinaryChildren = 0xF0000;
// The least bytes one child record takes (two length fields).
constexpr std::int64_t kMinRecordBytes = 8;

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The module's one piece of mutable state: the registered classes.
struct SkinObjectRegistry {
  std::vector<std::pair<std::string, TSeSkinObjectFactory>> classes;
};

SkinObjectRegistry& Registry() {
  static SkinObjectRegistry registry;
  return registry;
}

unsigned TextFlags(TSeTextAlign align) {
  switch (align) {
    case taTopLeft:
      return DT_TOP | DT_LEFT;
    case taTopCenter:
      return DT_TOP | DT_CENTER;
    case taTopRight:
      return DT_TOP | DT_RIGHT;
    case taLeft:
      return DT_VCENTER | DT_LEFT;
    case taCenter:
      return DT_VCENTER | DT_CENTER;
    case taRight:
      return DT_VCENTER | DT_RIGHT;
    case taBottomLeft:
      return DT_BOTTOM | DT_LEFT;
    case taBottomCenter:
      return DT_BOTTOM | DT_CENTER;
    case taBottomRight:
      return DT_BOTTOM | DT_RIGHT;
  }
  return DT_LEFT;
}

TSeTextAlign Mirrored(TSeTextAlign align) {
  switch (align) {
    case taTopLeft:
      return taTopRight;
    case taTopRight:
      return taTopLeft;
    case taLeft:
      return taRight;
    case taRight:
      return taLeft;
    case taBottomLeft:
      return taBottomRight;
    case taBottomRight:
      return taBottomLeft;
    default:
      return align;
  }
}

// Right-to-left layouts only apply under a Middle-East locale, and the
// program reads no system locale: the flags stay as they are.
unsigned BiDiFlags(unsigned flags, int /*bidiMode*/) { return flags; }

TSeArgb Shift(TColor color, int delta) { return se::ShiftArgbHue(se::ColorToArgb(color, 255), delta); }

}  // namespace

namespace se {
std::span<const char* const> AlignNames() { return kAlignNames; }
std::span<const char* const> KindNames() { return kKindNames; }
std::span<const char* const> TextAlignNames() { return kTextAlignNames; }
std::span<const char* const> TextEffectNames() { return kTextEffectNames; }
}  // namespace se

TSeSkinObject::TSeSkinObject(TComponent* owner) : TComponent(owner) {}
TSeSkinObject::~TSeSkinObject() = default;

void TSeSkinObject::DefineProperties(TSePropertyFiler& f) {
  f.Enum("Align", align_, kAlignNames);
  f.Enum("Kind", kind_, kKindNames);
  f.Color("Color", color_);
  f.Boolean("DrawIfOwner", draw_if_owner_);
  f.Boolean("Masked", masked_);
  f.Font("Font", font_);
  int v = left_;
  if (f.Extent("Left", v)) SetLeft(v);
  v = top_;
  if (f.Extent("Top", v)) SetTop(v);
  v = width_;
  if (f.Extent("Width", v)) SetWidth(v);
  v = height_;
  if (f.Extent("Height", v)) SetHeight(v);
  f.Extent("MarginLeft", margin_left_);
  f.Extent("MarginTop", margin_top_);
  f.Extent("MarginRight", margin_right_);
  f.Extent("MarginBottom", margin_bottom_);
  f.Enum("TextAlign", text_align_, kTextAlignNames);
  f.Enum("TextEffect", text_effect_, kTextEffectNames);
  f.Extent("TextMarginLeft", text_margin_left_);
  f.Extent("TextMarginRight", text_margin_right_);
  f.Extent("TextMarginTop", text_margin_top_);
}

void TSeSkinObject::Assign(const TSeSkinObject& source) {
  SetName(source.Name());
  masked_ = source.masked_;
  align_ = source.align_;
  kind_ = source.kind_;
  bitmaps_ = source.bitmaps_;
  color_ = source.color_;
  draw_if_owner_ = source.draw_if_owner_;
  font_.Assign(source.font_);
  text_align_ = source.text_align_;
  text_effect_ = source.text_effect_;
  text_margin_left_ = source.text_margin_left_;
  text_margin_right_ = source.text_margin_right_;
  text_margin_top_ = source.text_margin_top_;
  margin_left_ = source.margin_left_;
  margin_top_ = source.margin_top_;
  margin_right_ = source.margin_right_;
  margin_bottom_ = source.margin_bottom_;
  for (int i = 0; i < source.Count(); ++i)
    if (TSeSkinObject* child = source.Objects(i)) CloneSkinObject(*child, this);
  left_ = source.left_;
  top_ = source.top_;
  width_ = source.width_;
  height_ = source.height_;
}

TSeSkinObject* TSeSkinObject::Objects(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return dynamic_cast<TSeSkinObject*>(Components(index));
}

void TSeSkinObject::SetBoundsRect(const TRect& r) {
  if (r == BoundsRect()) return;
  old_width_ = width_;
  old_height_ = height_;
  left_ = r.Left;
  top_ = r.Top;
  width_ = std::max(r.Right - r.Left, 0);
  height_ = std::max(r.Bottom - r.Top, 0);
  AlignObjects();
}

void TSeSkinObject::AlignObjects() {
  TRect w = BoundsRect();
  const int n = Count();
  auto visible = [&](int i) -> TSeSkinObject* {
    TSeSkinObject* c = Objects(i);
    return c && c->visible_ ? c : nullptr;
  };
  auto vertical = [&](TSeAlign top, TSeAlign bottom) {
    for (int i = 0; i < n; ++i) {
      TSeSkinObject* c = visible(i);
      if (!c) continue;
      const int h = c->height_;
      if (c->align_ == top) {
        c->SetBoundsRect(Rect(w.Left, w.Top, w.Right, w.Top + h));
        w.Top += h;
      } else if (c->align_ == bottom) {
        c->SetBoundsRect(Rect(w.Left, w.Bottom - h, w.Right, w.Bottom));
        w.Bottom -= h;
      }
    }
  };
  auto horizontal = [&](TSeAlign left, TSeAlign right) {
    for (int i = 0; i < n; ++i) {
      TSeSkinObject* c = visible(i);
      if (!c) continue;
      const int wd = c->width_;
      if (c->align_ == left) {
        c->SetBoundsRect(Rect(w.Left, w.Top, w.Left + wd, w.Bottom));
        w.Left += wd;
      } else if (c->align_ == right) {
        c->SetBoundsRect(Rect(w.Right - wd, w.Top, w.Right, w.Bottom));
        w.Right -= wd;
      }
    }
  };
  vertical(saMostTop, saMostBottom);
  horizontal(saMostLeft, saMostRight);
  vertical(saTop, saBottom);
  horizontal(saLeft, saRight);
  for (int i = n - 1; i >= 0; --i) {
    TSeSkinObject* c = visible(i);
    if (!c || c->align_ != saText) continue;
    QImage surface(1, 1, QImage::Format_RGB32);
    TCanvas measure(&surface);
    measure.SetFont(c->GetFont());
    c->SetWidth(se::WideTextWidth(measure, c->text_, 0) + c->text_margin_left_ + c->text_margin_right_);
  }
  for (int i = n - 1; i >= 0; --i) {
    TSeSkinObject* c = visible(i);
    if (!c || c->align_ != saCenter) continue;
    const int left = w.Left + (w.Width() - c->width_) / 2;
    const int top = w.Top + (w.Height() - c->height_) / 2;
    c->SetBoundsRect(Bounds(left, top, c->width_, c->height_));
  }
  for (int i = 0; i < n; ++i) {
    TSeSkinObject* c = visible(i);
    if (c && c->align_ == saClient) c->SetBoundsRect(w);
  }
  // Anchors move the child by the parent's change of size, without laying
  // out the child's own children. A parent that was empty in a direction
  // gives no change to follow, so the child keeps its place in both
  // directions alike. The change is used up once applied: drawing lays
  // the children out again, and anchored children must not walk.
  for (int i = 0; i < n; ++i) {
    TSeSkinObject* c = Objects(i);
    if (!c) continue;
    const bool right = c->align_ == saTopRight || c->align_ == saBottomRight;
    const bool bottom = c->align_ == saBottomLeft || c->align_ == saBottomRight;
    if (right && old_width_ >= 1) c->left_ = width_ - (old_width_ - c->left_);
    if (bottom && old_height_ >= 1) c->top_ = height_ - (old_height_ - c->top_);
  }
  if (old_width_ >= 1) old_width_ = width_;
  if (old_height_ >= 1) old_height_ = height_;
}

void TSeSkinObject::DrawChildren(TCanvas& canvas) {
  for (int i = 0; i < Count(); ++i) {
    TSeSkinObject* c = Objects(i);
    if (c && c->visible_ && c->width_ >= 1 && c->height_ >= 1) c->Draw(canvas);
  }
}

void TSeSkinObject::DrawText(TCanvas& canvas) {
  if (text_ == QStringLiteral("-")) {
    TRect r = BoundsRect();
    const int inset = height_ / 2 - 1;
    r.Left += 3;
    r.Right -= 3;
    r.Top += inset;
    r.Bottom = r.Top + 1;
    se::FillRectColor(canvas, r, GetFont().Color());
    return;
  }
  TRect r = BoundsRect();
  r.Left += text_margin_left_;
  r.Right -= text_margin_right_;
  r.Top += text_margin_top_;
  if (!text_.isEmpty()) {
    canvas.SetFont(font_);
    if (!enabled_) canvas.Font().SetColor(0x808080);
    QString text = text_;
    if (kind_ == skTitle)
      text = se::GetEllipsisText(canvas, text, width_ - text_margin_left_ - text_margin_right_);
    const unsigned flags = BiDiFlags(TextFlags(text_align_) | DT_SINGLELINE, bidi_mode_);
    if (text_effect_ == teShadow) {
      const TColor color = canvas.Font().Color();
      canvas.Font().SetColor(clBlack);
      TRect shadow = r;
      OffsetRect(shadow, 1, 1);
      se::DrawWideText(canvas, text, shadow, flags);
      canvas.Font().SetColor(color);
    }
    TRect at = r;
    se::DrawWideText(canvas, text, at, flags);
  }
  if (!shortcut_text_.isEmpty()) {
    unsigned flags = TextFlags(Mirrored(text_align_)) | DT_SINGLELINE;
    if (control_) flags = BiDiFlags(flags, bidi_mode_);
    TRect at = r;
    se::DrawWideText(canvas, shortcut_text_, at, flags);
  }
}

TSeSkinObject* TSeSkinObject::FindObjectByName(const std::string& name) {
  if (SameText(Name(), name)) return this;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i))
      if (TSeSkinObject* hit = c->FindObjectByName(name)) return hit;
  return nullptr;
}

TSeSkinObject* TSeSkinObject::FindObjectByKind(TSeKind kind) {
  if (kind_ == kind) return this;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i))
      if (TSeSkinObject* hit = c->FindObjectByKind(kind)) return hit;
  return nullptr;
}

TSeSkinObject* TSeSkinObject::ObjectAtPoint(const TPoint& p) {
  if (!visible_ || !PtInRect(BoundsRect(), p) || kind_ == skTranparent) return nullptr;
  TSeSkinObject* result = nullptr;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i))
      if (TSeSkinObject* hit = c->ObjectAtPoint(p)) result = hit;
  return result ? result : this;
}

QRegion TSeSkinObject::GetObjectRegion() {
  if (width_ < 1 || height_ < 1) return {};
  if (Count() == 0 || draw_if_owner_ || !masked_) return GetRegion();
  QRegion region;
  for (int i = 0; i < Count(); ++i) {
    TSeSkinObject* c = Objects(i);
    if (c && c->visible_) region = region.united(c->GetObjectRegion());
  }
  return region;
}

void TSeSkinObject::SetOwnerControl(TControl* control) {
  control_ = control;
  if (control) bidi_mode_ = bdLeftToRight;  // controls here are always left to right
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetOwnerControl(control);
}

void TSeSkinObject::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetActive(value);
}

void TSeSkinObject::SetBitmaps(TSeBitmapList* bitmaps) {
  bitmaps_ = bitmaps;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetBitmaps(bitmaps);
}

void TSeSkinObject::SetBiDiMode(int mode) {
  bidi_mode_ = mode;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetBiDiMode(mode);
}

TSeFrameActions* TSeSkinObject::GetSkinForm() const {
  if (!control_) return nullptr;
  return reinterpret_cast<TSeFrameActions*>(control_->Perform(SKM_GETSKINFORM, 0, 0));
}

void TSeSkinObject::Invalidate() {
  if (visible_ && control_) control_->Perform(SKM_SKINCHANGED, 0, reinterpret_cast<std::intptr_t>(this));
}

const TFont& TSeSkinObject::GetFont() { return font_; }

void TSeSkinObject::SetState(TSeObjectState state) {
  state_ = state;
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetState(state);
}

void TSeSkinObject::AfterLoad() {
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->AfterLoad();
}

void TSeSkinObject::Draw(TCanvas& canvas) {
  if (!visible_ || width_ < 1 || height_ < 1) return;
  if (Count() == 0 || draw_if_owner_) {
    if (color_ != clNone) se::FillRectColor(canvas, BoundsRect(), color_);
    DrawText(canvas);
  }
  DrawChildren(canvas);
}

QRegion TSeSkinObject::GetRegion() { return QRegion(BoundsRect().ToQRect()); }

void TSeSkinObject::ChangeHue(int delta) {
  if (color_ != clNone) color_ = se::ArgbToColor(Shift(color_, delta));
  if (font_.Color() != clNone) font_.SetColor(se::ArgbToColor(Shift(font_.Color(), delta)));
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->ChangeHue(delta);
}

void TSeSkinObject::SetCharset(int charset) {
  font_.SetCharset(charset);
  for (int i = 0; i < Count(); ++i)
    if (TSeSkinObject* c = Objects(i)) c->SetCharset(charset);
}

// --- Registry and clones -------------------------------------------------

void RegisterSkinObject(const char* className, TSeSkinObjectFactory factory) {
  Registry().classes.emplace_back(className, factory);
}

TSeSkinObjectFactory FindSkinObjectClass(const std::string& className) {
  for (const auto& [name, factory] : Registry().classes)
    if (name == className) return factory;
  return nullptr;
}

TSeSkinObject* CloneSkinObject(const TSeSkinObject& source, TComponent* owner) {
  const TSeSkinObjectFactory factory = FindSkinObjectClass(source.ClassName());
  if (!factory) return nullptr;
  if (!owner) return CloneSkinObject(source).release();
  TSeSkinObject* object = factory(owner);
  try {
    object->Assign(source);
  } catch (...) {
    delete object;  // leaves its owner on the way
    throw;
  }
  return object;
}

std::unique_ptr<TSeSkinObject> CloneSkinObject(const TSeSkinObject& source) {
  const TSeSkinObjectFactory factory = FindSkinObjectClass(source.ClassName());
  if (!factory) return nullptr;
  std::unique_ptr<TSeSkinObject> object(factory(nullptr));
  object->Assign(source);
  return object;
}

// --- Images and records ------------------------------------------------------

TSeComponentImage SkinObjectImage(TSeSkinObject& object) {
  TSeComponentImage image;
  image.className = object.ClassName();
  image.name = object.Name();
  TSePropertyWriter writer(image);
  object.DefineProperties(writer);
  writer.Binary("Objects",
                [&](TStream& s) {
                  if (object.Count() > 0xFFFF) throw EWriteError("Too many child skin objects");
                  se::WriteInt32(s, object.Count() | kBinaryChildren);
                  for (int i = 0; i < object.Count(); ++i) WriteSkinObjectBinary(s, *object.Objects(i));
                },
                {});
  return image;
}

void ApplySkinObjectImage(TSeSkinObject& object, const TSeComponentImage& image, int depth) {
  try {
    object.SetName(image.name);
  } catch (const EComponentError& e) {
    throw EReadError(std::string("Bad skin object name: ") + e.what());
  }
  TSePropertyReader reader(image);
  object.DefineProperties(reader);
  reader.Binary("Objects", {}, [&](TStream& s) {
    std::int32_t n = se::ReadInt32(s);
    const bool binary = (n & kBinaryChildren) == kBinaryChildren;
    if (binary) n &= ~kBinaryChildren;
    if (n < 0 || n > se::RemainingBytes(s) / kMinRecordBytes)
      throw EReadError("Child count of skin object \"" + image.name + "\" does not fit its data");
    if (n > kMaxSkinObjectChildren)
      throw EReadError("Skin object \"" + image.name + "\" has more children than a skin may hold");
    for (int i = 0; i < n; ++i) {
      if (binary)
        ReadSkinObjectBinary(s, &object, depth + 1);
      else
        ReadSkinObject(s, &object, depth + 1);
    }
  });
  reader.CheckAllUsed(object.ClassName());
}

namespace {

TSeSkinObjectFactory ClassFor(const std::string& className) {
  const TSeSkinObjectFactory factory = FindSkinObjectClass(className);
  if (!factory) throw EReadError("Unknown skin object class \"" + className.substr(0, 80) + "\"");
  return factory;
}

void CheckDepth(int depth) {
  if (depth > kMaxSkinObjectDepth) throw EReadError("Skin objects are nested too deeply");
}

// Creates the object (owned by `owner` when given) and fills it; an object
// without an owner is freed when filling fails.
template <class Fill>
TSeSkinObject* Make(TSeSkinObjectFactory factory, TSeSkinObject* owner, Fill&& fill) {
  if (owner) {
    TSeSkinObject* object = factory(owner);
    fill(*object);
    return object;
  }
  std::unique_ptr<TSeSkinObject> object(factory(nullptr));
  fill(*object);
  return object.release();
}

}  // namespace

void WriteSkinObject(TStream& stream, TSeSkinObject& object) {
  se::WriteStreamString(stream, object.ClassName());
  se::WriteStreamString(stream, se::ComponentImageToText(SkinObjectImage(object)));
}

void WriteSkinObjectBinary(TStream& stream, TSeSkinObject& object) {
  se::WriteStreamString(stream, object.ClassName());
  const std::string image = se::WriteComponentImage(SkinObjectImage(object));
  se::WriteInt32(stream, static_cast<std::int32_t>(image.size()));
  stream.WriteBuffer(image.data(), std::int64_t(image.size()));
}

TSeSkinObject* ReadSkinObject(TStream& stream, TSeSkinObject* owner, int depth) {
  CheckDepth(depth);
  const std::string className = se::ReadStreamString(stream, "skin object class name");
  const TSeSkinObjectFactory factory = ClassFor(className);
  const std::string text = se::ReadStreamString(stream, "skin object image");
  const TSeComponentImage image = se::ComponentImageFromText(text);
  return Make(factory, owner, [&](TSeSkinObject& object) {
    ApplySkinObjectImage(object, image, depth);
    object.SetCharset(DEFAULT_CHARSET);
  });
}

TSeSkinObject* ReadSkinObjectBinary(TStream& stream, TSeSkinObject* owner, int depth) {
  CheckDepth(depth);
  const std::string className = se::ReadStreamString(stream, "skin object class name");
  const TSeSkinObjectFactory factory = ClassFor(className);
  const std::int32_t size = se::ReadInt32(stream);
  if (size < 0 || size > se::RemainingBytes(stream))
    throw EReadError("Image size of skin object runs past the end of the skin data");
  std::string bytes(std::size_t(size), '\0');
  if (size > 0) stream.ReadBuffer(bytes.data(), size);
  const TSeComponentImage image = se::ReadComponentImage(bytes);
  return Make(factory, owner, [&](TSeSkinObject& object) {
    ApplySkinObjectImage(object, image, depth);
    object.SetCharset(DEFAULT_CHARSET);
  });
}

TSeComponentTree SkinObjectTree(TSeSkinObject& object) {
  TSeComponentTree tree;
  tree.image = SkinObjectImage(object);
  // Only what differs from a new object of the class is written, so that a
  // source says what its skin chose.
  TSeComponentImage defaults;
  if (const TSeSkinObjectFactory factory = FindSkinObjectClass(object.ClassName())) {
    std::unique_ptr<TSeSkinObject> fresh(factory(nullptr));
    defaults = SkinObjectImage(*fresh);
  }
  auto& properties = tree.image.properties;
  properties.erase(std::remove_if(properties.begin(), properties.end(),
                                  [&](const auto& p) {
                                    return p.first == "Objects" ||
                                           std::find(defaults.properties.begin(), defaults.properties.end(),
                                                     p) != defaults.properties.end();
                                  }),
                   properties.end());
  for (int i = 0; i < object.Count(); ++i) tree.children.push_back(SkinObjectTree(*object.Objects(i)));
  return tree;
}

TSeSkinObject* BuildSkinObject(const TSeComponentTree& tree, TSeSkinObject* owner, int depth) {
  CheckDepth(depth);
  const TSeSkinObjectFactory factory = ClassFor(tree.image.className);
  if (tree.children.size() > std::size_t(kMaxSkinObjectChildren))
    throw EReadError("Skin object \"" + tree.image.name + "\" has more children than a skin may hold");
  return Make(factory, owner, [&](TSeSkinObject& object) {
    ApplySkinObjectImage(object, tree.image, depth);
    for (const TSeComponentTree& child : tree.children) BuildSkinObject(child, &object, depth + 1);
    object.SetCharset(DEFAULT_CHARSET);
  });
}

std::unique_ptr<TSeSkinObject> ReadSkinObject(TStream& stream) {
  return std::unique_ptr<TSeSkinObject>(ReadSkinObject(stream, nullptr, 0));
}

std::unique_ptr<TSeSkinObject> ReadSkinObjectBinary(TStream& stream) {
  return std::unique_ptr<TSeSkinObject>(ReadSkinObjectBinary(stream, nullptr, 0));
}
