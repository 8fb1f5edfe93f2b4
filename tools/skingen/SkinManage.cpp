// The pictures of the parental management window.
#include "tools/skingen/SkinDraw.h"

void DrawManage() {
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
