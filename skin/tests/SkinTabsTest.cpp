// The skinned tab control, page control, track bar and tool bar: each draws
// from its skin object, keeps its plain look without one, and follows the
// engine's skin changes by itself; the track bar's mapping and ticks use
// the sizes the skin gives, and its thumb takes the skin's lit look under
// the mouse and while dragged.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "platform/gui/Forms.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_tabs.h"
#include "skin/se_engine.h"
#include "skin/se_tabsheets.h"

namespace fs = std::filesystem;

namespace {

// A skin whose "Tabs" has a green frame 5 pixels deep and nothing else.
constexpr const char* kBareTabs = R"(SkinName = 'Bare'
SkinVersion = '1.0'
Author = ''
AuthorEMail = ''
AuthorURL = ''

object Tabs: TSeSkinObject
  Color = 255
  Width = 289
  Height = 193
  object Frame: TSeSkinObject
    Color = 65280
    Width = 289
    Height = 173
    MarginLeft = 5
    MarginTop = 5
    MarginRight = 5
    MarginBottom = 5
  end
end
)";

QColor ToQColor(TColor c) {
  const auto v = ColorToRGB(c);
  return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

class SkinnedTabs : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skintabs-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    for (const char* name : {"devoir", "slate"}) {
      TSeSkinSource skin;
      skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
      skin.SaveToFile(Path(std::string(name) + ".mskn"));
    }
    std::ofstream(dir_ / "bare.txt") << kBareTabs;
    TSeSkinSource bare;
    bare.LoadFromSourceFile(Path("bare.txt"));
    bare.SaveToFile(Path("bare.mskn"));
    form->SetBounds(0, 0, 500, 400);
    engine = Create<TSeSkinEngine>(form.get());
  }
  void TearDown() override {
    form.reset();
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  QImage Shot(QWidget* w) {
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return w->grab().toImage();
  }

  fs::path dir_;
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  TSeSkinEngine* engine = nullptr;
};

}  // namespace

TEST_F(SkinnedTabs, PageControlDrawsFromTheSkinAndFollowsItsChanges) {
  auto* pages = Create<TSeSkinPageControl>(form.get());
  pages->SetParent(form.get());
  pages->SetBounds(10, 10, 300, 200);
  EXPECT_EQ(pages->SkinObject(), "Tabs");
  EXPECT_EQ(pages->Version(), "3.2.0");
  for (const char* caption : {"&General", "&Burning"}) {
    auto* page = Create<TSeCustomTabSheet>(form.get());
    page->SetCaption(caption);
    page->SetTabControl(pages);
  }
  const QPoint inside(150, 150);
  EXPECT_EQ(Shot(pages).pixelColor(inside), ToQColor(clBtnFace));  // plain without an engine

  pages->SetSkinEngine(engine);
  EXPECT_FALSE(pages->Binding().UseSkin());  // the engine has no skin yet
  engine->SetSkinFile(Path("devoir.mskn"));
  ASSERT_TRUE(pages->Binding().UseSkin());
  // The frame's inside is the skin's light client colour; the page shows
  // the same frame behind its children.
  const QColor devoir = Shot(pages).pixelColor(inside);
  EXPECT_GT(devoir.lightness(), 220);
  EXPECT_NE(devoir, ToQColor(clBtnFace));
  const TRect area = pages->AdjustClientRect();
  EXPECT_EQ(pages->ActivePage()->grab().toImage().pixelColor(inside.x() - area.Left, inside.y() - area.Top), devoir);

  engine->SetSkinFile(Path("slate.mskn"));
  EXPECT_LT(Shot(pages).pixelColor(inside).lightness(), 80);  // slate is dark

  // The skin's frame margins are the spacings: the page moves in.
  engine->SetSkinFile(Path("bare.mskn"));
  EXPECT_EQ(pages->GetLeftSpacing(), 5);
  EXPECT_EQ(pages->AdjustClientRect().Left, 6);
  EXPECT_EQ(pages->ActivePage()->BoundsRect(), pages->AdjustClientRect());
  const QImage bare = Shot(pages);
  EXPECT_EQ(bare.pixelColor(inside), QColor(0, 255, 0));
  // Without any tab object the captions still show.
  const TRect tab = pages->GetTabRect(1);
  int dark = 0;
  for (int y = tab.Top; y < tab.Bottom; ++y)
    for (int x = tab.Left; x < tab.Right; ++x)
      if (bare.pixelColor(x, y).lightness() < 80) ++dark;
  EXPECT_GT(dark, 10);

  // A skin without "Tabs" leaves the plain look.
  engine->SetSkinFile("");
  EXPECT_FALSE(pages->Binding().UseSkin());
  EXPECT_EQ(pages->GetLeftSpacing(), 2);
  EXPECT_EQ(Shot(pages).pixelColor(inside), ToQColor(clBtnFace));
}

TEST_F(SkinnedTabs, SkinnedTabsAndArrowsStillAnswerTheMouse) {
  engine->SetSkinFile(Path("devoir.mskn"));
  auto* tabs = Create<TSeSkinTabControl>(form.get());
  tabs->SetParent(form.get());
  tabs->SetBounds(10, 10, 200, 120);
  tabs->SetSkinEngine(engine);
  tabs->SetTabs({"First", "Second", "Third", "Fourth", "Fifth"});
  form->Show();
  ASSERT_TRUE(tabs->ArrowsVisible());
  const TRect right = tabs->Layout().RightArrowRect();
  const QPoint arrow((right.Left + right.Right) / 2, (right.Top + right.Bottom) / 2);
  QTest::mouseMove(tabs, arrow);
  QTest::mousePress(tabs, Qt::LeftButton, {}, arrow);
  EXPECT_EQ(tabs->FirstVisible(), 1);
  // The pressed arrow is the skin's button in its pressed look.
  const QImage pressed = tabs->grab().toImage();
  QTest::mouseRelease(tabs, Qt::LeftButton, {}, arrow);
  const QImage released = tabs->grab().toImage();
  EXPECT_NE(pressed.pixelColor(right.Left + 3, right.Top + 3), released.pixelColor(right.Left + 3, right.Top + 3));

  const TRect second = tabs->GetTabRect(2);
  QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(second.Left + 10, second.Top + 6));
  EXPECT_EQ(tabs->TabIndex(), 2);
}

TEST_F(SkinnedTabs, TrackBarMapsSnapsAndTicksWithTheSkinSizes) {
  engine->SetSkinFile(Path("devoir.mskn"));
  auto* bar = Create<TSeSkinTrackBar>(form.get());
  bar->SetParent(form.get());
  bar->SetBounds(10, 10, 200, 45);
  bar->SetMax(20);
  bar->SetFrequency(4);
  bar->SetPosition(0);
  const TSeTrackGeometry plain = bar->Geometry();
  bar->SetSkinEngine(engine);
  EXPECT_TRUE(bar->Transparent());
  const TSeTrackGeometry g = bar->Geometry();
  // Thumb 11 x 19, track margin 8 and thumb offset 6, from the skin.
  EXPECT_EQ(g.ThumbWidth, 11);
  EXPECT_EQ(g.ThumbLength, 19);
  EXPECT_EQ(g.Margin, 8);
  EXPECT_EQ(g.Offset, 6);
  EXPECT_NE(plain.ThumbLength, g.ThumbLength);

  // Drag the thumb to just past the pixel of 9: it snaps to 8.
  form->Show();
  const QPoint thumb(g.PixelFromPosition(0), g.ThumbBandStart() + 5);
  QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
  EXPECT_TRUE(bar->Dragging());
  QTest::mouseMove(bar, QPoint(g.PixelFromPosition(9), thumb.y()));
  EXPECT_EQ(bar->Position(), 8);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(g.PixelFromPosition(9), thumb.y()));
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(bar->Position(), 9);
  // A click beside the thumb pages.
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.PixelFromPosition(20), thumb.y()));
  EXPECT_EQ(bar->Position(), 11);

  // Ticks: black, and all in the button shadow when disabled.
  const TSeTrackGeometry::Tick tick = g.Ticks().front();
  const QPoint on_tick = tick.Upper ? QPoint(tick.Pixel, tick.To + 1) : QPoint(tick.Pixel, tick.From);
  EXPECT_EQ(Shot(bar).pixelColor(on_tick), QColor(0, 0, 0));
  bar->SetEnabled(false);
  EXPECT_EQ(Shot(bar).pixelColor(on_tick), ToQColor(clBtnShadow));

  // Upright, the skin's own upright parts give the sizes.
  bar->SetOrientation(toVertical);
  bar->SetBounds(10, 10, 45, 200);
  EXPECT_EQ(bar->GetThumbWidth(), 11);
  EXPECT_EQ(bar->GetThumbLength(), 19);
  EXPECT_EQ(bar->GetTrackMargin(), 8);
  // Unbound again, the plain sizes return.
  engine->SetSkinFile(Path("bare.mskn"));
  EXPECT_EQ(bar->GetThumbWidth(), 9);
}

TEST_F(SkinnedTabs, ToolBarPaintsTheSkinFrameAcrossTheBar) {
  auto* bar = Create<TSeSkinToolBar>(form.get());
  bar->SetParent(form.get());
  bar->SetBounds(0, 0, 235, 42);
  bar->SetSkinEngine(engine);
  EXPECT_EQ(bar->SkinObject(), "ToolBar");
  const QImage plain = Shot(bar);
  EXPECT_EQ(plain.pixelColor(1, 1), ToQColor(clBtnFace));
  EXPECT_EQ(plain.pixelColor(233, 40), ToQColor(clBtnFace));

  engine->SetSkinFile(Path("devoir.mskn"));
  const QImage skinned = Shot(bar);
  // The frame's shading runs over the whole bar, border included, down to
  // its bottom line.
  EXPECT_NE(skinned.pixelColor(1, 1), skinned.pixelColor(1, 40));
  EXPECT_EQ(skinned.pixelColor(1, 41), skinned.pixelColor(233, 41));
  EXPECT_NE(skinned.pixelColor(1, 1), ToQColor(clBtnFace));

  engine->SetSkinFile(Path("bare.mskn"));  // no "ToolBar"
  EXPECT_EQ(Shot(bar).pixelColor(1, 1), ToQColor(clBtnFace));
}

TEST_F(SkinnedTabs, TrackBarThumbLightsUnderTheMouseAndWhileDragged) {
  engine->SetSkinFile(Path("devoir.mskn"));
  auto* bar = Create<TSeSkinTrackBar>(form.get());
  bar->SetParent(form.get());
  bar->SetBounds(10, 10, 200, 45);
  bar->SetMax(20);
  bar->SetPosition(5);
  bar->SetSkinEngine(engine);
  auto* other = Create<TSeSkinTrackBar>(form.get());  // holds the focus: a focused thumb is lit too
  other->SetParent(form.get());
  other->SetBounds(10, 100, 200, 45);
  Shot(bar);
  other->SetFocus();
  QTest::mouseMove(form.get(), QPoint(300, 300));
  const TSeTrackGeometry g = bar->Geometry();
  // The thumb as the bar shows it at a position.
  auto look = [&](int position) {
    return Shot(bar).copy(g.ThumbRect(g.PixelFromPosition(position)).ToQRect()).convertToFormat(QImage::Format_RGB32);
  };
  const TRect r = g.ThumbRect(g.PixelFromPosition(5));
  const QPoint thumb((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  const QImage normal = look(5);

  QTest::mouseMove(bar, thumb);
  EXPECT_TRUE(bar->ThumbHot());
  const QImage lit = look(5);
  EXPECT_NE(lit, normal);
  QTest::mouseMove(bar, QPoint(thumb.x() + 40, thumb.y()));  // beside the thumb
  EXPECT_FALSE(bar->ThumbHot());
  EXPECT_EQ(look(5), normal);
  QTest::mouseMove(bar, thumb);
  EXPECT_EQ(look(5), lit);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(bar, &leave);
  EXPECT_FALSE(bar->ThumbHot());
  EXPECT_EQ(look(5), normal);

  // Dragged, the thumb keeps the lit look where it goes; let go, with the
  // mouse and the focus elsewhere, the plain one.
  QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
  const QPoint to(g.PixelFromPosition(12), thumb.y());
  QTest::mouseMove(bar, to);
  ASSERT_EQ(bar->Position(), 12);
  EXPECT_EQ(look(12), lit);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
  other->SetFocus();
  QCoreApplication::sendEvent(bar, &leave);
  EXPECT_EQ(look(12), normal);
}
