#include "controls/uFonts.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutes() {
  static const bool done = [] {
    const QStringList chineseFirst = {"WenQuanYi Zen Hei", "DejaVu Sans"};
    const QStringList latinFirst = {"DejaVu Sans", "WenQuanYi Zen Hei"};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), chineseFirst);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), chineseFirst);
    QFont::insertSubstitutions(QStringLiteral("宋体"), chineseFirst);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), latinFirst);
    return true;
  }();
  (void)done;
}
