#pragma once
// The settings shared by the browser and the parental manager, kept in "appdata.dat" in the
// data folder as a binary component stream ("TPF0").
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

// The settings record. Its stream form holds the class name "TAppCf", an empty component name
// and the five properties below (the tag only while it is not 0).
class TAppCf {
public:
  int32_t TextTime() const { return FTextTime; }      // days text logs are kept
  int32_t PsDistance() const { return FPsDistance; }  // minutes between screen captures
  int32_t ImgTime() const { return FImgTime; }        // days screen-capture logs are kept
  int32_t ImgSize() const { return FImgSize; }        // megabytes of the capture log folder
  bool OffOn() const { return FOffOn; }               // the browser's content filter is on
  int32_t Tag() const { return FTag; }

  void SetTextTime(int32_t v) { FTextTime = v; }
  void SetPsDistance(int32_t v) { FPsDistance = v; }
  void SetImgTime(int32_t v) { FImgTime = v; }
  void SetImgSize(int32_t v) { FImgSize = v; }
  void SetOffOn(bool v) { FOffOn = v; }
  void SetTag(int32_t v) { FTag = v; }

  bool operator==(const TAppCf &) const = default;

  // The values the editors allow. A file read with a value outside its range (edited by hand)
  // gives the default instead: a negative TextTime would make every log "too old".
  struct TRange {
    int32_t iLow, iHigh;
  };
  static constexpr TRange TextTimeRange{1, 60}, PsDistanceRange{5, 60}, ImgTimeRange{1, 60}, ImgSizeRange{50, 100};
  // This record with every value outside its range at its default.
  TAppCf WithinRanges() const;

private:
  int32_t FTag = 0;
  int32_t FTextTime = 5;
  int32_t FPsDistance = 5;
  int32_t FImgTime = 5;
  int32_t FImgSize = 50;
  bool FOffOn = false;
};

// The component stream of a record, byte for byte as the toolkit writes it.
QByteArray WriteAppCfStream(const TAppCf &cf);
// Reads a record from a component stream: any integer form, properties in any order, missing
// ones at their defaults. Raises std::runtime_error for anything that is not such a stream.
TAppCf ReadAppCfStream(const QByteArray &stream);

// The settings manager: one per process, over GetDataPath() + "appdata.dat"; in guarded mode
// over the guard's settings (FileName empty): reading and saving without a file name ask the
// guard, which refuses a change outside a parent session (EGuardError), and a named file is
// read and written here as always.
class TCfMrg {
public:
  // Raises "无法创建目录:" + path when the data folder cannot be made, and the errors of
  // LoadFormFile.
  TCfMrg();

  const TAppCf &AppCf() const { return *FAppCf; }
  TAppCf &AppCf() { return *FAppCf; }
  const QString &FileName() const { return FFileName; }

  // Reads afileName (FileName when empty), values outside their ranges at their defaults
  // (TAppCf::WithinRanges). A missing file keeps the current settings. A file
  // that is there but cannot be opened or read (permissions, not a regular file, an I/O error)
  // is left alone and the error raised, the current settings staying. A file whose content is
  // broken (or that is larger than 64 KiB) is deleted and the error raised; its last good copy
  // afileName + ".bak", when readable, takes its place and its values come into force.
  void LoadFormFile(const QString &afileName = QString());
  // Writes the settings to afileName (FileName when empty) and to its last good copy
  // afileName + ".bak". Each file is replaced in one step, so a reader never meets a
  // half-written file; a full disk or an I/O error raises and leaves the file as it was.
  void SaveToFile(const QString &afileName = QString());
  // Saves to FileName, then posts WM_CFGUPDATE to the lock channel and to every running browser.
  void Update();

private:
  void RestoreLastGood(const QString &name);

  std::unique_ptr<TAppCf> FAppCf;
  QString FFileName;
};
