#include "effects/QRXGlyphs.h"

#include <algorithm>

#include "effects/QRXDraw.h"
#include "effects/QRXText.h"
#include "platform/gui/Canvas.h"

namespace {

std::unique_ptr<TQRXGlyphCache>& CacheSlot() {
  static std::unique_ptr<TQRXGlyphCache> cache;
  return cache;
}

TQRXGlyphCache& EnsureCache() {
  if (!CacheSlot()) CacheSlot() = std::make_unique<TQRXGlyphCache>();
  return *CacheSlot();
}

}  // namespace

TQRXGlyphCache* GlyphCache() { return CacheSlot().get(); }

// ---- TQRXGlyphList ----

TQRXGlyphList::TQRXGlyphList(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidGraphicOperation("Invalid image size");
  SetWidth(width);
  SetHeight(height);
  SetMasked(true);
}

int TQRXGlyphList::AllocateIndex() {
  const auto free = std::find(used_.begin(), used_.end(), false);
  int index;
  if (free != used_.end()) {
    index = int(free - used_.begin());
  } else {
    index = Add(nullptr, nullptr);
    used_.resize(std::size_t(index) + 1, false);
  }
  used_[std::size_t(index)] = true;
  return index;
}

int TQRXGlyphList::AddMasked(const TBitmap& image, TColor transparent) {
  const int index = AllocateIndex();
  try {
    ReplaceMasked(index, &image, transparent);
  } catch (...) {
    used_[std::size_t(index)] = false;
    throw;
  }
  ++used_count_;
  return index;
}

void TQRXGlyphList::Delete(int index) {
  if (index < 0 || std::size_t(index) >= used_.size() || !used_[std::size_t(index)]) return;
  used_[std::size_t(index)] = false;
  --used_count_;
}

// ---- TQRXGlyphCache ----

TQRXGlyphList* TQRXGlyphCache::GetList(int width, int height) {
  for (const auto& list : lists_)
    if (list->Width() == width && list->Height() == height) return list.get();
  lists_.push_back(std::make_unique<TQRXGlyphList>(width, height));
  return lists_.back().get();
}

void TQRXGlyphCache::ReturnList(TQRXGlyphList* list) {
  if (!list || list->UsedCount() != 0) return;
  std::erase_if(lists_, [list](const auto& l) { return l.get() == list; });
}

// ---- TQRXGlyph ----

TQRXGlyph::TQRXGlyph() : source_(std::make_unique<TBitmap>()) {
  source_->OnChange = [this](TGraphic*) { GlyphChanged(); };
  EnsureCache();
}

TQRXGlyph::~TQRXGlyph() {
  source_->OnChange = nullptr;
  ReleaseImages();
  if (GlyphCache() && GlyphCache()->IsEmpty()) CacheSlot().reset();
}

void TQRXGlyph::ReleaseImages() {
  draw_cache_.index = -1;
  for (int& index : indices_) {
    if (index != -1 && list_) list_->Delete(index);
    index = -1;
  }
  if (list_ && GlyphCache()) GlyphCache()->ReturnList(list_);
  list_ = nullptr;
}

void TQRXGlyph::SetGlyph(const TBitmap* value) {
  ReleaseImages();
  setting_ = true;
  if (value)
    source_->Assign(*value);
  else
    source_->Assign(TBitmap());
  setting_ = false;
  if (value && value->Height() >= 1) {
    transparent_ = value->TransparentColor();
    const int w = value->Width(), h = value->Height();
    if (w > 0 && w % h == 0) SetNumGlyphs(w / h < 6 ? w / h : 1);
  }
}

void TQRXGlyph::SetNumGlyphs(int value) {
  if (value <= 0 || value == num_glyphs_) return;
  ReleaseImages();
  num_glyphs_ = value;
}

void TQRXGlyph::SetGreyUntilHover(bool value) {
  if (value == grey_until_hover_) return;
  ReleaseImages();
  grey_until_hover_ = value;
}

void TQRXGlyph::GlyphChanged() {
  if (setting_) return;
  transparent_ = source_->TransparentColor();
  ReleaseImages();
  if (OnChange) OnChange(this);
}

int TQRXGlyph::CreateButtonGlyph(int state) {
  const int n = num_glyphs_;
  int mapped = state;
  if (state == 7) mapped = 1;
  if (mapped != 1 && mapped > n - 1) {
    if (grey_until_hover_)
      mapped = state == 6 ? 4 : 2;
    else
      mapped = 0;
  }
  if (mapped < 0 || mapped > 7) mapped = 0;
  if (indices_[mapped] != -1) return indices_[mapped];
  if (source_->Empty()) return -1;
  const int w = source_->Width() / n, h = source_->Height();
  if (w < 1) return -1;
  if (!list_) list_ = EnsureCache().GetList(w, h);

  TBitmap strip(*source_);
  const auto slice = [&](int m) {
    TBitmap image;
    image.SetSize(w, h);
    image.Canvas().CopyRect(Rect(0, 0, w, h), strip.Canvas(), Rect(m * w, 0, (m + 1) * w, h));
    return image;
  };
  TBitmap image;
  if (mapped < n && !(mapped == 0 && grey_until_hover_)) {
    image = slice(mapped);
  } else if (mapped == 0) {
    MakeDisabledGlyph(image, slice(0));
  } else if (mapped == 1) {
    TBitmap first = slice(0);
    first.SetTransparentColor(transparent_);
    image.SetSize(w, h);
    DrawGlyph(image, first, 0, 0);
  } else {
    image = slice(0);
  }
  indices_[mapped] = list_->AddMasked(image, transparent_);
  return indices_[mapped];
}

bool TQRXGlyph::DrawImage(TCanvas& canvas, int x, int y, int state) {
  const int index = CreateButtonGlyph(state);
  if (index < 0 || !list_) return false;
  list_->Draw(canvas, x, y, index);
  return true;
}

void TQRXGlyph::Draw(TCanvas& canvas, const QString& caption, unsigned textFlags, bool multiLine, bool enabled,
                     const TQRXButtonLayout& layout, int state, const TRect& rect, const TQRXFxCaption* fontFX) {
  const int index = CreateButtonGlyph(state);
  TQRXGlyphSource source;
  const TQRXGlyphSource* glyph = nullptr;
  if (index >= 0 && list_) {
    if (draw_cache_.index != index) {
      // The mask is white where the background shows through.
      const TRect cell = list_->CellRect(index);
      const QImage image = list_->ImageStrip().ToQImage().copy(cell.Left, cell.Top, cell.Width(), cell.Height());
      const QImage mask = list_->MaskStrip().ToQImage().copy(cell.Left, cell.Top, cell.Width(), cell.Height());
      QImage argb = image.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
          if ((m[x] & 0xFFFFFF) != 0) line[x] = 0;
      }
      draw_cache_.image = argb;
      draw_cache_.index = index;
    }
    source.bitmap = &list_->ImageStrip();
    source.rect = list_->CellRect(index);
    glyph = &source;
  }
  if (enabled) textFlags |= kQRXTextEnabled;
  unsigned options = kQRXGlyphShowAccel | kQRXGlyphSkipGlyph;
  if (multiLine) options |= kQRXGlyphMultiLine;
  if (!glyph) {
    DrawGlyphText(canvas, caption, rect, layout, fontFX, nullptr, textFlags, options);
    return;
  }
  // The glyph goes down first, then the caption over it.
  const TQRXGlyphTextRects placed =
      DrawGlyphText(canvas, caption, rect, layout, fontFX, glyph, textFlags, options | kQRXGlyphCalcOnly);
  canvas.DrawImage(QPoint(placed.glyph.Left, placed.glyph.Top), draw_cache_.image, std::nullopt, true);
  if (!caption.isEmpty()) DrawGlyphText(canvas, caption, rect, layout, fontFX, glyph, textFlags, options);
}
