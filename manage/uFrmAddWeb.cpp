#include "manage/uFrmAddWeb.h"

#include "controls/uFieldNames.h"
#include "controls/uPanelEx.h"
#include "controls/uSkinLook.h"
#include "manage/uManageControls.h"

#include <QLabel>
#include <QLineEdit>
#include <memory>

TFrmAddWeb::TFrmAddWeb()
    : TFrmAddRule(QStringLiteral("添加限制网址"), QStringLiteral("添加限制网址"), QRect(9, 118, 627, 136), 529) {
  SetPosition(TFormPosition::OwnerFormCenter);
  lblWeb = NewLabel(pnlxBg, QStringLiteral("网址："), {24, 48}, SkinFont(QStringLiteral("Tahoma"), 12), Qt::white);
  edtWeb = new QLineEdit(QStringLiteral("http://"), pnlxBg);
  edtWeb->setGeometry(78, 48, 521, 21);
  NameFields({{lblWeb, "lblWeb"}, {edtWeb, "edtWeb"}});
}

bool TFrmAddWeb::FieldReady() {
  if (edtWeb->text().trimmed().size() > 7)
    return true;
  edtWeb->setFocus();
  return false;
}

bool ShowAddWeb(QString &url, std::vector<TDtData> &windows) {
  auto dialog = std::make_unique<TFrmAddWeb>();
  if (dialog->exec() != QDialog::Accepted)
    return false;
  url = dialog->edtWeb->text().trimmed();
  windows = dialog->dtm1->Selecteds();
  return true;
}
