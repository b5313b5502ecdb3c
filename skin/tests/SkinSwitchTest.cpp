// Switching among our skins and none at run time while a form of skinned
// controls is open: every control follows each switch, a skin looks the
// same each time it comes back, and a hundred switches leave no object and
// no memory behind.

#include <malloc.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "skin/se_skinform.h"
#include "skin/se_skinhints.h"
#include "skin/tests/SkinBindingFixture.h"
#include "skin/tests/SkinnedControls.h"

#if defined(__SANITIZE_ADDRESS__)
#define BURNER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BURNER_ASAN 1
#endif
#endif
#ifdef BURNER_ASAN
// GCC ships no allocator_interface.h; the sanitizer runtime exports the
// call under both compilers.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace skintest;

// The bytes the heap holds for the program now.
std::size_t HeapInUse() {
#ifdef BURNER_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

// "" is no skin.
const char* const kSwitches[] = {"", "devoir", "meadow", "slate"};

class SkinSwitch : public SkinBindingTest {
 protected:
  // A form in its skinned frame with a hint and one control of each
  // skinned kind, the menu bar linked to the frame.
  void Populate() {
    form_->SetBounds(0, 0, 760, 520);
    auto* frame = Create<TSeSkinForm>(form_.get());
    frame->SetSkinEngine(engine_.get());
    Create<TSeSkinHint>(form_.get())->SetSkinEngine(engine_.get());
    int x = 0, y = 0, row = 0;
    for (const ControlCase& k : Controls()) {
      if (x + k.width > 750) x = 0, y += row + 6, row = 0;
      TControl* control = k.make(form_.get(), engine_.get());
      control->SetBounds(x, y, k.width, k.height);
      if (auto* bar = dynamic_cast<TSeSkinMenuBar*>(control)) frame->SetMenuBar(bar);
      controls_.push_back({k.name, control});
      x += k.width + 6;
      row = std::max(row, k.height);
    }
    Show();
  }

  // How many pixels of two pictures differ; -1 when their sizes do.
  static int Differing(const QImage& a, const QImage& b) { return a.size() == b.size() ? Mismatches(a, b, 0) : -1; }

  // Loads the skin and lets every control repaint.
  void Switch(const char* skin) {
    Load(skin);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  struct Control {
    const char* kind;
    TControl* control;
  };
  std::vector<Control> controls_;
};

}  // namespace

TEST_F(SkinSwitch, EveryControlFollowsEachSwitchAndASkinLooksTheSameWhenItComesBack) {
  Populate();
  // Per skin: the whole form and each control.
  struct Look {
    QImage form;
    std::vector<QImage> controls;
  };
  auto look = [&] {
    Look l{Shot(form_.get()), {}};
    for (const Control& c : controls_) l.controls.push_back(Shot(c.control));
    return l;
  };
  // One round first: labels and edits size themselves to their fonts on
  // the first change. Then each skin is reached from another one in each
  // round.
  for (const char* skin : kSwitches) Switch(skin);
  std::vector<Look> first;
  for (const char* skin : kSwitches) {
    Switch(skin);
    first.push_back(look());
  }
  for (std::size_t a = 0; a < std::size(kSwitches); ++a)
    for (std::size_t b = a + 1; b < std::size(kSwitches); ++b) {
      SCOPED_TRACE(std::string("'") + kSwitches[a] + "' against '" + kSwitches[b] + "'");
      EXPECT_NE(Differing(first[a].form, first[b].form), 0);
      for (std::size_t i = 0; i < controls_.size(); ++i)
        EXPECT_NE(Differing(first[a].controls[i], first[b].controls[i]), 0) << controls_[i].kind;
    }
  // Back through the skins in another order: each looks as it did.
  for (int i : {2, 0, 3, 1}) {
    SCOPED_TRACE(kSwitches[i]);
    Switch(kSwitches[i]);
    const Look again = look();
    EXPECT_EQ(Differing(again.form, first[i].form), 0);
    for (std::size_t k = 0; k < controls_.size(); ++k)
      EXPECT_EQ(Differing(again.controls[k], first[i].controls[k]), 0) << controls_[k].kind;
  }
}

TEST_F(SkinSwitch, AHundredSwitchesLeaveNoObjectAndNoMemoryBehind) {
  Populate();
  // Two rounds first, so that every skin's and Qt's caches (fonts, glyphs,
  // pixmaps) are filled.
  for (int round = 0; round < 2; ++round)
    for (const char* skin : kSwitches) Switch(skin);
  const auto objects = form_->findChildren<QObject*>().size();
  const auto windows = QApplication::topLevelWidgets().size();
  const std::size_t before = HeapInUse();
  for (int i = 0; i < 100; ++i) Switch(kSwitches[i % std::size(kSwitches)]);
  EXPECT_EQ(form_->findChildren<QObject*>().size(), objects);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
  // A skin kept per switch would be tens of kilobytes and more, the
  // copies of the skin objects of two dozen controls as much.
  const std::size_t after = HeapInUse();
  EXPECT_LT(after, before + 256 * 1024) << "grew by " << (after - before) << " bytes";
}
