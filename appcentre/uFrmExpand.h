#pragma once
// The group window: the applications of one group entry of the centre in an icon grid with
// pager, beside the host's main window and inside its screen. A click opens the application's
// address in the filtered browser. It closes when it loses activation, when its close tab is
// clicked, and so after any choice; it frees itself when closed.
#include "appcentre/uAppInfosDao.h"
#include "appcentre/uCategoryInfosDao.h"
#include "appcentre/uImage.h"
#include "appcentre/uImageBox.h"
#include "controls/uSkinForm.h"

#include <QPointer>
#include <memory>
#include <vector>

#include "common/uThreadHelper.h"
class TWindowLink;

class TFrmExpand : public TSkinForm {
  Q_OBJECT
public:
  explicit TFrmExpand(QWidget *parent = nullptr);
  ~TFrmExpand() override;

  // The group entry whose applications the window lists when it is shown.
  void SetModel(PCategoryInfosModel model) { FModel = model; }
  // Places the window beside the host's main window, whose outer rectangle is mainWindow:
  // directly left of it, its top half the difference of their heights below the main window's
  // top, when that lies inside the screen holding the main window; otherwise on the side with
  // room (the right, when the left has none), and always inside that screen.
  void PlaceBeside(const QRect &mainWindow);
  TImageBox *QuilloMain() const { return quilloMain; }
  TImage *CloseTab() const { return imgClose; }
  TThreadHelper *Worker() const { return FWorker; }

protected:
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void quilloMainFlowPanelExCellClick(PDragCell PCell);
  void ExpandAddCell(std::unique_ptr<TAppInfosMode> app, std::unique_ptr<TDragCell> cell);

  TImage *imgBg;
  TImageBox *quilloMain;
  TImage *imgClose;
  PCategoryInfosModel FModel = nullptr;
  std::vector<std::unique_ptr<TAppInfosMode>> FApps;  // the records the cells point at
  std::shared_ptr<TWindowLink> FLink;
  QPointer<TThreadHelper> FWorker;
  bool FListed = false;
  bool FWasActive = false;
};
