#include "manage/uFrmBlackList.h"

#include "manage/uFrmAddWeb.h"
#include "datastore/uWebsDao.h"

#include <QApplication>
#include <QPalette>

TFrmBlackList::TFrmBlackList(QWidget *owner)
    : TFrmRuleList(owner, QStringLiteral("黑  名  单"),
                   QStringLiteral("此功能将能够限制您认为不适合孩子浏览的网址，\n请将您想限制的网址添加到黑名单中。"),
                   14, QStringLiteral("网站:"), QApplication::palette().color(QPalette::Base)) {}

void TFrmBlackList::LoadRows() {
  TWebsDao dao;
  for (const auto &row : dao.QueryAll())
    AddLine(row->sUrl, row->iWid);
}

void TFrmBlackList::AddRow() {
  QString url;
  std::vector<TDtData> windows;
  if (!ShowAddWeb(url, windows))
    return;
  TWebsModel model{0, url, DtListToText(windows)};
  TWebsDao dao;
  const int key = dao.Insert(&model);
  if (key > 0)
    AddLine(url, key);
}

void TFrmBlackList::DeleteRow(int key) {
  TWebsDao dao;
  dao.DeleteFromCID(key);
}
