// Progress bar and date/time picker.

#include <gtest/gtest.h>

#include <QDateTimeEdit>
#include <QProgressBar>
#include <QTest>
#include <memory>

#include "platform/core/Formats.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(ComCtrlsTest, ProgressBarKeepsItsPositionInRange) {
  auto form = CreateUnique<TForm>();
  auto* bar = Create<TProgressBar>(form.get());
  bar->SetParent(form.get());
  bar->SetMax(359999);
  bar->SetPosition(400000);
  EXPECT_EQ(bar->Position(), 359999);
  bar->SetMax(100);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetStep(7);
  bar->StepIt();
  bar->StepBy(3);
  EXPECT_EQ(bar->Position(), 10);
  EXPECT_EQ(bar->Bar()->value(), 10);
  EXPECT_EQ(bar->Bar()->maximum(), 100);
  // A zero maximum is an empty bar, not a fault.
  bar->SetMax(0);
  EXPECT_EQ(bar->Position(), 0);
}

TEST(ComCtrlsTest, HostFormatsBecomeQtFormats) {
  struct Case {
    const char* host;
    const char* qt;
  };
  const Case cases[] = {{"M/d/yyyy", "M/d/yyyy"},
                        {"h:mm:ss AMPM", "h:mm:ss AP"},
                        {"mm-dd-yyy hh:nn:ss", "MM-dd-yyyy hh:mm:ss"},
                        {"dddd, MMMM d, yyyy", "dddd, MMMM d, yyyy"},
                        {"dd.mm.yy", "dd.MM.yy"}};
  for (const Case& c : cases) EXPECT_EQ(QtDateTimeFormat(c.host), QString::fromLatin1(c.qt)) << c.host;
}

TEST(ComCtrlsTest, DatePickerKeepsTheOtherHalf) {
  auto form = CreateUnique<TForm>();
  auto* picker = Create<TDateTimePicker>(form.get());
  picker->SetParent(form.get());
  int changes = 0;
  picker->OnChange = [&](TControl*) { ++changes; };
  picker->SetDateTime(ComposeDateTime(EncodeDate(2009, 3, 7), EncodeTime(8, 15, 0, 0)));
  picker->SetDate(EncodeDate(2009, 3, 20));
  EXPECT_DOUBLE_EQ(picker->DateTime(), ComposeDateTime(EncodeDate(2009, 3, 20), EncodeTime(8, 15, 0, 0)));
  picker->SetKind(dtkTime);
  picker->SetTime(EncodeTime(10, 30, 0, 0));
  EXPECT_DOUBLE_EQ(picker->Date(), EncodeDate(2009, 3, 20));
  EXPECT_EQ(picker->Editor()->displayFormat(), "h:mm:ss AP");
  EXPECT_EQ(changes, 0);  // only the user's changes count

  picker->SetKind(dtkDate);
  EXPECT_EQ(picker->Editor()->text(), "3/20/2009");
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  // The user picks another day: the time of day stays.
  picker->Editor()->setDate(QDate(2009, 3, 21));
  EXPECT_EQ(changes, 1);
  EXPECT_DOUBLE_EQ(picker->DateTime(), ComposeDateTime(EncodeDate(2009, 3, 21), EncodeTime(10, 30, 0, 0)));
}

}  // namespace
