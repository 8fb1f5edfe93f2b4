#pragma once
// The look of the host's own windows, painted in the suite's colours: a rounded card with a
// sky-blue title band and a light body. The host's windows are plain widgets placed on it.
#include <QColor>
#include <QWidget>

namespace HostLook {
inline const QColor Sky(30, 185, 213);
inline const QColor SkyDark(18, 136, 168);
inline const QColor SkyPale(240, 250, 253);
inline const QColor Ink(52, 74, 94);
inline const QColor Coral(222, 84, 66);
inline constexpr int TitleHeight = 30;
}  // namespace HostLook

// The background of a host window: fills its parent, paints the frame and the title text.
class THostFrame : public QWidget {
public:
  THostFrame(const QString &title, QWidget *parent);

protected:
  void paintEvent(QPaintEvent *event) override;
  // Dragging the title band moves the window, as the suite's skinned windows do.
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;

private:
  QString FTitle;
  QPoint FDragFrom;
};
