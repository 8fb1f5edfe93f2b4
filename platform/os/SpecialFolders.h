#pragma once
// Where the shell's special folders live on this system. Each has an environment variable that
// points it elsewhere (installations and tests use them), and a default under the home folder.
#include <QString>

inline constexpr int CSIDL_FAVORITES = 6;        // the user's Favorites
inline constexpr int CSIDL_COMMON_APPDATA = 35;  // application data shared by all users

// The folder of a special folder id, without a trailing separator; empty for an id this
// system does not know or when neither the variable nor a home folder is set.
QString GetSpecialFolderPath(int csidl);

// The folder holding the registry hive files.
QString GetRegistryFolder();
