// The shared timer pool, the application object's timer identifiers,
// pattern bitmap and one-copy lock, and the one-instance check.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "effects/QRXClass.h"
#include "platform/gui/Application.h"

namespace {

struct Firing {
  std::uint16_t ident;
  int counter;
  friend bool operator==(const Firing&, const Firing&) = default;
};

// A pool whose firings are recorded; ticks are given by hand.
struct RecordingPool {
  TQRXTimerPool pool{nullptr, 50};
  std::vector<Firing> fired;
  RecordingPool() {
    pool.OnTimer = [this](TComponent* sender, std::uint16_t ident, int counter) {
      EXPECT_EQ(sender, &pool);
      fired.push_back({ident, counter});
    };
  }
  std::vector<std::uint16_t> TickIdents() {
    fired.clear();
    pool.Tick();
    std::vector<std::uint16_t> idents;
    for (const Firing& f : fired) idents.push_back(f.ident);
    return idents;
  }
};

using Idents = std::vector<std::uint16_t>;

std::string UniqueName(const char* what) {
  return std::string("qrx-test-") + what + "-" + std::to_string(getpid());
}

// The one-copy locks of the tests go to a folder of their own.
class QRXApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
    setenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit().constData(), 1);
  }
  void TearDown() override {
    if (old_.empty())
      unsetenv("XDG_RUNTIME_DIR");
    else
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
  }
  QTemporaryDir dir_;
  std::string old_;
};

}  // namespace

TEST(QRXTimerPool, ItemsFireOnTheTicksTheirIntervalDivides) {
  RecordingPool r;
  r.pool.AddItem(1, 100, nullptr);
  r.pool.AddItem(2, 50, nullptr);
  r.pool.AddItem(3, 150, nullptr);
  EXPECT_TRUE(r.pool.Active());
  EXPECT_EQ(r.pool.PoolCounter(), 1);  // the first tick counts 1
  EXPECT_EQ(r.TickIdents(), (Idents{2}));
  EXPECT_EQ(r.TickIdents(), (Idents{1, 2}));
  EXPECT_EQ(r.TickIdents(), (Idents{2, 3}));
  EXPECT_EQ(r.TickIdents(), (Idents{1, 2}));

  // Intervals must be positive multiples of the tick.
  try {
    r.pool.AddItem(4, 75, nullptr);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Interval not compatible with MinInterval property!");
  }
  EXPECT_THROW(r.pool.AddItem(4, 0, nullptr), Exception);
  EXPECT_THROW(r.pool.AddItem(1, 100, nullptr), EListError);
  EXPECT_EQ(r.pool.Count(), 3);

  TQRXTimerItem* item = r.pool.ItemByIdent(1);
  item->SetInterval(75);
  EXPECT_EQ(item->Interval(), 100);
  item->SetInterval(0);  // stands for the tick
  EXPECT_EQ(item->Interval(), 50);
  EXPECT_EQ(item->TickDivisor(), 1);
  EXPECT_EQ(r.pool.IndexOfIdent(3), 2);
  EXPECT_EQ(r.pool.ItemByIdent(9), nullptr);

  // Disabling items keeps the timer running; removing the last one stops it.
  for (std::uint16_t id : {1, 2, 3}) r.pool.ItemByIdent(id)->SetEnabled(false);
  EXPECT_EQ(r.pool.EnabledCount(), 0);
  EXPECT_TRUE(r.pool.Active());
  EXPECT_TRUE(r.TickIdents().empty());
  for (std::uint16_t id : {1, 2, 3}) r.pool.RemoveItem(id);
  EXPECT_FALSE(r.pool.Active());
}

TEST(QRXTimerPool, RepeatCountsAndCounters) {
  RecordingPool r;
  r.pool.AddItem(7, 50, nullptr);
  TQRXTimerItem& item = *r.pool.ItemByIdent(7);
  item.SetRepeatCount(2);
  r.pool.Tick();
  r.pool.Tick();
  r.pool.Tick();
  EXPECT_EQ(r.fired, (std::vector<Firing>{{7, 1}, {7, 2}}));
  EXPECT_FALSE(item.Enabled());
  item.SetEnabled(true);  // a new round
  EXPECT_EQ(item.Counter(), 0);
  r.fired.clear();
  r.pool.Tick();
  EXPECT_EQ(r.fired, (std::vector<Firing>{{7, 1}}));

  item.SetEnabled(false);
  item.SetRepeatCount(0);
  item.SetEnabled(true);  // refused
  EXPECT_FALSE(item.Enabled());
}

TEST_F(QRXApplicationTest, CallbacksThatFailOrReleaseTimers) {
  TQRXApplication app(UniqueName("callbacks"));
  std::vector<std::string> errors;
  Application().OnException = [&](TComponent*, const std::exception& e) { errors.push_back(e.what()); };
  std::vector<std::string> calls;
  std::uint16_t self = 0;
  const std::uint16_t failing = app.AllocTimer(50, [&](TComponent*) {
    calls.push_back("failing");
    throw Exception("callback failed");
  });
  self = app.AllocTimer(50, [&](TComponent* sender) {
    EXPECT_EQ(sender, &app.TimerPool());
    calls.push_back("self");
    app.ReleaseTimer(self);
  });
  app.AllocTimer(50, [&](TComponent*) {
    calls.push_back("nested");
    app.TimerPool().Tick();  // a tick inside a tick is dropped
  });
  EXPECT_EQ(failing, TQRXApplication::kFirstTimerIdent);
  app.TimerPool().Tick();
  EXPECT_EQ(calls, (std::vector<std::string>{"failing", "self", "nested"}));
  EXPECT_EQ(errors, std::vector<std::string>{"callback failed"});
  EXPECT_EQ(app.GetTimerItem(self), nullptr);
  EXPECT_EQ(app.TimerPool().PoolCounter(), 2);
  calls.clear();
  app.TimerPool().Tick();
  EXPECT_EQ(calls, (std::vector<std::string>{"failing", "nested"}));
  Application().OnException = nullptr;
}

TEST_F(QRXApplicationTest, TimerIdentifiers) {
  TQRXApplication app(UniqueName("idents"));
  EXPECT_THROW(app.AllocTimer(75, nullptr), Exception);
  const std::uint16_t a = app.AllocTimer(100, nullptr);
  const std::uint16_t b = app.AllocTimer(100, nullptr);
  EXPECT_EQ(a, 0xFD01);
  EXPECT_EQ(b, 0xFD02);
  app.ReleaseTimer(0);
  app.ReleaseTimer(0xFD00);
  EXPECT_EQ(app.TimerPool().Count(), 2);
  app.ReleaseTimer(a);
  EXPECT_EQ(app.GetTimerItem(a), nullptr);
  EXPECT_EQ(app.AllocTimer(50, nullptr), a);  // the freed slot comes back first
  for (int i = 2; i < TQRXApplication::kTimerSlots; ++i) EXPECT_NE(app.AllocTimer(50, nullptr), 0);
  EXPECT_EQ(app.AllocTimer(50, nullptr), 0);
  EXPECT_EQ(app.TimerPool().Count(), TQRXApplication::kTimerSlots);
}

TEST_F(QRXApplicationTest, TheRealTimerDrivesThePool) {
  TQRXApplication app(UniqueName("real"));
  int fired = 0;
  app.AllocTimer(50, [&](TComponent*) { ++fired; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 2; }, 5000));
}

TEST_F(QRXApplicationTest, PatternBitmap) {
  TQRXApplication app(UniqueName("pattern"));
  TBitmap& first = app.GetPatternBitmap(clRed);
  ASSERT_EQ(first.Width(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(first.Dib().GetColor(x, y), std::uint32_t((x + y) % 2 ? clRed : clWhite)) << x << "," << y;
  int changes = 0;
  first.OnChange = [&](TGraphic*) { ++changes; };
  EXPECT_EQ(&app.GetPatternBitmap(clRed), &first);
  EXPECT_EQ(changes, 0);  // the same colour paints nothing
  TBitmap& blue = app.GetPatternBitmap(clBlue);
  EXPECT_EQ(&blue, &first);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(blue.Dib().GetColor(1, 0), std::uint32_t(clBlue));
  EXPECT_EQ(blue.Dib().GetColor(1, 1), std::uint32_t(clWhite));
}

TEST_F(QRXApplicationTest, OneCopyLockAndLogFile) {
  const std::string name = UniqueName("lock");
  auto first = std::make_unique<TQRXApplication>(name);
  EXPECT_FALSE(first->AnotherInstance());
  {
    TQRXApplication second(name);
    EXPECT_TRUE(second.AnotherInstance());
  }
  first.reset();
  TQRXApplication third(name);
  EXPECT_FALSE(third.AnotherInstance());
  EXPECT_TRUE(QFile::exists(dir_.filePath(QString::fromStdString(name + ".lock"))));

  const std::string log = third.LogFileName();
  EXPECT_EQ(log, GetPrefixPath(TQRXPathPrefix::ppProgram, true) + "burner_effects_tests.LOG");
  EXPECT_EQ(&QRXApplication(), &QRXApplication());
}

TEST(QRXOneInstance, CheckAndError) {
  auto form = CreateUnique<TForm>();
  Create<TQRXTimerPool>(form.get());
  EXPECT_FALSE(CheckOneInstance<TQRXTimerPool>(form.get()));
  Create<TQRXTimerPool>(form.get());
  EXPECT_TRUE(CheckOneInstance<TQRXTimerPool>(form.get()));
  TQRXTimerPool owner;
  EXPECT_TRUE(CheckOneInstance<TQRXTimerPool>(&owner));  // not a form
  EXPECT_TRUE(CheckOneInstance<TQRXTimerPool>(nullptr));

  EXPECT_STREQ(QRXEOneInstError("TQRXShape", 0).what(),
               "TQRXShape:\rInvalid owner (<>TForm) or second instance on a form");
  EXPECT_STREQ(QRXEOneInstError("TQRXShape", 1).what(),
               "TQRXShape:\rAlready one TQRXShape control in this project!");
}

TEST(QRXTimerPool, MinIntervalOnlyWhileLoading) {
  TQRXTimerPool pool;
  EXPECT_EQ(pool.MinInterval(), 1000);
  pool.SetMinInterval(100);
  EXPECT_EQ(pool.MinInterval(), 1000);
  pool.BeginLoading();
  pool.SetMinInterval(100);
  pool.EndLoading();
  EXPECT_EQ(pool.MinInterval(), 100);
}
