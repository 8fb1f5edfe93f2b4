#pragma once
// A picture on a window, drawn at its natural size from the top-left corner; a click on it can
// be handled (the group window's close tab).
#include "platform/pictures/Picture.h"

#include <QWidget>
#include <functional>

class TImage : public QWidget {
  Q_OBJECT
public:
  explicit TImage(QWidget *parent = nullptr) : QWidget(parent) {}

  const TPicture &Picture() const { return FPicture; }
  void SetPicture(const TPicture &value);
  void SetOnClick(std::function<void()> handler) { FOnClick = std::move(handler); }

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  TPicture FPicture;
  std::function<void()> FOnClick;
  bool FPressed = false;
};
