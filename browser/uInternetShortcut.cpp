#include "browser/uInternetShortcut.h"

#include "common/uPathFunc.h"
#include "platform/cp936/CodePage936Qt.h"
#include "platform/errors/Errors.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QUrl>

namespace {

const QString Section = QStringLiteral("InternetShortcut");
const QString UrlKey = QStringLiteral("URL");

QString DecodeText(const QByteArray &bytes) {
  if (const auto bom = QStringConverter::encodingForData(bytes)) {
    QStringDecoder decoder(*bom);  // drops the mark itself
    return decoder.decode(bytes);
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8.decode(bytes);
  return utf8.hasError() ? FromCp936(bytes) : text;
}

}  // namespace

QString ShortcutFileName(const QString &aName) {
  QString result;
  for (QChar c : aName.trimmed())
    result += (c < QChar(' ') || QStringLiteral("\\/:*?\"<>|").contains(c)) ? QChar('_') : c;
  return result;
}

QString WriteInternetShortcut(const QString &aFolder, const QString &aName, const QString &aUrl) {
  if (!QDir().mkpath(aFolder))
    Raise("无法创建目录:" + aFolder);
  const QString base = IncludeBackslash(aFolder) + ShortcutFileName(aName);
  QString path = base + QStringLiteral(".url");
  for (int n = 2; QFile::exists(path); ++n)
    path = base + QStringLiteral(" (%1).url").arg(n);
  QFile file(path);
  // NewOnly: a shortcut made by someone else meanwhile is never overwritten.
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    Raise("无法创建文件:" + path);
  // The address is written fully encoded, so the file is plain ASCII for every reader.
  const QByteArray body =
      "[" + Section.toLatin1() + "]\r\n" + UrlKey.toLatin1() + "=" + QUrl(aUrl).toEncoded() + "\r\n";
  if (file.write(body) != body.size() || !file.flush())
    Raise("无法创建文件:" + path);
  return path;
}

QString ReadInternetShortcut(const QString &aPath) {
  QFile file(aPath);
  if (!file.exists())
    Raise("文件:" + aPath + "不存在!");
  if (!file.open(QIODevice::ReadOnly))
    Raise("无效的Internet快捷方式:" + aPath);
  bool inSection = false;
  for (const QString &raw : DecodeText(file.readAll()).split(QLatin1Char('\n'))) {
    const QString line = raw.trimmed();  // also drops the CR of CR LF
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      inSection = line.mid(1, line.size() - 2).trimmed().compare(Section, Qt::CaseInsensitive) == 0;
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (inSection && equals > 0 && line.left(equals).trimmed().compare(UrlKey, Qt::CaseInsensitive) == 0) {
      const QString url = line.mid(equals + 1).trimmed();
      if (!url.isEmpty())
        return url;
    }
  }
  Raise("无效的Internet快捷方式:" + aPath);
}
