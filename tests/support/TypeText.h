#pragma once
// Typing as a person does: ASCII key by key, and what is not on the keyboard (Chinese) as the
// input method hands it over, a committed string per character. QTest's own key clicks know
// only ASCII.
#include <QApplication>
#include <QInputMethodEvent>
#include <QString>
#include <QTest>
#include <QWidget>

inline void TypeText(QWidget *widget, const QString &text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, char(c.unicode()));
      continue;
    }
    QInputMethodEvent commit;
    commit.setCommitString(QString(c));
    QApplication::sendEvent(widget, &commit);
  }
}
