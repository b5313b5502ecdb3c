#include "effects/QRXSpeedButtons.h"

#include <cstring>
#include <string>

#include "effects/QRXBmpStream.h"
#include "effects/QRXText.h"
#include "effects/QRXUtils.h"
#include "platform/core/Streams.h"

namespace {

using enum TQRXUserButtonStyle;

bool ExplorerLook(TQRXUserButtonStyle s) { return s == ubsExplorer || s == ubsExplorerColored; }

std::int32_t ReadInt(TStream& s) {
  std::int32_t v = 0;
  s.ReadBuffer(&v, 4);
  return v;
}

void WriteInt(TStream& s, std::int32_t v) { s.WriteBuffer(&v, 4); }

void NeedBytes(TStream& s, std::int64_t n, const char* name) {
  if (s.Size() - s.Position() < n) throw EReadError(std::string(name) + ": data too short");
}

}  // namespace

int ButtonStyleExtent(TQRXUserButtonStyle style) {
  if (style == ubsAutoDetect) style = PlatformInfo().WindowsExtension ? ubsWin40 : ubsWin31;
  switch (style) {
    case ubsWin31:
      return 3;
    case ubsFlat:
    case ubsFlatUnColored:
    case ubsExplorer:
    case ubsExplorerColored:
      return 1;
    default:
      return 2;
  }
}

// --- TQRXCustomSpeedButton ---

TQRXCustomSpeedButton::TQRXCustomSpeedButton(TComponent* owner) : TQRXBaseGraphicButton(owner) {
  SetAllowMouseOver(true);
  SetAllowTransparency(false);
  TGraphicControl::SetBounds(0, 0, 23, 22);
}

void TQRXCustomSpeedButton::SetStyle(TQRXUserButtonStyle v) {
  if (v == style_) return;
  style_ = v;
  GetChange(nullptr);
}

bool TQRXCustomSpeedButton::RepaintsOnMouseOver() const {
  const int o = int(style_);
  return o >= 4 && o <= 7;
}

bool TQRXCustomSpeedButton::EveryStateLooks() const {
  const int o = int(style_);
  return o >= 4 && o <= 9;
}

TRect TQRXCustomSpeedButton::ContentRect() const {
  TRect r = ClientRect();
  const int e = ButtonStyleExtent(style_);
  InflateRect(r, -e, -e);
  if (DownLooking(ButtonState())) OffsetRect(r, 1, 1);
  return r;
}

void TQRXCustomSpeedButton::Paint() {
  if (Loading()) return;
  TCanvas& c = *Canvas();
  TRect r = ClientRect();
  if (ExplorerLook(style_)) {
    if (BackgroundAvailable()) {
      CopyParentBackground(c, r, TPoint{Left(), Top()});
    } else if (!Transparent()) {
      c.Brush().SetBitmap(nullptr);
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(Color());
      c.FillRect(r);
    }
  }
  DrawButtonFace(c, MouseOver(), r, style_, Designing() ? 2 : ButtonState(), 5, Color());
  DrawCaptionAndGlyph(c, ContentRect());
}

// --- TQRXOfficeButton ---

TQRXOfficeButton::TQRXOfficeButton(TComponent* owner) : TQRXCustomSpeedButton(owner) {
  StoreStyle(ubsFlat);
  SetAllowTransparency(false);
  SetAllowMouseOver(true);
  TGraphicControl::SetBounds(0, 0, 23, 22);
}

void TQRXOfficeButton::SetStyle(TQRXUserButtonStyle v) {
  if (v == Style()) return;
  GlyphObject().SetGreyUntilHover(v == ubsFlatUnColored || v == ubsNavigator || v == ubsExplorer);
  if (ExplorerLook(v))
    SetTransparent(true);
  else if (ExplorerLook(Style()))
    SetTransparent(false);
  StoreStyle(v);
  GetChange(nullptr);
}

// --- TQRXCustomMMButton ---

TQRXCustomMMButton::TQRXCustomMMButton(TComponent* owner) : TQRXBaseGraphicButton(owner) {
  link_.OnChange = [this](TComponent* sender) { FaceListChanged(sender); };
}

TQRXCustomMMButton::~TQRXCustomMMButton() {
  link_.OnChange = nullptr;
  if (face_list_) {
    face_list_->UnregisterChanges(&link_);
    RemoveFreeNotification(face_list_);
  }
}

void TQRXCustomMMButton::SetButtonFaceImageList(TQRXCustomImageList* list) {
  if (face_list_) {
    face_list_->UnregisterChanges(&link_);
    RemoveFreeNotification(face_list_);
  }
  face_list_ = list;
  if (face_list_) {
    face_list_->RegisterChanges(&link_);
    FreeNotification(face_list_);
  }
  FaceListChanged(this);
}

void TQRXCustomMMButton::SetFace(int state, int listIndex, int imageIndex) {
  if (state < 0 || state > 7) return;
  faces_[state][0] = listIndex;
  faces_[state][1] = imageIndex;
  Invalidate();
}

void TQRXCustomMMButton::SetForceTransparent(bool v) {
  if (v == force_transparent_) return;
  force_transparent_ = v;
  Invalidate();
}

void TQRXCustomMMButton::SetQuickDraw(bool v) {
  if (v == quick_draw_) return;
  quick_draw_ = v;
  Invalidate();
}

void TQRXCustomMMButton::SetButtonFaceStyle(TQRXBitmapStyle v) {
  if (v == face_style_) return;
  face_style_ = v;
  Invalidate();
}

void TQRXCustomMMButton::FaceListChanged(TComponent*) { GetChange(nullptr); }

bool TQRXCustomMMButton::FaceItemMissing(int state) const {
  state &= 7;
  return !face_list_ || !face_list_->IsValid(faces_[state][0], faces_[state][1]);
}

int TQRXCustomMMButton::FaceState() const {
  const int state = ButtonState() & 7;
  if (!FaceItemMissing(state)) return state;
  if (state == 0) return -1;
  const int fallback = (state == 1 || state == 2 || state == 5) ? 0 : 4;
  return FaceItemMissing(fallback) ? -1 : fallback;
}

bool TQRXCustomMMButton::PointInButton(int x, int y) const {
  // The face on show decides, also when the state borrows another's: a
  // hovered button without a hover picture can still be pressed.
  const int state = FaceState();
  if (!face_list_ || state < 0) return false;
  if (!(x >= face_rect_.Left && x < face_rect_.Right && y >= face_rect_.Top && y < face_rect_.Bottom))
    return false;
  const TColor pixel =
      face_list_->GetPixel(TPoint{x - face_rect_.Left, y - face_rect_.Top}, faces_[state][0], faces_[state][1]);
  return (pixel & 0xFFFFFF) != (face_transparent_color_ & 0xFFFFFF);
}

void TQRXCustomMMButton::Notification(TComponent* component, TOperation operation) {
  TQRXBaseGraphicButton::Notification(component, operation);
  if (operation == TOperation::opRemove && component == face_list_) {
    face_list_ = nullptr;
    FaceListChanged(this);
  }
}

void TQRXCustomMMButton::Paint() {
  if (Loading()) return;
  TCanvas& canvas = *Canvas();
  face_rect_ = TRect{};
  const TRect client = ClientRect();
  if (!face_list_) {
    if (!Transparent()) {
      canvas.Brush().SetStyle(bsSolid);
      canvas.Brush().SetColor(Color());
      canvas.FillRect(client);
    }
    if (Designing()) {
      canvas.Pen().SetStyle(psDash);
      canvas.Pen().SetColor(clBlack);
      canvas.Brush().SetStyle(bsClear);
      canvas.Rectangle(client);
    }
    return;
  }
  int state = ButtonState() & 7;
  if (face_style_ == TQRXBitmapStyle::sbAutosize) {
    int w = face_list_->GetImageSize(faces_[state][0], 0), h = face_list_->GetImageSize(faces_[state][0], 1);
    if (w == 0) w = 20;
    if (h == 0) h = 20;
    if (w != Width() || h != Height()) {
      SetBounds(Left(), Top(), w, h);
      return;
    }
  }
  // A state without a picture of its own borrows the up or the down one;
  // without an up picture nothing is painted.
  if (FaceItemMissing(state)) {
    if (state == 0) return;
    state = (state == 1 || state == 2 || state == 5) ? 0 : 4;
  }
  TBitmap off;
  off.SetSize(std::max(1, Width()), std::max(1, Height()));
  TCanvas& c = off.Canvas();
  bool background = true;
  if (!Transparent()) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(client);
  } else if (BackgroundAvailable()) {
    CopyParentBackground(c, client, TPoint{Left(), Top()});
  } else {
    background = false;
  }
  const int list = faces_[state][0], image = faces_[state][1];
  const bool drawable = !FaceItemMissing(state);
  if (drawable) {
    unsigned flags = quick_draw_ ? 0 : kQRXDrawPalette;
    switch (face_style_) {
      case TQRXBitmapStyle::sbCenter:
        flags |= kQRXDrawCenter;
        break;
      case TQRXBitmapStyle::sbStretch:
        flags |= kQRXDrawStretch;
        break;
      case TQRXBitmapStyle::sbTile:
        flags |= kQRXDrawTile;
        break;
      case TQRXBitmapStyle::sbKeepAspRatio:
        flags |= kQRXDrawFit | kQRXDrawStretch;
        break;
      case TQRXBitmapStyle::sbKeepWidth:
        flags |= kQRXDrawKeepHeight | kQRXDrawStretch;
        break;
      case TQRXBitmapStyle::sbKeepHeight:
        flags |= kQRXDrawKeepWidth | kQRXDrawStretch;
        break;
      default:
        break;
    }
    if (Transparent() || force_transparent_) flags |= kQRXDrawMaskColor;
    if (Transparent() && !background) {
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(face_list_->GetTransparentColor(list, image));
      c.FillRect(client);
    }
    face_rect_ = face_list_->DrawStyled(c, client, list, image, flags);
  }
  TRect content = client;
  if (DownLooking(ButtonState())) OffsetRect(content, caption_down_, caption_down_);
  DrawCaptionAndGlyph(c, content);
  if (background) {
    canvas.Draw(0, 0, off);
  } else {
    const TColor key = drawable ? face_list_->GetTransparentColor(list, image) : Color();
    DrawBitmapStyled(canvas, client, c, client, kQRXDrawPalette | kQRXDrawMaskColor, key, nullptr, nullptr,
                     nullptr);
  }
}

void TQRXCustomMMButton::DefineProperties(TQRXFiler& filer) {
  filer.DefineBinaryProperty(
      "ButtonFace",
      [this](TStream& s) {
        const std::int32_t n = ReadStreamInteger(s);
        if (n < 0 || n > 64 || n > s.Size() - s.Position()) throw EReadError("ButtonFace: invalid list reference");
        std::string ref(std::size_t(n), '\0');
        s.ReadBuffer(ref.data(), n);
        SetButtonFaceImageList(dynamic_cast<TQRXCustomImageList*>(ReadGlobalListRef(ref)));
      },
      [this](TStream& s) {
        const std::string ref = WriteGlobalListRef(face_list_);
        WriteStreamInteger(s, std::int32_t(ref.size()));
        s.WriteBuffer(ref.data(), std::int64_t(ref.size()));
      },
      face_list_ && IsGlobalImageList(face_list_));
  filer.DefineBinaryProperty(
      "ButtonFaceIndices",
      [this](TStream& s) {
        NeedBytes(s, 56, "ButtonFaceIndices");
        for (int st = 0; st < 7; ++st) {
          faces_[st][0] = ReadInt(s);
          faces_[st][1] = ReadInt(s);
        }
      },
      [](TStream&) {}, false);
  filer.DefineBinaryProperty(
      "ButtonFaceIndicesNew",
      [this](TStream& s) {
        NeedBytes(s, 56, "ButtonFaceIndicesNew");
        for (int st = 0; st < 7; ++st) faces_[st][0] = ReadInt(s);
        for (int st = 0; st < 7; ++st) faces_[st][1] = ReadInt(s);
      },
      [](TStream&) {}, false);
  filer.DefineBinaryProperty(
      "ButtonFaceIndicesNew2",
      [this](TStream& s) {
        NeedBytes(s, 64, "ButtonFaceIndicesNew2");
        for (int st = 0; st < 8; ++st) faces_[st][1] = ReadInt(s);
        for (int st = 7; st >= 0; --st) faces_[st][0] = ReadInt(s);
      },
      [this](TStream& s) {
        for (int st = 0; st < 8; ++st) WriteInt(s, faces_[st][1]);
        for (int st = 7; st >= 0; --st) WriteInt(s, faces_[st][0]);
      },
      true);
  const auto readColor = [this](TStream& s) {
    NeedBytes(s, 4, "ButtonFaceTransCol");
    face_transparent_color_ = TColor(ReadInt(s));
  };
  filer.DefineBinaryProperty("ButtonFaceTransCol", readColor, [](TStream&) {}, false);
  filer.DefineBinaryProperty(
      "ButtonFaceTransColNew", readColor, [this](TStream& s) { WriteInt(s, std::int32_t(face_transparent_color_)); },
      true);
}
