#include "common/uThreadHelper.h"

TThreadHelper::TThreadHelper(TNotifyEvent aExecute, QObject *aParam)
    : FOnExecute(std::move(aExecute)), FParam(aParam ? aParam : this) {
  // Nobody keeps the thread once started: it is released by the event loop of the thread that
  // created it, after its work has ended.
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TThreadHelper::run() {
  if (!FOnExecute)
    return;
  try {
    FOnExecute(FParam);
  } catch (...) {
    // An error of the work ends the thread silently; the callback reports what it must itself.
  }
}
