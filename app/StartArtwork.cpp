#include "app/StartArtwork.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
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

// The burner's flame filling `r`: two tongues rising from a round foot.
void Flame(QPainter& p, const QRectF& r) {
  const auto at = [&r](double u, double v) {
    return QPointF(r.left() + r.width() * u, r.top() + r.height() * v);
  };
  QPainterPath flame;
  flame.moveTo(at(0.457, 1.0));
  flame.cubicTo(at(0.0, 0.923), at(0.143, 0.308), at(0.4, 0.0));
  flame.cubicTo(at(0.371, 0.308), at(0.543, 0.346), at(0.571, 0.077));
  flame.cubicTo(at(0.8, 0.346), at(1.0, 0.885), at(0.457, 1.0));
  QLinearGradient fire(0, r.top(), 0, r.bottom());
  fire.setColorAt(0, QColor(255, 210, 60));
  fire.setColorAt(1, QColor(230, 70, 10));
  p.setPen(QPen(QColor(170, 50, 0), r.width() / 22.4));
  p.setBrush(fire);
  p.drawPath(flame);
}

// A sheet of paper with its top right corner folded.
void Page(QPainter& p, const QRectF& r) {
  const double fold = r.width() * 0.34;
  QPainterPath sheet;
  sheet.moveTo(r.topLeft());
  sheet.lineTo(r.right() - fold, r.top());
  sheet.lineTo(r.right(), r.top() + fold);
  sheet.lineTo(r.bottomRight());
  sheet.lineTo(r.bottomLeft());
  sheet.closeSubpath();
  p.setPen(QPen(QColor(90, 100, 120), 1));
  p.setBrush(QColor(252, 252, 255));
  p.drawPath(sheet);
  QPolygonF corner;
  corner << QPointF(r.right() - fold, r.top()) << QPointF(r.right() - fold, r.top() + fold)
         << QPointF(r.right(), r.top() + fold);
  p.setBrush(QColor(206, 214, 230));
  p.drawPolygon(corner);
  // The lines of text.
  p.setPen(QPen(QColor(150, 170, 210), 1));
  for (double y = r.top() + r.height() * 0.42; y < r.bottom() - 2; y += r.height() * 0.18)
    p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

void Floppy(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(20, 40, 100), 1));
  p.setBrush(QColor(50, 90, 190));
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(QRectF(r.left() + r.width() * 0.18, r.top() + 1, r.width() * 0.64, r.height() * 0.42));
  p.setBrush(QColor(190, 196, 206));
  p.drawRect(QRectF(r.left() + r.width() * 0.26, r.bottom() - r.height() * 0.36, r.width() * 0.48,
                    r.height() * 0.36 - 1));
  p.setBrush(QColor(50, 90, 190));
  p.drawRect(QRectF(r.left() + r.width() * 0.52, r.bottom() - r.height() * 0.30, r.width() * 0.12,
                    r.height() * 0.22));
}

void Scissors(QPainter& p, const QRectF& r) {
  // Light steel with a dark edge, seen on light faces and dark ones.
  const QColor steel(150, 160, 184);
  p.setPen(QPen(steel, r.width() * 0.15, Qt::SolidLine, Qt::RoundCap));
  const QPointF pivot(r.center().x(), r.top() + r.height() * 0.52);
  p.drawLine(pivot, QPointF(r.left() + r.width() * 0.25, r.top()));
  p.drawLine(pivot, QPointF(r.right() - r.width() * 0.25, r.top()));
  p.drawLine(pivot, QPointF(r.left() + r.width() * 0.30, r.bottom() - r.height() * 0.24));
  p.drawLine(pivot, QPointF(r.right() - r.width() * 0.30, r.bottom() - r.height() * 0.24));
  p.setPen(QPen(QColor(200, 30, 30), r.width() * 0.11));
  p.setBrush(Qt::NoBrush);
  const double ring = r.width() * 0.17;
  p.drawEllipse(QPointF(r.left() + ring + 0.5, r.bottom() - ring - 0.5), ring, ring);
  p.drawEllipse(QPointF(r.right() - ring - 0.5, r.bottom() - ring - 0.5), ring, ring);
}

void Clipboard(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(110, 70, 20), 1));
  p.setBrush(QColor(196, 140, 70));
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setPen(QPen(QColor(60, 60, 70), 1));
  p.setBrush(QColor(170, 176, 190));
  p.drawRect(QRectF(r.left() + r.width() * 0.30, r.top() - 1, r.width() * 0.40, r.height() * 0.18));
}

void EjectMark(QPainter& p, const QRectF& r) {
  const QColor ink(40, 60, 110);
  QPolygonF roof;
  roof << QPointF(r.center().x(), r.top()) << QPointF(r.right(), r.top() + r.height() * 0.56)
       << QPointF(r.left(), r.top() + r.height() * 0.56);
  p.setPen(QPen(ink.darker(130), 1));
  p.setBrush(QColor(80, 120, 210));
  p.drawPolygon(roof);
  p.drawRect(QRectF(r.left(), r.bottom() - r.height() * 0.24, r.width(), r.height() * 0.24));
}

void DriveBox(QPainter& p, const QRectF& r) {
  QLinearGradient metal(r.topLeft(), r.bottomLeft());
  metal.setColorAt(0, QColor(226, 230, 238));
  metal.setColorAt(1, QColor(150, 158, 176));
  p.setPen(QPen(QColor(70, 78, 96), 1));
  p.setBrush(metal);
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(50, 56, 70));
  p.drawRect(QRectF(r.left() + 2, r.top() + r.height() * 0.34, r.width() - 4, r.height() * 0.16));
  p.setBrush(QColor(40, 200, 60));
  p.drawRect(QRectF(r.right() - 5, r.bottom() - r.height() * 0.30, 3, r.height() * 0.16));
}

// A round sign with a letter, as the About and Help glyphs carry.
void SignBall(QPainter& p, const QRectF& r, QColor light, QColor dark, const QString& letter) {
  QRadialGradient ball(r.center() - QPointF(r.width() * 0.2, r.height() * 0.25), r.width() * 0.8);
  ball.setColorAt(0, light);
  ball.setColorAt(1, dark);
  p.setPen(QPen(dark.darker(140), 1));
  p.setBrush(ball);
  p.drawEllipse(r);
  QFont font("DejaVu Sans");
  font.setPixelSize(int(r.height() * 0.72));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, letter);
}

// A bold plus, minus or cross in a dark-edged colour, legible on any face.
enum class TMark { Plus, Minus, Cross };
void Mark(QPainter& p, const QRectF& r, TMark mark, QColor color) {
  QPainterPath path;
  const QPointF c = r.center();
  const double arm = r.width() / 2, bar = r.width() * 0.16;
  if (mark != TMark::Minus) path.addRect(QRectF(c.x() - bar, c.y() - arm, bar * 2, arm * 2));
  path.addRect(QRectF(c.x() - arm, c.y() - bar, arm * 2, bar * 2));
  path = path.simplified();
  if (mark == TMark::Cross)
    path = QTransform().translate(c.x(), c.y()).rotate(45).translate(-c.x(), -c.y()).map(path);
  p.setPen(QPen(color.darker(170), 1));
  p.setBrush(color);
  p.drawPath(path);
}

// A pencil lying from the top right down to its point at the bottom left.
void Pencil(QPainter& p, const QRectF& r) {
  p.save();
  p.translate(r.center());
  p.rotate(-45);
  const double length = std::hypot(r.width(), r.height()) * 0.96, thick = r.width() * 0.30;
  const double left = -length / 2, tip = length * 0.24;
  QPolygonF point;
  point << QPointF(left, 0) << QPointF(left + tip, -thick / 2) << QPointF(left + tip, thick / 2);
  p.setPen(QPen(QColor(120, 90, 50), 1));
  p.setBrush(QColor(238, 206, 150));
  p.drawPolygon(point);
  p.setBrush(QColor(250, 190, 30));
  p.drawRect(QRectF(left + tip, -thick / 2, length * 0.58, thick));
  p.setBrush(QColor(230, 110, 130));
  p.drawRect(QRectF(left + tip + length * 0.58, -thick / 2, length * 0.18, thick));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(50, 50, 60));
  p.drawPolygon(QPolygonF() << QPointF(left, 0) << QPointF(left + tip * 0.35, -thick * 0.18)
                            << QPointF(left + tip * 0.35, thick * 0.18));
  p.restore();
}

// A green ball with a white arrow head pointing right: start now.
void PlayBall(QPainter& p, const QRectF& r) {
  const QColor light(120, 220, 120), dark(20, 130, 40);
  QRadialGradient ball(r.center() - QPointF(r.width() * 0.2, r.height() * 0.25), r.width() * 0.8);
  ball.setColorAt(0, light);
  ball.setColorAt(1, dark);
  p.setPen(QPen(dark.darker(140), 1));
  p.setBrush(ball);
  p.drawEllipse(r);
  const QPointF c = r.center();
  const double a = r.width() * 0.22;
  QPolygonF head;
  head << QPointF(c.x() - a * 0.7, c.y() - a) << QPointF(c.x() + a * 1.1, c.y()) << QPointF(c.x() - a * 0.7, c.y() + a);
  p.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::white);
  p.drawPolygon(head);
}

// A file holding a disc's image: a page with a small disc on it.
void ImageFile(QPainter& p, const QRectF& r) {
  Page(p, r);
  const double d = r.width() * 0.62;
  Disc(p, QRectF(r.center().x() - d / 2, r.bottom() - d - 1.5, d, d), QColor(250, 200, 120));
}
}  // namespace

QImage ProductIcon(const QImage& backdrop) {
  Canvas c(backdrop);
  const double s = backdrop.width();
  Disc(*c, QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94));
  // The flame of the burner across the disc's lower right.
  Flame(*c, QRectF(s * 0.30, s * 0.46, s * 0.70, s * 0.52));
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
      SignBall(*c, QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), QColor(120, 170, 250), QColor(20, 70, 180),
               "?");
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

QImage ToolGlyph(TToolGlyph glyph, int size) {
  Canvas c(size, size, Qt::transparent);
  const double s = size;
  const auto box = [s](double x, double y, double w, double h) { return QRectF(s * x, s * y, s * w, s * h); };
  // Adding and taking away: what is added or taken, with a green plus or a
  // red minus at its lower right.
  using TSubject = void (*)(QPainter&, const QRectF&);
  struct Marked {
    TToolGlyph glyph;
    TSubject subject;
    QRectF place;  // in parts of the size
    TMark mark;
  } const marked[] = {
      {TToolGlyph::Add, Note, {0.06, 0.08, 0.50, 0.70}, TMark::Plus},
      {TToolGlyph::Remove, Note, {0.06, 0.08, 0.50, 0.70}, TMark::Minus},
      {TToolGlyph::AddFile, Page, {0.08, 0.04, 0.52, 0.76}, TMark::Plus},
      {TToolGlyph::RemoveFile, Page, {0.08, 0.04, 0.52, 0.76}, TMark::Minus},
      {TToolGlyph::AddTask, Clock, {0.04, 0.04, 0.66, 0.66}, TMark::Plus},
      {TToolGlyph::DeleteTask, Clock, {0.04, 0.04, 0.66, 0.66}, TMark::Minus},
  };
  for (const Marked& m : marked)
    if (m.glyph == glyph) {
      m.subject(*c, box(m.place.x(), m.place.y(), m.place.width(), m.place.height()));
      Mark(*c, box(0.50, 0.50, 0.44, 0.44), m.mark, m.mark == TMark::Plus ? QColor(40, 170, 60) : QColor(220, 60, 50));
      return c.Take();
    }
  switch (glyph) {
    case TToolGlyph::New:
      Page(*c, box(0.18, 0.06, 0.64, 0.86));
      break;
    case TToolGlyph::Open:
      Folder(*c, box(0.06, 0.20, 0.88, 0.66));
      break;
    case TToolGlyph::Save:
      Floppy(*c, box(0.10, 0.10, 0.80, 0.80));
      break;
    case TToolGlyph::Cut:
      Scissors(*c, box(0.14, 0.06, 0.72, 0.86));
      break;
    case TToolGlyph::Copy:
      Page(*c, box(0.08, 0.06, 0.56, 0.66));
      Page(*c, box(0.36, 0.28, 0.56, 0.66));
      break;
    case TToolGlyph::Paste:
      Clipboard(*c, box(0.10, 0.12, 0.64, 0.80));
      Page(*c, box(0.42, 0.36, 0.50, 0.58));
      break;
    case TToolGlyph::Eject:
      EjectMark(*c, box(0.14, 0.16, 0.72, 0.68));
      break;
    case TToolGlyph::Drive:
      DriveBox(*c, box(0.06, 0.26, 0.88, 0.50));
      break;
    case TToolGlyph::Disc:
      Disc(*c, box(0.06, 0.06, 0.88, 0.88));
      break;
    case TToolGlyph::Options:
      Gear(*c, box(0.08, 0.08, 0.84, 0.84));
      break;
    case TToolGlyph::Burn:
      Disc(*c, box(0.03, 0.03, 0.80, 0.80));
      Flame(*c, box(0.40, 0.40, 0.58, 0.56));
      break;
    case TToolGlyph::CopyDisc:
      Disc(*c, box(0.02, 0.02, 0.64, 0.64));
      Disc(*c, box(0.32, 0.32, 0.64, 0.64), QColor(250, 210, 140));
      break;
    case TToolGlyph::Erase:
      Disc(*c, box(0.03, 0.03, 0.80, 0.80), QColor(200, 200, 250));
      Mark(*c, box(0.52, 0.52, 0.42, 0.42), TMark::Cross, QColor(230, 60, 60));
      break;
    case TToolGlyph::BurnIso:
      ImageFile(*c, box(0.08, 0.04, 0.62, 0.86));
      Flame(*c, box(0.46, 0.44, 0.50, 0.52));
      break;
    case TToolGlyph::BuildIso:
      Folder(*c, box(0.04, 0.06, 0.56, 0.44));
      ImageFile(*c, box(0.36, 0.30, 0.56, 0.66));
      break;
    case TToolGlyph::About:
      SignBall(*c, box(0.08, 0.08, 0.84, 0.84), QColor(120, 200, 140), QColor(20, 120, 60), "i");
      break;
    case TToolGlyph::Help:
      SignBall(*c, box(0.08, 0.08, 0.84, 0.84), QColor(120, 170, 250), QColor(20, 70, 180), "?");
      break;
    case TToolGlyph::Clear:
      Page(*c, box(0.10, 0.06, 0.60, 0.80));
      Mark(*c, box(0.48, 0.48, 0.46, 0.46), TMark::Cross, QColor(220, 60, 50));
      break;
    case TToolGlyph::EditTask:
      Page(*c, box(0.10, 0.04, 0.60, 0.84));
      Pencil(*c, box(0.36, 0.26, 0.60, 0.60));
      break;
    case TToolGlyph::Run:
      PlayBall(*c, box(0.08, 0.08, 0.84, 0.84));
      break;
    default:
      break;
  }
  return c.Take();
}
