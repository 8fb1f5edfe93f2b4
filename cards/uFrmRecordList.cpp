#include "cards/uFrmRecordList.h"

#include "cards/uCardLook.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "platform/errors/ErrorGuard.h"

#include <QLabel>
#include <QListWidget>
#include <QShowEvent>

namespace {

const QString CaptionSelectAll = QStringLiteral("全选");
const QString CaptionUnselectAll = QStringLiteral("反选");
const int HeaderHeight = 22;

// A header picture at bounds with its centred label.
QLabel *Header(TPanelEx *picture, const QRect &bounds, const QString &text) {
  picture->SetFillsParent(false);
  picture->setGeometry(bounds);
  picture->SetDragMove(false);
  picture->SetShowCaption(false);
  picture->SetBackGround(SkinPicture(QStringLiteral("list_header.png")));
  auto *label = new QLabel(text, picture);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(0, 0, picture->width(), picture->height());
  label->setFont(SkinFont(QStringLiteral("Tahoma"), 12));
  return label;
}

}  // namespace

TFrmRecordList::TFrmRecordList(const TDesign &design) : TSkinForm(nullptr, false) {
  setAttribute(Qt::WA_DeleteOnClose);
  ApplyFrmInfo(this, FrmInfos[design.eInfo]);
  plxBg = CardBackground(this, design.sBackground);
  lblCaption = CardCaption(plxBg, design.sCaption, SkinFont(design.sCaptionFont, 16, design.bCaptionBold));
  sysBtnClose = CardCloseButton(plxBg);

  const QRect list = design.rList;
  imgTime = new TPanelEx(plxBg);
  lblTime = Header(imgTime, QRect(list.left(), list.top() - HeaderHeight, design.iTimeWidth, HeaderHeight),
                   design.sHeaderTime);
  imgText = new TPanelEx(plxBg);
  lblText = Header(
      imgText,
      QRect(list.left() + design.iTimeWidth, list.top() - HeaderHeight, list.width() - design.iTimeWidth, HeaderHeight),
      design.sHeaderText);

  chklstMain = new QListWidget(plxBg);
  chklstMain->setGeometry(list);
  chklstMain->setFrameShape(QFrame::NoFrame);
  chklstMain->setUniformItemSizes(true);
  ClearKeyColour(chklstMain);
  const QFont font = SkinFont(QStringLiteral("Tahoma"), 12);
  chklstMain->setFont(font);

  const QString strip = QStringLiteral("btn42x21.png");
  btnSelectAll = SkinButton(plxBg, strip, QRect(design.ptSelectAll, QSize(42, 21)), CaptionSelectAll, font);
  btnDel = SkinButton(plxBg, strip, QRect(design.ptSelectAll + QPoint(42 + 6, 0), QSize(42, 21)),
                      QStringLiteral("删除"), font);
  connect(btnSelectAll, &TPngButton::clicked, this, Guarded([this] { btnSelectAllClick(); }));
  connect(btnDel, &TPngButton::clicked, this, Guarded([this] { btnDelClick(); }));
}

int32_t TFrmRecordList::LineKey(const QListWidgetItem *line) { return line->data(Qt::UserRole).toInt(); }

void TFrmRecordList::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  // Shown by the program, not given back by the window system after being minimised.
  if (!event->spontaneous())
    GuardedCall([this] { FormShow(); });
}

void TFrmRecordList::FormShow() {
  chklstMain->clear();
  btnSelectAll->SetCaption(CaptionSelectAll);
  const auto lines = ReadLines();
  chklstMain->setUpdatesEnabled(false);
  for (const auto &[key, text] : lines) {
    auto *line = new QListWidgetItem(text);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    line->setCheckState(Qt::Unchecked);
    line->setData(Qt::UserRole, key);
    chklstMain->addItem(line);
  }
  chklstMain->setUpdatesEnabled(true);
}

void TFrmRecordList::btnSelectAllClick() {
  const bool tick = btnSelectAll->Caption() == CaptionSelectAll;
  for (int i = 0; i < chklstMain->count(); ++i)
    chklstMain->item(i)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
  btnSelectAll->SetCaption(tick ? CaptionUnselectAll : CaptionSelectAll);
}

void TFrmRecordList::btnDelClick() {
  // Top to bottom; a failure stops here and the lines already deleted stay removed.
  for (int i = 0; i < chklstMain->count();) {
    if (chklstMain->item(i)->checkState() != Qt::Checked) {
      ++i;
      continue;
    }
    DeleteRow(LineKey(chklstMain->item(i)));
    delete chklstMain->takeItem(i);
  }
}
