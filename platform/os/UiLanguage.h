#pragma once
// The language of the toolkit's own texts. The suite is made for Chinese systems, where the
// buttons of message boxes and file dialogs, the edit menus and the web engine's own pages (a
// site that cannot be reached) are Chinese whatever else the system is set to. This installs Qt's
// Chinese catalogues (qtbase, qtwebengine) into the running application and has the web engine
// start in Chinese, regardless of the user's locale. The default QLocale stays as it is, so
// numbers and dates are written as before; the engine is told through its switch variable
// QTWEBENGINE_CHROMIUM_FLAGS ("--lang=zh-CN"), which the programs this process starts inherit.
//
// Every program calls it right after making its application, before any web page exists (the
// engine reads its language once, at its start); every library export calls it too, since its
// host may not have. Calls after the first for the same application do nothing, also from the
// separate copies linked into each library. Without an application it does nothing; without
// Qt's Chinese catalogues (Debian package qt6-translations-l10n) the toolkit's texts stay English.
void InstallChineseUiLanguage();
