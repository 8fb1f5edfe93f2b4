#include "manage/uFrmRuleList.h"

#include "controls/uFieldNames.h"
#include "controls/uPngButton.h"
#include "controls/uSkinForm.h"
#include "controls/uSkinLook.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"

#include <QLabel>
#include <QListWidget>

TFrmRuleList::TFrmRuleList(QWidget *owner, const QString &title, const QString &desc, int descPixels,
                           const QString &field, const QColor &background)
    : QWidget(owner) {
  MarkAsForm(this);
  setWindowTitle(title);
  resize(330, 234);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, background);
  setPalette(pal);
  setAutoFillBackground(true);
  const QFont font = SkinFont(QStringLiteral("Tahoma"), descPixels);
  lblDesc = NewLabel(this, desc, {11, 8}, font, Qt::black);
  lblDesc->setWordWrap(true);
  lblDesc->resize(308, 34);
  lblField = NewLabel(this, field, {13, 53}, SkinFont(QStringLiteral("Tahoma"), 16), Qt::black);
  lstRules = new QListWidget(this);
  lstRules->setGeometry(13, 81, 303, 112);
  const QString strip = QStringLiteral("btn42x21.png");
  const QFont buttonFont = SkinFont(QStringLiteral("Tahoma"), 12);
  btnAdd = SkinButton(this, strip, {81, 205, 42, 21}, QStringLiteral("添加"), buttonFont);
  btnDel = SkinButton(this, strip, {207, 205, 42, 21}, QStringLiteral("删除"), buttonFont);
  NameFields(
      {{lblDesc, "lblDesc"}, {lblField, "lblField"}, {lstRules, "lstRules"}, {btnAdd, "btnAdd"}, {btnDel, "btnDel"}});
  connect(btnAdd, &TPngButton::clicked, this, Guarded([this] { AddRow(); }));
  connect(btnDel, &TPngButton::clicked, this, Guarded([this] { btnDelClick(); }));
}

int TFrmRuleList::KeyOf(int row) const { return lstRules->item(row)->data(Qt::UserRole).toInt(); }

void TFrmRuleList::AddLine(const QString &text, int key, const QString &problem) {
  auto *line = new QListWidgetItem(problem.isEmpty() ? text : text + QStringLiteral("  ⚠ ") + problem, lstRules);
  line->setData(Qt::UserRole, key);
  if (problem.isEmpty())
    return;
  line->setForeground(QColor(0xC0, 0x20, 0x20));
  line->setToolTip(problem);
}

void TFrmRuleList::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  GuardedCall([this] { FormShow(); });
}

void TFrmRuleList::FormShow() {
  SetTextColor(lblField, QColor(0x2A, 0x75, 0xAA));
  // A page shown again lists its rows once, not twice.
  lstRules->clear();
  LoadRows();
}

void TFrmRuleList::btnDelClick() {
  QListWidgetItem *line = lstRules->currentItem();
  if (!line || !line->isSelected())
    return;
  DeleteRow(line->data(Qt::UserRole).toInt());
  delete line;
}
