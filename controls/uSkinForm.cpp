#include "controls/uSkinForm.h"
#include "controls/uFonts.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

static const char *const FormMark = "pembloForm";

void MarkAsForm(QWidget *widget) { widget->setProperty(FormMark, true); }

bool IsForm(const QWidget *widget) { return widget->isWindow() || widget->property(FormMark).toBool(); }

QWidget *FindForm(QWidget *start) {
  for (QWidget *w = start; w; w = w->parentWidget())
    if (IsForm(w))
      return w;
  return nullptr;
}

TSkinForm::TSkinForm(QWidget *owner, bool taskBarButton) : QDialog(owner), FTaskBarButton(taskBarButton) {
  InstallFontSubstitutes();
  MarkAsForm(this);
  UpdateFlags();
  QPalette pal = palette();
  pal.setColor(QPalette::Window, KeyColor());
  setPalette(pal);
  setAutoFillBackground(true);
}

void TSkinForm::UpdateFlags() {
  const bool shown = isVisible();
  Qt::WindowFlags flags = Qt::FramelessWindowHint;
  flags |= FTaskBarButton ? Qt::Window : Qt::Tool;
  setWindowFlags(flags);
  if (shown)
    show();
}

void TSkinForm::SetTaskBarButton(bool value) {
  if (value == FTaskBarButton)
    return;
  FTaskBarButton = value;
  // A widget that is embedded into another form keeps being a child widget.
  if (isWindow())
    UpdateFlags();
}

void TSkinForm::PlaceNow() {
  FPlaced = true;
  if (!isWindow() || FPosition == TFormPosition::Designed)
    return;
  QRect area;
  QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (FPosition == TFormPosition::OwnerFormCenter && owner)
    area = owner->frameGeometry();
  else if (QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  if (area.isValid())
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void TSkinForm::ApplyShape(const TPicture &background) {
  FShape = background;
  UpdateMask();
}

void TSkinForm::UpdateMask() {
  if (FShape.IsEmpty()) {
    clearMask();
    return;
  }
  QImage picture = FShape.Image();
  if (picture.size() != size())
    picture = picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  // 1 where the window stays: every pixel that is not fully transparent.
  QImage bits(picture.size(), QImage::Format_MonoLSB);
  bits.setColor(0, qRgb(255, 255, 255));
  bits.setColor(1, qRgb(0, 0, 0));
  bits.fill(0);
  for (int y = 0; y < picture.height(); ++y) {
    const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x)
      if (qAlpha(line[x]) != 0)
        bits.setPixel(x, y, 1);
  }
  setMask(QBitmap::fromImage(bits));
}

void TSkinForm::showEvent(QShowEvent *event) {
  if (!FPlaced)
    PlaceNow();
  QDialog::showEvent(event);
}

void TSkinForm::resizeEvent(QResizeEvent *event) {
  QDialog::resizeEvent(event);
  if (!FShape.IsEmpty())
    UpdateMask();
}

void TSkinForm::keyPressEvent(QKeyEvent *event) {
  // The designed forms do not close on Escape; only their close buttons close them.
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}
