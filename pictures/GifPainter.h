#pragma once
// TGIFPainter: plays an animated GIF. It walks the frames with their
// delays, disposal methods and loop count, and paints each frame on the
// main thread (through the dispatcher) into the image's bitmap or onto the
// target canvas. A threaded painter runs on its own thread and frees itself
// when it ends; the image stops and waits for its painters before it
// changes or goes away, so no painter outlives its image.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pictures/GifImage.h"
#include "platform/gui/Thread.h"

// Timing of frames, in hundredths of a second; each counts DelayScale ms.
inline constexpr int kDelayScale = 12;
inline constexpr int kDefaultFrameDelay = 10;
inline constexpr int kMinFrameDelay = 3;
inline constexpr int kMaxFrameDelay = 1000;

// The image's painters and its screen painter, shared with the painters so
// that a painter finishing after the image has let it go finds no dangling
// image. `lock` is the image's painter lock.
struct TGIFPainterList {
  std::recursive_mutex lock;
  std::vector<TGIFPainter*> list;
  TGIFPainter* screen = nullptr;
  // Threaded painters not yet destroyed.
  std::atomic<int> live{0};
};

class TGIFPainter final : public TThread {
 public:
  // Made by TGIFImage::Paint; `reference` (when given) receives the painter
  // and is cleared when it finishes.
  TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFPaintOptions options,
              TGIFPainter** reference);
  ~TGIFPainter() override;

  void Stop();
  void StartIfThreaded();
  bool Threaded() const { return options_ & poThreaded; }

  TGIFImage* Image() const { return image_.load(); }
  TCanvas* Canvas() const { return canvas_; }
  const TRect& PaintRect() const { return rect_; }
  TGIFPaintOptions PaintOptions() const { return options_; }
  // The frame being shown (-1 when idle); an event handler may set it to
  // continue from another frame.
  int ActiveFrame() const { return active_frame_; }
  void SetActiveFrame(int frame) { active_frame_ = frame; }
  bool Painted() const { return painted_; }
  int Disposal() const { return disposal_; }
  // The message of an exception that ended the run, empty when none did.
  std::string ErrorMessage() const;

  std::function<void(TGIFPainter*)> OnPaintStart, OnBeforeFrame, OnAfterFrame, OnNextPass, OnPaintEnd;

 protected:
  void Execute() override;

 private:
  friend class TGIFImage;
  void RunUnthreaded();
  void DetachImage() { image_ = nullptr; }
  void PainterFinished();
  void CallInMainThread(const std::function<void()>& call);
  void FireEvent(const std::function<void(TGIFPainter*)>& event);
  void PaintFrameDirect();
  void PaintFrameBuffered();
  void RestoreFrameArea();
  // Waits `ms` milliseconds (endless when negative) or until Stop; true
  // when woken.
  bool WaitWake(long long ms);
  void Body();

  std::atomic<TGIFImage*> image_;
  std::shared_ptr<TGIFPainterList> painters_;
  TCanvas* canvas_;
  TRect rect_;
  TGIFPaintOptions options_;
  int speed_percent_;
  std::atomic<int> active_frame_{-1};
  std::atomic<int> disposal_{0};
  int previous_disposal_ = 1;
  std::unique_ptr<TBitmap> frame_buffer_, previous_buffer_, background_buffer_;
  TColor background_ = clWhite;
  std::atomic<bool> painted_{false};
  TGIFPainter** reference_;
  std::mutex wake_mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool has_wake_ = false;
  mutable std::mutex error_mutex_;
  std::string error_;
  bool finished_called_ = false;
};
