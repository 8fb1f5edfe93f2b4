#pragma once
// A multi-line edit with a one-pixel coloured border.
#include <QPlainTextEdit>

class TMemoEx : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit TMemoEx(QWidget *parent = nullptr);

  QColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(const QColor &value);

  // The memo's own colour, drawn as the inner line of the frame and behind the text.
  QColor Color() const;
  void SetColor(const QColor &value);

protected:
  bool event(QEvent *event) override;

private:
  QColor FBorderColor = Qt::black;
};
