// The change protocol, the path and rectangle routines and the settings
// control of the visual-effects library.

#include <gtest/gtest.h>

#include <cstdlib>

#include "effects/QRXBase.h"
#include "effects/QRXIniCtrl.h"
#include "effects/QRXUtils.h"

namespace {

// A property object with one value, as every property object of the library
// is built.
class TValueObject : public TQRXObject {
 public:
  int Value() const { return value_; }
  void SetValue(int v) {
    if (v == value_) return;
    value_ = v;
    Change();
  }
  void Assign(const TQRXObject* source) override {
    const auto* other = dynamic_cast<const TValueObject*>(source);
    if (!other) return TQRXObject::Assign(source);
    BeginUpdate();
    SetValue(other->value_);
    EndUpdate(true);
  }
  const char* ClassName() const override { return "TValueObject"; }

 private:
  int value_ = 0;
};

}  // namespace

TEST(QRXObject, ChangeProtocolAndOneFlagLock) {
  TValueObject inner, outer;
  std::vector<TQRXObject*> seen;
  inner.OnChange = [&](TQRXObject* sender) { outer.GetChange(sender); };
  outer.OnChange = [&](TQRXObject* sender) { seen.push_back(sender); };

  inner.SetValue(0);  // the value it holds: nothing
  EXPECT_TRUE(seen.empty());
  inner.SetValue(5);  // climbs one level: the owner reports itself
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], &outer);

  seen.clear();
  inner.BeginUpdate();
  inner.BeginUpdate();
  inner.SetValue(6);
  EXPECT_TRUE(seen.empty());
  inner.EndUpdate(false);  // one flag: the first EndUpdate releases it
  EXPECT_FALSE(inner.Updating());
  inner.SetValue(7);
  EXPECT_EQ(seen.size(), 1u);

  seen.clear();
  inner.BeginUpdate();
  inner.EndUpdate(true);  // notifies even without a change
  EXPECT_EQ(seen.size(), 1u);

  // One assignment, one notification.
  TValueObject source;
  source.SetValue(42);
  seen.clear();
  inner.Assign(&source);
  EXPECT_EQ(inner.Value(), 42);
  EXPECT_EQ(seen.size(), 1u);
  TQRXObject plain;
  EXPECT_THROW(inner.Assign(&plain), EConvertError);
}

TEST(QRXCustomComponent, SameProtocolOverItsOwnLock) {
  TQRXCustomComponent c;
  int calls = 0;
  c.OnChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, &c);
    ++calls;
  };
  c.BeginUpdate();
  c.Change();
  EXPECT_EQ(calls, 0);
  c.EndUpdate(true);
  EXPECT_EQ(calls, 1);
  c.GetChange(nullptr);
  EXPECT_EQ(calls, 2);
}

TEST(QRXUtils, StringAndPathRoutines) {
  EXPECT_TRUE(IsBlankString(""));
  EXPECT_TRUE(IsBlankString("   "));
  EXPECT_FALSE(IsBlankString(" \t"));
  EXPECT_EQ(AddBackslash(""), "\\");
  EXPECT_EQ(AddBackslash("   "), "   \\");
  EXPECT_EQ(AddBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(AddBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(RemoveBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(RemoveBackslash("   "), "   ");
  EXPECT_EQ(RemoveBackslash("\\"), "");
  EXPECT_EQ(TrimString(" \tx y \r\n"), "x y");

  EXPECT_EQ(GetPrefixPath(TQRXPathPrefix::ppFixed, true), "");
  const std::string program = GetPrefixPath(TQRXPathPrefix::ppProgram, true);
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  EXPECT_EQ(GetPrefixPath(TQRXPathPrefix::ppProgram, false) + "/", program);
  setenv("XDG_CONFIG_HOME", "/tmp/qrx-config/", 1);
  EXPECT_EQ(GetPrefixPath(TQRXPathPrefix::ppWindows, false), "/tmp/qrx-config");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_NE(GetNetUserName(), "");
  EXPECT_TRUE(PlatformInfo().IsWinNT);
  EXPECT_FALSE(PlatformInfo().IsWin9x);
}

TEST(QRXUtils, RectangleRoutines) {
  TRect r = Rect(0, 0, 100, 20);
  RotatedBounds(r, 90);
  EXPECT_EQ(r, Rect(0, 0, 20, 100));
  r = Rect(10, 10, 110, 30);
  RotatedBounds(r, 0);  // unchanged, not moved
  EXPECT_EQ(r, Rect(10, 10, 110, 30));
  r = Rect(0, 0, 100, 20);
  RotatedBounds(r, 180);
  EXPECT_EQ(r, Rect(0, 0, 100, 20));
  r = Rect(0, 0, 100, 100);
  RotatedBounds(r, 45);  // 50 * (cos + sin) = 70.71 either side
  EXPECT_EQ(r, Rect(0, 0, 142, 142));

  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 200, 100), Rect(5, 5, 55, 105)), Rect(5, 5, 55, 30));
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 10, 40), Rect(0, 0, 100, 100)), Rect(0, 0, 25, 100));
  EXPECT_EQ(FitRectKeepAspect(Rect(0, 0, 0, 0), Rect(3, 4, 100, 100)), Rect(3, 4, 3, 4));
  EXPECT_EQ(RectExtent(Rect(2, 3, 12, 8)).X, 10);

  const int ints[] = {3, -7, 12, 0};
  EXPECT_EQ(MaxIntValue(ints), 12);
  EXPECT_EQ(MinIntValue(ints), -7);
  const long double one[] = {2.5L};
  EXPECT_EQ(MinExtValue(one), 2.5L);
  EXPECT_EQ(MaxIntValue({}), 0);
}

TEST(QRXIniCtrl, SettersKeepTheirRules) {
  TQRXIniCtrl c;
  EXPECT_EQ(c.Target(), TQRXIniTarget::itAuto);
  EXPECT_EQ(c.EffectiveTarget(), TQRXIniTarget::itRegistry);
  EXPECT_EQ(c.MaxEntries(), 16);
  EXPECT_TRUE(c.Common());
  c.SetTarget(TQRXIniTarget::itIniFile);
  EXPECT_EQ(c.EffectiveTarget(), TQRXIniTarget::itIniFile);

  c.SetIniFile("Burner");
  EXPECT_EQ(c.IniFile(), "Burner.INI");
  c.SetIniFile("Burner.cfg");
  EXPECT_EQ(c.IniFile(), "Burner.cfg");
  c.SetIniFile("dir.d/Burner");
  EXPECT_EQ(c.IniFile(), "dir.d/Burner.INI");

  c.SetMaxEntries(40);
  c.SetAlphaCounter(true);  // cut to the 26 letters
  EXPECT_EQ(c.MaxEntries(), 26);
  c.SetMaxEntries(30);  // refused while counting by letters
  EXPECT_EQ(c.MaxEntries(), 26);
  c.SetMaxEntries(5);
  EXPECT_EQ(c.MaxEntries(), 5);
  c.SetAlphaCounter(false);
  c.SetMaxEntries(200);
  EXPECT_EQ(c.MaxEntries(), 200);

  c.SetNetUser(true);
  EXPECT_EQ(c.User(), GetNetUserName());
}
