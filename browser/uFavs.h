#pragma once
// The favorites panel on the left of the browser's content area: a 193-pixel strip with a top
// bar holding a close button (which hides the panel) and the favorites tree below it. A chosen
// favorite is opened through the main window like every other address. The tree follows the
// folder while the panel lives, and the panel shown again reads it anew (also what no watch
// could see). Creates the Favorites folder when it is missing, so the panel works on a fresh
// account; reads nothing else.
#include <QWidget>

class IChildToMain;
class QTreeWidgetItem;
class TFavoritesTreeEx;
class TPngButton;

class TfrmFavs : public QWidget {
  Q_OBJECT
public:
  static constexpr int PanelWidth = 193;

  // Raises "无法创建目录:" + folder when the Favorites folder is missing and cannot be made.
  TfrmFavs(IChildToMain *AChildToMain, QWidget *AOwner);

  QWidget *pnlTop;
  TPngButton *btnClose;
  TFavoritesTreeEx *fvrtstrx1;
  QWidget *pnl1;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void fvrtstrx1Navigate(const QString &URL);

  IChildToMain *FChildToMain;
};
