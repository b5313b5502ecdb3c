#pragma once
// TSeCustomTabControl: a strip of tabs along one side and a framed page
// area beside it, with one current tab (TabIndex). The tabs are the
// strings of Tabs; they run in one row that scrolls with two arrow buttons
// or wrap into rows (MultiLine, which the left and right sides need). With
// UsePages the control keeps pages (TSeCustomTabSheet, se_tabsheets.h),
// one per visible tab, and shows the current tab's page.
//
// Where everything goes is TSeTabLayout's (se_tabs_layout.h), computed
// afresh from the control's state whenever asked. The control paints
// itself through virtual painters (face, image, caption, page frame,
// arrows) that the skinned subclass replaces. Ctrl+Tab and Ctrl+Shift+Tab
// step through the tabs while the focus is inside the control; a tab's
// accelerator ("&Burning": Alt+B) selects it from anywhere in its window.

#include <functional>
#include <vector>

#include "platform/gui/ImgList.h"
#include "platform/gui/Strings.h"
#include "platform/gui/Timer.h"
#include "skin/se_controls.h"
#include "skin/se_tabs_layout.h"

class TSeCustomTabControl;
class TSeCustomTabSheet;

// The Tabs list: every change reaches its control's TabsChanged (a batch
// between BeginUpdate and EndUpdate once more at its end).
class TSeTabStringList : public TQStringList {
 public:
  explicit TSeTabStringList(TSeCustomTabControl* control) : control_(control) {}
  void Clear() override;

 protected:
  void Put(int index, const QString& s) override;
  void InsertItem(int index, const QString& s, void* object) override;
  void DeleteItem(int index) override;
  void SetUpdateState(bool updating) override;

 private:
  TSeCustomTabControl* control_;
};

class TSeCustomTabControl : public TSeCustomControl {
 public:
  explicit TSeCustomTabControl(TComponent* owner = nullptr);
  ~TSeCustomTabControl() override;

  TStrings* Tabs() { return tabs_.get(); }
  const TStrings* Tabs() const { return tabs_.get(); }
  void SetTabs(const QStringList& tabs) { tabs_->Assign(tabs); }
  int TabIndex() const { return tab_index_; }
  // Values outside 0..Count-1 and the current one are ignored; OnChanging
  // (which already sees the new value) may refuse.
  void SetTabIndex(int value);
  TTabPosition TabPosition() const { return tab_position_; }
  // The left and right sides turn MultiLine on.
  void SetTabPosition(TTabPosition value);
  bool MultiLine() const { return multi_line_; }
  // Refused (an Exception) while the tabs stand on the left or right.
  void SetMultiLine(bool value);
  bool RaggedRight() const { return ragged_right_; }
  void SetRaggedRight(bool value);
  bool ScrollOpposite() const { return scroll_opposite_; }
  void SetScrollOpposite(bool value);
  bool HotTrack() const { return hot_track_; }
  void SetHotTrack(bool value);
  int TabWidth() const { return tab_width_; }
  void SetTabWidth(int value);
  int TabHeight() const { return tab_height_; }
  void SetTabHeight(int value);
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);

  // Pages.
  bool UsePages() const { return use_pages_; }
  // Turning it on frees every child control; the pages then give the tabs.
  void SetUsePages(bool value);
  TSeCustomTabSheet* ActivePage() const;
  // A page of this control: shown in front, its tab current, OnChange.
  void SetActivePage(TSeCustomTabSheet* page);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TSeCustomTabSheet* GetPage(int index) const;
  // Out-of-range indexes change nothing.
  void SetActivePageIndex(int index);
  int GetActivePageIndex() const;
  int PageIndexToTabIndex(int page) const;
  int TabIndexToPageIndex(int tab) const;
  void InsertPage(TSeCustomTabSheet* page) { NewPage(PageCount(), page); }
  void NewPage(int index, TSeCustomTabSheet* page);
  // The page leaves the list (it is not freed).
  void RemovePage(TSeCustomTabSheet* page);

  // Layout, from the current state.
  TSeTabLayout Layout() const;
  int FirstVisible() const { return first_visible_; }
  int HotTab() const { return hot_tab_; }
  TRect GetTabRect(int index) const { return Layout().TabRect(index); }
  TRect GetPageRect() const { return Layout().PageRect(); }
  // Where pages and child controls go.
  TRect AdjustClientRect() const { return Layout().ClientArea(); }
  int TabAtPos(int x, int y) const { return Layout().TabAtPos(x, y); }
  int GetRowCount() const { return Layout().RowCount(); }
  bool ArrowsVisible() const { return Layout().ArrowsVisible(); }
  // An arrow is down while it is pressed and the mouse is over it.
  bool LeftArrowDown() const { return left_pressed_ && left_hot_; }
  bool RightArrowDown() const { return right_pressed_ && right_hot_; }
  TTimer* ArrowTimer() const { return arrow_timer_; }
  // Scrolls the single row by `delta` tabs.
  void ScrollTabs(int delta);

  std::function<void(TControl* sender)> OnChange;
  std::function<void(TControl* sender, bool& allowChange)> OnChanging;
  std::function<void(TSeCustomTabControl* control, int tabIndex, const TRect& rect, bool active)> OnDrawTab;

  virtual int GetLeftSpacing() const { return 2; }
  virtual int GetTopSpacing() const { return 2; }
  virtual int GetRightSpacing() const { return 2; }
  virtual int GetBottomSpacing() const { return 2; }
  virtual int CalcTabWidth(int index) const;
  virtual int CalcTabHeight() const;
  virtual void GetArrowSize(TPoint& size) const;
  virtual bool IsOverLeftArrow(int x, int y) const { return Layout().IsOverLeftArrow(x, y); }
  virtual bool IsOverRightArrow(int x, int y) const { return Layout().IsOverRightArrow(x, y); }
  // Any change of the tabs or the pages: TabIndex back in range (silently),
  // the pages and tabs in step, the strip repainted.
  virtual void TabsChanged();

  void SetBounds(int left, int top, int width, int height) override;
  // A key its window saw that nobody took: Ctrl+Tab or an accelerator.
  bool DialogKey(int key, TShiftState shift, QChar text);

 protected:
  virtual void PaintTab(int index);
  virtual void PaintTabFace(int index, TTabPosition position, TRect& rect);
  virtual void PaintTabImage(int index, TTabPosition position, TRect& rect);
  virtual void PaintTabText(int index, TTabPosition position, TRect& rect);
  virtual void PaintPageFrame();
  virtual void PaintLeftArrow();
  virtual void PaintRightArrow();
  virtual void Change();
  virtual bool CanChange();
  virtual void DrawTab(int index, const TRect& rect, bool active);

  // The tabs before the page frame (farthest first), or the current one.
  void PaintTabs(bool currentOnly);
  // Repaints the strip alone.
  void RedrawTabs();
  void SetHotTab(int value) { hot_tab_ = value; }

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void AlignControls(TRect& client) override;
  void PaintBackground() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;
  void EnabledChanged() override { Invalidate(); }
  void FontChanged() override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class TSeTabStringList;
  friend class TSeCustomTabSheet;
  void StartArrowTimer(bool first);
  void ArrowTimerTick();
  // Selects the next visible tab (wrapping), through the TabIndex setter.
  void SelectNextTab(bool forward);
  // The control, its window or its owner is being freed.
  bool GoingAway() const;
  void CreateMissingPages();
  void TabsFromPages();

  std::unique_ptr<TSeTabStringList> tabs_;
  std::unique_ptr<struct TSeTabDialogKeys> dialog_keys_;
  int tab_index_ = -1;
  TTabPosition tab_position_ = tpTop;
  bool multi_line_ = false;
  bool ragged_right_ = false;
  bool scroll_opposite_ = false;
  bool hot_track_ = false;
  int tab_width_ = 0;
  int tab_height_ = 0;
  bool owner_draw_ = false;
  TImageList* images_ = nullptr;

  int first_visible_ = 0;
  int hot_tab_ = -1;
  bool left_hot_ = false;
  bool right_hot_ = false;
  bool left_pressed_ = false;
  bool right_pressed_ = false;
  bool updating_ = false;
  bool tabs_changing_ = false;
  TTimer* arrow_timer_ = nullptr;
  int loaded_tab_index_ = -1;
  int last_row_count_ = 1;

  bool use_pages_ = false;
  std::vector<TSeCustomTabSheet*> pages_;
  TSeCustomTabSheet* active_page_ = nullptr;
};
