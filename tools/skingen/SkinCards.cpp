// The pictures of the yellow cards.
#include "tools/skingen/SkinDraw.h"

void DrawCards() {
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
