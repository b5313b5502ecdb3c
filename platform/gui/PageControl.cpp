#include "platform/gui/PageControl.h"

#include <QTabBar>
#include <algorithm>

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

TTabSheet::~TTabSheet() {
  TPageControl* control = page_control_;
  if (!control) return;
  page_control_ = nullptr;
  auto& pages = control->pages_;
  const auto it = std::find(pages.begin(), pages.end(), this);
  if (it == pages.end()) return;
  const int index = static_cast<int>(it - pages.begin());
  pages.erase(it);
  if (control->active_ == this) control->active_ = nullptr;
  control->syncing_ = true;
  control->bar_->removeTab(index);
  control->syncing_ = false;
}

void TTabSheet::SetPageControl(TPageControl* control) {
  if (control == page_control_) return;
  if (page_control_) page_control_->RemovePage(this);
  page_control_ = control;
  if (control) {
    SetParent(control);
    SetAlign(alClient);
    control->InsertPage(this);
  }
}

int TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  const auto& pages = page_control_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::TextChanged() {
  if (page_control_) page_control_->bar_->setTabText(PageIndex(), Caption());
  TWinControl::TextChanged();
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner), bar_(new QTabBar(this)) {
  bar_->setDrawBase(true);
  bar_->setExpanding(false);
  SetBounds(0, 0, 289, 193);
  QObject::connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    if (!syncing_) SetActivePageIndex(index);
  });
}

TPageControl::~TPageControl() {
  for (TTabSheet* page : pages_) page->page_control_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) return;
  SetActivePage(Pages(index));
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page == active_ || (page && page->page_control_ != this)) return;
  TTabSheet* old = active_;
  active_ = page;
  if (old) {
    old->SetVisible(false);
    if (old->OnHide) old->OnHide(old);
  }
  syncing_ = true;
  bar_->setCurrentIndex(page ? page->PageIndex() : -1);
  syncing_ = false;
  if (page) {
    page->SetVisible(true);
    Realign();
    if (page->OnShow) page->OnShow(page);
  }
  if (OnChange) OnChange(this);
}

TRect TPageControl::ClientRect() const {
  const int top = bar_->sizeHint().height();
  return Rect(2, top + 2, std::max(Width() - 2, 2), std::max(Height() - 2, top + 2));
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  syncing_ = true;
  bar_->addTab(page->Caption());
  syncing_ = false;
  PlaceBar();
  if (!active_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  const int index = page->PageIndex();
  if (index < 0 || index >= PageCount()) return;
  syncing_ = true;
  bar_->removeTab(index);
  syncing_ = false;
  pages_.erase(pages_.begin() + index);
  if (active_ == page) {
    active_ = nullptr;
    page->SetVisible(false);
    SetActivePageIndex(std::min(index, PageCount() - 1));
  }
}

void TPageControl::PlaceBar() { bar_->setGeometry(0, 0, Width(), bar_->sizeHint().height()); }

void TPageControl::resizeEvent(QResizeEvent* event) {
  PlaceBar();
  TWinControl::resizeEvent(event);
}
