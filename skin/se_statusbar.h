#pragma once
// The skin library's status bar: a row of panels (text, an image from an
// image list, an embedded control, or owner drawing) laid out by
// priorities (se_statusbar_layout), and a size grip that sizes the form
// from its bottom-right corner while the bar sits there.

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/ImgList.h"
#include "skin/se_controls.h"
#include "skin/se_statusbar_layout.h"

class TSeCustomStatusBar;
class TSeStatusPanels;

// An operation a control refuses (a panel asked to hold its own bar).
class EInvalidOperation : public Exception {
  using Exception::Exception;
};

enum TSeStatusPanelstyle { psText, psOwnerDraw };

class TSeStatusPanel {
 public:
  explicit TSeStatusPanel(TSeStatusPanels* collection);
  virtual ~TSeStatusPanel();
  TSeStatusPanel(const TSeStatusPanel&) = delete;
  TSeStatusPanel& operator=(const TSeStatusPanel&) = delete;

  int Index() const;
  TSeStatusPanels* Collection() const { return collection_; }

  int MaxWidth() const { return max_width_; }
  void SetMaxWidth(int value);
  int Width() const { return width_; }
  // Held to 0..MaxWidth.
  void SetWidth(int value);
  const QString& Text() const { return text_; }
  void SetText(const QString& value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TSeStatusPanelstyle Style() const { return style_; }
  void SetStyle(TSeStatusPanelstyle value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TSeStatusGliphLayout Layout() const { return layout_; }
  void SetLayout(TSeStatusGliphLayout value);
  bool ShowImage() const { return show_image_; }
  void SetShowImage(bool value);
  int StretchPriority() const { return stretch_priority_; }
  void SetStretchPriority(int value);
  int ViewPriority() const { return view_priority_; }
  void SetViewPriority(int value);
  bool Framed() const { return framed_; }
  void SetFramed(bool value);
  TControl* Control() const { return control_; }
  // The bar itself or one of its parents raises EInvalidOperation.
  void SetControl(TControl* value);

  // Set by the last layout.
  bool Shown() const { return place_.Shown; }
  int CurrentWidth() const { return place_.CurrentWidth; }
  int Left() const { return place_.Left; }
  int Right() const { return place_.Right; }
  int EffectiveWidth() const { return std::min(place_.CurrentWidth, max_width_); }

  void Assign(const TSeStatusPanel& source);
  QString GetDisplayName() const;

 private:
  friend class TSeCustomStatusBar;
  void Changed(bool all);
  TSePanelSizing Sizing() const { return {width_, max_width_, view_priority_, stretch_priority_}; }
  void ReleaseControl();

  TSeStatusPanels* collection_;
  int max_width_ = 10000;
  int width_ = 50;
  TSePanelPlace place_;
  QString text_;
  TAlignment alignment_ = taLeftJustify;
  TSeStatusPanelstyle style_ = psText;
  int image_index_ = -1;
  int margin_ = 2;
  int spacing_ = 4;
  TSeStatusGliphLayout layout_ = sglGlyphLeft;
  bool show_image_ = true;
  int stretch_priority_ = 0;
  int view_priority_ = 100;
  bool framed_ = true;
  QPointer<TControl> control_;
  // The address alone, to know the panel when its control is gone.
  const QObject* held_ = nullptr;
};

class TSeStatusPanels {
 public:
  explicit TSeStatusPanels(TSeCustomStatusBar* bar) : bar_(bar) {}
  ~TSeStatusPanels();

  TSeCustomStatusBar* Bar() const { return bar_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TSeStatusPanel* Items(int index) const;
  // A new panel of the class the bar chooses (CreatePanel).
  TSeStatusPanel* Add();
  void Delete(int index);
  void Clear();
  void Assign(const TSeStatusPanels& source);
  int IndexOf(const TSeStatusPanel* panel) const;

 private:
  friend class TSeStatusPanel;
  friend class TSeCustomStatusBar;
  void Take(std::unique_ptr<TSeStatusPanel> panel) { items_.push_back(std::move(panel)); }
  TSeCustomStatusBar* bar_;
  std::vector<std::unique_ptr<TSeStatusPanel>> items_;
};

using TSeStatusPanelClass = std::function<std::unique_ptr<TSeStatusPanel>(TSeStatusPanels*)>;

class TSeCustomStatusBar : public TSeCustomControl {
 public:
  explicit TSeCustomStatusBar(TComponent* owner = nullptr);
  ~TSeCustomStatusBar() override;

  TSeStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(const TSeStatusPanels& value) { panels_->Assign(value); }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);
  bool SizeGrip() const { return size_grip_; }
  void SetSizeGrip(bool value);

  std::function<void(TSeCustomStatusBar* bar, TSeStatusPanel* panel)> OnPanelClick;
  std::function<void(TSeCustomStatusBar* bar, TSeStatusPanel* panel)> OnPanelDblClick;
  std::function<void(TSeCustomStatusBar* bar, TSeStatusPanel* panel, const TRect& rect)> OnDrawPanel;
  std::function<void(TSeCustomStatusBar* sender, TSeStatusPanelClass& panelClass)> OnCreatePanelClass;

  bool SizeGripActive() const;
  TSeStatusPanel* PanelAtPos(const TPoint& p) const;
  void LayoutPanels();
  virtual TRect GetPanelRect(int index) const;
  virtual TRect GetSizeGripRect() const;
  virtual TRect GetPanelClientRect(const TSeStatusPanel* panel) const;

 protected:
  friend class TSeStatusPanels;
  friend class TSeStatusPanel;
  virtual std::unique_ptr<TSeStatusPanel> CreatePanel();
  virtual TRect GetImageRect(const TSeStatusPanel* panel) const;
  virtual TPoint GetImageSize(const TSeStatusPanel* panel) const;
  virtual TPoint GetTextSize(const TSeStatusPanel* panel) const;
  virtual TRect GetTextRect(const TSeStatusPanel* panel) const;
  virtual void PaintImage(TSeStatusPanel* panel, const TRect& rect);
  virtual void PaintText(TSeStatusPanel* panel, const TRect& rect);
  virtual void PaintPanel(TSeStatusPanel* panel, const TRect& rect, bool isLast);
  virtual void PaintSizeGrip();
  void PaintPanelByIndex(int index);
  virtual void PaintFrame();
  virtual void PanelClick(TSeStatusPanel* panel);
  virtual void PanelDblClick(TSeStatusPanel* panel);
  virtual void DrawPanel(TSeStatusPanel* panel, const TRect& rect);

  void PaintBackground() override;
  void AlignControls(TRect& client) override;
  void Resize() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void FontChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DblClick() override;
  bool event(QEvent* event) override;

 private:
  bool HasImage(const TSeStatusPanel* panel) const;
  void PanelChanged(TSeStatusPanel* panel, bool all);
  void PlaceControl(TSeStatusPanel* panel);
  void AdoptChildren();

  std::unique_ptr<TSeStatusPanels> panels_;
  TSeStatusPanel* pressed_panel_ = nullptr;
  TImageList* images_ = nullptr;
  bool size_grip_ = true;
  bool destroying_ = false;
  bool adopting_ = false;
};
