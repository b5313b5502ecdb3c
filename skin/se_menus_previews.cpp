// Preview windows of the skinned menus and hints: "skin-menus" shows a menu
// bar with its first menu open, plain and in each shipped skin side by side
// (take it with --screen: the open menus are windows of their own);
// "skin-hint" shows a hint window over a button, plain and skinned.

#include <QDir>
#include <QLabel>
#include <QTimer>

#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_controls.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_previews.h"
#include "skin/se_hints.h"
#include "skin/se_skinhints.h"
#include "skin/se_skinmenus.h"
#include "skin/se_skinsource.h"

namespace {

const char* const kSkins[] = {"", "devoir", "slate", "meadow"};

// A caption on the form's face (the skin's labels would bring their own
// look into a picture of menus).
class Caption : public TSeCustomControl {
 public:
  using TSeCustomControl::TSeCustomControl;

 protected:
  void PaintBackground() override {
    TSeCustomControl::PaintBackground();
    TRect r = GetBorderClientRect();
    Canvas()->Font().Assign(PaintFont());
    se::DrawWideText(*Canvas(), TControl::Caption(), r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
};

TSeSkinEngine* LoadEngine(TComponent* owner, const char* skin) {
  auto* engine = Create<TSeSkinEngine>(owner);
  if (*skin) engine->SetSkinFile(se::ProgramFolder() + "Skins/" + skin + ".mskn");
  return engine;
}

std::unique_ptr<TCustomForm> MakeMenusForm() {
  constexpr int kColumn = 250;
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skinned menus");
  form->SetBounds(0, 0, kColumn * 4 + 10, 260);
  form->SetColor(clBtnFace);
  TForm* owner = form.get();
  for (int i = 0; i < 4; ++i) {
    auto* label = Create<Caption>(owner);
    label->SetParent(owner);
    label->SetBounds(10 + i * kColumn, 6, kColumn - 20, 16);
    label->SetCaption(*kSkins[i] ? QString::fromLatin1(kSkins[i]) : QStringLiteral("no skin"));
    auto* bar = Create<TSeSkinMenuBar>(owner);
    bar->SetParent(owner);
    bar->SetAutoSize(false);
    bar->SetBounds(10 + i * kColumn, 26, kColumn - 20, 21);
    TSeCustomItem* file = FillPreviewMenu(bar->Items(), true);
    bar->SetSkinEngine(LoadEngine(owner, kSkins[i]));
    // The first menu stands open. The popup is a window of its own: its
    // picture is put on the form below the bar, so that one picture shows
    // all four.
    QTimer::singleShot(0, owner, [owner, bar, file] {
      std::unique_ptr<TSePopupWindow> popup(OpenPreviewMenu(nullptr, bar, file));
      auto* picture = new QLabel(owner);  // owned by the form
      picture->setPixmap(popup->grab());
      const QPoint at = owner->mapFromGlobal(popup->pos());
      picture->setGeometry(at.x(), at.y(), popup->width(), popup->height());
      picture->show();
    });
  }
  return form;
}

std::unique_ptr<TCustomForm> MakeHintForm() {
  constexpr int kColumn = 250;
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skinned hints");
  form->SetBounds(0, 0, kColumn * 4 + 10, 140);
  form->SetColor(clBtnFace);
  TForm* owner = form.get();
  for (int i = 0; i < 4; ++i) {
    auto* button = Create<Caption>(owner);
    button->SetParent(owner);
    button->SetBounds(10 + i * kColumn, 20, 120, 25);
    button->SetBevelKind(kbkFlat);
    button->SetCaption(*kSkins[i] ? QString::fromLatin1(kSkins[i]) : QStringLiteral("no skin"));
    auto* hint = Create<TSeSkinHint>(owner);
    hint->SetSkinEngine(LoadEngine(owner, kSkins[i]));
    hint->Shadow()->SetEnabled(i % 2 == 1);
    QTimer::singleShot(0, owner, [owner, button, hint] {
      // The hint window as the hint machinery shows it below the button;
      // its picture is put on the form so that one picture shows all four.
      std::unique_ptr<TSeHintWindow> window(CreateUnique<TSeHintWindow>());
      const QString text = QStringLiteral("Writes the compilation\nto the disc in the drive");
      TRect r = window->CalcHintRect(300, text, hint);
      const QPoint at = button->mapToGlobal(QPoint(8, button->Height() + 8));
      OffsetRect(r, at.x(), at.y());
      window->ActivateHintData(r, text, hint);
      auto* picture = new QLabel(owner);  // owned by the form
      picture->setPixmap(window->grab());
      const QPoint local = owner->mapFromGlobal(window->pos());
      picture->setGeometry(local.x(), local.y(), window->width(), window->height());
      picture->show();
    });
  }
  return form;
}

}  // namespace

TSeCustomItem* FillPreviewMenu(TSeCustomItem* root, bool skinned) {
  auto add = [skinned](TSeCustomItem* parent, const QString& caption, TShortCut shortcut = 0) {
    TSeCustomItem* item = skinned ? new TSeSkinItem(nullptr) : new TSeCustomItem(nullptr);
    item->SetCaption(caption);
    item->SetShortCut(shortcut);
    parent->Add(item);
    return item;
  };
  TSeCustomItem* file = add(root, "&File");
  add(file, "&New compilation", ShortCut('N', ssCtrl));
  add(file, "&Open...", ShortCut('O', ssCtrl));
  add(file, "&Save")->SetEnabled(false);
  add(file, "-");
  add(file, "Show &log")->SetChecked(true);
  TSeCustomItem* recent = add(file, "&Recent");
  add(recent, "Backup.task");
  add(file, "-");
  add(file, "E&xit");
  add(root, "&Edit");
  add(root, "&Disc");
  add(root, "&Help");
  return file;
}

TSePopupWindow* OpenPreviewMenu(TComponent* owner, TSeCustomMenuBar* bar, TSeCustomItem* item) {
  TSePopupWindow* popup = item->CreatePopupWindow(owner, bar->View());
  const TRect r = bar->View()->GetItemRect(item);
  const QPoint tl = bar->mapToGlobal(QPoint(r.Left, r.Top));
  const TRect screen = Bounds(tl.x(), tl.y(), r.Width(), r.Height());
  popup->PlaceAt(screen.Left, screen.Bottom, screen, bar->View());
  bar->View()->SetHotItem(item);
  popup->View()->SetHotItem(item->Items(1));
  return popup;
}

void RegisterMenuPreviewWindows() {
  RegisterPreviewWindow("skin-menus", MakeMenusForm);
  RegisterPreviewWindow("skin-hint", MakeHintForm);
}
