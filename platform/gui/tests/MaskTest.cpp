// The masked edit with the host's masks.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Mask.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(MaskTest, HostMasksBecomeQtMasks) {
  EXPECT_EQ(QtInputMask("!90:00", '_'), "09\\:99;_");
  EXPECT_EQ(QtInputMask("LLl-aA", '*'), "AAa\\-nN;*");
  EXPECT_EQ(QtInputMask("<>C\\9", '_'), "!X\\9;_");
}

TEST(MaskTest, TimeBoxTakesDigitsAndReadsAsTheHostDoes) {
  auto form = CreateUnique<TForm>();
  auto* time = Create<TMaskEdit>(form.get());
  time->SetParent(form.get());
  time->SetEditMask("!90:00;1;_");
  EXPECT_EQ(time->EditText(), "__:__");
  EXPECT_FALSE(time->IsComplete());
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  time->SetFocus();
  time->LineEdit()->setCursorPosition(0);
  QTest::keyClicks(time->LineEdit(), "08x15");
  EXPECT_EQ(time->EditText(), "08:15");
  EXPECT_EQ(time->MaskedText(), "08:15");
  EXPECT_TRUE(time->IsComplete());
  time->SetEditText("1_:__");
  EXPECT_EQ(time->MaskedText(), "1 :  ");
  EXPECT_FALSE(time->IsComplete());
}

}  // namespace
