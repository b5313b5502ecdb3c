// Speed, office and multimedia buttons on shown forms, driven by real mouse
// events: looks and their frame widths, the office looks that go grey or
// transparent, the multimedia faces per state with their fallbacks and
// their pixel hit test, and the face indices in form files.

#include <gtest/gtest.h>

#include <QTest>
#include <map>

#include "effects/QRXImgList.h"
#include "effects/QRXSpeedButtons.h"
#include "platform/core/Streams.h"
#include "platform/gui/Forms.h"

namespace {

QImage Grab(TControl& control) { return control.grab().toImage().convertToFormat(QImage::Format_RGB32); }
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TBitmap Solid(int w, int h, TColor colour) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(colour);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

// A form file's binary properties, written and read by name.
class Filer : public TQRXFiler {
 public:
  bool writing = true;
  std::map<std::string, std::vector<std::uint8_t>> values;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                            bool hasData) override {
    if (writing) {
      if (!hasData) return;
      TMemoryStream s;
      write(s);
      const auto* p = static_cast<const std::uint8_t*>(s.Memory());
      values[name].assign(p, p + s.Size());
    } else if (auto it = values.find(name); it != values.end()) {
      TMemoryStream s;
      s.WriteBuffer(it->second.data(), std::int64_t(it->second.size()));
      s.SetPosition(0);
      read(s);
    }
  }
};

std::vector<std::int32_t> Ints(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::int32_t> v(bytes.size() / 4);
  std::memcpy(v.data(), bytes.data(), v.size() * 4);
  return v;
}

struct Shown {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  Shown() { form->SetBounds(0, 0, 200, 120); }
  template <class T>
  T* Add(int x, int y) {
    auto* b = Create<T>(form.get());
    b->SetParent(form.get());
    b->SetLeft(x);
    b->SetTop(y);
    return b;
  }
  void Show() {
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
};

}  // namespace

TEST(QRXOfficeButton, NewButtonAndTheLooksThatChangeIt) {
  Shown f;
  auto* b = f.Add<TQRXOfficeButton>(10, 10);
  EXPECT_EQ(b->Width(), 23);
  EXPECT_EQ(b->Height(), 22);
  EXPECT_EQ(b->Style(), TQRXUserButtonStyle::ubsFlat);
  EXPECT_FALSE(b->Transparent());
  EXPECT_TRUE(b->AllowMouseOver());
  EXPECT_FALSE(b->AllowTransparency());
  b->SetStyle(TQRXUserButtonStyle::ubsExplorer);
  EXPECT_TRUE(b->Transparent());
  EXPECT_TRUE(b->GlyphObject().GreyUntilHover());
  b->SetStyle(TQRXUserButtonStyle::ubsExplorerColored);
  EXPECT_TRUE(b->Transparent());
  EXPECT_FALSE(b->GlyphObject().GreyUntilHover());
  b->SetStyle(TQRXUserButtonStyle::ubsWin40);
  EXPECT_FALSE(b->Transparent());

  const struct {
    TQRXUserButtonStyle style;
    int extent;
  } extents[] = {{TQRXUserButtonStyle::ubsWin31, 3},    {TQRXUserButtonStyle::ubsWin40, 2},
                 {TQRXUserButtonStyle::ubsWin95, 2},    {TQRXUserButtonStyle::ubsNavigator, 2},
                 {TQRXUserButtonStyle::ubsFlat, 1},     {TQRXUserButtonStyle::ubsExplorerColored, 1},
                 {TQRXUserButtonStyle::ubsIntegrated, 2}};
  for (const auto& e : extents) EXPECT_EQ(ButtonStyleExtent(e.style), e.extent) << int(e.style);
}

TEST(QRXOfficeButton, NavigatorLookGreysTheGlyphUntilHovered) {
  Shown f;
  auto* b = f.Add<TQRXOfficeButton>(10, 10);
  TBitmap glyph = Solid(12, 12, clFuchsia);
  glyph.Canvas().Brush().SetColor(clRed);
  glyph.Canvas().FillRect(Rect(2, 2, 10, 10));
  b->SetGlyph(&glyph);
  b->SetStyle(TQRXUserButtonStyle::ubsNavigator);
  f.Show();
  // The 12 x 12 glyph is centred in the 23 x 22 button: (5, 5).
  EXPECT_NE(At(Grab(*b), 11, 11), 0xFF0000u);
  const QRgb grey = At(Grab(*b), 11, 11);
  EXPECT_EQ(qRed(grey), qGreen(grey));
  QTest::mouseMove(b, QPoint(3, 3));
  QTest::mouseMove(b, QPoint(11, 11));
  ASSERT_EQ(b->ButtonState(), 2);
  EXPECT_EQ(At(Grab(*b), 11, 11), 0xFF0000u);
}

TEST(QRXSpeedButton, Win31ContentSitsInsideTheFrameAndSinksWhenPressed) {
  Shown f;
  auto* b = f.Add<TQRXCustomSpeedButton>(10, 10);
  b->SetStyle(TQRXUserButtonStyle::ubsWin31);
  b->ButtonLayout().SetAlignment(TQRXAlignment::agTopLeft);
  TBitmap glyph = Solid(4, 4, clRed);
  glyph.Canvas().SetPixel(0, 3, clFuchsia);  // the transparent corner
  b->SetGlyph(&glyph);
  int clicks = 0;
  b->OnClick = [&](TControl*) { ++clicks; };
  f.Show();
  EXPECT_EQ(b->ContentRect(), Rect(3, 3, 20, 19));
  QImage up = Grab(*b);
  EXPECT_EQ(At(up, 3, 3), 0xFF0000u);
  EXPECT_NE(At(up, 2, 3), 0xFF0000u);

  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(12, 12));
  EXPECT_EQ(b->ButtonState(), 4);
  QImage down = Grab(*b);
  EXPECT_EQ(At(down, 4, 4), 0xFF0000u);
  EXPECT_NE(At(down, 3, 3), 0xFF0000u);
  // Without AllowTransparency the rectangle is the button: released on its
  // last column, it clicks.
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(22, 12));
  EXPECT_EQ(clicks, 1);
}

namespace {

// Faces drawn in code: state 0 green, state 4 blue, both 30 x 20 with a
// white (transparent) left half column.
struct FacedButton : Shown {
  TQRXImageList* list = Create<TQRXImageList>(form.get());
  TQRXCustomMMButton* button = nullptr;
  int clicks = 0;
  FacedButton() {
    auto* item = list->Items(list->Add());
    item->SetWidth(30);
    item->SetHeight(20);
    for (TColor c : {clGreen, clRed, clYellow, clBlue}) {
      TBitmap face = Solid(30, 20, c);
      face.Canvas().Brush().SetColor(clWhite);
      face.Canvas().FillRect(Rect(0, 0, 10, 20));
      item->Add(&face);
    }
    button = Add<TQRXCustomMMButton>(10, 10);
    button->SetBounds(10, 10, 30, 20);
    button->SetColor(clBlack);
    button->SetButtonFaceImageList(list);
    button->SetFace(0, 0, 0);
    button->SetFace(4, 0, 3);
    for (int s : {1, 2, 3, 5, 6, 7}) button->SetFace(s, 0, 9);  // no such picture
    button->OnClick = [this](TControl*) { ++clicks; };
    Show();
  }
};

}  // namespace

TEST(QRXMMButton, StatesWithoutAPictureBorrowTheUpOrDownFace) {
  FacedButton f;
  EXPECT_EQ(At(Grab(*f.button), 20, 10), 0x008000u);
  EXPECT_EQ(f.button->FaceRect(), Rect(0, 0, 30, 20));
  QTest::mouseMove(f.button, QPoint(25, 5));
  QTest::mouseMove(f.button, QPoint(20, 10));
  // Hover has no picture: the up face shows.
  f.button->SetAllowMouseOver(true);
  QTest::mouseMove(f.button, QPoint(21, 10));
  EXPECT_EQ(f.button->ButtonState(), 2);
  EXPECT_EQ(At(Grab(*f.button), 20, 10), 0x008000u);
  QTest::mousePress(f.button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(At(Grab(*f.button), 20, 10), 0x0000FFu);
  QTest::mouseRelease(f.button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(f.clicks, 1);

  // Without an up picture nothing is painted and nothing can be hit.
  f.button->SetFace(0, 0, 9);
  f.button->SetButtonState(0);
  Grab(*f.button);
  EXPECT_TRUE(f.button->FaceRect().IsEmpty());
  EXPECT_FALSE(f.button->PointInButton(20, 10));
}

TEST(QRXMMButton, TransparentPixelsOfTheFaceAreNotTheButton) {
  FacedButton f;
  Grab(*f.button);
  EXPECT_FALSE(f.button->PointInButton(5, 10));  // white: transparent colour
  EXPECT_TRUE(f.button->PointInButton(20, 10));
  QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(f.clicks, 0);
  EXPECT_EQ(f.button->ButtonState(), 0);
  QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(f.clicks, 1);

  // Removing the list clears the reference.
  delete f.list;
  EXPECT_EQ(f.button->ButtonFaceImageList(), nullptr);
  EXPECT_FALSE(f.button->PointInButton(20, 10));
}

TEST(QRXMMButton, FaceIndicesInFormFiles) {
  TQRXCustomMMButton b;
  b.SetFace(0, 1, 0);
  b.SetFace(4, 1, 3);
  Filer out;
  b.DefineProperties(out);
  EXPECT_EQ(Ints(out.values.at("ButtonFaceIndicesNew2")),
            (std::vector<std::int32_t>{0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_EQ(Ints(out.values.at("ButtonFaceTransColNew")), (std::vector<std::int32_t>{0xFFFFFF}));
  EXPECT_EQ(out.values.count("ButtonFaceIndices"), 0u);
  EXPECT_EQ(out.values.count("ButtonFace"), 0u);

  // An older file: (list, image) pairs for states 0 to 6, and the colour.
  Filer old;
  old.writing = false;
  std::vector<std::int32_t> pairs = {2, 5, 0, 0, 0, 0, 0, 0, 2, 7, 0, 0, 0, 0};
  old.values["ButtonFaceIndices"].resize(56);
  std::memcpy(old.values["ButtonFaceIndices"].data(), pairs.data(), 56);
  const std::int32_t red = 0x0000FF;
  old.values["ButtonFaceTransCol"].resize(4);
  std::memcpy(old.values["ButtonFaceTransCol"].data(), &red, 4);
  TQRXCustomMMButton loaded;
  loaded.DefineProperties(old);
  EXPECT_EQ(loaded.FaceListIndex(0), 2);
  EXPECT_EQ(loaded.FaceImageIndex(0), 5);
  EXPECT_EQ(loaded.FaceImageIndex(4), 7);
  EXPECT_EQ(loaded.FaceTransparentColor(), clRed);

  // Too short a record is refused, not read past its end.
  Filer bad;
  bad.writing = false;
  bad.values["ButtonFaceIndicesNew2"].resize(20);
  EXPECT_THROW(loaded.DefineProperties(bad), EReadError);
}
