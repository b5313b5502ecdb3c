// DrawEdge and DrawFrameControl.

#include "platform/gui/Painters.h"

#include <vector>

namespace {

// Fills a rectangle with a colour and puts the canvas's brush back.
void Fill(TCanvas& c, const TRect& r, TColor color) {
  if (r.IsEmpty()) return;
  const TBrush saved = c.Brush();
  c.Brush().SetBitmap(nullptr);
  c.Brush().SetColor(color);
  c.Brush().SetStyle(bsSolid);
  c.FillRect(r);
  c.Brush().Assign(saved);
}

struct Ring {
  TColor light;
  TColor dark;
};

void DrawRing(TCanvas& c, TRect& r, const Ring& ring, unsigned flags) {
  const bool left = flags & BF_LEFT, top = flags & BF_TOP, right = flags & BF_RIGHT,
             bottom = flags & BF_BOTTOM;
  if (left) Fill(c, Rect(r.Left, r.Top, r.Left + 1, r.Bottom - (bottom ? 1 : 0)), ring.light);
  if (top) Fill(c, Rect(r.Left, r.Top, r.Right - (right ? 1 : 0), r.Top + 1), ring.light);
  if (right) Fill(c, Rect(r.Right - 1, r.Top, r.Right, r.Bottom), ring.dark);
  if (bottom) Fill(c, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), ring.dark);
  if (left) ++r.Left;
  if (top) ++r.Top;
  if (right) --r.Right;
  if (bottom) --r.Bottom;
}

}  // namespace

bool DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags) {
  if (flags & BF_DIAGONAL) return false;
  TRect r = rect;
  const bool soft = flags & BF_SOFT;
  std::vector<Ring> rings;
  const unsigned outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (flags & BF_MONO) {
    if (outer) rings.push_back({clWindowFrame, clWindowFrame});
    if (inner) rings.push_back({clWindow, clWindow});
  } else if (flags & BF_FLAT) {
    if (outer) rings.push_back({clBtnShadow, clBtnShadow});
    if (inner) rings.push_back({clBtnFace, clBtnFace});
  } else {
    if (outer & BDR_RAISEDOUTER)
      rings.push_back({soft ? clBtnHighlight : cl3DLight, cl3DDkShadow});
    else if (outer & BDR_SUNKENOUTER)
      rings.push_back({soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight});
    if (inner & BDR_RAISEDINNER)
      rings.push_back({soft ? cl3DLight : clBtnHighlight, clBtnShadow});
    else if (inner & BDR_SUNKENINNER)
      rings.push_back({soft ? clBtnShadow : cl3DDkShadow, cl3DLight});
  }
  for (const Ring& ring : rings) DrawRing(canvas, r, ring, flags);
  if (flags & BF_MIDDLE) Fill(canvas, r, (flags & BF_MONO) ? clWindow : clBtnFace);
  if (flags & BF_ADJUST) rect = r;
  return true;
}

namespace {

// A filled triangle pointing in one direction, `size` rows deep, its base
// centred on (cx, cy).
void Arrow(TCanvas& c, int cx, int cy, int size, int dir, TColor color) {
  for (int i = 0; i < size; ++i) {
    const int half = size - 1 - i;
    switch (dir) {
      case 0:
        Fill(c, Rect(cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1), color);
        break;  // up
      case 1:
        Fill(c, Rect(cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1), color);
        break;  // down
      case 2:
        Fill(c, Rect(cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1), color);
        break;  // left
      default:
        Fill(c, Rect(cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1), color);
        break;
    }
  }
}

// A glyph in the text colour, with the embossed look when inactive.
template <class F>
void Glyph(bool inactive, F&& draw) {
  if (inactive) {
    draw(1, clBtnHighlight);
    draw(0, clBtnShadow);
  } else {
    draw(0, clBtnText);
  }
}

void CheckMark(TCanvas& c, int x, int y, TColor color) {
  // Seven columns: down three, then up four, three pixels thick.
  static constexpr int kTops[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) Fill(c, Rect(x + i, y + kTops[i], x + i + 1, y + kTops[i] + 3), color);
}

void PushFrame(TCanvas& c, TRect& r, unsigned state) {
  if (state & (DFCS_FLAT | DFCS_MONO)) {
    DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST | ((state & DFCS_MONO) ? BF_MONO : BF_FLAT));
    Fill(c, r, clBtnFace);
  } else if (state & (DFCS_PUSHED | DFCS_CHECKED)) {
    DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE);
  } else {
    DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  }
}

// The square a check box or radio button takes: at most 13 pixels, at the
// left of the rectangle, centred vertically.
TRect MarkBox(const TRect& r) {
  const int s = std::min({13, r.Width(), r.Height()});
  const int top = r.Top + (r.Height() - s) / 2;
  return Rect(r.Left, top, r.Left + s, top + s);
}

bool Button(TCanvas& c, TRect& rect, unsigned state) {
  const unsigned kind = state & 0x1F;
  const bool inactive = state & DFCS_INACTIVE;
  if (kind == DFCS_BUTTONPUSH) {
    TRect r = rect;
    PushFrame(c, r, state);
    if (state & DFCS_ADJUSTRECT) rect = r;
    return true;
  }
  TRect box = MarkBox(rect);
  if (kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE) {
    TRect r = box;
    DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0));
    Fill(c, r, (inactive || (state & DFCS_PUSHED) || kind == DFCS_BUTTON3STATE) ? clBtnFace : clWindow);
    if (state & DFCS_CHECKED)
      CheckMark(c, r.Left + (r.Width() - 7) / 2, r.Top + (r.Height() - 6) / 2,
                inactive ? clGrayText : clWindowText);
    return true;
  }
  if (kind == DFCS_BUTTONRADIO) {
    const TPen pen = c.Pen();
    const TBrush brush = c.Brush();
    c.Pen().SetColor(clBtnShadow);
    c.Brush().SetBitmap(nullptr);
    c.Brush().SetColor((inactive || (state & DFCS_PUSHED)) ? clBtnFace : clWindow);
    c.Ellipse(box);
    if (state & DFCS_CHECKED) {
      const int d = std::max(2, box.Width() / 3);
      const int x = box.Left + (box.Width() - d) / 2, y = box.Top + (box.Height() - d) / 2;
      c.Pen().SetColor(inactive ? clGrayText : clWindowText);
      c.Brush().SetColor(inactive ? clGrayText : clWindowText);
      c.Ellipse(x, y, x + d, y + d);
    }
    c.Pen().Assign(pen);
    c.Brush().Assign(brush);
    return true;
  }
  return false;
}

bool Scroll(TCanvas& c, TRect& rect, unsigned state) {
  const unsigned kind = state & 0x1F;
  TRect r = rect;
  if (kind == DFCS_SCROLLSIZEGRIP) {
    Fill(c, r, clBtnFace);
    // Three pairs of diagonal lines in the bottom-right corner.
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 2; ++i) {
        const int off = 3 + k * 4 + i;
        const TColor color = i == 0 ? clBtnHighlight : clBtnShadow;
        for (int t = 0; t < off && t < r.Width() && t < r.Height(); ++t)
          Fill(c, Rect(r.Right - off + t, r.Bottom - 1 - t, r.Right - off + t + 1, r.Bottom - t), color);
      }
    return true;
  }
  int dir;
  switch (kind) {
    case DFCS_SCROLLUP:
      dir = 0;
      break;
    case DFCS_SCROLLDOWN:
    case DFCS_SCROLLCOMBOBOX:
      dir = 1;
      break;
    case DFCS_SCROLLLEFT:
      dir = 2;
      break;
    case DFCS_SCROLLRIGHT:
      dir = 3;
      break;
    default:
      return false;
  }
  PushFrame(c, r, state);
  const int size = std::max(1, std::min(r.Width(), r.Height()) / 3);
  const int shift = (state & DFCS_PUSHED) ? 1 : 0;
  const int cx = r.Left + r.Width() / 2 + shift, cy = r.Top + r.Height() / 2 + shift;
  Glyph(state & DFCS_INACTIVE, [&](int o, TColor color) { Arrow(c, cx + o, cy + o, size, dir, color); });
  return true;
}

bool Caption(TCanvas& c, TRect& rect, unsigned state) {
  const unsigned kind = state & 0x1F;
  if (kind > DFCS_CAPTIONHELP) return false;
  TRect r = rect;
  PushFrame(c, r, state);
  const int shift = (state & DFCS_PUSHED) ? 1 : 0;
  const int s = std::max(4, std::min(r.Width(), r.Height()) - 4);
  const int x = r.Left + (r.Width() - s) / 2 + shift, y = r.Top + (r.Height() - s) / 2 + shift;
  Glyph(state & DFCS_INACTIVE, [&](int o, TColor color) {
    const int gx = x + o, gy = y + o;
    switch (kind) {
      case DFCS_CAPTIONCLOSE:
        for (int i = 0; i < s; ++i) {
          Fill(c, Rect(gx + i, gy + i, gx + i + 2, gy + i + 1), color);
          Fill(c, Rect(gx + s - 2 - i, gy + i, gx + s - i, gy + i + 1), color);
        }
        break;
      case DFCS_CAPTIONMIN:
        Fill(c, Rect(gx + 1, gy + s - 2, gx + s - 2, gy + s), color);
        break;
      case DFCS_CAPTIONMAX:
        Fill(c, Rect(gx, gy, gx + s, gy + 2), color);
        Fill(c, Rect(gx, gy, gx + 1, gy + s), color);
        Fill(c, Rect(gx + s - 1, gy, gx + s, gy + s), color);
        Fill(c, Rect(gx, gy + s - 1, gx + s, gy + s), color);
        break;
      case DFCS_CAPTIONRESTORE: {
        const int w = s * 2 / 3;
        for (int k = 0; k < 2; ++k) {
          const int bx = k == 0 ? gx + s - w : gx, by = k == 0 ? gy : gy + s - w;
          Fill(c, Rect(bx, by, bx + w, by + 2), color);
          Fill(c, Rect(bx, by, bx + 1, by + w), color);
          Fill(c, Rect(bx + w - 1, by, bx + w, by + w), color);
          Fill(c, Rect(bx, by + w - 1, bx + w, by + w), color);
        }
        break;
      }
      default: {  // help: a question mark
        const int m = gx + s / 2;
        Fill(c, Rect(m - 2, gy, m + 2, gy + 1), color);
        Fill(c, Rect(m + 2, gy + 1, m + 3, gy + s / 2 - 1), color);
        Fill(c, Rect(m - 3, gy + 1, m - 2, gy + 2), color);
        Fill(c, Rect(m, gy + s / 2 - 1, m + 2, gy + s / 2), color);
        Fill(c, Rect(m, gy + s / 2, m + 1, gy + s - 3), color);
        Fill(c, Rect(m, gy + s - 2, m + 1, gy + s), color);
        break;
      }
    }
  });
  return true;
}

bool Menu(TCanvas& c, TRect& rect, unsigned state) {
  const unsigned kind = state & 0x1F;
  const TColor color = (state & DFCS_INACTIVE) ? clGrayText : clMenuText;
  const int cx = rect.Left + rect.Width() / 2, cy = rect.Top + rect.Height() / 2;
  switch (kind) {
    case DFCS_MENUARROW:
      Arrow(c, cx - 1, cy, std::max(2, rect.Height() / 3), 3, color);
      return true;
    case DFCS_MENUCHECK:
      CheckMark(c, cx - 3, cy - 3, color);
      return true;
    case DFCS_MENUBULLET:
      Fill(c, Rect(cx - 2, cy - 2, cx + 2, cy + 2), color);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool DrawFrameControl(TCanvas& canvas, TRect& rect, unsigned type, unsigned state) {
  switch (type) {
    case DFC_BUTTON:
      return Button(canvas, rect, state);
    case DFC_SCROLL:
      return Scroll(canvas, rect, state);
    case DFC_CAPTION:
      return Caption(canvas, rect, state);
    case DFC_MENU:
      return Menu(canvas, rect, state);
    default:
      return false;
  }
}
