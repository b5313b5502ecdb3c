#pragma once
// Forms: top-level windows with the host's frame styles, modal showing with
// a ModalResult, stay-on-top, start position, and the close protocol
// (OnCloseQuery may refuse, OnClose picks what closing does).
//
// Forms are made with Create<T>(owner) (or Application().CreateForm<T>()) so
// that OnCreate, run from Init, sees the finished form.
//
// MDI: a form of style fsMDIForm gets an MDI client area, a plain windowed
// control aligned to fill what the other aligned controls leave of its
// client area. A form set to fsMDIChild becomes a child window in the
// client area of its MDI parent (its owner when that is an MDI parent form,
// else the application's main form); it has no frame of its own (a frame
// component may draw one), its Left and Top are client-area coordinates,
// and its window state is kept by the form: maximized fills the client
// area and follows its size. The parent lists its children top-most first
// and knows the active one: showing a child, or a press or the focus
// arriving inside it, activates it and brings it to the front; the child
// losing and the child gaining activation each get a TMDIActivateEvent.

#include <QPointer>
#include <functional>
#include <vector>

#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"

class QEventLoop;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
enum : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TCustomForm;

// Sent to the MDI child that loses activation and then to the one that
// gains it (either may be null).
class TMDIActivateEvent final : public QEvent {
 public:
  TMDIActivateEvent(TCustomForm* deactivated, TCustomForm* activated)
      : QEvent(EventType()), deactivated_(deactivated), activated_(activated) {}
  static QEvent::Type EventType();
  TCustomForm* Deactivated() const { return deactivated_; }
  TCustomForm* Activated() const { return activated_; }

 private:
  TCustomForm* deactivated_;
  TCustomForm* activated_;
};

class TCustomForm : public TWinControl {
  Q_OBJECT

 public:
  explicit TCustomForm(TComponent* owner = nullptr);
  ~TCustomForm() override;

  // Runs OnCreate: by now the derived form is complete.
  void Init() override;

  // Shows the form and waits until ModalResult is set (or the form closes);
  // returns the result. Other windows take no input meanwhile.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result);
  bool Modal() const { return modal_loop_ != nullptr; }

  // The close protocol: asks CloseQuery, then OnClose decides (hide by
  // default, minimize for an MDI child that can be minimized, nothing for
  // one that cannot; closing the main form ends the program).
  void Close();
  virtual bool CloseQuery();
  // The asking half of Close for a frame that carries out the action
  // itself: CloseQuery, then OnClose with `action` as the proposal; false
  // when the form refused to close.
  bool QueryClose(TCloseAction& action);
  // Frees the form once the events now waiting have run.
  void Release();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* control);
  // For an MDI child: whether it is its parent's active child.
  bool Active() const;

  // ---- MDI.
  // The client area window of an MDI parent form; null for other forms.
  TWinControl* MDIClient() const { return mdi_client_; }
  // The MDI children of this parent, top-most first, hidden ones included.
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int index) const;
  TCustomForm* ActiveMDIChild() const { return active_mdi_child_; }
  // Makes `child` (one of this parent's, or null) the active MDI child and
  // brings it to the front.
  void SetActiveMDIChild(TCustomForm* child);
  // The parent whose client area holds this MDI child; null otherwise.
  TCustomForm* MDIParent() const { return mdi_parent_; }
  // The band a frame drawn by the program (a skinned frame) keeps for
  // itself: the client area and the children's coordinates start inside
  // it. Children keep their client positions when it changes.
  const TRect& NonClientInsets() const { return insets_; }
  void SetNonClientInsets(const TRect& insets);
  TRect ClientRect() const override;

  std::function<void(TControl*)> OnCreate;
  std::function<void(TControl*)> OnShow;
  std::function<void(TControl*)> OnHide;
  std::function<void(TControl*)> OnActivate;
  std::function<void(TControl*)> OnDeactivate;
  std::function<void(TControl*, bool& can_close)> OnCloseQuery;
  std::function<void(TControl*, TCloseAction& action)> OnClose;

 protected:
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  // Places the form by Position before it first shows.
  void ApplyPosition();

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void TextChanged() override;

 private:
  friend class TMDIClient;
  void ApplyWindowFlags();
  void EndModal();
  void BecomeMDIChild();
  // Places an MDI child by its window state.
  void PlaceMDIChild();
  // The top-most shown MDI child other than `except`, else null.
  TCustomForm* NextMDIChild(const TCustomForm* except) const;

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  TModalResult modal_result_ = mrNone;
  QEventLoop* modal_loop_ = nullptr;
  bool positioned_ = false;
  bool closing_ = false;
  QPointer<TWinControl> active_control_;
  TRect insets_;
  TWinControl* mdi_client_ = nullptr;
  QPointer<TCustomForm> active_mdi_child_;
  QPointer<TCustomForm> mdi_parent_;
  TWindowState mdi_state_ = wsNormal;
  TRect mdi_normal_bounds_;
};

class TForm : public TCustomForm {
  Q_OBJECT

 public:
  using TCustomForm::TCustomForm;
};
