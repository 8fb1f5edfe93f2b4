#pragma once
// Times a window from its opening to the first paint of one of its widgets, for the management
// benchmarks: each iteration runs `open`, waits with the event loop running until a widget of
// type T has painted, and then runs `close` outside the timing. Use with UseManualTime().
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <functional>

template <class T>
void TimeToFirstPaint(benchmark::State &state, const std::function<void()> &open, const std::function<void()> &close) {
  class TPaintWatch : public QObject {
  public:
    bool Painted = false;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
      if (event->type() == QEvent::Paint && qobject_cast<T *>(watched))
        Painted = true;
      return false;
    }
  } watch;
  qApp->installEventFilter(&watch);
  for (auto _ : state) {
    watch.Painted = false;
    QElapsedTimer clock;
    clock.start();
    open();
    while (!watch.Painted)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    state.PauseTiming();
    close();
    state.ResumeTiming();
  }
  qApp->removeEventFilter(&watch);
}
