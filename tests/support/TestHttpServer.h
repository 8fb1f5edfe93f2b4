#pragma once
// A small HTTP server on 127.0.0.1 inside the test process: it serves the test pages from a
// table of routes, each optionally answered after a delay, and remembers what was requested.
#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class TTestHttpServer : public QObject {
  Q_OBJECT
public:
  TTestHttpServer();

  // Serves body at path (e.g. "/a.html"); delayMs postpones the answer.
  void Route(const QString &path, const QByteArray &body, const QByteArray &contentType = "text/html; charset=utf-8",
             int delayMs = 0);
  QUrl Url(const QString &path) const;
  // Paths requested so far, in order.
  const QStringList &Requests() const { return FRequests; }
  // Connections made so far, whether or not a request came on them.
  int Connections() const { return FConnections; }

private:
  struct TRoute {
    QByteArray body;
    QByteArray contentType;
    int delayMs;
  };
  void Serve(QTcpSocket *socket);

  QTcpServer FServer;
  QHash<QString, TRoute> FRoutes;
  QStringList FRequests;
  int FConnections = 0;
};
