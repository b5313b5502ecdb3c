#include "skin/se_controlbar_layout.h"

#include <algorithm>
#include <climits>

namespace {

// More rows than any screen holds; a band-info handler asking for more is
// held here rather than making a band per row.
constexpr int kMaxBandRows = 256;

const TSeBandChild* FindChild(const std::vector<TSeBandChild>& children, TSeBandId id) {
  for (const auto& c : children)
    if (c.Id == id) return &c;
  return nullptr;
}

TSeBandChild* FindChild(std::vector<TSeBandChild>& children, TSeBandId id) {
  for (auto& c : children)
    if (c.Id == id) return &c;
  return nullptr;
}

TRect Grown(const TRect& r, const TRect& insets) {
  return Rect(r.Left - insets.Left, r.Top - insets.Top, r.Right + insets.Right, r.Bottom + insets.Bottom);
}

// A band placed in the row being laid out, with the free room before it.
struct Placed {
  TSeControlBarBand* Band;
  int Gap;
};

// Moves the bands from `from` on to the left by `by`.
void ShiftFrom(std::vector<Placed>& row, std::size_t from, int by) {
  for (std::size_t q = from; q < row.size(); ++q) row[q].Band->X -= by;
}

// Pushes the placed bands left into the gaps between them, nearest the
// end first, by at most `need`; returns how far the row's end moved.
int PushLeft(std::vector<Placed>& row, int need) {
  int moved = 0;
  for (std::size_t p = row.size(); p-- > 0 && moved < need;) {
    const int take = std::min(need - moved, row[p].Gap);
    if (take <= 0) continue;
    row[p].Gap -= take;
    ShiftFrom(row, p, take);
    moved += take;
  }
  return moved;
}

}  // namespace

TSeControlBarBand* TSeControlBarBands::FindBand(TSeBandId control) const {
  for (const auto& b : bands_)
    if (b->Control == control && !b->ParentBand) return b.get();
  return nullptr;
}

TSeControlBarBand* TSeControlBarBands::BandAtPos(const std::vector<TSeBandChild>& children, int x,
                                                 int y) const {
  for (const auto& b : bands_) {
    if (b->ParentBand) continue;
    const TSeBandChild* child = FindChild(children, b->Control);
    if (!child || !(child->Visible || Designing)) continue;
    if (PtInRect(Grown(child->Bounds, b->Insets), Point(x, y))) return b.get();
  }
  return nullptr;
}

int TSeControlBarBands::IndexOf(const TSeControlBarBand* band) const {
  for (std::size_t i = 0; i < bands_.size(); ++i)
    if (bands_[i].get() == band) return static_cast<int>(i);
  return -1;
}

void TSeControlBarBands::FreeBandsOf(TSeBandId control) {
  std::erase_if(bands_, [&](const auto& b) { return b->Control == control; });
}

void TSeControlBarBands::Clear() {
  bands_.clear();
  DraggedControl = 0;
  LastAligned = 0;
}

void TSeControlBarBands::RemoveControl(TSeBandId control) {
  if (DraggedControl == control) DraggedControl = 0;
  if (LastAligned == control) LastAligned = 0;
  if (TSeControlBarBand* first = FindBand(control)) {
    const int index = IndexOf(first);
    if (first->Break && index + 1 < static_cast<int>(bands_.size())) {
      bands_[static_cast<std::size_t>(index) + 1]->Break = true;
      bands_[static_cast<std::size_t>(index) + 1]->RowStart = true;
    }
  }
  FreeBandsOf(control);
}

void TSeControlBarBands::UpdateBands(const std::vector<TSeBandChild>& children, TSeBandId control,
                                     bool& changed) {
  default_insets_.Left = GrabberSize;
  std::vector<const TSeBandChild*> fresh;
  for (const auto& child : children) {
    const bool visible = child.Visible || Designing;
    if (TSeControlBarBand* band = FindBand(child.Id)) {
      for (TSeControlBarBand* b = band; b; b = b->NextBand) {
        if (b->Visible != visible) changed = true;
        b->Visible = visible;
      }
      continue;
    }
    // Controls without a band are placed top to bottom, left to right.
    auto at = std::find_if(fresh.begin(), fresh.end(), [&](const TSeBandChild* other) {
      return other->Bounds.Top > child.Bounds.Top ||
             (other->Bounds.Top == child.Bounds.Top && other->Bounds.Left > child.Bounds.Left);
    });
    fresh.insert(at, &child);
  }
  // Bands of controls that left the bar without telling it.
  std::erase_if(bands_, [&](const auto& b) { return !FindChild(children, b->Control); });

  Remembered remembered;
  const TSeBandChild* moved = control ? FindChild(children, control) : nullptr;
  if (TSeControlBarBand* band = moved ? FindBand(control) : nullptr) {
    remembered.Valid = true;
    if (DraggedControl == control)
      remembered.Rect = Rect(band->X + band->Insets.Left, band->Y + band->Insets.Top,
                             band->X + band->Width - band->Insets.Right,
                             band->Y + band->Insets.Top + moved->Bounds.Height());
    else
      remembered.Rect = moved->Bounds;
    remembered.Index = IndexOf(band);
    remembered.VerticalInsets = band->Insets.Top + band->Insets.Bottom;
    for (TSeControlBarBand* b = band; b; b = b->NextBand) {
      const int index = IndexOf(b);
      if (!b->Break || index + 1 >= static_cast<int>(bands_.size())) continue;
      TSeControlBarBand* next = bands_[static_cast<std::size_t>(index) + 1].get();
      if (next->Break || next->Control == control) continue;
      next->Break = true;
      next->RowStart = true;
      remembered.BreakPassed = true;
    }
    FreeBandsOf(control);
  }
  for (const TSeBandChild* child : fresh) CreateBands(*child, child->Bounds, false, {});
  if (remembered.Valid) CreateBands(*moved, remembered.Rect, true, remembered);
}

void TSeControlBarBands::CreateBands(const TSeBandChild& child, const TRect& rect, bool isAControl,
                                     const Remembered& remembered) {
  TRect insets = default_insets_;
  const bool snap = RowSnap && RowSize > 0;
  const int v = remembered.Valid ? remembered.VerticalInsets : insets.Top + insets.Bottom;
  const int h = rect.Height() + v;
  int rows = 1;
  if (snap) {
    rows = std::max(1, h / RowSize);
    if (isAControl && h > RowSize * rows) ++rows;
  }
  int width = child.Bounds.Width();
  if (BandInfo) BandInfo(child.Id, insets, width, rows);
  if (rows < 1) rows = 1;
  if (snap && isAControl && h > RowSize * rows) rows = h / RowSize + 1;
  rows = std::min(rows, kMaxBandRows);

  TRect r = Grown(Rect(rect.Left, rect.Top, rect.Left + width, rect.Bottom), insets);
  if (snap) r.Bottom = r.Top + RowSize * rows;

  TSeControlBarBand* parent = nullptr;
  for (int row = 0; row < rows; ++row) {
    auto band = std::make_unique<TSeControlBarBand>();
    band->Control = child.Id;
    band->Visible = child.Visible || Designing;
    band->Insets = insets;
    band->X = r.Left;
    band->Y = r.Top + (snap ? row * RowSize : 0);
    band->Width = r.Width();
    band->Height = snap ? RowSize : r.Height();
    band->RowCount = rows - row;
    band->ParentBand = parent;
    band->DragX = band->X;
    band->DragY = band->Y;
    band->DragWidth = band->Width;
    TSeControlBarBand* placed = InsertBand(std::move(band), isAControl && row == 0 ? &remembered : nullptr);
    if (parent) parent->NextBand = placed;
    parent = placed;
  }
}

TSeControlBarBand* TSeControlBarBands::InsertBand(std::unique_ptr<TSeControlBarBand> band,
                                                  const Remembered* remembered) {
  const int m = band->Y + RowSize / 2;
  const int n = static_cast<int>(bands_.size());
  int insert = 0;
  bool withBreak = false;
  bool haveInsert = false;
  bool newFirstRow = false;
  bool firstRow = true;
  int lowest = INT_MIN;
  for (int i = 0; i < n; ++i) {
    const TSeControlBarBand& b = *bands_[static_cast<std::size_t>(i)];
    lowest = std::max(lowest, b.Y + b.Height);
    if (b.X < band->X && b.Y < m) {
      insert = i + 1;
      withBreak = false;
      haveInsert = true;
    }
    const bool endOfRow = i == n - 1 || bands_[static_cast<std::size_t>(i) + 1]->Break;
    if (!endOfRow) continue;
    if (m < lowest) {
      if (firstRow && !haveInsert && m < b.Y) {
        newFirstRow = true;
        insert = 0;
      }
      break;
    }
    insert = i + 1;
    haveInsert = true;
    withBreak = !(b.X <= band->X && b.NextBand);
    firstRow = false;
  }
  if (insert == 0) withBreak = true;
  band->Break = withBreak;
  band->RowStart = withBreak;
  if (withBreak && insert < n && bands_[static_cast<std::size_t>(insert)]->Break && !newFirstRow &&
      !(remembered && insert == remembered->Index && !remembered->BreakPassed)) {
    // The new band starts this row in place of the band that did.
    bands_[static_cast<std::size_t>(insert)]->Break = false;
    bands_[static_cast<std::size_t>(insert)]->RowStart = false;
  }
  TSeControlBarBand* placed = band.get();
  bands_.insert(bands_.begin() + insert, std::move(band));
  return placed;
}

bool TSeControlBarBands::AlignControls(std::vector<TSeBandChild>& children, TSeBandId control,
                                       const TRect& rect) {
  if (aligning_) return false;
  aligning_ = true;
  bool moved = false;
  try {
    moved = LayoutRows(children, control, rect);
  } catch (...) {
    aligning_ = false;
    throw;
  }
  aligning_ = false;
  if (control) LastAligned = control;
  return moved || control != 0;
}

bool TSeControlBarBands::LayoutRows(std::vector<TSeBandChild>& children, TSeBandId control,
                                    const TRect& rect) {
  bool changed = false;
  UpdateBands(children, control, changed);
  if (bands_.empty()) return changed;

  const std::size_t n = bands_.size();
  int rowTop = rect.Top;
  std::size_t i = 0;
  while (i < n) {
    std::size_t end = i + 1;
    while (end < n && !bands_[end]->Break) ++end;
    std::vector<Placed> row;
    int x = rect.Left;
    int rowBottom = rowTop;
    for (std::size_t k = i; k < end; ++k) {
      TSeControlBarBand* b = bands_[k].get();
      const TSeBandChild* child = FindChild(children, b->Control);
      if (!child || !(child->Visible || Designing)) continue;
      if (b->ParentBand) {
        // A continuation sits under its first band; nothing pushes past it.
        b->X = b->ParentBand->X;
        b->Width = b->ParentBand->Width;
        b->Y = b->ParentBand->Y + b->ParentBand->Height;
        row.clear();
        x = std::max(x, b->X + b->Width);
        rowBottom = std::max(rowBottom, b->Y + b->Height);
        continue;
      }
      TRect insets = default_insets_;
      int preferred = child->Bounds.Width();
      int rows = b->RowCount;
      if (BandInfo) BandInfo(b->Control, insets, preferred, rows);
      b->Insets = insets;
      b->Width = child->Bounds.Width() + insets.Left + insets.Right;
      int desired = b->X;
      if (b->Control == control && DraggedControl != control) desired = child->Bounds.Left - insets.Left;
      TRect r = Rect(desired, rowTop, desired + b->Width, rowTop + b->Height);
      if (BandMove) BandMove(b->Control, r);
      b->Width = r.Width();
      desired = r.Left;
      int gap = 0;
      if (desired < x) {
        x -= PushLeft(row, x - desired);
      } else {
        gap = desired - x;
        x = desired;
      }
      b->X = x;
      b->Y = rowTop;
      b->DragX = b->X;
      b->DragY = b->Y;
      b->DragWidth = b->Width;
      x += b->Width;
      rowBottom = std::max(rowBottom, rowTop + b->Height);
      row.push_back({b, gap});
    }

    int excess = x - rect.Right;
    if (excess > 0 && !row.empty()) {
      excess -= PushLeft(row, excess);
      for (std::size_t p = row.size(); p-- > 0 && excess > 0;) {
        TSeControlBarBand* b = row[p].Band;
        const TSeBandChild* child = FindChild(children, b->Control);
        const int least = child->MinWidth + b->Insets.Left + b->Insets.Right;
        const int take = std::min(excess, std::max(0, b->Width - least));
        if (take <= 0) continue;
        b->Width -= take;
        ShiftFrom(row, p + 1, take);
        excess -= take;
      }
      if (excess > 0 && row.size() > 1) {
        // The last band starts a row of its own; this row is laid out again.
        TSeControlBarBand* last = row.back().Band;
        last->Break = true;
        last->RowStart = true;
        last->X = rect.Left;
        continue;
      }
    }
    rowTop = rowBottom;
    i = end;
  }

  bool moved = false;
  for (const auto& b : bands_) {
    if (b->ParentBand) continue;
    TSeBandChild* child = FindChild(children, b->Control);
    if (!child || !(child->Visible || Designing)) continue;
    int height = 0;
    for (const TSeControlBarBand* part = b.get(); part; part = part->NextBand) height += part->Height;
    const TRect bounds = Rect(b->X + b->Insets.Left, b->Y + b->Insets.Top, b->X + b->Width - b->Insets.Right,
                              b->Y + height - b->Insets.Bottom);
    if (bounds != child->Bounds) {
      child->Bounds = bounds;
      moved = true;
    }
  }
  return moved || changed;
}

int TSeControlBarBands::AutoSizeExtent(const std::vector<TSeBandChild>& children, bool vertical) const {
  int extent = 0;
  for (const auto& b : bands_) {
    const TSeBandChild* child = FindChild(children, b->Control);
    if (!child || !(child->Visible || Designing)) continue;
    if (vertical)
      extent = std::max(extent, b->X + child->Bounds.Width() + b->Insets.Left + b->Insets.Right);
    else
      extent = std::max(extent, b->Y + child->Bounds.Height() + b->Insets.Top + b->Insets.Bottom);
  }
  return extent;
}

void TSeControlBarBands::StickControls(const std::vector<TSeBandChild>& children) {
  for (const auto& b : bands_) {
    if (b->ParentBand) continue;
    const TSeBandChild* child = FindChild(children, b->Control);
    if (!child) continue;
    b->X = child->Bounds.Left - b->Insets.Left;
    b->Y = child->Bounds.Top - b->Insets.Top;
    b->Width = child->Bounds.Width() + b->Insets.Left + b->Insets.Right;
    b->Break = b->RowStart;
  }
  for (const auto& b : bands_) {
    if (!b->ParentBand) continue;
    b->X = b->ParentBand->X;
    b->Y = b->ParentBand->Y + b->ParentBand->Height;
    b->Break = b->RowStart;
  }
}

void TSeControlBarBands::DragTo(const std::vector<TSeBandChild>& children, int x, int y) {
  TSeControlBarBand* band = FindBand(DraggedControl);
  const TSeBandChild* child = FindChild(children, DraggedControl);
  if (!band || !child) return;
  band->X = band->DragX = x + GrabOffset.X;
  band->Y = band->DragY = y + GrabOffset.Y;
  band->DragWidth = child->Bounds.Width() + band->Insets.Left + band->Insets.Right;
}
