// The pictures of the application centre.
#include "tools/skingen/SkinDraw.h"

#include <QPainterPath>

namespace {

void NightSky(QPainter &p, const QRect &r, int seed) {
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, QColor(24, 118, 160));
  g.setColorAt(1, QColor(18, 78, 120));
  p.fillRect(r, g);
  Bubbles(p, r, seed, r.width() * r.height() / 1800, 12, 18);
}

}  // namespace

void DrawCentre() {
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
