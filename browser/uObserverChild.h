#pragma once
// The page registry: the main window addresses each browser page by the index of its tab, and
// the registry forwards the command to the page at that index.
#include "browser/uSafedObjectList.h"

#include <QObject>
#include <QString>
#include <cstdint>

class TSubjectChild;
class TWebBrowser;

// The page side. Each command names the registry that sends it; a page obeys only its own.
class IObserverChild {
public:
  virtual void IStop(TSubjectChild *theChangedSubject) = 0;
  virtual void INavigate(TSubjectChild *theChangedSubject, const QString &AUrl) = 0;
  virtual void IGoBack(TSubjectChild *theChangedSubject) = 0;
  virtual void IGoForward(TSubjectChild *theChangedSubject) = 0;
  virtual void IAddFav(TSubjectChild *theChangedSubject) = 0;
  virtual void IRefresh(TSubjectChild *theChangedSubject) = 0;
  virtual void IClose(TSubjectChild *theChangedSubject) = 0;
  virtual void IBringToFront(TSubjectChild *theChangedSubject) = 0;
  // The page's web-browser control: the identity a new window is handed back to.
  virtual TWebBrowser *IGetDefaultDispatch(TSubjectChild *theChangedSubject) = 0;
  virtual void IUpdateIndex(TSubjectChild *theChangedSubject, int32_t aIndex) = 0;

protected:
  ~IObserverChild() = default;
};

// Releases a page once the event now running is over, so a page that closes itself from one of
// its own events is not destroyed under that event.
struct TDeferredRelease {
  void operator()(QObject *page) const { page->deleteLater(); }
};

// The registry owns its pages, in tab order.
class TSubjectChild {
public:
  TSubjectChild() = default;
  ~TSubjectChild();  // releases every page still registered, at once
  TSubjectChild(const TSubjectChild &) = delete;
  TSubjectChild &operator=(const TSubjectChild &) = delete;

  void Attach(QObject *anObserver);
  // Removes and releases the page; a page that is not registered changes nothing.
  void Detach(QObject *anObserver);

  // Commands for the page at aIndex. An index outside the list raises EArgumentOutOfRange.
  void Stop(int32_t aIndex);
  void Navigate(int32_t aIndex, const QString &aUrl);  // empty aUrl: the page's own address
  void GoBack(int32_t aIndex);
  void GoForward(int32_t aIndex);
  void Refresh(int32_t aIndex);
  void BringToFront(int32_t aIndex);
  TWebBrowser *GetDefaultDispatch(int32_t aIndex);
  // These two leave the page's index as it is.
  void AddFav(int32_t aIndex);
  void Close(int32_t aIndex);
  // Tells every page from aIndex on its place in the list, after a page before them has left
  // together with its tab, so that their reports name their own tabs.
  void UpdateIndices(int32_t aIndex);

  // The registry index of a page, -1 when it is not registered.
  int32_t IndexOf(QObject *anObserver) const { return FObservers.IndexOf(anObserver); }
  int32_t Count() const { return FObservers.Count(); }
  QObject *Items(int32_t aIndex) const { return FObservers.Items(aIndex); }

private:
  // The page at aIndex; with updateIndex it first learns aIndex as its own index.
  IObserverChild *Observer(int32_t aIndex, bool updateIndex);

  TSafedObjectList<QObject, TDeferredRelease> FObservers;
};
