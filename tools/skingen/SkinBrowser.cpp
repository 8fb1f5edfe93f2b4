// The pictures of the filtered browser: bars, tool buttons, tabs, small pieces, the blocking page.
#include "tools/skingen/SkinDraw.h"

#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <stdexcept>

namespace {

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
  const QString path = SkinPath("error.jpg");
  if (!image.save(path, "JPG", 90))
    throw std::runtime_error("cannot write error.jpg");
}

}  // namespace

void DrawBrowser() {
  BrowserBars();
  BrowserToolButtons();
  BrowserTabs();
  BrowserSmall();
  BlockingPicture();
}
