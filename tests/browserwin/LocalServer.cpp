#include "LocalServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

TLocalServer::TLocalServer(QObject *parent) : QObject(parent), FServer(new QTcpServer(this)) {
  if (!FServer->listen(QHostAddress::LocalHost))
    qFatal("cannot listen on 127.0.0.1: %s", qPrintable(FServer->errorString()));
  connect(FServer, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket *socket = FServer->nextPendingConnection()) {
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

QString TLocalServer::Url(const QString &path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(FServer->serverPort()).arg(path);
}

void TLocalServer::SetPage(const QString &path, const QByteArray &body, const QByteArray &contentType) {
  FPages.insert(path, {contentType, body});
}

int TLocalServer::RequestCount(const QString &path) const {
  int count = 0;
  for (const QString &request : FRequests)
    if (request == path || request.startsWith(path + QLatin1Char('?')))
      ++count;
  return count;
}

QByteArray TLocalServer::PageThatReportsLoad(const QString &title, const QString &body) {
  return QStringLiteral(
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
             "<body>%2<script>window.addEventListener('load', function () {"
             " fetch('/loaded?' + location.pathname); });</script></body></html>")
      .arg(title, body)
      .toUtf8();
}

void TLocalServer::Answer(QTcpSocket *socket) {
  QByteArray request = socket->property("request").toByteArray() + socket->readAll();
  socket->setProperty("request", request);
  if (!request.contains("\r\n\r\n"))
    return;  // the head is not complete yet
  const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
  const QString target = words.size() >= 2 ? QString::fromUtf8(words[1]) : QString();
  const QString path = QUrl(target).path();
  FRequests.append(target);

  QByteArray head;
  QByteArray body;
  auto page = FPages.constFind(path);
  if (page != FPages.cend()) {
    body = page->second;
    head = "HTTP/1.1 200 OK\r\nContent-Type: " + page->first + "\r\n";
  } else {
    body = "not found";
    head = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n";
  }
  head += "Cache-Control: no-store\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
          "\r\n\r\n";
  socket->write(head + body);
  socket->disconnectFromHost();
  Q_EMIT Requested(target);
}
