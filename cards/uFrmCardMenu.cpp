#include "cards/uFrmCardMenu.h"

#include "cards/uCardLook.h"
#include "cards/uFrmCardCancel.h"
#include "cards/uFrmCardHistoryRecord.h"
#include "common/uFrmInfos.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "platform/errors/ErrorGuard.h"

#include <QEvent>
#include <QLabel>

TFrmCardMenu::TFrmCardMenu() : TSkinForm(nullptr, false) {
  setAttribute(Qt::WA_DeleteOnClose);
  SetPosition(TFormPosition::Designed);
  ApplyFrmInfo(this, FrmInfos[fiCardMenu]);
  plxBg = CardBackground(this, QStringLiteral("cardmenu_bg.png"));

  const QFont font = SkinFont(QStringLiteral("Tahoma"), 11);
  const QString strip = QStringLiteral("cardmenu_btn.png");
  btnLook = SkinButton(plxBg, strip, QRect(0, 0, 113, 29), QStringLiteral("      查看违约记录"), font);
  btnCance = SkinButton(plxBg, strip, QRect(0, 29, 113, 29), QStringLiteral("      取消违约记录"), font);
  // Named as their fields, so that a host's tests can find them through the window.
  btnLook->setObjectName(QStringLiteral("btnLook"));
  btnCance->setObjectName(QStringLiteral("btnCance"));
  SetTextColor(btnLook, Qt::white);
  SetTextColor(btnCance, Qt::white);

  auto icon = [this](const QString &picture, int top) {
    auto *image = new QLabel(plxBg);
    image->setGeometry(5, top, 12, 12);
    image->setPixmap(QPixmap::fromImage(SkinPicture(picture).Image()));
    // A click on the icon is a click on its entry.
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    return image;
  };
  img1 = icon(QStringLiteral("cardmenu_look.png"), 9);
  img2 = icon(QStringLiteral("cardmenu_cancel.png"), 38);

  connect(btnLook, &TPngButton::clicked, this, Guarded([] { TFrmCardHistoryRecord::ShowOrActivateIt(); }));
  connect(btnCance, &TPngButton::clicked, this, Guarded([] { TFrmCardCancel::ShowOrActivateIt(); }));
}

void TFrmCardMenu::changeEvent(QEvent *event) {
  TSkinForm::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
    close();
}
