#pragma once
// TSeCustomForm: the frame the skin library draws around a form instead of
// the desktop's. It is a component on the form that hooks the form's
// events: the form's window becomes frameless, and the frame paints its
// caption, buttons and borders in the window's outer band, answers the
// mouse there (moving, sizing, snapping to the screen's edges, caption
// buttons that act on release), keeps five window states (normal,
// maximized, minimized, rolled up, in the tray) and shows its own system
// menu. A drop shadow and blending go through the compositor when one
// runs; without one they are composed over a snapshot of the screen.
//
// Everything is done by our own code, so it works without a window manager.
//
// On an MDI child (Forms.h) the frame is a child window's: it moves and
// sizes inside the parent's MDI client area, snaps to that area's edges,
// maximizes to fill it with no frame at all (the parent's caption then ends
// in " - [child]" and the parent frame's menu bar shows the child's icon
// and buttons), and follows the parent's activation of its children. On an
// MDI parent it paints the client area's background itself.

#include <QPointer>
#include <QRegion>
#include <functional>
#include <memory>

#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "skin/se_bitmap.h"
#include "skin/se_formoptions.h"
#include "skin/se_framegeometry.h"
#include "skin/se_hooks.h"
#include "skin/se_messages.h"

class TIcon;
class TPopupMenu;
class TrayIcon;
class TSeCustomItem;
class TSeCustomMenuBar;

// The frame's own size limits (0: none).
struct TSeSizeConstraints {
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
};

using TSeFormActionEvent = std::function<void(TComponent* sender, bool& callDefault)>;

class TSeCustomForm : public TSeHook, public TSeFrameActions {
 public:
  explicit TSeCustomForm(TComponent* owner = nullptr);
  ~TSeCustomForm() override;
  // A frame made in code attaches to its form here; one read from a
  // resource at Loaded.
  void Init() override;

  TSeBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TSeBorderStyle value);
  TSeBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TSeBorderIcons value);
  TSeWindowState WindowState() const { return window_state_; }
  void SetWindowState(TSeWindowState value);
  TSeFormPerformance Performance() const { return performance_; }
  void SetPerformance(TSeFormPerformance value) { performance_ = value; }
  const TSeSizeConstraints& Constraints() const { return constraints_; }
  void SetConstraints(const TSeSizeConstraints& value);
  bool MinimizeApplication() const { return minimize_application_; }
  void SetMinimizeApplication(bool value) { minimize_application_ = value; }
  bool StayOnTop() const { return stay_on_top_; }
  void SetStayOnTop(bool value);
  bool StretchBackground() const { return stretch_background_; }
  void SetStretchBackground(bool value) { stretch_background_ = value; }
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& value);

  TSeBlending* Blending() const { return blending_.get(); }
  TSeShadow* Shadow() const { return shadow_.get(); }
  TSeGravitation* Gravitation() const { return gravitation_.get(); }
  TSeDragging* Dragging() const { return dragging_.get(); }
  TSeAnimation* Animation() const { return animation_.get(); }
  TSePopupMenuOptions* SystemMenuOptions() const { return system_menu_options_.get(); }
  TSePopupMenuOptions* TrayMenuOptions() const { return tray_menu_options_.get(); }

  TSeCustomMenuBar* MenuBar() const { return menu_bar_; }
  void SetMenuBar(TSeCustomMenuBar* value);
  TPopupMenu* SystemMenuLink() const { return system_menu_link_; }
  void SetSystemMenuLink(TPopupMenu* value);
  TPopupMenu* TrayMenuLink() const { return tray_menu_link_; }
  void SetTrayMenuLink(TPopupMenu* value);

  // CallDefault set false by a handler cancels the operation.
  TSeFormActionEvent OnClose, OnMinimize, OnMaximize, OnRollup, OnMinToTray;
  // Paints the client background instead of the form's colour.
  std::function<void(TComponent* sender, TCanvas& canvas)> OnPaint;
  std::function<void(TComponent* sender)> OnCreate;
  std::function<void(TComponent* sender)> OnResize;
  // Each frame of the show effect, after it is on screen (for tests and
  // progress).
  std::function<void(TComponent* sender, int step)> OnAnimationStep;

  // ---- Where things are (window coordinates; a skinned frame overrides).
  virtual void UpdateRegion();
  virtual QRegion CreateFormRegion();
  virtual TSeCustomItem* CreateMenuItem(TComponent* owner);
  virtual TRect GetBorderIconRect(unsigned icon);
  virtual TRect GetClientArea();
  virtual TRect GetRollupRect();
  virtual TRect GetMinimizedRect();
  virtual TRect GetMaximizedRect();
  virtual TPoint GetMaxSize();
  virtual TPoint GetMinSize();
  // The frame on a canvas whose origin is the window's top-left corner.
  virtual void PaintNonClient(TCanvas& canvas);
  // The client area on a canvas whose origin is the client's top-left.
  virtual void PaintBackground(TCanvas& canvas);
  virtual std::uint8_t HitTest(int x, int y);

  // ---- Services for the rest of the library.
  TRect GetClientBounds();
  TPoint ScreenToWindow(const TPoint& p) const;
  // The work area of the screen that holds the window.
  TRect GetWorkArea() const;
  void SetFormBounds(int left, int top, int width, int height);
  void SetFormRect(const TRect& r);
  // Repaints the frame now.
  void PaintFrame();
  void UpdateForm();
  // Recomputes the client area after a change of style, icons or shadow,
  // keeping the client size.
  void UpdateFrame();
  // The same, keeping the client size `clientBefore` measured before a
  // change that already moved the frame's parts (a new skin).
  void UpdateFrame(const TRect& clientBefore);
  void DisableFramePaint() { frame_paint_ = false; }
  void EnableFramePaint() { frame_paint_ = true; }
  bool FramePaintEnabled() const { return frame_paint_; }
  // Snaps a moved window rectangle to the work area's edges.
  TRect ApplyGravitation(const TRect& r);
  // The frame and client background drawn into `target` at (x, y).
  void PaintTo(TSeBitmap& target, int x, int y);

  // ---- The system menu.
  void BuildSystemMenu();
  TSeCustomItem* SystemMenu() const { return system_menu_.get(); }
  void SystemMenuClick(TComponent* sender);

  // ---- Window states and caption buttons.
  TSeBorderIcons FrameBorderIcons() const override { return border_icons_; }
  void Close() override;
  void ContextHelp() override;
  void Minimize() override;
  void Maximize() override;
  void Restore() override;
  void Rollup() override;
  void MinimizeToTray() override;
  void ShowSystemMenu() override;
  void CustomAction(TSeSkinObject* button) override;

  // ---- Mouse in the frame (window coordinates).
  virtual void StartDrag(TMouseButton button, TShiftState shift, int x, int y);
  virtual void TrackDrag(TShiftState shift, int x, int y);
  virtual void EndDrag(TMouseButton button, TShiftState shift, int x, int y);

  // What the frame shows now (for painting and tests).
  std::uint8_t PressedPart() const { return pressed_part_; }
  std::uint8_t HotPart() const { return hot_part_; }
  bool DragInProgress() const { return drag_in_progress_; }
  bool FormActive() const { return form_active_; }
  TRect NormalBounds() const { return normal_bounds_; }
  int FrameWidth() const { return frame_width_; }
  int FrameHeight() const { return frame_height_; }
  TSeFrameLayout Layout() const;
  // Whether a compositor draws the shadow and blending (else they are
  // composed over a snapshot of the screen).
  bool Composited() const { return composited_; }
  TrayIcon* Tray() const { return tray_.get(); }
  // The form's icon at the small icon size.
  TIcon* GetFormIcon();
  // Expires with the frame.
  std::weak_ptr<int> AliveToken() const { return alive_; }

  // ---- MDI.
  bool IsMDIChild() const;
  bool IsMDIParent() const;
  // A maximized MDI child: no frame, the whole window is client area.
  bool MDIMaximized() const;
  // For an MDI child: the form whose client area holds it; else null.
  TCustomForm* GetMDIParent() const;
  TSeCustomForm* GetMDIParentFrame() const;
  // Whether a shown MDI child of this child's parent (or of this parent)
  // is maximized.
  bool HasMaximizedMDIChild() const;
  // The parent's caption ends in " - [<this child's caption>]" while a
  // child is maximized and loses that ending when none is.
  void UpdateMDIParentCaption();
  // For an MDI child: restores every maximized sibling, then the parent's
  // caption follows; for an MDI parent: restores every maximized child.
  void RestoreMaximizedMDIChildren();

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // BorderStyle was set; the frame is recomputed unless loading.
  virtual void BorderStyleChanged();
  void DoBeforeMessage(QEvent* event, bool& handled) override;
  void DoAfterMessage(QEvent* event, bool& handled) override;

  // Draws one caption button.
  virtual void PaintCaptionButton(TCanvas& canvas, const TRect& rect, unsigned icon, bool pressed, bool hot);
  void PaintCaption(TCanvas& canvas);
  // Paints the window's frame band (and shadow) with a painter on the form.
  void PaintWindow(QPainter& painter, const QRegion& region);
  void CaptureBackground(const TRect& screenRect);
  void AnimateShow();

  // Mouse events in the frame, in window coordinates; false when the
  // event is the client's.
  bool FrameMouseEvent(QEvent* event);
  bool FrameKeyEvent(QEvent* event);

 private:
  void Attach();
  void ApplyInsets();
  void SizeChanged();
  bool RunAction(const TSeFormActionEvent& event);
  void SaveNormalBounds(std::initializer_list<TSeWindowState> unless);
  void ShowTrayIcon(bool show);
  void UpdateCursor(std::uint8_t part);
  void PaintShadow(TSeBitmap& buffer);
  TSeCustomMenuBar* MDIParentMenuBar() const;
  void MDIActivated(const TMDIActivateEvent& event);
  // The client background (OnPaint, else PaintBackground) on a painter
  // whose origin is the client area's top-left corner.
  void PaintClientBackground(QPainter& painter);
  // Fills the MDI client area with this frame's client background.
  void PaintMDIClient(QWidget* client);
  void FitMaximizedMDIChildren();
  bool CloseMDIChild(TCustomForm* form);

  TSeBorderStyle border_style_ = kbsStandard;
  TSeBorderIcons border_icons_ = kbiClose | kbiSystemMenu | kbiMinimize | kbiMaximize | kbiRollup | kbiTray;
  TSeWindowState window_state_ = kwsNormal;
  TSeWindowState loaded_window_state_ = kwsNormal;
  TSeWindowState previous_state_ = kwsNormal;
  TSeFormPerformance performance_ = tbfpNoBuffer;
  TSeSizeConstraints constraints_;
  bool minimize_application_ = true;
  bool stay_on_top_ = false;
  bool stretch_background_ = false;
  QString caption_;

  std::unique_ptr<TSeBlending> blending_;
  std::unique_ptr<TSeShadow> shadow_;
  std::unique_ptr<TSeGravitation> gravitation_;
  std::unique_ptr<TSeDragging> dragging_;
  std::unique_ptr<TSeAnimation> animation_;
  std::unique_ptr<TSePopupMenuOptions> system_menu_options_;
  std::unique_ptr<TSePopupMenuOptions> tray_menu_options_;

  TSeCustomMenuBar* menu_bar_ = nullptr;
  TPopupMenu* system_menu_link_ = nullptr;
  TPopupMenu* tray_menu_link_ = nullptr;
  std::unique_ptr<TSeCustomItem> system_menu_;
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<TIcon> form_icon_;

  // Screen pixels behind the window, for shadow and blending without a
  // compositor.
  TSeBitmap background_;
  TRect captured_rect_;
  bool capture_suspended_ = false;
  // While the show animation runs, the window shows this picture.
  const TSeBitmap* animation_frame_ = nullptr;
  bool animating_ = false;

  TRect normal_bounds_;
  bool attached_ = false;
  bool composited_ = false;
  bool frame_paint_ = true;
  bool form_active_ = true;
  std::uint8_t pressed_part_ = 0;
  std::uint8_t hot_part_ = 0;
  int frame_width_ = 0;
  int frame_height_ = 0;
  int window_width_ = 0;
  int window_height_ = 0;
  unsigned nc_state_ = 0;  // ssLeft or ssRight while a button is down in the frame
  TPoint drag_start_;
  TPoint drag_last_;
  bool drag_in_progress_ = false;
  bool outline_drag_ = false;
  TRect drag_outline_;
  QPointer<QWidget> outline_window_;
  TPoint popup_point_;
  TRect insets_;
  // Expires with the frame: deferred work and actions that may free the
  // form check it.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  // The MDI parent of the form, kept for the frame's own destruction (the
  // form is half gone by then), and the watcher on a parent's client area.
  QPointer<TCustomForm> mdi_parent_;
  QPointer<QObject> mdi_client_watch_;
};

namespace se {

// The first active frame on the form that holds `control` (the innermost
// one: an MDI child's controls belong to the child), else null.
TSeCustomForm* FindFormHook(TControl* control);
// Whether a compositing manager runs on this display (X11 only).
bool CompositorRunning();

}  // namespace se
