// The rich edit as the burn log uses it: coloured lines, RTF and text files,
// printing through the print service.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

#include "platform/core/StringList.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Printing.h"
#include "platform/gui/RichEdit.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// The log's way of adding a line: caret to the end, colour, add, scroll.
void AddLogLine(TRichEdit& log, const QString& text, TColor color) {
  log.SetSelStart(log.Text().size());
  log.SelAttributes()->SetColor(color);
  log.Lines()->Add(text);
  log.Perform(WM_VSCROLL, SB_LINEDOWN);
}

class RichEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 420, 200);
    log = Create<TRichEdit>(form.get());
    log->SetParent(form.get());
    log->SetAlign(alClient);
    log->SetReadOnly(true);
    AddLogLine(*log, ">>> Vantor {burner} C:\\temp", clNavy);
    AddLogLine(*log, ">>> 10:31:02 Drive is ready.", clGreen);
    AddLogLine(*log, QString::fromUtf8(">>> Fehler: Datei \xC3\xBC"), clRed);
  }
  std::unique_ptr<TForm> form;
  TRichEdit* log = nullptr;
};

QColor ColorOfLine(TRichEdit& edit, int line) {
  const QTextBlock block = edit.Document()->findBlockByNumber(line);
  return block.begin().fragment().charFormat().foreground().color();
}

TEST_F(RichEditTest, LinesTakeTheColourSetAtTheEnd) {
  EXPECT_EQ(log->Lines()->Count(), 3);
  EXPECT_EQ(log->Lines()->Strings(1), ">>> 10:31:02 Drive is ready.");
  EXPECT_EQ(ColorOfLine(*log, 0), ColorToQColor(clNavy));
  EXPECT_EQ(ColorOfLine(*log, 1), ColorToQColor(clGreen));
  EXPECT_EQ(ColorOfLine(*log, 2), ColorToQColor(clRed));
  EXPECT_EQ(log->SelAttributes()->Color(), clRed);
  log->SelAttributes()->SetStyle(fsBold);
  AddLogLine(*log, "", clWhite);
  EXPECT_EQ(log->Lines()->Count(), 4);
  EXPECT_EQ(log->Lines()->Strings(3), "");
  EXPECT_TRUE(log->Text().startsWith(">>> Vantor {burner} C:\\temp\r\n>>> 10:31:02"));

  // Selecting a word and colouring it changes that run only.
  log->SetSelStart(4);
  log->SetSelLength(6);
  EXPECT_EQ(log->SelText(), "Vantor");
  log->SelAttributes()->SetColor(clBlue);
  EXPECT_EQ(ColorOfLine(*log, 0), ColorToQColor(clNavy));
  const QTextBlock first = log->Document()->findBlockByNumber(0);
  EXPECT_EQ((++first.begin()).fragment().charFormat().foreground().color(), ColorToQColor(clBlue));

  log->Lines()->Clear();
  EXPECT_EQ(log->Lines()->Count(), 0);
  EXPECT_EQ(log->Text(), "");
}

TEST_F(RichEditTest, SavesRtfAndPlainText) {
  QTemporaryDir dir;
  const QString rtf_path = dir.filePath("log.rtf");
  log->Lines()->SaveToFile(rtf_path);
  QFile file(rtf_path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray rtf = file.readAll();
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi"));
  EXPECT_TRUE(rtf.trimmed().endsWith('}'));
  EXPECT_EQ(rtf.count('{'), rtf.count('}') + 0) << "braces balance once escapes are left out";
  // Colours of the runs, in the table in order of use.
  EXPECT_TRUE(
      rtf.contains("{\\colortbl ;\\red0\\green0\\blue128;\\red0\\green128\\blue0;\\red255\\green0\\blue0;}"));
  EXPECT_TRUE(rtf.contains("\\cf1 >>> Vantor \\{burner\\} C:\\\\temp\\par"));
  EXPECT_TRUE(rtf.contains("\\cf3 >>> Fehler: Datei \\u252?\\par"));
  EXPECT_EQ(rtf.count("\\par\r\n"), 3);

  const QString unrtf = QStandardPaths::findExecutable("unrtf");
  if (!unrtf.isEmpty()) {
    // An independent reader gets the same text back.
    QProcess peer;
    peer.start(unrtf, {"--text", rtf_path});
    ASSERT_TRUE(peer.waitForFinished(10000));
    const QString text = QString::fromUtf8(peer.readAllStandardOutput());
    EXPECT_TRUE(text.contains(">>> Vantor {burner} C:\\temp")) << text.toStdString();
    EXPECT_TRUE(text.contains(">>> 10:31:02 Drive is ready.")) << text.toStdString();
  }

  log->SetPlainText(true);
  const QString txt_path = dir.filePath("log.txt");
  log->Lines()->SaveToFile(txt_path);
  TStringList lines;
  lines.LoadFromFile(txt_path.toStdString());
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[2], ">>> Fehler: Datei \xC3\xBC");
}

TEST_F(RichEditTest, PrintsThroughThePrintService) {
  FakePrintService printer;
  ScopedPrintService scope(printer);
  EXPECT_TRUE(log->Print(""));
  ASSERT_EQ(printer.Jobs().size(), 1u);
  EXPECT_EQ(printer.Jobs()[0].title, "");
  EXPECT_TRUE(printer.Jobs()[0].text.contains(">>> 10:31:02 Drive is ready."));
}

TEST_F(RichEditTest, ScrollsOneLineAtATime) {
  for (int i = 0; i < 60; ++i) AddLogLine(*log, QStringLiteral(">>> line %1").arg(i), clBlue);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  TScrollInfo info;
  ASSERT_TRUE(log->ScrollInfo(sbVertical, info));
  EXPECT_TRUE(info.Visible);
  const int before = info.Position;
  log->Perform(WM_VSCROLL, SB_LINEUP);
  ASSERT_TRUE(log->ScrollInfo(sbVertical, info));
  EXPECT_LT(info.Position, before);
  form->grab().save(QStringLiteral(BURNER_BINARY_DIR "/rich_edit.png"));
}

}  // namespace
