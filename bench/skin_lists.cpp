// The skin library's list box and edit at their largest: a list box with
// 1,000,000 items loaded and paged through from top to bottom, set against
// a QListView over the same strings in the same run, and an edit taking a
// megabyte of text, moving its caret through it by keys and painting, set
// against a QPlainTextEdit doing the same. Each page is painted, in both
// lists. Compare CPU time: it is the work of the controls themselves on a
// shared machine.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>
#include <cstdlib>

#include "platform/gui/Forms.h"
#include "skin/se_edit.h"
#include "skin/se_listbox.h"
#include "skin/se_scrollbar.h"

namespace {

constexpr int kItems = 1000000;
constexpr int kWidth = 200;
constexpr int kHeight = 600;

const QStringList& Strings() {
  static const QStringList strings = [] {
    QStringList s;
    s.reserve(kItems);
    for (int i = 0; i < kItems; ++i) s.append(QStringLiteral("Item number %1").arg(i));
    return s;
  }();
  return strings;
}

// Counts what it paints, so that the figure is known to cover every page.
class CountingListBox : public TSeCustomListBox {
 public:
  using TSeCustomListBox::TSeCustomListBox;
  int painted = 0;

 protected:
  void PaintItems() override {
    ++painted;
    TSeCustomListBox::PaintItems();
  }
};

void SeListBoxLoadAndPage(benchmark::State& state) {
  const QStringList& strings = Strings();
  int pages = 0, painted = 0;
  for (auto _ : state) {
    std::unique_ptr<TForm> form(Create<TForm>(nullptr));
    form->SetBounds(0, 0, kWidth + 20, kHeight + 20);
    auto* list = Create<CountingListBox>(form.get());
    list->SetParent(form.get());
    list->SetBounds(0, 0, kWidth, kHeight);
    form->Show();
    list->SetItems(strings);
    QApplication::processEvents();
    TSeCustomScrollBar* bar = list->ScrollBar();
    pages = 0;
    for (int pos = 0;; pos += bar->PageSize()) {
      bar->SetPosition(pos);
      list->repaint();
      ++pages;
      if (pos >= bar->Max() - bar->PageSize() + 1) break;
    }
    painted = list->painted;
  }
  state.counters["pages"] = pages;
  state.counters["painted"] = painted;
}

void QListViewLoadAndPage(benchmark::State& state) {
  const QStringList& strings = Strings();
  int pages = 0;
  for (auto _ : state) {
    QListView view;
    view.setUniformItemSizes(true);
    view.resize(kWidth, kHeight);
    view.show();
    QStringListModel model;
    model.setStringList(strings);
    view.setModel(&model);
    QApplication::processEvents();  // the view lays its items out later
    QScrollBar* bar = view.verticalScrollBar();
    pages = 0;
    for (int pos = 0;; pos += bar->pageStep()) {
      bar->setValue(pos);
      view.viewport()->repaint();
      ++pages;
      if (pos >= bar->maximum()) break;
    }
  }
  state.counters["pages"] = pages;
}

// A megabyte of words on one line.
const QString& Megabyte() {
  static const QString text = [] {
    QString t;
    t.reserve(1 << 20);
    while (t.size() < (1 << 20)) t += QStringLiteral("burn the disc ");
    t.truncate(1 << 20);
    return t;
  }();
  return text;
}

// The caret's journey both edits make: to the end, back by characters and
// words, home, forward by characters and words.
void MoveCaret(QWidget* w) {
  QTest::keyClick(w, Qt::Key_End);
  for (int i = 0; i < 100; ++i) QTest::keyClick(w, Qt::Key_Left);
  for (int i = 0; i < 50; ++i) QTest::keyClick(w, Qt::Key_Left, Qt::ControlModifier);
  QTest::keyClick(w, Qt::Key_Home);
  for (int i = 0; i < 100; ++i) QTest::keyClick(w, Qt::Key_Right);
  for (int i = 0; i < 50; ++i) QTest::keyClick(w, Qt::Key_Right, Qt::ControlModifier);
}

void SeEditMegabyte(benchmark::State& state) {
  const QString& text = Megabyte();
  for (auto _ : state) {
    std::unique_ptr<TForm> form(Create<TForm>(nullptr));
    auto* edit = Create<TSeCustomEdit>(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(0, 0, 200, 21);
    form->Show();
    edit->SetText(text);
    edit->repaint();
    MoveCaret(edit);
    edit->TypeChar(QLatin1Char('y'));
    edit->repaint();
    benchmark::DoNotOptimize(edit->CaretIndex());
  }
}

void QPlainTextEditMegabyte(benchmark::State& state) {
  const QString& text = Megabyte();
  for (auto _ : state) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(200, 21);
    edit.show();
    edit.setPlainText(text);
    edit.viewport()->repaint();
    MoveCaret(&edit);
    QTest::keyClick(&edit, Qt::Key_Y);
    edit.viewport()->repaint();
    benchmark::DoNotOptimize(edit.textCursor().position());
  }
}

BENCHMARK(SeListBoxLoadAndPage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(QListViewLoadAndPage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SeEditMegabyte)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(QPlainTextEditMegabyte)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
