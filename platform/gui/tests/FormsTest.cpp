// Forms, controls and the application object, driven headless.

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

namespace {

// A plain push button for the tests: ModalResult goes to its form on click.
class TestButton : public TCustomControl {
 public:
  explicit TestButton(TComponent* owner) : TCustomControl(owner) {}
  TModalResult ModalResult = mrNone;
  int paints = 0;
  bool had_canvas = false;
  void Click() override {
    if (ModalResult != mrNone)
      if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    TCustomControl::Click();
  }

 protected:
  void Paint() override {
    ++paints;
    had_canvas = Canvas() != nullptr;
    if (!had_canvas || paint_corner == clNone) return;
    Canvas()->Brush().SetColor(paint_corner);
    Canvas()->FillRect(Rect(0, 0, 4, 4));
  }

 public:
  TColor paint_corner = clNone;
};

// The main window's question before it lets go of a changed compilation.
class TaskForm : public TForm {
 public:
  explicit TaskForm(TComponent* owner) : TForm(owner) {
    OnCreate = [this](TControl*) { created_with = Caption(); };
  }
  void Init() override {
    SetCaption("Task");
    SetBounds(0, 0, 300, 200);
    btnSave = Create<TestButton>(this);
    btnSave->SetName("btnSave");
    btnSave->SetParent(this);
    btnSave->SetBounds(10, 10, 80, 24);
    btnSave->OnClick = [this](TControl*) { btnSaveClick(); };
    btnCancel = Create<TestButton>(this);
    btnCancel->SetParent(this);
    btnCancel->SetBounds(100, 10, 80, 24);
    btnCancel->ModalResult = mrCancel;
    TForm::Init();
  }
  void btnSaveClick() {
    const int answer =
        MessageBox("The task has been changed, save it?", "Query", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    saved = answer == IDYES;
    SetModalResult(mrOk);
  }
  TestButton* btnSave = nullptr;
  TestButton* btnCancel = nullptr;
  QString created_with;
  bool saved = false;
};

void Later(std::function<void()> step, int ms = 0) { QTimer::singleShot(ms, step); }

}  // namespace

TEST(Forms, ScriptedModalFormAnswersItsMessageBox) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  auto form = CreateUnique<TaskForm>();
  EXPECT_EQ(form->created_with, "Task");  // OnCreate saw the finished form
  dialogs.AnswerMessage(mrCancel);
  dialogs.AnswerMessage(mrYes);
  bool was_modal = false;
  // First click: the user cancels the question, the form stays up.
  Later([&] {
    was_modal = form->Modal() && form->isVisible();
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ModalResult(), mrNone);
    // Second click: yes, save; the form closes with mrOk.
    Later([&] { QTest::mouseClick(form->btnSave, Qt::LeftButton); });
  });
  const TModalResult result = form->ShowModal();
  EXPECT_TRUE(was_modal);
  EXPECT_EQ(result, mrOk);
  EXPECT_TRUE(form->saved);
  EXPECT_FALSE(form->isVisible());
  ASSERT_EQ(dialogs.Calls().size(), 2u);
  const MessageRequest& asked = dialogs.Calls()[0].message;
  EXPECT_EQ(asked.text, "The task has been changed, save it?");
  EXPECT_EQ(asked.caption, "Query");
  EXPECT_EQ(asked.icon, MessageIcon::Question);
  EXPECT_EQ(asked.buttons, (std::vector<TModalResult>{mrYes, mrNo, mrCancel}));
  EXPECT_EQ(asked.default_button, mrYes);
  EXPECT_EQ(dialogs.Unanswered(), 0);
}

TEST(Forms, ModalCloseGoesThroughCloseQueryAndOnClose) {
  auto form = CreateUnique<TaskForm>();
  int queries = 0;
  std::vector<std::string> events;
  form->OnCloseQuery = [&](TControl*, bool& can_close) {
    ++queries;
    can_close = queries > 1;  // refuse the first time
  };
  form->OnClose = [&](TControl*, TCloseAction&) { events.push_back("close"); };
  form->OnShow = [&](TControl*) { events.push_back("show"); };
  form->OnHide = [&](TControl*) { events.push_back("hide"); };
  Later([&] {
    QTest::mouseClick(form->btnCancel, Qt::LeftButton);  // refused
    Later([&] {
      EXPECT_TRUE(form->isVisible());
      form->Close();  // a modal form asked to close ends with mrCancel
    });
  });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close", "hide"}));
  // It can be shown modally again.
  Later([&] { form->SetModalResult(mrOk); });
  EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST(Forms, CloseActionsOfAModelessForm) {
  struct Case {
    TCloseAction action;
    bool visible_after;
    TWindowState state_after;
  };
  for (const Case& c :
       {Case{caHide, false, wsNormal}, Case{caNone, true, wsNormal}, Case{caMinimize, true, wsMinimized}}) {
    auto form = CreateUnique<TForm>();
    form->OnClose = [&](TControl*, TCloseAction& action) { action = c.action; };
    form->Show();
    form->Close();
    EXPECT_EQ(form->isVisible(), c.visible_after) << c.action;
    EXPECT_EQ(form->WindowState(), c.state_after) << c.action;
  }
  // caFree releases the form once events run.
  QPointer<TForm> freed = Create<TForm>(nullptr);
  freed->OnClose = [](TControl*, TCloseAction& action) { action = caFree; };
  freed->Show();
  freed->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(freed.isNull());
}

TEST(Forms, BorderStyleStayOnTopAndPosition) {
  auto form = CreateUnique<TForm>();
  form->SetBorderStyle(bsNone);
  EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
  form->SetBorderStyle(bsSingle);
  EXPECT_FALSE(form->windowFlags() & Qt::FramelessWindowHint);
  form->SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  form->SetBorderIcons(biSystemMenu);
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);

  form->SetBounds(0, 0, 200, 100);
  form->SetPosition(poScreenCenter);
  form->Show();
  const QRect screen = form->screen()->availableGeometry();
  EXPECT_EQ(form->Left(), screen.x() + (screen.width() - 200) / 2);
  EXPECT_EQ(form->Top(), screen.y() + (screen.height() - 100) / 2);
  form->SetCaption("Burn data disc");
  EXPECT_EQ(form->windowTitle(), "Burn data disc");
}

TEST(Controls, AlignedChildrenFillTheirParentInTheHostOrder) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 200, 100);
  auto make = [&](TAlign align, int w, int h) {
    auto* c = Create<TestButton>(form.get());
    c->SetBounds(0, 0, w, h);
    c->SetParent(form.get());
    c->SetAlign(align);
    return c;
  };
  TControl* top = make(alTop, 10, 20);
  TControl* bottom = make(alBottom, 10, 10);
  TControl* left = make(alLeft, 30, 5);
  TControl* right = make(alRight, 40, 5);
  TControl* client = make(alClient, 1, 1);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 90, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 30, 90));
  EXPECT_EQ(right->BoundsRect(), Rect(160, 20, 200, 90));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 160, 90));
  form->SetBounds(0, 0, 300, 200);  // the parent grows: the layout follows
  EXPECT_EQ(client->BoundsRect(), Rect(30, 20, 260, 190));
  top->Hide();  // a hidden control gives its room up
  EXPECT_EQ(client->BoundsRect(), Rect(30, 0, 260, 190));
}

TEST(Controls, MouseEventsComeInTheHostOrder) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 200, 100);
  auto* b = Create<TestButton>(form.get());
  b->SetParent(form.get());
  b->SetBounds(10, 10, 50, 20);
  form->Show();
  std::vector<std::string> log;
  b->OnMouseDown = [&](TControl* s, TMouseButton button, TShiftState shift, int x, int y) {
    EXPECT_EQ(s, b);
    log.push_back("down " + std::to_string(button) + (shift & ssDouble ? " double" : "") + " " +
                  std::to_string(x) + "," + std::to_string(y));
  };
  b->OnMouseUp = [&](TControl*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
  b->OnClick = [&](TControl*) { log.push_back("click"); };
  b->OnDblClick = [&](TControl*) { log.push_back("dblclick"); };
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 6));
  EXPECT_EQ(log, (std::vector<std::string>{"down 0 5,6", "click", "up"}));
  log.clear();
  // Qt's double click is press, release, double-press, release: one click.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 6));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 6));
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 6), b->mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(b, &dbl);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 6));
  EXPECT_EQ(log,
            (std::vector<std::string>{"down 0 5,6", "click", "up", "down 0 double 5,6", "dblclick", "up"}));
  log.clear();
  QTest::mouseClick(b, Qt::RightButton, {}, QPoint(1, 1));
  EXPECT_EQ(log, (std::vector<std::string>{"down 1 1,1", "up"}));
  log.clear();
  // Pressed inside, released outside: no click.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(100, 5));
  EXPECT_EQ(log, (std::vector<std::string>{"down 0 5,5", "up"}));
}

TEST(Controls, EnterLeaveKeysAndMessages) {
  auto form = CreateUnique<TForm>();
  auto* b = Create<TestButton>(form.get());
  b->SetParent(form.get());
  std::vector<std::string> log;
  b->OnMouseEnter = [&](TControl*) { log.push_back("enter"); };
  b->OnMouseLeave = [&](TControl*) { log.push_back("leave"); };
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QCoreApplication::sendEvent(b, &enter);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));

  b->OnKeyDown = [&](TControl*, int& key, TShiftState shift) {
    log.push_back("key " + std::to_string(key) + (shift & ssCtrl ? " ctrl" : ""));
    if (key == 'X') key = 0;  // swallowed
  };
  b->OnKeyPress = [&](TControl*, QChar& c) { log.push_back(std::string("press ") + c.toLatin1()); };
  log.clear();
  QTest::keyClick(b, Qt::Key_A);
  QTest::keyClick(b, Qt::Key_X);
  QTest::keyClick(b, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(log, (std::vector<std::string>{"key 65", "press a", "key 88", "key 17 ctrl", "key 46 ctrl"}));

  // Library messages: Perform answers at once, PostMessage later, and not
  // at all once the control is gone.
  struct Answering : TestButton {
    using TestButton::TestButton;
    std::vector<unsigned> got;
    void Dispatch(TMessage& m) override {
      got.push_back(m.Msg);
      m.Result = static_cast<std::intptr_t>(m.WParam + m.LParam);
    }
  };
  auto* a = Create<Answering>(form.get());
  a->SetParent(form.get());
  EXPECT_EQ(a->Perform(1702, 2, 3), 5);
  PostMessage(a, 2121);
  EXPECT_EQ(a->got, (std::vector<unsigned>{1702}));
  QCoreApplication::sendPostedEvents(a);
  EXPECT_EQ(a->got, (std::vector<unsigned>{1702, 2121}));
  auto* gone = Create<Answering>(form.get());
  PostMessage(gone, 2121);
  delete gone;
  QCoreApplication::sendPostedEvents();
  TMessage m{1703, 1, 1, 0};
  form->Broadcast(m);  // reaches the children: the first one answers
  EXPECT_EQ(m.Result, 2);
}

TEST(Controls, PropertiesFollowTheParent) {
  auto form = CreateUnique<TForm>();
  form->SetColor(clWhite);
  form->Font()->SetName("Tahoma");
  auto* b = Create<TestButton>(form.get());
  b->SetParent(form.get());
  EXPECT_EQ(b->Color(), clWhite);
  EXPECT_EQ(b->Font()->Name(), "Tahoma");
  form->SetColor(clNavy);
  EXPECT_EQ(b->Color(), clNavy);
  b->SetColor(clRed);  // its own colour cuts the link
  EXPECT_FALSE(b->ParentColor());
  form->SetColor(clLime);
  EXPECT_EQ(b->Color(), clRed);

  b->SetCaption("&Burn");
  EXPECT_EQ(b->Text(), "&Burn");
  b->SetHint("Burn the disc");
  EXPECT_TRUE(b->toolTip().isEmpty());
  b->SetShowHint(true);
  EXPECT_EQ(b->toolTip(), "Burn the disc");
  b->SetCursor(crHandPoint);
  EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
  b->SetTag(42);
  EXPECT_EQ(b->Tag(), 42);

  // Visible is the wish; Showing needs the parent shown too.
  EXPECT_TRUE(b->Visible());
  EXPECT_FALSE(b->Showing());
  form->Show();
  EXPECT_TRUE(b->Showing());
  b->SetEnabled(false);
  EXPECT_FALSE(b->isEnabled());
}

TEST(Controls, PaintRunsWithACanvasOnTheWidget) {
  auto form = CreateUnique<TForm>();
  form->SetBounds(0, 0, 100, 60);
  auto* b = Create<TestButton>(form.get());
  b->SetParent(form.get());
  b->SetBounds(0, 0, 40, 20);
  b->SetColor(clRed);
  b->paint_corner = clBlue;
  const QImage image = form->grab().toImage();
  EXPECT_GE(b->paints, 1);
  EXPECT_TRUE(b->had_canvas);
  // The background of a custom control is its Color.
  EXPECT_EQ(image.pixelColor(20, 10), QColor(255, 0, 0));
  // What Paint draws through the canvas lands on the widget; right and
  // bottom edges exclusive.
  EXPECT_EQ(image.pixelColor(3, 3), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(4, 4), QColor(255, 0, 0));
}

TEST(Application, ExceptionInAnEventHandlerReachesTheHook) {
  auto form = CreateUnique<TForm>();
  auto* b = Create<TestButton>(form.get());
  b->SetParent(form.get());
  b->SetBounds(0, 0, 20, 20);
  form->Show();
  b->OnClick = [](TControl*) { throw EConvertError("'abc' is not a valid integer value"); };
  TComponent* sender = nullptr;
  std::string message;
  Application().OnException = [&](TComponent* s, const std::exception& e) {
    sender = s;
    message = e.what();
  };
  QTest::mouseClick(b, Qt::LeftButton);
  Application().OnException = nullptr;
  EXPECT_EQ(sender, b);
  EXPECT_EQ(message, "'abc' is not a valid integer value");

  // Without a hook: an error message box.
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  dialogs.AnswerMessage(mrOk);
  QTest::mouseClick(b, Qt::LeftButton);
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.Calls()[0].message.text, "'abc' is not a valid integer value.");
  EXPECT_EQ(dialogs.Calls()[0].message.icon, MessageIcon::Error);
}

TEST(Application, RunEndsWhenTheMainFormClosesAndTerminateStopsModalLoops) {
  TApplication app;
  EXPECT_EQ(&Application(), &app);
  auto* main_form = app.CreateForm<TForm>();
  auto* second = app.CreateForm<TForm>();
  EXPECT_EQ(app.MainForm(), main_form);
  bool modal_ended = false;
  Later([&] {
    // A modal form is up when the program ends: its loop ends too.
    Later([&] { main_form->Close(); });
    EXPECT_EQ(second->ShowModal(), mrCancel);
    modal_ended = true;
  });
  app.Run();
  EXPECT_TRUE(app.Terminated());
  QCoreApplication::processEvents();
  EXPECT_TRUE(modal_ended);
  EXPECT_TRUE(app.ExeName().endsWith("burner_gui_tests"));
}

TEST(Application, MinimizeRestoreAndProcessMessages) {
  TApplication app;
  auto* form = app.CreateForm<TForm>();
  form->Show();
  int minimized = 0, restored = 0;
  app.OnMinimize = [&](TComponent*) { ++minimized; };
  app.OnRestore = [&](TComponent*) { ++restored; };
  app.Minimize();
  EXPECT_EQ(form->WindowState(), wsMinimized);
  app.Minimize();
  app.Restore();
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(minimized, 1);
  EXPECT_EQ(restored, 1);

  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  app.ProcessMessages();
  EXPECT_TRUE(ran);
}

TEST(Controls, OwnerAndParentMayDifferWithoutADoubleFree) {
  // The button is made first, the panel that holds it second: freeing the
  // form frees the panel, whose widget takes the button with it, and the
  // form's list must already have forgotten it.
  auto form = CreateUnique<TForm>();
  QPointer<TestButton> button = Create<TestButton>(form.get());
  QPointer<TestButton> panel = Create<TestButton>(form.get());
  panel->SetParent(form.get());
  button->SetParent(panel);
  EXPECT_EQ(form->ComponentCount(), 2);
  delete panel.data();
  EXPECT_TRUE(button.isNull());
  EXPECT_EQ(form->ComponentCount(), 0);
  QPointer<TestButton> again = Create<TestButton>(form.get());
  QPointer<TestButton> holder = Create<TestButton>(form.get());
  again->SetParent(holder);
  form.reset();
  EXPECT_TRUE(again.isNull());
  EXPECT_TRUE(holder.isNull());
}

namespace {

// A holder that, like a bar sizing itself to its bands, lays itself out
// again when a child leaves it, calling on its own parent as it does.
class RefittingHolder : public TCustomControl {
 public:
  explicit RefittingHolder(TComponent* owner) : TCustomControl(owner) {}
  std::vector<bool>* parent_whole = nullptr;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ChildRemoved && parent_whole) {
      parent_whole->push_back(Parent() && dynamic_cast<TWinControl*>(parentWidget()) == Parent());
      SetHeight(Height() - 1);
    }
    return TCustomControl::event(event);
  }
};

}  // namespace

TEST(Controls, PartsFreedWithTheirFormStillSeeAWholeParent) {
  // The form owns both; the button sits in the holder and goes first, and
  // the holder, hearing it leave, calls on the form, which must still be a
  // whole container then.
  std::vector<bool> parent_whole;
  {
    auto form = CreateUnique<TForm>();
    auto* holder = Create<RefittingHolder>(form.get());
    holder->SetParent(form.get());
    holder->SetBounds(0, 0, 100, 30);
    holder->parent_whole = &parent_whole;
    Create<TestButton>(form.get())->SetParent(holder);
  }
  EXPECT_EQ(parent_whole, std::vector<bool>{true});
}
