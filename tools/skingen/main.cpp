// Draws every picture of the skin into a folder (default: assets/skin of the source tree).
// One look for the whole suite: sky blue and fresh green on white, rounded shapes, soft
// bubbles; the shaped windows have fully transparent corners that become holes.
//
//   pemblo_skingen <output folder>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <gif_lib.h>
#include <stdexcept>
#include <vector>

namespace {

// The palette of the skin.
const QColor Sky(30, 185, 213);  // the tab strip's colour, the suite's main colour
const QColor SkyDark(18, 136, 168);
const QColor SkyLight(214, 242, 249);
const QColor SkyPale(240, 250, 253);
const QColor Leaf(117, 188, 42);  // the border colour of the spin edit
const QColor LeafLight(205, 236, 170);
const QColor Sun(255, 201, 51);
const QColor SunLight(255, 240, 190);
const QColor Coral(255, 122, 102);
const QColor CoralDark(222, 84, 66);
const QColor Ink(52, 74, 94);
const QColor Cloud(255, 255, 255);

QString OutDir;

QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Save(const QImage &image, const QString &name) {
  const QString path = OutDir + "/" + name;
  if (!image.save(path))
    throw std::runtime_error("cannot write " + path.toStdString());
}

// Shaped windows: every edge pixel is either fully transparent (a hole) or fully opaque, so no
// half-transparent fringe blends with the window's key colour.
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

QFont Font(int pixels, bool bold = false) {
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

// A little cloud made of circles, for title bands.
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

struct TWindowLook {
  int TitleHeight = 30;
  QColor BodyTop = SkyPale;
  QColor BodyBottom = Cloud;
  int Radius = 9;
  bool Clouds = true;
};

// The frame of a skinned window: a rounded card, sky-blue title band with clouds, light body,
// a darker outline. Returns the painter-ready image (soft edges; call HardEdges at the end).
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

void RoundPanel(QPainter &p, const QRect &r, const QColor &fill, const QColor &line, int radius = 6) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(line, 1));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  p.restore();
}

// Three cells side by side: normal, mouse over, pressed. `face` draws one cell.
template <typename Face> QImage Strip(int cellW, int cellH, int cells, Face face) {
  QImage image = Canvas(cellW * cells, cellH);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < cells; ++i) {
    p.save();
    p.translate(cellW * i, 0);
    p.setClipRect(0, 0, cellW, cellH);
    face(p, cellW, cellH, i);
    p.restore();
  }
  return image;
}

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

// The suite's little mascot sign: a green leaf in a sun-yellow circle.
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

void Text(QPainter &p, const QRect &r, const QString &text, const QFont &font, const QColor &color,
          int flags = Qt::AlignCenter) {
  p.setFont(font);
  p.setPen(color);
  p.drawText(r, flags, text);
}

// ---- shared pieces -------------------------------------------------------------------------

void Buttons() {
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

// ---- parental management -------------------------------------------------------------------

void Manage() {
  TWindowLook look;
  look.TitleHeight = 28;
  QImage image = WindowFrame(468, 326, look);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A banner between the title and the content: hills under a clear sky.
    GreenHills(p, QRect(1, 30, 466, 33));
    // The section column left of the content area.
    RoundPanel(p, QRect(4, 66, 102, 256), QColor(255, 255, 255, 235), QColor(170, 220, 232), 7);
    p.setPen(QPen(QColor(170, 220, 232), 1, Qt::DotLine));
    for (int i = 1; i < 3; ++i)
      p.drawLine(12, 86 + 22 * i, 98, 86 + 22 * i);
    LeafBadge(p, QRectF(35, 272, 40, 40));
    // The frame around the content area (111, 65; 330 x 234).
    RoundPanel(p, QRect(108, 62, 336, 240), Qt::white, QColor(170, 220, 232), 6);
  }
  Save(HardEdges(image), "manage_bg.png");

  // The add dialogs of programs and web sites: white labels on a blue body.
  TWindowLook dialog;
  dialog.TitleHeight = 34;
  dialog.BodyTop = Sky.darker(104);
  dialog.BodyBottom = SkyDark;
  QImage add = WindowFrame(651, 296, dialog);
  {
    QPainter p(&add);
    p.setRenderHint(QPainter::Antialiasing);
    Bubbles(p, QRect(0, 36, 651, 260), 7, 26, 10, 28);
    // Under the time grid (8, 116; 635 x 140).
    RoundPanel(p, QRect(5, 112, 641, 148), QColor(255, 255, 255, 60), QColor(255, 255, 255, 120), 8);
  }
  Save(HardEdges(add), "add_dialog_bg.png");
}

// ---- yellow cards ---------------------------------------------------------------------------

void Cards() {
  // The card menu: two rows of 113 x 29, white text.
  QImage menu = Canvas(113, 58);
  {
    QPainter p(&menu);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 58);
    g.setColorAt(0, Sky.lighter(110));
    g.setColorAt(1, SkyDark);
    p.setPen(QPen(SkyDark.darker(120), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 112, 57), 6, 6);
  }
  Save(HardEdges(menu), "cardmenu_bg.png");
  Save(Strip(113, 29, 3,
             [](QPainter &p, int w, int h, int state) {
               if (state == 0)
                 return;  // the menu's background shows
               QLinearGradient g(0, 0, 0, h);
               g.setColorAt(0, state == 1 ? QColor(255, 214, 92) : QColor(236, 170, 40));
               g.setColorAt(1, state == 1 ? QColor(245, 176, 44) : QColor(255, 206, 80));
               p.setPen(Qt::NoPen);
               p.setBrush(g);
               p.drawRoundedRect(QRectF(2, 2, w - 4, h - 4), 5, 5);
             }),
       "cardmenu_btn.png");
  auto icon = [](bool look) {
    QImage image = Canvas(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (look) {  // a magnifier over a card
      p.setPen(QPen(Qt::white, 1.6));
      p.setBrush(QColor(255, 201, 51, 200));
      p.drawEllipse(QRectF(1, 1, 7, 7));
      p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(7.5, 7.5), QPointF(10.5, 10.5));
    } else {  // a yellow card with a back arrow
      p.setPen(QPen(Qt::white, 1));
      p.setBrush(Sun);
      p.drawRoundedRect(QRectF(2.5, 0.5, 7, 11), 1.5, 1.5);
      p.setPen(QPen(CoralDark, 1.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(8, 8));
      p.drawLine(QPointF(8, 4), QPointF(4, 8));
    }
    return image;
  };
  Save(icon(true), "cardmenu_look.png");
  Save(icon(false), "cardmenu_cancel.png");

  TWindowLook look;
  look.TitleHeight = 30;
  QImage history = WindowFrame(560, 349, look);
  {
    QPainter p(&history);
    RoundPanel(p, QRect(2, 36, 556, 270), Qt::white, QColor(170, 220, 232), 5);
    GreenHills(p, QRect(1, 318, 558, 30));
  }
  Save(HardEdges(history), "history_bg.png");

  QImage cancel = WindowFrame(323, 263, look);
  {
    QPainter p(&cancel);
    p.setRenderHint(QPainter::Antialiasing);
    // The row of the number and the cards, then the reason.
    RoundPanel(p, QRect(8, 38, 307, 54), QColor(255, 248, 220), QColor(245, 206, 120), 7);
    RoundPanel(p, QRect(8, 98, 307, 150), Qt::white, QColor(170, 220, 232), 7);
  }
  Save(HardEdges(cancel), "cancel_bg.png");

  QImage records = WindowFrame(404, 263, look);
  {
    QPainter p(&records);
    RoundPanel(p, QRect(2, 36, 400, 190), Qt::white, QColor(170, 220, 232), 5);
    GreenHills(p, QRect(1, 236, 402, 26));
  }
  Save(HardEdges(records), "cancelrecord_bg.png");

  auto arrow = [](bool up) {
    QImage image = Canvas(13, 7);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Triangle(p, QRectF(1, 0.5, 11, 6), up, SkyDark);
    return image;
  };
  Save(arrow(true), "arrow_up.png");
  Save(arrow(false), "arrow_down.png");

  auto cell = [](bool filled) {
    QImage image = Canvas(17, 7);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(filled ? QColor(226, 160, 20) : QColor(200, 210, 218), 1));
    p.setBrush(filled ? Sun : QColor(240, 244, 247));
    p.drawRoundedRect(QRectF(0.5, 0.5, 16, 6), 2.5, 2.5);
    return image;
  };
  Save(cell(false), "card_bg.png");
  Save(cell(true), "card_fg.png");
}

// ---- application centre ---------------------------------------------------------------------

void NightSky(QPainter &p, const QRect &r, int seed) {
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, QColor(24, 118, 160));
  g.setColorAt(1, QColor(18, 78, 120));
  p.fillRect(r, g);
  Bubbles(p, r, seed, r.width() * r.height() / 1800, 12, 18);
}

void Centre() {
  QImage box(154, 449, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&box);
    p.setRenderHint(QPainter::Antialiasing);
    NightSky(p, box.rect(), 3);
    GreenHills(p, QRect(0, 400, 154, 49));
  }
  Save(box, "box_bg.png");

  QImage expand = Canvas(329, 469);
  {
    QPainter p(&expand);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(12.5, 0.5, 316, 468), 10, 10);
    p.save();
    p.setClipPath(body);
    NightSky(p, expand.rect(), 5);
    GreenHills(p, QRect(12, 440, 317, 29));
    p.restore();
    p.setPen(QPen(QColor(12, 60, 96), 1));
    p.drawPath(body);
    // The close tab on the left edge (2, 208; 10 x 24) is a picture of its own; its socket:
    RoundPanel(p, QRect(0, 204, 16, 32), QColor(18, 78, 120), QColor(12, 60, 96), 4);
  }
  Save(HardEdges(expand), "expand_bg.png");

  QImage closeTab = Canvas(10, 24);
  {
    QPainter p(&closeTab);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Coral);
    p.drawRoundedRect(QRectF(0, 0, 10, 24), 4, 4);
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 8), QPointF(3.5, 12));
    p.drawLine(QPointF(3.5, 12), QPointF(6.5, 16));
  }
  Save(closeTab, "expand_close.png");

  auto pagerArrow = [](bool left) {
    QImage image = Canvas(7, 13);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF t;
    if (left)
      t << QPointF(1, 6.5) << QPointF(6, 2) << QPointF(6, 11);
    else
      t << QPointF(6, 6.5) << QPointF(1, 2) << QPointF(1, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(Sun);
    p.drawPolygon(t);
    return image;
  };
  Save(pagerArrow(true), "pager_up.png");
  Save(pagerArrow(false), "pager_down.png");
  QImage current = Canvas(13, 13);
  {
    QPainter p(&current);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(255, 201, 51, 150));
    p.drawEllipse(QRectF(0.5, 0.5, 12, 12));
  }
  Save(current, "pager_cur.png");
  auto pagerBg = [](int w) {
    QImage image(w, 13, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(QRect(0, 5, w, 3), QColor(255, 255, 255, 40));
    return image;
  };
  Save(pagerBg(4), "pager_bg.png");
  Save(pagerBg(188), "pager_bg_expand.png");

  TWindowLook look;
  look.TitleHeight = 46;
  QImage input = WindowFrame(330, 198, look);
  Save(HardEdges(input), "inputurl_bg.png");
}

// ---- learning-information viewer -------------------------------------------------------------

void Viewer() {
  TWindowLook look;
  look.TitleHeight = 38;
  QImage image = WindowFrame(530, 367, look);
  Save(HardEdges(image), "external_bg.png");

  QImage title = Canvas(106, 23);
  {
    QPainter p(&title);
    p.setRenderHint(QPainter::Antialiasing);
    LeafBadge(p, QRectF(0, 1, 21, 21));
    Text(p, QRect(24, 0, 82, 23), QStringLiteral("学习资讯"), Font(16, true), Qt::white,
         Qt::AlignLeft | Qt::AlignVCenter);
  }
  Save(title, "external_title.png");
}

// The loading animation: three dots hopping in turn over a transparent background.
void WriteLoadingGif() {
  constexpr int W = 84, H = 49, Frames = 8;
  // Colour 0 is transparent; the others are shades the frames use.
  const std::vector<QColor> colours = {Qt::white,
                                       Sky,
                                       SkyDark,
                                       Leaf,
                                       Sun,
                                       QColor(255, 160, 140),
                                       SkyLight,
                                       Ink,
                                       LeafLight,
                                       SunLight,
                                       Coral,
                                       QColor(150, 212, 228),
                                       QColor(90, 170, 200),
                                       QColor(190, 225, 130),
                                       QColor(255, 220, 120),
                                       QColor(240, 240, 240)};
  std::vector<QImage> frames;
  for (int f = 0; f < Frames; ++f) {
    QImage image = Canvas(W, H);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor dots[3] = {Sky, Leaf, Sun};
    for (int i = 0; i < 3; ++i) {
      const double phase = (f - i * 2 + Frames) % Frames;
      const double hop = phase < 4 ? std::sin(phase / 4.0 * M_PI) * 9 : 0;
      p.setPen(Qt::NoPen);
      p.setBrush(dots[i]);
      p.drawEllipse(QPointF(24 + i * 18, 22 - hop), 6, 6);
    }
    Text(p, QRect(0, 32, W, 16), QStringLiteral("加载中…"), Font(12), Ink);
    frames.push_back(image);
  }

  const QString path = OutDir + "/loading.gif";
  int error = 0;
  GifFileType *gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
  if (!gif)
    throw std::runtime_error("cannot write loading.gif");
  GifColorType table[16];
  table[0] = {255, 255, 255};
  for (int i = 1; i < 16; ++i)
    table[i] = {GifByteType(colours[size_t(i - 1)].red()), GifByteType(colours[size_t(i - 1)].green()),
                GifByteType(colours[size_t(i - 1)].blue())};
  ColorMapObject *map = GifMakeMapObject(16, table);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, W, H, 4, 0, map);
  // Loop for ever.
  const unsigned char netscape[] = "NETSCAPE2.0";
  const unsigned char loop[] = {1, 0, 0};
  EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
  EGifPutExtensionBlock(gif, 11, netscape);
  EGifPutExtensionBlock(gif, 3, loop);
  EGifPutExtensionTrailer(gif);
  std::vector<GifPixelType> line(W);
  for (const QImage &frame : frames) {
    GraphicsControlBlock gcb{DISPOSE_BACKGROUND, false, 12, 0};
    GifByteType ext[4];
    const size_t len = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext);
    EGifPutImageDesc(gif, 0, 0, W, H, false, nullptr);
    const QImage straight = frame.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y) {
      const auto *px = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
      for (int x = 0; x < W; ++x) {
        if (qAlpha(px[x]) < 128) {
          line[size_t(x)] = 0;
          continue;
        }
        int best = 1, bestDist = 1 << 30;
        for (int i = 1; i < 16; ++i) {
          const int dr = qRed(px[x]) - table[i].Red, dg = qGreen(px[x]) - table[i].Green,
                    db = qBlue(px[x]) - table[i].Blue;
          const int dist = dr * dr + dg * dg + db * db;
          if (dist < bestDist)
            bestDist = dist, best = i;
        }
        line[size_t(x)] = GifPixelType(best);
      }
      EGifPutLine(gif, line.data(), W);
    }
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK)
    throw std::runtime_error("cannot finish loading.gif");
  // giflib creates the file readable by its owner only.
  QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

// ---- filtered browser -----------------------------------------------------------------------

void BrowserBars() {
  QImage title(100, 28, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&title);
    QLinearGradient g(0, 0, 0, 28);
    g.setColorAt(0, Sky.lighter(125));
    g.setColorAt(1, Sky.lighter(108));
    p.fillRect(title.rect(), g);
  }
  Save(title, "titlebar_bg.png");

  // The tool-bar row ends in the tab strip's colour, where the tabs sit.
  QImage tool(100, 106, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&tool);
    QLinearGradient g(0, 0, 0, 106);
    g.setColorAt(0, Sky.lighter(108));
    g.setColorAt(0.7, Sky);
    g.setColorAt(1, Sky);
    p.fillRect(tool.rect(), g);
  }
  Save(tool, "toolbar_bg.png");

  QImage status(100, 27, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&status);
    QLinearGradient g(0, 0, 0, 27);
    g.setColorAt(0, SkyLight);
    g.setColorAt(1, QColor(190, 232, 243));
    p.fillRect(status.rect(), g);
    p.fillRect(QRect(0, 0, 100, 1), QColor(150, 212, 228));
  }
  Save(status, "statusbar_bg.png");

  QImage logo = Canvas(120, 58);
  {
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    LeafBadge(p, QRectF(2, 9, 40, 40));
    Text(p, QRect(46, 8, 74, 24), QStringLiteral("Sunvale"), Font(17, true), Qt::white,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRect(46, 30, 74, 20), QStringLiteral("绿色浏览器"), Font(13), Qt::white, Qt::AlignLeft | Qt::AlignVCenter);
  }
  Save(logo, "browser_logo.png");
}

// Icons of the six tool-bar buttons, each normal, mouse over, disabled: picture index
// 3 * button + state.
void BrowserToolButtons() {
  constexpr int S = 32;
  QImage strip = Canvas(S * 18, S);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing);
  for (int button = 0; button < 6; ++button) {
    for (int state = 0; state < 3; ++state) {
      p.save();
      p.translate((button * 3 + state) * S, 0);
      const QColor disc = state == 0 ? Qt::white : state == 1 ? SunLight : QColor(225, 232, 236);
      const QColor sign = state == 2                   ? QColor(160, 175, 185)
                          : button == 4 || button == 5 ? QColor(236, 160, 20)
                                                       : SkyDark;
      p.setPen(QPen(state == 1 ? Sun : QColor(255, 255, 255, 200), 2));
      p.setBrush(disc);
      p.drawEllipse(QRectF(2, 2, S - 4, S - 4));
      p.setPen(QPen(sign, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      const QPointF c(S / 2.0, S / 2.0);
      switch (button) {
      case 0:    // back
      case 1: {  // forward
        const double d = button == 0 ? -1 : 1;
        p.drawLine(c + QPointF(-7 * d, 0), c + QPointF(7 * d, 0));
        p.drawLine(c + QPointF(7 * d, 0), c + QPointF(1 * d, -6));
        p.drawLine(c + QPointF(7 * d, 0), c + QPointF(1 * d, 6));
        break;
      }
      case 2:  // refresh
        p.drawArc(QRectF(c.x() - 8, c.y() - 8, 16, 16), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(sign);
        p.drawPolygon(QPolygonF({c + QPointF(3, -12), c + QPointF(9, -7), c + QPointF(2, -4)}));
        break;
      case 3: {  // home
        QPolygonF roof({c + QPointF(-9, 0), c + QPointF(0, -9), c + QPointF(9, 0)});
        p.drawPolyline(roof);
        p.drawRect(QRectF(c.x() - 6, c.y(), 12, 8));
        break;
      }
      case 4:    // favorites: a star
      case 5: {  // add a favorite: a star with a plus
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
          const double r = i % 2 ? 4.2 : 9.5, a = -M_PI / 2 + i * M_PI / 5;
          star << c + QPointF(r * std::cos(a), r * std::sin(a) + 1);
        }
        p.setPen(QPen(sign, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(state == 2 ? QColor(200, 208, 214) : Sun);
        p.drawPolygon(star);
        if (button == 5) {
          p.setPen(QPen(state == 2 ? QColor(160, 175, 185) : Leaf, 2.6, Qt::SolidLine, Qt::RoundCap));
          p.drawLine(c + QPointF(6, 7), c + QPointF(12, 7));
          p.drawLine(c + QPointF(9, 4), c + QPointF(9, 10));
        }
        break;
      }
      }
      p.restore();
    }
  }
  p.end();
  Save(strip, "toolbar_buttons.png");

  // System buttons of the title bar: minimise, maximise, restore, close; each normal and mouse
  // over, so the maximise button's pictures while maximised are 4 and 5.
  constexpr int BW = 26, BH = 22;
  QImage sys = Canvas(BW * 8, BH);
  QPainter q(&sys);
  q.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 8; ++i) {
    const int kind = i / 2;
    const bool over = i % 2;
    q.save();
    q.translate(i * BW, 0);
    if (over) {
      q.setPen(Qt::NoPen);
      q.setBrush(kind == 3 ? Coral : QColor(255, 255, 255, 90));
      q.drawRoundedRect(QRectF(2, 2, BW - 4, BH - 4), 6, 6);
    }
    q.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    q.setBrush(Qt::NoBrush);
    const QPointF c(BW / 2.0, BH / 2.0);
    if (kind == 0)
      q.drawLine(c + QPointF(-5, 4), c + QPointF(5, 4));
    else if (kind == 1)
      q.drawRoundedRect(QRectF(c.x() - 5, c.y() - 5, 10, 10), 2, 2);
    else if (kind == 2) {
      q.drawRoundedRect(QRectF(c.x() - 5, c.y() - 2, 8, 8), 2, 2);
      q.drawPolyline(QPolygonF(
          {c + QPointF(-2, -2), c + QPointF(-2, -5), c + QPointF(6, -5), c + QPointF(6, 3), c + QPointF(3, 3)}));
    } else {
      q.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
      q.drawLine(c + QPointF(5, -5), c + QPointF(-5, 5));
    }
    q.restore();
  }
  q.end();
  Save(sys, "sysbuttons.png");
}

void BrowserTabs() {
  auto tab = [](bool current) {
    QImage image = Canvas(150, 30);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(0, 30);
    path.cubicTo(5, 30, 4, 3, 12, 3);
    path.lineTo(138, 3);
    path.cubicTo(146, 3, 145, 30, 150, 30);
    path.closeSubpath();
    QLinearGradient g(0, 3, 0, 30);
    g.setColorAt(0, current ? Qt::white : QColor(205, 238, 246));
    g.setColorAt(1, current ? SkyPale : QColor(170, 222, 236));
    p.setPen(QPen(current ? QColor(255, 255, 255) : QColor(140, 205, 222), 1));
    p.setBrush(g);
    p.drawPath(path);
    return image;
  };
  Save(tab(true), "TABBG.png");
  Save(tab(false), "TABUNBG.png");

  auto closeTab = [](bool over) {
    QImage image = Canvas(14, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(over ? Coral : QColor(200, 220, 228));
    p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
    return image;
  };
  Save(closeTab(false), "C4.png");
  Save(closeTab(true), "C3.png");

  auto addTab = [](bool over) {
    QImage image = Canvas(28, 22);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.setBrush(over ? SunLight : QColor(255, 255, 255, 90));
    p.drawRoundedRect(QRectF(0.5, 2.5, 27, 18), 8, 8);
    p.setPen(QPen(over ? QColor(236, 160, 20) : Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 7), QPointF(14, 16));
    p.drawLine(QPointF(9.5, 11.5), QPointF(18.5, 11.5));
    return image;
  };
  Save(addTab(false), "ADDTABBG.png");
  Save(addTab(true), "ADDTABMBG.png");
}

void BrowserSmall() {
  // The three link icons of the information bar: the web guide, questions, the community.
  for (int i = 0; i < 3; ++i) {
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill[3] = {Leaf, Sun, Coral};
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(fill[i]);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (i == 0) {  // a little globe
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QRectF(5, 3.5, 6, 9));
      p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
    } else if (i == 1) {  // a question mark
      Text(p, QRect(0, 0, 16, 16), "?", Font(12, true), Qt::white);
    } else {  // a speech bubble
      p.setBrush(Qt::white);
      p.setPen(Qt::NoPen);
      p.drawRoundedRect(QRectF(4, 4.5, 8, 5.5), 2, 2);
      p.drawPolygon(QPolygonF({QPointF(6, 9.5), QPointF(6, 12), QPointF(8.5, 9.5)}));
    }
    p.end();
    Save(image, QString("BITMAP_%1.png").arg(i));
  }

  QImage drop = Canvas(17, 20);
  {
    QPainter p(&drop);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 20);
    g.setColorAt(0, QColor(246, 253, 255));
    g.setColorAt(1, QColor(200, 236, 246));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 17, 20), 3, 3);
    Triangle(p, QRectF(4.5, 8, 8, 4.5), false, SkyDark);
  }
  Save(drop, "address_dropdown.png");

  QImage go = Canvas(32, 24);
  {
    QPainter p(&go);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Leaf);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 21), 8, 8);
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(9, 12), QPointF(22, 12));
    p.drawLine(QPointF(22, 12), QPointF(17, 7));
    p.drawLine(QPointF(22, 12), QPointF(17, 17));
  }
  Save(go, "go.png");

  // The favorites tree: closed folder, open folder, favorite.
  QImage favs = Canvas(48, 16);
  {
    QPainter p(&favs);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
      p.save();
      p.translate(i * 16, 0);
      p.setPen(QPen(QColor(226, 160, 20), 1));
      p.setBrush(Sun);
      p.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1);
      if (i == 0)
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
      else
        p.drawPolygon(QPolygonF({QPointF(1.5, 13.5), QPointF(4, 6.5), QPointF(15, 6.5), QPointF(12.5, 13.5)}));
      p.restore();
    }
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
      const double r = i % 2 ? 3 : 7, a = -M_PI / 2 + i * M_PI / 5;
      star << QPointF(40 + r * std::cos(a), 8.5 + r * std::sin(a));
    }
    p.setPen(QPen(QColor(226, 160, 20), 1));
    p.setBrush(Sun);
    p.drawPolygon(star);
  }
  Save(favs, "favs.png");
}

// The picture of the blocking page (423 x 214).
void BlockingPicture() {
  QImage image(423, 214, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 214);
  sky.setColorAt(0, SkyLight);
  sky.setColorAt(1, Qt::white);
  p.fillRect(image.rect(), sky);
  CloudShape(p, QPointF(300, 22), 1.6, 230);
  CloudShape(p, QPointF(40, 30), 1.1, 200);
  GreenHills(p, QRect(0, 160, 423, 54));
  // A shield with a leaf: this page is kept away.
  QPainterPath shield;
  shield.moveTo(85, 50);
  shield.quadTo(115, 48, 130, 38);
  shield.quadTo(145, 48, 175, 50);
  shield.quadTo(178, 120, 130, 150);
  shield.quadTo(82, 120, 85, 50);
  QLinearGradient g(0, 38, 0, 150);
  g.setColorAt(0, Sky.lighter(115));
  g.setColorAt(1, SkyDark);
  p.setPen(QPen(Qt::white, 4));
  p.setBrush(g);
  p.drawPath(shield);
  LeafBadge(p, QRectF(110, 70, 40, 40));
  Text(p, QRect(190, 58, 225, 30), QStringLiteral("这个网页不适合浏览"), Font(21, true), SkyDark,
       Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRect(190, 92, 225, 44), QStringLiteral("Sunvale绿色浏览器已为你挡住了它，\n去看看别的有趣内容吧！"),
       Font(13), Ink, Qt::AlignLeft | Qt::AlignVCenter);
  p.end();
  const QString path = OutDir + "/error.jpg";
  if (!image.save(path, "JPG", 90))
    throw std::runtime_error("cannot write error.jpg");
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: pemblo_skingen <output folder>\n");
    return 2;
  }
  OutDir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(OutDir);
  try {
    Buttons();
    Manage();
    Cards();
    Centre();
    Viewer();
    WriteLoadingGif();
    BrowserBars();
    BrowserToolButtons();
    BrowserTabs();
    BrowserSmall();
    BlockingPicture();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
