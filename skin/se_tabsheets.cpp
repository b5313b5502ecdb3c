#include "skin/se_tabsheets.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "platform/core/StringList.h"
#include "skin/se_tabcontrol.h"

// ---- TSeCustomTabSheet ----

TSeCustomTabSheet::TSeCustomTabSheet(TComponent* owner) : TCustomControl(owner) {
  SetAlign(alClient);
  SetVisible(false);
}

TSeCustomTabSheet::~TSeCustomTabSheet() {
  destroying_ = true;
  if (tab_control_ && !tab_control_->Destroying()) tab_control_->RemovePage(this);
}

void TSeCustomTabSheet::SetTabControl(TSeCustomTabControl* control) {
  if (control == tab_control_) return;
  if (tab_control_) {
    tab_control_->RemovePage(this);
    page_visible_ = false;
  }
  tab_control_ = control;
  if (control) control->InsertPage(this);
}

int TSeCustomTabSheet::PageIndex() const {
  if (!tab_control_) return -1;
  const auto& pages = tab_control_->pages_;
  const auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TSeCustomTabSheet::SetPageIndex(int value) {
  const int old = PageIndex();
  if (Loading() || !tab_control_ || value == old) return;
  auto& pages = tab_control_->pages_;
  if (value < 0 || value >= static_cast<int>(pages.size()))
    throw EListError("List index out of bounds (" + std::to_string(value) + ")");
  std::swap(pages[static_cast<std::size_t>(old)], pages[static_cast<std::size_t>(value)]);
  tab_control_->TabsChanged();
}

void TSeCustomTabSheet::SetPageVisible(bool value) {
  if (value == page_visible_) return;
  page_visible_ = value;
  if (!Loading() && tab_control_) tab_control_->TabsChanged();
}

void TSeCustomTabSheet::SetImageIndex(int value) {
  if (value == image_index_) return;
  image_index_ = value;
  if (tab_control_) tab_control_->Invalidate();
}

void TSeCustomTabSheet::DoShow() {
  if (OnShow) OnShow(this);
}

void TSeCustomTabSheet::DoHide() {
  if (OnHide) OnHide(this);
}

void TSeCustomTabSheet::TextChanged() {
  TCustomControl::TextChanged();
  if (!page_visible_ || !tab_control_) return;
  const int tab = tab_control_->PageIndexToTabIndex(PageIndex());
  if (tab >= 0 && tab < tab_control_->Tabs()->Count()) tab_control_->Tabs()->SetStrings(tab, Caption());
}

bool TSeCustomTabSheet::event(QEvent* event) {
  const bool result = TCustomControl::event(event);
  if (event->type() == QEvent::Show)
    DoShow();
  else if (event->type() == QEvent::Hide)
    DoHide();
  return result;
}

void TSeCustomTabSheet::paintEvent(QPaintEvent* event) {
  // The control's page frame shows through; the children paint themselves.
  if (!tab_control_ || tab_control_->ActivePage() != this) return;
  // The control paints the part being repainted off screen, moved to where
  // it lies in the control, so its stretched pictures keep the control's
  // size and a huge page costs what is shown.
  const QRect shown = event->rect() & rect();
  if (shown.isEmpty()) return;
  QImage behind(shown.size().boundedTo(se::BufferLimit()), QImage::Format_ARGB32_Premultiplied);
  behind.fill(Qt::transparent);
  {
    QPainter painter(&behind);
    painter.translate(-(pos() + shown.topLeft()));
    tab_control_->PaintTo(painter);
  }
  QPainter(this).drawImage(shown.topLeft(), behind);
}

// ---- TSeCustomTabControl: pages ----

void TSeCustomTabControl::SetUsePages(bool value) {
  if (value == use_pages_) return;
  use_pages_ = value;
  if (Loading()) return;
  if (value)
    while (ControlCount() > 0) delete Controls(0);
  TabsChanged();
}

TSeCustomTabSheet* TSeCustomTabControl::GetPage(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(index)];
}

int TSeCustomTabControl::GetActivePageIndex() const {
  if (!use_pages_ || !active_page_) return -1;
  return active_page_->PageIndex();
}

TSeCustomTabSheet* TSeCustomTabControl::ActivePage() const { return GetPage(GetActivePageIndex()); }

void TSeCustomTabControl::SetActivePageIndex(int index) {
  if (TSeCustomTabSheet* page = GetPage(index)) SetActivePage(page);
}

void TSeCustomTabControl::SetActivePage(TSeCustomTabSheet* page) {
  if (!page || page->tab_control_ != this) return;
  if (page == active_page_) {
    page->SetVisible(true);
    page->BringToFront();
    return;
  }
  if (active_page_) active_page_->SetVisible(false);
  active_page_ = page;
  page->SetVisible(true);
  page->BringToFront();
  tab_index_ = page->PageVisible() ? PageIndexToTabIndex(page->PageIndex()) : page->PageIndex();
  RedrawTabs();
  Change();
}

int TSeCustomTabControl::PageIndexToTabIndex(int page) const {
  if ((use_pages_ && pages_.empty()) || page < 0) return -1;
  int visible = 0;
  for (int i = 0; i <= page && i < PageCount(); ++i)
    if (pages_[static_cast<std::size_t>(i)]->PageVisible()) ++visible;
  return visible - 1;
}

int TSeCustomTabControl::TabIndexToPageIndex(int tab) const {
  if (use_pages_ && pages_.empty()) return -1;
  int visible = 0;
  for (int i = 0; i < PageCount(); ++i) {
    if (pages_[static_cast<std::size_t>(i)]->PageVisible()) ++visible;
    if (visible - 1 == tab) return i;
  }
  return -1;
}

void TSeCustomTabControl::NewPage(int index, TSeCustomTabSheet* page) {
  index = std::clamp(index, 0, PageCount());
  pages_.insert(pages_.begin() + index, page);
  TabsChanged();
  page->SetParent(this);
  page->tab_control_ = this;
  if (page->Caption().isEmpty()) page->SetCaption(QStringLiteral("New Page %1").arg(tabs_->Count() - 1));
  Invalidate();
}

void TSeCustomTabControl::RemovePage(TSeCustomTabSheet* page) {
  const auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  {
    tabs_changing_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{tabs_changing_};
    if (page->PageVisible()) {
      const int tab = PageIndexToTabIndex(static_cast<int>(it - pages_.begin()));
      if (tab >= 0 && tab < tabs_->Count()) tabs_->Delete(tab);
    }
    pages_.erase(it);
  }
  page->tab_control_ = nullptr;
  if (GoingAway()) {
    // Nothing is shown again on a window being freed.
    if (page == active_page_) active_page_ = nullptr;
    return;
  }
  if (page == active_page_) {
    active_page_ = nullptr;
    if (!page->destroying_) page->SetVisible(false);
    if (tabs_->Count() == 0) {
      tab_index_ = -1;
    } else {
      tab_index_ = 0;
      SetActivePageIndex(0);
    }
  } else if (active_page_ && active_page_->PageVisible()) {
    // The tabs before the active one may have moved: its tab stays current.
    tab_index_ = PageIndexToTabIndex(active_page_->PageIndex());
  }
  Invalidate();
}

bool TSeCustomTabControl::GoingAway() const {
  if (Destroying()) return true;
  for (const TControl* c = Parent(); c; c = c->Parent())
    if (c->Destroying()) return true;
  for (const TComponent* o = Owner(); o; o = o->Owner())
    if (o->Destroying()) return true;
  return false;
}

void TSeCustomTabControl::CreateMissingPages() {
  for (int i = 0; i < tabs_->Count(); ++i) {
    const QString caption = tabs_->Strings(i);
    int tabs = 0;
    for (int j = 0; j < tabs_->Count(); ++j)
      if (tabs_->Strings(j) == caption) ++tabs;
    int pages = 0;
    for (TSeCustomTabSheet* page : pages_)
      if (page->Caption() == caption) ++pages;
    if (tabs <= pages) continue;
    auto* page = Create<TSeCustomTabSheet>(Owner());
    page->SetCaption(caption);
    NewPage(i, page);
    if (active_page_ && active_page_ != page) active_page_->SetVisible(false);
    active_page_ = page;
    page->SetVisible(true);
    tab_index_ = i;
  }
}

void TSeCustomTabControl::TabsFromPages() {
  const QString before = tabs_->Text();
  tabs_->Clear();
  for (TSeCustomTabSheet* page : pages_)
    if (page->PageVisible()) tabs_->Add(page->Caption());
  // The first visible page: its tab becomes current and it is shown, which
  // the range rule (run while there were no tabs yet) did not do.
  const bool first = tab_index_ < 0 && tabs_->Count() > 0;
  if (first) tab_index_ = 0;
  if (tabs_->Text() != before || (first && !active_page_)) SetActivePageIndex(TabIndexToPageIndex(tab_index_));
}
