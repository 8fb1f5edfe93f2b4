#include "browser/uObserverChild.h"
#include "platform/errors/Errors.h"

#include <stdexcept>

TSubjectChild::~TSubjectChild() {
  // No page may outlive the registry it refers to, so they go now rather than later.
  while (FObservers.Count() > 0)
    delete FObservers.Extract(FObservers.Last());
}

void TSubjectChild::Attach(QObject *anObserver) { FObservers.Add(anObserver); }

void TSubjectChild::Detach(QObject *anObserver) {
  try {
    FObservers.Remove(anObserver);
  } catch (...) {
    // A failed removal leaves the list as it was; closing a page never fails on it.
  }
}

IObserverChild *TSubjectChild::Observer(int32_t aIndex, bool updateIndex) {
  // The list's lock is held only while reading the element, never during the command, so a
  // page may call back into the main window and the registry.
  QObject *item = FObservers.Items(aIndex);
  auto *observer = dynamic_cast<IObserverChild *>(item);
  if (!observer)
    Raise("Interface not supported");
  if (updateIndex)
    observer->IUpdateIndex(this, aIndex);
  return observer;
}

void TSubjectChild::Stop(int32_t aIndex) { Observer(aIndex, true)->IStop(this); }
void TSubjectChild::Navigate(int32_t aIndex, const QString &aUrl) { Observer(aIndex, true)->INavigate(this, aUrl); }
void TSubjectChild::GoBack(int32_t aIndex) { Observer(aIndex, true)->IGoBack(this); }
void TSubjectChild::GoForward(int32_t aIndex) { Observer(aIndex, true)->IGoForward(this); }
void TSubjectChild::Refresh(int32_t aIndex) { Observer(aIndex, true)->IRefresh(this); }
void TSubjectChild::BringToFront(int32_t aIndex) { Observer(aIndex, true)->IBringToFront(this); }
TWebBrowser *TSubjectChild::GetDefaultDispatch(int32_t aIndex) {
  return Observer(aIndex, true)->IGetDefaultDispatch(this);
}
void TSubjectChild::AddFav(int32_t aIndex) { Observer(aIndex, false)->IAddFav(this); }
void TSubjectChild::Close(int32_t aIndex) { Observer(aIndex, false)->IClose(this); }

void TSubjectChild::UpdateIndices(int32_t aIndex) {
  for (int32_t i = aIndex < 0 ? 0 : aIndex; i < Count(); ++i)
    Observer(i, true);
}
