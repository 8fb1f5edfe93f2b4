// The pictures of the learning-information viewer and its loading animation.
#include "tools/skingen/SkinDraw.h"

#include <QFile>

#include <cmath>
#include <gif_lib.h>
#include <stdexcept>
#include <vector>

namespace {

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

  const QString path = SkinPath("loading.gif");
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

}  // namespace

void DrawViewer() {
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
  WriteLoadingGif();
}
