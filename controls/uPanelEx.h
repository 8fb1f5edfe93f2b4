#pragma once
// A panel that paints a background picture and lets the user drag its window.
#include "platform/pictures/Picture.h"

#include <QPoint>
#include <QWidget>

class TPanelEx : public QWidget {
  Q_OBJECT
public:
  // A new panel fills its parent (client alignment) and follows its size.
  explicit TPanelEx(QWidget *parent = nullptr);

  const TPicture &BackGround() const { return FBackGround; }
  void SetBackGround(const TPicture &picture);  // copies the picture

  bool DragMove() const { return FDragMove; }
  void SetDragMove(bool value) { FDragMove = value; }

  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  QString Caption() const { return FCaption; }
  void SetCaption(const QString &value);

  bool FillsParent() const { return FFillParent; }
  void SetFillsParent(bool value);

  // Where the caption's top-left corner goes.
  static constexpr QPoint CaptionOrigin{5, 3};

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void FollowParent();

  TPicture FBackGround;
  bool FDragMove = true;
  bool FShowCaption = true;
  bool FFillParent = true;
  QString FCaption;
  // Dragging by hand where the window system does not move windows itself.
  bool FDragging = false;
  QPoint FDragStartGlobal;
  QPoint FDragStartWindow;
};
