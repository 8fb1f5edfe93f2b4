#pragma once
// What every picture of the skin is drawn with: the palette, the output folder and the shared
// shapes (window frames, bubbles, clouds, hills, strips of button cells, the mascot badge).
// One look for the whole suite: sky blue and fresh green on white, rounded shapes, soft
// bubbles; the shaped windows have fully transparent corners that become holes. Each module
// draws its own pictures in a file of its own (Skin<Module>.cpp) with these.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRect>
#include <QString>

// The palette of the skin.
inline const QColor Sky(30, 185, 213);  // the tab strip's colour, the suite's main colour
inline const QColor SkyDark(18, 136, 168);
inline const QColor SkyLight(214, 242, 249);
inline const QColor SkyPale(240, 250, 253);
inline const QColor Leaf(117, 188, 42);  // the border colour of the spin edit
inline const QColor LeafLight(205, 236, 170);
inline const QColor Sun(255, 201, 51);
inline const QColor SunLight(255, 240, 190);
inline const QColor Coral(255, 122, 102);
inline const QColor CoralDark(222, 84, 66);
inline const QColor Ink(52, 74, 94);
inline const QColor Cloud(255, 255, 255);

// The folder the pictures go to, and the path of one picture in it.
void SetSkinFolder(const QString &folder);
QString SkinPath(const QString &name);

// A transparent canvas.
QImage Canvas(int w, int h);
// Writes image as name in the skin folder (its kind from the name); raises when it cannot.
void Save(const QImage &image, const QString &name);
// Shaped windows: every edge pixel is either fully transparent (a hole) or fully opaque, so no
// half-transparent fringe blends with the window's key colour.
QImage HardEdges(const QImage &source);
QFont Font(int pixels, bool bold = false);
// count white bubbles of up to maxRadius in area, placed by seed.
void Bubbles(QPainter &p, const QRect &area, int seed, int count, int maxRadius, int alpha);
// A little cloud made of circles, for title bands.
void CloudShape(QPainter &p, QPointF at, double scale, int alpha);
void GreenHills(QPainter &p, const QRect &area);

struct TWindowLook {
  int TitleHeight = 30;
  QColor BodyTop = SkyPale;
  QColor BodyBottom = Cloud;
  int Radius = 9;
  bool Clouds = true;
};

// The frame of a skinned window: a rounded card, sky-blue title band with clouds, light body,
// a darker outline. Returns the painter-ready image (soft edges; call HardEdges at the end).
QImage WindowFrame(int w, int h, const TWindowLook &look);
void RoundPanel(QPainter &p, const QRect &r, const QColor &fill, const QColor &line, int radius = 6);

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

void Triangle(QPainter &p, const QRectF &r, bool up, const QColor &color);
// The suite's little mascot sign: a green leaf in a sun-yellow circle.
void LeafBadge(QPainter &p, const QRectF &r);
void Text(QPainter &p, const QRect &r, const QString &text, const QFont &font, const QColor &color,
          int flags = Qt::AlignCenter);

// The pictures of each part of the suite, one file each.
void DrawButtons();  // shared pieces: push, system and spin buttons, logo, list header (SkinButtons.cpp)
void DrawManage();   // parental management (SkinManage.cpp)
void DrawCards();    // yellow cards (SkinCards.cpp)
void DrawCentre();   // application centre (SkinCentre.cpp)
void DrawViewer();   // learning-information viewer and its loading animation (SkinViewer.cpp)
void DrawBrowser();  // filtered browser (SkinBrowser.cpp)
