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
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QWebEngineView;
class QWebEnginePage;
class TWebEnginePage;

// Command identifiers of the command-state change event.
inline constexpr int CSC_UPDATECOMMANDS = -1;  // all commands at once; "enable" is the busy state
inline constexpr int CSC_NAVIGATEFORWARD = 1;
inline constexpr int CSC_NAVIGATEBACK = 2;

class TWebBrowser;
class TTextChannel;

// When the text of the shown document is read for its owner (OnDocumentText).
enum class TTextMoment {
  Parsed,   // the document is parsed; pictures and frames may still load
  Loaded,   // its load event, or a bound after Parsed when frames never complete
  Changed,  // a moment after the first change of its content or a same-document navigation, and
            // every two seconds once loaded
  Framed,   // the engine's text of the loaded document, with frames of every origin (at its load
            // and every two seconds after)
};

// A request for a new top-level document (typed address, link, script, form, history, reload).
struct TNavigateArgs {
  QUrl Url;             // the address that would be requested
  bool Cancel = false;  // set by a handler that refuses it: nothing is asked of the address
};

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

  QString LocationURL() const;    // the current address
  bool ShowsOwnDocument() const;  // a document of the control's own is shown (or asked for)
  bool Busy() const;              // a load is in progress
  QString Title() const;          // the shown page's title

  // Watching of the document text: while on, every document the control shows is read at the
  // moments of TTextMoment and handed to OnDocumentText. The reading script runs in a script
  // world of its own and answers through a channel registered in that world only, so the
  // page's scripts can neither change what is read nor speak in its place. The text is the
  // root element's innerText (the text content of a root without one), with the text of shadow
  // roots (every one is made open), of frames of every origin, of visible text fields (their
  // hints when empty) and the alternative text of image buttons and of pictures that did not
  // load; hidden text is left out. A frame of another origin than its parent reads itself in the
  // same world and hands its text to the top document's watcher, which answers once every such
  // frame present has answered.
  void SetTextWatch(bool on);
  // Hides the shown document behind a plain cover, or shows it again. The cover stays over
  // documents that load meanwhile. While text watching is on, the control covers the document
  // itself when a reading goes unanswered for 0.5 s (a renderer kept busy or frozen); the owner
  // uncovers it on the next answer. A page whose readings go unanswered that long three times
  // within 30 s is held covered, with a short explanation on the cover, whatever the owner
  // sets, until the child asks for a page (Navigate, Refresh, GoBack, GoForward) or the
  // control's own document replaces it.
  void SetCovered(bool covered);
  bool Covered() const;
  // Whether late readings cover the document (on by default). An owner that does not screen
  // the shown document (its filter was off as it began to load) turns it off until the next one:
  // a busy page it lets through unread is not hidden.
  void SetCoverLateReadings(bool on) { FCoverLateReadings = on; }

  // Replaces the shown document by a new document of the control's own holding html: the
  // replaced document ends with everything it runs (scripts, timers, requests), whatever its
  // type. The address stays the replaced one: LocationURL keeps it, and a refresh asks for it
  // again. The load of the control's own document raises no document-complete and no title
  // event; shown is called once it has loaded.
  void ReplaceDocument(const QString &html, std::function<void()> shown);
  // Shows a new document of the control's own holding html in place of an address that is
  // never requested (one refused in OnBeforeNavigate): as ReplaceDocument, with that address
  // kept as the shown one.
  void ReplaceRequest(const QUrl &address, const QString &html, std::function<void()> shown);

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

  // The address of a document of the control's own holding html, which any control's page or
  // frame may load (a frame refused by the black list shows one).
  static QUrl OwnDocumentAddress(const QString &html);

  // The address of a local folder through which pages of any origin may load the files in it
  // (pictures of the product's own pages). It ends with "/"; "name" appended to it addresses
  // the file folder + "name". Only files inside folders given here are ever served.
  static QString LocalFolderAddress(const QString &folder);

  QWebEnginePage *Page() const;

  // Event properties.
  void SetOnTitleChange(std::function<void(const QString &text)> handler) { FOnTitleChange = std::move(handler); }
  void SetOnCommandStateChange(std::function<void(int command, bool enable)> handler) {
    FOnCommandStateChange = std::move(handler);
  }
  void SetOnStatusTextChange(std::function<void(const QString &text)> handler) {
    FOnStatusTextChange = std::move(handler);
  }
  // Raised when a new top-level document is asked for through Navigate or Refresh, and again when
  // one starts to load (the engine reports no start of a load asked for while the shown document
  // still loads); not for the control's own documents. From then on the shown document's answers
  // are dropped.
  void SetOnLoadStart(std::function<void()> handler) { FOnLoadStart = std::move(handler); }
  // The text of the shown document, read at the given moment while text watching is on.
  void SetOnDocumentText(std::function<void(TTextMoment moment, const QString &text)> handler) {
    FOnDocumentText = std::move(handler);
  }
  // Raised once per completed load of the top-level document, with its address; loads of
  // frames never raise it.
  void SetOnDocumentComplete(std::function<void(const QString &url)> handler) {
    FOnDocumentComplete = std::move(handler);
  }
  // A top-level document is about to be requested, whatever asked for it; frames and the
  // control's own documents are not reported. A handler may refuse it (args.Cancel).
  void SetOnBeforeNavigate(std::function<void(TNavigateArgs &args)> handler) { FOnBeforeNavigate = std::move(handler); }
  // A new window is asked for. Whatever the handler does, the engine's window is dropped, so no
  // window escapes the browser's pages.
  void SetOnNewWindow(std::function<void(TNewWindowArgs &args)> handler) { FOnNewWindow = std::move(handler); }
  // A script asked to close the window. The control never closes itself.
  void SetOnCloseRequest(std::function<void()> handler) { FOnCloseRequest = std::move(handler); }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  std::function<void(const QString &text)> FOnTitleChange;
  std::function<void(int command, bool enable)> FOnCommandStateChange;
  std::function<void(const QString &text)> FOnStatusTextChange;
  std::function<void()> FOnLoadStart;
  std::function<void(TTextMoment moment, const QString &text)> FOnDocumentText;
  std::function<void(const QString &url)> FOnDocumentComplete;
  std::function<void(TNavigateArgs &args)> FOnBeforeNavigate;
  std::function<void(TNewWindowArgs &args)> FOnNewWindow;
  std::function<void()> FOnCloseRequest;
  friend class TWebEnginePage;
  friend class TTextChannel;
  void UpdateCommandStates();
  void WantChangedText();
  void AskText(TTextMoment moment);
  void DocumentText(TTextMoment moment, const QString &text);
  void ReadFramedText();
  void ReadingLate();
  void SetHeld(bool held);
  // A new top-level document is on its way: the shown one answers no more, and the owner hears
  // of the load's start (it covers the page until the new document is decided).
  void LeaveDocument();
  void LoadOwnDocument(const QString &html, const QString &address, std::function<void()> shown);

  QWebEngineView *FView;
  TWebEnginePage *FPage;
  bool FSilent = false;
  bool FBusy = false;
  bool FCanBack = false;
  bool FCanForward = false;
  bool FNewWindowKey = true;
  QWidget *FCover;
  QLabel *FHeldText;  // the explanation on the cover of a page held covered
  bool FCovered = false;
  bool FHeld = false;
  bool FCoverLateReadings = true;
  // When the last readings went unanswered too long.
  std::deque<std::chrono::steady_clock::time_point> FLateReadings;
  TTextChannel *FTextChannel = nullptr;  // while text watching is on
  QTimer *FChangeTimer;                  // quiet time after changes before the text is read
  QTimer *FFramesTimer;                  // bound on waiting for the load event after Parsed
  QTimer *FRecheckTimer;                 // reads a loaded document again now and then
  QTimer *FAnswerTimer;                  // bound on a reading's answer, then the page is covered
  uint64_t FLoadsStarted = 0;
  QString FShownDocument;    // the name the watch script gave the document that answered last
  QString FLeftDocument;     // the document being left while the next one loads
  QString FReplacedAddress;  // the address of the document the control's own replaced
  std::function<void()> FOnOwnDocumentShown;
  bool FOwnDocumentDue = false;  // the control's own document is asked for, its load not begun
  // Cleared when the control goes, so engine answers still on their way are dropped.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
