// The edit's text model without a window: typing, deleting, the undo runs,
// selection by keys and mouse, words, the clipboard, limits, case and the
// pixel mapping, on a line of fixed-width characters.

#include <gtest/gtest.h>

#include "platform/gui/Clipboard.h"
#include "skin/se_editcore.h"

namespace {

// Every character 6 pixels wide ("W" 10), a line from x 3 to 63.
struct Host : TSeEditHost {
  TRect line{3, 3, 63, 16};
  int changes = 0;
  bool refuse = false;
  bool CanChangeText(const QString&) override { return !refuse; }
  void Change() override { ++changes; }
  TRect EditRect() const override { return line; }
  int MeasureText(const QString& text) override {
    int w = 0;
    for (QChar c : text) w += c == QLatin1Char('W') ? 10 : 6;
    return w;
  }
  int PasswordCharWidth() override { return 8; }
};

struct Edit {
  Host host;
  TSeEditCore core{host};
  FakeClipboard clipboard;
  ScopedService<ClipboardService> scope{clipboard};

  void Keys(std::initializer_list<std::pair<int, Qt::KeyboardModifiers>> keys) {
    for (auto [key, mods] : keys) core.KeyDown(key, mods);
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { core.KeyDown(key, mods); }
  void Type(const QString& s) {
    for (QChar c : s) core.KeyPress(QString(c));
  }
};

constexpr Qt::KeyboardModifiers None = Qt::NoModifier;
constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;

}  // namespace

TEST(SeEditCore, OneUndoRevertsOneTypingRunOrOneDeletionRun) {
  Edit e;
  e.Type("abc");
  EXPECT_EQ(e.core.Text(), "abc");
  e.Key(Qt::Key_Z, Ctrl);
  EXPECT_EQ(e.core.Text(), "");

  e.Type("abc");
  e.Keys({{Qt::Key_Backspace, None}, {Qt::Key_Backspace, None}, {Qt::Key_Backspace, None}});
  EXPECT_EQ(e.core.Text(), "");
  e.Key(Qt::Key_Z, Ctrl);
  EXPECT_EQ(e.core.Text(), "abc");
  EXPECT_EQ(e.core.SelText(), "abc");  // restored selected

  // Forward deletes at one place merge too.
  Edit f;
  f.core.SetText("abcd");
  f.core.SetCaretIndex(1);
  f.Keys({{Qt::Key_Delete, None}, {Qt::Key_Delete, None}});
  EXPECT_EQ(f.core.Text(), "ad");
  EXPECT_EQ(f.core.UndoStack().Count(), 1);
  f.Key(Qt::Key_Z, Ctrl);
  EXPECT_EQ(f.core.Text(), "abcd");
  EXPECT_EQ(f.core.SelText(), "bc");
  EXPECT_FALSE(f.core.Undo());  // nothing left
}

TEST(SeEditCore, UndoOfAReplacementRestoresTheSelectionInOneStep) {
  Edit e;
  e.core.SetText("abcd");
  e.core.SetCaretIndex(1);
  e.Keys({{Qt::Key_Right, Shift}, {Qt::Key_Right, Shift}});
  ASSERT_EQ(e.core.SelText(), "bc");
  e.Type("x");
  EXPECT_EQ(e.core.Text(), "axd");
  e.Key(Qt::Key_Z, Ctrl);
  EXPECT_EQ(e.core.Text(), "abcd");
  EXPECT_EQ(e.core.SelText(), "bc");
  EXPECT_EQ(e.core.SelStart(), 1);
}

TEST(SeEditCore, EditsThatChangeNothingRecordNothing) {
  Edit e;
  e.core.SetText("ab");
  e.core.SetCaretIndex(2);
  e.Key(Qt::Key_Delete);  // at the end
  e.core.SetCaretIndex(0);
  e.Key(Qt::Key_Backspace);  // at the start
  EXPECT_EQ(e.core.Text(), "ab");
  EXPECT_FALSE(e.core.CanUndo());

  // A full edit refuses typing and pasting whole, and records nothing.
  Edit full;
  full.core.SetMaxLength(3);
  full.Type("abc");
  full.Type("d");
  EXPECT_EQ(full.core.Text(), "abc");
  full.core.SetText("ab");
  full.clipboard.SetText("xyz");
  full.core.SetCaretIndex(2);
  full.Key(Qt::Key_V, Ctrl);
  EXPECT_EQ(full.core.Text(), "ab");
  EXPECT_FALSE(full.core.CanUndo());

  Edit readOnly;
  readOnly.core.SetText("ab");
  readOnly.core.SetReadOnly(true);
  readOnly.Type("x");
  readOnly.core.SelectAll();
  readOnly.Key(Qt::Key_Delete);
  EXPECT_EQ(readOnly.core.Text(), "ab");
}

TEST(SeEditCore, TextSetFromCodeDropsTheUndoHistory) {
  Edit e;
  e.Type("hello");
  e.core.SetText("x");
  EXPECT_FALSE(e.core.Undo());
  EXPECT_EQ(e.core.Text(), "x");
}

TEST(SeEditCore, KeysMoveAndExtendTheSelection) {
  struct Case {
    const char* name;
    int caret;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
    int selStart, selLength, caretAfter;
  };
  const Case cases[] = {
      {"shift right twice", 1, {{Qt::Key_Right, Shift}, {Qt::Key_Right, Shift}}, 1, 2, 3},
      {"shift left past the anchor", 2, {{Qt::Key_Right, Shift}, {Qt::Key_Left, Shift}, {Qt::Key_Left, Shift}}, 1, 1, 1},
      {"plain arrow ends it", 1, {{Qt::Key_Right, Shift}, {Qt::Key_Right, None}}, 3, 0, 3},
      {"shift end", 2, {{Qt::Key_End, Shift}}, 2, 9, 11},
      {"shift home", 5, {{Qt::Key_Home, Shift}}, 0, 5, 0},
      {"ctrl right to the next word", 0, {{Qt::Key_Right, Ctrl}}, 4, 0, 4},
      {"ctrl right inside the last word", 8, {{Qt::Key_Right, Ctrl}}, 11, 0, 11},
      {"ctrl left to the word start", 6, {{Qt::Key_Left, Ctrl}}, 4, 0, 4},
      {"ctrl shift left selects the word", 7, {{Qt::Key_Left, Ctrl | Shift}}, 4, 3, 4},
      {"left at 0 stays", 0, {{Qt::Key_Left, None}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Edit e;
    e.core.SetText("one two six");
    e.core.SetCaretIndex(c.caret);
    for (auto [key, mods] : c.keys) e.Key(key, mods);
    EXPECT_EQ(e.core.SelStart(), c.selStart) << c.name;
    EXPECT_EQ(e.core.SelLength(), c.selLength) << c.name;
    EXPECT_EQ(e.core.CaretIndex(), c.caretAfter) << c.name;
  }
}

TEST(SeEditCore, WordsAreSeparatedBySpacesOnly) {
  Edit e;
  e.core.SetText("ab  cd.ef gh");
  EXPECT_EQ(e.core.NextWordPos(0), 4);
  EXPECT_EQ(e.core.NextWordPos(4), 10);  // "." is no separator
  EXPECT_EQ(e.core.NextWordPos(10), 12);
  EXPECT_EQ(e.core.PrevWordPos(12), 10);
  EXPECT_EQ(e.core.PrevWordPos(10), 4);
  EXPECT_EQ(e.core.PrevWordPos(3), 0);
  e.core.SetCaretIndex(5);
  e.core.DoubleClick();
  EXPECT_EQ(e.core.SelText(), "cd.ef ");
}

TEST(SeEditCore, ClipboardCopiesCutsAndPastesButNeverShowsAPassword) {
  Edit e;
  e.core.SetText("secret");
  e.core.SelectAll();
  e.Key(Qt::Key_C, Ctrl);
  EXPECT_EQ(e.clipboard.Text(), "secret");
  e.Key(Qt::Key_End);
  e.Key(Qt::Key_Insert, Shift);
  EXPECT_EQ(e.core.Text(), "secretsecret");
  e.core.SetSelStart(0);
  e.core.SetSelLength(3);
  e.Key(Qt::Key_Delete, Shift);  // Shift+Delete cuts
  EXPECT_EQ(e.core.Text(), "retsecret");
  EXPECT_EQ(e.clipboard.Text(), "sec");

  Edit p;
  p.core.SetPasswordKind(pkCircle);
  p.core.SetText("pw");
  p.clipboard.SetText("kept");
  p.core.SelectAll();
  p.Key(Qt::Key_C, Ctrl);
  EXPECT_EQ(p.clipboard.Text(), "kept");
  p.Key(Qt::Key_X, Ctrl);
  EXPECT_EQ(p.core.Text(), "");
  EXPECT_EQ(p.clipboard.Text(), "kept");
}

TEST(SeEditCore, CaseConversionKeepsEveryCharacter) {
  Edit e;
  e.core.SetCharCase(ecUpperCase);
  e.core.SetText(QString::fromUtf8("straße καλημέρα Привет 😀"));
  EXPECT_EQ(e.core.Text(), QString::fromUtf8("STRASSE ΚΑΛΗΜΈΡΑ ПРИВЕТ 😀"));
  e.core.SetCharCase(ecLowerCase);
  EXPECT_EQ(e.core.Text(), QString::fromUtf8("strasse καλημέρα привет 😀"));
  // Typed text is converted before it is recorded, so undo removes it all.
  e.core.SetCharCase(ecUpperCase);
  e.core.SetCaretIndex(e.core.Length());
  e.Type(QString::fromUtf8("ß"));
  EXPECT_TRUE(e.core.Text().endsWith("SS"));
  e.core.Undo();
  EXPECT_TRUE(e.core.Text().endsWith(QString::fromUtf8("😀")));
}

TEST(SeEditCore, SurrogatePairsAreNeverSplit) {
  Edit e;
  e.core.SetText(QString::fromUtf8("a😀b"));
  e.core.SetCaretIndex(1);
  e.Key(Qt::Key_Right);
  EXPECT_EQ(e.core.CaretIndex(), 3);
  e.Key(Qt::Key_Backspace);
  EXPECT_EQ(e.core.Text(), "ab");
  e.core.Undo();
  EXPECT_EQ(e.core.Text(), QString::fromUtf8("a😀b"));
}

TEST(SeEditCore, PixelsMapToCaretPositions) {
  Edit e;
  e.core.SetText("abcd");
  EXPECT_EQ(e.core.CharToX(0), 3);
  EXPECT_EQ(e.core.CharToX(2), 15);
  EXPECT_EQ(e.core.CharFromX(3 + 2), 0);   // left of the first middle
  EXPECT_EQ(e.core.CharFromX(3 + 3), 1);   // on it
  EXPECT_EQ(e.core.CharFromX(3 + 14), 2);
  EXPECT_EQ(e.core.CharFromX(60), 4);      // past the end
  e.core.SetAlignment(taRightJustify);
  EXPECT_EQ(e.core.CharToX(0), 63 - 24);
  EXPECT_EQ(e.core.CharFromX(63 - 24 + 3), 1);
  e.core.SetAlignment(taCenter);
  EXPECT_EQ(e.core.CharToX(0), 3 + 18);
  e.core.SetAlignment(taLeftJustify);
  e.core.SetPasswordKind(pkRect);
  EXPECT_EQ(e.core.CharToX(3), 3 + 24);
  EXPECT_EQ(e.core.CharFromX(3 + 17), 2);

  // A click puts the caret at the click, a drag selects.
  Edit m;
  m.core.SetText("abcd");
  m.core.MouseDown(3 + 7, true);
  m.core.MouseMove(3 + 19);
  m.core.MouseUp();
  EXPECT_EQ(m.core.SelText(), "bc");
}

TEST(SeEditCore, TheViewScrollsToTheCaret) {
  Edit e;
  e.core.SetText(QString(20, 'x'));  // 120 pixels on a 60-pixel line
  e.Key(Qt::Key_End);
  EXPECT_EQ(e.core.FirstVisible(), 11);
  EXPECT_EQ(e.core.CharToX(20), 63);
  EXPECT_EQ(e.core.VisibleText().size(), 10);
  e.Key(Qt::Key_Home);
  EXPECT_EQ(e.core.FirstVisible(), 1);
  // A drag held right of the line scrolls one character a move.
  e.core.MouseDown(62, true);
  const int first = e.core.FirstVisible();
  e.core.MouseMove(80);
  e.core.MouseMove(80);
  EXPECT_EQ(e.core.FirstVisible(), first + 2);
}

TEST(SeEditCore, AMegabyteOfTextIsTakenAndEdited) {
  Edit e;
  const QString big(1 << 20, 'q');
  e.core.SetText(big);
  e.core.SelectAll();
  EXPECT_EQ(e.core.SelLength(), 1 << 20);
  EXPECT_LE(e.core.VisibleSelText().size(), 12);
  e.Key(Qt::Key_End);
  e.Type("z");
  EXPECT_EQ(e.core.Length(), (1 << 20) + 1);
  EXPECT_LT(e.core.SelectionRect().Width(), 61);
  e.core.Undo();
  EXPECT_EQ(e.core.Length(), 1 << 20);
}

TEST(SeEditCore, AVetoedChangeRecordsNothing) {
  Edit e;
  e.core.SetText("ab");
  e.host.refuse = true;
  e.core.SetCaretIndex(2);
  e.Type("c");
  e.Key(Qt::Key_Backspace);
  EXPECT_EQ(e.core.Text(), "ab");
  EXPECT_FALSE(e.core.CanUndo());
  EXPECT_EQ(e.host.changes, 1);
}
