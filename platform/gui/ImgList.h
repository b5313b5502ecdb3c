#pragma once
// TImageList: a row of equal-sized images that views and menus draw by
// index. Images are kept as 32-bit pixels with transparency: a masked add
// leaves out the mask colour, an icon keeps its alpha.

#include <QIcon>
#include <QImage>
#include <functional>
#include <utility>
#include <vector>

#include "platform/gui/Color.h"
#include "platform/gui/Component.h"

class TBitmap;
class TCanvas;
class TIcon;

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size empties the list, as on the host.
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const { return static_cast<int>(images_.size()); }

  // Each returns the index of the (first) new image. A bitmap wider than
  // Width is cut into several images; `mask` (may be null) marks with
  // white the pixels left out.
  int Add(const TBitmap& image, const TBitmap* mask = nullptr);
  int AddMasked(const TBitmap& image, TColor maskColor);
  int AddIcon(const TIcon& icon);
  int AddImage(const QImage& image);
  void Replace(int index, const TBitmap& image, const TBitmap* mask = nullptr);
  void Delete(int index);
  void Clear();

  // Draws image `index` with its top-left corner at (x, y).
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
  void GetBitmap(int index, TBitmap& bitmap) const;
  QImage Image(int index) const;
  QIcon IconOf(int index) const;

  std::function<void(TImageList* sender)> OnChange;
  // Further listeners beside OnChange, for components that draw from the
  // list; the key removes the listener again.
  int AddChangeListener(std::function<void(TImageList* sender)> listener);
  void RemoveChangeListener(int key);

 private:
  void CheckIndex(int index) const;
  void Changed();
  int width_ = 16;
  int height_ = 16;
  std::vector<QImage> images_;
  std::vector<std::pair<int, std::function<void(TImageList*)>>> listeners_;
  int next_listener_ = 0;
};
