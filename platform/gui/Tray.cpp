#include "platform/gui/Tray.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

class SystemTrayIcon final : public TrayIcon {
 public:
  SystemTrayIcon() {
    QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
      if (!OnEvent) return;
      switch (reason) {
        case QSystemTrayIcon::Trigger:
          OnEvent(TrayEvent::Click, QCursor::pos());
          break;
        case QSystemTrayIcon::DoubleClick:
          OnEvent(TrayEvent::DoubleClick, QCursor::pos());
          break;
        case QSystemTrayIcon::Context:
          OnEvent(TrayEvent::RightClick, QCursor::pos());
          break;
        case QSystemTrayIcon::MiddleClick:
          OnEvent(TrayEvent::MiddleClick, QCursor::pos());
          break;
        default:
          break;
      }
    });
  }
  void SetIcon(const QIcon& icon) override { icon_.setIcon(icon); }
  void SetHint(const QString& hint) override { icon_.setToolTip(hint); }
  QString Hint() const override { return icon_.toolTip(); }
  void SetMenu(QMenu* menu) override { icon_.setContextMenu(menu); }
  void SetVisible(bool visible) override { icon_.setVisible(visible); }
  bool Visible() const override { return icon_.isVisible(); }
  void ShowMessage(const QString& title, const QString& text) override { icon_.showMessage(title, text); }

 private:
  QSystemTrayIcon icon_;
};

// The window that stands in for the tray: the icon and the hint, clicks as
// on a tray icon, the menu on a right click.
class FallbackWindow final : public QWidget {
 public:
  explicit FallbackWindow(TrayIcon* owner)
      : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), owner_(owner) {
    auto* layout = new QHBoxLayout(this);
    icon_ = new QLabel(this);
    text_ = new QLabel(this);
    layout->addWidget(icon_);
    layout->addWidget(text_);
    icon_->setFixedSize(32, 32);
    setToolTip("Double-click to open");
  }
  void SetIcon(const QIcon& icon) {
    icon_->setPixmap(icon.pixmap(32, 32));
    setWindowIcon(icon);
  }
  void SetHint(const QString& hint) {
    text_->setText(hint);
    setWindowTitle(hint);
    adjustSize();
  }
  QString HintText() const { return text_->text(); }
  QPointer<QMenu> menu;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    const QPoint at = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) Fire(TrayEvent::Click, at);
    if (event->button() == Qt::MiddleButton) Fire(TrayEvent::MiddleClick, at);
    if (event->button() == Qt::RightButton) {
      Fire(TrayEvent::RightClick, at);
      if (menu) menu->popup(at);
    }
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) Fire(TrayEvent::DoubleClick, event->globalPosition().toPoint());
  }
  // Closing the stand-in would leave the program unreachable: it minimises.
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    showMinimized();
  }

 private:
  void Fire(TrayEvent event, QPoint at) {
    if (owner_->OnEvent) owner_->OnEvent(event, at);
  }
  TrayIcon* owner_;
  QLabel* icon_;
  QLabel* text_;
};

class FallbackTrayIcon final : public TrayIcon {
 public:
  FallbackTrayIcon() : window_(std::make_unique<FallbackWindow>(this)) {}
  void SetIcon(const QIcon& icon) override { window_->SetIcon(icon); }
  void SetHint(const QString& hint) override { window_->SetHint(hint); }
  QString Hint() const override { return window_->HintText(); }
  void SetMenu(QMenu* menu) override { window_->menu = menu; }
  void SetVisible(bool visible) override { window_->setVisible(visible); }
  bool Visible() const override { return window_->isVisible(); }
  void ShowMessage(const QString& title, const QString& text) override {
    window_->setToolTip(title + "\n" + text);
    window_->raise();
  }

 private:
  std::unique_ptr<FallbackWindow> window_;
};

}  // namespace

std::unique_ptr<TrayIcon> MakeFallbackTrayIcon() { return std::make_unique<FallbackTrayIcon>(); }

std::unique_ptr<TrayIcon> QtTrayFactory::Make() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) return std::make_unique<SystemTrayIcon>();
  return MakeFallbackTrayIcon();
}

std::unique_ptr<TrayIcon> FakeTrayFactory::Make() {
  auto icon = std::make_unique<FakeTrayIcon>();
  made.push_back(icon.get());
  return icon;
}
