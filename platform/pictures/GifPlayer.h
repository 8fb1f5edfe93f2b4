#pragma once
// Shows an animated GIF: every frame for its own delay, over a background colour, looping.
#include "platform/pictures/Picture.h"

#include <QTimer>
#include <QWidget>

class TGifPlayer : public QWidget {
  Q_OBJECT
public:
  explicit TGifPlayer(QWidget *parent = nullptr);

  void SetAnimation(const TGifAnimation &animation);
  const TGifAnimation &Animation() const { return FAnimation; }

  // Starts from the first frame; the frames are drawn over `background`.
  void Start(const QColor &background);
  void Stop();
  bool IsRunning() const { return FTimer.isActive(); }
  int CurrentFrame() const { return FFrame; }

  // Frames that ask for less than ShortestDelayMs are shown for SlowDelayMs, as browsers do:
  // such files were made for players that could not go faster anyway.
  static constexpr int ShortestDelayMs = 20;
  static constexpr int SlowDelayMs = 100;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  void Advance();
  void ScheduleNext();

  TGifAnimation FAnimation;
  QColor FBackground = Qt::white;
  int FFrame = 0;
  QTimer FTimer;
};
