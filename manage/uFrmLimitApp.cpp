#include "manage/uFrmLimitApp.h"

#include "common/uChildAccountsClient.h"
#include "common/uLimitTarget.h"
#include "controls/uFieldNames.h"
#include "controls/uPngButton.h"
#include "controls/uSkinLook.h"
#include "datastore/uAppsDao.h"
#include "manage/uFrmAddApp.h"
#include "platform/errors/ErrorGuard.h"

#include <QInputDialog>

TFrmLimitApp::TFrmLimitApp(QWidget *owner)
    : TFrmRuleList(owner, QStringLiteral("限制程序"),
                   QStringLiteral(" 此功能能够限制您认为不适合孩子使用的程序\n，请将您想限制的程序添加到名单当中。"),
                   15, QStringLiteral("应用程序："), Qt::white) {
  if (!ChildAccountsKept())
    return;
  btnAddChild = SkinButton(this, QStringLiteral("btn88x21.png"), {228, 51, 88, 21}, QStringLiteral("添加孩子账户"),
                           SkinFont(QStringLiteral("Tahoma"), 12));
  NameFields({{btnAddChild, "btnAddChild"}});
  connect(btnAddChild, &TPngButton::clicked, this, Guarded([this] { btnAddChildClick(); }));
}

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

void TFrmLimitApp::btnAddChildClick() {
  bool ok = false;
  const QString user = QInputDialog::getText(this, QStringLiteral("添加孩子账户"), QStringLiteral("账户名："),
                                             QLineEdit::Normal, QString(), &ok)
                           .trimmed();
  if (ok && !user.isEmpty())
    AddChildAccount(user);
}
