#include <QAction>
#include <QImage>
#include <QMenu>
#include <QTreeWidget>

#include "ExplorerFixture.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/tests/MetafileBuilder.h"
#include "shell/EwFileExplorer28List.h"
#include "shell/EwFileExplorer28ListPopup.h"

namespace {

class SendToTest : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    scoped_clipboard_ = std::make_unique<ScopedService<ClipboardService>>(clipboard_);
    MakeDir("dest");
    MakeFile("one.txt", 3);
    MakeFile("two name.txt", 4);
    MakeFile("three.bin", 5);
    QFile text(Path("notes.TXT"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("line one\nline two\n");
    text.close();
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(picture.save(Path("pic.bmp"), "BMP"));
    list_.reset(Create<TEwFilelistView28>(nullptr));
    list_->SetDirectory(root_);
  }
  void TearDown() override {
    list_.reset();
    scoped_clipboard_.reset();
    ExplorerTest::TearDown();
  }
  void Select(const QStringList& captions) {
    list_->ListView()->clearSelection();
    for (int i = 0; i < list_->ItemCount(); ++i)
      if (captions.contains(list_->Caption(i))) list_->SetItemSelected(i, true);
  }
  void WriteLink(const QString& name, const QString& body) {
    const QString folder = TEwFilelistView28::SendToFolderPath();
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[Desktop Entry]\n" + body).toUtf8());
  }

  FakeClipboard clipboard_;
  std::unique_ptr<ScopedService<ClipboardService>> scoped_clipboard_;
  std::unique_ptr<TEwFilelistView28> list_;
};

TEST_F(SendToTest, ClipboardTakesFileNamesTextOrPicture) {
  Select({"one.txt", "two name.txt", "three.bin"});
  list_->PopUp()->ItemClick(32);
  EXPECT_EQ(clipboard_.Text(), Path("one.txt") + "\n" + Path("three.bin") + "\n" + Path("two name.txt"));

  Select({"notes.TXT"});
  list_->PopUp()->UpdateStates();
  EXPECT_TRUE(list_->PopUp()->Item("Send_To1")->isEnabled());
  list_->PopUp()->ItemClick(31);
  EXPECT_EQ(clipboard_.Text(), "line one\nline two\n");

  Select({"pic.bmp"});
  list_->SendTo(1);
  ASSERT_FALSE(clipboard_.Image().isNull());
  EXPECT_EQ(clipboard_.Image().size(), QSize(4, 3));
  EXPECT_EQ(clipboard_.Image().pixel(1, 1) & 0xFFFFFF, qRgb(200, 100, 50) & 0xFFFFFF);

  // A metafile goes as a picture no larger than 2048 pixels on its long
  // side (this one is 9600 by 4800 at its own size), and as itself.
  WmfBuilder wmf;
  wmf.Pen(5, 0, 0).Brush(0, 0x0000FF).Select(0).Select(1).Rectangle(0, 0, 9600, 4800);
  const QByteArray wmfBytes = wmf.File(0, 0, 9600, 4800, 96);
  QFile wmfFile(Path("drawing.wmf"));
  ASSERT_TRUE(wmfFile.open(QIODevice::WriteOnly));
  wmfFile.write(wmfBytes);
  wmfFile.close();
  list_->SetDirectory(root_);
  Select({"drawing.wmf"});
  list_->PopUp()->UpdateStates();
  EXPECT_TRUE(list_->PopUp()->Item("Send_To1")->isEnabled());
  list_->PopUp()->ItemClick(31);
  EXPECT_EQ(clipboard_.Image().size(), QSize(2048, 1024));
  EXPECT_EQ(clipboard_.Image().pixel(1000, 500) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(clipboard_.Data("image/x-wmf"), wmfBytes);

  // Contents only for one file of a text or picture type.
  Select({"three.bin"});
  list_->PopUp()->UpdateStates();
  EXPECT_FALSE(list_->PopUp()->Item("Send_To1")->isEnabled());
}

TEST_F(SendToTest, LinksInTheSendToFolderCopyOrOpen) {
  WriteLink("Backup.desktop",
            "Type=Link\nName=Backup\nURL=" + QUrl::fromLocalFile(Path("dest")).toString() + "\n");
  const QString program = Path("viewer.sh");
  QFile script(program);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\n");
  script.close();
  script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
  WriteLink("Viewer.desktop", "Type=Application\nName=Viewer\nExec=" + program + " %f\n");
  TEwFilelistView28PopUp* popup = list_->PopUp();
  popup->BuildSendToMenu();
  ASSERT_EQ(popup->SendToPaths().size(), 2);
  QAction* backup = popup->Item("Send_To4");
  ASSERT_NE(backup, nullptr);
  EXPECT_EQ(backup->text(), "Backup");
  EXPECT_EQ(backup->data().toInt(), 34);
  EXPECT_EQ(popup->Item("Send_To5")->text(), "Viewer");
  EXPECT_EQ(popup->SendToMenu()->actions().size(), 6);

  Select({"one.txt", "two name.txt"});
  popup->ItemClick(34);
  EXPECT_TRUE(QFile::exists(Path("dest/one.txt")));
  EXPECT_TRUE(QFile::exists(Path("dest/two name.txt")));
  EXPECT_TRUE(QFile::exists(Path("one.txt")));

  Select({"two name.txt"});
  popup->ItemClick(35);
  ASSERT_EQ(shell_.Calls().size(), 1u);
  EXPECT_TRUE(shell_.Calls()[0].run);
  EXPECT_EQ(shell_.Calls()[0].target, program);
  EXPECT_EQ(shell_.Calls()[0].arguments, QStringList{"two name.txt"});
  EXPECT_EQ(shell_.Calls()[0].directory, root_);

  EXPECT_EQ(TEwFilelistView28::ResolveShortcut(Path("one.txt")), "");
}

TEST_F(SendToTest, AnyFolderAndDesktopLink) {
  Select({"three.bin"});
  dialogs_.AnswerFolder(Path("dest"));
  list_->PopUp()->ItemClick(30);
  EXPECT_TRUE(QFile::exists(Path("dest/three.bin")));
  dialogs_.AnswerFolder(std::nullopt);
  list_->SendTo(0);

  Select({"notes.TXT"});
  list_->SendTo(3);
  const QString link = tmp_.path() + "/home/Desktop/notes.desktop";
  ASSERT_TRUE(QFile::exists(link));
  EXPECT_EQ(TEwFilelistView28::ResolveShortcut(link), Path("notes.TXT"));

  list_->ListView()->clearSelection();
  list_->SendTo(3);
  EXPECT_EQ(Messages().last(), "No file selected");
}

}  // namespace
