#pragma once
// A small web server on 127.0.0.1 for the browser's tests, benchmark and demonstration: it
// serves pages set in advance and tells who asked for what.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpServer;

class TLocalServer : public QObject {
  Q_OBJECT
public:
  // Listens on 127.0.0.1 on a free port.
  explicit TLocalServer(QObject *parent = nullptr);

  // The address of a path on this server, e.g. Url("/home").
  QString Url(const QString &path) const;
  // Serves body for path (the query is ignored when matching); other paths get 404.
  void SetPage(const QString &path, const QByteArray &body,
               const QByteArray &contentType = "text/html; charset=utf-8");
  // The paths asked for so far, in order (with their queries).
  const QStringList &Requests() const { return FRequests; }
  int RequestCount(const QString &path) const;

  // A page that tells the server once it has completed loading: it then asks for
  // "/loaded?" + its own path.
  static QByteArray PageThatReportsLoad(const QString &title, const QString &body);

Q_SIGNALS:
  void Requested(const QString &pathAndQuery);

private:
  void Answer(class QTcpSocket *socket);

  QTcpServer *FServer;
  QHash<QString, QPair<QByteArray, QByteArray>> FPages;
  QStringList FRequests;
};
