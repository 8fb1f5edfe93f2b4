#pragma once
// The browser's tab strip: one tab per page, a close button on the current tab and a button
// for a new blank tab after the last tab. It keeps only names; the main window makes and
// closes the pages in answer to its events.
#include <QAbstractButton>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

// A flat button with a picture face from the skin, and another face while the mouse is over it.
class TCtrBtn : public QAbstractButton {
  Q_OBJECT
public:
  explicit TCtrBtn(QWidget *parent = nullptr);

  QString ResName() const { return FResName; }
  // Loads the skin picture and sizes the button to it.
  void SetResName(const QString &name);
  QString MResName() const { return FMResName; }
  // Only remembers the name; the picture is loaded when the mouse enters.
  void SetMResName(const QString &name) { FMResName = name; }
  // The face shown now.
  const QPixmap &Face() const { return FFace; }

  QSize sizeHint() const override { return FFace.size(); }

protected:
  void paintEvent(QPaintEvent *event) override;
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;

private:
  void ShowFace(const QString &name);

  QString FResName;
  QString FMResName;
  QPixmap FFace;
};

// Distances inside a tab, in pixels. A change repaints the strip through its change event.
class TSpacing {
public:
  int LeftToIco() const { return FLeftToIco; }
  int IcoToText() const { return FIcoToText; }
  int TextToCloseBtn() const { return FTextToCloseBtn; }
  int CloseBtnToRight() const { return FCloseBtnToRight; }
  void SetLeftToIco(int v) { Set(FLeftToIco, v); }
  void SetIcoToText(int v) { Set(FIcoToText, v); }
  void SetTextToCloseBtn(int v) { Set(FTextToCloseBtn, v); }
  void SetCloseBtnToRight(int v) { Set(FCloseBtnToRight, v); }

  using TChangeEvent = std::function<void()>;
  void SetOnChange(TChangeEvent handler) { FOnChange = std::move(handler); }

private:
  void Set(int &field, int value);

  TChangeEvent FOnChange;

  int FLeftToIco = 4;
  int FIcoToText = 2;
  int FTextToCloseBtn = 2;
  int FCloseBtnToRight = 4;
};

class TTagsBar : public QWidget {
  Q_OBJECT
public:
  // Raised with the new index before the current index changes.
  using TTabChangeEvent = std::function<void(int NewTab)>;
  using TTabCloseEvent = std::function<void(int oldTabIndex, int NewTabIndex)>;
  using TTabNewEvent = std::function<void(int NewTabIndex, const QString &AUrl, bool Action)>;

  explicit TTagsBar(QWidget *parent = nullptr);

  // Adds a tab named s and returns its index. The name of a blank tab makes the page load
  // "about:blank", and when a blank tab exists already that one becomes current instead.
  int NewTab(const QString &s, bool Action);
  // Deletes the tab at NewIndex (-1: the current one); the last tab is never deleted.
  void DelTab(int NewIndex);
  void SetTabName(int TabIndex, const QString &Name);
  QString GetTabName(int TabIndex) const;

  int TabCount() const { return int(FTabs.size()); }
  int TabIndex() const { return FTabIndex; }
  // Makes a tab current, raising the change event first; the current index does nothing.
  void SetTabIndex(int index);

  QString DefaultNewTabName() const { return FDefaultNewTabName; }
  TSpacing &Spacing() { return FSpacing; }
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);  // kept within TabMinWidth..TabMaxWidth
  int TabMinWidth() const { return FTabMinWidth; }
  int TabMaxWidth() const { return FTabMaxWidth; }
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int value);
  // Icons drawn before the names, image i on tab i, when there are as many as tabs.
  void SetImages(std::vector<QPixmap> images);

  // The tab's place in the strip (before the painting widens it to the left), empty when the
  // tab is scrolled out of sight or does not exist.
  QRect ItemRect(int index) const;
  // The tab under a point, -1 for none.
  int ItemAtPos(const QPoint &pos) const;
  // The name as the tab shows it, cut with an ellipsis to fit.
  QString ShownName(int index) const;

  TCtrBtn *CloseButton() const { return FCloseBtn; }
  TCtrBtn *AddTabButton() const { return FAddTabBtn; }

  void SetOnChange(TTabChangeEvent handler) { FOnChange = std::move(handler); }
  void SetOnTabClose(TTabCloseEvent handler) { FOnTabClose = std::move(handler); }
  void SetOnTabNew(TTabNewEvent handler) { FOnTabNew = std::move(handler); }

  static QColor BackgroundColor() { return QColor(30, 185, 213); }
  // Tabs are drawn this far into their left neighbour, so their rounded edges overlap.
  static constexpr int TabOverlap = 7;
  static constexpr int StartMargin = 10;

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  bool event(QEvent *event) override;

private:
  QRect DrawnRect(int index) const;
  QRect TextRect(int index) const;
  int VisibleCapacity() const;
  void KeepCurrentVisible();
  void Relayout();

  QStringList FTabs;
  int FTabIndex = -1;
  int FFirstIndex = 0;  // the first tab in sight when the tabs do not all fit
  QPixmap FTabBg;
  QPixmap FTabUnBg;
  TCtrBtn *FCloseBtn;
  TCtrBtn *FAddTabBtn;
  int FTabMaxWidth = 150;
  int FTabMinWidth = 100;
  int FTabWidth = 150;
  int FTabHeight;
  TSpacing FSpacing;
  std::vector<QPixmap> FImages;
  QString FDefaultNewTabName;
  TTabChangeEvent FOnChange;
  TTabCloseEvent FOnTabClose;
  TTabNewEvent FOnTabNew;
};
