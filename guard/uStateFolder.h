#pragma once
// The guard's state folder: everything the suite keeps machine-wide (the settings file and its
// last good copy, the card database, the logs under the data folder "Pemblo/", the machine's
// registry hive under "registry/"). The folder is the guard's alone: mode 0700, and every file
// the guard makes is 0600 (its file mask is 077). Installed: /var/lib/pemblo.
#include <QString>

inline const QString DefaultStateFolder = QStringLiteral("/var/lib/pemblo");

// Makes the folder when missing, takes every right of others away from it and points the data
// layer of this process at it (the common application data and registry folders). Raises when
// the folder cannot be made or is not a folder.
void UseStateFolder(const QString &folder);
