#pragma once
// A panel that leaves its painting to its owner: with OnPaint set, the owner draws everything
// (the canvas carries the panel's font and its colour as brush); without it, a plain panel.
#include <QWidget>
#include <functional>

class QPainter;

class TPaintPanel : public QWidget {
  Q_OBJECT
public:
  using TPaintEvent = std::function<void(TPaintPanel &sender, QPainter &canvas)>;

  explicit TPaintPanel(QWidget *parent = nullptr);

  void SetOnPaint(TPaintEvent handler);
  bool HasOnPaint() const { return bool(FOnPaint); }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  TPaintEvent FOnPaint;
};
