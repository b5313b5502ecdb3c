#include "shell/IconCtls.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPixmap>

#include "platform/core/Exceptions.h"
#include "platform/gui/Application.h"
#include "shell/IconCtlsExtract.h"

namespace {

constexpr int kIconSize = 32;
// Larger files are not programs an autorun disc starts from; they are not
// read whole to look for icons.
constexpr qint64 kMaxFileSize = 256LL << 20;

}  // namespace

TwpnIconListBox::TwpnIconListBox(TComponent* owner) : TWinControl(owner) {
  list_ = new QListWidget(this);
  list_->setViewMode(QListView::IconMode);
  list_->setFlow(QListView::LeftToRight);
  list_->setWrapping(true);
  list_->setMovement(QListView::Static);
  list_->setResizeMode(QListView::Adjust);
  list_->setIconSize(QSize(kIconSize, kIconSize));
  SetMargin(5);
  SetBounds(Left(), Top(), 200, 80);
}

TwpnIconListBox::~TwpnIconListBox() = default;

void TwpnIconListBox::resizeEvent(QResizeEvent* event) {
  TWinControl::resizeEvent(event);
  list_->setGeometry(rect());
}

void TwpnIconListBox::showEvent(QShowEvent* event) {
  TWinControl::showEvent(event);
  // Caching spares a hidden list the work; one on screen shows every icon.
  for (int i = 0; i < Count(); ++i) GetIcon(i);
}

void TwpnIconListBox::SetFileName(const QString& file_name) {
  if (file_name == file_name_) return;
  file_name_ = file_name;
  LoadIcons();
  if (OnFileChange) CallGuarded(this, [&] { OnFileChange(this); });
}

void TwpnIconListBox::SetAutoDisable(bool auto_disable) {
  auto_disable_ = auto_disable;
  SetEnabled(!auto_disable_ || QFileInfo(file_name_).isFile());
}

void TwpnIconListBox::SetEnableCaching(bool caching) {
  if (caching == enable_caching_) return;
  enable_caching_ = caching;
  if (!caching) LoadIcons();
}

void TwpnIconListBox::SetMargin(int margin) {
  margin_ = margin;
  list_->setGridSize(QSize(kIconSize + margin_, kIconSize + margin_));
}

int TwpnIconListBox::Count() const { return list_->count(); }

QString TwpnIconListBox::ItemText(int index) const {
  const QListWidgetItem* item = list_->item(index);
  return item ? item->data(Qt::UserRole).toString() : QString();
}

int TwpnIconListBox::ItemIndex() const { return list_->currentRow(); }

void TwpnIconListBox::SetItemIndex(int index) { list_->setCurrentRow(index); }

void TwpnIconListBox::LoadIcons() {
  list_->clear();
  icons_.clear();
  icon_files_.clear();
  const QFileInfo info(file_name_);
  const bool exists = !file_name_.isEmpty() && info.isFile();
  SetEnabled(!auto_disable_ || exists);
  if (!exists) {
    number_of_icons_ = -1;
    return;
  }
  QFile file(file_name_);
  if (info.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly))
    icon_files_ = ExtractIconFiles(file.readAll());
  number_of_icons_ = static_cast<int>(icon_files_.size());
  icons_.resize(icon_files_.size());
  for (int i = 0; i < number_of_icons_; ++i) {
    // The list shows only the icons; each item's text is its index.
    auto* item = new QListWidgetItem(list_);
    item->setData(Qt::UserRole, QString::number(i));
    item->setToolTip(QString::number(i));
    // A fixed cell, so an icon extracted later needs no new layout.
    item->setSizeHint(QSize(kIconSize + margin_, kIconSize + margin_));
    if (!enable_caching_ || isVisible()) GetIcon(i);
  }
  if (number_of_icons_ > 0) list_->setCurrentRow(0);
}

TIcon* TwpnIconListBox::GetIcon(int index) {
  if (index < 0 || index >= static_cast<int>(icons_.size())) return nullptr;
  auto& icon = icons_[static_cast<std::size_t>(index)];
  if (!icon) {
    auto made = std::make_unique<TIcon>();
    try {
      made->LoadFromBytes(icon_files_[static_cast<std::size_t>(index)]);
    } catch (const Exception&) {
      // A damaged image stays an empty icon; the list shows a blank cell.
    }
    icon = std::move(made);
    ShowIcon(index);
  }
  return icon.get();
}

void TwpnIconListBox::ShowIcon(int index) {
  QListWidgetItem* item = list_->item(index);
  TIcon* icon = icons_[static_cast<std::size_t>(index)].get();
  if (!item || !icon || icon->Empty()) return;
  item->setIcon(QIcon(QPixmap::fromImage(icon->Image())));
}
