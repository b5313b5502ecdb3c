#include "skin/se_defaultskin.h"

#include "skin/se_drawing.h"
#include "skin/se_objectclasses.h"

namespace se {
namespace {

constexpr TSeArgb kFrameDark = 0xFF1F3A5Fu;
constexpr TSeArgb kFrameLight = 0xFF4F7FB5u;
constexpr TSeArgb kFrameInactive = 0xFF7A8593u;
constexpr TSeArgb kFace = 0xFFE4E8EEu;
constexpr TSeArgb kFaceHot = 0xFFF2F6FCu;
constexpr TSeArgb kFacePressed = 0xFFC8D2DEu;
constexpr TSeArgb kEdge = 0xFF5A6B80u;
constexpr TSeArgb kWhite = 0xFFFFFFFFu;

std::unique_ptr<TSeBitmap> NewBitmap(const char* name, int w, int h, TSeArgb fill) {
  auto b = std::make_unique<TSeBitmap>();
  b->SetName(name);
  b->SetSize(w, h);
  b->Clear(fill);
  return b;
}

void Frame(TSeBitmap& b, const TRect& r, TSeArgb color) {
  b.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1), color);
  b.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), color);
  b.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom), color);
  b.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom), color);
}

// Vertical blend of two colours over a rectangle, opaque.
void Shade(TSeBitmap& b, const TRect& r, TSeArgb top, TSeArgb bottom) {
  const int h = r.Height();
  for (int y = 0; y < h; ++y) {
    const int t = h > 1 ? y * 255 / (h - 1) : 0;
    auto mix = [&](int shift) {
      const int a = (top >> shift) & 0xFF, c = (bottom >> shift) & 0xFF;
      return (a * (255 - t) + c * t) / 255;
    };
    b.FillRect(Rect(r.Left, r.Top + y, r.Right, r.Top + y + 1), MakeArgb(mix(16), mix(8), mix(0), 255));
  }
}

// The frame: the active look on the left half, the inactive on the right.
// Top parts are 26 high with rounded outer corners (key pixels); the
// borders below are 4 wide.
std::unique_ptr<TSeBitmap> FrameBitmap() {
  auto b = NewBitmap("Frame", 96, 34, kFrameDark);
  for (int half = 0; half < 2; ++half) {
    const int x = half * 48;
    const TSeArgb light = half ? kFrameInactive : kFrameLight;
    const TSeArgb dark = half ? 0xFF596370u : kFrameDark;
    Shade(*b, Rect(x, 0, x + 48, 26), light, dark);
    b->FillRect(Rect(x, 26, x + 48, 34), dark);
    b->FillRect(Rect(x + 4, 26, x + 44, 30), dark);
    Frame(*b, Rect(x, 0, x + 48, 34), 0xFF0E1B2Cu);
    for (const auto& [cx, cy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {46, 0}, {47, 0}, {47, 1}})
      *b->PixelPtr(x + cx, cy) = KeyColor;
  }
  return b;
}

// Caption buttons 18 x 18: columns close, maximize, restore, minimize;
// rows normal, hot, pressed.
std::unique_ptr<TSeBitmap> CaptionButtons() {
  auto b = NewBitmap("CaptionButtons", 72, 54, KeyColor);
  const TSeArgb faces[3] = {0xFF35598Au, 0xFF5C8CC8u, 0xFF1B2F4Au};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col) {
      const int x = col * 18, y = row * 18;
      b->FillRect(Rect(x + 1, y + 1, x + 17, y + 17), col == 0 && row > 0 ? 0xFFC0392Bu : faces[row]);
      Frame(*b, Rect(x + 1, y + 1, x + 17, y + 17), 0xFF0E1B2Cu);
      switch (col) {
        case 0:
          for (int i = 0; i < 8; ++i) {
            *b->PixelPtr(x + 5 + i, y + 5 + i) = kWhite;
            *b->PixelPtr(x + 6 + i, y + 5 + i) = kWhite;
            *b->PixelPtr(x + 12 - i, y + 5 + i) = kWhite;
            *b->PixelPtr(x + 13 - i, y + 5 + i) = kWhite;
          }
          break;
        case 1:
          Frame(*b, Rect(x + 5, y + 5, x + 13, y + 13), kWhite);
          b->FillRect(Rect(x + 5, y + 6, x + 13, y + 7), kWhite);
          break;
        case 2:
          Frame(*b, Rect(x + 7, y + 4, x + 14, y + 10), kWhite);
          b->FillRect(Rect(x + 4, y + 8, x + 11, y + 14), faces[row]);
          Frame(*b, Rect(x + 4, y + 8, x + 11, y + 14), kWhite);
          break;
        default:
          b->FillRect(Rect(x + 5, y + 11, x + 13, y + 13), kWhite);
          break;
      }
    }
  return b;
}

// Push button faces 16 x 16 for normal, hot, pressed, focused, disabled,
// side by side; nine-sliced by 3.
std::unique_ptr<TSeBitmap> ButtonFaces() {
  auto b = NewBitmap("Button", 80, 16, kFace);
  const TSeArgb faces[5] = {kFace, kFaceHot, kFacePressed, kFace, 0xFFEDEFF2u};
  const TSeArgb edges[5] = {kEdge, kFrameLight, kFrameDark, kFrameLight, 0xFFB4BCC6u};
  for (int i = 0; i < 5; ++i) {
    const int x = i * 16;
    Shade(*b, Rect(x, 0, x + 16, 16), i == 2 ? kFacePressed : kWhite, faces[i]);
    Frame(*b, Rect(x, 0, x + 16, 16), edges[i]);
    *b->PixelPtr(x, 0) = KeyColor;
    *b->PixelPtr(x + 15, 0) = KeyColor;
    *b->PixelPtr(x, 15) = KeyColor;
    *b->PixelPtr(x + 15, 15) = KeyColor;
  }
  return b;
}

// Check marks 13 x 13: unchecked, checked, mixed; the edit frame 12 x 12;
// the progress frame and bar.
std::unique_ptr<TSeBitmap> Controls() {
  auto b = NewBitmap("Controls", 64, 26, kWhite);
  for (int i = 0; i < 3; ++i) {
    const int x = i * 13;
    b->FillRect(Rect(x, 0, x + 13, 13), kWhite);
    Frame(*b, Rect(x, 0, x + 13, 13), kEdge);
  }
  for (int i = 0; i < 5; ++i) {  // the tick
    b->FillRect(Rect(13 + 3 + i, 6 + (i < 2 ? i : 2 - (i - 2)), 13 + 4 + i, 8 + (i < 2 ? i : 2 - (i - 2))),
                kFrameDark);
  }
  b->FillRect(Rect(26 + 3, 3, 26 + 10, 10), kFrameLight);
  b->FillRect(Rect(39, 0, 51, 12), kWhite);  // edit frame
  Frame(*b, Rect(39, 0, 51, 12), kEdge);
  b->FillRect(Rect(0, 13, 12, 25), kFace);  // progress frame
  Frame(*b, Rect(0, 13, 12, 25), kEdge);
  Shade(*b, Rect(12, 13, 24, 25), 0xFF8FC1F0u, 0xFF2E6DB4u);  // progress bar
  return b;
}

template <class T>
T* Add(TSeSkinObject* parent, const char* name, TSeAlign align, const TRect& bounds) {
  T* object = Create<T>(parent);
  object->SetName(name);
  object->SetAlign(align);
  object->SetBoundsRect(bounds);
  return object;
}

template <class T>
std::unique_ptr<T> Top(const char* name, int w, int h) {
  auto object = CreateUnique<T>();
  object->SetName(name);
  object->SetBoundsRect(Rect(0, 0, w, h));
  return object;
}

void SetLink(TSeBitmapLink& link, const char* name, const TRect& r) {
  link.Name = name;
  link.Left = r.Left;
  link.Top = r.Top;
  link.Right = r.Right;
  link.Bottom = r.Bottom;
}

void SetFont(TFont& font, TColor color, bool bold) {
  font.SetName("Tahoma");
  font.SetHeight(-11);
  font.SetColor(color);
  font.SetStyle(bold ? fsBold : 0);
}

std::unique_ptr<TSeSkinObject> FormObject() {
  const int w = 300, h = 200;
  auto form = Top<TSeSkinObject>("Form", w, h);
  form->SetKind(skForm);
  form->SetColor(clNone);

  auto* top = Add<TSeActiveBitmap>(form.get(), "Caption", saMostTop, Rect(0, 0, w, 26));
  top->SetKind(skCaption);
  top->SetDrawIfOwner(true);  // its region is its picture, not its children's
  SetLink(top->Bitmap(), "Frame", Rect(48, 0, 96, 26));
  SetLink(top->ActiveBitmap(), "Frame", Rect(0, 0, 48, 26));
  top->SetMarginLeft(6);
  top->SetMarginRight(6);
  top->SetMarginTop(4);
  top->SetMarginBottom(4);
  top->SetTileStyle(tsStretch);
  top->SetBorderTileStyle(tsStretch);

  auto* title = Add<TSeTextObject>(top, "Title", saClient, Rect(0, 0, w, 26));
  title->SetKind(skTitle);
  title->SetColor(clNone);
  title->SetTextAlign(taLeft);
  title->SetTextEffect(teShadow);
  title->SetTextMarginLeft(10);
  title->SetTextMarginRight(84);
  SetFont(title->Font(), clWhite, true);
  SetFont(title->FontDisabled(), RGB(0xD0, 0xD4, 0xDA), true);

  const struct {
    const char* name;
    TSeAction action;
    int column;
    int slot;
  } buttons[] = {{"Close", sbaClose, 0, 0},
                 {"Maximize", sbaMaximize, 1, 1},
                 {"Restore", sbaRestore, 2, 1},
                 {"Minimize", sbaMinimize, 3, 2}};
  for (const auto& b : buttons) {
    auto* button = Add<TSeSystemButton>(top, b.name, saTopRight, Bounds(w - 6 - 18 - b.slot * 20, 4, 18, 18));
    button->SetAction(b.action);
    SetLink(button->Bitmap(), "CaptionButtons", Bounds(b.column * 18, 0, 18, 18));
    SetLink(button->BitmapHot(), "CaptionButtons", Bounds(b.column * 18, 18, 18, 18));
    SetLink(button->BitmapPressed(), "CaptionButtons", Bounds(b.column * 18, 36, 18, 18));
  }

  auto* bottom = Add<TSeActiveBitmap>(form.get(), "Bottom", saMostBottom, Rect(0, h - 4, w, h));
  bottom->SetKind(skBottom);
  SetLink(bottom->Bitmap(), "Frame", Rect(48, 30, 96, 34));
  SetLink(bottom->ActiveBitmap(), "Frame", Rect(0, 30, 48, 34));
  auto* left = Add<TSeActiveBitmap>(form.get(), "Left", saLeft, Rect(0, 26, 4, h - 4));
  left->SetKind(skLeft);
  SetLink(left->Bitmap(), "Frame", Rect(48, 26, 52, 30));
  SetLink(left->ActiveBitmap(), "Frame", Rect(0, 26, 4, 30));
  auto* right = Add<TSeActiveBitmap>(form.get(), "Right", saRight, Rect(w - 4, 26, w, h - 4));
  right->SetKind(skRight);
  SetLink(right->Bitmap(), "Frame", Rect(92, 26, 96, 30));
  SetLink(right->ActiveBitmap(), "Frame", Rect(44, 26, 48, 30));
  for (TSeBitmapObject* border : {static_cast<TSeBitmapObject*>(bottom), static_cast<TSeBitmapObject*>(left),
                                  static_cast<TSeBitmapObject*>(right)})
    border->SetTileStyle(tsStretch);

  auto* client = Add<TSeSkinObject>(form.get(), "Client", saClient, Rect(4, 26, w - 4, h - 4));
  client->SetKind(skClient);
  client->SetColor(RGB(0xEE, 0xE8, 0xE4));
  return form;
}

}  // namespace

void BuildDefaultSkin(TSeSkinSource& source) {
  RegisterSkinFilters();
  TSeSkinSource built;
  built.SkinName = "Default";
  built.SkinVersion = "1.0";
  built.Author = "Burner";
  built.AuthorEMail = "";
  built.AuthorURL = "";
  built.Bitmaps().Add(FrameBitmap());
  built.Bitmaps().Add(CaptionButtons());
  built.Bitmaps().Add(ButtonFaces());
  built.Bitmaps().Add(Controls());

  built.AddObject(FormObject());

  auto button = Top<TSeButtonObject>("Button", 75, 25);
  SetLink(button->Bitmap(), "Button", Rect(0, 0, 16, 16));
  SetLink(button->BitmapHot(), "Button", Rect(16, 0, 32, 16));
  SetLink(button->BitmapPressed(), "Button", Rect(32, 0, 48, 16));
  SetLink(button->BitmapFocused(), "Button", Rect(48, 0, 64, 16));
  SetLink(button->BitmapDisabled(), "Button", Rect(64, 0, 80, 16));
  for (auto m : {&TSeSkinObject::SetMarginLeft, &TSeSkinObject::SetMarginTop, &TSeSkinObject::SetMarginRight,
                 &TSeSkinObject::SetMarginBottom})
    (button.get()->*m)(3);
  button->SetTileStyle(tsStretch);
  button->SetBorderTileStyle(tsStretch);
  button->SetTextAlign(taCenter);
  SetFont(button->Font(), clBlack, false);
  built.AddObject(std::move(button));

  auto check = Top<TSeSkinObject>("CheckBox", 13, 13);
  check->SetColor(clNone);
  const char* marks[3] = {"Unchecked", "Checked", "Mixed"};
  for (int i = 0; i < 3; ++i) {
    auto* mark = Add<TSeBitmapObject>(check.get(), marks[i], saNone, Rect(0, 0, 13, 13));
    SetLink(mark->Bitmap(), "Controls", Bounds(i * 13, 0, 13, 13));
  }
  built.AddObject(std::move(check));

  auto edit = Top<TSeSkinObject>("Edit", 120, 21);
  edit->SetColor(clNone);
  auto* frame = Add<TSeBitmapObject>(edit.get(), "Frame", saClient, Rect(0, 0, 120, 21));
  SetLink(frame->Bitmap(), "Controls", Rect(39, 0, 51, 12));
  for (auto m : {&TSeSkinObject::SetMarginLeft, &TSeSkinObject::SetMarginTop, &TSeSkinObject::SetMarginRight,
                 &TSeSkinObject::SetMarginBottom})
    (frame->*m)(2);
  frame->SetTileStyle(tsStretch);
  frame->SetBorderTileStyle(tsStretch);
  built.AddObject(std::move(edit));

  auto progress = Top<TSeSkinObject>("ProgressBar", 150, 16);
  progress->SetColor(clNone);
  auto* pframe = Add<TSeBitmapObject>(progress.get(), "Frame", saClient, Rect(0, 0, 150, 16));
  SetLink(pframe->Bitmap(), "Controls", Rect(0, 13, 12, 25));
  auto* bar = Add<TSeBitmapObject>(progress.get(), "Bar", saNone, Rect(2, 2, 148, 14));
  SetLink(bar->Bitmap(), "Controls", Rect(12, 13, 24, 25));
  for (TSeBitmapObject* o : {pframe, bar}) {
    o->SetMarginLeft(1);
    o->SetMarginTop(1);
    o->SetMarginRight(1);
    o->SetMarginBottom(1);
    o->SetTileStyle(tsStretch);
    o->SetBorderTileStyle(tsStretch);
  }
  built.AddObject(std::move(progress));

  auto label = Top<TSeTextObject>("Label", 80, 16);
  label->SetColor(clNone);
  SetFont(label->Font(), RGB(0x1F, 0x2A, 0x38), false);
  SetFont(label->FontDisabled(), clGray, false);
  built.AddObject(std::move(label));

  auto hint = Top<TSeSkinObject>("Hint", 120, 20);
  hint->SetColor(RGB(0xFF, 0xFB, 0xE6));
  hint->SetTextMarginLeft(4);
  SetFont(hint->Font(), clBlack, false);
  built.AddObject(std::move(hint));

  for (int i = 0; i < built.Count(); ++i) {
    built.GetObject(i)->SetBitmaps(&built.Bitmaps());
    built.GetObject(i)->AfterLoad();
  }
  source.Swap(built);
}

}  // namespace se
