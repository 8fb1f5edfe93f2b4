#pragma once
// The look and the work shared by the two record windows of the card library (violation
// history, cancel records): a skinned tool window with a caption, a close button, two column
// headers and a check list of records, "全选"/"反选" and "删除". The list is filled from the
// table each time the window is shown; "删除" deletes the rows of the ticked lines at once,
// without asking.
#include "common/uFrmInfos.h"
#include "controls/uSkinForm.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

class QLabel;
class QListWidget;
class TPanelEx;
class TPngButton;
class TSysMenuButton;

class TFrmRecordList : public TSkinForm {
  Q_OBJECT
public:
  // Where things go: the list and the headers above it, the buttons below.
  struct TDesign {
    TFrmInfoIndex eInfo;
    QString sBackground;
    QString sCaption, sCaptionFont;
    bool bCaptionBold;
    QString sHeaderTime, sHeaderText;
    int iTimeWidth;      // width of the first header
    QRect rList;         // the check list; the headers sit right above it
    QPoint ptSelectAll;  // "删除" follows right of "全选"
  };

  TPanelEx *plxBg;
  QLabel *lblCaption;
  TSysMenuButton *sysBtnClose;
  TPanelEx *imgTime, *imgText;  // header pictures
  QLabel *lblTime, *lblText;
  QListWidget *chklstMain;
  TPngButton *btnSelectAll;
  TPngButton *btnDel;

  // The key of a list line's record.
  static int32_t LineKey(const class QListWidgetItem *line);

protected:
  explicit TFrmRecordList(const TDesign &design);

  // The table's records as (key, line text) in table order.
  virtual std::vector<std::pair<int32_t, QString>> ReadLines() = 0;
  virtual void DeleteRow(int32_t key) = 0;

  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void btnSelectAllClick();
  void btnDelClick();
};
