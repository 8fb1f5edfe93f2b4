#pragma once
// The browser's main window: a frameless rounded window with a title bar of its own, a tool bar
// of six buttons, the address box, the information bar, the tab strip, the content panel in
// which the pages lie on top of one another (only the current tab's page shown), and a status
// line. It turns the user's actions into commands for the current page through the page
// registry and takes the pages' reports. Other processes find it by the window class name
// "SunvaleBrowser" and tell it to reload the settings and the black list; in guarded mode the
// guard's signals of those changes tell it the same. The open pages are checked against the
// black list then and whenever a row's window begins.
#include "browser/uChildToMain.h"
#include "browser/uObserverChild.h"
#include "platform/pictures/Picture.h"

#include <QAbstractButton>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <memory>

class QGridLayout;
class QTimer;
class QLabel;
class TAddressBox;
class TCtrBtn;
class TNagBar;
class TPaintPanel;
class TTagsBar;
class TfrmFavs;

// A tool-bar button drawn from an image list: picture ImageIndex, + 1 under the mouse while
// enabled, + DisabledStep while disabled; the caption, when there is one, centred below the
// picture, 3 pixels above the bottom.
class TImageListButton : public QAbstractButton {
  Q_OBJECT
public:
  TImageListButton(const TPicture &images, int imageWidth, QWidget *parent);

  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  void SetDisabledStep(int value) { FDisabledStep = value; }
  // The picture shown now.
  int ShownImage() const;
  bool MouseOver() const { return FMouseOver; }

protected:
  void paintEvent(QPaintEvent *event) override;
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;

private:
  TPicture FImages;
  int FImageWidth;
  int FImageIndex = 0;
  int FDisabledStep = 2;
  bool FMouseOver = false;
};

class TFrmMain : public QWidget, public IChildToMain {
  Q_OBJECT
public:
  // arguments: the command line without the program; exactly one is an address to open.
  explicit TFrmMain(const QStringList &arguments, QWidget *parent = nullptr);
  ~TFrmMain() override;

  // IChildToMain
  void ISetTabCaption(int32_t atabIndex, const QString &aCaption) override;
  void ISimpleText(int32_t atabIndex, const QString &aSimpleText) override;
  int32_t INewPage(const QString &AUrl, bool aAddTab) override;
  void ISetBackState(int32_t atabIndex, bool aEnabled) override;
  void ISetForwadState(int32_t atabIndex, bool aEnabled) override;
  void ISetStopState(int32_t atabIndex, bool aEnabled) override;
  void ISetAddressText(int32_t atabIndex, const QString &aText) override;

  // The address an information-bar link's code leads to; an unknown code is an address itself.
  static QString LinkAddress(const QString &code);

  // The page registry through which the window commands its pages. The controls carry their
  // design names as object names ("tgsbrBrowser", "adrsbxIEAddress", "btnRefresh", ...), so
  // those who drive the window find them with findChild.
  TSubjectChild *Subject() const { return FSubject.get(); }

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormClose();
  void CreateTitleBar(QWidget *parent);
  void CreateToolBar(QWidget *parent);
  void CreateStateBar(QWidget *parent);
  void NameControls();
  void RoundWindow();
  void LayoutToolBarRow();
  bool IsCurrent(int32_t atabIndex) const;
  int32_t CurrentIndex() const;
  void NavigateToAddressBox();
  void ToggleMaximized();
  // Brings the page of tab index to the front, the only page shown.
  void BringPageToFront(int32_t index);

  void tgsbrBrowserChange(int NewTab);
  void tgsbrBrowserTabClose(int oldTabIndex, int NewTabIndex);
  void tgsbrBrowserTabNew(int NewTabIndex, const QString &AUrl, bool Action);
  void btnFavClick();
  void ngbrNagBarHyperlinks(const QString &code);
  void WMCfgUpdate();
  void WMWebsUpdate();
  // Pages showing an address the black list blocks now show the black-list page; then the check
  // is due again when the next window of a row begins.
  void CheckPagesAgainstBlackList();
  void PageClosedItself(int32_t index);

  void xypnlTitleBarPaint(TPaintPanel &sender, QPainter &canvas);
  void xypnlTitleBarMousePress(QMouseEvent *event);
  void xypnlTitleBarMouseMove(QMouseEvent *event);

  QStringList FArguments;
  bool FShown = false;
  std::unique_ptr<TSubjectChild> FSubject;
  int32_t FNewTab = 0;
  // Set while the window itself closes a page, so that only pages closed by their own script
  // are followed by removing their tab.
  bool FClosingPage = false;
  // Dragging by hand where the window system offers no move of its own.
  bool FDragging = false;
  QPoint FDragOffset;

  TPicture FTitleBg, FToolBg, FStateBg, FDropDown;
  TPaintPanel *xypnlTitleBar;
  QWidget *imgAppICO;
  QWidget *tlbSysCtl;
  TImageListButton *btnMinimize, *btnMax, *btnClose;
  TPaintPanel *xypnlToolBar;
  QWidget *imgLogo;
  QWidget *tlbBrowserCtl;
  TImageListButton *btnGoBack, *btnGoForward, *btnRefresh, *btnHome, *btnFav, *btnAddFav;
  TAddressBox *adrsbxIEAddress;
  TCtrBtn *imgGo;
  TTagsBar *tgsbrBrowser;
  TNagBar *ngbrNagBar;
  QWidget *pnlMain;
  QGridLayout *FPagesLayout;
  TfrmFavs *FfrmFavs = nullptr;  // the favorites panel, made on first use
  QTimer *FWindowTimer;          // fires when the next window of a black-list row begins
  TPaintPanel *xypnlStateBar;
  QLabel *lblStateText;
};
