#include "platform/pictures/Picture.h"
#include "platform/pictures/GifPlayer.h"
#include "tests/support/TestFolders.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <QtEndian>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString Write(const std::filesystem::path &folder, const QString &name, const QByteArray &bytes) {
  const QString path = QString::fromStdString((folder / name.toStdString()).string());
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

QRgb Straight(const QImage &image, int x, int y) { return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y); }

// A 3 x 2 PNG with opaque, half-transparent and fully transparent pixels.
QByteArray AlphaPng() {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(255, 0, 0, 255));
  image.setPixel(1, 0, qRgba(0, 255, 0, 128));
  image.setPixel(2, 0, qRgba(0, 0, 255, 0));
  image.setPixel(0, 1, qRgba(10, 20, 30, 255));
  image.setPixel(1, 1, qRgba(255, 255, 255, 64));
  image.setPixel(2, 1, qRgba(128, 0, 0, 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// A picture of the given size saved by Qt in the given format.
QByteArray Saved(int width, int height, const char *format) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

quint32 Crc32(const QByteArray &bytes) {
  quint32 crc = 0xFFFFFFFF;
  for (const char byte : bytes) {
    crc ^= quint8(byte);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// A PNG of a few dozen bytes whose header declares width x height RGBA pixels; no pixel data.
QByteArray PngHeaderOnly(quint32 width, quint32 height) {
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  auto chunk = [&](const QByteArray &type, const QByteArray &body) {
    QByteArray length(4, '\0');
    qToBigEndian(quint32(body.size()), length.data());
    QByteArray crc(4, '\0');
    qToBigEndian(Crc32(type + body), crc.data());
    png += length + type + body + crc;
  };
  QByteArray ihdr(13, '\0');
  qToBigEndian(width, ihdr.data());
  qToBigEndian(height, ihdr.data() + 4);
  ihdr[8] = 8;  // bits a sample
  ihdr[9] = 6;  // RGBA
  chunk("IHDR", ihdr);
  chunk("IEND", {});
  return png;
}

struct TGifFrameSpec {
  int Left, Top, Width, Height;
  std::vector<GifPixelType> Pixels;
  int DelayCs;
  int Disposal;
};

// Writes an animated GIF with giflib: 4 x 2 screen unless told, colours 0 transparent-capable red,
// 1 green, 2 blue, 3 white; colour 0 is the transparent index of every frame.
QByteArray MakeGif(const std::vector<TGifFrameSpec> &frames, QSize screen = {4, 2}) {
  const QString path = QDir::temp().filePath("pemblo_controls_test.gif");
  int error = 0;
  GifFileType *gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
  EXPECT_NE(gif, nullptr);
  GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  ColorMapObject *map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screen.width(), screen.height(), 2, 0, map);
  for (const auto &f : frames) {
    GraphicsControlBlock gcb{f.Disposal, false, f.DelayCs, 0};
    GifByteType ext[4];
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&gcb, ext)), ext);
    EGifPutImageDesc(gif, f.Left, f.Top, f.Width, f.Height, false, nullptr);
    std::vector<GifPixelType> pixels = f.Pixels;
    for (int y = 0; y < f.Height; ++y)
      EGifPutLine(gif, pixels.data() + y * f.Width, f.Width);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  const QByteArray bytes = file.readAll();
  file.remove();
  return bytes;
}

}  // namespace

TEST(Pictures, PngKeepsEveryAlphaValue) {
  const TPicture picture = TPicture::FromData(AlphaPng(), "alpha.png");
  ASSERT_EQ(picture.Width(), 3);
  ASSERT_EQ(picture.Height(), 2);
  const QImage &image = picture.Image();
  EXPECT_EQ(Straight(image, 0, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(qAlpha(Straight(image, 1, 0)), 128);
  EXPECT_NEAR(qGreen(Straight(image, 1, 0)), 255, 2);
  EXPECT_EQ(qAlpha(Straight(image, 2, 0)), 0);
  EXPECT_EQ(Straight(image, 0, 1), qRgba(10, 20, 30, 255));
  EXPECT_EQ(qAlpha(Straight(image, 1, 1)), 64);
  EXPECT_EQ(Straight(image, 2, 1), qRgba(128, 0, 0, 255));
}

TEST(Pictures, GifFramesAreComposedWithTheirDelays) {
  // Frame 1 paints the whole screen; frame 2 covers only the right half, leaving a
  // transparent pixel that shows frame 1, then clears its area; frame 3 sees that cleared.
  const QByteArray gif = MakeGif({
      {0, 0, 4, 2, {1, 1, 1, 1, 3, 3, 3, 3}, 10, DISPOSE_DO_NOT},
      {2, 0, 2, 2, {2, 0, 2, 2}, 50, DISPOSE_BACKGROUND},
      {0, 0, 1, 1, {2}, 0, DISPOSE_DO_NOT},
  });
  const TGifAnimation animation = TGifAnimation::FromData(gif, "anim.gif");
  ASSERT_EQ(animation.Frames().size(), 3u);
  EXPECT_EQ(animation.Width(), 4);
  EXPECT_EQ(animation.Height(), 2);

  struct TCase {
    size_t Frame;
    int X, Y;
    QRgb Expected;
  };
  const QRgb green = qRgba(0, 255, 0, 255), blue = qRgba(0, 0, 255, 255), white = qRgba(255, 255, 255, 255);
  const TCase cases[] = {
      {0, 0, 0, green},
      {0, 3, 1, white},
      {1, 1, 0, green},
      {1, 2, 0, blue},
      {1, 3, 0, green} /* transparent index keeps frame 1 */,
      {1, 3, 1, blue},
      {2, 0, 0, blue},
      {2, 1, 1, white},
      {2, 2, 0, 0} /* cleared by the disposal */,
      {2, 3, 1, 0},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Straight(animation.Frames()[c.Frame].Image, c.X, c.Y), c.Expected)
        << "frame " << c.Frame << " at " << c.X << "," << c.Y;
  EXPECT_EQ(animation.Frames()[0].DelayMs, 100);
  EXPECT_EQ(animation.Frames()[1].DelayMs, 500);
  EXPECT_EQ(animation.Frames()[2].DelayMs, 0);

  // A GIF loaded as a still picture is its first frame.
  TTestFolders folders;
  const TPicture still = TPicture::FromFile(Write(folders.Root(), "anim.gif", gif));
  EXPECT_EQ(still.Image(), animation.Frames()[0].Image);
}

TEST(Pictures, FilesThatCannotBeReadRaiseAnErrorNamingThem) {
  TTestFolders folders;
  const QByteArray png = AlphaPng();
  struct TCase {
    QString Name;
    QByteArray Bytes;
    QString Message;
  };
  const TCase cases[] = {
      {"cut.png", png.left(png.size() / 2), "无法解码图片文件:"},
      {"notpng.png", "not a picture at all", "无法解码图片文件:"},
      {"broken.gif", QByteArray("GIF89a\x04\x00\x02\x00", 10), "无法解码图片文件:"},
      {"broken.bmp", "BM garbage", "无法解码图片文件:"},
      {"broken.ico", QByteArray(6, '\0'), "无法解码图片文件:"},
      {"drawing.wmf", "\xd7\xcd\xc6\x9a", "不支持的图片格式:"},
      // Pictures larger than 4096 pixels a side are refused before their pixels are allocated.
      {"huge.png", PngHeaderOnly(16000, 16000), "无法解码图片文件:"},
      {"wide.png", Saved(4097, 1, "PNG"), "无法解码图片文件:"},
      {"tall.bmp", Saved(1, 4097, "BMP"), "无法解码图片文件:"},
      {"wide.tif", Saved(4097, 1, "TIFF"), "无法解码图片文件:"},
      {"wide.gif", MakeGif({{0, 0, 1, 1, {1}, 10, 0}}, {4097, 1}), "无法解码图片文件:"},
  };
  for (const auto &c : cases) {
    const QString path = Write(folders.Root(), c.Name, c.Bytes);
    try {
      TPicture::FromFile(path);
      ADD_FAILURE() << c.Name.toStdString() << " decoded";
    } catch (const EPictureError &e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), c.Message + path) << c.Name.toStdString();
    }
  }
  // At the limit pictures still decode; pictures told by their signature are held to it too.
  for (const char *format : {"PNG", "BMP"})
    EXPECT_EQ(TPicture::FromData(Saved(4096, 2, format), "edge").Width(), 4096) << format;
  EXPECT_THROW(TPicture::FromData(PngHeaderOnly(16000, 16000), "huge"), EPictureError);
  EXPECT_THROW(TPicture::FromData(Saved(2, 4097, "BMP"), "tall"), EPictureError);
  const QString missing = QString::fromStdString((folders.Root() / "none.png").string());
  try {
    TPicture::FromFile(missing);
    ADD_FAILURE() << "a missing file decoded";
  } catch (const EPictureError &e) {
    EXPECT_EQ(QString::fromUtf8(e.what()), "文件:" + missing + "不存在!");
  }
  EXPECT_THROW(TGifAnimation::FromFile(
                   Write(folders.Root(), "cut.gif", MakeGif({{0, 0, 4, 2, {1, 1, 1, 1, 3, 3, 3, 3}, 10, 0}}).left(20))),
               EPictureError);
}

TEST(Pictures, OnlyRegularFilesOfAPicturesSizeAreRead) {
  TTestFolders folders;
  const auto at = [&](const char *name) { return QString::fromStdString((folders.Root() / name).string()); };
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), at("zero.png")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe.gif")).constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(at("folder.png")));
  // A real picture with more bytes after it than any picture has (sparse: no disk is used).
  Write(folders.Root(), "padded.png", AlphaPng());
  ASSERT_TRUE(QFile(at("padded.png")).resize(200 * 1024 * 1024));
  const struct {
    const char *name;
    const char *message;
  } cases[] = {
      {"zero.png", "无法读取图片文件:"},
      {"pipe.gif", "无法读取图片文件:"},
      {"folder.png", "无法读取图片文件:"},
      {"padded.png", "无法解码图片文件:"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QElapsedTimer timer;
    timer.start();
    try {
      TPicture::FromFile(at(c.name));
      ADD_FAILURE() << "decoded";
    } catch (const EPictureError &e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8(c.message) + at(c.name));
    }
    EXPECT_LT(timer.elapsed(), 1000) << "refused before it is read";
  }
}

TEST(Pictures, ALargePictureKeepsOnlyThePartAnAreaShows) {
  QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  const TPicture picture(image);
  const struct {
    QSize area;
    QSize kept;
  } cases[] = {{{50, 68}, {50, 68}}, {{400, 68}, {300, 68}}, {{50, 400}, {50, 200}}, {{300, 200}, {300, 200}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.area.width());
    const TPicture part = picture.ShownPart(c.area);
    EXPECT_EQ(QSize(part.Width(), part.Height()), c.kept);
    EXPECT_EQ(Straight(part.Image(), 0, 0), qRgb(255, 0, 0) | 0xFF000000u) << "from the top-left corner";
  }
  EXPECT_EQ(picture.ShownPart({300, 200}).Image().constBits(), picture.Image().constBits()) << "one that fits is kept";
}

TEST(Pictures, OtherKindsGoThroughQtAndBitmapsTakeTheirKeyColour) {
  TTestFolders folders;
  QImage bitmap(4, 3, QImage::Format_RGB32);
  bitmap.fill(qRgb(255, 0, 255));  // the bottom-left colour is the key
  bitmap.setPixel(1, 1, qRgb(0, 0, 255));
  for (const char *format : {"bmp", "tif", "ico"}) {
    const QString path = QString::fromStdString((folders.Root() / (std::string("k.") + format)).string());
    ASSERT_TRUE(bitmap.save(path, format)) << format;
    TPicture picture = TPicture::FromFile(path);
    ASSERT_EQ(picture.Width(), 4) << format;

    QImage target(4, 3, QImage::Format_ARGB32);
    target.fill(qRgb(0, 255, 0));
    {
      QPainter painter(&target);
      picture.Draw(painter, 0, 0);
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 255)) << format << ": opaque until made transparent";
    picture.SetTransparent(true);
    target.fill(qRgb(0, 255, 0));
    {
      QPainter painter(&target);
      picture.Draw(painter, 0, 0);
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 255, 0)) << format;
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 255)) << format;
  }
  // A picture with alpha is never keyed: its own transparency stays.
  TPicture alpha = TPicture::FromData(AlphaPng(), "alpha.png");
  alpha.SetTransparent(true);
  QImage target(3, 2, QImage::Format_ARGB32);
  target.fill(qRgb(0, 0, 0));
  {
    QPainter painter(&target);
    alpha.Draw(painter, 0, 0);
  }
  EXPECT_EQ(target.pixel(0, 1), qRgb(10, 20, 30));
}

TEST(Pictures, EverySkinPictureDecodesAtItsSize) {
  struct TCase {
    const char *Name;
    int Width, Height;
  };
  const TCase cases[] = {
      {"manage_bg.png", 468, 326},
      {"add_dialog_bg.png", 651, 296},
      {"history_bg.png", 560, 349},
      {"cancel_bg.png", 323, 263},
      {"cancelrecord_bg.png", 404, 263},
      {"cardmenu_bg.png", 113, 58},
      {"cardmenu_btn.png", 339, 29},
      {"inputurl_bg.png", 330, 198},
      {"external_bg.png", 530, 367},
      {"box_bg.png", 154, 449},
      {"expand_bg.png", 329, 469},
      {"expand_close.png", 10, 24},
      {"btn42x21.png", 126, 21},
      {"btn69x21.png", 207, 21},
      {"btn88x21.png", 264, 21},
      {"sysclose.png", 33, 11},
      {"sysmin.png", 39, 11},
      {"arrow_up.png", 13, 7},
      {"arrow_down.png", 13, 7},
      {"card_bg.png", 17, 7},
      {"card_fg.png", 17, 7},
      {"cardmenu_look.png", 12, 12},
      {"cardmenu_cancel.png", 12, 12},
      {"external_title.png", 106, 23},
      {"pager_up.png", 7, 13},
      {"pager_down.png", 7, 13},
      {"pager_cur.png", 13, 13},
      {"pager_bg.png", 4, 13},
      {"pager_bg_expand.png", 188, 13},
      {"logo16.png", 16, 16},
      {"BITMAP_0.png", 16, 16},
      {"BITMAP_1.png", 16, 16},
      {"BITMAP_2.png", 16, 16},
      {"titlebar_bg.png", 100, 28},
      {"toolbar_bg.png", 100, 106},
      {"statusbar_bg.png", 100, 27},
      {"TABBG.png", 150, 30},
      {"TABUNBG.png", 150, 30},
      {"error.jpg", 423, 214},
      {"loading.gif", 84, 49},
  };
  for (const auto &c : cases) {
    const TPicture picture = TPicture::FromFile(QString(":/skin/") + c.Name);
    EXPECT_EQ(picture.Width(), c.Width) << c.Name;
    EXPECT_EQ(picture.Height(), c.Height) << c.Name;
  }
  // The shaped windows have holes at their corners; the centre's own background has none.
  for (const char *name :
       {"manage_bg.png", "add_dialog_bg.png", "external_bg.png", "expand_bg.png", "cardmenu_bg.png"}) {
    const QImage image = TPicture::FromFile(QString(":/skin/") + name).Image();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0) << name;
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255) << name;
  }
  EXPECT_GT(TGifAnimation::FromFile(":/skin/loading.gif").Frames().size(), 1u);
}

TEST(Pictures, PlayerAnimatesOverItsBackground) {
  const QByteArray gif = MakeGif({
      {0, 0, 4, 2, {0, 0, 0, 0, 0, 0, 0, 1}, 2, DISPOSE_BACKGROUND},
      {0, 0, 4, 2, {2, 0, 0, 0, 0, 0, 0, 0}, 2, DISPOSE_BACKGROUND},
  });
  TGifPlayer player;
  player.resize(4, 2);
  player.SetAnimation(TGifAnimation::FromData(gif, "anim.gif"));
  player.Start(Qt::white);
  EXPECT_TRUE(player.IsRunning());
  QImage shot = player.grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 255, 255));  // transparent: the background colour
  EXPECT_EQ(shot.pixel(3, 1), qRgb(0, 255, 0));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentFrame() == 1; }, 5000));
  shot = player.grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(shot.pixel(3, 1), qRgb(255, 255, 255));
  player.Stop();
  EXPECT_FALSE(player.IsRunning());
}
