#include "browser/uBrowserServices.h"

#include "browser/uTextLog.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uRequestFilter.h"
#include "datastore/uWebBlackList.h"

#include <QDateTime>
#include <QWebEngineProfile>

namespace {
TBrowserServices *Installed = nullptr;
}

TBrowserServices::TBrowserServices()
    : FTextLog(std::make_unique<TTextLogManager>()),
      FBlockLog(std::make_unique<TTextLogManager>(&QDateTime::currentDateTime, TLogKind::Block)),
      FBlackList(std::make_unique<TWebBlackList>()) {
  FBlackList->Load();
  FRequestFilter = std::make_unique<TRequestFilter>(*FBlackList, QWebEngineProfile::defaultProfile());
  FRequestFilter->SetOnRefused([](const QUrl &address, int32_t key) { ReportRefused(address.toString(), key); });
  Installed = this;
}

TBrowserServices::~TBrowserServices() { Installed = nullptr; }

void TBrowserServices::ReportRefused(const QString &address, int32_t key) {
  if (TTextLogManager *log = BlockLog())
    log->Logs(address + QStringLiteral("  black list %1").arg(key));
  PostToTitle(FrmInfos[fiMainWindow], WM_WEBBLOCKED, key, 0);
}

TTextLogManager *TBrowserServices::TextLog() { return Installed ? Installed->FTextLog.get() : nullptr; }

TTextLogManager *TBrowserServices::BlockLog() { return Installed ? Installed->FBlockLog.get() : nullptr; }

TWebBlackList *TBrowserServices::BlackList() { return Installed ? Installed->FBlackList.get() : nullptr; }
