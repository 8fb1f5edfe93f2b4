#pragma once
// The info text of a catalogue row: six comma-separated fields, each a key followed by its
// value, "name:%s,rank:%d,logo:%s,type:%d,durl:%s,exe_path:%s", recognised by position. Paths
// may hold the macros "{app}" and "{commonappdata}", both the executable folder (with its
// trailing "/"). Every reader splits the text at each comma and ends it at a NUL, with no
// escape, so no value is written with either. Pure text work: touches no file and no database.
#include <QString>
#include <cstdint>

// What a click on a catalogue entry does.
enum TCategoryType : int32_t { ctWebLink = 0, ctLocalProgram = 1, ctGroup = 2, ctCustomLink = 3 };

// The six fields of an info text.
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

// Fills `fields` from `info`. Raises EPembloError, leaving them as they are, when the text does
// not split into exactly six fields (a row that cannot be read) or when "rank:" or "type:" is
// not followed by a decimal integer.
void ReadInfoText(const QString &info, TExePathReading exePath, TInfoFields &fields);

// "{app}" and "{commonappdata}" (case-sensitive, every occurrence) replaced by exeFolder.
QString ExpandPathMacros(const QString &path, const QString &exeFolder);

// The info text of the fields, as stored, in a form every reader splits into the same six
// fields: the address's commas and NULs are written "%2C" and "%00" (the same address); a
// comma in the name, which is only shown, is written as the full-width "，" and a NUL left out.
// Raises "路径含有无法保存的字符:" + path when the logo or program path holds either, which no
// form of a path can.
QString InfoText(const TInfoFields &fields);
