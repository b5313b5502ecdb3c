// The show effects: masks by step, rotation, and the driver's timing on a
// fake clock.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/core/Clock.h"
#include "skin/se_animation.h"

namespace {

constexpr TSeArgb kStart = 0xFF102030;
constexpr TSeArgb kEnd = 0xFFE0D0C0;

struct Pictures {
  TSeBitmap start, end;
  Pictures(int w, int h) {
    start.SetSize(w, h);
    start.Clear(kStart);
    end.SetSize(w, h);
    end.Clear(kEnd);
  }
};

int Count(const TSeBitmap& b, TSeArgb value) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.GetPixel(x, y) == value;
  return n;
}

std::unique_ptr<TSeBitmap> Compose(Pictures& p, int effect, int step, int direction = kDirectionNone) {
  TSeAnimationParams params;
  params.Effect = effect;
  params.Direction = direction;
  se::TSeAnimationPlayer player(p.start, p.end, params);
  auto frame = std::make_unique<TSeBitmap>();
  player.ComposeFrame(*frame, step);
  return frame;
}

}  // namespace

TEST(Animation, EveryEffectStartsOnTheStartPicture) {
  Pictures p(40, 30);
  for (int effect = 1; effect < kEffectCount; ++effect)
    EXPECT_EQ(Count(*Compose(p, effect, 0), kStart), 40 * 30) << effect;
}

TEST(Animation, MasksRevealByStep) {
  Pictures p(40, 30);
  const int all = 40 * 30;
  EXPECT_EQ(Count(*Compose(p, kEffectFade, 100), kEnd), all);
  EXPECT_EQ(Count(*Compose(p, kEffectRectIn, 100), kEnd), all);
  EXPECT_EQ(Count(*Compose(p, kEffectDown, 100), kEnd), all);
  EXPECT_EQ(Count(*Compose(p, kEffectIn, 100), kEnd), all);
  EXPECT_EQ(Count(*Compose(p, kEffectPixel, 100), kEnd), all);
  // Half way down: the top rows show the blend, the bottom rows the start.
  const auto downb = Compose(p, kEffectDown, 50);
  const TSeBitmap& down = *downb;
  EXPECT_NE(down.GetPixel(20, 0), kStart);
  EXPECT_EQ(down.GetPixel(20, 29), kStart);
  // The revealed pixels only grow from step to step.
  const auto p30b = Compose(p, kEffectPixel, 30);
  const auto p60b = Compose(p, kEffectPixel, 60);
  const TSeBitmap& p30 = *p30b;
  const TSeBitmap& p60 = *p60b;
  const int c30 = Count(p30, kEnd);
  EXPECT_GT(c30, 0);
  EXPECT_GT(Count(p60, kEnd), c30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      if (p30.GetPixel(x, y) == kEnd) {
        ASSERT_EQ(p60.GetPixel(x, y), kEnd) << x << "," << y;
      }
    }
}

TEST(Animation, RotatedDownRevealsFromTheSide) {
  Pictures p(40, 30);
  const auto fb = Compose(p, kEffectDown, 40, kDirectionRotate90);
  const TSeBitmap& f = *fb;
  // A whole column band changed, not a row band.
  int leftChanged = 0, rightChanged = 0;
  for (int y = 0; y < 30; ++y) {
    leftChanged += f.GetPixel(0, y) != kStart;
    rightChanged += f.GetPixel(39, y) != kStart;
  }
  EXPECT_TRUE((leftChanged == 30 && rightChanged == 0) || (rightChanged == 30 && leftChanged == 0))
      << leftChanged << " " << rightChanged;
}

TEST(Animation, KeyColouredPixelsOfTheEndPictureNeverShow) {
  Pictures p(20, 20);
  p.end.FillRect(Rect(0, 0, 5, 5), KeyColor);
  const auto fb = Compose(p, kEffectFade, 100);
  const TSeBitmap& f = *fb;
  EXPECT_EQ(f.GetPixel(2, 2), kStart);
  EXPECT_EQ(f.GetPixel(10, 10), kEnd);
}

TEST(Animation, EachEffectRunsForItsTimeOnTheFakeClock) {
  FakeClock clock;
  ScopedClock useClock(clock);
  Pictures p(24, 16);
  for (int effect = 0; effect < kEffectCount; ++effect) {
    TSeAnimationParams params;
    params.Effect = effect;
    params.Time = 400;
    std::vector<int> steps;
    const int frames = se::RunAnimationEffect(p.start, p.end, params, [&](const TSeBitmap&, int step) {
      steps.push_back(step);
      clock.Advance(std::chrono::milliseconds(30));
    });
    // 0, 30, ..., 390 ms: 14 frames, the last one passing 400 ms.
    ASSERT_EQ(frames, 14) << effect;
    EXPECT_EQ(steps.front(), 0);
    // 390 / 400, give or take the stopwatch's single-precision seconds.
    EXPECT_GE(steps.back(), 97);
    EXPECT_LE(steps.back(), 98);
    for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_GT(steps[i], steps[i - 1]);
  }
}

TEST(Animation, ASlowMachineStillShowsOneFrameAndAStoppedClockEnds) {
  FakeClock clock;
  ScopedClock useClock(clock);
  Pictures p(8, 8);
  TSeAnimationParams params;
  params.Time = 50;
  int last = -1;
  EXPECT_EQ(se::RunAnimationEffect(p.start, p.end, params,
                                   [&](const TSeBitmap&, int step) {
                                     last = step;
                                     clock.Advance(std::chrono::milliseconds(500));
                                   }),
            1);
  EXPECT_EQ(last, 0);
  // The clock never moves: the effect still comes to an end.
  EXPECT_GT(se::RunAnimationEffect(p.start, p.end, params, nullptr), 0);
  // Unknown effects and empty pictures do nothing.
  params.Effect = 15;
  EXPECT_EQ(se::RunAnimationEffect(p.start, p.end, params, nullptr), 0);
  TSeBitmap empty;
  params.Effect = kEffectFade;
  EXPECT_EQ(se::RunAnimationEffect(empty, p.end, params, nullptr), 0);
}

TEST(Animation, MaskLinesIncludeBothEndsAndSkipCellsOutside) {
  std::vector<std::uint8_t> m(5 * 5, 0);
  EXPECT_EQ(se::DrawMaskLine(m.data(), 5, 5, 9, 0, 0, 4, 2), Point(4, 2));
  EXPECT_EQ(m[0], 9);
  EXPECT_EQ(m[2 * 5 + 4], 9);
  int set = 0;
  for (auto c : m) set += c == 9;
  EXPECT_EQ(set, 5);
  std::fill(m.begin(), m.end(), 0);
  se::DrawMaskLine(m.data(), 5, 5, 1, -3, 2, 7, 2);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(m[2 * 5 + x], 1);
}
