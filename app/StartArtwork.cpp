#include "app/StartArtwork.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

const QColor kNavy(24, 40, 96);
const QColor kOrange(255, 128, 0);

// A painter on a new image filled with `background`, smoothing on.
class Canvas {
 public:
  Canvas(int width, int height, QColor background) : image_(width, height, QImage::Format_ARGB32) {
    image_.fill(background);
    Begin();
  }
  explicit Canvas(const QImage& base) : image_(base.convertToFormat(QImage::Format_ARGB32)) { Begin(); }
  QPainter& operator*() { return painter_; }
  QPainter* operator->() { return &painter_; }
  QImage Take() {
    painter_.end();
    return image_;
  }

 private:
  void Begin() {
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
  }

  QImage image_;
  QPainter painter_;
};

// A silver disc in `r`: a rainbow sheen, the clear ring and the hole,
// through which whatever lies below shows.
void Disc(QPainter& p, const QRectF& r, QColor tint = QColor(150, 190, 240)) {
  const QPointF c = r.center();
  const double w = r.width();
  QConicalGradient sheen(c, 30);
  sheen.setColorAt(0.00, QColor(236, 240, 248));
  sheen.setColorAt(0.12, tint.lighter(115));
  sheen.setColorAt(0.25, QColor(250, 240, 200));
  sheen.setColorAt(0.40, QColor(214, 222, 236));
  sheen.setColorAt(0.55, QColor(236, 240, 248));
  sheen.setColorAt(0.68, tint);
  sheen.setColorAt(0.80, QColor(240, 214, 236));
  sheen.setColorAt(1.00, QColor(236, 240, 248));
  QPainterPath body;
  body.addEllipse(r);
  body.addEllipse(c, w * 0.17, w * 0.17);
  p.setPen(QPen(QColor(96, 106, 130), w / 28.0));
  p.setBrush(sheen);
  p.drawPath(body);
  QPainterPath ring;
  ring.addEllipse(c, w * 0.17, w * 0.17);
  ring.addEllipse(c, w * 0.07, w * 0.07);
  p.setPen(QPen(QColor(130, 138, 160), w / 40.0));
  p.setBrush(QColor(226, 230, 238, 200));
  p.drawPath(ring);
}

// A rounded badge with a short bold text, as the file-type glyphs carry.
void Badge(QPainter& p, const QRectF& r, QColor fill, const QString& text) {
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, 2.5, 2.5);
  QFont font("DejaVu Sans");
  font.setPixelSize(int(r.height() * 0.72));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, text);
}

void Folder(QPainter& p, const QRectF& r) {
  QPainterPath back;
  back.moveTo(r.left(), r.top() + r.height() * 0.18);
  back.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.18);
  back.lineTo(r.left() + r.width() * 0.48, r.top());
  back.lineTo(r.right(), r.top());
  back.lineTo(r.right(), r.bottom());
  back.lineTo(r.left(), r.bottom());
  back.closeSubpath();
  p.setPen(QPen(QColor(176, 120, 10), 1));
  p.setBrush(QColor(240, 184, 48));
  p.drawPath(back);
  QLinearGradient front(r.topLeft(), r.bottomLeft());
  front.setColorAt(0, QColor(255, 226, 120));
  front.setColorAt(1, QColor(246, 190, 50));
  p.setBrush(front);
  p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.32, r.width(), r.height() * 0.68));
}

void Note(QPainter& p, const QRectF& r) {
  const QColor ink(40, 60, 150);
  p.setPen(QPen(ink, r.width() * 0.11, Qt::SolidLine, Qt::FlatCap));
  const double stemX1 = r.left() + r.width() * 0.36, stemX2 = r.right() - r.width() * 0.06;
  p.drawLine(QPointF(stemX1, r.top() + r.height() * 0.2), QPointF(stemX1, r.bottom() - r.height() * 0.2));
  p.drawLine(QPointF(stemX2, r.top()), QPointF(stemX2, r.bottom() - r.height() * 0.32));
  p.setPen(QPen(ink, r.width() * 0.18, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(stemX1, r.top() + r.height() * 0.14), QPointF(stemX2, r.top() - r.height() * 0.06));
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  const double rx = r.width() * 0.2, ry = r.height() * 0.15;
  p.drawEllipse(QPointF(stemX1 - rx * 0.8, r.bottom() - ry * 1.2), rx, ry);
  p.drawEllipse(QPointF(stemX2 - rx * 0.8, r.bottom() - r.height() * 0.32 + ry * 0.2), rx, ry);
}

void Clock(QPainter& p, const QRectF& r) {
  QRadialGradient face(r.center() - QPointF(r.width() * 0.15, r.height() * 0.15), r.width() * 0.7);
  face.setColorAt(0, Qt::white);
  face.setColorAt(1, QColor(214, 226, 244));
  p.setPen(QPen(QColor(40, 70, 150), r.width() * 0.08));
  p.setBrush(face);
  p.drawEllipse(r);
  const QPointF c = r.center();
  p.setPen(QPen(QColor(40, 50, 80), r.width() * 0.07, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPointF(0, -r.height() * 0.32));
  p.drawLine(c, c + QPointF(r.width() * 0.24, r.height() * 0.08));
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    const QPointF dir(std::sin(a), -std::cos(a));
    p.setPen(QPen(QColor(90, 110, 160), r.width() * (i % 3 == 0 ? 0.06 : 0.03)));
    p.drawLine(c + dir * r.width() * 0.36, c + dir * r.width() * 0.42);
  }
}

// A round arrow in `r` turning clockwise, its head at the top right.
void RoundArrow(QPainter& p, const QRectF& r, QColor color) {
  p.setPen(QPen(color, r.width() * 0.16, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(r, 100 * 16, 280 * 16);
  const QPointF tip(r.center().x() + r.width() * 0.1, r.top());
  QPolygonF head;
  head << tip + QPointF(r.width() * 0.22, 0) << tip + QPointF(-r.width() * 0.08, -r.height() * 0.22)
       << tip + QPointF(-r.width() * 0.08, r.height() * 0.22);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(head);
}

void Gear(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double outer = r.width() / 2, inner = outer * 0.74;
  QPainterPath path;
  const int teeth = 8;
  for (int i = 0; i < teeth * 4; ++i) {
    const double a = (i - 0.5) * M_PI * 2 / (teeth * 4);
    const double radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
    const QPointF pt = c + QPointF(std::cos(a), std::sin(a)) * radius;
    if (i == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  path.closeSubpath();
  path.addEllipse(c, outer * 0.3, outer * 0.3);
  QLinearGradient metal(r.topLeft(), r.bottomRight());
  metal.setColorAt(0, QColor(186, 198, 222));
  metal.setColorAt(1, QColor(88, 104, 142));
  p.setPen(QPen(QColor(58, 70, 100), 1));
  p.setBrush(metal);
  p.drawPath(path);
}

void Help(QPainter& p, const QRectF& r) {
  QRadialGradient ball(r.center() - QPointF(r.width() * 0.2, r.height() * 0.25), r.width() * 0.8);
  ball.setColorAt(0, QColor(120, 170, 250));
  ball.setColorAt(1, QColor(20, 70, 180));
  p.setPen(QPen(QColor(16, 50, 130), 1));
  p.setBrush(ball);
  p.drawEllipse(r);
  QFont font("DejaVu Sans");
  font.setPixelSize(int(r.height() * 0.72));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, "?");
}

}  // namespace

QImage ProductIcon(const QImage& backdrop) {
  Canvas c(backdrop);
  const double s = backdrop.width();
  Disc(*c, QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94));
  // The flame of the burner across the disc's lower right.
  QPainterPath flame;
  flame.moveTo(s * 0.62, s * 0.98);
  flame.cubicTo(s * 0.30, s * 0.94, s * 0.40, s * 0.62, s * 0.58, s * 0.46);
  flame.cubicTo(s * 0.56, s * 0.62, s * 0.68, s * 0.64, s * 0.70, s * 0.50);
  flame.cubicTo(s * 0.86, s * 0.64, s * 1.00, s * 0.92, s * 0.62, s * 0.98);
  QLinearGradient fire(0, s * 0.46, 0, s);
  fire.setColorAt(0, QColor(255, 210, 60));
  fire.setColorAt(1, QColor(230, 70, 10));
  c->setPen(QPen(QColor(170, 50, 0), s / 32.0));
  c->setBrush(fire);
  c->drawPath(flame);
  return c.Take();
}

QImage TitleBar(int width, int height) {
  Canvas c(width, height, kNavy);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(52, 84, 168));
  sky.setColorAt(0.48, QColor(30, 52, 122));
  sky.setColorAt(1, QColor(18, 30, 78));
  c->fillRect(QRect(0, 0, width, height), sky);
  // The grooves of a large disc rising behind the title's right end.
  c->setBrush(Qt::NoBrush);
  for (int i = 0; i < 9; ++i) {
    c->setPen(QPen(QColor(255, 255, 255, 14 + i * 3), 1.2));
    const double radius = 90 + i * 11;
    c->drawEllipse(QPointF(width - 120, height + 64), radius, radius);
  }
  // A gloss on the upper half and the orange rule along the bottom.
  QLinearGradient gloss(0, 0, 0, height / 2.0);
  gloss.setColorAt(0, QColor(255, 255, 255, 46));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  c->fillRect(QRectF(0, 0, width, height / 2.0), gloss);
  c->fillRect(QRect(0, height - 3, width, 3), kOrange);
  c->fillRect(QRect(0, height - 3, width, 1), QColor(255, 176, 80));
  return c.Take();
}

QImage LinkBar(int width, int height) {
  Canvas c(width, height, QColor(230, 234, 244));
  QLinearGradient paper(0, 0, 0, height);
  paper.setColorAt(0, QColor(242, 245, 252));
  paper.setColorAt(1, QColor(206, 214, 234));
  c->fillRect(QRect(0, 0, width, height), paper);
  c->fillRect(QRect(0, 0, width, 3), kOrange);
  c->fillRect(QRect(0, 2, width, 1), QColor(200, 96, 0));
  // A faint row of discs at the right end.
  c->setPen(Qt::NoPen);
  for (int i = 0; i < 3; ++i) {
    c->setBrush(QColor(24, 40, 96, 18 + 10 * i));
    const double r = 14 + i * 2;
    c->drawEllipse(QPointF(width - 110 + i * 34, height / 2.0 + 2), r, r);
  }
  return c.Take();
}

QImage LaunchGlyph(TLaunchGlyph glyph, int size, QColor face) {
  Canvas c(size, size, face);
  const double s = size;
  const QRectF disc(s * 0.02, s * 0.02, s * 0.78, s * 0.78);
  switch (glyph) {
    case TLaunchGlyph::Data:
      Disc(*c, disc);
      Folder(*c, QRectF(s * 0.44, s * 0.52, s * 0.54, s * 0.42));
      break;
    case TLaunchGlyph::Audio:
      Disc(*c, disc, QColor(240, 170, 200));
      Note(*c, QRectF(s * 0.52, s * 0.44, s * 0.42, s * 0.52));
      break;
    case TLaunchGlyph::Mp3:
      Disc(*c, disc, QColor(170, 230, 170));
      Badge(*c, QRectF(s * 0.36, s * 0.62, s * 0.62, s * 0.34), QColor(40, 150, 70), "MP3");
      break;
    case TLaunchGlyph::Copy:
      Disc(*c, QRectF(s * 0.02, s * 0.02, s * 0.66, s * 0.66));
      Disc(*c, QRectF(s * 0.32, s * 0.32, s * 0.66, s * 0.66), QColor(250, 210, 140));
      break;
    case TLaunchGlyph::Iso:
      Disc(*c, disc);
      Badge(*c, QRectF(s * 0.40, s * 0.62, s * 0.58, s * 0.34), QColor(200, 90, 20), "ISO");
      break;
    case TLaunchGlyph::Backup:
      Clock(*c, QRectF(s * 0.04, s * 0.04, s * 0.76, s * 0.76));
      RoundArrow(*c, QRectF(s * 0.50, s * 0.50, s * 0.44, s * 0.44), QColor(30, 150, 60));
      break;
    case TLaunchGlyph::Erase: {
      Disc(*c, disc, QColor(200, 200, 250));
      // A rubber lying across the disc's lower right.
      c->save();
      c->translate(s * 0.68, s * 0.72);
      c->rotate(-35);
      const QRectF body(-s * 0.30, -s * 0.12, s * 0.60, s * 0.24);
      c->setPen(QPen(QColor(150, 40, 60), 1));
      c->setBrush(QColor(240, 110, 130));
      c->drawRoundedRect(body, 2, 2);
      c->setBrush(QColor(90, 120, 200));
      c->drawRoundedRect(QRectF(body.left(), body.top(), body.width() * 0.38, body.height()), 2, 2);
      c->restore();
      break;
    }
    case TLaunchGlyph::Options:
      Gear(*c, QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
      break;
    case TLaunchGlyph::Help:
      Help(*c, QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
      break;
  }
  return c.Take();
}

QImage WindowGlyph(bool close, int size, QColor background) {
  Canvas c(size, size, background);
  c->setPen(QPen(Qt::white, size / 6.0, Qt::SolidLine, Qt::RoundCap));
  const double lo = size * 0.22, hi = size * 0.78;
  if (close) {
    c->drawLine(QPointF(lo, lo), QPointF(hi, hi));
    c->drawLine(QPointF(hi, lo), QPointF(lo, hi));
  } else {
    c->drawLine(QPointF(lo, hi), QPointF(hi, hi));
  }
  return c.Take();
}
