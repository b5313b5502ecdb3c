#include "skin/se_skinform.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <utility>

#include "platform/gui/Forms.h"
#include "platform/gui/Timer.h"
#include "skin/se_engine.h"
#include "skin/se_objectclasses2.h"
#include "skin/se_skinmenus.h"
#include "skin/se_skinobject.h"

namespace {

TSeObjectState StateOf(TSeWindowState state) {
  switch (state) {
    case kwsMaximized: return osMaximized;
    case kwsMinimized:
    case kwsTray: return osMinimized;
    case kwsRollup: return osRollup;
    default: return osNormal;
  }
}

std::uint8_t PartOf(TSeKind kind) {
  switch (kind) {
    case skCaption:
    case skTitle: return kfpCaption;
    case skTop: return kfpTop;
    case skLeft: return kfpLeft;
    case skRight: return kfpRight;
    case skBottom: return kfpBottom;
    case skTopLeft: return kfpTopLeft;
    case skTopRight: return kfpTopRight;
    case skBottomLeft: return kfpBottomLeft;
    case skBottomRight: return kfpBottomRight;
    case skSysButton: return kfpOtherButton;
    default: return kfpClient;
  }
}

// Every link object below `object`, depth first.
void ForEachLink(TSeSkinObject& object, const std::function<void(TSeLinkSkinObject&)>& visit) {
  for (int i = 0; i < object.Count(); ++i) {
    TSeSkinObject* child = object.Objects(i);
    if (!child) continue;
    if (auto* link = dynamic_cast<TSeLinkSkinObject*>(child)) visit(*link);
    ForEachLink(*child, visit);
  }
}

}  // namespace

TSeSkinForm::TSeSkinForm(TComponent* owner) : TSeCustomForm(owner) {
  hover_timer_ = Create<TTimer>(this);
  hover_timer_->SetInterval(100);
  hover_timer_->OnTimer = [this](TTimer*) { HoverTick(); };
  hover_timer_->SetEnabled(!Designing());
}

TSeSkinForm::~TSeSkinForm() {
  hover_timer_->SetEnabled(false);
  ReleaseSkin();
}

bool TSeSkinForm::UseSkin() const {
  if (!copy_ || !engine_ || Destroying() || Loading()) return false;
  const TSeSkinSource& source = engine_->Source();
  return !source.Loading() && source.Count() > 0;
}

void TSeSkinForm::ReleaseSkin() {
  hot_ = nullptr;
  captured_ = nullptr;
  client_ = nullptr;
  title_ = nullptr;
  copy_.reset();
}

void TSeSkinForm::SetSkinEngine(TSeSkinEngine* engine) {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  const TRect clientBefore = form ? Rect(0, 0, form->ClientWidth(), form->ClientHeight()) : TRect{};
  if (engine != engine_) {
    if (engine_) RemoveFreeNotification(engine_);
    engine_ = engine;
    if (engine_) FreeNotification(engine_);
  }
  ReleaseSkin();
  if (engine_ && !engine_->Source().Loading() && engine_->Source().Count() > 0) {
    const TSeSkinSource& source = engine_->Source();
    TSeSkinObject* object = skin_object_ == "Form" ? source.GetFormObject() : nullptr;
    if (!object) object = source.GetObjectByName(skin_object_);
    if (!object) object = source.GetFormObject();
    if (object) copy_ = CloneSkinObject(*object);
  }
  if (copy_) {
    copy_->SetOwnerControl(form);
    // A copy keeps the object's own layout until the window first sizes it.
    copy_->AlignObjects();
    title_ = copy_->FindObjectByKind(skTitle);
    client_ = copy_->FindObjectByKind(skClient);
    if (form) {
      if (!plain_font_) plain_font_ = std::make_unique<TFont>(*form->Font());
      form->SetFont(copy_->GetFont());
      // A frame object without a colour of its own leaves the client's
      // colour to the controls that follow the form's.
      TColor color = copy_->Color();
      if (color == clNone && client_) color = client_->Color();
      form->SetColor(color == clNone ? clBtnFace : color);
    }
  } else if (form) {
    if (plain_font_) form->SetFont(*plain_font_);
    form->SetColor(clBtnFace);
  }
  PrepareSkin();
  const bool resized = UseSkin() && !client_ && TakeSkinSize();
  if (Loading()) return;
  // Without a client part the whole frame is the client.
  UpdateFrame(resized ? Rect(0, 0, copy_->Width(), copy_->Height()) : clientBefore);
  if (form) form->update();
}

bool TSeSkinForm::TakeSkinSize() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form || !copy_) return false;
  const int s = Shadow()->Enabled() ? Shadow()->Size() : 0;
  const int w = copy_->Width() + s;
  const int h = copy_->Height() + s;
  if (w < 1 || h < 1 || (form->Width() == w && form->Height() == h)) return false;
  form->SetBounds(form->Left(), form->Top(), w, h);
  return true;
}

void TSeSkinForm::PrepareSkin() {
  if (!copy_) return;
  const int w = FrameWidth();
  const int h = FrameHeight();
  if (w > 0 && h > 0) {
    if (BorderStyle() == kbsNone) {
      if (client_) client_->SetBoundsRect(Rect(0, 0, w, h));
    } else if (client_) {
      copy_->SetBoundsRect(Rect(0, 0, w, h));
    }
  }
  copy_->SetActive(FormActive());
  copy_->SetState(StateOf(WindowState()));
}

void TSeSkinForm::Loaded() {
  if (BorderStyle() == kbsToolWindow) skin_object_ = "ToolWindow";
  SetSkinEngine(engine_);
  TSeCustomForm::Loaded();
  if (UseSkin() && !client_ && TakeSkinSize()) UpdateFrame(Rect(0, 0, copy_->Width(), copy_->Height()));
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
    for (int i = 0; i < form->ComponentCount(); ++i)
      if (auto* control = dynamic_cast<TControl*>(form->Components(i))) control->Perform(SKM_SKINCHANGED, 0, 0);
}

void TSeSkinForm::BorderStyleChanged() {
  const std::string before = skin_object_;
  if (BorderStyle() == kbsToolWindow)
    skin_object_ = "ToolWindow";
  else if (skin_object_ == "ToolWindow")
    skin_object_ = "Form";
  if (skin_object_ != before && engine_ && !Loading()) SetSkinEngine(engine_);
  TSeCustomForm::BorderStyleChanged();
}

void TSeSkinForm::Notification(TComponent* component, TOperation operation) {
  TSeCustomForm::Notification(component, operation);
  if (operation != TOperation::opRemove || component != engine_) return;
  // The copy draws from the engine's pictures: it cannot outlive them.
  engine_ = nullptr;
  ReleaseSkin();
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (Destroying() || !form || form->Destroying()) return;
  SetSkinEngine(nullptr);
}

// ---- Geometry -------------------------------------------------------------

QRegion TSeSkinForm::CreateFormRegion() {
  if (!UseSkin()) return TSeCustomForm::CreateFormRegion();
  if (BorderStyle() == kbsNone || MDIMaximized()) {
    if (client_) client_->SetBoundsRect(Rect(0, 0, FrameWidth(), FrameHeight()));
    return TSeCustomForm::CreateFormRegion();
  }
  if (client_) copy_->SetBoundsRect(Rect(0, 0, FrameWidth(), FrameHeight()));
  AlignLinkControls();
  // A part placed outside the frame (a link place parked off the window,
  // say) is not part of the window: left in, it would cut a hole in
  // whatever lies beside the window there.
  return copy_->GetObjectRegion().intersected(QRect(0, 0, FrameWidth(), FrameHeight()));
}

// The system and tray menus are made anew each time they show, so their
// items never outlive the skin they look their objects up in.
TSeCustomItem* TSeSkinForm::CreateMenuItem(TComponent* owner) {
  auto* item = new TSeSkinItem(owner);
  item->SetSkinEngine(engine_);
  return item;
}

TRect TSeSkinForm::GetBorderIconRect(unsigned icon) {
  if (UseSkin()) return {};
  return TSeCustomForm::GetBorderIconRect(icon);
}

TRect TSeSkinForm::GetClientArea() {
  // A maximized MDI child has no frame.
  if (!UseSkin() || BorderStyle() == kbsNone || MDIMaximized()) return TSeCustomForm::GetClientArea();
  if (!client_) return Rect(0, 0, FrameWidth(), FrameHeight());
  PrepareSkin();
  const TRect r = client_->BoundsRect();
  if (r.Left != 0 && r.Top != 0) return r;
  return TSeCustomForm::GetClientArea();
}

TRect TSeSkinForm::GetMaximizedRect() {
  // An MDI child fills its parent's client area.
  if (!UseSkin() || IsMDIChild()) return TSeCustomForm::GetMaximizedRect();
  // A window on top of everything may cover the task bar too.
  if (StayOnTop()) {
    TCustomForm* form = Form();
    if (QScreen* screen = form ? form->screen() : QGuiApplication::primaryScreen()) {
      const QRect g = screen->geometry();
      return Bounds(g.x(), g.y(), g.width(), g.height());
    }
  }
  return GetWorkArea();
}

TPoint TSeSkinForm::GetMaxSize() {
  if (!UseSkin() || IsMDIChild()) return TSeCustomForm::GetMaxSize();
  const TRect m = GetMaximizedRect();
  TPoint size{m.Width(), m.Height()};
  if (Constraints().MaxWidth) size.X = Constraints().MaxWidth;
  if (Constraints().MaxHeight) size.Y = Constraints().MaxHeight;
  return size;
}

void TSeSkinForm::AlignLinkControls() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!copy_ || !form) return;
  const TRect client = GetClientArea();
  ForEachLink(*copy_, [&](TSeLinkSkinObject& link) {
    if (link.LinkControl().empty()) return;
    auto* control = dynamic_cast<TControl*>(form->FindComponent(link.LinkControl()));
    if (!control) return;
    const TRect r = link.BoundsRect();
    TSeSkinObject* parent = link.Parent();
    const TRect p = parent ? parent->BoundsRect() : r;
    if (!IntersectRect(r, p).IsEmpty())
      control->SetBounds(r.Left - client.Left, r.Top - client.Top, r.Width(), r.Height());
    else
      control->SetBounds(0, 0, 0, 0);
  });
}

// ---- Painting -------------------------------------------------------------

void TSeSkinForm::PaintNonClient(TCanvas& canvas) {
  if (!UseSkin() || BorderStyle() == kbsNone || MDIMaximized()) {
    TSeCustomForm::PaintNonClient(canvas);
    return;
  }
  PrepareSkin();
  if (title_) title_->SetText(Caption());
  // The client part is the background's to draw, under the controls.
  if (client_) client_->SetVisible(false);
  copy_->Draw(canvas);
  if (client_) client_->SetVisible(true);
}

void TSeSkinForm::PaintBackground(TCanvas& canvas) {
  if (!UseSkin()) {
    TSeCustomForm::PaintBackground(canvas);
    return;
  }
  if (!client_) {
    copy_->SetActive(FormActive());
    if (title_) title_->SetText(Caption());
    copy_->Draw(canvas);
    return;
  }
  // The canvas starts at the client's corner: the client part is drawn
  // there for the moment and put back.
  client_->SetActive(FormActive());
  const TRect home = client_->BoundsRect();
  client_->SetBoundsRect(Rect(0, 0, home.Width(), home.Height()));
  client_->Draw(canvas);
  client_->SetBoundsRect(home);
}

// ---- Mouse ----------------------------------------------------------------

std::uint8_t TSeSkinForm::HitTest(int x, int y) {
  if (!UseSkin() || BorderStyle() == kbsNone || MDIMaximized()) return TSeCustomForm::HitTest(x, y);
  PrepareSkin();
  std::uint8_t part = kfpClient;
  if (TSeSkinObject* object = copy_->ObjectAtPoint(Point(x, y))) part = PartOf(object->Kind());
  const TRect grip = se::StatusBarGripRect(Form());
  if (!grip.IsEmpty() && PtInRect(grip, Point(x, y))) part = kfpBottomRight;
  return part;
}

void TSeSkinForm::StartDrag(TMouseButton button, TShiftState shift, int x, int y) {
  std::weak_ptr<int> alive = alive_;
  TSeCustomForm::StartDrag(button, shift, x, y);
  if (alive.expired() || !UseSkin()) return;
  TSeSkinObject* object = copy_->ObjectAtPoint(Point(x, y));
  captured_ = object;
  if (!object) return;
  if (shift & ssDouble)
    object->DblClick(button, x - object->Left(), y - object->Top());
  else
    object->MouseDown(button, x - object->Left(), y - object->Top());
}

void TSeSkinForm::TrackDrag(TShiftState shift, int x, int y) {
  std::weak_ptr<int> alive = alive_;
  TSeCustomForm::TrackDrag(shift, x, y);
  if (alive.expired() || !UseSkin()) return;
  TSeSkinObject* object = copy_->ObjectAtPoint(Point(x, y));
  if (!object) return;
  const bool held = shift & (ssLeft | ssRight);
  if (!held || object == captured_) object->MouseMove(shift, x - object->Left(), y - object->Top());
}

void TSeSkinForm::EndDrag(TMouseButton button, TShiftState shift, int x, int y) {
  std::weak_ptr<int> alive = alive_;
  TSeCustomForm::EndDrag(button, shift, x, y);
  if (alive.expired()) return;
  TSeSkinObject* captured = captured_;
  captured_ = nullptr;
  if (!UseSkin() || !captured) return;
  TSeSkinObject* object = copy_->ObjectAtPoint(Point(x, y));
  // The action runs last: it may free the form.
  if (object == captured) object->MouseUp(button, x - object->Left(), y - object->Top());
}

void TSeSkinForm::TrackHover(const TPoint& p) {
  if (!UseSkin()) return;
  // A maximized MDI child shows none of its frame's objects.
  TSeSkinObject* object = MDIMaximized() ? nullptr : copy_->ObjectAtPoint(p);
  if (!object) {
    if (TSeSkinObject* old = std::exchange(hot_, nullptr)) old->MouseLeave();
    return;
  }
  if (object == hot_ || !object->Visible()) return;
  TSeSkinObject* old = std::exchange(hot_, object);
  if (old) old->MouseLeave();
  if (!captured_ || captured_ == object) object->MouseEnter();
}

void TSeSkinForm::HoverTick() {
  TCustomForm* form = Form();
  if (!form || !form->isVisible() || !FormActive() || !UseSkin()) return;
  const QPoint c = QCursor::pos();
  TrackHover(ScreenToWindow({c.x(), c.y()}));
}

void TSeSkinForm::CustomAction(TSeSkinObject* button) {
  if (OnCustomAction) OnCustomAction(this, button);
}

// ---- Messages -------------------------------------------------------------

bool TSeSkinForm::SkinMessage(TMessage& m) {
  const auto engine = reinterpret_cast<TSeSkinEngine*>(m.LParam);
  switch (m.Msg) {
    case SKM_GETSKINFORM:
      m.Result = reinterpret_cast<std::intptr_t>(static_cast<TSeFrameActions*>(this));
      return true;
    case SKM_BEFORECHANGE:
      if (!engine || engine != engine_) return false;
      hover_timer_->SetEnabled(false);
      ReleaseSkin();
      return false;
    case SKM_AFTERCHANGE:
      if (!engine || engine != engine_) return false;
      SetSkinEngine(engine_);
      hover_timer_->SetEnabled(!Designing());
      return false;
    case SKM_SKINCHANGED: {
      auto* object = reinterpret_cast<TSeSkinObject*>(m.LParam);
      if (!UseSkin() || !object || object->Kind() == skClient) return true;
      // The whole frame changed (a panel rolled in or out): its outline
      // follows before it repaints.
      if (object == copy_.get()) UpdateRegion();
      if (client_) {
        PaintFrame();
      } else if (TCustomForm* form = Form(); form && form->isVisible()) {
        // Without a client part the whole window is the frame's picture.
        form->repaint();
      }
      return true;
    }
    default:
      return false;
  }
}

void TSeSkinForm::DoBeforeMessage(QEvent* event, bool& handled) {
  if (event->type() == TMessageEvent::EventType()) {
    if (SkinMessage(static_cast<TMessageEvent*>(event)->Message())) {
      handled = true;
      return;
    }
  }
  std::weak_ptr<int> alive = alive_;
  TSeCustomForm::DoBeforeMessage(event, handled);
  if (alive.expired()) return;
  // The hover follows the mouse at once; the timer only catches what no
  // event tells (the mouse leaving over another window).
  if (event->type() == QEvent::MouseMove) {
    const QPoint g = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    TrackHover(ScreenToWindow({g.x(), g.y()}));
  } else if (event->type() == QEvent::Leave) {
    TrackHover({-1, -1});
  }
}
