#pragma once
// Whether the browser is the system's default web browser, and making it so: the registry
// entries of the browser's programmatic identifier, its start-menu client and the user's
// choices for web addresses and web files, plus, because the registry alone makes nothing the
// default here, the desktop entry and the desktop's defaults for http, https and HTML files
// (uDesktopApps). Plain functions without state; the offer asks the user at start.
#include <QString>

// The browser's programmatic identifier in the registry.
inline const QString BrowserProgID = QStringLiteral("PB.Association.HTML");
// The browser's desktop entry.
inline const QString BrowserDesktopId = QStringLiteral("pemblobrowser.desktop");

// The registry entries differ between the systems up to XP and those from Vista on; this system
// takes the newer ones. The older ones stay selectable for whoever registers for such a system.
enum class TWinGeneration { XPOrOlder, VistaOrNewer };
inline constexpr TWinGeneration ThisWinGeneration = TWinGeneration::VistaOrNewer;

// "\"" + the running program's full path + "\" \"%1\"".
QString BrowserCommandLine();

// The registry's answer: the default verb of http (older systems) or the user's choice for http
// addresses (newer ones), trimmed and compared without regard to letter case, names the
// browser's identifier. A missing key or value is not default; nothing is created.
bool IsDefaultInRegistry(TWinGeneration generation = ThisWinGeneration);

// The desktop's answer when it has one (its default for http addresses is the browser's entry
// or not), else the registry's, so that a user who picks another browser in the desktop's
// settings is asked again.
bool IsDefaultBrowser(TWinGeneration generation = ThisWinGeneration);

// Writes every entry on its own; an entry whose key cannot be written (HKLM without the rights
// for it, a folder that cannot be written) is skipped silently, and the outcome is not checked.
void RegisterDefaultBrowser(TWinGeneration generation = ThisWinGeneration);

// At start: when the browser is not the default, asks the user (no owner window) and, on Yes,
// registers it.
void MakeDefaultBrowserOffer();
