#include "controls/uSkin.h"

QString SkinPath(const QString &name) { return QStringLiteral(":/skin/") + name; }

TPicture SkinPicture(const QString &name) { return TPicture::FromFile(SkinPath(name)); }
