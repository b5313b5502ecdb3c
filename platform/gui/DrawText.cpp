// Layout and drawing of DrawText.

#include "platform/gui/DrawText.h"

#include <QFontMetrics>
#include <vector>

namespace {

struct Line {
  QString text;
  int underline = -1;  // index into text of the accelerator, or -1
};

struct Layout {
  const QFontMetrics& fm;
  bool expandTabs;
  int tabWidth;

  // Width of a line; tabs move to the next stop (or take nothing).
  int Width(const QString& s) const {
    int x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= s.size(); ++i) {
      if (i == s.size() || s[i] == u'\t') {
        x += fm.horizontalAdvance(s.mid(start, i - start));
        if (i < s.size() && expandTabs && tabWidth > 0) x = (x / tabWidth + 1) * tabWidth;
        start = i + 1;
      }
    }
    return x;
  }
};

// Removes the "&" marks; returns the index of the underlined character.
int StripPrefix(QString& s, bool hide) {
  QString out;
  int underline = -1;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&' && !hide) underline = int(out.size());
      out += s[i];
    } else if (s[i] != u'&') {
      out += s[i];
    }
  }
  s = out;
  return underline;
}

// Shortens `s` to fit `width` with "..." at the end.
QString EndEllipsis(const Layout& lay, const QString& s, int width) {
  const QString dots = QStringLiteral("...");
  QString head = s;
  while (!head.isEmpty() && lay.Width(head + dots) > width) head.chop(1);
  return head + dots;
}

// Shortens a path to fit `width`: "...", then the last part, is kept, and as
// much of the start as fits goes before it.
QString PathEllipsis(const Layout& lay, const QString& s, int width) {
  const qsizetype cut = std::max(s.lastIndexOf(u'\\'), s.lastIndexOf(u'/'));
  if (cut < 0) return EndEllipsis(lay, s, width);
  const QString tail = s.mid(cut);
  const QString dots = QStringLiteral("...");
  QString head = s.left(cut);
  while (!head.isEmpty() && lay.Width(head + dots + tail) > width) head.chop(1);
  if (lay.Width(head + dots + tail) > width) return EndEllipsis(lay, dots + tail, width);
  return head + dots + tail;
}

// Word-wraps one paragraph into lines no wider than `width` where the
// words allow it.
void Wrap(const Layout& lay, const QString& para, int width, std::vector<QString>& out) {
  if (para.isEmpty()) {
    out.push_back(QString());
    return;
  }
  qsizetype pos = 0;
  while (pos < para.size()) {
    qsizetype end = pos;
    qsizetype lastBreak = -1;
    while (end < para.size()) {
      qsizetype wordEnd = end;
      while (wordEnd < para.size() && para[wordEnd] != u' ') ++wordEnd;
      if (lay.Width(para.mid(pos, wordEnd - pos)) > width && lastBreak >= 0) break;
      lastBreak = wordEnd;
      end = wordEnd;
      while (end < para.size() && para[end] == u' ') ++end;
    }
    const qsizetype lineEnd = lastBreak >= 0 ? lastBreak : para.size();
    out.push_back(para.mid(pos, lineEnd - pos));
    pos = lineEnd;
    while (pos < para.size() && para[pos] == u' ') ++pos;
  }
}

}  // namespace

int DrawText(TCanvas& canvas, const QString& source, TRect& rect, unsigned format) {
  const QFontMetrics fm(canvas.Font().ToQFont());
  const Layout lay{fm, (format & DT_EXPANDTABS) != 0, 8 * fm.averageCharWidth()};
  const int lineHeight = fm.height();
  const bool single = format & DT_SINGLELINE;

  QString text = source;
  int underline = -1;
  if (!(format & DT_NOPREFIX)) underline = StripPrefix(text, format & DT_HIDEPREFIX);

  if (text.isEmpty()) {
    if (format & DT_CALCRECT) {
      rect.Right = rect.Left;
      rect.Bottom = rect.Top;
    }
    return 0;
  }

  // Paragraphs, then lines; the accelerator's index follows the text.
  std::vector<Line> lines;
  {
    std::vector<QString> paras;
    std::vector<int> paraStart;
    if (single) {
      QString one = text;
      one.remove(u'\r');
      one.remove(u'\n');
      // An accelerator after removed line breaks moves left with the text.
      if (underline >= 0) {
        int removed = 0;
        for (int i = 0; i < underline && i < text.size(); ++i)
          if (text[i] == u'\r' || text[i] == u'\n') ++removed;
        underline -= removed;
      }
      paras.push_back(one);
      paraStart.push_back(0);
    } else {
      qsizetype start = 0;
      for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
          paras.push_back(text.mid(start, i - start));
          paraStart.push_back(int(start));
          if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
          start = i + 1;
        }
      }
    }
    for (size_t p = 0; p < paras.size(); ++p) {
      std::vector<QString> wrapped;
      if ((format & DT_WORDBREAK) && !single)
        Wrap(lay, paras[p], rect.Width(), wrapped);
      else if ((format & DT_WORDBREAK) && single)
        wrapped.push_back(paras[p]);
      else
        wrapped.push_back(paras[p]);
      // Find where each wrapped line starts inside its paragraph.
      qsizetype from = 0;
      for (const QString& w : wrapped) {
        const qsizetype at = w.isEmpty() ? from : paras[p].indexOf(w, from);
        Line line{w, -1};
        const int u = underline - paraStart[p] - int(at);
        if (underline >= 0 && u >= 0 && u < w.size()) line.underline = u;
        lines.push_back(line);
        from = at + w.size();
      }
    }
  }

  // Ellipses shorten lines that do not fit.
  if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    for (Line& line : lines) {
      if (lay.Width(line.text) <= rect.Width()) continue;
      const QString before = line.text;
      line.text = (format & DT_PATH_ELLIPSIS) ? PathEllipsis(lay, line.text, rect.Width())
                                              : EndEllipsis(lay, line.text, rect.Width());
      if (line.underline >= 0 &&
          (line.underline >= line.text.size() - 3 || !before.startsWith(line.text.left(line.underline + 1))))
        line.underline = -1;
    }
  }

  int width = 0;
  for (const Line& line : lines) width = std::max(width, lay.Width(line.text));
  const int height = lineHeight * int(lines.size());

  if (format & DT_CALCRECT) {
    rect.Right = rect.Left + width;
    rect.Bottom = rect.Top + height;
    return height;
  }

  int y = rect.Top;
  if (single && (format & DT_VCENTER)) y = rect.Top + (rect.Height() - lineHeight) / 2;
  if (single && (format & DT_BOTTOM)) y = rect.Bottom - lineHeight;
  const TRect clip = rect;
  const TRect* clipPtr = (format & DT_NOCLIP) ? nullptr : &clip;
  const int top = y;
  for (const Line& line : lines) {
    const int lineWidth = lay.Width(line.text);
    int x = rect.Left;
    if (format & DT_CENTER) x = rect.Left + (rect.Width() - lineWidth) / 2;
    if (format & DT_RIGHT) x = rect.Right - lineWidth;
    // Draw the tab-separated pieces at their stops.
    int pieceX = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.text.size(); ++i) {
      if (i < line.text.size() && line.text[i] != u'\t') continue;
      const QString piece = line.text.mid(start, i - start);
      const int u = line.underline - int(start);
      canvas.TextRun(x + pieceX, y, piece, clipPtr, (u >= 0 && u < piece.size()) ? u : -1, 1);
      pieceX += fm.horizontalAdvance(piece);
      if (i < line.text.size() && lay.expandTabs && lay.tabWidth > 0)
        pieceX = (pieceX / lay.tabWidth + 1) * lay.tabWidth;
      start = i + 1;
    }
    y += lineHeight;
  }
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top - rect.Top + height;
  return height;
}
