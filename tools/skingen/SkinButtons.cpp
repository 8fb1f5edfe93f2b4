// The pieces every window shares: push buttons, system buttons, spin buttons, the small logo
// and the list header.
#include "tools/skingen/SkinDraw.h"

#include <algorithm>

namespace {

// A pill button; state 0 normal, 1 mouse over (warm sunshine), 2 pressed.
void PillFace(QPainter &p, int w, int h, int state) {
  const QRectF r(0.5, 0.5, w - 1, h - 1);
  QLinearGradient g(0, 0, 0, h);
  QColor line;
  if (state == 0) {
    g.setColorAt(0, QColor(246, 253, 255));
    g.setColorAt(1, QColor(190, 233, 244));
    line = QColor(77, 184, 208);
  } else if (state == 1) {
    g.setColorAt(0, QColor(255, 251, 232));
    g.setColorAt(1, QColor(255, 222, 128));
    line = QColor(236, 170, 40);
  } else {
    g.setColorAt(0, QColor(160, 218, 234));
    g.setColorAt(1, QColor(205, 240, 248));
    line = SkyDark;
  }
  p.setPen(QPen(line, 1));
  p.setBrush(g);
  p.drawRoundedRect(r, h / 2.0 - 1, h / 2.0 - 1);
  if (state != 2) {  // a soft highlight on the upper half
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRoundedRect(QRectF(3, 2, w - 6, h / 2.0 - 2), h / 4.0, h / 4.0);
  }
}

// A small round system button; `glyph` draws the sign in white.
template <typename Glyph> QImage RoundSysStrip(int cellW, int cellH, const QColor &base, Glyph glyph) {
  return Strip(cellW, cellH, 3, [&](QPainter &p, int w, int h, int state) {
    const QColor fill = state == 0 ? base : state == 1 ? base.lighter(120) : base.darker(125);
    const double d = std::min(w, h) - 1;
    const QRectF circle((w - d) / 2.0, (h - d) / 2.0, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(circle);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    glyph(p, circle);
  });
}

void CrossGlyph(QPainter &p, const QRectF &c) {
  const double m = c.width() * 0.3;
  p.drawLine(QPointF(c.left() + m, c.top() + m), QPointF(c.right() - m, c.bottom() - m));
  p.drawLine(QPointF(c.right() - m, c.top() + m), QPointF(c.left() + m, c.bottom() - m));
}

void MinusGlyph(QPainter &p, const QRectF &c) {
  const double m = c.width() * 0.28;
  p.drawLine(QPointF(c.left() + m, c.center().y()), QPointF(c.right() - m, c.center().y()));
}

}  // namespace

void DrawButtons() {
  Save(Strip(42, 21, 3, PillFace), "btn42x21.png");
  Save(Strip(69, 21, 3, PillFace), "btn69x21.png");
  Save(Strip(88, 21, 3, PillFace), "btn88x21.png");
  Save(RoundSysStrip(11, 11, Coral, CrossGlyph), "sysclose.png");
  Save(RoundSysStrip(13, 11, Sun.darker(105), MinusGlyph), "sysmin.png");

  // Spin pictures: a rounded half each, with a small triangle.
  auto spin = [](bool up) {
    QImage image = Canvas(15, 10);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 10);
    g.setColorAt(0, up ? QColor(236, 249, 253) : QColor(200, 236, 246));
    g.setColorAt(1, up ? QColor(200, 236, 246) : QColor(236, 249, 253));
    p.setPen(QPen(QColor(120, 200, 220), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 14, 9), 3, 3);
    Triangle(p, QRectF(4, up ? 3 : 3.5, 7, 3.5), up, SkyDark);
    return image;
  };
  Save(spin(true), "UP.png");
  Save(spin(false), "DOWN.png");

  QImage logo = Canvas(16, 16);
  {
    QPainter p(&logo);
    LeafBadge(p, QRectF(0, 0, 16, 16));
  }
  Save(logo, "logo16.png");

  QImage header = Canvas(200, 22);
  {
    QPainter p(&header);
    QLinearGradient g(0, 0, 0, 22);
    g.setColorAt(0, QColor(250, 254, 255));
    g.setColorAt(1, SkyLight);
    p.fillRect(header.rect(), g);
    p.fillRect(QRect(0, 21, 200, 1), QColor(150, 212, 228));
    p.fillRect(QRect(199, 4, 1, 14), QColor(150, 212, 228));
  }
  Save(header, "list_header.png");
}
