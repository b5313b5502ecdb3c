#pragma once
// TTrackBar: a slider between Min and Max. Writing Position clamps it into
// the range; a change of position (by the program or the user) runs OnChange.

#include <functional>

#include "platform/gui/WidgetHost.h"

class QSlider;

enum TTrackBarOrientation { trHorizontal, trVertical };

class TTrackBar : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TTrackBar(TComponent* owner = nullptr);
  QSlider* Slider() const { return slider_; }

  int Min() const { return min_; }
  void SetMin(int min);
  int Max() const { return max_; }
  void SetMax(int max);
  int Position() const { return position_; }
  void SetPosition(int position);
  int Frequency() const { return frequency_; }
  void SetFrequency(int frequency);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation orientation);

  std::function<void(TControl*)> OnChange;

 private:
  void Apply();
  QSlider* slider_;
  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  int frequency_ = 1;
  TTrackBarOrientation orientation_ = trHorizontal;
  bool syncing_ = false;
};
