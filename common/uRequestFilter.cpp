#include "common/uRequestFilter.h"

#include "common/uWebBrowser.h"
#include "datastore/uWebBlackList.h"
#include "platform/errors/ErrorGuard.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>

QString BlackListPage(const QDateTime &end, const QDateTime &now) {
  QString until;
  if (end.isValid())
    until = QStringLiteral("，到 ") +
            end.toString(end.date() == now.date() ? QStringLiteral("hh:mm") : QStringLiteral("M月d日 hh:mm")) +
            QStringLiteral(" 以后再来");
  return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title></title></head>"
                        "<body><div style=\"text-align:center;margin-top:120px;font-size:24px\">"
                        "这个网址现在不能访问%1</div></body></html>")
      .arg(until);
}

TRequestFilter::TRequestFilter(const TWebBlackList &blackList, QWebEngineProfile *profile)
    : FBlackList(blackList), FProfile(profile) {
  FProfile->setUrlRequestInterceptor(this);
}

TRequestFilter::~TRequestFilter() { FProfile->setUrlRequestInterceptor(nullptr); }

void TRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info) {
  const QDateTime now = QDateTime::currentDateTime();
  const QUrl address = info.requestUrl();
  const auto match = FBlackList.Check(address, now);
  if (!match)
    return;
  // A frame shows why it is empty; a top-level document that reaches the engine (a page refuses
  // its own before they are requested) and every other request are refused outright.
  const auto type = info.resourceType();
  const bool frame = type == QWebEngineUrlRequestInfo::ResourceTypeSubFrame;
  const bool document = frame || type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
  if (frame)
    info.redirect(TWebBrowser::OwnDocumentAddress(BlackListPage(match->tEnd, now)));
  else
    info.block(true);
  if (!document || !FOnRefused)
    return;
  QElapsedTimer &told = FTold[match->iWid];
  if (told.isValid() && told.elapsed() < QuietMs)
    return;
  told.start();
  GuardedCall([&] { FOnRefused(address, match->iWid); });
}
