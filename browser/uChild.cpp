#include "browser/uChild.h"
#include "platform/errors/Errors.h"

#include "browser/uBrowserServices.h"
#include "browser/uFrmAddFav.h"
#include "common/uPageScreen.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "platform/errors/ErrorGuard.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

QString TabCaptionOf(const QString &title) {
  qsizetype first = 0;
  qsizetype last = title.size();
  while (first < last && title[first] <= QChar(' '))
    ++first;
  while (last > first && title[last - 1] <= QChar(' '))
    --last;
  QString caption = title.mid(first, last - first);
  for (QChar &c : caption)
    if (c >= QChar('A') && c <= QChar('Z'))
      c = QChar(c.unicode() + ('a' - 'A'));
  return caption;
}

TfrmChild::TfrmChild(TSubjectChild *ASubject, int32_t APageIndex, const QString &AUrl, IChildToMain *AChildToMain,
                     QWidget *AOwner)
    : QWidget(AOwner), FPageIndex(APageIndex), FUrl(AUrl), FSubject(ASubject), FChildToMain(AChildToMain) {
  setWindowFlag(Qt::FramelessWindowHint);
  FormCreate();
  setWindowTitle(FUrl);
  if (FSubject)
    FSubject->Attach(this);
}

TfrmChild::~TfrmChild() = default;

void TfrmChild::FormCreate() {
  FCanBack = false;
  FCanForward = false;
  FWebBrowser = new TWebBrowser(this);
  FWebBrowser->SetSilent(true);
  FWebBrowser->SetDropTarget(false);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FWebBrowser);
  setFocusProxy(FWebBrowser);

  // Handlers run from the engine's events: an error they raise is reported, never passed on.
  FWebBrowser->SetOnTitleChange(Guarded([this](const QString &text) { WebBrowserTitleChange(text); }));
  FWebBrowser->SetOnCommandStateChange(
      Guarded([this](int command, bool enable) { WebBrowserCommandStateChange(command, enable); }));
  FWebBrowser->SetOnStatusTextChange(Guarded([this](const QString &text) { WebBrowserStatusTextChange(text); }));
  FWebBrowser->SetOnNewWindow(Guarded([this](TNewWindowArgs &args) { WebBrowserNewWindow(args); }));
  FWebBrowser->SetOnCloseRequest(Guarded([this] { WebBrowserCloseRequest(); }));
  FWebBrowser->SetOnDocumentComplete(Guarded([this](const QString &url) { WebBrowserDocumentComplete(url); }));
  FScreen = new TPageScreen(FWebBrowser);
  FScreen->SetOnOwnPageShown([this] { OwnPageShown(); });
  connect(FScreen, &TPageScreen::FilterDecided, this, &TfrmChild::FilterDecided);
  connect(FScreen, &TPageScreen::AddressRefused, this, &TfrmChild::AddressRefused);
}

void TfrmChild::CheckShownAddress(bool visit) { FScreen->CheckShownAddress(visit); }

void TfrmChild::closeEvent(QCloseEvent *event) {
  FormClose();
  event->accept();
}

void TfrmChild::FormClose() {
  // The registry releases the page once this close is over.
  if (FSubject) {
    TSubjectChild *subject = FSubject;
    FSubject = nullptr;
    subject->Detach(this);
  }
}

void TfrmChild::LogAddress(const QString &url) {
  if (TTextLogManager *log = TBrowserServices::TextLog())
    log->LogVisit(url);
}

void TfrmChild::IStop(TSubjectChild *theChangedSubject) {
  if (theChangedSubject == FSubject && FWebBrowser)
    FWebBrowser->Stop();
}

void TfrmChild::INavigate(TSubjectChild *theChangedSubject, const QString &AUrl) {
  if (theChangedSubject != FSubject)
    return;
  if (!AUrl.isEmpty())
    FUrl = AUrl;
  FWebBrowser->Navigate(FUrl);
  LogAddress(FUrl);
}

void TfrmChild::IGoBack(TSubjectChild *theChangedSubject) {
  if (theChangedSubject == FSubject && FWebBrowser)
    FWebBrowser->GoBack();
}

void TfrmChild::IGoForward(TSubjectChild *theChangedSubject) {
  if (theChangedSubject == FSubject && FWebBrowser)
    FWebBrowser->GoForward();
}

void TfrmChild::IAddFav(TSubjectChild *theChangedSubject) {
  if (theChangedSubject != FSubject || FWBState != wbsComplete)
    return;
  // The dialog belongs to the page: a page that closes itself meanwhile takes the dialog with
  // it, and the page is not touched again after the dialog's wait.
  QPointer<TfrmAddFav> dialog = new TfrmAddFav(FWebBrowser->Title(), FWebBrowser->LocationURL(), this);
  dialog->exec();
  delete dialog;
}

void TfrmChild::IRefresh(TSubjectChild *theChangedSubject) {
  if (theChangedSubject == FSubject && FWebBrowser)
    FWebBrowser->Refresh();
}

void TfrmChild::IClose(TSubjectChild *theChangedSubject) {
  if (theChangedSubject == FSubject)
    close();
}

void TfrmChild::IBringToFront(TSubjectChild *theChangedSubject) {
  if (theChangedSubject != FSubject)
    return;
  FChildToMain->ISetTabCaption(FPageIndex, windowTitle());
  FChildToMain->ISetBackState(FPageIndex, FCanBack);
  FChildToMain->ISetForwadState(FPageIndex, FCanForward);
  FChildToMain->ISetStopState(FPageIndex, FCanStop);
  FChildToMain->ISimpleText(FPageIndex, FStatuText);
  FChildToMain->ISetAddressText(FPageIndex, FUrl);
  // Pages behind the current one are hidden by the main window, so their views draw nothing;
  // the page in front is shown again.
  show();
  raise();
}

TWebBrowser *TfrmChild::IGetDefaultDispatch(TSubjectChild *) { return FWebBrowser; }

void TfrmChild::IUpdateIndex(TSubjectChild *theChangedSubject, int32_t aIndex) {
  if (theChangedSubject == FSubject && aIndex != FPageIndex)
    FPageIndex = aIndex;
}

void TfrmChild::WebBrowserTitleChange(const QString &text) {
  setWindowTitle(TabCaptionOf(text));
  FChildToMain->ISetTabCaption(FPageIndex, windowTitle());
}

void TfrmChild::WebBrowserCommandStateChange(int command, bool enable) {
  switch (command) {
  case CSC_UPDATECOMMANDS:
    FCanStop = FWebBrowser->Busy();
    break;
  case CSC_NAVIGATEFORWARD:
    FCanForward = enable;
    FChildToMain->ISetForwadState(FPageIndex, enable);
    break;
  case CSC_NAVIGATEBACK:
    FCanBack = enable;
    FChildToMain->ISetBackState(FPageIndex, enable);
    break;
  default:
    break;
  }
}

void TfrmChild::WebBrowserStatusTextChange(const QString &text) {
  FStatuText = text;
  FChildToMain->ISimpleText(FPageIndex, FStatuText);
}

void TfrmChild::WebBrowserNewWindow(TNewWindowArgs &args) {
  // A new window is opened only while the mouse points at a link; without one the request is
  // left to the control, which opens nothing. The window's own address is opened afresh in a
  // new tab, so the new page loads, is logged and is screened like any other, and its opener
  // cannot write into it. A script's blank window (which the engine may name
  // "about:blank#blocked") becomes a blank tab.
  if (FStatuText.isEmpty())
    return;
  args.Cancel = true;
  // A few become tabs; the rest of a burst (requests less than a second apart) are refused
  // silently, however long the burst lasts.
  if (!FNewWindowsSince.isValid() || FNewWindowsSince.elapsed() >= 1000)
    FNewWindows = 0;
  FNewWindowsSince.start();
  if (++FNewWindows > NewWindowsInABurst)
    return;
  const bool blank = args.Url.isEmpty() || args.Url.scheme() == QLatin1String("about");
  const QString url = blank ? QStringLiteral("about:blank") : args.Url.toString();
  // The new tab is made once the engine has finished with its request.
  QTimer::singleShot(0, this, Guarded([this, url] { FChildToMain->INewPage(url, true); }));
}

void TfrmChild::WebBrowserCloseRequest() {
  // The control never closes itself; the page leaves through its registry. It asks under its
  // place in the registry, not under its remembered index, which may be stale for a page in
  // the background and would close another page.
  if (!FSubject)
    return;
  const int32_t index = FSubject->IndexOf(this);
  if (index >= 0)
    FSubject->Close(index);
}

void TfrmChild::WebBrowserDocumentComplete(const QString &) {
  FWBState = wbsComplete;
  FUrl = FWebBrowser->LocationURL();
  FChildToMain->ISetAddressText(FPageIndex, FUrl);
}

void TfrmChild::OwnPageShown() {
  // A blocked page is shown under its address all the same, before its load or without one.
  FWBState = wbsComplete;
  FUrl = FWebBrowser->LocationURL();
  FChildToMain->ISetAddressText(FPageIndex, FUrl);
}
