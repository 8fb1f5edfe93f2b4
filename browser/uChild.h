#pragma once
// One page of the browser: a borderless form that fills the main window's content panel,
// hosts one web-browser control and belongs to one tab. It obeys the commands of its page
// registry, reports the control's events to the main window under its tab index, writes every
// requested address to the process's browse log (TBrowserServices) and has its control screened
// (TPageScreen: the black list and the word filter, with the block log).
#include "browser/uChildToMain.h"
#include "browser/uObserverChild.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <cstdint>

class TWebBrowser;
class TPageScreen;
struct TNewWindowArgs;

enum TWebBrowserState { wbsStart, wbsComplete, wbsBrowser, wbsError, wbsInit };

class TfrmChild : public QWidget, public IObserverChild {
  Q_OBJECT
public:
  // Attaches the page to ASubject; the caller places and shows it, then navigates it through
  // the registry.
  TfrmChild(TSubjectChild *ASubject, int32_t APageIndex, const QString &AUrl, IChildToMain *AChildToMain,
            QWidget *AOwner);
  ~TfrmChild() override;

  void IStop(TSubjectChild *theChangedSubject) override;
  void INavigate(TSubjectChild *theChangedSubject, const QString &AUrl) override;
  void IGoBack(TSubjectChild *theChangedSubject) override;
  void IGoForward(TSubjectChild *theChangedSubject) override;
  void IAddFav(TSubjectChild *theChangedSubject) override;
  void IRefresh(TSubjectChild *theChangedSubject) override;
  void IClose(TSubjectChild *theChangedSubject) override;
  void IBringToFront(TSubjectChild *theChangedSubject) override;
  TWebBrowser *IGetDefaultDispatch(TSubjectChild *theChangedSubject) override;
  void IUpdateIndex(TSubjectChild *theChangedSubject, int32_t aIndex) override;

  TWebBrowserState WBState() const { return FWBState; }
  int32_t PageIndex() const { return FPageIndex; }
  const QString &Url() const { return FUrl; }
  TWebBrowser *WebBrowser() const { return FWebBrowser; }
  // Replaces the shown document by the black-list page when its address is on the black list
  // now: a page already open when its row comes into force (the block log is told) or one that
  // moved to a listed address inside its document (a visit: the host is told as well).
  void CheckShownAddress(bool visit);

signals:
  // The filter has decided on the shown document's text: blocked or let through. It decides
  // several times a document (parsed, loaded, changed, with its frames) until it blocks. For
  // watchers of the page (tests, benchmarks); the page itself reports nothing about it.
  void FilterDecided(bool blocked);
  // An address on the black list was refused and its page is shown; key is the row's.
  void AddressRefused(int32_t key);

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  void FormCreate();
  void FormClose();
  void WebBrowserTitleChange(const QString &text);
  void WebBrowserCommandStateChange(int command, bool enable);
  void WebBrowserStatusTextChange(const QString &text);
  void WebBrowserNewWindow(TNewWindowArgs &args);
  void WebBrowserCloseRequest();
  void WebBrowserDocumentComplete(const QString &url);
  void OwnPageShown();
  void LogAddress(const QString &url);

  TWebBrowserState FWBState = wbsInit;
  bool FCanBack = false;
  bool FCanForward = false;
  bool FCanStop = false;
  TWebBrowser *FWebBrowser = nullptr;
  TPageScreen *FScreen = nullptr;
  int32_t FPageIndex;
  QString FStatuText;
  // New windows this page asked for in its last burst (each less than a second after the one
  // before, the last at FNewWindowsSince): a page that asks for many at once would fill the
  // browser with tabs and engine processes.
  static inline constexpr int NewWindowsInABurst = 3;
  QElapsedTimer FNewWindowsSince;
  int FNewWindows = 0;
  QString FUrl;
  TSubjectChild *FSubject;
  IChildToMain *FChildToMain;
};

// Lower-cases A..Z only and trims blanks and control characters from both ends: the tab
// caption made from a page title.
QString TabCaptionOf(const QString &title);
