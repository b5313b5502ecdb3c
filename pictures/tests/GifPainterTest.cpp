// Drawing and the animation painter: delays, loop counts, disposal against
// ImageMagick's composition, stopping, and the painter's end with its image.

#include <gtest/gtest.h>

#include <atomic>

#include "pictures/GifPainter.h"
#include "pictures/tests/GifTestSupport.h"
#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"

using namespace giftest;

namespace {

// The main thread's dispatcher and a clock that moves only when someone
// waits on it, so that frame times are exact.
struct PainterWorld {
  QueueDispatcher dispatcher;
  ScopedDispatcher scopedDispatcher{dispatcher};
  FakeClock clock;
  ScopedClock scopedClock{clock};
};

// Three frames of 4 x 3 in solid colours, delays 1, 0 and 20 hundredths.
void MakeAnimation(TGIFImage& image, int loops) {
  const TColor colors[3] = {clRed, clLime, clBlue};
  const int delays[3] = {1, 0, 20};
  for (int i = 0; i < 3; ++i) {
    TGIFSubImage& f = AddFrame(image, 0, 0, 4, 3, {colors[i], clBlack}, [](int, int) { return 0; });
    f.RequireGraphicControlExtension().SetDelay(delays[i]);
  }
  if (loops >= 0) {
    auto loop = std::make_unique<TGIFAppExtNSLoop>(&image.Images()[0]);
    loop->LoopCount = loops;
    image.Images()[0].Extensions().Add(std::move(loop));
  }
}

struct Timeline {
  std::vector<std::pair<int, std::uint64_t>> frames;  // frame, time in ms
  int passes = 0, ends = 0;
  void Attach(TGIFImage& image, Clock& clock) {
    image.OnAfterFrame = [this, &clock](TGIFPainter* p) {
      frames.push_back({p->ActiveFrame(), clock.TickMs()});
    };
    image.OnNextPass = [this](TGIFPainter*) { ++passes; };
    image.OnPaintEnd = [this](TGIFPainter*) { ++ends; };
  }
};

}  // namespace

TEST(GifPainter, DelaysLoopsAndSpeed) {
  PainterWorld world;
  for (int speed : {100, 200}) {
    SCOPED_TRACE(speed);
    TGIFImage image;
    MakeAnimation(image, 2);
    image.SetAnimationSpeed(speed);
    Timeline timeline;
    timeline.Attach(image, world.clock);
    TBitmap target;
    target.SetSize(4, 3);
    const std::uint64_t start = world.clock.TickMs();
    TGIFPainter* painter =
        image.Paint(nullptr, target.Canvas(), poThreaded | poAnimate | poLoop, Rect(0, 0, 4, 3));
    ASSERT_NE(painter, nullptr);
    painter->StartIfThreaded();
    ASSERT_TRUE(world.dispatcher.RunUntil([&] { return image.PainterCount() == 0; }));
    ASSERT_EQ(timeline.frames.size(), 6u);
    EXPECT_EQ(timeline.passes, 1);
    EXPECT_EQ(timeline.ends, 1);
    // A delay of 1 waits the minimum of 3, a delay of 0 the default of 10;
    // each hundredth is 12 ms at speed 100.
    const std::uint64_t waits[6] = {0, 3 * 12, 10 * 12, 20 * 12, 3 * 12, 10 * 12};
    std::uint64_t at = start;
    for (int i = 0; i < 6; ++i) {
      at += waits[i] * 100 / speed;
      EXPECT_EQ(timeline.frames[size_t(i)].first, i % 3);
      EXPECT_EQ(timeline.frames[size_t(i)].second, at) << i;
    }
    // The last frame stays painted.
    EXPECT_EQ(target.Canvas().Pixel(2, 1), clBlue);
  }
}

TEST(GifPainter, LoopCountZeroIsEndlessOnlyForAThreadedPainter) {
  PainterWorld world;
  TGIFImage image;
  MakeAnimation(image, 0);
  Timeline timeline;
  timeline.Attach(image, world.clock);
  TBitmap target;
  target.SetSize(4, 3);
  // Unthreaded: one pass, inside the call.
  EXPECT_EQ(image.Paint(nullptr, target.Canvas(), poAnimate | poLoop, Rect(0, 0, 4, 3)), nullptr);
  EXPECT_EQ(timeline.frames.size(), 3u);
  timeline.frames.clear();
  // Threaded: still going after many passes, until stopped.
  TGIFPainter* ref = nullptr;
  TGIFPainter* painter =
      image.Paint(&ref, target.Canvas(), poThreaded | poAnimate | poLoop, Rect(0, 0, 4, 3));
  EXPECT_EQ(ref, painter);
  painter->StartIfThreaded();
  ASSERT_TRUE(world.dispatcher.RunUntil([&] { return timeline.frames.size() >= 30; }));
  image.StopAllPainters();
  EXPECT_EQ(image.PainterCount(), 0);
  EXPECT_EQ(ref, nullptr);
  const size_t seen = timeline.frames.size();
  world.dispatcher.RunPending();
  EXPECT_EQ(timeline.frames.size(), seen);
}

TEST(GifPainter, SpeedZeroHoldsTheFrameUntilStopped) {
  PainterWorld world;
  TGIFImage image;
  MakeAnimation(image, 3);
  image.SetAnimationSpeed(0);
  Timeline timeline;
  timeline.Attach(image, world.clock);
  TBitmap target;
  target.SetSize(4, 3);
  image.Paint(nullptr, target.Canvas(), poThreaded | poAnimate | poLoop, Rect(0, 0, 4, 3))->StartIfThreaded();
  ASSERT_TRUE(world.dispatcher.RunUntil([&] { return timeline.frames.size() == 1; }));
  EXPECT_FALSE(
      world.dispatcher.RunUntil([&] { return timeline.frames.size() > 1; }, std::chrono::milliseconds(100)));
  image.StopAllPainters();
  EXPECT_EQ(timeline.frames.size(), 1u);
  EXPECT_EQ(timeline.ends, 0);
}

TEST(GifPainter, HandlersCanChooseTheNextFrame) {
  PainterWorld world;
  TGIFImage image;
  MakeAnimation(image, -1);
  std::vector<int> shown;
  image.OnAfterFrame = [&](TGIFPainter* p) {
    shown.push_back(p->ActiveFrame());
    if (p->ActiveFrame() == 0) p->SetActiveFrame(2);
  };
  TBitmap target;
  target.SetSize(4, 3);
  image.Paint(nullptr, target.Canvas(), poAnimate, Rect(0, 0, 4, 3));
  EXPECT_EQ(shown, (std::vector<int>{0, 2}));
}

TEST(GifPainter, DrawingAnimatesIntoTheImagesBitmapAndStopsWithTheImage) {
  PainterWorld world;
  TBitmap screen;
  screen.SetSize(8, 6);
  int events = 0;
  {
    TGIFImage image;
    MakeAnimation(image, 0);
    image.OnAfterFrame = [&](TGIFPainter*) { ++events; };
    image.Draw(screen.Canvas(), Rect(0, 0, 8, 6));  // waits for the first frame
    ASSERT_NE(image.ScreenPainter(), nullptr);
    EXPECT_EQ(screen.Canvas().Pixel(7, 5), clRed);
    TGIFPainter* first = image.ScreenPainter();
    ASSERT_TRUE(world.dispatcher.RunUntil([&] { return events >= 5; }));
    // Drawing again only copies the image's bitmap, which the painter keeps.
    image.Draw(screen.Canvas(), Rect(0, 0, 8, 6));
    EXPECT_EQ(image.ScreenPainter(), first);
    EXPECT_EQ(image.PainterCount(), 1);
    // The image goes while its painter runs.
  }
  const int seen = events;
  world.dispatcher.RunPending();
  EXPECT_EQ(events, seen);

  // A picture of one frame is drawn at once, without a painter.
  TGIFImage still;
  AddFrame(still, 0, 0, 2, 2, {clNavy}, [](int, int) { return 0; });
  still.Draw(screen.Canvas(), Rect(0, 0, 8, 6));
  EXPECT_EQ(still.PainterCount(), 0);
  EXPECT_EQ(screen.Canvas().Pixel(5, 5), clNavy);
}

TEST(GifPainter, DisposalComposesFramesAsImageMagickDoes) {
  PainterWorld world;
  QTemporaryDir dir;
  const std::string file = dir.path().toStdString() + "/d.gif";
  const std::string text = R"(screen width 6
screen height 5
screen colors 4
screen background 0
screen map
	rgb 000 000 000 is 0
	rgb 255 255 255 is 1
	rgb 255 000 000 is 2
	rgb 000 000 255 is 3
end
graphics control
	disposal mode 1
	delay 5
end
image # 1
image left 0
image top 0
image bits 6 by 5
111111
122221
123321
122221
111111
graphics control
	disposal mode 3
	delay 5
	transparent index 0
end
image # 2
image left 1
image top 1
image bits 3 by 3
303
030
303
graphics control
	disposal mode 2
	delay 5
	transparent index 0
end
image # 3
image left 2
image top 0
image bits 3 by 2
030
333
graphics control
	disposal mode 1
	delay 5
	transparent index 0
end
image # 4
image left 0
image top 3
image bits 2 by 2
20
02
)";
  WriteFileBytes(dir.path().toStdString() + "/d.txt", QByteArray::fromStdString(text));
  ASSERT_EQ(Shell("gifbuild " + dir.path().toStdString() + "/d.txt > " + file).status, 0);
  const std::string peer = Shell("convert " + file + " -coalesce rgba:-").output;
  ASSERT_EQ(peer.size(), 4u * 6 * 5 * 4);

  TGIFImage image;
  image.LoadFromFile(QString::fromStdString(file));
  TBitmap target;
  target.SetSize(6, 5);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect(Rect(0, 0, 6, 5));
  std::vector<QImage> composed;
  image.OnAfterFrame = [&](TGIFPainter*) { composed.push_back(target.ToQImage()); };
  image.Paint(nullptr, target.Canvas(), poAnimate | poTransparent, Rect(0, 0, 6, 5));
  ASSERT_EQ(composed.size(), 4u);
  for (int f = 0; f < 4; ++f)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const size_t at = size_t(((f * 5 + y) * 6 + x) * 4);
        const auto* p = reinterpret_cast<const std::uint8_t*>(peer.data()) + at;
        // Where ImageMagick leaves the canvas clear, ours shows the
        // background the animation started on (white here).
        const QRgb want = p[3] == 0 ? qRgb(255, 255, 255) : qRgb(p[0], p[1], p[2]);
        EXPECT_EQ(composed[size_t(f)].pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << f << ":" << x << "," << y;
      }
}
