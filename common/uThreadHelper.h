#pragma once
// A worker thread that runs one callback with one parameter and frees itself when it ends.
// Callers create it with its work, start it and never wait for it.
#include <QObject>
#include <QThread>
#include <functional>

class TThreadHelper : public QThread {
public:
  // The callback receives the parameter, or the thread itself when none is given.
  using TNotifyEvent = std::function<void(QObject *sender)>;

  TThreadHelper() : TThreadHelper(TNotifyEvent()) {}
  explicit TThreadHelper(TNotifyEvent aExecute) : TThreadHelper(std::move(aExecute), nullptr) {}
  TThreadHelper(TNotifyEvent aExecute, QObject *aParam);

  const TNotifyEvent &OnExecute() const { return FOnExecute; }
  void SetOnExecute(TNotifyEvent value) { FOnExecute = std::move(value); }
  QObject *Param() const { return FParam; }
  void SetParam(QObject *value) { FParam = value; }
  bool Terminated() const { return isInterruptionRequested(); }

protected:
  void run() override;

private:
  TNotifyEvent FOnExecute;
  QObject *FParam;
};
