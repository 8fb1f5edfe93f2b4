#pragma once
// QString face of the code-page-936 converter.
#include <QByteArray>
#include <QString>

QByteArray ToCp936(const QString &text);
QString FromCp936(const QByteArray &bytes);
