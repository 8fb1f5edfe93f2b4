// The shared part of the gallery: output folder, shots, the contact sheet, the module pages.
#include "tools/gallery/Gallery.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {

struct TShot {
  QString Name;
  QImage Image;
};
std::vector<TShot> Sheet;

std::vector<TGalleryPage> &Pages() {
  static std::vector<TGalleryPage> pages;
  return pages;
}

}  // namespace

void SetGalleryFolder(const QDir &folder) { GalleryFolder() = folder; }

QDir &GalleryFolder() {
  static QDir folder;
  return folder;
}

const std::vector<TGalleryPage> &GalleryPages() { return Pages(); }

TGalleryPageRegistration::TGalleryPageRegistration(const QString &name, std::function<void()> draw) {
  Pages().push_back({name, std::move(draw)});
}

void Save(const QString &name, const QImage &image, bool onSheet) {
  image.save(GalleryFolder().filePath(name + ".png"));
  if (onSheet)
    Sheet.push_back({name, image});
}

// A widget as it looks on screen; for a shaped form, what its mask cuts away is transparent.
QImage Render(QWidget &widget) {
  widget.ensurePolished();
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  if (!widget.mask().isEmpty()) {
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setClipRegion(QRegion(widget.rect()).subtracted(widget.mask()));
    p.fillRect(widget.rect(), Qt::transparent);
  }
  return image;
}

QFont Font(const char *family, int pixels, bool bold) {
  QFont font(QString::fromUtf8(family));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// All shots on one sheet, with their names, on a chequered ground that shows transparency.
void SaveSheet() {
  const int columnWidth = 680, margin = 8;
  int x = margin, y = margin, rowHeight = 0, width = 0;
  struct TPlace {
    QPoint At;
    const TShot *Shot;
  };
  std::vector<TPlace> places;
  for (const auto &shot : Sheet) {
    const int w = shot.Image.width(), h = shot.Image.height() + 14;
    if (x + w > columnWidth * 2 && x > margin) {
      x = margin;
      y += rowHeight + margin;
      rowHeight = 0;
    }
    places.push_back({QPoint(x, y), &shot});
    x += std::max(w, 110) + margin;
    rowHeight = std::max(rowHeight, h);
    width = std::max(width, x);
  }
  QImage sheet(width, y + rowHeight + margin, QImage::Format_RGB32);
  sheet.fill(QColor(250, 250, 250));
  QPainter p(&sheet);
  p.setFont(Font("DejaVu Sans", 9));
  for (const auto &place : places) {
    const QRect area(place.At + QPoint(0, 14), place.Shot->Image.size());
    for (int cy = area.top(); cy < area.bottom(); cy += 8)
      for (int cx = area.left(); cx < area.right(); cx += 8)
        p.fillRect(QRect(cx, cy, 8, 8).intersected(area), ((cx + cy) / 8) % 2 ? QColor(225, 225, 225) : Qt::white);
    p.drawImage(area.topLeft(), place.Shot->Image);
    p.setPen(Qt::darkGray);
    p.drawText(place.At + QPoint(0, 10), place.Shot->Name);
  }
  p.end();
  sheet.save(GalleryFolder().filePath("sheet.png"));
}
