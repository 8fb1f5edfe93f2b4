#include "common/uAppcf.h"
#include "platform/errors/Errors.h"

#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>
#include <stdexcept>

namespace {

// Value types of the component stream.
enum : uint8_t { vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaFalse = 8, vaTrue = 9 };

const char kSignature[] = "TPF0";
const char kClassName[] = "TAppCf";

class TStreamWriter {
public:
  void Bytes(const char *data, int size) { FData.append(data, size); }
  void Byte(uint8_t b) { FData.append(char(b)); }
  void ShortString(const char *text) {
    const auto size = uint8_t(std::strlen(text));
    Byte(size);
    Bytes(text, size);
  }
  // The smallest of the three integer forms that holds the value, little-endian.
  void Integer(int32_t v) {
    if (v >= -128 && v <= 127) {
      Byte(vaInt8);
      Byte(uint8_t(int8_t(v)));
    } else if (v >= -32768 && v <= 32767) {
      Byte(vaInt16);
      for (int i = 0; i < 2; ++i)
        Byte(uint8_t(uint16_t(v) >> (8 * i)));
    } else {
      Byte(vaInt32);
      for (int i = 0; i < 4; ++i)
        Byte(uint8_t(uint32_t(v) >> (8 * i)));
    }
  }
  void IntProperty(const char *name, int32_t v) {
    ShortString(name);
    Integer(v);
  }
  QByteArray FData;
};

class TStreamReader {
public:
  explicit TStreamReader(const QByteArray &data) : FData(data) {}
  uint8_t Byte() {
    Need(1);
    return uint8_t(FData[FPos++]);
  }
  QByteArray Take(int size) {
    Need(size);
    QByteArray part = FData.mid(FPos, size);
    FPos += size;
    return part;
  }
  QByteArray ShortString() { return Take(Byte()); }
  int32_t Integer() {
    uint32_t v = 0;
    switch (Byte()) {
    case vaInt8:
      return int8_t(Byte());
    case vaInt16:
      for (int i = 0; i < 2; ++i)
        v |= uint32_t(Byte()) << (8 * i);
      return int16_t(uint16_t(v));
    case vaInt32:
      for (int i = 0; i < 4; ++i)
        v |= uint32_t(Byte()) << (8 * i);
      return int32_t(v);
    default:
      Raise(QStringLiteral("Invalid property value"));
    }
  }

private:
  void Need(int size) {
    if (FData.size() - FPos < size)
      Raise(QStringLiteral("Stream read error"));
  }
  const QByteArray &FData;
  int FPos = 0;
};

bool SameName(const QByteArray &a, const char *b) { return qstricmp(a.constData(), b) == 0; }

}  // namespace

QByteArray WriteAppCfStream(const TAppCf &cf) {
  TStreamWriter w;
  w.Bytes(kSignature, 4);
  w.ShortString(kClassName);
  w.ShortString("");
  if (cf.Tag() != 0)
    w.IntProperty("Tag", cf.Tag());
  w.IntProperty("TextTime", cf.TextTime());
  w.IntProperty("PsDistance", cf.PsDistance());
  w.IntProperty("ImgTime", cf.ImgTime());
  w.IntProperty("ImgSize", cf.ImgSize());
  w.ShortString("OffOn");
  w.Byte(cf.OffOn() ? vaTrue : vaFalse);
  w.Byte(0);  // end of the property list
  w.Byte(0);  // end of the (empty) list of contained components
  return w.FData;
}

TAppCf ReadAppCfStream(const QByteArray &stream) {
  TStreamReader r(stream);
  if (r.Take(4) != QByteArray(kSignature, 4))
    Raise(QStringLiteral("Invalid stream format"));
  const QByteArray className = r.ShortString();
  if (!SameName(className, kClassName))
    Raise(QStringLiteral("Class %1 not found").arg(QString::fromUtf8(className)));
  r.ShortString();  // the component name, which the record does not keep
  TAppCf cf;
  for (QByteArray name = r.ShortString(); !name.isEmpty(); name = r.ShortString()) {
    if (SameName(name, "TextTime"))
      cf.SetTextTime(r.Integer());
    else if (SameName(name, "PsDistance"))
      cf.SetPsDistance(r.Integer());
    else if (SameName(name, "ImgTime"))
      cf.SetImgTime(r.Integer());
    else if (SameName(name, "ImgSize"))
      cf.SetImgSize(r.Integer());
    else if (SameName(name, "Tag"))
      cf.SetTag(r.Integer());
    else if (SameName(name, "OffOn"))
      cf.SetOffOn(r.Byte() == vaTrue);
    else
      Raise(QStringLiteral("Property %1 does not exist").arg(QString::fromUtf8(name)));
  }
  if (r.Byte() != 0)  // the record contains no components
    Raise(QStringLiteral("Invalid stream format"));
  return cf;
}

TCfMrg::TCfMrg() : FAppCf(std::make_unique<TAppCf>()), FFileName(GetDataPath() + "appdata.dat") { LoadFormFile(); }

void TCfMrg::LoadFormFile(const QString &afileName) {
  const QString name = afileName.isEmpty() ? FFileName : afileName;
  QFile file(name);
  if (!file.exists())
    return;
  try {
    if (!file.open(QIODevice::ReadOnly))
      Raise(QStringLiteral("Cannot open file \"%1\". %2").arg(name, file.errorString()));
    const QByteArray data = file.readAll();
    file.close();
    FAppCf = std::make_unique<TAppCf>(ReadAppCfStream(data));
  } catch (...) {
    // A broken file is removed so that the next start runs on the defaults.
    QFile::remove(name);
    throw;
  }
}

void TCfMrg::SaveToFile(const QString &afileName) {
  const QString name = afileName.isEmpty() ? FFileName : afileName;
  QSaveFile file(name);
  const QByteArray data = WriteAppCfStream(*FAppCf);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
    Raise(QStringLiteral("Cannot create file \"%1\". %2").arg(name, file.errorString()));
}

void TCfMrg::Update() {
  SaveToFile();
  PostToTitle(FrmInfos[fiLockChannel], WM_CFGUPDATE, 0, 0);
  for (const TWindowRef &browser : FindWindowsByClass(FrmInfos[fiBrowserClass].sCaption))
    PostWindowMessage(browser, WM_CFGUPDATE, 0, 0);
}
