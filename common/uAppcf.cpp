#include "common/uAppcf.h"
#include "platform/errors/Errors.h"

#include "common/uChangeNotices.h"
#include "common/uGuardLink.h"
#include "common/uPathFunc.h"
#include "platform/os/WholeFile.h"

#include <QFile>
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

// The whole name counts: a name with a zero byte inside is not the name before that byte.
bool SameName(const QByteArray &a, const char *b) {
  return a.size() == qsizetype(std::strlen(b)) && qstricmp(a.constData(), b) == 0;
}

// Far above any real settings file (65 bytes with the defaults): more is a broken file.
constexpr qsizetype kMaxFileBytes = 64 * 1024;

enum class TFileState { Missing, Read, TooLarge };

[[noreturn]] void RaiseCannotOpen(const QString &name, const QString &why) {
  Raise(QStringLiteral("Cannot open file \"%1\". %2").arg(name, why));
}

// Reads a settings file. Opening never blocks (a FIFO in its place), only a regular file is
// read, and no more than kMaxFileBytes. Raises when the file is there but cannot be opened or
// read; the caller leaves such a file alone, as its content may well be good.
TFileState ReadSettingsFile(const QString &name, QByteArray &data) {
  const TWholeReadResult read = ReadWholeFile(name, kMaxFileBytes, data);
  switch (read.eState) {
  case TWholeRead::Read:
    return TFileState::Read;
  case TWholeRead::Missing:
    return TFileState::Missing;
  case TWholeRead::TooLarge:
    return TFileState::TooLarge;
  case TWholeRead::NotRegular:
    RaiseCannotOpen(name, QStringLiteral("Not a regular file"));
  case TWholeRead::OpenFailed:
    RaiseCannotOpen(name, QString::fromLocal8Bit(std::strerror(read.iError)));
  case TWholeRead::ReadFailed:
    break;
  }
  Raise(QStringLiteral("Cannot read file \"%1\". %2").arg(name, QString::fromLocal8Bit(std::strerror(read.iError))));
}

// The last good copy of a settings file, written beside it with every save.
QString BackupName(const QString &name) { return name + QStringLiteral(".bak"); }

}  // namespace

TAppCf TAppCf::WithinRanges() const {
  const TAppCf defaults;
  const auto within = [](int32_t v, TRange range, int32_t fallback) {
    return v >= range.iLow && v <= range.iHigh ? v : fallback;
  };
  TAppCf cf = *this;
  cf.SetTextTime(within(FTextTime, TextTimeRange, defaults.FTextTime));
  cf.SetPsDistance(within(FPsDistance, PsDistanceRange, defaults.FPsDistance));
  cf.SetImgTime(within(FImgTime, ImgTimeRange, defaults.FImgTime));
  cf.SetImgSize(within(FImgSize, ImgSizeRange, defaults.FImgSize));
  return cf;
}

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

TCfMrg::TCfMrg()
    : FAppCf(std::make_unique<TAppCf>()), FFileName(TGuardLink::Active() ? QString() : GetDataPath() + "appdata.dat") {
  LoadFormFile();
}

void TCfMrg::LoadFormFile(const QString &afileName) {
  // In guarded mode the settings are the guard's, sent in the file's own stream form.
  if (const TGuardLink *guard = afileName.isEmpty() ? TGuardLink::Active() : nullptr) {
    FAppCf = std::make_unique<TAppCf>(
        ReadAppCfStream(guard->Call(QStringLiteral("GetSettings")).value(0).toByteArray()).WithinRanges());
    return;
  }
  const QString name = afileName.isEmpty() ? FFileName : afileName;
  QByteArray data;
  const TFileState state = ReadSettingsFile(name, data);
  if (state == TFileState::Missing)
    return;
  try {
    if (state == TFileState::TooLarge)
      Raise(QStringLiteral("Stream too large"));
    FAppCf = std::make_unique<TAppCf>(ReadAppCfStream(data).WithinRanges());
  } catch (...) {
    RestoreLastGood(name);
    throw;
  }
}

void TCfMrg::RestoreLastGood(const QString &name) {
  // The broken file goes; the last good copy, when there is one, takes its place and its
  // values come into force, so garbage in the file cannot reset the settings to the defaults.
  QFile::remove(name);
  try {
    QByteArray data;
    if (ReadSettingsFile(BackupName(name), data) != TFileState::Read)
      return;
    FAppCf = std::make_unique<TAppCf>(ReadAppCfStream(data).WithinRanges());
    WriteWholeFile(name, WriteAppCfStream(*FAppCf));
  } catch (const std::exception &) {
    // No usable copy, or no right to put it back: the broken file's own error is the one to
    // report.
  }
}

void TCfMrg::SaveToFile(const QString &afileName) {
  const QByteArray data = WriteAppCfStream(*FAppCf);
  if (const TGuardLink *guard = afileName.isEmpty() ? TGuardLink::Active() : nullptr) {
    guard->Call(QStringLiteral("SetSettings"), {data});
    return;
  }
  const QString name = afileName.isEmpty() ? FFileName : afileName;
  WriteWholeFile(name, data);
  WriteWholeFile(BackupName(name), data);
}

void TCfMrg::Update() {
  SaveToFile();
  NotifySettingsChanged();
}
