#pragma once
// TPageControl and TTabSheet: pages behind a row of tabs. The tab row is a
// QTabBar along the top; each sheet is a plain windowed control filling the
// rest, and only the active one is visible. Showing a sheet runs its OnShow,
// then the control's OnChange.

#include <functional>

#include "platform/gui/Controls.h"

class QTabBar;
class TPageControl;

class TTabSheet : public TWinControl {
  Q_OBJECT

 public:
  explicit TTabSheet(TComponent* owner = nullptr);
  // A sheet freed before its page control leaves it (the control must not
  // reach it afterwards).
  ~TTabSheet() override;

  TPageControl* PageControl() const { return page_control_; }
  // Puts the sheet on `control` (its last page), or takes it off with null.
  void SetPageControl(TPageControl* control);
  int PageIndex() const;

  std::function<void(TControl*)> OnShow;
  std::function<void(TControl*)> OnHide;

 protected:
  void TextChanged() override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
};

class TPageControl : public TWinControl {
  Q_OBJECT

 public:
  explicit TPageControl(TComponent* owner = nullptr);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  // An index outside the pages changes nothing.
  void SetActivePageIndex(int index);
  TRect ClientRect() const override;
  QTabBar* TabBar() const { return bar_; }

  std::function<void(TControl*)> OnChange;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void PlaceBar();
  QTabBar* bar_;
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
  bool syncing_ = false;
};
