#pragma once
// Forms: top-level windows with the host's frame styles, modal showing with
// a ModalResult, stay-on-top, start position, and the close protocol
// (OnCloseQuery may refuse, OnClose picks what closing does).
//
// Forms are made with Create<T>(owner) (or Application().CreateForm<T>()) so
// that OnCreate, run from Init, sees the finished form.

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
  // default; closing the main form ends the program).
  void Close();
  virtual bool CloseQuery();
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
  bool Active() const { return isActiveWindow(); }

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
  void ApplyWindowFlags();
  void EndModal();

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
};

class TForm : public TCustomForm {
  Q_OBJECT

 public:
  using TCustomForm::TCustomForm;
};
