#pragma once
// The centre window: the catalogue's entries in an icon grid with pager, shown inside a window
// of the host. Its worker lists the entries once, when the window is first shown; a click
// opens a web link in the filtered browser, runs a local program, opens the group window
// beside the host's main window, or asks once for the address of a custom link. Errors of a
// click are shown in a message box and the window goes on. Frees itself when closed.
#include "appcentre/uCategoryInfosDao.h"
#include "appcentre/uImage.h"
#include "appcentre/uImageBox.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "common/uThreadHelper.h"
class TWindowLink;

class TFrmBox : public QWidget {
  Q_OBJECT
public:
  explicit TFrmBox(QWidget *parent = nullptr);
  ~TFrmBox() override;

  TImageBox *QuilloMain() const { return quilloMain; }
  // The worker listing the entries while it runs; null before the first show and after it ended.
  TThreadHelper *Worker() const { return FWorker; }

  // What a click on the entry does, by its type; nothing for null or an unknown type.
  void OpenCategory(PCategoryInfosModel model);

protected:
  void showEvent(QShowEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void quilloMainFlowPanelExCellClick(PDragCell PCell);
  void BoxAddCell(std::unique_ptr<TCategoryInfosModel> model, std::unique_ptr<TDragCell> cell);

  TImage *imgBg;
  TImageBox *quilloMain;
  std::vector<std::unique_ptr<TCategoryInfosModel>> FModels;  // the records the cells point at
  std::shared_ptr<TWindowLink> FLink;
  QPointer<TThreadHelper> FWorker;
  bool FListed = false;
};

// Opens the web link in the filtered browser (raises for a too short address).
void OpenWebLink(const QString &url);
// Runs the local program (raises when it is missing).
void RunLocalProgram(const QString &path);
// Shows a new group window for the entry beside the host's main window.
QWidget *ShowGroup(PCategoryInfosModel model);
// Asks for the address first when the entry has none (7 characters or fewer once trimmed),
// then opens it when it is longer than that.
void OpenCustomLink(PCategoryInfosModel model);

// A new centre window inside the host window `parentWindow` (a native window id): a window of
// this process becomes its parent widget; a foreign one is adopted where the platform can. The
// centre takes the parent's outer size and sits at its top-left corner. Without a parent to be
// found it shows as a window of its own, of the designed size.
TFrmBox *ShowCentre(WId parentWindow);
