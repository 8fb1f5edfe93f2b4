#pragma once
// What the browser takes from the system's Internet Explorer installation: its program path,
// read from the registry without creating anything, and the icon the browser's file type
// borrows from it.
#include <QString>

// The default value of HKLM "\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE";
// empty when it is not registered.
QString GetIEPath();

// The Internet Explorer program's second icon (path + ",1"), or empty when no program is
// registered or the registered file does not exist.
QString GetIEIcon();
