// Build step of the catalogue: writes MiniAppdata.mdb (plain SQLite, no key) from the readable
// SQL source and draws an icon for every logo the catalogue names, into <out>/icons/.
//   pemblo_make_catalogue <MiniAppdata.sql> <out folder>
// The file is written beside its place and then moved there, so a failed run leaves no
// half-filled catalogue behind.
#include "common/uStrFun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr int IconSize = 48;

int Fail(const QString &text) {
  std::fprintf(stderr, "pemblo_make_catalogue: %s\n", text.toUtf8().constData());
  return 1;
}

// logo file name -> shown name of the first entry that uses it
QMap<QString, QString> Logos(sqlite3 *db) {
  QMap<QString, QString> logos;
  for (const char *sql : {"SELECT info FROM categoryinfos", "SELECT info FROM appinfos"}) {
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
      continue;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const QStringList fields =
          SplitByDelimiter(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))), ",");
      if (fields.size() != 6)
        continue;
      const QString logo = TextAfterKey("logo:", fields[2]).replace("{app}", QString());
      if (!logo.isEmpty() && !logos.contains(logo))
        logos.insert(logo, TextAfterKey("name:", fields[0]));
    }
    sqlite3_finalize(stmt);
  }
  return logos;
}

// A rounded tile in a colour of its own (taken from the file name) with the name's first
// character on it.
QImage DrawIcon(const QString &file, const QString &name) {
  const QByteArray hash = QCryptographicHash::hash(file.toUtf8(), QCryptographicHash::Sha1);
  const QColor base =
      QColor::fromHsv(quint8(hash[0]) * 360 / 256, 150 + quint8(hash[1]) % 80, 200 + quint8(hash[2]) % 50);
  QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, IconSize - 4, IconSize - 4), 10, 10);
  QLinearGradient fill(0, 0, 0, IconSize);
  fill.setColorAt(0, base.lighter(135));
  fill.setColorAt(1, base.darker(125));
  p.fillPath(tile, fill);
  p.setPen(QPen(base.darker(160), 1));
  p.drawPath(tile);
  QFont font(QStringLiteral("WenQuanYi Zen Hei"));
  font.setPixelSize(26);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(0, 0, 0, 70));
  p.drawText(QRect(1, 2, IconSize, IconSize), Qt::AlignCenter, name.left(1));
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, IconSize, IconSize), Qt::AlignCenter, name.left(1));
  return image;
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3)
    return Fail("usage: pemblo_make_catalogue <MiniAppdata.sql> <out folder>");
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly))
    return Fail("cannot read " + source.fileName());
  const QByteArray sql = source.readAll();
  const QDir out(QString::fromLocal8Bit(argv[2]));
  if (!out.mkpath(QStringLiteral("icons")))
    return Fail("cannot create " + out.filePath("icons"));

  const QString target = out.filePath(QStringLiteral("MiniAppdata.mdb"));
  const QString partial = target + QStringLiteral(".new");
  QFile::remove(partial);
  sqlite3 *db = nullptr;
  if (sqlite3_open(partial.toUtf8().constData(), &db) != SQLITE_OK)
    return Fail("cannot create " + partial);
  char *error = nullptr;
  if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
    const QString text = QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(db);
    QFile::remove(partial);
    return Fail(source.fileName() + ": " + text);
  }
  const QMap<QString, QString> logos = Logos(db);
  sqlite3_close(db);

  for (auto it = logos.begin(); it != logos.end(); ++it)
    if (!DrawIcon(it.key(), it.value()).save(out.filePath(it.key())))
      return Fail("cannot write " + out.filePath(it.key()));
  QFile::remove(target);
  if (!QFile::rename(partial, target))
    return Fail("cannot write " + target);
  return 0;
}
