#pragma once
// Pictures of the skinned controls and of the catalogue icons. PNG is decoded with libpng and
// GIF with giflib, both called directly, so that alpha transparency and every animation frame
// survive exactly; bitmaps, icons, TIFF and JPEG go through Qt's image readers.
// Pictures larger than 4096 pixels a side (or 64 MB decoded) are refused as undecodable before
// their pixels are allocated; only regular files are read, and a file larger than such a
// picture is refused before it is read.
// A picture is a value: copying it gives the new owner its own picture (the pixels are shared
// until one side changes them).
#include "platform/errors/Errors.h"
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <QString>
#include <stdexcept>
#include <vector>

class QPainter;
class QRect;

class TPicture {
public:
  TPicture() = default;
  explicit TPicture(QImage image);

  // Loads by the file's extension: "png", "gif" (first frame), "bmp", "ico", "tif", "tiff",
  // "jpg", "jpeg". Qt resource paths (":/skin/...") work as well.
  static TPicture FromFile(const QString &path);
  // Decodes bytes whose kind is told by their signature; name is used in error messages.
  static TPicture FromData(const QByteArray &data, const QString &name);

  bool IsEmpty() const { return FImage.isNull(); }
  int Width() const { return FImage.width(); }
  int Height() const { return FImage.height(); }
  const QImage &Image() const { return FImage; }

  // Drawing transparency. Pictures with an alpha channel always blend by their alpha; for a
  // picture without one, switching it on keys out the colour of its bottom-left pixel, as the
  // designed toolkit does with bitmaps.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

  // What a control of the size `area` shows of the picture drawn at its natural size from its
  // top-left corner: the picture itself when it fits, else only that part (transparency
  // applied), so a large picture keeps no more pixels than are seen.
  TPicture ShownPart(const QSize &area) const;

  void Draw(QPainter &painter, int x, int y) const;
  void StretchDraw(QPainter &painter, const QRect &target) const;

  bool operator==(const TPicture &other) const { return FTransparent == other.FTransparent && FImage == other.FImage; }

private:
  const QImage &Drawn() const;

  QImage FImage;
  bool FTransparent = false;
  QImage FKeyed;  // FImage with its key colour cleared, made when transparency is switched on
};

// One frame of an animated GIF, composed on the full logical screen (ARGB32 premultiplied).
struct TGifFrame {
  QImage Image;
  int DelayMs = 0;  // as stored in the file (hundredths of a second times ten)
};

class TGifAnimation {
public:
  TGifAnimation() = default;
  TGifAnimation(std::vector<TGifFrame> frames, int width, int height);
  static TGifAnimation FromFile(const QString &path);
  static TGifAnimation FromData(const QByteArray &data, const QString &name);

  bool IsEmpty() const { return FFrames.empty(); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const std::vector<TGifFrame> &Frames() const { return FFrames; }

private:
  std::vector<TGifFrame> FFrames;
  int FWidth = 0;
  int FHeight = 0;
};

// Low-level decoders, the bytes of one file in, pixels out; they raise EPictureError naming
// `name` when the data cannot be decoded.
QImage DecodePng(const QByteArray &data, const QString &name);
TGifAnimation DecodeGif(const QByteArray &data, const QString &name);
