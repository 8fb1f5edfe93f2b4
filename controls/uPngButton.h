#pragma once
// A button drawn from a horizontal strip of pictures, one cell of the button's width per state.
#include "platform/pictures/Picture.h"

#include <QWidget>
#include <functional>

enum TPngButtonState { pbsZC = 0, pbsXT = 1, pbsAX = 2, pbsBKY = 3 };  // normal, over, pressed, disabled
enum TTextAling { taBottom, taCenter };

class TPngButton : public QWidget {
  Q_OBJECT
public:
  explicit TPngButton(QWidget *parent = nullptr);

  const TPicture &Picture() const { return FPicture; }
  void SetPicture(const TPicture &picture);  // copies the strip

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  int FontDistance() const { return FFontDistance; }
  void SetFontDistance(int value);
  TTextAling TextAlign() const { return FTextAlign; }
  void SetTextAlign(TTextAling value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  QString Caption() const { return FCaption; }
  void SetCaption(const QString &value);

  // When set, replaces the whole drawing of the button.
  using TPaintEvent = std::function<void(TPngButton &sender, QPainter &canvas)>;
  void SetOnPaint(TPaintEvent handler);

  TPngButtonState State() const { return FState; }
  // Shows the cell of `state` when the strip has one; otherwise nothing changes.
  void SetState(TPngButtonState state);
  QPoint PictureOffset() const { return FOffset; }

  // Where the caption goes and how it reads once shortened to fit (ellipsis at the end).
  QRect CaptionRect() const;
  QString ShownCaption() const;

signals:
  void clicked();
  void doubleClicked();
  void mouseDown(QMouseEvent *event);
  void mouseUp(QMouseEvent *event);
  void mouseEnter();
  void mouseLeave();

protected:
  void paintEvent(QPaintEvent *event) override;
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void changeEvent(QEvent *event) override;

  // The click of the button, after the state went back to normal; subclasses act here first.
  virtual void Click();

private:
  TPicture FPicture;
  bool FTransparent = false;
  int FFontDistance = 2;
  TTextAling FTextAlign = taBottom;
  bool FShowCaption = true;
  QString FCaption;
  TPaintEvent FOnPaint;
  TPngButtonState FState = pbsZC;
  QPoint FOffset{0, 0};
  bool FClickPending = false;  // a left press began on the button and no double click followed
};
