#pragma once
// TGIFImage: the GIF picture class (GIF87a and GIF89a), registered with the
// picture class under "gif". It owns the header and the frames, loads and
// saves whole streams, converts other pictures into frames, exchanges
// pictures with the clipboard ("GIF Image" and a bitmap), and draws and
// animates itself through TGIFPainter threads (GifPainter.h).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pictures/GifFrame.h"
#include "pictures/GifLzw.h"
#include "pictures/GraphicColorReduction.h"

class TGIFPainter;
struct TGIFPainterList;

enum TGIFPaintOption : std::uint16_t {
  poThreaded = 0x0001,
  poTransparent = 0x0002,
  poAnimate = 0x0004,
  poLoop = 0x0008,
  poLoopForever = 0x0010,
  poCheckCanvas = 0x0020,
  poPaintDirect = 0x0040,
  poRestorePass = 0x0080,
  poTile = 0x0100,
  poDither = 0x0200,
  poDitherLowColor = 0x0400,
};
using TGIFPaintOptions = std::uint16_t;
constexpr TGIFPaintOptions kDefaultPaintOptions = 0x060F;

enum TGIFTidyOption : std::uint8_t {
  toTrim = 0x01,
  toMergeRepeats = 0x02,
  toTidy = 0x04,
  toSortColors = 0x08,
  toReduce = 0x10,
};
using TGIFTidyOptions = std::uint8_t;

enum TProgressStage { psStarting, psRunning, psEnding };

enum TThreadPriority : std::uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// Settings of the whole codec (module-wide, one object).
struct TGIFUnitSettings {
  // Form-data writes optimise the picture first (nothing turns it on).
  std::atomic<bool> OptimizeWhenStreaming{false};
  // Frames render as soon as they are loaded.
  std::atomic<bool> RedrawWhileLoading{false};
  // The display shows 8 bits per pixel or fewer; with poDitherLowColor,
  // frames are dithered to the web palette only then.
  std::atomic<bool> LowColorDisplay{false};
  // The largest frame or logical screen, in pixels, a stream may ask for;
  // more is refused before anything is allocated.
  std::atomic<long long> MaxPixels{1LL << 26};
};
TGIFUnitSettings& GifSettings();

// The name of the clipboard format that carries a GIF stream.
inline constexpr const char* kGIFClipboardFormat = "GIF Image";

// Maps "gif" to TGIFImage in the picture registry. Idempotent.
void RegisterGifFormat();

class TGIFImage final : public TGraphic {
 public:
  TGIFImage();
  ~TGIFImage() override;
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  // TGraphic.
  bool Empty() const override { return frames_.Count() == 0; }
  int Width() const override { return header_.Width(); }
  int Height() const override { return header_.Height(); }
  // Raise "Image width too small for contained frames" (height likewise)
  // when a frame would stand outside.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // A stream that cannot be read raises GIFException and leaves the picture
  // as it was and the stream where reading began.
  void LoadFromBytes(const QByteArray& data) override;
  QByteArray SaveToBytes() const override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override;

  void Clear();
  void Assign(const TGIFImage& source);
  // Any other picture becomes the one frame of the image.
  void AssignGraphic(const TGraphic& source);
  void AssignTo(TBitmap& destination);
  // A new frame from a picture; answers its index.
  int Add(const TGraphic& source);
  int Add(std::unique_ptr<TGIFSubImage> frame);

  TGIFImageList& Images() { return frames_; }
  const TGIFImageList& Images() const { return frames_; }
  TGIFHeader& Header() { return header_; }
  const TGIFHeader& Header() const { return header_; }
  TGIFGlobalColorMap& GlobalColorMap() { return header_.ColorMap(); }
  TGIFStreamVersion Version() const;
  int BitsPerPixel() const;
  int ColorResolution() const;
  TColor BackgroundColor() { return header_.BackgroundColor(); }

  // The palette the picture is shown with; empty for none.
  TGIFPalette Palette();
  void SetPalette(const TGIFPalette& palette);
  bool PaletteModified() const { return palette_modified_; }

  // The image's own rendering of its first frame at the logical screen's
  // size (the animation painter keeps it current).
  TBitmap* Bitmap();
  void ResetBitmap();
  void DropBitmap();

  // Whether frames are dithered to the web palette when rendered.
  bool Dithering() const;

  // Settings.
  TGIFPaintOptions PaintOptions() const { return paint_options_; }
  void SetPaintOptions(TGIFPaintOptions value) { paint_options_ = value; }
  TReductionMethod ReductionMethod() const { return reduction_method_; }
  void SetReductionMethod(TReductionMethod value) { reduction_method_ = value; }
  int ReductionColorBits() const { return reduction_bits_; }
  void SetReductionColorBits(int value) { reduction_bits_ = value; }
  TDitherKind DitherKind() const { return dither_kind_; }
  void SetDitherKind(TDitherKind value) { dither_kind_ = value; }
  TGIFEncoderKind EncoderKind() const { return encoder_kind_; }
  void SetEncoderKind(TGIFEncoderKind value) { encoder_kind_ = value; }
  TThreadPriority PainterPriority() const { return painter_priority_; }
  void SetPainterPriority(TThreadPriority value) { painter_priority_ = value; }
  int AnimationSpeed() const { return speed_percent_; }
  void SetAnimationSpeed(int value) { speed_percent_ = value; }
  TColor PaintBackground() const { return paint_background_; }
  void SetPaintBackground(TColor value) { paint_background_ = value; }

  // Warnings: tolerable faults; processing goes on.
  std::function<void(TGIFImage* sender, int severity, const std::string& message)> OnCodecWarning;
  void Warning(int severity, const std::string& message);
  // Long operations report their progress (on the thread that made the image).
  std::function<void(TGIFImage* sender, TProgressStage stage, int percent, bool redraw,
                     const std::string& message)>
      OnProgress;
  void Progress(TProgressStage stage, int percent, bool redraw, const std::string& message);

  // Sorts, tidies, trims and merges frames (TGIFTidyOption bits).
  void Optimize(TGIFTidyOptions options, TReductionMethod method, TDitherKind dither, int colorBits);

  // Clipboard: the picture goes on as "GIF Image"; loading prefers "GIF
  // Image" and takes a plain picture otherwise.
  void SaveToClipboardFormat() const;
  void LoadFromClipboardFormat();

  // Drawing and animation (GifPainter.cpp).
  // A new painter of the picture onto `rect` of `canvas`: a threaded one is
  // answered suspended (StartIfThreaded starts it; it frees itself); an
  // unthreaded one runs to its end here and null is answered.
  TGIFPainter* Paint(TGIFPainter** reference, TCanvas& canvas, TGIFPaintOptions options, const TRect& rect);
  void StopScreenPainter();
  void StopAllPainters();
  void PaintBitmap(TCanvas& canvas, const TRect& rect, TBitmap& bitmap);
  TGIFPainter* ScreenPainter() const;
  // How many painters are listed.
  int PainterCount() const;
  std::function<void(TGIFPainter*)> OnPaintStart, OnBeforeFrame, OnAfterFrame, OnNextPass, OnPaintEnd;

  // Rendering of frames (by the painter thread too) holds this lock.
  std::recursive_mutex& RenderLock() const { return render_lock_; }
  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_thread_; }

 private:
  friend class TGIFPainter;
  friend class TGIFSubImage;
  void DoLoad(TStream& stream);
  void DoSave(TStream& stream);
  void Reparent();

  bool draw_busy_ = false;
  bool palette_busy_ = false;
  bool palette_modified_ = false;
  TGIFImageList frames_;
  TGIFHeader header_;
  std::optional<TGIFPalette> screen_palette_;
  std::shared_ptr<TGIFPainterList> painters_;
  TGIFPaintOptions paint_options_ = kDefaultPaintOptions;
  TReductionMethod reduction_method_ = rmWebColors;
  int reduction_bits_ = 8;
  TDitherKind dither_kind_ = dkNearest;
  TGIFEncoderKind encoder_kind_ = ekLZW;
  TThreadPriority painter_priority_ = tpNormal;
  int speed_percent_ = 100;
  TColor paint_background_ = clNone;
  std::unique_ptr<TBitmap> bitmap_;
  mutable std::recursive_mutex render_lock_;
  std::thread::id owner_thread_;
};
