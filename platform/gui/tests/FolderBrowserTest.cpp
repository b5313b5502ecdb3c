// The folder browser's status line: paths lose folders from the left,
// other texts characters from the right, and the result always fits.

#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QTemporaryDir>

#include "platform/gui/FolderBrowser.h"

namespace {

TEST(FolderBrowser, StatusLineFitsPathsFromTheLeftAndTextFromTheRight) {
  QTemporaryDir tmp;
  const QString deep = tmp.path() + "/music/albums/2019/Photos (2019)";
  ASSERT_TRUE(QDir().mkpath(deep));
  const QFontMetrics metrics(QFont("DejaVu Sans", 9));
  struct Case {
    QString text;
    int width;
    QString expected;
  } cases[] = {
      {"short", 200, "short"},
      {deep, metrics.horizontalAdvance(".../2019/Photos (2019)") + 2, ".../2019/Photos (2019)"},
      {deep, metrics.horizontalAdvance(".../Photos (2019)") + 2, ".../Photos (2019)"},
      {deep, metrics.horizontalAdvance("Photos (2019)") + 2, "Photos (2019)"},
      {"not a folder at all", metrics.horizontalAdvance("not a f...") + 1, "not a f..."},
      {"x", 0, ""},
  };
  for (const Case& c : cases) {
    const QString fitted = FitStatusLine(c.text, metrics, c.width);
    EXPECT_EQ(fitted, c.expected) << c.text.toStdString() << " in " << c.width;
    EXPECT_LE(metrics.horizontalAdvance(fitted), std::max(c.width, 0));
  }
  // A surrogate pair is never cut in half.
  const QString emoji = QString("ab") + QChar(0xD83D) + QChar(0xDE00) + "cd";
  const QString cut = FitStatusLine(emoji, metrics, metrics.horizontalAdvance(QString("ab") + QChar(0xD83D) + QChar(0xDE00) + "...") - 1);
  EXPECT_FALSE(cut.contains(QChar(0xD83D)) && !cut.contains(QChar(0xDE00))) << cut.toStdString();
}

}  // namespace
