#include "platform/gui/Menus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <map>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/ImgList.h"

namespace {

struct KeyName {
  int vk;
  int qt;
  const char* text;
};

// The keys whose host names differ from their character.
constexpr KeyName kKeyNames[] = {
    {0x08, Qt::Key_Backspace, "BkSp"}, {0x09, Qt::Key_Tab, "Tab"},     {0x0D, Qt::Key_Return, "Enter"},
    {0x1B, Qt::Key_Escape, "Esc"},     {0x20, Qt::Key_Space, "Space"}, {0x21, Qt::Key_PageUp, "PgUp"},
    {0x22, Qt::Key_PageDown, "PgDn"},  {0x23, Qt::Key_End, "End"},     {0x24, Qt::Key_Home, "Home"},
    {0x25, Qt::Key_Left, "Left"},      {0x26, Qt::Key_Up, "Up"},       {0x27, Qt::Key_Right, "Right"},
    {0x28, Qt::Key_Down, "Down"},      {0x2D, Qt::Key_Insert, "Ins"},  {0x2E, Qt::Key_Delete, "Del"},
};

int QtKeyFromVirtual(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  if (vk >= 0x70 && vk <= 0x87) return Qt::Key_F1 + (vk - 0x70);
  for (const KeyName& k : kKeyNames)
    if (k.vk == vk) return k.qt;
  return 0;
}

QString KeyText(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return QString(QChar(vk));
  if (vk >= 0x70 && vk <= 0x87) return QStringLiteral("F%1").arg(vk - 0x70 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.vk == vk) return QString::fromLatin1(k.text);
  return {};
}

}  // namespace

TShortCut ShortCut(int key, TShiftState shift) {
  TShortCut result = static_cast<TShortCut>(key & 0xFF);
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}

QString ShortCutToText(TShortCut shortcut) {
  const QString key = KeyText(shortcut & 0xFF);
  if (key.isEmpty()) return {};
  QString text;
  if (shortcut & scShift) text += QStringLiteral("Shift+");
  if (shortcut & scCtrl) text += QStringLiteral("Ctrl+");
  if (shortcut & scAlt) text += QStringLiteral("Alt+");
  return text + key;
}

QKeySequence ShortCutToKeySequence(TShortCut shortcut) {
  const int key = QtKeyFromVirtual(shortcut & 0xFF);
  if (key == 0) return {};
  int modifiers = 0;
  if (shortcut & scShift) modifiers |= Qt::SHIFT;
  if (shortcut & scCtrl) modifiers |= Qt::CTRL;
  if (shortcut & scAlt) modifiers |= Qt::ALT;
  return QKeySequence(key | modifiers);
}

QChar GetHotkey(const QString& caption) {
  for (int i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return caption[i + 1].toUpper();
  }
  return {};
}

QString StripHotkey(const QString& caption) {
  QString text;
  for (int i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) text += QLatin1Char('&');
      ++i;
      if (i < caption.size() && caption[i] != QLatin1Char('&')) text += caption[i];
      continue;
    }
    text += caption[i];
  }
  return text;
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  MarkDestroying();
  // Children owned elsewhere stay alive; they only lose their parent.
  for (TMenuItem* child : items_) child->parent_ = nullptr;
  items_.clear();
  if (parent_) {
    auto& siblings = parent_->items_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent_->Changed();
  }
}

void TMenuItem::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut shortcut) {
  if (shortcut == shortcut_) return;
  shortcut_ = shortcut;
  Changed();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked && radio_item_ && parent_)
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this && sibling->radio_item_ && sibling->group_index_ == group_index_)
        sibling->checked_ = false;
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TMenuItem::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed();
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("Menu index out of range");
  return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EComponentError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EListError("Menu index out of range");
  for (TMenuItem* p = this; p; p = p->parent_)
    if (p == item) throw EComponentError("A menu item cannot hold itself");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  Remove(item);
  delete item;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Changed();
}

void TMenuItem::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const QString& caption) const {
  const QString wanted = StripHotkey(caption);
  for (TMenuItem* item : items_)
    if (StripHotkey(item->caption_).compare(wanted, Qt::CaseInsensitive) == 0) return item;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Click() {
  if (auto_check_) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

void TMenuItem::Changed() {
  if (Destroying()) return;
  if (TMenu* menu = GetParentMenu()) menu->ItemsChanged();
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)), guard_(std::make_unique<QObject>()) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  MarkDestroying();
  for (auto& action : shortcut_actions_) delete action.data();
  if (images_) RemoveFreeNotification(images_);
  items_->menu_ = nullptr;
  // Items owned by the form go with it; detach them from our root first.
  items_.reset();
}

void TMenu::Init() { ItemsChanged(); }

void TMenu::SetImages(TImageList* images) {
  if (images == images_) return;
  if (images_) RemoveFreeNotification(images_);
  images_ = images;
  if (images) FreeNotification(images);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) images_ = nullptr;
}

void TMenu::ItemsChanged() {
  if (Destroying()) return;
  if (auto* main = dynamic_cast<TMainMenu*>(this)) main->Rebuild();
  RebuildShortcuts();
}

void TMenu::RebuildShortcuts() {
  for (auto& action : shortcut_actions_) delete action.data();
  shortcut_actions_.clear();
  auto* window = dynamic_cast<QWidget*>(Owner());
  if (!window) return;
  std::vector<TMenuItem*> stack(items_->items_.rbegin(), items_->items_.rend());
  while (!stack.empty()) {
    TMenuItem* item = stack.back();
    stack.pop_back();
    stack.insert(stack.end(), item->items_.rbegin(), item->items_.rend());
    if (item->shortcut_ == 0) continue;
    const QKeySequence keys = ShortCutToKeySequence(item->shortcut_);
    if (keys.isEmpty()) continue;
    auto* action = new QAction(window);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    const TShortCut shortcut = item->shortcut_;
    QObject::connect(action, &QAction::triggered, window, [this, shortcut] {
      CallGuarded(this, [&] {
        TMenuItem* target = FindItemByShortCut(shortcut);
        if (target) target->Click();
      });
    });
    window->addAction(action);
    shortcut_actions_.emplace_back(action);
  }
}

namespace {

// An item counts only while it and every parent are enabled and visible.
bool Reachable(const TMenuItem* item) {
  for (; item && item->Parent(); item = item->Parent())
    if (!item->Enabled() || !item->Visible()) return false;
  return true;
}

}  // namespace

TMenuItem* TMenu::FindItemByShortCut(TShortCut shortcut) const {
  if (shortcut == 0) return nullptr;
  std::vector<TMenuItem*> stack(items_->items_.rbegin(), items_->items_.rend());
  while (!stack.empty()) {
    TMenuItem* item = stack.back();
    stack.pop_back();
    if (item->shortcut_ == shortcut && Reachable(item)) return item;
    stack.insert(stack.end(), item->items_.rbegin(), item->items_.rend());
  }
  return nullptr;
}

bool TMenu::IsShortCut(int key, TShiftState shift) {
  TMenuItem* item = FindItemByShortCut(::ShortCut(key, shift));
  if (!item) return false;
  item->Click();
  return true;
}

QMenu* TMenu::BuildQMenu(TMenuItem* parentItem, QWidget* parent) {
  auto* menu = new QMenu(parent);
  std::map<int, QActionGroup*> groups;
  for (TMenuItem* item : parentItem->items_) {
    if (!item->visible_) continue;
    if (item->IsLine()) {
      menu->addSeparator();
      continue;
    }
    QAction* action;
    if (!item->items_.empty()) {
      QMenu* sub = BuildQMenu(item, menu);
      sub->setTitle(item->caption_);
      action = menu->addMenu(sub);
    } else {
      QString text = item->caption_;
      const QString keys = ShortCutToText(item->shortcut_);
      if (!keys.isEmpty()) text += QLatin1Char('\t') + keys;
      action = menu->addAction(text);
      TMenuItem* raw = item;
      QObject::connect(action, &QAction::triggered, menu, [this, raw] {
        // The click runs once the menu has closed, as on the host; the menu
        // or the item may be gone by then.
        QTimer::singleShot(0, guard_.get(), [this, raw] {
          if (ContainsItem(raw)) CallGuarded(raw, [&] { raw->Click(); });
        });
      });
    }
    action->setEnabled(item->enabled_);
    if (item->checked_ || item->auto_check_ || item->radio_item_) {
      action->setCheckable(true);
      action->setChecked(item->checked_);
    }
    if (item->radio_item_) {
      QActionGroup*& group = groups[item->group_index_];
      if (!group) group = new QActionGroup(menu);
      group->addAction(action);
    }
    if (item->default_) {
      QFont font = action->font();
      font.setBold(true);
      action->setFont(font);
    }
    if (images_ && item->image_index_ >= 0 && item->image_index_ < images_->Count())
      action->setIcon(images_->IconOf(item->image_index_));
  }
  return menu;
}

bool TMenu::ContainsItem(const TMenuItem* wanted) const {
  std::vector<TMenuItem*> stack(items_->items_.begin(), items_->items_.end());
  while (!stack.empty()) {
    TMenuItem* item = stack.back();
    stack.pop_back();
    if (item == wanted) return true;
    stack.insert(stack.end(), item->items_.begin(), item->items_.end());
  }
  return false;
}

// ---- TMainMenu ----

TMainMenu::~TMainMenu() {
  MarkDestroying();
  delete bar_.data();
}

QMenuBar* TMainMenu::MenuBar(QWidget* parent) {
  if (!bar_) bar_ = new QMenuBar(parent);
  Rebuild();
  return bar_;
}

void TMainMenu::Rebuild() {
  if (!bar_) return;
  bar_->clear();
  for (TMenuItem* item : Items()->items_) {
    if (!item->visible_) continue;
    QMenu* menu = BuildQMenu(item, bar_);
    menu->setTitle(item->caption_);
    QAction* action = bar_->addMenu(menu);
    action->setEnabled(item->enabled_);
    if (item->items_.empty()) {
      TMenuItem* raw = item;
      QObject::connect(menu, &QMenu::aboutToShow, bar_, [this, raw, menu] {
        menu->close();
        if (ContainsItem(raw)) CallGuarded(raw, [&] { raw->Click(); });
      });
    }
  }
}

// ---- TPopupMenu ----

TPopupMenu::~TPopupMenu() {
  MarkDestroying();
  delete shown_.data();
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  delete shown_.data();
  QMenu* menu = BuildQMenu(Items(), nullptr);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  shown_ = menu;
  QPoint at(x, y);
  const int width = menu->sizeHint().width();
  if (alignment_ == paRight) at.rx() -= width;
  if (alignment_ == paCenter) at.rx() -= width / 2;
  menu->popup(at);
}

TMenuItem* NewItem(TComponent* owner, const QString& caption, TShortCut shortcut,
                   std::function<void(TComponent*)> onClick) {
  auto* item = Create<TMenuItem>(owner);
  item->SetCaption(caption);
  item->SetShortCut(shortcut);
  item->OnClick = std::move(onClick);
  return item;
}

TMenuItem* NewLine(TComponent* owner) { return NewItem(owner, QStringLiteral("-")); }
