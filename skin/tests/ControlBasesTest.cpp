// The control bases: the border client rectangle, bevel and performance
// rules, buffered painting in every mode, transparency and blending over
// the parent, zero-size paints; the window hooks' order and Handled; the
// form option objects' clamping and notifications.

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <string>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "skin/se_controls.h"
#include "skin/se_formoptions.h"
#include "skin/se_hooks.h"

namespace {

QRgb Rgb(TColor color) { return ColorToQColor(color).rgb() | 0xFF000000u; }

// A control that counts its painting steps.
class Probe : public TSeCustomControl {
 public:
  using TSeCustomControl::TSeCustomControl;
  int backgrounds = 0;
  int borders = 0;

 protected:
  void PaintBackground() override {
    ++backgrounds;
    TSeCustomControl::PaintBackground();
  }
  void PaintBorder() override {
    ++borders;
    TSeCustomControl::PaintBorder();
  }
};

QImage Render(TSeCustomControl& control) {
  QImage image(control.Width(), control.Height(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  control.PaintTo(painter);
  return image;
}

TEST(SeCustomControl, BorderClientRectCountsBorderAndBevelsOnTheirSides) {
  struct Case {
    int border_width;
    int bevel_width;
    TSeBevelCut inner;
    TSeBevelCut outer;
    TSeBevelSides sides;
    TRect expected;
  };
  const TSeBevelSides left_top = SeBevelSide(kbsLeft) | SeBevelSide(kbsTop);
  const Case cases[] = {
      {0, 0, kbvLowered, kbvLowered, kbsAllSides, Rect(0, 0, 100, 30)},
      {3, 1, kbvLowered, kbvRaised, left_top, Rect(5, 5, 97, 27)},
      {0, 2, kbvNone, kbvRaised, kbsAllSides, Rect(2, 2, 98, 28)},
      {0, 2, kbvNone, kbvNone, kbsAllSides, Rect(0, 0, 100, 30)},
      {1, 0, kbvRaised, kbvRaised, kbsAllSides, Rect(1, 1, 99, 29)},
      {0, 1, kbvSpace, kbvBorder, SeBevelSide(kbsRight) | SeBevelSide(kbsBottom), Rect(0, 0, 98, 28)},
  };
  for (const Case& c : cases) {
    TSeCustomControl control;
    control.SetBorderWidth(c.border_width);
    control.SetBevelWidth(c.bevel_width);
    control.SetBevelInner(c.inner);
    control.SetBevelOuter(c.outer);
    control.SetBevelSides(c.sides);
    EXPECT_EQ(control.GetBorderClientRect(), c.expected) << c.border_width << " " << c.bevel_width;
    EXPECT_EQ(control.ClientRect(), c.expected);
  }
}

TEST(SeCustomControl, BevelKindSetsBothCutsAndACutResetsTheKind) {
  TSeCustomControl control;
  control.SetBevelKind(kbkBorder);
  EXPECT_EQ(control.BevelInner(), kbvBorder);
  EXPECT_EQ(control.BevelOuter(), kbvBorder);
  control.SetBevelInner(kbvRaised);
  EXPECT_EQ(control.BevelKind(), kbkNone);
  EXPECT_EQ(control.BevelOuter(), kbvBorder);
  control.SetBevelKind(kbkFlat);
  EXPECT_EQ(control.BevelInner(), kbvFlatBorder);
  control.SetBevelKind(kbkNone);
  EXPECT_EQ(control.BevelInner(), kbvFlatBorder);
}

TEST(SeCustomControl, BlendingNeedsABuffer) {
  TSeCustomControl control;
  EXPECT_EQ(control.Performance(), tbpNoBuffer);
  control.Blending()->SetEnabled(true);
  EXPECT_EQ(control.Performance(), tbpDoubleBuffer);
  control.SetPerformance(tbpNoBuffer);
  EXPECT_EQ(control.Performance(), tbpDoubleBuffer);
  control.SetPerformance(tbpSharedBuffer);
  EXPECT_EQ(control.Performance(), tbpSharedBuffer);

  TSeCustomControl other;
  TSeBlending on;
  on.SetEnabled(true);
  other.SetBlending(on);
  EXPECT_EQ(other.Performance(), tbpDoubleBuffer);
  EXPECT_TRUE(other.Blending()->Enabled());
  EXPECT_NE(other.Blending(), &on);

  TSeGraphicControl graphic;
  graphic.SetBlending(on);
  EXPECT_EQ(graphic.Performance(), tbpDoubleBuffer);
  graphic.SetPerformance(tbpNoBuffer);
  EXPECT_EQ(graphic.Performance(), tbpDoubleBuffer);
}

TEST(SeCustomControl, EveryPerformancePaintsTheSamePicture) {
  QImage first;
  for (TSePerformance performance : {tbpNoBuffer, tbpSharedBuffer, tbpDoubleBuffer}) {
    TSeCustomControl control;
    control.SetBounds(0, 0, 40, 20);
    control.SetColor(clWindow);
    control.SetBevelWidth(1);
    control.SetBevelOuter(kbvLowered);
    control.SetBevelInner(kbvNone);
    control.SetBorderWidth(1);
    control.SetPerformance(performance);
    const QImage image = Render(control);
    EXPECT_EQ(image.pixel(0, 0), Rgb(clBtnShadow)) << performance;
    EXPECT_EQ(image.pixel(39, 19), Rgb(clBtnHighlight)) << performance;
    EXPECT_EQ(image.pixel(1, 1), Rgb(clWindow)) << performance;
    EXPECT_EQ(image.pixel(20, 10), Rgb(clWindow)) << performance;
    if (first.isNull())
      first = image;
    else
      EXPECT_EQ(image, first) << performance;
  }
}

TEST(SeCustomControl, ZeroSizePaintsNothing) {
  for (TSePerformance performance : {tbpNoBuffer, tbpSharedBuffer, tbpDoubleBuffer}) {
    Probe control;
    control.SetPerformance(performance);
    control.SetBounds(0, 0, 0, 30);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    control.PaintTo(painter);
    control.SetBounds(0, 0, 30, 0);
    control.PaintTo(painter);
    EXPECT_EQ(control.backgrounds, 0);
    EXPECT_EQ(control.borders, 0);
  }
}

TEST(SeCustomControl, TransparentShowsTheParentAndBlendingMixesWithIt) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 120, 80);
  auto* parent = Create<TSeCustomControl>(form.get());
  parent->SetParent(form.get());
  parent->SetBounds(0, 0, 100, 60);
  parent->SetColor(TColor(0x00FF0000));  // blue
  auto* child = Create<Probe>(form.get());
  child->SetParent(parent);
  child->SetBounds(10, 10, 30, 20);
  child->SetColor(TColor(0x000000FF));  // red

  child->SetTransparent(true);
  QImage image = Render(*child);
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(29, 19), qRgb(0, 0, 255));

  child->SetTransparent(false);
  child->Blending()->SetValue(128);
  child->Blending()->SetEnabled(true);
  image = Render(*child);
  const QRgb mixed = image.pixel(5, 5);
  EXPECT_NEAR(qRed(mixed), 128, 1);
  EXPECT_NEAR(qBlue(mixed), 127, 1);
  EXPECT_EQ(qGreen(mixed), 0);

  // On screen, straight onto the window as well as through a buffer.
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  child->Blending()->SetEnabled(false);
  child->SetTransparent(true);
  for (TSePerformance performance : {tbpNoBuffer, tbpSharedBuffer}) {
    child->SetPerformance(performance);
    const QImage shot = child->grab().toImage();
    EXPECT_EQ(shot.pixel(3, 3), qRgb(0, 0, 255)) << performance;
  }

  // A parent that does not answer the erase message is drawn by Qt.
  form->SetColor(TColor(0x0000FF00));  // green
  auto* on_form = Create<Probe>(form.get());
  on_form->SetParent(form.get());
  on_form->SetBounds(105, 62, 10, 10);
  on_form->SetTransparent(true);
  image = Render(*on_form);
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(9, 9), qRgb(0, 255, 0));
}

// ---- hooks ----

struct Trace {
  std::vector<std::string> lines;
};

class Target : public TCustomControl {
 public:
  Target(TComponent* owner, Trace* trace) : TCustomControl(owner), trace_(trace) {}

 protected:
  void Dispatch(TMessage& message) override {
    trace_->lines.push_back("control " + std::to_string(message.Msg));
    message.Result = 7;
  }

 private:
  Trace* trace_;
};

class RecordingHook : public TSeHook {
 public:
  RecordingHook(TComponent* owner, Trace* trace, std::string name, bool consume = false)
      : TSeHook(owner), trace_(trace), name_(std::move(name)), consume_(consume) {}
  bool fail = false;

 protected:
  void HookEvent(QEvent* event) override {
    if (event->type() != TMessageEvent::EventType()) return;
    trace_->lines.push_back("before " + name_);
    if (fail) throw Exception("hook failed");
    if (consume_) SetHandled(true);
  }
  void DoAfterMessage(QEvent* event, bool& handled) override {
    if (event->type() == TMessageEvent::EventType()) trace_->lines.push_back("after " + name_);
    TSeHook::DoAfterMessage(event, handled);
  }

 private:
  Trace* trace_;
  std::string name_;
  bool consume_;
};

using Lines = std::vector<std::string>;

TEST(SeHook, LastAttachedSeesEachEventFirstInBothPhases) {
  Trace trace;
  auto target = std::make_unique<Target>(nullptr, &trace);
  RecordingHook first(nullptr, &trace, "first");
  RecordingHook second(nullptr, &trace, "second");
  first.SetControl(target.get());
  second.SetControl(target.get());
  EXPECT_EQ(first.ControlHook(), second.ControlHook());
  EXPECT_EQ(target->Perform(1234), 7);
  EXPECT_EQ(trace.lines, (Lines{"before second", "before first", "control 1234", "after second", "after first"}));

  trace.lines.clear();
  second.SetActive(false);
  target->Perform(1);
  EXPECT_EQ(trace.lines, (Lines{"before first", "control 1", "after first"}));
}

TEST(SeHook, HandledStopsTheOthersAndTheControl) {
  Trace trace;
  auto target = std::make_unique<Target>(nullptr, &trace);
  RecordingHook first(nullptr, &trace, "first");
  RecordingHook second(nullptr, &trace, "second", true);
  first.SetControl(target.get());
  second.SetControl(target.get());
  EXPECT_EQ(target->Perform(5), 0);
  EXPECT_EQ(trace.lines, (Lines{"before second"}));
}

TEST(SeHook, AFailingHookIsReportedAndTheOthersStillRun) {
  Trace trace;
  std::vector<std::string> errors;
  auto saved = Application().OnException;
  Application().OnException = [&](TComponent*, const std::exception& e) { errors.push_back(e.what()); };
  {
    auto target = std::make_unique<Target>(nullptr, &trace);
    RecordingHook first(nullptr, &trace, "first");
    RecordingHook second(nullptr, &trace, "second");
    second.fail = true;
    first.SetControl(target.get());
    second.SetControl(target.get());
    target->Perform(9);
  }
  Application().OnException = saved;
  EXPECT_EQ(errors, (Lines{"hook failed"}));
  EXPECT_EQ(trace.lines, (Lines{"before second", "before first", "control 9", "after second", "after first"}));
}

// Someone else's filter, installed after the hooks.
class OtherFilter : public QObject {
 public:
  explicit OtherFilter(Trace* trace) : trace_(trace) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == TMessageEvent::EventType()) trace_->lines.push_back("other");
    return false;
  }

 private:
  Trace* trace_;
};

TEST(SeHook, RemovingTheLastHookLeavesOthersFiltersAndTheControlAlone) {
  Trace trace;
  auto target = std::make_unique<Target>(nullptr, &trace);
  OtherFilter other(&trace);
  {
    RecordingHook hook(nullptr, &trace, "hook");
    hook.SetControl(target.get());
    target->installEventFilter(&other);
    target->Perform(3);
    EXPECT_EQ(trace.lines, (Lines{"other", "before hook", "control 3", "after hook"}));
  }
  trace.lines.clear();
  target->Perform(4);
  EXPECT_EQ(trace.lines, (Lines{"other", "control 4"}));
}

TEST(SeHook, AControlDestroyedUnderItsHooksLeavesThemDetached) {
  Trace trace;
  auto target = std::make_unique<Target>(nullptr, &trace);
  RecordingHook hook(nullptr, &trace, "hook");
  hook.SetControl(target.get());
  ASSERT_NE(hook.ControlHook(), nullptr);
  target.reset();
  EXPECT_EQ(hook.Control(), nullptr);
  EXPECT_EQ(hook.ControlHook(), nullptr);
  EXPECT_TRUE(hook.Active());
}

// ---- form option objects ----

TEST(SeFormOptions, SettersClampAndNotifyOnlyOnChange) {
  TSeBlending blending;
  int notes = 0;
  blending.OnChange = [&](TSeBlending*) { ++notes; };
  blending.SetValue(150);
  EXPECT_EQ(notes, 0);
  blending.SetValue(300);
  EXPECT_EQ(blending.Value(), 255);
  blending.SetValue(-4);
  EXPECT_EQ(blending.Value(), 0);
  EXPECT_EQ(notes, 2);

  TSeShadow shadow;
  shadow.SetEnabled(true);
  shadow.SetSize(0);
  EXPECT_FALSE(shadow.Enabled());
  EXPECT_EQ(shadow.Size(), 0);
  shadow.SetSize(25);
  EXPECT_EQ(shadow.Size(), 20);

  TSeAnimation animation;
  animation.SetTime(10);
  EXPECT_EQ(animation.Time(), 50);
  animation.SetTime(51);
  EXPECT_EQ(animation.Time(), 51);
  animation.SetTime(10000);
  EXPECT_EQ(animation.Time(), 9000);
  animation.SetResolution(0);
  EXPECT_EQ(animation.Resolution(), 1);
  animation.SetTileCount(99);
  EXPECT_EQ(animation.TileCount(), 20);

  TSeGravitation gravitation;
  gravitation.SetSize(0);
  EXPECT_EQ(gravitation.Size(), 1);
  gravitation.SetSize(80);
  EXPECT_EQ(gravitation.Size(), 50);
}

TEST(SeFormOptions, AssigningPopupOptionsCopiesThePartsAndNotifiesOnceAfterThem) {
  TSePopupMenuOptions source;
  source.Blending()->SetEnabled(true);
  source.Blending()->SetValue(90);
  source.Shadow()->SetSize(7);
  source.Animation()->SetEffect(keDiagonal);
  TSePopupMenuOptions target;
  std::vector<std::string> notes;
  target.Blending()->OnChange = [&](TSeBlending*) { notes.push_back("blending"); };
  target.Shadow()->OnChange = [&](TSeShadow*) { notes.push_back("shadow"); };
  target.OnChange = [&](TSePopupMenuOptions*) { notes.push_back("options"); };
  target.Assign(source);
  EXPECT_EQ(notes, (Lines{"blending", "shadow", "options"}));
  EXPECT_TRUE(target.Blending()->Enabled());
  EXPECT_EQ(target.Blending()->Value(), 90);
  EXPECT_EQ(target.Shadow()->Size(), 7);
  EXPECT_EQ(target.Animation()->Effect(), keDiagonal);
}

}  // namespace
