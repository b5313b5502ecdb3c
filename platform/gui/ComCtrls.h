#pragma once
// The host's common controls that are neither trees nor lists: the
// progress bar and the date/time picker. The page control (PageControl.h),
// the track bar (TrackBar.h), the tree view (TreeView.h), the
// list view (ListView.h) and the rich edit (RichEdit.h) are included here
// too, as the host's unit holds them all.

#include <functional>

#include "platform/core/DateTime.h"
#include "platform/gui/ListView.h"
#include "platform/gui/PageControl.h"
#include "platform/gui/RichEdit.h"
#include "platform/gui/TrackBar.h"
#include "platform/gui/TreeView.h"
#include "platform/gui/WidgetHost.h"

class QDateTimeEdit;
class QProgressBar;

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TProgressBar(TComponent* owner = nullptr);
  QProgressBar* Bar() const { return bar_; }

  int Min() const { return min_; }
  void SetMin(int min);
  int Max() const { return max_; }
  void SetMax(int max);
  // Kept within Min..Max.
  int Position() const { return position_; }
  void SetPosition(int position);
  int Step() const { return step_; }
  void SetStep(int step) { step_ = step; }
  void StepIt() { SetPosition(position_ + step_); }
  void StepBy(int delta) { SetPosition(position_ + delta); }
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool smooth) { smooth_ = smooth; }
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation orientation);

 private:
  void Apply();
  QProgressBar* bar_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
  bool smooth_ = false;
  TProgressBarOrientation orientation_ = pbHorizontal;
};

enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateFormat { dfShort, dfLong };

class TDateTimePicker : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TDateTimePicker(TComponent* owner = nullptr);
  QDateTimeEdit* Editor() const { return editor_; }

  TDateTimeKind Kind() const { return kind_; }
  void SetKind(TDateTimeKind kind);
  TDTDateFormat DateFormat() const { return date_format_; }
  void SetDateFormat(TDTDateFormat format);
  // The host's date and time value; Date keeps the time part and the
  // other way round, as on the host.
  TDateTime DateTime() const;
  void SetDateTime(TDateTime value);
  TDateTime Date() const { return DateOf(DateTime()); }
  void SetDate(TDateTime date) { SetDateTime(ComposeDateTime(DateOf(date), TimeOf(DateTime()))); }
  TDateTime Time() const { return TimeOf(DateTime()); }
  void SetTime(TDateTime time) { SetDateTime(ComposeDateTime(DateOf(DateTime()), TimeOf(time))); }
  TDateTime MinDate() const { return min_date_; }
  void SetMinDate(TDateTime date);
  TDateTime MaxDate() const { return max_date_; }
  void SetMaxDate(TDateTime date);

  // The user changed the value.
  std::function<void(TControl*)> OnChange;

 private:
  void ApplyFormat();
  QDateTimeEdit* editor_;
  TDateTimeKind kind_ = dtkDate;
  TDTDateFormat date_format_ = dfShort;
  TDateTime min_date_ = 0;
  TDateTime max_date_ = 0;
  // The value: the editor shows only the half its kind shows.
  TDateTime value_ = 0;
  bool syncing_ = false;
};

// The Qt display format for one of the host's date or time formats
// ("M/d/yyyy", "h:mm:ss AMPM", "mm-dd-yyyy hh:nn:ss").
QString QtDateTimeFormat(const QString& hostFormat);
