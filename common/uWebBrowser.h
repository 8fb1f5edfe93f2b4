#pragma once
// The web-browser control of the browser pages and the viewer, over Qt WebEngine. It offers the
// operations and events those windows use and no more: navigation and history, the current
// address and busy state, the page text, writing a page into the current document, and the
// events title change, command-state change, status text, top-level document complete,
// new-window request and script close request. Events are event properties (callbacks bound
// by the owner); every one of them is raised on the user-interface thread.
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class QWebEngineView;
class QWebEnginePage;
class TWebEnginePage;

// Command identifiers of the command-state change event.
inline constexpr int CSC_UPDATECOMMANDS = -1;  // all commands at once; "enable" is the busy state
inline constexpr int CSC_NAVIGATEFORWARD = 1;
inline constexpr int CSC_NAVIGATEBACK = 2;

class TWebBrowser;

// A request of the shown page for a new window (a link with a new-window target, a script).
// The control never opens the engine's window: a handler that wants the address shown opens it
// afresh, in a control of its own choice.
struct TNewWindowArgs {
  QUrl Url;             // the address the new window would open; empty for a script's blank window
  bool Cancel = false;  // set by a handler that took the request over
};

class TWebBrowser : public QWidget {
  Q_OBJECT
public:
  explicit TWebBrowser(QWidget *parent = nullptr);
  ~TWebBrowser() override;

  // Navigation. An address without a scheme is read the way an address box reads it.
  void Navigate(const QString &url);
  void GoBack();
  void GoForward();
  void Refresh();
  void Stop();

  QString LocationURL() const;  // the current address
  bool Busy() const;            // a load is in progress
  QString Title() const;        // the shown page's title

  // The text of the shown document as document.documentElement.innerText, delivered later on
  // the user-interface thread; empty when the control holds no HTML document. The engine reads
  // it natively, outside every script world, so the page's own scripts cannot change what is
  // read. The caller never waits.
  void ReadDocumentText(std::function<void(const QString &)> done);

  // Replaces the shown document by a new document of the control's own holding html: the
  // replaced document ends with everything it runs (scripts, timers, requests), whatever its
  // type. The address stays the replaced one: LocationURL keeps it, and a refresh asks for it
  // again. The load of the control's own document raises no document-complete and no title
  // event; shown is called once it has loaded.
  void ReplaceDocument(const QString &html, std::function<void()> shown);

  // Silent mode: the engine shows no dialogs of its own (script alerts, confirmations,
  // prompts) and writes no script errors anywhere.
  void SetSilent(bool silent) { FSilent = silent; }
  bool Silent() const { return FSilent; }
  // Whether files dragged onto the control are accepted (and opened by it).
  void SetDropTarget(bool accept);
  // Whether the control shows its context menu and its scroll bars.
  void SetContextMenu(bool show);
  void SetScrollBars(bool show);
  // Whether the key combination Ctrl+N reaches the control. When disabled the key is dropped
  // before the engine and the page's scripts see it, so it can start no new window.
  void SetNewWindowKey(bool enabled);

  // The address of a local folder through which pages of any origin may load the files in it
  // (pictures of the product's own pages). It ends with "/"; "name" appended to it addresses
  // the file folder + "name". Only files inside folders given here are ever served.
  static QString LocalFolderAddress(const QString &folder);

  QWebEnginePage *Page() const;

  // Event properties.
  std::function<void(const QString &text)> OnTitleChange;
  std::function<void(int command, bool enable)> OnCommandStateChange;
  std::function<void(const QString &text)> OnStatusTextChange;
  // Raised once per completed load of the top-level document, with its address; loads of
  // frames never raise it.
  std::function<void(const QString &url)> OnDocumentComplete;
  // A new window is asked for. Whatever the handler does, the engine's window is dropped, so no
  // window escapes the browser's pages.
  std::function<void(TNewWindowArgs &args)> OnNewWindow;
  // A script asked to close the window. The control never closes itself.
  std::function<void()> OnCloseRequest;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  friend class TWebEnginePage;
  void UpdateCommandStates();

  QWebEngineView *FView;
  TWebEnginePage *FPage;
  bool FSilent = false;
  bool FBusy = false;
  bool FCanBack = false;
  bool FCanForward = false;
  bool FNewWindowKey = true;
  QString FReplacedAddress;  // the address of the document the control's own replaced
  std::function<void()> FOnOwnDocumentShown;
  // Cleared when the control goes, so engine answers still on their way are dropped.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
