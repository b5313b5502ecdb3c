#include "platform/gui/Dialogs.h"

#include <gtest/gtest.h>

#include <QPrinter>

TEST(Dialogs, FilterSyntaxOfTheHost) {
  struct Case {
    QString filter;
    std::vector<std::pair<QString, QStringList>> parsed;
  };
  const Case cases[] = {
      {".ISO File (*.iso)|*.iso", {{".ISO File (*.iso)", {"*.iso"}}}},
      {"*.ico ; *.bmp|*.ico;*.bmp", {{"*.ico ; *.bmp", {"*.ico", "*.bmp"}}}},
      {"EXE Files (*.exe)|*.exe|All Files (*.*)|*.*",
       {{"EXE Files (*.exe)", {"*.exe"}}, {"All Files (*.*)", {"*.*"}}}},
      {"All|*.MP3; *.WAV;;|WAV|*.wav", {{"All", {"*.MP3", "*.WAV"}}, {"WAV", {"*.wav"}}}},
      {"Odd one out", {{"Odd one out", {"*"}}}},  // no pattern: everything
      {"", {}},
  };
  for (const Case& c : cases) {
    auto filters = ParseFileFilter(c.filter);
    ASSERT_EQ(filters.size(), c.parsed.size()) << c.filter.toStdString();
    for (std::size_t i = 0; i < filters.size(); ++i) {
      EXPECT_EQ(filters[i].description, c.parsed[i].first);
      EXPECT_EQ(filters[i].patterns, c.parsed[i].second);
    }
  }
  // Qt reads patterns from the last parentheses: ours must come last and
  // be the only ones.
  EXPECT_EQ(QtNameFilters(ParseFileFilter("EXE Files (*.exe)|*.exe|All Files (*.*)|*.*")),
            (QStringList{"EXE Files [*.exe] (*.exe)", "All Files [*.*] (*)"}));
  EXPECT_EQ(ApplyDefaultExtension("/tmp/log", "rtf"), "/tmp/log.rtf");
  EXPECT_EQ(ApplyDefaultExtension("/tmp/log.txt", "rtf"), "/tmp/log.txt");
  EXPECT_EQ(ApplyDefaultExtension("/tmp/my.dir/log", ".txt"), "/tmp/my.dir/log.txt");
}

TEST(Dialogs, MessageBoxFlagsBecomeTheRequestAndTheAnswerComesBack) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  struct Case {
    unsigned flags;
    std::vector<TModalResult> buttons;
    TModalResult default_button;
    MessageIcon icon;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONINFORMATION, {mrOk}, mrOk, MessageIcon::Information},
      {MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, {mrYes, mrNo}, mrNo, MessageIcon::Warning},
      {MB_RETRYCANCEL | MB_ICONEXCLAMATION, {mrRetry, mrCancel}, mrRetry, MessageIcon::Warning},
      {MB_YESNOCANCEL | MB_ICONQUESTION, {mrYes, mrNo, mrCancel}, mrYes, MessageIcon::Question},
      {MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_DEFBUTTON3,
       {mrAbort, mrRetry, mrIgnore},
       mrIgnore,
       MessageIcon::Error},
      {MB_OKCANCEL | MB_DEFBUTTON3, {mrOk, mrCancel}, mrOk, MessageIcon::None},  // no third button
  };
  for (const Case& c : cases) dialogs.AnswerMessage(c.buttons.back());
  for (const Case& c : cases) EXPECT_EQ(MessageBox("text", "caption", c.flags), c.buttons.back());
  ASSERT_EQ(dialogs.Calls().size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const MessageRequest& r = dialogs.Calls()[i].message;
    EXPECT_EQ(r.buttons, cases[i].buttons) << i;
    EXPECT_EQ(r.default_button, cases[i].default_button) << i;
    EXPECT_EQ(r.icon, cases[i].icon) << i;
  }
  // Nobody scripted an answer: recorded, and a Yes/No box reads as No, never Yes.
  EXPECT_EQ(MessageBox("All Data on the CD will be lost", "Want to Quick Erase the Disc ?", MB_YESNO), IDNO);
  EXPECT_EQ(dialogs.Unanswered(), 1);
}

TEST(Dialogs, ShowMessageInputBoxAndMessageDlg) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  dialogs.AnswerMessage(mrOk);
  ShowMessage("Abort by user");
  dialogs.AnswerInput(QString("New Folder 2"));
  EXPECT_EQ(InputBox("New folder", "Name:", "New Folder"), "New Folder 2");
  dialogs.AnswerInput(std::nullopt);
  EXPECT_EQ(InputBox("New folder", "Name:", "New Folder"), "New Folder");  // cancelled: the default
  dialogs.AnswerMessage(mrNo);
  EXPECT_EQ(MessageDlg("Replace?", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbNo, TMsgDlgBtn::mbYes}), mrNo);
  ASSERT_EQ(dialogs.Calls().size(), 4u);
  EXPECT_EQ(dialogs.Calls()[0].message.text, "Abort by user");
  EXPECT_EQ(dialogs.Calls()[1].input.prompt, "Name:");
  EXPECT_EQ(dialogs.Calls()[1].input.value, "New Folder");
  EXPECT_EQ(dialogs.Calls()[3].message.buttons, (std::vector<TModalResult>{mrYes, mrNo}));
  EXPECT_EQ(dialogs.Calls()[3].message.icon, MessageIcon::Question);
  QString folder = "/start";
  dialogs.AnswerFolder(QString("/data/photos"));
  EXPECT_TRUE(SelectDirectory("Choose", "", folder));
  EXPECT_EQ(folder, "/data/photos");
  EXPECT_FALSE(SelectDirectory("Choose", "", folder));  // unanswered: cancelled
  EXPECT_EQ(folder, "/data/photos");
}

TEST(Dialogs, SaveDialogFollowsTheFilterChosenWhileOpen) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  TSaveDialog save;
  save.Filter = "Rich Text File (*.rtf)|*.rtf|TXT File (*.txt)|*.txt";
  save.DefaultExt = "rtf";
  // The log's save dialog: the chosen filter sets the default extension.
  save.OnTypeChange = [&](TComponent*) { save.DefaultExt = save.FilterIndex == 1 ? "rtf" : "txt"; };
  dialogs.AnswerFile({"/tmp/burn log"}, 2);
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "/tmp/burn log.txt");
  EXPECT_EQ(save.FilterIndex, 2);
  const FileDialogRequest& asked = dialogs.Calls()[0].file;
  EXPECT_EQ(asked.kind, FileDialogKind::Save);
  EXPECT_EQ(asked.filter, save.Filter);
  EXPECT_TRUE(asked.overwrite_prompt);

  TOpenPictureDialog open;
  open.AllowMultiSelect = true;
  dialogs.AnswerFile({"/a.bmp", "/b.bmp"});
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(open.Files, (QStringList{"/a.bmp", "/b.bmp"}));
  EXPECT_EQ(open.FileName, "/a.bmp");
  EXPECT_EQ(dialogs.Calls()[1].file.kind, FileDialogKind::OpenPicture);
  dialogs.AnswerFile({});
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName, "/a.bmp");  // a cancel keeps the last choice

  TColorDialog color;
  dialogs.AnswerColor(QColor(1, 2, 3));
  ASSERT_TRUE(color.Execute());
  EXPECT_EQ(color.Color, RGB(1, 2, 3));
  TPrintDialog print;
  TPrinterSetupDialog setup;
  dialogs.AnswerPrinterSetup(true);
  dialogs.AnswerPrint(false);
  EXPECT_TRUE(setup.Execute());
  EXPECT_FALSE(print.Execute());
  EXPECT_EQ(dialogs.Leftover(), 0u);
  EXPECT_EQ(dialogs.Unanswered(), 0);
}
