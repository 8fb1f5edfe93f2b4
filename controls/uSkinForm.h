#pragma once
// Forms of the skinned look. A form is a window of its own, or a form class embedded into
// another window (a section page, a form inside a form); embedded forms are marked so that the
// controls that act on "their form" find the right one.
#include "platform/pictures/Picture.h"

#include <QDialog>

// Marks `widget` as a form, so that FindForm stops at it even when it is not a window.
void MarkAsForm(QWidget *widget);
bool IsForm(const QWidget *widget);
// The first form up the parent chain, starting at `start` itself; null when there is none.
QWidget *FindForm(QWidget *start);

// Where a skinned form appears when it is first shown.
enum class TFormPosition { Designed, ScreenCenter, OwnerFormCenter };

// A borderless window painted maroon (RGB 128, 0, 0), the key colour of the designed skin:
// ApplyShape cuts the window's outline from the fully transparent pixels of the background
// picture, so those pixels become holes and the window takes the picture's shape.
// A dialog underneath, so that forms can be shown modally with a result as well.
class TSkinForm : public QDialog {
  Q_OBJECT
public:
  static QColor KeyColor() { return QColor(128, 0, 0); }

  // `owner` is the owner form (null for none); without a task-bar button the form is a tool
  // window, as dialogs and the card windows are designed.
  explicit TSkinForm(QWidget *owner = nullptr, bool taskBarButton = true);

  bool HasTaskBarButton() const { return FTaskBarButton; }
  void SetTaskBarButton(bool value);

  // OwnerFormCenter falls back to the screen when the form has no owner.
  TFormPosition Position() const { return FPosition; }
  void SetPosition(TFormPosition value) { FPosition = value; }
  void PlaceNow();  // applies Position at once (also done on the first show)

  // The window's outline: pixels of `background` with alpha 0 are cut out. The picture is
  // stretched to the form's size, as the background panel draws it. An empty picture removes
  // the shape.
  void ApplyShape(const TPicture &background);
  const TPicture &ShapePicture() const { return FShape; }

protected:
  void showEvent(QShowEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void UpdateMask();
  void UpdateFlags();

  bool FTaskBarButton;
  bool FPlaced = false;
  TFormPosition FPosition = TFormPosition::ScreenCenter;
  TPicture FShape;
};
