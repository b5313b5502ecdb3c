#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPoint>

// Mouse events as the window system delivers them to a top-level window:
// the screen point is what a frame goes by, so a window that moves under
// the mouse sees the same screen point at a new window point.
template <typename Window>
struct ScreenMouse {
  Window* const& window;

  QPoint Screen(QPoint local) const { return window->pos() + local; }
  void Send(QEvent::Type type, QPoint screen, Qt::MouseButton button, Qt::MouseButtons buttons) const {
    QMouseEvent e(type, QPointF(screen - window->pos()), QPointF(screen), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &e);
  }
  // Press, release, double click, release: the order Qt delivers them in.
  void DoubleClick(QPoint local) const {
    const QPoint g = Screen(local);
    Send(QEvent::MouseButtonPress, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton);
    Send(QEvent::MouseButtonDblClick, g, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, g, Qt::LeftButton, Qt::NoButton);
  }
};
