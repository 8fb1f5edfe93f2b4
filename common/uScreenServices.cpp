#include "common/uScreenServices.h"

#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uRequestFilter.h"
#include "common/uTextLog.h"
#include "datastore/uWebBlackList.h"

#include <QDateTime>
#include <QWebEngineProfile>

namespace {
TScreenServices *Installed = nullptr;
}

TScreenServices::TScreenServices()
    : FBlockLog(std::make_unique<TTextLogManager>(&QDateTime::currentDateTime, TLogKind::Block)),
      FBlackList(std::make_unique<TWebBlackList>()) {
  FBlackList->Load();
  FRequestFilter = std::make_unique<TRequestFilter>(*FBlackList, QWebEngineProfile::defaultProfile());
  FRequestFilter->SetOnRefused([](const QUrl &address, int32_t key) { ReportRefused(address.toString(), key); });
  Installed = this;
}

TScreenServices::~TScreenServices() { Installed = nullptr; }

void TScreenServices::ReportRefused(const QString &address, int32_t key) {
  if (TTextLogManager *log = BlockLog())
    log->LogBlackListed(address, key);
  PostToTitle(FrmInfos[fiMainWindow], WM_WEBBLOCKED, key, 0);
}

TTextLogManager *TScreenServices::BlockLog() { return Installed ? Installed->FBlockLog.get() : nullptr; }

TWebBlackList *TScreenServices::BlackList() { return Installed ? Installed->FBlackList.get() : nullptr; }

bool TScreenServices::FilterOn() {
  const TCfMrg *cfMrg = CfMrg();
  return cfMrg && cfMrg->AppCf().OffOn();
}
