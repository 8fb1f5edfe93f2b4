#include "manage/uFrmLimitApp.h"

#include "common/uLimitTarget.h"
#include "datastore/uAppsDao.h"
#include "manage/uFrmAddApp.h"

TFrmLimitApp::TFrmLimitApp(QWidget *owner)
    : TFrmRuleList(owner, QStringLiteral("限制程序"),
                   QStringLiteral(" 此功能能够限制您认为不适合孩子使用的程序\n，请将您想限制的程序添加到名单当中。"),
                   15, QStringLiteral("应用程序："), Qt::white) {}

void TFrmLimitApp::LoadRows() {
  TAppsDao dao;
  for (const auto &row : dao.QueryAll()) {
    // What the host enforces, and what it says it cannot.
    const TLimitTarget target = ResolveLimitTarget(row->sApp);
    AddLine(target.sError.isEmpty() ? DescribeLimitTarget(target) : row->sApp, row->iAid,
            LimitRowProblem(row->sApp, target, row->sDt));
  }
}

void TFrmLimitApp::AddRow() {
  QString app;
  std::vector<TDtData> windows;
  if (!ShowAddApp(app, windows))
    return;
  TAppsModel model{0, app, DtListToText(windows)};
  TAppsDao dao;
  const int key = dao.Insert(&model);
  if (key > 0)
    AddLine(DescribeLimitTarget(ResolveLimitTarget(app)), key);
}

void TFrmLimitApp::DeleteRow(int key) {
  TAppsDao dao;
  dao.DeleteFromAID(key);
}
