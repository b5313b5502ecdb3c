#pragma once
// What the menu tests share: a menu's loop is modal, so a test drives it
// from inside, one step per turn of the event loop; and mouse events at
// an item's place on the screen, as the window system gives them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "skin/se_menus.h"

namespace menusteps {

using Steps = std::vector<std::function<void()>>;

// Each step on its own turn of the event loop while a menu is open; then
// `last`, with the menus as they are then; then every menu closes.
inline void Play(std::shared_ptr<const Steps> steps, std::function<void()> last, std::size_t i = 0) {
  QTimer::singleShot(0, [steps, last, i] {
    if (i >= steps->size() || !se::InnermostMenu()) {
      if (last) last();
      se::CancelAllMenus();
      return;
    }
    Play(steps, last, i + 1);
    (*steps)[i]();
  });
}

// Plays `steps` inside the menu loop that `open` enters, and lets the
// events run out.
inline void Run(Steps steps, const std::function<void()>& open, std::function<void()> last = {}) {
  Play(std::make_shared<const Steps>(std::move(steps)), std::move(last));
  open();
  for (int i = 0; i < 40; ++i) QCoreApplication::processEvents();
}

// The item of `view` captioned `caption`.
inline TSeCustomItem* ItemOf(TSeItemView* view, const QString& caption) {
  for (int i = 0; i < view->Items()->Count(); ++i)
    if (StripHotkey(view->Items()->Items(i)->Caption()) == caption) return view->Items()->Items(i);
  ADD_FAILURE() << caption.toStdString();
  return nullptr;
}

// The screen point in the middle of that item.
inline QPoint Middle(TSeItemView* view, const QString& caption) {
  TSeCustomItem* item = ItemOf(view, caption);
  if (!item) return {};
  const TRect r = view->GetItemRect(item);
  return view->Window()->mapToGlobal(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

// A mouse event at a screen point, to `to` as to the widget under the
// mouse (an open menu watches every event of the application).
inline void Mouse(QWidget* to, QEvent::Type type, QPoint screen, Qt::MouseButtons held = Qt::NoButton) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, QPointF(to->mapFromGlobal(screen)), QPointF(screen), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(to, &e);
}
// The same to the innermost open menu's window.
inline void MouseInMenu(QEvent::Type type, const QString& caption, Qt::MouseButtons held = Qt::NoButton) {
  TSeItemView* view = se::InnermostMenu();
  if (!view) return;
  Mouse(view->Window(), type, Middle(view, caption), held);
}

}  // namespace menusteps
