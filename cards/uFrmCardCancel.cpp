#include "cards/uFrmCardCancel.h"

#include "datastore/uCancelRecordsDao.h"
#include "cards/uCardLook.h"
#include "cards/uFrmCardCancelRecord.h"
#include "common/uPenalta.h"
#include "common/uFrmInfos.h"
#include "controls/uFieldNames.h"
#include "controls/uMemoEx.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uProgressBarEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"

#include <QDate>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

TFrmCardCancel::TFrmCardCancel() : TSkinForm(nullptr, false) {
  setAttribute(Qt::WA_DeleteOnClose);
  ApplyFrmInfo(this, FrmInfos[fiCardCancel]);
  plxBg = CardBackground(this, QStringLiteral("cancel_bg.png"));
  lblCaption = CardCaption(plxBg, QStringLiteral("取消黄牌"), SkinFont(QStringLiteral("微软雅黑"), 16, true));
  sysBtnClose = CardCloseButton(plxBg);

  const QFont font = SkinFont(QStringLiteral("Tahoma"), 12);
  // The row of the number and the cards, in the upper box of the background.
  lblPrompt = new QLabel(QStringLiteral("请选择取消数量"), plxBg);
  lblPrompt->setFont(font);
  lblPrompt->setGeometry(18, 54, 96, 21);

  edtCount = new QLineEdit(QStringLiteral("0"), plxBg);
  edtCount->setGeometry(116, 54, 29, 21);
  edtCount->setValidator(new QIntValidator(0, 999, edtCount));
  edtCount->setReadOnly(true);
  edtCount->setAlignment(Qt::AlignCenter);
  edtCount->setFont(font);
  ClearKeyColour(edtCount);

  auto arrow = [this](const QString &picture, int top) {
    auto *button = new TPngButton(plxBg);
    button->setGeometry(148, top, 13, 7);
    button->SetShowCaption(false);
    button->SetPicture(SkinPicture(picture));
    return button;
  };
  imgUp = arrow(QStringLiteral("arrow_up.png"), 56);
  imgDown = arrow(QStringLiteral("arrow_down.png"), 66);

  plxCard = new TPanelEx(plxBg);
  plxCard->SetFillsParent(false);
  plxCard->SetDragMove(false);
  plxCard->SetShowCaption(false);
  plxCard->setGeometry(176, 61, 61, 7);
  pbxCard = new TProgressBarEx(plxCard);
  pbxCard->SetCellBg(SkinPicture(QStringLiteral("card_bg.png")));
  pbxCard->SetCellFg(SkinPicture(QStringLiteral("card_fg.png")));
  pbxCard->SetMin(0);
  pbxCard->SetMax(3);
  pbxCard->SetStep(1);
  pbxCard->SetCRDistance(2);
  pbxCard->setGeometry(0, 0, 61, 7);
  pbxCard->SetValue(1);  // kept when the count read at the first show is out of range

  btnOk = SkinButton(plxBg, QStringLiteral("btn42x21.png"), QRect(262, 54, 42, 21), QStringLiteral("确定"), font);

  mmoCause = new TMemoEx(plxBg);
  mmoCause->SetBorderColor(QColor(192, 192, 192));
  mmoCause->SetColor(Qt::white);
  mmoCause->setFont(font);
  mmoCause->setGeometry(22, 101, 279, 138);

  btnLookCanRecord =
      SkinButton(plxBg, QStringLiteral("btn88x21.png"), QRect(227, 240, 88, 21), QStringLiteral("查看取消记录"), font);

  NameFields({{edtCount, "edtCount"},
              {imgUp, "imgUp"},
              {imgDown, "imgDown"},
              {btnOk, "btnOk"},
              {mmoCause, "mmoCause"},
              {btnLookCanRecord, "btnLookCanRecord"}});

  connect(imgUp, &TPngButton::clicked, this, Guarded([this] { imgUpClick(); }));
  connect(imgDown, &TPngButton::clicked, this, Guarded([this] { imgDownClick(); }));
  connect(btnOk, &TPngButton::clicked, this, Guarded([this] { btnOkClick(); }));
  connect(btnLookCanRecord, &TPngButton::clicked, this, Guarded([this] { btnLookCanRecordClick(); }));
}

void TFrmCardCancel::ShowOrActivateIt() {
  ShowOrActivate([] { return new TFrmCardCancel; }, FrmInfos[fiCardCancel]);
}

QString TFrmCardCancel::TrimCause(const QString &text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text[first] <= QChar(' '))
    ++first;
  while (last > first && text[last - 1] <= QChar(' '))
    --last;
  return text.mid(first, last - first);
}

int TFrmCardCancel::Chosen() const { return edtCount->text().toInt(); }

void TFrmCardCancel::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  if (!event->spontaneous())
    GuardedCall([this] { FormShow(); });
}

void TFrmCardCancel::FormShow() { pbxCard->SetValue(TPenalta().YCount()); }

void TFrmCardCancel::imgUpClick() {
  const int n = Chosen();
  if (TPenalta().YCount() < n + 1)
    return;  // never more than the child has
  edtCount->setText(QString::number(n + 1));
  pbxCard->SetValue(pbxCard->Value() - 1);
}

void TFrmCardCancel::imgDownClick() {
  const int n = Chosen();
  if (n - 1 < 0)
    return;
  edtCount->setText(QString::number(n - 1));
  pbxCard->SetValue(pbxCard->Value() + 1);
}

void TFrmCardCancel::btnOkClick() {
  const int n = Chosen();
  TPenalta penalta;
  if (n < 1 || penalta.YCount() < n)
    return;
  // The cancel record is written only with the change it records.
  if (!penalta.DecYCard(n))
    Raise(QStringLiteral("黄牌没有取消：无法写入注册表。"));
  const QString cause = TrimCause(mmoCause->toPlainText());
  if (cause.isEmpty())
    return;
  TCancelRecordModel record;
  record.time = QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日"));
  record.cause = cause;
  TCancelRecordsDao().Insert(&record);
}

void TFrmCardCancel::btnLookCanRecordClick() {
  TFrmCardCancelRecord::ShowOrActivateIt();
  close();
}
