#pragma once
// Button glyph images: the glyph object every graphic button owns keeps its
// Glyph strip of NumGlyphs images and makes from it, on first use, the
// image of each button state (a slice, a grey version, or an embossed
// disabled version). The images live as masked cells of shared glyph
// lists, one list per image size, collected in one library-wide cache, so
// equal-sized glyphs of many buttons share one strip.
//
// Button states: 0 up, 1 disabled, 2 mouse over, 3 down, 4 pressed,
// 6 dropped down, 7 disabled down.

#include <functional>
#include <memory>
#include <vector>

#include <QImage>
#include <QString>

#include "effects/QRXImgList.h"
#include "effects/QRXProps.h"
#include "platform/gui/Bitmap.h"

class TCanvas;

// Cells of one size, always masked; freed cells are reused by index.
class TQRXGlyphList : public TQRXImageListItem {
 public:
  TQRXGlyphList(int width, int height);
  // Used cells.
  int UsedCount() const { return used_count_; }
  // The first free index, or a new empty cell when all are used.
  int AllocateIndex();
  // A cell for the image, masked where it has `transparent`.
  int AddMasked(const TBitmap& image, TColor transparent);
  // Frees the index for reuse (the pixels stay until then).
  void Delete(int index);

 private:
  std::vector<bool> used_;
  int used_count_ = 0;
};

class TQRXGlyphCache {
 public:
  // The list of that cell size, made when there is none.
  TQRXGlyphList* GetList(int width, int height);
  // Frees the list once it holds no image.
  void ReturnList(TQRXGlyphList* list);
  bool IsEmpty() const { return lists_.empty(); }
  int ListCount() const { return int(lists_.size()); }

 private:
  std::vector<std::unique_ptr<TQRXGlyphList>> lists_;
};

// The library-wide cache: null while no glyph object exists.
TQRXGlyphCache* GlyphCache();

class TQRXGlyph {
 public:
  TQRXGlyph();
  ~TQRXGlyph();
  TQRXGlyph(const TQRXGlyph&) = delete;
  TQRXGlyph& operator=(const TQRXGlyph&) = delete;

  TBitmap& Glyph() { return *source_; }
  // Null empties the glyph. A strip whose width is a multiple of its height
  // sets NumGlyphs (the quotient when below 6, else 1).
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return num_glyphs_; }
  // 0 and the current value are ignored.
  void SetNumGlyphs(int value);
  bool GreyUntilHover() const { return grey_until_hover_; }
  void SetGreyUntilHover(bool value);
  TColor TransparentColor() const { return transparent_; }

  // The glyph-list cell of a button state's image, or -1 (no glyph).
  int CreateButtonGlyph(int state);
  TQRXGlyphList* List() const { return list_; }
  // The state's image, masked, with its top-left corner at (x, y); false
  // when there is no image.
  bool DrawImage(TCanvas& canvas, int x, int y, int state);
  // The caption and the state's image (when there is one) laid out in rect
  // by `layout`. textFlags are Draw3DText's; kQRXTextEnabled is added when
  // `enabled`. Accelerators ("&") are shown.
  void Draw(TCanvas& canvas, const QString& caption, unsigned textFlags, bool multiLine, bool enabled,
            const TQRXButtonLayout& layout, int state, const TRect& rect, const TQRXFxCaption* fontFX);
  void ReleaseImages();

  std::function<void(TQRXGlyph* sender)> OnChange;

 private:
  void GlyphChanged();

  // The last drawn cell with its mask as alpha: a paint blends it in one
  // step instead of combining the shared strips pixel by pixel.
  struct DrawCache {
    int index = -1;
    QImage image;  // transparent where the mask is set
  };

  std::unique_ptr<TBitmap> source_;
  DrawCache draw_cache_;
  int indices_[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  TQRXGlyphList* list_ = nullptr;
  int num_glyphs_ = 1;
  bool grey_until_hover_ = false;
  bool setting_ = false;
  TColor transparent_ = clWhite;
};
