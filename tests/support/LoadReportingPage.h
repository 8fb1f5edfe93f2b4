#pragma once
// Test pages that tell the server serving them when they have completed loading: after the
// load event they ask for "/loaded" + their own path (e.g. "/loaded/home"), so a watcher
// outside the browser process sees the completed page.
#include <QByteArray>
#include <QString>

inline QByteArray PageThatReportsLoad(const QString &title, const QString &body) {
  return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                        "<body>%2<script>window.addEventListener('load', function () {"
                        " fetch('/loaded' + location.pathname); });</script></body></html>")
      .arg(title, body)
      .toUtf8();
}
