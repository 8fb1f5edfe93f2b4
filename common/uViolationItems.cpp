#include "common/uViolationItems.h"

#include <QUrl>

namespace {

QString WithoutSeparators(QString text) {
  return text.remove(u',').remove(u':').remove(QChar(0xFF0C)).remove(QChar(0xFF1A));
}

}  // namespace

QString ViolationTime(const QDateTime &time) { return time.toString(QStringLiteral("yyyy年MM月dd日 hh时mm分")); }

QString ProgramViolationItem(const QString &programName) {
  return QStringLiteral("违约使用了") + WithoutSeparators(programName);
}

QString WebViolationItem(const QString &address) {
  const QUrl url = QUrl::fromUserInput(address);
  return QStringLiteral("违约访问了") + WithoutSeparators(url.host().isEmpty() ? address : url.host());
}
