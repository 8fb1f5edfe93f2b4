#include "tools/skingen/SkinDraw.h"

#include <QPainterPath>
#include <QRadialGradient>

#include <stdexcept>

namespace {
QString OutDir;
}

void SetSkinFolder(const QString &folder) { OutDir = folder; }

QString SkinPath(const QString &name) { return OutDir + "/" + name; }

QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Save(const QImage &image, const QString &name) {
  const QString path = SkinPath(name);
  if (!image.save(path))
    throw std::runtime_error("cannot write " + path.toStdString());
}

QImage HardEdges(const QImage &source) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int a = qAlpha(line[x]);
      line[x] = a < 128 ? 0 : qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), 255);
    }
  }
  return image;
}

QFont Font(int pixels, bool bold) {
  QFont font("WenQuanYi Zen Hei");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void Bubbles(QPainter &p, const QRect &area, int seed, int count, int maxRadius, int alpha) {
  p.save();
  p.setClipRect(area, Qt::IntersectClip);
  p.setPen(Qt::NoPen);
  unsigned s = unsigned(seed) * 2654435761u;
  auto next = [&s] {
    s = s * 1103515245u + 12345u;
    return (s >> 8) & 0xffff;
  };
  for (int i = 0; i < count; ++i) {
    const int r = 3 + int(next() % unsigned(maxRadius));
    const int x = area.left() + int(next() % unsigned(area.width()));
    const int y = area.top() + int(next() % unsigned(area.height()));
    p.setBrush(QColor(255, 255, 255, alpha));
    p.drawEllipse(QPoint(x, y), r, r);
  }
  p.restore();
}

void CloudShape(QPainter &p, QPointF at, double scale, int alpha) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, alpha));
  QPainterPath path;
  path.addRoundedRect(QRectF(at + QPointF(0, 6) * scale, QSizeF(30, 9) * scale), 4.5 * scale, 4.5 * scale);
  path.addEllipse(at + QPointF(11, 7) * scale, 7 * scale, 7 * scale);
  path.addEllipse(at + QPointF(20, 8) * scale, 5 * scale, 5 * scale);
  p.drawPath(path.simplified());
  p.restore();
}

void GreenHills(QPainter &p, const QRect &area) {
  p.save();
  p.setClipRect(area, Qt::IntersectClip);
  p.setPen(Qt::NoPen);
  QPainterPath back;
  back.moveTo(area.bottomLeft());
  back.cubicTo(area.left() + area.width() * 0.25, area.top(), area.left() + area.width() * 0.5,
               area.top() + area.height() * 0.9, area.left() + area.width() * 0.75, area.top() + area.height() * 0.3);
  back.quadTo(area.right() - area.width() * 0.1, area.top(), area.right() + 1, area.top() + area.height() * 0.4);
  back.lineTo(area.right() + 1, area.bottom() + 1);
  back.closeSubpath();
  p.setBrush(QColor(LeafLight.red(), LeafLight.green(), LeafLight.blue(), 170));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(area.left(), area.top() + area.height() * 0.7);
  front.quadTo(area.left() + area.width() * 0.35, area.top() + area.height() * 0.2, area.left() + area.width() * 0.7,
               area.top() + area.height() * 0.75);
  front.quadTo(area.right() - area.width() * 0.12, area.bottom(), area.right() + 1, area.top() + area.height() * 0.6);
  front.lineTo(area.right() + 1, area.bottom() + 1);
  front.lineTo(area.left(), area.bottom() + 1);
  front.closeSubpath();
  p.setBrush(QColor(Leaf.red(), Leaf.green(), Leaf.blue(), 150));
  p.drawPath(front);
  p.restore();
}

QImage WindowFrame(int w, int h, const TWindowLook &look) {
  QImage image = Canvas(w, h);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), look.Radius, look.Radius);
  QLinearGradient body(0, 0, 0, h);
  body.setColorAt(0, look.BodyTop);
  body.setColorAt(1, look.BodyBottom);
  p.fillPath(shape, body);
  p.save();
  p.setClipPath(shape);
  QLinearGradient title(0, 0, 0, look.TitleHeight);
  title.setColorAt(0, Sky.lighter(118));
  title.setColorAt(1, Sky);
  p.fillRect(QRect(0, 0, w, look.TitleHeight), title);
  // A thin green line under the title band, like grass under the sky.
  p.fillRect(QRect(0, look.TitleHeight, w, 2), Leaf);
  if (look.Clouds) {
    CloudShape(p, QPointF(w * 0.55, look.TitleHeight * 0.25), look.TitleHeight / 30.0, 70);
    CloudShape(p, QPointF(w * 0.78, look.TitleHeight * 0.45), look.TitleHeight / 40.0, 55);
    Bubbles(p, QRect(0, 0, w, look.TitleHeight), w + h, w / 40, 4, 40);
  }
  p.restore();
  p.setPen(QPen(SkyDark, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);
  return image;
}

void RoundPanel(QPainter &p, const QRect &r, const QColor &fill, const QColor &line, int radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(line, 1));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  p.restore();
}

void Triangle(QPainter &p, const QRectF &r, bool up, const QColor &color) {
  QPolygonF t;
  if (up)
    t << QPointF(r.center().x(), r.top()) << QPointF(r.right(), r.bottom()) << QPointF(r.left(), r.bottom());
  else
    t << QPointF(r.left(), r.top()) << QPointF(r.right(), r.top()) << QPointF(r.center().x(), r.bottom());
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(t);
}

void LeafBadge(QPainter &p, const QRectF &r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, std::max(1.0, r.width() / 16)));
  QRadialGradient g(r.center() - QPointF(r.width() / 6, r.height() / 6), r.width() / 1.4);
  g.setColorAt(0, SunLight);
  g.setColorAt(1, Sun);
  p.setBrush(g);
  p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
  QPainterPath leaf;
  const QPointF a(r.left() + r.width() * 0.28, r.bottom() - r.height() * 0.28);
  const QPointF b(r.right() - r.width() * 0.26, r.top() + r.height() * 0.26);
  leaf.moveTo(a);
  leaf.quadTo(QPointF(a.x(), b.y()), b);
  leaf.quadTo(QPointF(b.x(), a.y()), a);
  p.setPen(Qt::NoPen);
  p.setBrush(Leaf);
  p.drawPath(leaf);
  p.setPen(QPen(Qt::white, std::max(0.8, r.width() / 20)));
  p.drawLine(a, (a + b) / 2);
  p.restore();
}

void Text(QPainter &p, const QRect &r, const QString &text, const QFont &font, const QColor &color, int flags) {
  p.setFont(font);
  p.setPen(color);
  p.drawText(r, flags, text);
}
