// MDI forms of the class library: children live in the parent's client
// area, listed top-most first; showing a child or a press inside it
// activates it (both children hear of it); the active child going away
// hands activation on; a maximized child fills the client area and follows
// it; closing a child minimizes it when it can be minimized.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <memory>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

namespace {

struct MDIParent {
  std::unique_ptr<TForm> form = CreateUnique<TForm>();
  QStringList log;

  MDIParent() {
    form->SetFormStyle(fsMDIForm);
    form->SetBounds(50, 50, 500, 400);
    form->Show();
  }
  TForm* Child(const QString& name, const TRect& bounds, bool show = true) {
    auto* child = Create<TForm>(form.get());
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(name);
    child->SetBoundsRect(bounds);
    child->OnActivate = [this](TControl* c) { log << "+" + static_cast<TForm*>(c)->Caption(); };
    child->OnDeactivate = [this](TControl* c) { log << "-" + static_cast<TForm*>(c)->Caption(); };
    if (show) child->Show();
    QCoreApplication::processEvents();
    return child;
  }
  QString Order() const {
    QStringList names;
    for (int i = 0; i < form->MDIChildCount(); ++i) names << form->MDIChildren(i)->Caption();
    return names.join(",");
  }
};

}  // namespace

TEST(MDIForms, ChildrenLiveInTheClientAreaAndActivateByShowAndPress) {
  MDIParent p;
  ASSERT_NE(p.form->MDIClient(), nullptr);
  TForm* a = p.Child("A", Bounds(10, 10, 200, 150));
  TForm* b = p.Child("B", Bounds(100, 60, 200, 150));
  EXPECT_EQ(a->parentWidget(), p.form->MDIClient());
  EXPECT_FALSE(a->isWindow());
  EXPECT_EQ(a->MDIParent(), p.form.get());
  EXPECT_EQ(b->Left(), 100);
  EXPECT_EQ(p.Order(), "B,A");
  EXPECT_EQ(p.form->ActiveMDIChild(), b);
  EXPECT_TRUE(b->Active());
  EXPECT_FALSE(a->Active());

  // A press on a control inside the lower child brings that child up.
  auto* button = Create<TButton>(a);
  button->SetParent(a);
  button->SetBounds(5, 5, 60, 24);
  button->Show();
  p.log.clear();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(p.form->ActiveMDIChild(), a);
  EXPECT_EQ(p.Order(), "A,B");
  EXPECT_EQ(p.log.join(" "), "-B +A");

  // The active child going away hands activation to the next shown one.
  p.log.clear();
  TForm* c = p.Child("C", Bounds(0, 0, 100, 100), false);
  delete a;
  EXPECT_EQ(p.form->ActiveMDIChild(), b);
  EXPECT_EQ(p.log.join(" "), "+B");
  c->Show();
  EXPECT_EQ(p.form->ActiveMDIChild(), c);
  c->Hide();
  EXPECT_EQ(p.form->ActiveMDIChild(), b);
}

TEST(MDIForms, WindowStatesPlaceTheChildInTheClientArea) {
  MDIParent p;
  TForm* a = p.Child("A", Bounds(30, 20, 200, 150));
  const QSize client = p.form->MDIClient()->size();
  struct Case {
    TWindowState state;
    QRect expected;
  } cases[] = {
      {wsMaximized, QRect(QPoint(0, 0), client)},
      {wsNormal, QRect(30, 20, 200, 150)},
      {wsMinimized, QRect(0, client.height() - GetSystemMetrics(SM_CYMINIMIZED), GetSystemMetrics(SM_CXMINIMIZED),
                          GetSystemMetrics(SM_CYMINIMIZED))},
      {wsNormal, QRect(30, 20, 200, 150)},
  };
  for (const Case& c : cases) {
    a->SetWindowState(c.state);
    EXPECT_EQ(a->WindowState(), c.state);
    EXPECT_EQ(a->geometry(), c.expected) << c.state;
  }
  // A maximized child follows the client area.
  a->SetWindowState(wsMaximized);
  p.form->SetBounds(50, 50, 640, 480);
  QCoreApplication::processEvents();
  EXPECT_EQ(a->geometry(), QRect(QPoint(0, 0), p.form->MDIClient()->size()));
  EXPECT_NE(p.form->MDIClient()->size(), client);
}

TEST(MDIForms, ClosingAChildMinimizesItWhenItCanBeMinimized) {
  MDIParent p;
  struct Case {
    TBorderIcons icons;
    TWindowState after;
    bool visible;
  } cases[] = {
      {biSystemMenu | biMinimize | biMaximize, wsMinimized, true},
      {biSystemMenu | biMaximize, wsNormal, true},
  };
  for (const Case& c : cases) {
    TForm* child = p.Child("A", Bounds(30, 20, 200, 150));
    child->SetBorderIcons(c.icons);
    child->Close();
    EXPECT_EQ(child->WindowState(), c.after) << c.icons;
    EXPECT_EQ(child->isVisible(), c.visible) << c.icons;
    delete child;
  }
  TForm* freed = p.Child("B", Bounds(30, 20, 200, 150));
  freed->OnClose = [](TControl*, TCloseAction& action) { action = caFree; };
  QPointer<TForm> guard(freed);
  freed->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
  EXPECT_EQ(p.form->MDIChildCount(), 0);
}

TEST(MDIForms, AChildNeedsAnMDIParent) {
  auto plain = CreateUnique<TForm>();
  auto* child = Create<TForm>(plain.get());
  EXPECT_THROW(child->SetFormStyle(fsMDIChild), EComponentError);
  EXPECT_EQ(child->FormStyle(), fsNormal);
  EXPECT_TRUE(child->isWindow());
  MDIParent p;
  TForm* a = p.Child("A", Bounds(0, 0, 100, 100));
  EXPECT_THROW(a->SetFormStyle(fsNormal), EComponentError);
}
