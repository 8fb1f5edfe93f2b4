#include "common/uPageScreen.h"

#include "common/uPathFunc.h"
#include "common/uRequestFilter.h"
#include "common/uScreenServices.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "datastore/uWebBlackList.h"
#include "platform/errors/ErrorGuard.h"
#include "wordfilter/PageMatcher.h"
#include "wordfilter/TextNormaliser.h"

#include <QDateTime>
#include <QWebEnginePage>
#include <algorithm>
#include <vector>

QString BlockingPage(const QString &pictureFolder) {
  static const QString pageTemplate = QStringLiteral(
      "<html>  <body><DIV align=center><img src=\"%s/error.jpg\"  width=\"423\" height=\"214\" hspace=\"2\" "
      "vspace=\"1\" border=\"1\"/></div></body></html>");
  return QString(pageTemplate).replace(QStringLiteral("%s"), pictureFolder);
}

bool PageTextCanPass(const QString &text, int32_t threshold) {
  const QString normal = NormalisePageText(text);
  return TPageMatcher::Shared().Count(UnitsOf(normal), threshold) < threshold;
}

QString PageFindings(const QString &text) {
  const QString normal = NormalisePageText(text);
  const TPageMatcher &matcher = TPageMatcher::Shared();
  std::vector<int32_t> found(matcher.Words().size(), 0);
  std::vector<int32_t> order;  // the words in the order they were first found
  int32_t hits = 0;
  matcher.Find(UnitsOf(normal), 0, size_t(normal.size()), [&](size_t, int32_t word) {
    ++hits;
    if (found[size_t(word)]++ == 0)
      order.push_back(word);
  });
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return found[size_t(a)] > found[size_t(b)]; });
  QString findings = QStringLiteral("%1 hits").arg(hits);
  for (size_t i = 0; i < order.size() && i < MostFoundWords; ++i)
    findings += (i == 0 ? QStringLiteral("  ") : QStringLiteral(", ")) +
                QString::fromStdU16String(matcher.Words()[size_t(order[i])]) +
                QStringLiteral(" %1").arg(found[size_t(order[i])]);
  return findings;
}

TPageScreen::TPageScreen(TWebBrowser *browser) : QObject(browser), FWebBrowser(browser) {
  // Handlers run from the engine's events: an error they raise is reported, never passed on.
  FWebBrowser->SetOnLoadStart(Guarded([this] { LoadStart(); }));
  FWebBrowser->SetOnBeforeNavigate(Guarded([this](TNavigateArgs &args) { BeforeNavigate(args); }));
  FWebBrowser->SetOnDocumentText(
      Guarded([this](TTextMoment moment, const QString &text) { DocumentText(moment, text); }));
  FWebBrowser->SetTextWatch(true);
  // A page that moves inside its document (history state, fragment) asks for nothing: its new
  // address is checked here.
  connect(FWebBrowser->Page(), &QWebEnginePage::urlChanged, this, Guarded([this](const QUrl &) {
            if (!FWebBrowser->Busy())
              CheckShownAddress(true);
          }));
}

void TPageScreen::CheckShownAddress(bool visit) {
  const TWebBlackList *blackList = TScreenServices::BlackList();
  if (!blackList || FWebBrowser->ShowsOwnDocument())
    return;
  const QString address = FWebBrowser->LocationURL();
  const QDateTime now = QDateTime::currentDateTime();
  const auto match = blackList->Check(QUrl(address), now);
  if (!match)
    return;
  if (visit)
    TScreenServices::ReportRefused(address, match->iWid);
  else if (TTextLogManager *log = TScreenServices::BlockLog())
    log->LogBlackListed(address, match->iWid);
  const int32_t key = match->iWid;
  FWebBrowser->ReplaceDocument(BlackListPage(match->tEnd, now), [this, key] {
    OwnPageShown();
    emit AddressRefused(key);
  });
}

void TPageScreen::LoadStart() {
  // A document is screened when the filter is on as it starts to load; then it is not seen
  // before its text was screened once.
  FScreened = TScreenServices::FilterOn();
  FWebBrowser->SetCoverLateReadings(FScreened);
  if (FScreened)
    FWebBrowser->SetCovered(true);
}

void TPageScreen::DocumentText(TTextMoment, const QString &text) {
  // The text is screened when the document is parsed, at its load, after later changes and
  // with the text of its frames; the first decision that blocks it is final.
  if (!FScreened || !TScreenServices::FilterOn()) {
    // A document let through unread is not hidden when it is busy.
    FWebBrowser->SetCoverLateReadings(false);
    FWebBrowser->SetCovered(false);
    return;
  }
  if (PageTextCanPass(text, BlockThreshold)) {
    FWebBrowser->SetCovered(false);
    emit FilterDecided(false);
    return;
  }
  // The parent learns why; the count is taken again in full, as the decision stops early.
  if (TTextLogManager *log = TScreenServices::BlockLog())
    log->LogBlocked(FWebBrowser->LocationURL(), PageFindings(text));
  // The blocking page is a new document: nothing of the blocked page runs on behind it.
  const QString page = BlockingPage(TWebBrowser::LocalFolderAddress(GetExePath()));
  FWebBrowser->ReplaceDocument(page, [this] {
    OwnPageShown();
    emit FilterDecided(true);
  });
}

void TPageScreen::OwnPageShown() {
  FWebBrowser->SetCovered(false);
  if (FOnOwnPageShown)
    FOnOwnPageShown();
}

void TPageScreen::BeforeNavigate(TNavigateArgs &args) {
  if (FOnNavigate)
    GuardedCall([this] { FOnNavigate(); });
  const TWebBlackList *blackList = TScreenServices::BlackList();
  if (!blackList)
    return;
  const QDateTime now = QDateTime::currentDateTime();
  const auto match = blackList->Check(args.Url, now);
  if (!match)
    return;
  // Nothing is asked of the address: its page is ours.
  args.Cancel = true;
  TScreenServices::ReportRefused(args.Url.toString(), match->iWid);
  const int32_t key = match->iWid;
  FWebBrowser->ReplaceRequest(args.Url, BlackListPage(match->tEnd, now), [this, key] {
    OwnPageShown();
    emit AddressRefused(key);
  });
}
