#pragma once
// The web black list inside the engine: an interceptor of every request the pages of one
// web-engine profile make, whatever asks for it (a page or a frame, a script, a picture, a
// style, a font, a fetch or XMLHttpRequest, a WebSocket, a worker, a media file, a ping). A
// request to an address the black list blocks now is never made: a frame's document is
// replaced by the black-list page of the control's own scheme, every other request is refused.
// Refused documents (frames, and top-level documents a page did not refuse itself) are told to
// the owner (OnRefused), each row at most once a minute, so a page cannot flood the parent's log
// and the host; the other requests are refused silently. It reads the black list and the clock
// only; the owner keeps the list alive while the filter lives.
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <cstdint>
#include <functional>

class QWebEngineProfile;
class TWebBlackList;

// The page shown for an address on the black list: it cannot be visited now, and from when on
// it can (the end of the time window; the day is named when it is not today's).
QString BlackListPage(const QDateTime &end, const QDateTime &now);

// A document refused by the black list: its address and the key of the row that refused it.
using TRefusedEvent = std::function<void(const QUrl &address, int32_t key)>;

class TRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
  // Screens every request of profile's pages against blackList until the filter goes.
  TRequestFilter(const TWebBlackList &blackList, QWebEngineProfile *profile);
  ~TRequestFilter() override;

  void SetOnRefused(TRefusedEvent handler) { FOnRefused = std::move(handler); }

  void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
  // How long after telling a row's refused document the next of the same row goes untold.
  static inline constexpr qint64 QuietMs = 60000;

  const TWebBlackList &FBlackList;
  QWebEngineProfile *FProfile;
  TRefusedEvent FOnRefused;
  QHash<int32_t, QElapsedTimer> FTold;  // row key → when a refused document of it was told
};
