#pragma once
// A picture button that minimises or closes the form that holds it.
#include "controls/uPngButton.h"

enum TSysMenuButtonType { smbtMin = 0, smbtClose = 1 };

class TSysMenuButton : public TPngButton {
  Q_OBJECT
public:
  explicit TSysMenuButton(QWidget *parent = nullptr) : TPngButton(parent) {}

  TSysMenuButtonType ButtonType() const { return FButtonType; }
  void SetButtonType(TSysMenuButtonType value) { FButtonType = value; }

protected:
  // Queues the command to the first form up the parent chain, then the ordinary click runs,
  // before the queued command arrives.
  void Click() override;

private:
  TSysMenuButtonType FButtonType = smbtMin;
};
