#include "tests/support/TestHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <stdexcept>

TTestHttpServer::TTestHttpServer() {
  if (!FServer.listen(QHostAddress::LocalHost))
    throw std::runtime_error("test server cannot listen");
  connect(&FServer, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket *socket = FServer.nextPendingConnection()) {
      ++FConnections;
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
    }
  });
}

void TTestHttpServer::Route(const QString &path, const QByteArray &body, const QByteArray &contentType, int delayMs) {
  FRoutes.insert(path, {body, contentType, delayMs});
}

QUrl TTestHttpServer::Url(const QString &path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(FServer.serverPort()).arg(path));
}

void TTestHttpServer::Serve(QTcpSocket *socket) {
  // The whole request head is needed; the engine sends it in one go on a local socket.
  QByteArray head = socket->property("head").toByteArray() + socket->readAll();
  socket->setProperty("head", head);
  if (!head.contains("\r\n\r\n"))
    return;
  socket->setProperty("head", QByteArray());
  const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
  const QString path = requestLine.size() > 1 ? QUrl(QString::fromLatin1(requestLine[1])).path() : QString();
  FRequests.append(path);
  const auto route = FRoutes.constFind(path);
  QByteArray reply;
  if (route == FRoutes.constEnd()) {
    reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  } else {
    reply = "HTTP/1.1 200 OK\r\nContent-Type: " + route->contentType +
            "\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
            QByteArray::number(route->body.size()) + "\r\n\r\n" + route->body;
  }
  QPointer<QTcpSocket> guard(socket);
  auto send = [guard, reply] {
    if (!guard)
      return;
    guard->write(reply);
    guard->disconnectFromHost();
  };
  if (route != FRoutes.constEnd() && route->delayMs > 0)
    QTimer::singleShot(route->delayMs, this, send);
  else
    send();
}
