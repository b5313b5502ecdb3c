#pragma once
// TSeCustomTabSheet: a page of a tab control with UsePages. Its Caption is
// its tab's caption while PageVisible; only the control's active page is
// shown, aligned to the control's page area. A page has no face of its
// own: it shows the control's page frame behind its children.

#include <functional>

#include "platform/gui/Controls.h"

class TSeCustomTabControl;

class TSeCustomTabSheet : public TCustomControl {
 public:
  explicit TSeCustomTabSheet(TComponent* owner = nullptr);
  ~TSeCustomTabSheet() override;

  TSeCustomTabControl* TabControl() const { return tab_control_; }
  // Moves the page to another control (it arrives without a tab); null
  // takes it out of its control.
  void SetTabControl(TSeCustomTabControl* control);
  // Its place in the control's page list, -1 on none.
  int PageIndex() const;
  // Swaps the page with the one at `value` (EListError outside the list).
  void SetPageIndex(int value);
  bool PageVisible() const { return page_visible_; }
  void SetPageVisible(bool value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value);

  std::function<void(TControl* sender)> OnShow;
  std::function<void(TControl* sender)> OnHide;

 protected:
  virtual void DoShow();
  virtual void DoHide();
  void TextChanged() override;
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TSeCustomTabControl;
  bool destroying_ = false;
  TSeCustomTabControl* tab_control_ = nullptr;
  bool page_visible_ = true;
  int image_index_ = -1;
};
