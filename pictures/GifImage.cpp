// TGIFImage: loading, saving, conversion, clipboard and Optimize.

#include "pictures/GifImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "pictures/GifPainter.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/Picture.h"

TGIFUnitSettings& GifSettings() {
  static TGIFUnitSettings settings;
  return settings;
}

void RegisterGifFormat() {
  // Registering again replaces the entry with an equal one.
  TPicture::RegisterFileFormat<TGIFImage>("gif", "GIF Image");
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      GifSettings().LowColorDisplay = screen->depth() < 9;
}

TGIFImage::TGIFImage()
    : frames_(this),
      header_(this),
      painters_(std::make_shared<TGIFPainterList>()),
      owner_thread_(std::this_thread::get_id()) {
  Clear();
}

TGIFImage::~TGIFImage() {
  StopAllPainters();
  {
    std::lock_guard lock(painters_->lock);
    for (TGIFPainter* painter : painters_->list) painter->DetachImage();
    painters_->list.clear();
    painters_->screen = nullptr;
  }
  frames_.Clear();
}

void TGIFImage::Warning(int severity, const std::string& message) {
  if (OnCodecWarning) OnCodecWarning(this, severity, message);
}

void TGIFImage::Progress(TProgressStage stage, int percent, bool redraw, const std::string& message) {
  if (OnProgress && OnOwnerThread()) OnProgress(this, stage, percent, redraw, message);
}

void TGIFImage::Clear() {
  StopAllPainters();
  DropBitmap();
  frames_.Clear();
  header_.Clear();
  header_.Prepare();
  SetPalette({});
}

void TGIFImage::SetWidth(int width) {
  for (int i = 0; i < frames_.Count(); ++i)
    if (frames_[i].Left() + frames_[i].Width() > width) Error("Image width too small for contained frames");
  if (width == header_.Width()) return;
  header_.SetWidth(width);
  DropBitmap();
  Changed();
}

void TGIFImage::SetHeight(int height) {
  for (int i = 0; i < frames_.Count(); ++i)
    if (frames_[i].Top() + frames_[i].Height() > height) Error("Image height too small for contained frames");
  if (height == header_.Height()) return;
  header_.SetHeight(height);
  DropBitmap();
  Changed();
}

TGIFStreamVersion TGIFImage::Version() const {
  TGIFStreamVersion version = svNone;
  for (int i = 0; i < frames_.Count(); ++i) {
    const TGIFStreamVersion v = frames_[i].Version();
    if (v > version) version = v;
    if (version == sv89a) break;
  }
  // The header's own needs (a sorted table, an aspect ratio) count too.
  if (version != svNone && header_.Version() > version) version = header_.Version();
  return version;
}

int TGIFImage::BitsPerPixel() const {
  int bits = header_.BitsPerPixel();
  for (int i = 0; i < frames_.Count(); ++i) bits = std::max(bits, frames_[i].BitsPerPixel());
  return bits;
}

int TGIFImage::ColorResolution() const {
  int resolution = header_.ColorResolution();
  for (int i = 0; i < frames_.Count(); ++i) resolution = std::max(resolution, frames_[i].ColorResolution());
  return resolution;
}

bool TGIFImage::Dithering() const {
  return (paint_options_ & poDither) &&
         (!(paint_options_ & poDitherLowColor) || GifSettings().LowColorDisplay);
}

// --- loading and saving ----------------------------------------------------------

void TGIFImage::Reparent() {
  header_.image_ = this;
  for (int i = 0; i < frames_.Count(); ++i) {
    TGIFSubImage& frame = frames_[i];
    frame.image_ = this;
    for (int k = 0; k < frame.Extensions().Count(); ++k) frame.Extensions()[k].image_ = this;
  }
}

void TGIFImage::DoLoad(TStream& stream) {
  header_.LoadFromStream(stream);
  if (static_cast<long long>(header_.Width()) * header_.Height() > GifSettings().MaxPixels)
    Error("Image dimensions too large");
  frames_.LoadFromStream(stream);
  TGIFTrailer trailer(this);
  trailer.LoadFromStream(stream);
}

void TGIFImage::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  Progress(psStarting, 0, false, "Loading...");
  // Read into a fresh image, so that a stream that cannot be read leaves this
  // picture as it was.
  TGIFImage fresh;
  fresh.OnCodecWarning = [this](TGIFImage*, int severity, const std::string& message) {
    Warning(severity, message);
  };
  fresh.paint_options_ = paint_options_;
  try {
    fresh.DoLoad(stream);
  } catch (...) {
    stream.Seek(start, soBeginning);
    Progress(psEnding, 0, true, "Loading...");
    throw;
  }
  StopAllPainters();
  DropBitmap();
  header_.Assign(fresh.header_);
  frames_.Swap(fresh.frames_);
  Reparent();
  fresh.Reparent();
  screen_palette_.reset();
  palette_modified_ = false;
  Progress(psEnding, 100, true, "Loading...");
  Changed();
}

void TGIFImage::DoSave(TStream& stream) {
  header_.SaveToStream(stream);
  frames_.SaveToStream(stream);
  TGIFTrailer trailer(this);
  trailer.SaveToStream(stream);
}

void TGIFImage::SaveToStream(TStream& stream) const {
  // Saving settles the packed bytes of the header and the frames, which
  // follow from the tables; nothing a reader sees changes.
  auto& self = const_cast<TGIFImage&>(*this);
  self.Progress(psStarting, 0, false, "Saving...");
  try {
    if (GifSettings().OptimizeWhenStreaming)
      self.Optimize(toTrim | toMergeRepeats | toTidy | toSortColors | toReduce, rmNone, dkNearest, 8);
    self.DoSave(stream);
  } catch (...) {
    self.Progress(psEnding, 0, true, "Saving...");
    throw;
  }
  self.Progress(psEnding, 100, true, "Saving...");
}

void TGIFImage::LoadFromBytes(const QByteArray& data) {
  TMemoryStream stream;
  if (!data.isEmpty()) stream.WriteBuffer(data.constData(), data.size());
  stream.SetPosition(0);
  LoadFromStream(stream);
}

QByteArray TGIFImage::SaveToBytes() const {
  TMemoryStream stream;
  SaveToStream(stream);
  return QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size()));
}

std::unique_ptr<TGraphic> TGIFImage::Clone() const {
  auto copy = std::make_unique<TGIFImage>();
  copy->Assign(*this);
  copy->reduction_bits_ = reduction_bits_;
  copy->encoder_kind_ = encoder_kind_;
  copy->speed_percent_ = speed_percent_;
  return copy;
}

// --- conversion ----------------------------------------------------------------

void TGIFImage::Assign(const TGIFImage& source) {
  if (&source == this) return;
  Clear();
  OnProgress = source.OnProgress;
  OnCodecWarning = source.OnCodecWarning;
  try {
    Progress(psStarting, 0, false, "Copying...");
    header_.Assign(source.header_);
    painter_priority_ = source.painter_priority_;
    paint_background_ = source.paint_background_;
    paint_options_ = source.paint_options_;
    reduction_method_ = source.reduction_method_;
    dither_kind_ = source.dither_kind_;
    for (int i = 0; i < source.frames_.Count(); ++i) {
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->Assign(source.frames_[i]);
      frames_.Add(std::move(frame));
      Progress(psRunning, (i + 1) * 100 / source.frames_.Count(), false, "Copying...");
    }
    Progress(psEnding, 100, false, "Copying...");
  } catch (...) {
    Progress(psEnding, 0, false, "Copying...");
    OnProgress = nullptr;
    OnCodecWarning = nullptr;
    throw;
  }
  // As the picture class does: the copy reports to no one until told to.
  OnProgress = nullptr;
  OnCodecWarning = nullptr;
  Changed();
}

void TGIFImage::AssignGraphic(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* gif = dynamic_cast<const TGIFImage*>(&source)) {
    Assign(*gif);
    return;
  }
  Clear();
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->AssignGraphic(source);
  Add(std::move(frame));
}

void TGIFImage::AssignTo(TBitmap& destination) {
  TBitmap* bitmap = Bitmap();
  if (bitmap)
    destination.Assign(*bitmap);
  else
    destination.Assign(TBitmap());
}

int TGIFImage::Add(const TGraphic& source) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->AssignGraphic(source);
  return Add(std::move(frame));
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame) Error("Object type not supported for operation");
  StopAllPainters();
  frame->image_ = this;
  for (int k = 0; k < frame->Extensions().Count(); ++k) frame->Extensions()[k].image_ = this;
  const int index = frames_.Add(std::move(frame));
  DropBitmap();
  Changed();
  return index;
}

// --- palette and bitmap --------------------------------------------------------------

TGIFPalette TGIFImage::Palette() {
  std::lock_guard lock(render_lock_);
  if (palette_busy_) Error("No global or local color table defined");
  palette_busy_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{palette_busy_};
  if (bitmap_ && IsPaletteFormat(bitmap_->PixelFormat()) && !bitmap_->Palette().empty())
    return bitmap_->Palette();
  if (screen_palette_) return *screen_palette_;
  if (Dithering()) {
    screen_palette_ = BuildWebPalette();
    return *screen_palette_;
  }
  if (header_.ColorMap().Count() > 0) {
    screen_palette_ = header_.ColorMap().CreatePalette();
    return *screen_palette_;
  }
  if (frames_.Count() > 0) return frames_[0].Palette();
  return {};
}

void TGIFImage::SetPalette(const TGIFPalette& palette) {
  std::lock_guard lock(render_lock_);
  if (palette.empty())
    screen_palette_.reset();
  else
    screen_palette_ = palette;
  if (bitmap_ && bitmap_->Palette() != palette && IsPaletteFormat(bitmap_->PixelFormat())) {
    bitmap_.reset();
    palette_modified_ = true;
    Changed();
  }
}

TBitmap* TGIFImage::Bitmap() {
  std::lock_guard lock(render_lock_);
  if (Empty()) return nullptr;
  if (bitmap_) return bitmap_.get();
  TGIFSubImage& first = frames_[0];
  auto bitmap = std::make_unique<TBitmap>();
  if (first.Width() == Width() && first.Height() == Height() && first.Left() == 0 && first.Top() == 0 &&
      first.Bitmap()) {
    bitmap->Assign(*first.Bitmap());
  } else if (Width() > 0 && Height() > 0) {
    bitmap->SetSize(Width(), Height());
    bitmap->Canvas().Brush().SetColor(clWhite);
    bitmap->Canvas().FillRect(Rect(0, 0, Width(), Height()));
    first.StretchDraw(bitmap->Canvas(), Rect(0, 0, Width(), Height()), false, false);
  }
  bitmap->OnChange = [this](TGraphic*) { Changed(); };
  bitmap_ = std::move(bitmap);
  return bitmap_.get();
}

void TGIFImage::ResetBitmap() {
  StopScreenPainter();
  std::lock_guard lock(render_lock_);
  bitmap_ = std::make_unique<TBitmap>();
  if (Width() > 0 && Height() > 0) bitmap_->SetSize(Width(), Height());
  // The painter's frames land here; a control showing the picture repaints.
  bitmap_->OnChange = [this](TGraphic*) { Changed(); };
}

void TGIFImage::DropBitmap() {
  StopScreenPainter();
  std::lock_guard lock(render_lock_);
  bitmap_.reset();
}

// --- clipboard ---------------------------------------------------------------

void TGIFImage::SaveToClipboardFormat() const {
  if (Empty()) return;
  // A picture for every other program, and the GIF stream, which keeps every
  // frame, for ours.
  ClipboardContent content;
  content.image = const_cast<TGIFImage*>(this)->Bitmap()->ToQImage();
  content.formats[kGIFClipboardFormat] = SaveToBytes();
  ClipboardService& clipboard = Clipboard();
  clipboard.SetContent(content);
  if (!clipboard.HasFormat(kGIFClipboardFormat)) Error("Failed to store GIF on clipboard");
}

void TGIFImage::LoadFromClipboardFormat() {
  ClipboardService& clipboard = Clipboard();
  if (clipboard.HasFormat(kGIFClipboardFormat)) {
    LoadFromBytes(clipboard.Data(kGIFClipboardFormat));
    return;
  }
  const QImage picture = clipboard.Image();
  if (picture.isNull()) throw EInvalidGraphic("Unsupported clipboard format");
  TBitmap bitmap;
  bitmap.AssignQImage(picture);
  bitmap.SetPixelFormat(pf24bit);
  AssignGraphic(bitmap);
}

// --- Optimize ------------------------------------------------------------------

void TGIFImage::Optimize(TGIFTidyOptions options, TReductionMethod method, TDitherKind dither,
                         int colorBits) {
  (void)dither;
  (void)colorBits;
  if (Empty()) return;
  StopAllPainters();
  std::lock_guard lock(painters_->lock);
  const int total = 6 * frames_.Count();
  int step = 0;
  auto progressed = [&] {
    ++step;
    Progress(psRunning, total > 0 ? std::min(100, step * 100 / total) : 100, false, "Optimizing...");
  };
  Progress(psStarting, 0, false, "Optimizing...");
  try {
    if (options & toSortColors) {
      if (GlobalColorMap().Count() > 0) GlobalColorMap().Optimize();
      for (int i = 0; i < frames_.Count(); ++i) {
        if (frames_[i].ColorMap().Count() > 0) frames_[i].ColorMap().Optimize();
        progressed();
      }
    }
    if (options & toTidy) {
      for (int i = 0; i < frames_.Count(); ++i) {
        TGIFSubImage& frame = frames_[i];
        TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
        if (frame.Transparent() && gce && !frame.Empty()) {
          const std::uint8_t t = std::uint8_t(gce->TransparentColorIndex());
          bool used = false;
          for (size_t k = 0; k < frame.DataSize() && !used; ++k) used = frame.Data()[k] == t;
          if (!used) gce->SetTransparent(false);
        }
        progressed();
      }
      for (int i = 0; i + 1 < frames_.Count(); ++i) {
        TGIFSubImage& frame = frames_[i];
        TGIFSubImage& next = frames_[i + 1];
        TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
        if (!gce || (gce->Disposal() != dmBackground && gce->Disposal() != dmPrevious) || next.Transparent())
          continue;
        // The next, opaque frame covers this one completely: nothing of
        // this frame shows after it, so its area need not be restored.
        const TRect r = IntersectRect(frame.BoundsRect(), next.BoundsRect());
        if (!r.IsEmpty() && r == frame.BoundsRect()) gce->SetDisposal(dmNone);
      }
    }
    if (options & toMergeRepeats) {
      for (int i = frames_.Count() - 1; i >= 1; --i) {
        int previous = i - 1;
        while (previous > 0 && frames_[previous].Disposal() == dmPrevious) --previous;
        if (frames_[previous].Disposal() != dmPrevious) frames_[i].MergeWithPrevious(frames_[previous]);
        progressed();
      }
    }
    if (options & toTrim) {
      for (int i = frames_.Count() - 1; i >= 0; --i) {
        TGIFSubImage& frame = frames_[i];
        if (!frame.Transparent() || frame.Empty()) continue;
        const int delay = frame.GraphicControlExtension() ? frame.GraphicControlExtension()->Delay() : 0;
        frame.TrimToOpaque();
        if (frame.Empty()) {
          if (i > 0 && frames_[i - 1].Transparent() && frames_[i - 1].GraphicControlExtension()) {
            TGIFGraphicControlExtension* gce = frames_[i - 1].GraphicControlExtension();
            gce->SetDelay(gce->Delay() + delay);
          }
          frames_.Delete(i);
        }
        progressed();
      }
    }
    if (options & toTidy) {
      for (int i = frames_.Count() - 1; i >= 0; --i) {
        TGIFSubImage& frame = frames_[i];
        TGIFExtensionList& list = frame.Extensions();
        for (int k = list.Count() - 1; k >= 0; --k) {
          TGIFExtension& ext = list[k];
          bool drop = false;
          if (dynamic_cast<TGIFCommentExtension*>(&ext) || dynamic_cast<TGIFTextExtension*>(&ext) ||
              dynamic_cast<TGIFUnknownAppExtension*>(&ext)) {
            drop = true;
          } else if (dynamic_cast<TGIFAppExtNSLoop*>(&ext)) {
            drop = !(i == 0 && frames_.Count() > 1);
          } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(&ext)) {
            const bool single = frames_.Count() == 1;
            drop = (gce->Delay() == 0 || single) && !gce->Transparent() && !gce->UserInput() &&
                   (gce->Disposal() <= dmNoDisposal || single);
          }
          if (drop) list.Delete(k);
        }
        if (frame.Empty() && list.Count() == 0) frames_.Delete(i);
        progressed();
      }
    }
    if ((options & toReduce) && !(options & toTidy) && method == rmCustomPalette)
      Error("Invalid reduction method");
  } catch (...) {
    Progress(psEnding, 0, false, "Optimizing...");
    throw;
  }
  Progress(psEnding, 100, false, "Optimizing...");
  DropBitmap();
  Changed();
}
