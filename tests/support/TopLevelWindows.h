#pragma once
// Finding the windows a test opened, and catching the error reports they show: the visible
// top-level windows of this process with a given title, a catcher that closes every message box
// as soon as it appears and keeps its text, and a watcher that does so only for the boxes that
// wait for their answer.
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <vector>

inline std::vector<QWidget *> VisibleTopLevels(const QString &title) {
  std::vector<QWidget *> found;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == title)
      found.push_back(w);
  return found;
}

// The first visible top-level window with the title; null when there is none.
inline QWidget *VisibleTopLevel(const QString &title) {
  const auto found = VisibleTopLevels(title);
  return found.empty() ? nullptr : found.front();
}

// Closes every message box as soon as it appears and keeps its text; with `onlyWaiting`, only
// the boxes that wait for their answer (modal ones, with an event loop of their own), and boxes
// that do not wait stay open.
class TMessageBoxCatcher {
public:
  explicit TMessageBoxCatcher(bool onlyWaiting = false) {
    QObject::connect(&FTimer, &QTimer::timeout, [this, onlyWaiting] {
      for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible() && (!onlyWaiting || box->isModal())) {
          Texts << box->text();
          box->close();
        }
    });
    FTimer.start(10);
  }
  QStringList Texts;

private:
  QTimer FTimer;
};

// The catcher of the boxes that wait for their answer.
class TModalBoxWatcher : public TMessageBoxCatcher {
public:
  TModalBoxWatcher() : TMessageBoxCatcher(true) {}
};

// The texts of the message boxes on the screen.
inline QStringList VisibleMessageBoxTexts() {
  QStringList texts;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
      texts << box->text();
  return texts;
}
