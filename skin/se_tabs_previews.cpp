// Preview windows of the tab and page controls, the track bar and the tool
// bar: "skin-tabs" and "skin-toolbar" in the plain look, and one of each per
// shipped skin ("skin-tabs-devoir", ...), drawn by the skinned wrappers.

#include <QDir>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_binding_bars.h"
#include "skin/se_binding_tabs.h"
#include "skin/se_engine.h"
#include "skin/se_skinsource.h"
#include "skin/se_tabsheets.h"

// The plain controls the previews put on the skinned ones
// (se_tabs_preview_parts.cpp: their headers and the skin's cannot meet).
void AddPreviewLabel(TWinControl* parent, const TRect& bounds, const QString& caption);
void AddPreviewButtons(TWinControl* bar, int buttons);

namespace {

std::unique_ptr<TCustomForm> NewForm(const QString& caption, int width, int height) {
  auto form = CreateUnique<TForm>();
  form->SetCaption(caption);
  form->SetBorderStyle(bsSingle);
  form->SetBounds(0, 0, width, height);
  form->SetColor(clBtnFace);
  return form;
}

// The engine of a skinned preview, owned by its form; null for the plain
// look.
TSeSkinEngine* EngineFor(TCustomForm* form, const QString& skin) {
  if (skin.isEmpty()) return nullptr;
  auto* engine = Create<TSeSkinEngine>(form);
  engine->SetSkinFile(se::ProgramFolder() + "Skins/" + skin.toStdString() + ".mskn");
  return engine;
}

template <class T>
T* Place(TWinControl* parent, TSeSkinEngine* engine, int left, int top, int width, int height) {
  auto* control = Create<T>(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  if (engine) control->SetSkinEngine(engine);
  return control;
}

std::unique_ptr<TCustomForm> MakeTabsForm(const QString& skin) {
  auto form = NewForm(skin.isEmpty() ? "Tabs" : "Tabs - " + skin, 620, 430);
  TSeSkinEngine* engine = EngineFor(form.get(), skin);

  // The options window's page control: five pages, the second current.
  auto* pages = Place<TSeSkinPageControl>(form.get(), engine, 8, 8, 330, 190);
  const char* captions[] = {"&General", "&Burning", "&Schedule", "S&ound", "&Interface && Skins"};
  for (const char* caption : captions) {
    auto* page = Create<TSeCustomTabSheet>(form.get());
    page->SetCaption(caption);
    page->SetTabControl(pages);
  }
  pages->SetActivePageIndex(1);
  AddPreviewLabel(pages->GetPage(1), Bounds(10, 10, 200, 16), "Write speed and burn options");
  auto* bar = Place<TSeSkinTrackBar>(pages->GetPage(1), engine, 10, 40, 200, 45);
  bar->SetMin(0);
  bar->SetMax(20);
  bar->SetFrequency(2);
  bar->SetPosition(8);
  bar->SetIntervalHighlightType(htLowInterval);

  // One scrolling row, scrolled by one tab, the hot tab beside the current.
  auto* row = Place<TSeSkinTabControl>(form.get(), engine, 346, 8, 266, 90);
  row->SetTabs({"First", "Second", "Third", "Fourth", "Fifth", "Sixth"});
  row->SetTabIndex(2);
  row->ScrollTabs(1);

  // Three rows.
  auto* rows = Place<TSeSkinTabControl>(form.get(), engine, 346, 106, 266, 130);
  rows->SetMultiLine(true);
  rows->SetTabs({"Data", "Audio", "Video", "Image", "Copy", "Erase", "Verify", "Schedule", "Log"});
  rows->SetTabIndex(4);

  // Tabs at the bottom, on the left and on the right.
  auto* bottom = Place<TSeSkinTabControl>(form.get(), engine, 8, 206, 200, 100);
  bottom->SetTabPosition(tpBottom);
  bottom->SetTabs({"Files", "Folders", "Disc"});
  bottom->SetTabIndex(0);
  auto* left = Place<TSeSkinTabControl>(form.get(), engine, 216, 244, 190, 120);
  left->SetTabPosition(tpLeft);
  left->SetTabs({"One", "Two", "Three"});
  left->SetTabIndex(1);
  auto* right = Place<TSeSkinTabControl>(form.get(), engine, 414, 244, 198, 120);
  right->SetTabPosition(tpRight);
  right->SetTabs({"One", "Two"});
  right->SetTabIndex(0);

  // Track bars: vertical, ticks on both sides, disabled.
  auto* vertical = Place<TSeSkinTrackBar>(form.get(), engine, 8, 314, 45, 108);
  vertical->SetOrientation(toVertical);
  vertical->SetPosition(4);
  auto* both = Place<TSeSkinTrackBar>(form.get(), engine, 60, 314, 150, 45);
  both->SetTickMarks(tmBoth);
  both->SetPosition(6);
  auto* disabled = Place<TSeSkinTrackBar>(form.get(), engine, 60, 366, 150, 45);
  disabled->SetEnabled(false);
  return form;
}

std::unique_ptr<TCustomForm> MakeToolBarForm(const QString& skin) {
  auto form = NewForm(skin.isEmpty() ? "Tool bars" : "Tool bars - " + skin, 420, 200);
  TSeSkinEngine* engine = EngineFor(form.get(), skin);
  // The main window's bar: 42 high, buttons 38 square, a chevron at its end.
  auto* main = Place<TSeSkinToolBar>(form.get(), engine, 8, 8, 300, 42);
  AddPreviewButtons(main, 4);
  auto* small = Place<TSeSkinToolBar>(form.get(), engine, 8, 58, 300, 29);
  small->SetDividerWidth(4);
  AddPreviewButtons(small, 6);
  auto* fixed = Place<TSeSkinToolBar>(form.get(), engine, 8, 95, 300, 29);
  fixed->SetButtonAutoSize(false);
  AddPreviewButtons(fixed, 3);
  auto* upright = Place<TSeSkinToolBar>(form.get(), engine, 330, 8, 34, 180);
  AddPreviewButtons(upright, 4);
  return form;
}

}  // namespace

void RegisterTabsPreviewWindows() {
  RegisterPreviewWindow("skin-tabs", [] { return MakeTabsForm({}); });
  RegisterPreviewWindow("skin-toolbar", [] { return MakeToolBarForm({}); });
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString name = file.chopped(5);
    RegisterPreviewWindow("skin-tabs-" + name, [name] { return MakeTabsForm(name); });
    RegisterPreviewWindow("skin-toolbar-" + name, [name] { return MakeToolBarForm(name); });
  }
}
