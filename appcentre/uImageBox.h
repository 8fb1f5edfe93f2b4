#pragma once
// The icon grid with pager of the centre's windows: a box (TImageBox) that keeps every entry
// (TDragCell) and shows one page of them in a flow panel (TFlowPanelEx, one TFlowItem per
// cell) above a bar of page numbers (TDlpPager). It knows nothing of the catalogue: a cell
// carries an untyped pointer to its owner's record, and a click hands the cell to the owner.
// None of the three paints a background, so the window's picture shows through the gaps.
// User-interface thread only.
#include "platform/pictures/Picture.h"

#include <QFont>
#include <QMargins>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

// One entry of the grid, owned by the box once added.
struct TDragCell {
  QString sCaption;       // text under the icon and its tooltip
  int32_t sIndex = -1;    // position in the box's list, set by AddItem
  TPicture sPicture;      // the icon; each cell control keeps its own copy
  void *pData = nullptr;  // the owner's record, not owned
};
using PDragCell = TDragCell *;

using TCellClick = std::function<void(PDragCell PCell)>;
using TPageChangeEvent = std::function<void(int32_t OldIndex, int32_t NewIndex)>;

// The control of one visible cell: the icon at its natural size at the top-left corner and the
// caption centred below it; nothing at all without a picture (it still takes clicks).
class TFlowItem : public QWidget {
  Q_OBJECT
public:
  explicit TFlowItem(QWidget *parent = nullptr);

  QString Caption() const { return FCaption; }
  void SetCaption(const QString &value);
  const TPicture &Picture() const { return FPicture; }
  void SetPicture(const TPicture &value);
  PDragCell Data() const { return FData; }
  void SetData(PDragCell value) { FData = value; }
  QMargins Margins() const { return FMargins; }
  void SetMargins(const QMargins &value) { FMargins = value; }
  bool AlignWithMargins() const { return FAlignWithMargins; }
  void SetAlignWithMargins(bool value) { FAlignWithMargins = value; }
  void SetOnClick(std::function<void(TFlowItem *)> handler) { FOnClick = std::move(handler); }

  // Where the caption is drawn: from the picture's height + 5 down to the bottom edge.
  QRect CaptionRect() const;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  QString FCaption;
  TPicture FPicture;
  PDragCell FData = nullptr;
  QMargins FMargins{3, 3, 3, 3};
  bool FAlignWithMargins = true;
  bool FPressed = false;
  std::function<void(TFlowItem *)> FOnClick;
};

// Holds the cell controls of the shown page and lays them out from left to right, wrapping at
// the right edge of its client area (1 pixel inside its edges).
class TFlowPanelEx : public QWidget {
  Q_OBJECT
public:
  explicit TFlowPanelEx(QWidget *parent = nullptr);

  bool CellAlignWithMargins() const { return FCellAlignWithMargins; }
  void SetCellAlignWithMargins(bool value) { FCellAlignWithMargins = value; }
  QMargins CellMargins() const { return FCellMargins; }
  void SetCellMargins(const QMargins &value) { FCellMargins = value; }
  int32_t CellWidth() const { return FCellWidth; }
  void SetCellWidth(int32_t value) { FCellWidth = value; }
  int32_t CellHeight() const { return FCellHeight; }
  void SetCellHeight(int32_t value) { FCellHeight = value; }
  void SetOnCellClick(TCellClick handler) { FCellClick = std::move(handler); }

  int CellCount() const { return int(FCells.size()); }
  TFlowItem *Cell(int index) const { return FCells.at(size_t(index)); }

  // A cell control for the record after the last one; nothing for null.
  void AddCell(PDragCell PCell);
  // Removes (and frees) every cell control.
  void RemoveAllCell();

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  void Relayout();

  bool FCellAlignWithMargins = true;
  QMargins FCellMargins{3, 3, 3, 3};
  TCellClick FCellClick;
  int32_t FCellWidth = 50;
  int32_t FCellHeight = 68;
  std::vector<TFlowItem *> FCells;
};

// The bar of page numbers: a left arrow, one screenful of numbers, a right arrow. The arrows
// step a screen of numbers at a time and make its first number the current page.
class TDlpPager : public QWidget {
  Q_OBJECT
public:
  explicit TDlpPager(QWidget *parent = nullptr);

  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t value);
  int32_t PageCount() const { return FPageCount; }
  void SetPageCount(int32_t value);
  int32_t PCurIndex() const { return FPCurIndex; }
  int32_t PageMax() const { return FPageMax; }
  int32_t PNumHeight() const { return FPNumHeight; }
  void SetPNumHeight(int32_t value);
  int32_t PNumWidth() const { return FPNumWidth; }
  void SetPNumWidth(int32_t value);
  QMargins NumMargins() const { return FNumMargins; }
  void SetNumMargins(const QMargins &value);
  int32_t CurScreen() const { return FCurScreen; }
  void SetUpPic(const TPicture &value);
  void SetDownPic(const TPicture &value);
  void SetCurNumPic(const TPicture &value);
  void SetBgPic(const TPicture &value);
  bool AutoShow() const { return FAutoShow; }
  void SetAutoShow(bool value);
  QMargins Margins() const { return FMargins; }
  void SetMargins(const QMargins &value);
  void SetOnPageChange(TPageChangeEvent handler) { FOnPageChange = std::move(handler); }

  // (Width - down arrow width - up arrow width - left number margin) / number-box width.
  int GetNumsPerScreen() const;
  // -200 on the right arrow, -100 on the left arrow, n on the box of page n of the shown
  // screen, -1 elsewhere.
  virtual int GetIndexAtPos(const QPoint &point) const;
  // The box of page n of the shown screen; empty when n is not on it.
  QRect NumberRect(int n) const;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  void Recompute();
  // Walks the number boxes of the shown screen; stops when `visit` returns false.
  void ForEachNumber(const std::function<bool(int n, const QRect &box)> &visit) const;

  int32_t FPageSize = 10;
  int32_t FPageCount = 0;
  int32_t FPCurIndex = 1;
  int32_t FPageMax = 0;
  int32_t FPNumHeight = 13;
  int32_t FPNumWidth = 13;
  QMargins FNumMargins{3, 0, 0, 0};
  int32_t FCurScreen = 0;
  TPicture FUpPic, FDownPic, FCurNumPic, FBgPic;
  TPageChangeEvent FOnPageChange;
  bool FAutoShow = true;
  QMargins FMargins{3, 3, 3, 3};
};

// The grid: all entries, the page of them in the flow panel, the pager at the bottom.
class TImageBox : public QWidget {
  Q_OBJECT
public:
  explicit TImageBox(QWidget *parent = nullptr);
  ~TImageBox() override;

  TFlowPanelEx *FlowPanel() const { return FFlowPanel; }
  TDlpPager *Pager() const { return FPager; }
  int Count() const { return int(FItems.size()); }

  // Takes the record over and returns its index (-1 for null). It is shown at once while the
  // panel holds fewer cells than a page; the pager then counts it.
  virtual int AddItem(std::unique_ptr<TDragCell> Cell);
  PDragCell GetItem(int aIndex) const;
  // Removes and frees the record; false for an index outside the list. The panel and the
  // pager are not refreshed.
  bool DeleteItem(int Index);

protected:
  void resizeEvent(QResizeEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  bool event(QEvent *event) override;

private:
  void PageChange(int32_t OldIndex, int32_t NewIndex);
  // Places the pager at the bottom (with its margins, while shown) and the panel above it,
  // 1 pixel inside the box's edges.
  void Realign();

  TFlowPanelEx *FFlowPanel;
  TDlpPager *FPager;
  std::vector<std::unique_ptr<TDragCell>> FItems;
};

// The look the centre and its group window give their grid: cells of 50 x 68 with white
// captions in 11-pixel Tahoma, the skin's pager pictures, the pager shown only when needed.
struct TBoxLook {
  QMargins CellMargins;
  QMargins PagerMargins;
  int iPageSize = 10;
  int iPNumHeight = 13;
  QMargins NumMargins;
  QString sPagerBackground;  // skin picture of the pager's ground
};
void ApplyBoxLook(TImageBox *box, const TBoxLook &look);
