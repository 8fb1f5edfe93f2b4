#pragma once
// What a browser page reports to the main window. atabIndex is the reporting page's index,
// which is the index of its tab.
#include <QString>
#include <cstdint>

class IChildToMain {
public:
  virtual void ISetTabCaption(int32_t atabIndex, const QString &aCaption) = 0;
  virtual void ISimpleText(int32_t atabIndex, const QString &aSimpleText) = 0;
  // Opens AUrl in a new tab (current when aAddTab); the new tab's index, or -1 when no tab
  // was opened.
  virtual int32_t INewPage(const QString &AUrl, bool aAddTab) = 0;
  virtual void ISetBackState(int32_t atabIndex, bool aEnabled) = 0;
  virtual void ISetForwadState(int32_t atabIndex, bool aEnabled) = 0;
  virtual void ISetStopState(int32_t atabIndex, bool aEnabled) = 0;
  virtual void ISetAddressText(int32_t atabIndex, const QString &aText) = 0;

protected:
  // The main window outlives its pages; nobody deletes it through this interface.
  ~IChildToMain() = default;
};
