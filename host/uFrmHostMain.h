#pragma once
// The host's main window "Sunvale主程序": the family's entry to the suite. It embeds the
// application centre, starts the browser and the learning news, opens parental management and
// the yellow cards (behind the parent's password), switches the content filter, shows the card
// count it is told of and lists the notices it received, newest first, with the errors met while
// handling them. With it lives the hidden lock channel "Sunvale锁定通信" that receives the
// settings and program-limit notices.
#include "controls/uSkinForm.h"
#include "common/uPassword.h"
#include "host/uSuiteLibraries.h"

#include <QString>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QWidget;
class TCfMrg;
class TPngButton;

class TFrmHostMain : public TSkinForm {
  Q_OBJECT
public:
  // libraryFolder holds the three window libraries (the host's folder in the product).
  TFrmHostMain(TCfMrg &cfMrg, const QString &libraryFolder);
  ~TFrmHostMain() override;

  // Embeds the application centre; called once the window is shown (it needs a native window).
  void ShowCentre();

  int CardCount() const { return FCardCount; }
  QWidget *LockChannel() const { return FLockChannel.get(); }

  // The host's reactions that lie beyond this window (enforcing the rules) hook in here.
  using TNoticeEvent = std::function<void(quint32 msg, qint64 wParam, qint64 lParam)>;
  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

  // Says in the notices when another program answers to the main window's or the lock
  // channel's title (it would receive the suite's notices instead of this host).
  void CheckOwnTitles();

  // Adds a line to the list of notices (newest first, at most 50 kept).
  void AddNotice(const QString &text);

  // Closing the window ends the host, and with it every rule in force: the parent's password
  // is asked first and a refused close leaves the window as it was. This event runs once the
  // close is let through (the host's program ends its event loop there).
  using TCloseEvent = std::function<void()>;
  void SetOnClose(TCloseEvent handler) { FOnClose = std::move(handler); }

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  qint64 MainMessage(quint32 msg, qint64 wParam, qint64 lParam);
  qint64 LockMessage(quint32 msg, qint64 wParam, qint64 lParam);
  void ShowCardCount(int count);
  void ShowFilterState();
  bool ParentConfirms();

  void btnBrowserClick();
  void btnNewsClick();
  void btnManageClick();
  void btnCardsClick();
  void btnFilterClick();
  void btnPasswordClick();

  TCfMrg &FCfMrg;
  TSuiteLibraries FLibraries;
  TParentPassword FPassword;
  std::unique_ptr<QWidget> FLockChannel;
  TNoticeEvent FOnNotice;
  TCloseEvent FOnClose;
  int FCardCount = 0;
  bool FCentreShown = false;

  QLabel *lblCards = nullptr;
  TPngButton *btnBrowser = nullptr;
  TPngButton *btnNews = nullptr;
  TPngButton *btnManage = nullptr;
  TPngButton *btnCards = nullptr;
  TPngButton *btnFilter = nullptr;
  TPngButton *btnPassword = nullptr;
  QWidget *pnlCentre = nullptr;
  QListWidget *lstNotices = nullptr;
};
