#include <QApplication>
#include <QBuffer>
#include <QTimer>
#include <QTreeView>
#include <QLineEdit>
#include <QDropEvent>
#include <QImage>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <map>

#include "ExplorerFixture.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/FolderBrowser.h"
#include "shell/BrowseDr.h"
#include "shell/IconCtls.h"
#include "shell/IconCtlsExtract.h"
#include "shell/xrExDD.h"

namespace {

// ---- folder picker ----

TEST_F(ExplorerTest, FolderPickerAsksTheDialogServiceAndKeepsTheAnswer) {
  TwpnBrowseDirectoryDlg picker;
  picker.SetTitle("Add a folder of tracks");

  dialogs_.AnswerFolder(root_);
  EXPECT_TRUE(picker.Execute());
  EXPECT_EQ(picker.Selection(), root_);
  dialogs_.AnswerFolder(QString("/"));
  EXPECT_TRUE(picker.Execute());
  EXPECT_EQ(picker.Selection(), "/");
  dialogs_.AnswerFolder(std::nullopt);
  EXPECT_FALSE(picker.Execute());
  EXPECT_EQ(picker.Selection(), "");
  ASSERT_EQ(dialogs_.Calls().size(), 3u);
  EXPECT_EQ(dialogs_.Calls()[0].kind, ScriptedDialogService::Kind::Folder);
  EXPECT_EQ(dialogs_.Calls()[0].caption, "Add a folder of tracks");
}

// The real browser, driven as a user drives it while Execute waits.
TEST_F(ExplorerTest, FolderBrowserLiveCaptionStatusValidationAndTypedFolder) {
  MakeDir("Alpha/Sub");
  QtDialogService real;
  ScopedDialogService use(real);
  TwpnBrowseDirectoryDlg picker;
  picker.SetCaption("Pick a folder");
  picker.SetTitle("Tracks from:");
  picker.SetShowSelectionInStatus(true);
  picker.SetOptions(bfEditBox);
  picker.SetSelection(Path("Alpha"));
  int created = 0;
  QStringList changes, refused;
  picker.OnCreate = [&](TComponent*) { ++created; };
  picker.OnSelChanged = [&](TComponent*, const QString& path) { changes.push_back(path); };
  picker.OnValidateFailed = [&](TComponent*, const QString& path, bool& cancel) {
    refused.push_back(path);
    cancel = false;  // keep the browser open
  };
  bool checked = false;
  auto open_browser = [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = dynamic_cast<TFolderBrowserDialog*>(w); d && d->isVisible()) return d;
    }
    return static_cast<TFolderBrowserDialog*>(nullptr);
  };
  // Whatever happens below, the browser never waits forever.
  QTimer::singleShot(20000, [&] {
    if (auto* d = open_browser()) d->reject();
  });
  QTimer::singleShot(0, [&] {
    TFolderBrowserDialog* dialog = open_browser();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(dialog->windowTitle(), "Pick a folder");
    picker.SetCaption("Live caption");
    EXPECT_EQ(picker.Caption(), "Live caption");
    EXPECT_EQ(dialog->windowTitle(), "Live caption");
    EXPECT_EQ(dialog->SelectedFolder(), Path("Alpha"));
    picker.SetEnableOKButton(false);
    EXPECT_FALSE(dialog->OkEnabled());
    picker.SetEnableOKButton(true);

    // Moving in the tree reports the folder and shows it in the status line.
    dialog->SelectFolder(Path("Alpha/Sub"));
    EXPECT_EQ(changes.back(), Path("Alpha/Sub"));
    EXPECT_EQ(picker.StatusText(), Path("Alpha/Sub"));
    EXPECT_FALSE(dialog->StatusText().isEmpty());
    SaveShot(dialog, "folder_browser");

    // A typed name that is no folder is refused and the browser stays.
    dialog->SelectFolder(Path("Alpha"));
    dialog->EditBox()->setText("nowhere");
    dialog->accept();
    EXPECT_EQ(refused, QStringList{"nowhere"});
    EXPECT_TRUE(dialog->isVisible());
    dialog->EditBox()->setText("Sub");
    checked = true;
    dialog->accept();
  });
  EXPECT_TRUE(picker.Execute());
  EXPECT_TRUE(checked);
  EXPECT_EQ(picker.Selection(), Path("Alpha/Sub"));
  EXPECT_EQ(picker.Caption(), "Live caption");
}

TEST_F(ExplorerTest, FolderPickerSelectionAndOptions) {
  TwpnBrowseDirectoryDlg picker;
  picker.SetShowSelectionInStatus(true);
  picker.SetSelection(root_);
  EXPECT_EQ(picker.Selection(), root_ + "/");
  EXPECT_EQ(picker.StatusText(), root_ + "/");
  picker.SetSelection(Path("missing"));
  EXPECT_EQ(picker.Selection(), Path("missing"));

  picker.SetOptions(bfIncludeURLs);
  EXPECT_EQ(picker.Options(), bfIncludeURLs | bfIncludeFiles | bfUseNewUI);
  picker.SetOptions(bfShareable);
  EXPECT_EQ(picker.Options(), bfShareable | bfEditBox | bfNewDialogStyle);
  EXPECT_EQ(picker.Version(), "TwpnBrowseDirectoryDlg v2.61");

  // The special folders are the XDG ones of the (temporary) home.
  const QString home = tmp_.path() + "/home";
  EXPECT_EQ(RootFolder(idPersonal), home + "/Documents/");
  EXPECT_EQ(RootFolder(idDesktop), home + "/Desktop/");
  EXPECT_EQ(RootFolder(idDrives), "/");
  EXPECT_EQ(RootFolder(idRecycleBin), home + "/");
}

// ---- icon list ----

QByteArray Png(QRgb color) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

void Put16(QByteArray& b, int at, std::uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(QByteArray& b, int at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

struct Resource {
  std::uint32_t type;
  std::uint32_t id;
  QByteArray data;
};

// A resource section at `rva`: the type, name and language levels, the data
// entries, then the data.
QByteArray ResourceSection(const std::vector<Resource>& resources, std::uint32_t rva) {
  std::map<std::uint32_t, std::vector<const Resource*>> by_type;
  for (const Resource& r : resources) by_type[r.type].push_back(&r);
  int offset = 16 + 8 * static_cast<int>(by_type.size());
  std::map<std::uint32_t, int> type_dir;
  for (auto& [type, list] : by_type) {
    type_dir[type] = offset;
    offset += 16 + 8 * static_cast<int>(list.size());
  }
  std::map<const Resource*, int> lang_dir, data_entry, blob;
  for (const Resource& r : resources) lang_dir[&r] = offset, offset += 24;
  for (const Resource& r : resources) data_entry[&r] = offset, offset += 16;
  for (const Resource& r : resources) blob[&r] = offset, offset += (static_cast<int>(r.data.size()) + 3) & ~3;
  QByteArray out(offset, '\0');
  Put16(out, 14, static_cast<std::uint32_t>(by_type.size()));
  int e = 16;
  for (auto& [type, list] : by_type) {
    Put32(out, e, type);
    Put32(out, e + 4, 0x80000000u | static_cast<std::uint32_t>(type_dir[type]));
    e += 8;
    const int dir = type_dir[type];
    Put16(out, dir + 14, static_cast<std::uint32_t>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
      Put32(out, dir + 16 + 8 * static_cast<int>(i), list[i]->id);
      Put32(out, dir + 20 + 8 * static_cast<int>(i),
            0x80000000u | static_cast<std::uint32_t>(lang_dir[list[i]]));
    }
  }
  for (const Resource& r : resources) {
    Put16(out, lang_dir[&r] + 14, 1);
    Put32(out, lang_dir[&r] + 16, 1033);
    Put32(out, lang_dir[&r] + 20, static_cast<std::uint32_t>(data_entry[&r]));
    Put32(out, data_entry[&r], rva + static_cast<std::uint32_t>(blob[&r]));
    Put32(out, data_entry[&r] + 4, static_cast<std::uint32_t>(r.data.size()));
    out.replace(blob[&r], r.data.size(), r.data);
  }
  return out;
}

// A 32-bit Windows program with one icon group per colour.
QByteArray ProgramWithIcons(const std::vector<QRgb>& colors) {
  std::vector<Resource> resources;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const auto id = static_cast<std::uint32_t>(i + 1);
    resources.push_back({3, id, Png(colors[i])});
    QByteArray group(6 + 14, '\0');
    Put16(group, 2, 1);
    Put16(group, 4, 1);
    group[6] = 32;
    group[7] = 32;
    Put16(group, 10, 1);
    Put16(group, 12, 32);
    Put32(group, 14, static_cast<std::uint32_t>(resources.back().data.size()));
    Put16(group, 18, id);
    resources.push_back({14, id, group});
  }
  const QByteArray rsrc = ResourceSection(resources, 0x1000);
  QByteArray pe(0x200, '\0');
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 0x3C, 0x40);
  pe.replace(0x40, 4, QByteArray("PE\0\0", 4));
  Put16(pe, 0x44, 0x14C);
  Put16(pe, 0x46, 1);    // sections
  Put16(pe, 0x54, 224);  // optional header size
  Put16(pe, 0x58, 0x10B);
  Put32(pe, 0x58 + 92, 16);
  Put32(pe, 0x58 + 96 + 16, 0x1000);
  Put32(pe, 0x58 + 96 + 20, static_cast<std::uint32_t>(rsrc.size()));
  const int section = 0x58 + 224;
  pe.replace(section, 5, ".rsrc");
  Put32(pe, section + 8, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 12, 0x1000);
  Put32(pe, section + 16, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 20, 0x200);
  return pe + rsrc;
}

class IconListTest : public ExplorerTest {
 protected:
  void Write(const QString& relative, const QByteArray& bytes) {
    QFile file(Path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
};

TEST_F(IconListTest, ListsTheIconGroupsOfAProgram) {
  Write("setup.exe", ProgramWithIcons({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}));
  TwpnIconListBox list;
  int changes = 0;
  list.OnFileChange = [&](TComponent*) { ++changes; };
  list.SetFileName(Path("setup.exe"));
  EXPECT_EQ(list.NumberOfIcons(), 3);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.ItemText(0), "0");
  EXPECT_EQ(list.ItemText(2), "2");
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_TRUE(list.Enabled());
  TIcon* first = list.GetIcon(0);
  ASSERT_NE(first, nullptr);
  ASSERT_FALSE(first->Empty());
  EXPECT_EQ(first->Width(), 32);
  EXPECT_EQ(first->Image().pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(list.GetIcon(2)->Image().pixel(5, 5), qRgb(0, 0, 255));
  EXPECT_EQ(list.GetIcon(0), first);
  EXPECT_EQ(list.GetIcon(3), nullptr);

  list.SetFileName(Path("setup.exe"));
  EXPECT_EQ(changes, 1);
  list.resize(200, 60);
  list.show();
  SaveShot(&list, "icon_list");
}

TEST_F(IconListTest, IcoFilesMissingFilesAndOtherFiles) {
  TIcon icon;
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(qRgb(10, 20, 30));
  icon.SetImage(image);
  Write("disc.ico", icon.SaveToBytes());
  Write("notes.txt", "just text, no icons");

  TwpnIconListBox list;
  list.SetFileName(Path("disc.ico"));
  EXPECT_EQ(list.NumberOfIcons(), 1);
  ASSERT_NE(list.GetIcon(0), nullptr);
  EXPECT_EQ(list.GetIcon(0)->Image().pixel(0, 0), qRgb(10, 20, 30));

  list.SetFileName(Path("notes.txt"));
  EXPECT_EQ(list.NumberOfIcons(), 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Enabled());

  list.SetFileName(Path("gone.exe"));
  EXPECT_EQ(list.NumberOfIcons(), -1);
  EXPECT_FALSE(list.Enabled());
  list.SetAutoDisable(false);
  EXPECT_TRUE(list.Enabled());
}

TEST(IconExtract, DamagedProgramsGiveFewerIconsNeverACrash) {
  const QByteArray program = ProgramWithIcons({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  ASSERT_EQ(ExtractIconFiles(program).size(), 2u);
  // Every cut of the file, and every byte of its headers flipped.
  for (qsizetype cut = 0; cut < program.size(); cut += 7) ExtractIconFiles(program.left(cut));
  for (qsizetype at = 0; at < 0x400 && at < program.size(); ++at) {
    QByteArray damaged = program;
    damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
    for (const QByteArray& ico : ExtractIconFiles(damaged)) EXPECT_GE(ico.size(), 22);
  }
}

// ---- drop target ----

std::unique_ptr<QMimeData> Files(const QStringList& paths, const QStringList& other_urls = {}) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& p : paths) urls.push_back(QUrl::fromLocalFile(p));
  for (const QString& u : other_urls) urls.push_back(QUrl(u));
  data->setUrls(urls);
  return data;
}

// A drop as a real drag delivers it: entering, then dropping.
bool Drop(QWidget* widget, const QMimeData* data) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &drop);
  return drop.isAccepted();
}

TEST_F(ExplorerTest, DropTargetReportsDroppedFiles) {
  TWinControl control;
  TExDragDrop target;
  QStringList counts;
  target.OnDropped = [&](TComponent* sender, int count) {
    EXPECT_EQ(sender, &target);
    counts.push_back(QString::number(count));
  };
  target.SetControl(&control);
  EXPECT_TRUE(control.acceptDrops());

  auto two = Files({Path("a.mp3"), Path("b.wav")}, {"https://example.org/x"});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, two.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&control, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_TRUE(Drop(&control, two.get()));
  EXPECT_EQ(target.Items(), (QStringList{Path("a.mp3"), Path("b.wav")}));

  auto one = Files({Path("c.iso")});
  Drop(&control, one.get());
  EXPECT_EQ(target.Items(), QStringList{Path("c.iso")});
  EXPECT_EQ(counts, (QStringList{"2", "1"}));

  // A drag of no files is left to the control.
  auto text = std::make_unique<QMimeData>();
  text->setText("words");
  QDragEnterEvent text_enter(QPoint(5, 5), Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
  text_enter.setAccepted(false);
  QApplication::sendEvent(&control, &text_enter);
  EXPECT_FALSE(text_enter.isAccepted());

  target.SetControl(nullptr);
  EXPECT_FALSE(control.acceptDrops());
  Drop(&control, one.get());
  EXPECT_EQ(counts.size(), 2);
}

TEST_F(ExplorerTest, DropTargetForgetsAControlThatGoes) {
  TExDragDrop target;
  auto control = std::make_unique<TWinControl>();
  target.SetControl(control.get());
  control.reset();
  EXPECT_EQ(target.Control(), nullptr);
  TWinControl other;
  target.SetControl(&other);
  EXPECT_EQ(target.Control(), &other);
}

}  // namespace
