#include "platform/pictures/Picture.h"
#include "platform/os/WholeFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QRect>

#include <cerrno>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <png.h>

namespace {

[[noreturn]] void Undecodable(const QString &name) { Raise<EPictureError>(QStringLiteral("无法解码图片文件:") + name); }

// A picture file can declare any size in a few bytes; larger pictures than the suite ever shows
// are refused before their pixels are allocated.
constexpr int MaxPictureSide = 4096;
constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;  // decoded, four bytes a pixel
// No file of a picture the decoders take is larger than its pixels (and a header).
constexpr qint64 MaxPictureFileBytes = MaxPictureBytes + 1024 * 1024;

[[noreturn]] void Unreadable(const QString &path) { Raise<EPictureError>(QStringLiteral("无法读取图片文件:") + path); }

// The bytes of a picture file. Only a regular file is read, and only when its size could be a
// picture: a link to a device or a pipe would otherwise be read without end (or wait for ever).
QByteArray ReadWhole(const QString &path) {
  if (path.startsWith(u':')) {  // a picture built into the program
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly))
      Raise<EPictureError>(QStringLiteral("文件:") + path + QStringLiteral("不存在!"));
    return resource.readAll();
  }
  QByteArray data;
  const TWholeReadResult read = ReadWholeFile(path, MaxPictureFileBytes, data);
  switch (read.eState) {
  case TWholeRead::Read:
    return data;
  case TWholeRead::Missing:
    Raise<EPictureError>(QStringLiteral("文件:") + path + QStringLiteral("不存在!"));
  case TWholeRead::OpenFailed:
    if (read.iError == ENOTDIR)
      Raise<EPictureError>(QStringLiteral("文件:") + path + QStringLiteral("不存在!"));
    Unreadable(path);
  case TWholeRead::TooLarge:
    Undecodable(path);
  case TWholeRead::NotRegular:
  case TWholeRead::ReadFailed:
    break;
  }
  Unreadable(path);
}

bool TooLarge(qint64 width, qint64 height) {
  return width > MaxPictureSide || height > MaxPictureSide || width * height * 4 > MaxPictureBytes;
}

QImage DecodeByQt(const QByteArray &data, const QString &name, const char *format) {
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  // Readers that cannot tell the size beforehand are held by the allocation limit instead.
  reader.setAllocationLimit(int(MaxPictureBytes / (1024 * 1024)));
  const QSize declared = reader.size();
  if (declared.isValid() && TooLarge(declared.width(), declared.height()))
    Undecodable(name);
  QImage image = reader.read();
  if (image.isNull() || TooLarge(image.width(), image.height()))
    Undecodable(name);
  // Converted in place: a large picture is not held twice.
  return std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

enum class TKind { Png, Gif, Qt };

TKind KindOfSignature(const QByteArray &data) {
  if (data.startsWith("\x89PNG\r\n\x1a\n"))
    return TKind::Png;
  if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
    return TKind::Gif;
  return TKind::Qt;
}

}  // namespace

QImage DecodePng(const QByteArray &data, const QString &name) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
    Undecodable(name);
  if (TooLarge(png.width, png.height)) {
    png_image_free(&png);
    Undecodable(name);
  }
  // Byte order R, G, B, A whatever the machine, straight (not premultiplied) alpha.
  png.format = PNG_FORMAT_RGBA;
  QImage image(int(png.width), int(png.height), QImage::Format_RGBA8888);
  if (image.isNull()) {
    png_image_free(&png);
    Undecodable(name);
  }
  if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr)) {
    png_image_free(&png);
    Undecodable(name);
  }
  return std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);  // in place
}

TGifAnimation::TGifAnimation(std::vector<TGifFrame> frames, int width, int height)
    : FFrames(std::move(frames)), FWidth(width), FHeight(height) {}

namespace {

struct TGifSource {
  const QByteArray *Data;
  qsizetype Pos = 0;
};

int ReadGifBytes(GifFileType *gif, GifByteType *buffer, int count) {
  auto *src = static_cast<TGifSource *>(gif->UserData);
  const qsizetype n = std::min<qsizetype>(count, src->Data->size() - src->Pos);
  std::memcpy(buffer, src->Data->constData() + src->Pos, size_t(n));
  src->Pos += n;
  return int(n);
}

struct TGifCloser {
  void operator()(GifFileType *gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

}  // namespace

TGifAnimation DecodeGif(const QByteArray &data, const QString &name) {
  TGifSource source{&data};
  int error = 0;
  std::unique_ptr<GifFileType, TGifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
  if (!gif || TooLarge(gif->SWidth, gif->SHeight) || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1)
    Undecodable(name);

  const int width = gif->SWidth, height = gif->SHeight;
  if (width <= 0 || height <= 0)
    Undecodable(name);
  QImage canvas(width, height, QImage::Format_ARGB32);
  canvas.fill(Qt::transparent);
  std::vector<TGifFrame> frames;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage &saved = gif->SavedImages[i];
    const GifImageDesc &desc = saved.ImageDesc;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif.get(), i, &gcb);
    const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !saved.RasterBits)
      Undecodable(name);

    const QImage before = canvas;  // for "restore to previous"
    for (int y = 0; y < desc.Height; ++y) {
      const int cy = desc.Top + y;
      if (cy < 0 || cy >= height)
        continue;
      auto *line = reinterpret_cast<QRgb *>(canvas.scanLine(cy));
      for (int x = 0; x < desc.Width; ++x) {
        const int cx = desc.Left + x;
        if (cx < 0 || cx >= width)
          continue;
        const int index = saved.RasterBits[size_t(y) * size_t(desc.Width) + size_t(x)];
        if (index == gcb.TransparentColor || index >= map->ColorCount)
          continue;
        const GifColorType &c = map->Colors[index];
        line[cx] = qRgba(c.Red, c.Green, c.Blue, 255);
      }
    }
    frames.push_back({canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied), gcb.DelayTime * 10});

    if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
      QPainter painter(&canvas);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.fillRect(QRect(desc.Left, desc.Top, desc.Width, desc.Height), Qt::transparent);
    } else if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
      canvas = before;
    }
  }
  return TGifAnimation(std::move(frames), width, height);
}

TGifAnimation TGifAnimation::FromData(const QByteArray &data, const QString &name) { return DecodeGif(data, name); }

TGifAnimation TGifAnimation::FromFile(const QString &path) { return DecodeGif(ReadWhole(path), path); }

TPicture::TPicture(QImage image)
    : FImage(image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied)) {}

TPicture TPicture::FromData(const QByteArray &data, const QString &name) {
  switch (KindOfSignature(data)) {
  case TKind::Png:
    return TPicture(DecodePng(data, name));
  case TKind::Gif:
    return TPicture(DecodeGif(data, name).Frames().front().Image);
  case TKind::Qt:
    break;
  }
  return TPicture(DecodeByQt(data, name, nullptr));
}

TPicture TPicture::FromFile(const QString &path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  static const QStringList qtKinds = {"bmp", "ico", "tif", "tiff", "jpg", "jpeg"};
  if (ext != "png" && ext != "gif" && !qtKinds.contains(ext))
    Raise<EPictureError>(QStringLiteral("不支持的图片格式:") + path);
  const QByteArray data = ReadWhole(path);
  if (ext == "png")
    return TPicture(DecodePng(data, path));
  if (ext == "gif")
    return TPicture(DecodeGif(data, path).Frames().front().Image);
  return TPicture(DecodeByQt(data, path, ext.toLatin1().constData()));
}

void TPicture::SetTransparent(bool value) {
  FTransparent = value;
  FKeyed = QImage();
  if (!value || FImage.isNull())
    return;
  // Only pictures whose every pixel is opaque take the key colour; real alpha wins otherwise.
  QImage straight = FImage.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = straight.pixel(0, straight.height() - 1);
  for (int y = 0; y < straight.height(); ++y) {
    const auto *line = reinterpret_cast<const QRgb *>(straight.constScanLine(y));
    for (int x = 0; x < straight.width(); ++x)
      if (qAlpha(line[x]) != 255)
        return;
  }
  for (int y = 0; y < straight.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(straight.scanLine(y));
    for (int x = 0; x < straight.width(); ++x)
      if (line[x] == key)
        line[x] = 0;
  }
  FKeyed = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TPicture TPicture::ShownPart(const QSize &area) const {
  if (FImage.width() <= area.width() && FImage.height() <= area.height())
    return *this;
  // A copy of its own, so the large pixels are freed with the last picture that holds them.
  return TPicture(Drawn().copy(0, 0, std::min(FImage.width(), area.width()), std::min(FImage.height(), area.height())));
}

const QImage &TPicture::Drawn() const { return FKeyed.isNull() ? FImage : FKeyed; }

void TPicture::Draw(QPainter &painter, int x, int y) const {
  if (!FImage.isNull())
    painter.drawImage(x, y, Drawn());
}

void TPicture::StretchDraw(QPainter &painter, const QRect &target) const {
  if (!FImage.isNull())
    painter.drawImage(target, Drawn());
}
