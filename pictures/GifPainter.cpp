// Drawing of GIF pictures and the animation painter.

#include "pictures/GifPainter.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "platform/gui/QtDispatcher.h"

namespace {

// Runs the calls painters hand to the main thread until `done` holds. The
// main thread waits here for a painter; the painter may be waiting for one
// of these calls.
void ServeMainThreadUntil(const std::function<bool()>& done) {
  if (done()) return;
  MainThreadDispatcher& dispatcher = TheDispatcher();
  auto* qt = dynamic_cast<QtDispatcher*>(&dispatcher);
  auto* queue = dynamic_cast<QueueDispatcher*>(&dispatcher);
  const bool main = dispatcher.IsMainThread();
  while (!done()) {
    if (main && queue) {
      queue->RunUntil(done, std::chrono::milliseconds(50));
    } else if (main && qt) {
      qt->RunPending();
      if (!done()) qt->WaitForCall(std::chrono::milliseconds(5));
    } else {
      TheClock().SleepMs(1);
    }
  }
}

TBitmap* CopyUnder(TCanvas& canvas, const TRect& rect) {
  auto* copy = new TBitmap();
  copy->SetSize(rect.Width(), rect.Height());
  copy->Canvas().CopyRect(Rect(0, 0, rect.Width(), rect.Height()), canvas, rect);
  return copy;
}

}  // namespace

// --- TGIFImage: drawing ----------------------------------------------------------

TGIFPainter* TGIFImage::ScreenPainter() const {
  std::lock_guard lock(painters_->lock);
  return painters_->screen;
}

int TGIFImage::PainterCount() const {
  std::lock_guard lock(painters_->lock);
  return int(painters_->list.size());
}

void TGIFImage::PaintBitmap(TCanvas& canvas, const TRect& rect, TBitmap& bitmap) {
  if (!(paint_options_ & poTile)) {
    canvas.StretchDraw(rect, bitmap);
    return;
  }
  const int w = Width() > 0 ? Width() : bitmap.Width();
  const int h = Height() > 0 ? Height() : bitmap.Height();
  if (w <= 0 || h <= 0) return;
  for (int y = rect.Top; y < rect.Bottom; y += h)
    for (int x = rect.Left; x < rect.Right; x += w) canvas.StretchDraw(Bounds(x, y, w, h), bitmap);
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (draw_busy_ || Empty()) return;
  draw_busy_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{draw_busy_};
  if (frames_.Count() == 1 || !(paint_options_ & poAnimate)) {
    frames_[0].StretchDraw(canvas, rect, paint_options_ & poTile, paint_options_ & poTransparent);
    return;
  }
  if (bitmap_ && !(paint_options_ & poPaintDirect)) {
    PaintBitmap(canvas, rect, *bitmap_);
    return;
  }
  std::lock_guard lock(painters_->lock);
  if (TGIFPainter* screen = painters_->screen)
    if (screen->Canvas() == &canvas && screen->PaintRect() == rect) return;
  StopScreenPainter();
  TCanvas* target = &canvas;
  TRect targetRect = rect;
  if (!(paint_options_ & poPaintDirect)) {
    if (Width() <= 0 || Height() <= 0) return;
    ResetBitmap();
    bitmap_->Canvas().CopyRect(Rect(0, 0, Width(), Height()), canvas, rect);
    target = &bitmap_->Canvas();
    targetRect = Rect(0, 0, Width(), Height());
  }
  TGIFPainter* painter = Paint(&painters_->screen, *target, paint_options_, targetRect);
  if (painter) painter->StartIfThreaded();
  if (!(paint_options_ & poPaintDirect)) {
    ServeMainThreadUntil([&] {
      std::lock_guard inner(painters_->lock);
      TGIFPainter* screen = painters_->screen;
      return !screen || screen->Terminated() || screen->Painted();
    });
    if (bitmap_) PaintBitmap(canvas, rect, *bitmap_);
  }
}

TGIFPainter* TGIFImage::Paint(TGIFPainter** reference, TCanvas& canvas, TGIFPaintOptions options,
                              const TRect& rect) {
  if (Empty() || rect.IsEmpty()) {
    if (reference) *reference = nullptr;
    return nullptr;
  }
  if (frames_.Count() == 1) options &= TGIFPaintOptions(~(poThreaded | poAnimate));
  auto painter = std::make_unique<TGIFPainter>(this, canvas, rect, options, reference);
  painter->OnPaintStart = OnPaintStart;
  painter->OnBeforeFrame = OnBeforeFrame;
  painter->OnAfterFrame = OnAfterFrame;
  painter->OnNextPass = OnNextPass;
  painter->OnPaintEnd = OnPaintEnd;
  if (painter->Threaded()) {
    // From here the thread owns itself: it is freed on the main thread once
    // it has finished.
    painter->SetFreeOnTerminate(true);
    return painter.release();
  }
  painter->RunUnthreaded();
  if (reference) *reference = nullptr;
  return nullptr;
}

void TGIFImage::StopScreenPainter() {
  for (;;) {
    TGIFPainter* screen;
    {
      std::lock_guard lock(painters_->lock);
      screen = painters_->screen;
      if (!screen) return;
      screen->Stop();
      if (!screen->Threaded()) return;
    }
    ServeMainThreadUntil([&] {
      std::lock_guard lock(painters_->lock);
      return painters_->screen != screen;
    });
  }
}

void TGIFImage::StopAllPainters() {
  for (;;) {
    int threaded = 0;
    {
      std::lock_guard lock(painters_->lock);
      for (auto it = painters_->list.rbegin(); it != painters_->list.rend(); ++it) {
        (*it)->Stop();
        if ((*it)->Threaded()) ++threaded;
      }
    }
    if (threaded == 0) break;
    ServeMainThreadUntil([&] {
      std::lock_guard lock(painters_->lock);
      return std::none_of(painters_->list.begin(), painters_->list.end(),
                          [](TGIFPainter* p) { return p->Threaded(); });
    });
  }
  // Finished painters free themselves through the dispatcher; wait for that
  // too, so that nothing of them runs after the image changed.
  ServeMainThreadUntil([&] { return painters_->live.load() == 0; });
  std::lock_guard lock(render_lock_);
  bitmap_.reset();
}

// --- TGIFPainter -----------------------------------------------------------------

TGIFPainter::TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFPaintOptions options,
                         TGIFPainter** reference)
    : TThread(true),
      image_(image),
      painters_(image->painters_),
      canvas_(&canvas),
      rect_(rect),
      options_(options),
      speed_percent_(image->AnimationSpeed()),
      reference_(reference) {
  if (Threaded()) {
    ++painters_->live;
    OnTerminate = [this](TThread*) { PainterFinished(); };
  }
  {
    std::lock_guard lock(painters_->lock);
    painters_->list.push_back(this);
    if (reference_) *reference_ = this;
  }
  const int frames = image->Images().Count();
  has_wake_ = Threaded() && (options & poAnimate) && frames >= 2 && speed_percent_ >= 0;
  if (image->PaintBackground() != clNone)
    background_ = image->PaintBackground();
  else if (image->GlobalColorMap().Count() == 0)
    background_ = clWindow;
  else
    background_ = image->BackgroundColor();
  std::set<int> disposals;
  for (int i = 0; i < frames; ++i) disposals.insert(image->Images()[i].Disposal());
  if (options & poRestorePass) disposals.insert(dmBackground);
  const bool restores = disposals.count(dmBackground) || disposals.count(dmPrevious);
  if (disposals.count(dmBackground) && (options & poTransparent))
    background_buffer_.reset(CopyUnder(canvas, rect));
  if (restores) {
    frame_buffer_.reset(CopyUnder(canvas, rect));
    frame_buffer_->Canvas().Brush().SetColor(background_);
    previous_buffer_ = std::make_unique<TBitmap>();
    previous_buffer_->SetSize(rect.Width(), rect.Height());
    previous_buffer_->Canvas().Brush().SetColor(background_);
  }
}

TGIFPainter::~TGIFPainter() {
  if (!finished_called_ && !Threaded()) PainterFinished();
  if (Threaded()) --painters_->live;
}

std::string TGIFPainter::ErrorMessage() const {
  std::lock_guard lock(error_mutex_);
  return error_;
}

void TGIFPainter::Stop() {
  Terminate();
  if (!Threaded()) return;
  if (has_wake_) {
    std::lock_guard lock(wake_mutex_);
    woken_ = true;
    wake_.notify_all();
  }
  if (Suspended()) Start();
}

void TGIFPainter::StartIfThreaded() {
  if (Threaded()) Start();
}

void TGIFPainter::RunUnthreaded() {
  Execute();
  PainterFinished();
}

void TGIFPainter::PainterFinished() {
  if (finished_called_) return;
  finished_called_ = true;
  TGIFImage* image = image_.load();
  {
    std::lock_guard lock(painters_->lock);
    if (reference_ && *reference_ == this) *reference_ = nullptr;
    if (painters_->screen == this) painters_->screen = nullptr;
    std::erase(painters_->list, this);
  }
  const std::string error = ErrorMessage();
  // A threaded painter has no caller to raise to: its failure reaches the
  // image's warning handler, on the main thread.
  if (image && !error.empty()) image->Warning(2, error);
  image_ = nullptr;
  frame_buffer_.reset();
  previous_buffer_.reset();
  background_buffer_.reset();
}

bool TGIFPainter::WaitWake(long long ms) {
  if (ms < 0) {
    std::unique_lock lock(wake_mutex_);
    wake_.wait(lock, [&] { return woken_; });
    woken_ = false;
    return true;
  }
  Clock& clock = TheClock();
  const std::uint64_t start = clock.TickMs();
  for (;;) {
    {
      std::lock_guard lock(wake_mutex_);
      if (woken_) {
        woken_ = false;
        return true;
      }
    }
    const std::uint64_t elapsed = clock.TickMs() - start;
    if (elapsed >= std::uint64_t(ms)) return false;
    // Short slices, so that Stop is seen soon.
    clock.SleepMs(std::uint32_t(std::min<std::uint64_t>(std::uint64_t(ms) - elapsed, 10)));
  }
}

void TGIFPainter::CallInMainThread(const std::function<void()>& call) {
  if (Terminated()) return;
  if (Threaded())
    TThread::Synchronize(call);
  else
    call();
}

void TGIFPainter::FireEvent(const std::function<void(TGIFPainter*)>& event) {
  if (!event) return;
  CallInMainThread([&] { event(this); });
}

void TGIFPainter::Execute() {
  try {
    Body();
  } catch (const std::exception& e) {
    Terminate();
    std::lock_guard lock(error_mutex_);
    error_ = e.what();
  } catch (...) {
    Terminate();
    std::lock_guard lock(error_mutex_);
    error_ = "Animation failed";
  }
}

void TGIFPainter::Body() {
  TGIFImage* image = image_.load();
  if (!image) return;
  Clock& clock = TheClock();
  const bool threaded = Threaded();
  active_frame_ = 0;
  FireEvent(OnPaintStart);
  painted_ = false;
  int loopCount = 1;
  int passStart = 0;
  bool loopSeen = false;
  int pendingDelay = threaded ? 0 : 1;
  previous_disposal_ = 1;
  std::uint64_t start = clock.TickMs();
  long long correction = 0;
  bool firstPass = true;
  do {
    if (!firstPass && painted_) FireEvent(OnNextPass);
    firstPass = false;
    active_frame_ = passStart;
    while (active_frame_ >= 0 && active_frame_ < image->Images().Count() && !Terminated()) {
      TGIFSubImage& frame = image->Images()[active_frame_];
      if (frame.Empty()) break;
      if (pendingDelay > 0) {
        // Rendered before the wait, so that the paint only copies.
        frame.Bitmap();
        const std::uint64_t now = clock.TickMs();
        long long wait;
        if (speed_percent_ > 0) {
          wait = (static_cast<long long>(pendingDelay) * kDelayScale -
                  (static_cast<long long>(now - start) - correction) / 2) *
                 100 / speed_percent_;
          correction = wait;
        } else {
          wait = threaded ? -1 : static_cast<long long>(kMaxFrameDelay) * kDelayScale;
        }
        start = now;
        if (threaded) {
          if ((wait > 0 || speed_percent_ <= 0) && WaitWake(wait)) {
            correction = 0;
            start = clock.TickMs();
          }
        } else {
          if (wait <= 0) wait = 1;
          while (wait > 0 && !Terminated()) {
            const std::uint64_t before = clock.TickMs();
            clock.SleepMs(std::uint32_t(std::min<long long>(wait, 100)));
            wait -= static_cast<long long>(clock.TickMs() - before);
          }
        }
      } else {
        std::this_thread::yield();
      }
      if (Terminated()) break;
      FireEvent(OnBeforeFrame);
      if (Terminated()) break;
      disposal_ = 1;
      TGIFGraphicControlExtension* gce = nullptr;
      for (int k = 0; k < frame.Extensions().Count(); ++k) {
        TGIFExtension& ext = frame.Extensions()[k];
        if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(&ext)) {
          if (!loopSeen) {
            loopSeen = true;
            loopCount = loop->LoopCount;
            if (threaded && (loop->LoopCount == 0 || (options_ & poLoopForever))) loopCount = -1;
            passStart = active_frame_;
          }
        } else if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(&ext)) {
          gce = control;
          disposal_ = control->Disposal();
        }
      }
      CallInMainThread([&] {
        if (frame_buffer_)
          PaintFrameBuffered();
        else
          PaintFrameDirect();
      });
      previous_disposal_ = disposal_;
      if (Terminated()) break;
      if (gce && gce->Delay() > 0) {
        pendingDelay = std::max(gce->Delay(), kMinFrameDelay);
        if (!threaded) pendingDelay = std::min(pendingDelay, kMaxFrameDelay);
      } else {
        pendingDelay = kDefaultFrameDelay;
      }
      const int shown = active_frame_;
      FireEvent(OnAfterFrame);
      if (Terminated()) break;
      if (active_frame_ == shown) ++active_frame_;
      if (!(options_ & poAnimate)) break;
    }
    if (loopCount > 0) --loopCount;
  } while ((options_ & poAnimate) && (options_ & poLoop) && (loopCount != 0 || (options_ & poLoopForever)) &&
           !Terminated());
  active_frame_ = -1;
  FireEvent(OnPaintEnd);
}

void TGIFPainter::PaintFrameDirect() {
  TGIFImage* image = image_.load();
  if (!image) return;
  const int index = active_frame_;
  if (index < 0 || index >= image->Images().Count()) return;
  image->Images()[index].StretchDraw(*canvas_, rect_, options_ & poTile, options_ & poTransparent);
  painted_ = true;
}

void TGIFPainter::PaintFrameBuffered() {
  TGIFImage* image = image_.load();
  if (!image) return;
  const int index = active_frame_;
  if (index < 0 || index >= image->Images().Count()) return;
  if ((options_ & poCheckCanvas) && !canvas_->HandleAllocated()) {
    Terminate();
    return;
  }
  TGIFSubImage& frame = image->Images()[index];
  const TRect whole = Rect(0, 0, rect_.Width(), rect_.Height());
  TCanvas* surface = nullptr;
  TRect surfaceRect = whole;
  TBitmap* shown = nullptr;
  const int disposal = disposal_;
  if (disposal <= dmBackground) {
    surface = &frame_buffer_->Canvas();
    shown = frame_buffer_.get();
  } else if (disposal == dmPrevious && previous_disposal_ <= dmNoDisposal) {
    surface = canvas_;
    surfaceRect = rect_;
  } else if (disposal == dmPrevious &&
             (previous_disposal_ == dmBackground || previous_disposal_ == dmPrevious)) {
    previous_buffer_->Assign(*frame_buffer_);
    surface = &previous_buffer_->Canvas();
    shown = previous_buffer_.get();
  } else {
    return;
  }
  if ((options_ & poRestorePass) && index == 0) RestoreFrameArea();
  frame.StretchDraw(*surface, surfaceRect, options_ & poTile, options_ & poTransparent);
  if (shown) {
    const TCopyMode mode = canvas_->CopyMode();
    canvas_->SetCopyMode(cmSrcCopy);
    canvas_->StretchDraw(rect_, *shown);
    canvas_->SetCopyMode(mode);
  }
  if (disposal == dmBackground) RestoreFrameArea();
  painted_ = true;
}

void TGIFPainter::RestoreFrameArea() {
  TGIFImage* image = image_.load();
  if (!image || !frame_buffer_) return;
  const int index = std::max(0, int(active_frame_));
  if (index >= image->Images().Count()) return;
  TGIFSubImage& frame = image->Images()[index];
  const TRect whole = Rect(0, 0, rect_.Width(), rect_.Height());
  TCanvas& buffer = frame_buffer_->Canvas();
  const bool tiled = options_ & poTile;
  const int stepX = image->Width() > 0 ? image->Width() : std::max(1, frame.Width());
  const int stepY = image->Height() > 0 ? image->Height() : std::max(1, frame.Height());
  std::vector<TRect> areas;
  if (tiled) {
    for (int y = frame.Top(); y < whole.Bottom; y += stepY)
      for (int x = frame.Left(); x < whole.Right; x += stepX)
        areas.push_back(Bounds(x, y, frame.Width(), frame.Height()));
  } else {
    areas.push_back(frame.ScaleRect(whole));
  }
  for (const TRect& area : areas) {
    if (background_buffer_ && (options_ & poTransparent)) {
      buffer.CopyRect(area, background_buffer_->Canvas(), area);
    } else {
      buffer.Brush().SetColor(tiled && image->PaintBackground() != clNone ? image->PaintBackground()
                                                                          : background_);
      buffer.FillRect(area);
    }
  }
}
