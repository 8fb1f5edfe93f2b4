#include "browser/uBrowserServices.h"

#include "browser/uTextLog.h"
#include "datastore/uWebBlackList.h"

#include <QDateTime>

namespace {
TBrowserServices *Installed = nullptr;
}

TBrowserServices::TBrowserServices()
    : FTextLog(std::make_unique<TTextLogManager>()),
      FBlockLog(std::make_unique<TTextLogManager>(&QDateTime::currentDateTime, TLogKind::Block)),
      FBlackList(std::make_unique<TWebBlackList>()) {
  FBlackList->Load();
  Installed = this;
}

TBrowserServices::~TBrowserServices() { Installed = nullptr; }

TTextLogManager *TBrowserServices::TextLog() { return Installed ? Installed->FTextLog.get() : nullptr; }

TTextLogManager *TBrowserServices::BlockLog() { return Installed ? Installed->FBlockLog.get() : nullptr; }

TWebBlackList *TBrowserServices::BlackList() { return Installed ? Installed->FBlackList.get() : nullptr; }
