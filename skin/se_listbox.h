#pragma once
// TSeCustomListBox: the skin library's own list box. It keeps its strings
// with check states and selection flags (TSeListBoxCore), lays them out in
// one column or several, paints them itself and scrolls them with a
// TSeCustomScrollBar of its own. Item height, check column, check box size,
// item and check box painting, hit tests, the scroll bar factory and the
// items background are virtual: skinned lists override them.

#include <functional>

#include "skin/se_bitmap.h"
#include "skin/se_controls.h"
#include "skin/se_listbox_core.h"

class TSeCustomScrollBar;

enum TSeFontType { ftAll, ftTrueType, ftFixedPitch };
enum TSeFontDevice { fdScreen, fdPrinter };

// Owner-draw state flags.
using TOwnerDrawState = unsigned;
enum : unsigned { odSelected = 1, odFocused = 0x10, odHotLight = 0x200 };

class TSeCustomListBox : public TSeCustomControl, protected TSeListHost {
 public:
  explicit TSeCustomListBox(TComponent* owner = nullptr);
  ~TSeCustomListBox() override;
  void Init() override;

  TVexListBoxItems* Items() { return &core_.Items(); }
  // Copies the strings.
  void SetItems(const QStringList& items) { core_.Items().Assign(items); }
  int ItemIndex() const { return core_.ItemIndex(); }
  void SetItemIndex(int value) { core_.SetItemIndex(value); }
  void SelectRange() { core_.SelectRange(); }
  bool GetSelected(int index) const { return core_.GetSelected(index); }
  void SetSelected(int index, bool value) { core_.SetSelected(index, value); }
  TSeCheckState GetState(int index) const { return core_.GetState(index); }
  void SetState(int index, TSeCheckState state) { core_.SetState(index, state); }
  int SelCount() const { return core_.SelCount(); }
  int ItemAtPos(const TPoint& point, bool existing) { return core_.ItemAtPos(point, existing); }
  int HotItem() const { return core_.HotItem(); }
  int HotCheckBox() const { return core_.HotCheckBox(); }
  int FirstVisible() const { return core_.FirstVisible(); }
  int LastVisible() const { return core_.LastVisible(); }
  void UpdateScrollBar() { core_.UpdateScrollBar(); }
  void CalcVisibleRange() { core_.CalcVisibleRange(); }
  void UpdateHotItem(int x, int y) { core_.UpdateHotItem(x, y); }
  int GetItemWidth() { return core_.GetItemWidth(); }
  int GetItemsBottom() { return core_.GetItemsBottom(); }

  bool AllowGrayed() const { return core_.AllowGrayed(); }
  void SetAllowGrayed(bool value) { core_.SetAllowGrayed(value); }
  bool AlwaysShowScrlBar() const { return core_.AlwaysShowScrlBar(); }
  void SetAlwaysShowScrlBar(bool value) { core_.SetAlwaysShowScrlBar(value); }
  int Columns() const { return core_.Columns(); }
  void SetColumns(int value) { core_.SetColumns(value); }
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  TSeFontDevice FontDevice() const { return font_device_; }
  void SetFontDevice(TSeFontDevice value);
  TSeFontType FontType() const { return font_type_; }
  void SetFontType(TSeFontType value);
  int ItemHeight() const { return core_.ItemHeight(); }
  void SetItemHeight(int value) { core_.SetItemHeight(value); }
  // The item height of a list whose ItemHeight was never changed; a
  // skinned list's is taller.
  static constexpr int kDefaultItemHeight = 16;
  virtual int GetDefaultItemHeight() const { return kDefaultItemHeight; }
  TSeListBoxStyle ListStyle() const { return core_.ListStyle(); }
  void SetListStyle(TSeListBoxStyle value);
  bool MultiSelect() const { return core_.MultiSelect(); }
  void SetMultiSelect(bool value) { core_.SetMultiSelect(value); }
  bool ShowCheckBoxes() const { return core_.ShowCheckBoxes(); }
  void SetShowCheckBoxes(bool value) { core_.SetShowCheckBoxes(value); }
  bool Sorted() const { return core_.Items().Sorted(); }
  void SetSorted(bool value) { core_.Items().SetSorted(value); }
  bool WordWrap() const { return core_.WordWrap(); }
  void SetWordWrap(bool value);
  // Moving the current item with the keys fires OnClick.
  bool KeyClick() const { return core_.KeyClick(); }
  void SetKeyClick(bool value) { core_.SetKeyClick(value); }

  TSeCustomScrollBar* ScrollBar() const { return scroll_bar_; }

  std::function<void(TSeCustomListBox*, TCanvas*, int index, TRect rect, TOwnerDrawState state)> OnDrawItem;
  std::function<void(TSeCustomListBox*, TCanvas*, int index, int& height)> OnMeasureItem;

  virtual int GetItemTop(int index) { return core_.GetItemTop(index); }
  virtual TRect ItemRect(int index) { return core_.ItemRect(index); }
  virtual int GetItemHeight(int index);
  virtual int GetCheckWidth() { return 15; }
  virtual void GetCheckSize(TSize& size) { size = {13, 13}; }
  // Paints item `index` (without its check box) into `rect` on `canvas`;
  // the combo box shows its current item with it.
  virtual void PaintItem(TCanvas& canvas, int index, const TRect& rect);

  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override { TSeCustomControl::Invalidate(); }
  void Repaint() override { TSeCustomControl::Invalidate(); }
  void Click() override { TSeCustomControl::Click(); }

 protected:
  virtual void PaintCheckBox(int index, const TRect& rect);
  virtual bool PtInItemRect(int x, int y, int index, const TRect& rect);
  virtual bool PtInCheckBoxRect(int x, int y, int index, const TRect& rect);
  virtual TSeCustomScrollBar* CreateScrollBar(TComponent* owner);
  virtual void PaintItemsBackground();
  virtual void PaintItems();
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual int MeasureItem(int index);
  void FillFontList();
  void FillColorList();

  void Loaded() override;
  void PaintBackground() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState shift) override;
  void FocusEnter() override;
  void FocusExit() override;
  void DoEnter() override;
  void DoExit() override;
  void EnabledChanged() override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  // TSeListHost
  TRect InnerRect() const override { return GetBorderClientRect(); }
  int ItemHeight(int index) override { return GetItemHeight(index); }
  int CheckWidth() override { return GetCheckWidth(); }
  TSize CheckSize() override;
  bool PtInItem(int x, int y, int index, const TRect& r) override { return PtInItemRect(x, y, index, r); }
  bool PtInCheckBox(int x, int y, int index, const TRect& r) override { return PtInCheckBoxRect(x, y, index, r); }
  bool HasBar() const override { return scroll_bar_ != nullptr; }
  int BarPosition() const override;
  void SetBarPosition(int position) override;
  int BarMin() const override;
  int BarMax() const override;
  int BarPageSize() const override;
  void SetBarRange(int min, int max, int pageSize) override;
  bool BarVisible() const override;
  void SetBarVisible(bool visible) override;
  void SetBarEnabled(bool enabled) override;
  void PlaceBar(bool vertical, const TRect& inner) override;
  int BarWidth() const override;
  int BarHeight() const override;
  void SetBarScrollBackward(bool value) override;
  void SetBarScrollForward(bool value) override;
  bool BarScrollBackward() const override;
  bool BarScrollForward() const override;

  TSeListBoxCore& Core() { return core_; }

 private:
  void PaintTextItem(TCanvas& canvas, int index, const TRect& rect, bool selected, bool focused);
  TCanvas& MeasureCanvas();

  TSeListBoxCore core_;
  bool flat_ = true;
  TSeFontDevice font_device_ = fdScreen;
  TSeFontType font_type_ = ftAll;
  TSeCustomScrollBar* scroll_bar_ = nullptr;
  std::unique_ptr<TCanvas> measure_;
  bool destroying_ = false;
};

namespace se {
// The mark the font styles put before TrueType (scalable) families: our
// own drawing, made once, magenta as its key colour.
TSeBitmap& TrueTypeGlyph();
void LoadTrueTypeGlyph();
// The colour an item of the colour styles names ("clRed", "$0000FF",
// "255"); black when it names none.
TColor ListItemColor(const QString& text);
}  // namespace se
