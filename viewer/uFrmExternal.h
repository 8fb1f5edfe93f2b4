#pragma once
// The viewer's only window: a small skinned window that shows one page of learning news in the
// web-browser control, with a loading animation until the page has loaded. The page is screened
// as the browser's pages are (TPageScreen: the black list, and the word filter while the settings
// switch it on, with the parent's block log), with the services of the process's
// TScreenServices, which main makes before the window. The settings and the black list are read
// again before each navigation of the page, and the shown address is checked against the black
// list once a second (a row's window that begins while the page is shown). Every request of the
// page for a new window is cancelled and its address opened in the filtered browser, at most one
// a second. Once a second it looks for the host's main window and closes itself when that is gone.
// Its start address is a constant (see StartAddress).
#include "controls/uSkinForm.h"

#include <QElapsedTimer>
#include <QString>

class QLabel;
class QTimer;
class TGifPlayer;
class TPageScreen;
class TPanelEx;
class TSysMenuButton;
class TWebBrowser;
struct TNewWindowArgs;

// The page the viewer shows: the learning news of the product's web site. PEMBLO_EXTERNAL_PAGE,
// when set, takes its place (tests, benchmarks and the demonstration serve a page on 127.0.0.1).
QString StartAddress();

class TFrmExternal : public TSkinForm {
  Q_OBJECT
public:
  explicit TFrmExternal(QWidget *parent = nullptr);

  // Controls, for those who drive the window (tests, the gallery).
  TPanelEx *BackPanel() const { return plxBg; }
  TWebBrowser *WebBrowser() const { return emwWB; }
  TGifPlayer *LoadingPicture() const { return imgLoading; }
  QWidget *LoadingPanel() const { return pnlLoading; }
  TSysMenuButton *MinButton() const { return sysBtnMin; }
  TSysMenuButton *CloseButton() const { return sysBtnClose; }
  QTimer *HostTimer() const { return tmrMRun; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormCreate();
  void FormShow();
  void emwWBDocumentComplete();
  void emwWBNewWindow3(TNewWindowArgs &args);
  static void ReadServices();
  void tmrMRunTimer();

  // Milliseconds after an address is handed to the browser in which new windows are dropped.
  static constexpr qint64 NewWindowInterval = 1000;

  bool FShown = false;
  QElapsedTimer FLastHandedOver;  // when the last address went to the browser; invalid: never
  TPanelEx *plxBg;
  QLabel *imgAppIco;
  TSysMenuButton *sysBtnMin;
  TSysMenuButton *sysBtnClose;
  TWebBrowser *emwWB;
  TPageScreen *FScreen;
  QTimer *tmrMRun;
  TGifPlayer *imgLoading;
  QWidget *pnlLoading;
};
