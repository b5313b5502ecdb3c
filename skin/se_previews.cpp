#include "skin/se_previews.h"

#include <QString>
#include <QTimer>

#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Preview.h"
#include "skin/se_controls.h"
#include "skin/se_form.h"
#include "skin/se_menubar.h"
#include "skin/se_popupmenu.h"
#include "skin/se_drawing.h"
#include "skin/se_overlayscroll.h"
#include "skin/se_scrollbar.h"
#include "skin/se_trackbar.h"

namespace {

// A control of the bases that shows its settings as its caption.
class SampleControl : public TSeCustomControl {
 public:
  using TSeCustomControl::TSeCustomControl;

 protected:
  void PaintBackground() override {
    TSeCustomControl::PaintBackground();
    TRect r = GetBorderClientRect();
    Canvas()->Font().Assign(PaintFont());
    se::DrawWideText(*Canvas(), Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
};

// A form in the program's own frame with a menu bar; with `open`, the
// bar's first menu stands open (shown without its loop, so the preview can
// take its picture).
std::unique_ptr<TCustomForm> MakeFramedForm(bool open) {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skinned frame");
  form->SetBounds(0, 0, 360, 240);
  form->SetColor(clBtnFace);
  auto* frame = Create<TSeCustomForm>(form.get());
  frame->SetBorderIcons(kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize | kbiRollup | kbiTray | kbiHelp);
  auto* bar = Create<TSeCustomMenuBar>(form.get());
  bar->SetParent(form.get());
  bar->SetAlign(alTop);
  TSeCustomItem* file = FillPreviewMenu(bar->Items(), false);
  auto* label = Create<TLabel>(form.get());
  label->SetParent(form.get());
  label->SetBounds(12, 40, 300, 20);
  label->SetCaption("The client area starts inside the frame.");
  if (open) {
    TForm* owner = form.get();
    QTimer::singleShot(0, owner, [owner, bar, file] {
      OpenPreviewMenu(owner, bar, file)->ShowPopup();
    });
  }
  return form;
}

std::unique_ptr<TCustomForm> MakeControlsForm() {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skin control bases");
  form->SetBounds(0, 0, 420, 250);
  form->SetColor(clBtnFace);
  const struct {
    TSeBevelKind kind;
    TSeBevelCut inner;
    TSeBevelCut outer;
    int border;
    const char* text;
  } samples[] = {
      {kbkNone, kbvLowered, kbvLowered, 0, "Lowered"},  {kbkNone, kbvRaised, kbvRaised, 0, "Raised"},
      {kbkNone, kbvLowered, kbvRaised, 2, "Raised/lowered, border 2"}, {kbkBorder, kbvNone, kbvNone, 0, "Border"},
      {kbkFlat, kbvNone, kbvNone, 0, "Flat"},
  };
  int y = 10;
  for (const auto& s : samples) {
    auto* c = Create<SampleControl>(form.get());
    c->SetParent(form.get());
    c->SetBounds(10, y, 190, 30);
    c->SetColor(clWindow);
    c->SetBevelWidth(1);
    if (s.kind != kbkNone) {
      c->SetBevelKind(s.kind);
    } else {
      c->SetBevelInner(s.inner);
      c->SetBevelOuter(s.outer);
    }
    c->SetBorderWidth(s.border);
    c->SetCaption(s.text);
    y += 40;
  }
  // A panel with a striped background, and controls over it that are
  // transparent or blended.
  auto* back = Create<SampleControl>(form.get());
  back->SetParent(form.get());
  back->SetBounds(215, 10, 190, 190);
  back->SetColor(RGB(0x33, 0x66, 0x99));
  back->SetBevelWidth(1);
  back->SetPerformance(tbpSharedBuffer);
  auto* transparent = Create<SampleControl>(form.get());
  transparent->SetParent(back);
  transparent->SetBounds(10, 20, 170, 40);
  transparent->SetTransparent(true);
  transparent->Font()->SetColor(clWhite);
  transparent->SetCaption("Transparent");
  transparent->SetBevelWidth(1);
  transparent->SetBevelInner(kbvNone);
  transparent->SetBevelOuter(kbvRaised);
  auto* blended = Create<SampleControl>(form.get());
  blended->SetParent(back);
  blended->SetBounds(10, 80, 170, 40);
  blended->SetColor(clYellow);
  blended->Blending()->SetValue(140);
  blended->Blending()->SetEnabled(true);
  blended->SetCaption("Blended 140");
  auto* shared = Create<SampleControl>(form.get());
  shared->SetParent(back);
  shared->SetBounds(10, 140, 170, 40);
  shared->SetColor(clCream);
  shared->SetPerformance(tbpSharedBuffer);
  shared->SetBorderWidth(1);
  shared->SetCaption("Shared buffer");
  return form;
}

std::unique_ptr<TCustomForm> MakeScrollBarForm() {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skin scroll bars");
  form->SetBounds(0, 0, 300, 230);
  form->SetColor(clBtnFace);
  auto add = [&](TScrollBarKind kind, int x, int y, int w, int h) {
    auto* bar = Create<TSeCustomScrollBar>(form.get());
    bar->SetParent(form.get());
    bar->SetKind(kind);
    bar->SetBounds(x, y, w, h);
    return bar;
  };
  add(sbHorizontal, 10, 10, 220, 18)->SetPosition(30);
  auto* paged = add(sbHorizontal, 10, 40, 220, 18);
  paged->SetPageSize(40);
  paged->SetPosition(61);
  auto* disabled = add(sbHorizontal, 10, 70, 220, 18);
  disabled->SetEnabled(false);
  auto* bare = add(sbHorizontal, 10, 100, 220, 16);
  bare->SetBorderWidth(0);
  bare->SetShowButtons(false);
  bare->SetPageSize(20);
  bare->SetPosition(50);
  add(sbHorizontal, 10, 130, 24, 18);  // too short for its buttons
  add(sbVertical, 245, 10, 18, 200)->SetPosition(50);
  auto* vpaged = add(sbVertical, 268, 10, 18, 200);
  vpaged->SetPageSize(50);
  return form;
}

std::unique_ptr<TCustomForm> MakeTrackBarForm() {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skin track bars");
  form->SetBounds(0, 0, 330, 230);
  form->SetColor(clBtnFace);
  const struct {
    TTickMark ticks;
    TIntervalHighlightType highlight;
    int position;
  } rows[] = {{tmBottomRight, htNone, 6}, {tmTopLeft, htLowInterval, 30}, {tmBoth, htHighInterval, 44}};
  int y = 10;
  for (const auto& row : rows) {
    auto* bar = Create<TSeCustomTrackBar>(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, y, 249, 45);
    bar->SetMin(1);
    bar->SetMax(50);
    bar->SetFrequency(5);
    bar->SetTickMarks(row.ticks);
    bar->SetIntervalHighlightType(row.highlight);
    bar->SetPosition(row.position);
    y += 50;
  }
  auto* disabled = Create<TSeCustomTrackBar>(form.get());
  disabled->SetParent(form.get());
  disabled->SetBounds(10, y, 249, 31);
  disabled->SetEnabled(false);
  auto* vertical = Create<TSeCustomTrackBar>(form.get());
  vertical->SetParent(form.get());
  vertical->SetOrientation(toVertical);
  vertical->SetBounds(270, 10, 45, 200);
  vertical->SetPosition(7);
  return form;
}

std::unique_ptr<TCustomForm> MakeOverlayForm() {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skin overlay scroll bars");
  form->SetBounds(0, 0, 600, 230);
  form->SetColor(clBtnFace);
  auto* memo = Create<TSeCustomMemo>(form.get());
  memo->SetParent(form.get());
  memo->SetBounds(10, 10, 190, 170);
  memo->SetScrollBars(ssBoth);
  memo->SetWordWrap(false);
  QString text;
  for (int i = 1; i <= 60; ++i) text += QString("Line %1 of a memo with overlay scroll bars\n").arg(i);
  memo->SetText(text);
  auto* list = Create<TSeCustomListView>(form.get());
  list->SetParent(form.get());
  list->SetBounds(210, 10, 200, 170);
  list->SetViewStyle(vsList);
  for (int i = 1; i <= 80; ++i) list->Items()->Add()->SetCaption(QString("Item %1").arg(i));
  auto* tree = Create<TSeCustomTreeView>(form.get());
  tree->SetParent(form.get());
  tree->SetBounds(420, 10, 170, 200);
  for (int i = 1; i <= 6; ++i) {
    TTreeNode* folder = tree->Items()->Add(nullptr, QString("Folder with a long name %1").arg(i));
    for (int j = 1; j <= 4; ++j) tree->Items()->AddChild(folder, QString("Subfolder %1.%2").arg(i).arg(j));
  }
  tree->FullExpand();
  auto* edit = Create<TSeCustomMaskEdit>(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(10, 190, 190, 22);
  edit->SetTextAlign(taCenter);
  edit->SetText("Centred");
  return form;
}

}  // namespace

void RegisterEditPreviewWindows();

// Buttons, labels and bars (se_buttons_previews.cpp).
void RegisterButtonPreviewWindows();
// The skinned window frame, plain and in each shipped skin (se_skinform_previews.cpp).
void RegisterSkinFormPreviewWindows();
// Skinned menus and hints (se_menus_previews.cpp).
void RegisterMenuPreviewWindows();
// MDI parents and children with skinned frames (se_mdi_previews.cpp).
void RegisterMDIPreviewWindows();

// Tabs, pages, track bars and tool bars (se_tabs_previews.cpp).
void RegisterTabsPreviewWindows();

// The skinned edits, memo, views and scroll box (se_binding_edits_previews.cpp).
void RegisterBoundEditPreviewWindows();

void RegisterSkinPreviewWindows() {
  RegisterButtonPreviewWindows();
  RegisterTabsPreviewWindows();
  RegisterEditPreviewWindows();
  RegisterSkinFormPreviewWindows();
  RegisterMenuPreviewWindows();
  RegisterMDIPreviewWindows();
  RegisterBoundEditPreviewWindows();
  RegisterPreviewWindow("skin-trackbars", MakeTrackBarForm);
  RegisterPreviewWindow("skin-overlays", MakeOverlayForm);
  RegisterPreviewWindow("skin-controls", MakeControlsForm);
  RegisterPreviewWindow("skin-frame", [] { return MakeFramedForm(false); });
  RegisterPreviewWindow("skin-frame-menu", [] { return MakeFramedForm(true); });
  RegisterPreviewWindow("skin-scrollbars", MakeScrollBarForm);
}
