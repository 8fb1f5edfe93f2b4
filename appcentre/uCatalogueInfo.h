#pragma once
// The info text of a catalogue row: six comma-separated fields, each a key followed by its
// value, "name:%s,rank:%d,logo:%s,type:%d,durl:%s,exe_path:%s", recognised by position. Paths
// may hold the macros "{app}" and "{commonappdata}", both the executable folder (with its
// trailing "/"). Pure text work: touches no file and no database.
#include <QString>
#include <cstdint>

// What a click on a catalogue entry does.
enum TCategoryType : int32_t { ctWebLink = 0, ctLocalProgram = 1, ctGroup = 2, ctCustomLink = 3 };

// The six fields of an info text. A row whose text does not split into six fields keeps these
// defaults: no name, and a type that a click ignores.
struct TInfoFields {
  QString sname;
  int32_t irank = 0;
  QString slogo;
  int32_t itype = -1;
  QString sdurl;
  QString sexe_path;
};

// How the program path of a row is read: expanded and with "//" repaired (categories), or as
// stored (applications of a group).
enum class TExePathReading { Expand, AsStored };

// Fills `fields` from `info` when it splits into exactly six fields; otherwise leaves them as
// they are. Raises EPembloError when "rank:" or "type:" is not followed by a decimal integer.
void ReadInfoText(const QString &info, TExePathReading exePath, TInfoFields &fields);

// "{app}" and "{commonappdata}" (case-sensitive, every occurrence) replaced by exeFolder.
QString ExpandPathMacros(const QString &path, const QString &exeFolder);

// The info text of the fields, as stored.
QString InfoText(const TInfoFields &fields);
