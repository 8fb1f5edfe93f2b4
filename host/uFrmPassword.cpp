#include "host/uFrmPassword.h"
#include "common/uFrmInfos.h"
#include "controls/uSkinLook.h"
#include "host/uHostLook.h"
#include "platform/errors/ErrorGuard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit *PasswordEdit(QWidget *parent, const char *name, int y) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setEchoMode(QLineEdit::Password);
  edit->setGeometry(100, y, 130, 22);
  ClearKeyColour(edit);
  return edit;
}

QLabel *Caption(QWidget *parent, const QString &text, int y) {
  auto *label = new QLabel(text, parent);
  label->setGeometry(14, y, 86, 22);
  return label;
}

}  // namespace

TFrmPassword::TFrmPassword(TParentPassword &password, TPasswordMode mode, QWidget *owner)
    : TSkinForm(owner, false), FPassword(password), FMode(mode) {
  ApplyFrmInfo(this, FrmInfos[fiPassword]);
  SetPosition(TFormPosition::ScreenCenter);
  new THostFrame(FrmInfos[fiPassword].sCaption, this);
  auto *lblHint = new QLabel(this);
  lblHint->setWordWrap(true);
  lblHint->setGeometry(14, 38, 220, 40);
  int y = 84;
  if (mode == TPasswordMode::Ask || mode == TPasswordMode::Change) {
    Caption(this, mode == TPasswordMode::Ask ? QStringLiteral("家长密码:") : QStringLiteral("原密码:"), y);
    edtOld = PasswordEdit(this, "edtOld", y);
    y += 30;
  }
  if (mode == TPasswordMode::Set || mode == TPasswordMode::Change) {
    Caption(this, QStringLiteral("新密码:"), y);
    edtNew = PasswordEdit(this, "edtNew", y);
    y += 30;
    Caption(this, QStringLiteral("再输一次:"), y);
    edtAgain = PasswordEdit(this, "edtAgain", y);
  }
  lblHint->setText(mode == TPasswordMode::Set ? QStringLiteral("请设置家长密码。家长管理、黄牌和内容过滤都要用它。")
                   : mode == TPasswordMode::Ask ? QStringLiteral("这是家长的操作，请输入家长密码。")
                                                : QStringLiteral("修改家长密码。"));
  lblMessage = new QLabel(this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setGeometry(14, 172, 220, 20);
  QPalette pal = lblMessage->palette();
  pal.setColor(QPalette::WindowText, HostLook::Coral);
  lblMessage->setPalette(pal);
  btnOk = new QPushButton(QStringLiteral("确定"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setGeometry(60, 200, 70, 24);
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("取消"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(140, 200, 70, 24);
  ClearKeyColour(btnOk);
  ClearKeyColour(btnCancel);
  connect(btnOk, &QPushButton::clicked, this, Guarded([this](bool) { btnOkClick(); }));
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmPassword::Say(const QString &text) { lblMessage->setText(text); }

void TFrmPassword::btnOkClick() {
  if (edtOld) {
    switch (FPassword.Check(edtOld->text())) {
    case TPasswordCheck::Locked:
      Say(QStringLiteral("错误太多，请%1秒后再试。").arg(FPassword.SecondsLocked()));
      return;
    case TPasswordCheck::Wrong:
      edtOld->clear();
      edtOld->setFocus();
      Say(QStringLiteral("密码不对！"));
      return;
    case TPasswordCheck::Right:
      break;
    }
  }
  if (edtNew) {
    if (edtNew->text().isEmpty()) {
      Say(QStringLiteral("密码不能为空！"));
      edtNew->setFocus();
      return;
    }
    if (edtNew->text() != edtAgain->text()) {
      Say(QStringLiteral("两次输入的密码不一样！"));
      edtAgain->clear();
      edtAgain->setFocus();
      return;
    }
    FPassword.Set(edtNew->text());
  }
  accept();
}

bool TFrmPassword::Confirm(TParentPassword &password, QWidget *owner) {
  TFrmPassword form(password, password.IsSet() ? TPasswordMode::Ask : TPasswordMode::Set, owner);
  return form.exec() == QDialog::Accepted;
}
