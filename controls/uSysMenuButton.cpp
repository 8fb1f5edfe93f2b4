#include "controls/uSysMenuButton.h"
#include "controls/uSkinForm.h"

#include <QMetaObject>

void TSysMenuButton::Click() {
  if (QWidget *form = parentWidget() ? FindForm(parentWidget()) : nullptr) {
    // Queued on the form itself: when the form goes away first, the command goes with it.
    if (FButtonType == smbtClose)
      QMetaObject::invokeMethod(
          form, [form] { form->close(); }, Qt::QueuedConnection);
    else
      QMetaObject::invokeMethod(
          form, [form] { form->showMinimized(); }, Qt::QueuedConnection);
  }
  TPngButton::Click();
}
