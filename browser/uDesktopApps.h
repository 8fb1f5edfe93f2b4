#pragma once
// The Linux desktop's idea of default applications, as the freedesktop.org tools keep it: a
// desktop entry "<id>" in $XDG_DATA_HOME/applications and the defaults per MIME type in the
// "[Default Applications]" section of mimeapps.list in $XDG_CONFIG_HOME (then the system's
// configuration and data folders, as the desktop reads them). Touches only the user's desktop
// entry of the given id and the user's mimeapps.list.
#include <QString>
#include <QStringList>

// $XDG_CONFIG_HOME, else ~/.config.
QString DesktopConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
QString DesktopDataHome();

// The program path as one argument of a desktop entry's Exec line: quoted (and escaped) only
// when it holds a character the format reserves, "%" doubled.
QString DesktopExecArgument(const QString &path);

// Writes the application entry DesktopDataHome()/applications/<id> (folder created when
// missing), replacing an older one. Returns false when it cannot be written.
bool WriteDesktopEntry(const QString &id, const QString &name, const QString &exec, const QStringList &mimeTypes);

// Makes id the default application of each MIME type in the user's mimeapps.list; the file's
// other lines stay as they are, the file is replaced in one step. Returns false when it cannot
// be written.
bool SetDefaultApplication(const QStringList &mimeTypes, const QString &id);

// The desktop's default application of mimeType: the first entry named for it under
// "[Default Applications]" in the first mimeapps.list that names one; empty when none does.
QString DefaultApplication(const QString &mimeType);
