#pragma once
// Where the tabs of a tab control go: the rows of a multi-line strip, each
// tab's rectangle, the page area, the scroll arrows of a single row, which
// tabs are shown, and which tab lies under a point. A plain value computed
// from a snapshot of the control (TSeTabMetrics); the control builds one
// whenever it needs an answer, so nothing here goes stale.

#include <vector>

#include "platform/gui/Geometry.h"

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };

// One row of a multi-line strip: its last tab, the length added to each of
// its tabs, and what is left over for its last tab alone.
struct TSeTabRow {
  int LastTab = 0;
  int Extra = 0;
  int Remainder = 0;
  friend bool operator==(const TSeTabRow&, const TSeTabRow&) = default;
};

// What the layout needs to know of the control.
struct TSeTabMetrics {
  int Width = 0;
  int Height = 0;
  TTabPosition Position = tpTop;
  bool MultiLine = false;
  bool RaggedRight = false;
  bool ScrollOpposite = false;
  int FixedTabWidth = 0;  // the TabWidth property; 0 measures the captions
  int LeftSpacing = 2;
  int TopSpacing = 2;
  int RightSpacing = 2;
  int BottomSpacing = 2;
  int RowDepth = 0;               // the depth of one row of tabs
  std::vector<int> NaturalWidths;  // each tab's own length
  TPoint ArrowSize;
  int TabIndex = -1;
  int FirstVisible = 0;
};

class TSeTabLayout {
 public:
  // A control with more rows than this puts the rest of its tabs in the
  // last row.
  static constexpr int kMaxRows = 100;

  explicit TSeTabLayout(TSeTabMetrics metrics);

  const TSeTabMetrics& Metrics() const { return m_; }
  int Count() const { return static_cast<int>(m_.NaturalWidths.size()); }
  const std::vector<TSeTabRow>& Rows() const { return rows_; }

  // Rows in use: the built rows with MultiLine, else one.
  int RowCount() const;
  int TabRow(int index) const;
  int RowStart(int row) const;
  int RowEnd(int row) const { return rows_[static_cast<std::size_t>(row)].LastTab; }
  // A tab's length along the strip (justified in multi-line rows).
  int TabLength(int index) const;
  int CurrentRow() const { return TabRow(m_.TabIndex); }

  int StripDepth() const;
  int OppositeDepth() const;
  bool IsTabOpposite(int index) const;
  // The side a tab is drawn on (the opposite one for rows moved there).
  TTabPosition TabSide(int index) const;
  TRect PageRect() const;
  // Where pages and child controls go.
  TRect ClientArea() const;
  TRect TabRect(int index) const;

  // The last tab of a single row that is shown; with `exact`, whole and
  // clear of the scroll arrows.
  int LastVisibleTab(bool exact) const;
  bool ArrowsVisible() const;
  TRect LeftArrowRect() const;
  TRect RightArrowRect() const;
  bool IsOverLeftArrow(int x, int y) const;
  bool IsOverRightArrow(int x, int y) const;
  int TabAtPos(int x, int y) const;

  // The tabs painted before the page frame, farthest from the page first.
  std::vector<int> BackTabs() const;

  // The first shown tab after scrolling by `delta` tabs: stops at the
  // smallest first tab that still shows the last tab whole.
  int ScrolledFirstVisible(int delta) const;
  // The first shown tab that brings the current tab into view.
  int FirstVisibleShowingCurrent() const;

 private:
  int NaturalWidth(int index) const;
  int StripSpacing() const;
  int RowOffset(int row) const;
  TSeTabLayout WithFirstVisible(int first) const;
  void BuildRows();

  TSeTabMetrics m_;
  std::vector<TSeTabRow> rows_;
};
