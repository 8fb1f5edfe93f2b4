#include "browser/uBrowserServices.h"

#include "common/uTextLog.h"

namespace {
TBrowserServices *Installed = nullptr;
}

TBrowserServices::TBrowserServices() : FTextLog(std::make_unique<TTextLogManager>()) { Installed = this; }

TBrowserServices::~TBrowserServices() { Installed = nullptr; }

TTextLogManager *TBrowserServices::TextLog() { return Installed ? Installed->FTextLog.get() : nullptr; }
