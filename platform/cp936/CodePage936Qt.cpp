#include "platform/cp936/CodePage936Qt.h"

#include "platform/cp936/CodePage936.h"

QByteArray ToCp936(const QString &text) {
  const std::string bytes = Utf16ToCp936({reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())});
  return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString FromCp936(const QByteArray &bytes) {
  const std::u16string text = Cp936ToUtf16({bytes.constData(), size_t(bytes.size())});
  return QString::fromUtf16(text.data(), qsizetype(text.size()));
}
