#include "common/uWebBrowser.h"
#include "platform/errors/Errors.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <memory>

namespace {

// Pictures of the product's own pages (the blocking page) lie in the program folder. A web page
// may not load file addresses, so the control serves the shared folders under a scheme of its
// own. The scheme has to be known to the engine before its first page exists.
const QByteArray LocalSchemeName = "pemblo-local";

// Documents of the control's own (the blocking page) are new documents under a second scheme:
// loading one ends the shown document with everything it runs, whatever its type.
const QByteArray OwnSchemeName = "pemblo-page";

struct TLocalSchemeRegistration {
  TLocalSchemeRegistration() {
    for (const QByteArray &name : {LocalSchemeName, OwnSchemeName}) {
      QWebEngineUrlScheme scheme(name);
      scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
      scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
      QWebEngineUrlScheme::registerScheme(scheme);
    }
  }
} LocalSchemeRegistration;

// The control's own documents by name (a digest of their content, so the one blocking page is
// kept once however often it is shown). Used on the user-interface thread only.
QHash<QString, QByteArray> &OwnDocuments() {
  static QHash<QString, QByteArray> documents;
  return documents;
}

class TOwnSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void requestStarted(QWebEngineUrlRequestJob *job) override {
    const auto document = OwnDocuments().constFind(job->requestUrl().path());
    if (document == OwnDocuments().constEnd()) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    auto *buffer = new QBuffer(job);
    buffer->setData(*document);
    buffer->open(QIODevice::ReadOnly);
    job->reply("text/html; charset=utf-8", buffer);
  }
};

// Folders whose files may be served; each cleaned and ending with "/". Used on the
// user-interface thread only.
QStringList &SharedFolders() {
  static QStringList folders;
  return folders;
}

class TLocalSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void requestStarted(QWebEngineUrlRequestJob *job) override {
    const QString path = QDir::cleanPath(job->requestUrl().path());
    bool shared = false;
    for (const QString &folder : SharedFolders())
      shared = shared || path.startsWith(folder);
    auto *file = new QFile(path, job);
    if (!shared || !QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly)) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    job->reply(QMimeDatabase().mimeTypeForFile(path).name().toUtf8(), file);
  }
};

void InstallLocalScheme(QWebEngineProfile *profile) {
  if (!profile->urlSchemeHandler(LocalSchemeName))
    profile->installUrlSchemeHandler(LocalSchemeName, new TLocalSchemeHandler(profile));
  if (!profile->urlSchemeHandler(OwnSchemeName))
    profile->installUrlSchemeHandler(OwnSchemeName, new TOwnSchemeHandler(profile));
}

bool IsOwnDocument(const QUrl &url) { return url.scheme() == QLatin1String(OwnSchemeName); }

// Script world of the text watch: the page's own scripts share the document but none of the
// script objects, so they cannot fake, hide or silence what is read there.
constexpr quint32 WatchWorld = QWebEngineScript::ApplicationWorld;

// Quiet time after changes of a document before its text is read again.
constexpr int ChangeQuietMs = 250;
// How long the load event is waited for after the document was parsed (frames that never
// complete hold it back).
constexpr int FramesBoundMs = 3000;
// How often a loaded document is read again all the same: text that frames add later, and
// text that styles alone show (an animation, a hover), change nothing the watcher sees.
constexpr int RecheckMs = 2000;
// How long a reading may go unanswered before the page is covered: a page that keeps its
// renderer busy (or frozen) must not stay on the screen unscreened. Readings of ordinary pages
// are answered within about 20 ms, those of a page of 1 MB of text within about 110 ms.
constexpr int AnswerBoundMs = 500;
// A page whose readings go unanswered this often within LateSpan is held covered: it would
// otherwise show what it paints while its renderer is frozen and put calm text back before
// each answer.
constexpr int LateReadingsToHold = 3;
constexpr std::chrono::milliseconds LateSpan{30000};

// The watcher of the document text, run in the watch world of every document, frames included.
// Its listeners are the first of the window (registered at the document's creation), on the
// capture phase, so no listener of the page can stop the events before they arrive.
//
// The channel reaches the top document only. A frame whose parent it cannot read (another
// origin) reads its own document and the frames below it of its origin, and hands the text to
// the top's watcher with postMessage: each message carries the key of the control (@KEY@ is
// replaced by it, known to the watch world only), and the watcher that takes it stops it, so the
// page's scripts neither see it nor can make one that is taken. The top's watcher asks such
// frames for their text at each reading and answers only once every one of them present has
// answered; a frame's change, its parsing and its load ask for a reading.
const char WatchScript[] = R"JS(
(function () {
  'use strict';
  var key = '@KEY@';
  var link = null, early = [], dirty = false, observing = false;
  var frames = [], rounds = [], lastRound = 0;
  var textInputs = /^(text|search|email|url|tel|button|submit|reset)$/;
  // Names this document, so that its answers are told from those of the next one.
  var id = String(Math.random()).slice(2) + '.' + Date.now();
  function textOf(element) {
    return element.innerText !== undefined ? element.innerText : element.textContent;
  }
  // Open shadow roots and same-origin frames below root, in document order.
  function collect(root, parts) {
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT);
    for (var e = walker.nextNode(); e; e = walker.nextNode()) {
      if (e.shadowRoot) {
        // Its elements and the text placed in it directly, as one text.
        var own = '';
        for (var c = e.shadowRoot.firstChild; c; c = c.nextSibling)
          own += c.nodeType === Node.ELEMENT_NODE ? textOf(c) : c.nodeType === Node.TEXT_NODE ? c.nodeValue : '';
        parts.push(own);
        collect(e.shadowRoot, parts);
      }
      // Text the child reads in form fields (the value, or the grey hint of an empty field) and
      // in place of a picture that did not load.
      if (e.localName === 'textarea' || (e.localName === 'input' && textInputs.test(e.type))) {
        var shown = e.value || e.placeholder;
        if (shown && e.getClientRects().length)
          parts.push(shown);
      } else if ((e.localName === 'img' && e.complete && !e.naturalWidth) ||
                 (e.localName === 'input' && e.type === 'image')) {
        if (e.alt && e.getClientRects().length)
          parts.push(e.alt);
      }
      if (e.localName === 'iframe' || e.localName === 'frame') {
        try {
          var d = e.contentDocument;
          if (d && d.documentElement) {
            parts.push(textOf(d.documentElement));
            collect(d, parts);
          }
        } catch (x) {}
      }
    }
  }
  function read() {
    var root = document.documentElement;
    if (!root)
      return '';
    var parts = [textOf(root)];
    collect(document, parts);
    return parts.join('\n');
  }
  function readOwn() {
    try { return read(); } catch (x) { return ''; }
  }
  if (window !== window.top) {
    var parentReadable = false;
    try { parentReadable = !!window.parent.document; } catch (x) {}
    // A frame of its parent's origin is read with its parent.
    if (parentReadable)
      return;
    var ancestors = location.ancestorOrigins;
    var topOrigin = ancestors && ancestors.length ? ancestors[ancestors.length - 1] : 'null';
    var send = function (kind, round) {
      var message = {pemblo: key, kind: kind, doc: id, round: round || 0};
      if (kind === 'text')
        message.text = readOwn();
      window.top.postMessage(message, topOrigin === 'null' ? '*' : topOrigin);
    };
    var asked = false;
    window.addEventListener('message', function (event) {
      if (event.source !== window.top || !event.data || event.data.pemblo !== 'read')
        return;
      event.stopImmediatePropagation();
      asked = false;
      send('text', event.data.round);
    }, true);
    new MutationObserver(function () {
      if (!asked) {
        asked = true;
        send('changed');
      }
    }).observe(document, {subtree: true, childList: true, characterData: true, attributes: true});
    window.addEventListener('DOMContentLoaded', function () { send('changed'); }, true);
    window.addEventListener('load', function (event) {
      if (event.target === document || event.target === window)
        send('changed');
    }, true);
    send('hello');
    return;
  }
  function changed() {
    if (!dirty && link) {
      dirty = true;
      link.Changed();
    }
  }
  // Frames present now, at any depth.
  function liveFrames() {
    var found = [];
    (function walk(w) {
      for (var i = 0; i < w.length; i++) {
        found.push(w[i]);
        walk(w[i]);
      }
    })(window);
    return found;
  }
  function answer(moment) {
    var parts = [readOwn()];
    frames.forEach(function (f) { parts.push(f.text); });
    link.Text(id, moment, parts.join('\n'));
  }
  function finish() {
    var live = [];
    try { live = liveFrames(); } catch (x) {}
    frames = frames.filter(function (f) { return live.indexOf(f.win) >= 0; });
    while (rounds.length && frames.every(function (f) { return f.answered >= rounds[0].round; }))
      answer(rounds.shift().moment);
  }
  function ask(f) {
    try { f.win.postMessage({pemblo: 'read', round: lastRound}, f.origin); } catch (x) {}
  }
  function post(moment) {
    if (!link) {
      early.push(moment);
      return;
    }
    rounds.push({round: ++lastRound, moment: moment});
    frames.forEach(ask);
    finish();
  }
  window.addEventListener('message', function (event) {
    var m = event.data;
    if (!m || m.pemblo !== key || !event.source || event.source === window)
      return;
    event.stopImmediatePropagation();
    var f = frames.filter(function (g) { return g.win === event.source; })[0];
    if (!f || m.kind === 'hello') {
      // A new document in that frame: it has answered nothing yet.
      if (!f) {
        f = {win: event.source};
        frames.push(f);
      }
      f.doc = m.doc;
      f.text = '';
      f.answered = 0;
      f.origin = event.origin === 'null' ? '*' : event.origin;
      if (rounds.length)
        ask(f);
      changed();
    }
    if (m.doc !== f.doc)
      return;
    if (m.kind === 'changed')
      changed();
    if (m.kind === 'text') {
      f.text = String(m.text);
      f.answered = Math.max(f.answered, m.round);
      finish();
    }
  }, true);
  var observer = new MutationObserver(changed);
  function watch() {
    if (observing)
      return;
    observing = true;
    observer.observe(document, {subtree: true, childList: true, characterData: true, attributes: true});
  }
  new QWebChannel(qt.webChannelTransport, function (channel) {
    link = channel.objects.pembloText;
    link.TextWanted.connect(function (moment) {
      dirty = false;
      post(moment);
    });
    var moments = early;
    early = [];
    moments.forEach(post);
  });
  window.addEventListener('DOMContentLoaded', function () { post(0); watch(); }, true);
  window.addEventListener('load', function (event) {
    if (event.target === document || event.target === window) {
      post(1);
      watch();
    }
  }, true);
})();
)JS";

// Run in the page's world before its scripts: every shadow root is attached open.
const char OpenShadowScript[] = R"JS(
(function () {
  var attach = Element.prototype.attachShadow;
  if (!attach)
    return;
  Object.defineProperty(Element.prototype, 'attachShadow', {
    configurable: true, writable: true,
    value: function (init) {
      var options = {};
      for (var key in init)
        options[key] = init[key];
      options.mode = 'open';
      return attach.call(this, options);
    }
  });
})();
)JS";

}  // namespace

// The object the watch script talks to: registered in the watch world only.
class TTextChannel : public QObject {
  Q_OBJECT
public:
  explicit TTextChannel(TWebBrowser *owner) : QObject(owner), FOwner(owner) {}

public slots:
  void Text(const QString &document, int moment, const QString &text) {
    // A document that is being left answers no more once the next load has started.
    if (document == FOwner->FLeftDocument)
      return;
    FOwner->FShownDocument = document;
    if (moment == int(TTextMoment::Parsed) || moment == int(TTextMoment::Loaded) || moment == int(TTextMoment::Changed))
      FOwner->DocumentText(TTextMoment(moment), text);
  }
  // Read once the quiet time after the first change is over: a page changing all the time
  // cannot put the reading off.
  void Changed() { FOwner->WantChangedText(); }

signals:
  void TextWanted(int moment);

private:
  TWebBrowser *FOwner;
};

class TWebEnginePage : public QWebEnginePage {
public:
  TWebEnginePage(TWebBrowser *owner, QObject *parent) : QWebEnginePage(parent), FOwner(owner) {}

protected:
  void javaScriptAlert(const QUrl &origin, const QString &msg) override {
    if (!FOwner->Silent())
      QWebEnginePage::javaScriptAlert(origin, msg);
  }
  bool javaScriptConfirm(const QUrl &origin, const QString &msg) override {
    return !FOwner->Silent() && QWebEnginePage::javaScriptConfirm(origin, msg);
  }
  bool javaScriptPrompt(const QUrl &origin, const QString &msg, const QString &defaultValue, QString *result) override {
    return !FOwner->Silent() && QWebEnginePage::javaScriptPrompt(origin, msg, defaultValue, result);
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                const QString &sourceID) override {
    if (!FOwner->Silent())
      QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
  }
  bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override {
    if (!isMainFrame || IsOwnDocument(url) || !FOwner->FOnBeforeNavigate)
      return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    TNavigateArgs args;
    args.Url = url;
    FOwner->FOnBeforeNavigate(args);
    return !args.Cancel;
  }
  // A new window that no handler placed opens nowhere.
  QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
  TWebBrowser *FOwner;
};

TWebBrowser::TWebBrowser(QWidget *parent)
    : QWidget(parent), FView(new QWebEngineView(this)), FPage(new TWebEnginePage(this, FView)) {
  InstallLocalScheme(FPage->profile());
  FView->setPage(FPage);
  FCover = new QWidget(this);
  FCover->setAutoFillBackground(true);
  FCover->setPalette(QPalette(Qt::white));
  FCover->hide();
  FHeldText = new QLabel(QStringLiteral("这个网页一直不响应，已被遮住。请刷新后再试。"), FCover);
  FHeldText->setObjectName(QStringLiteral("lblNotAnswering"));
  FHeldText->setAlignment(Qt::AlignCenter);
  FHeldText->setWordWrap(true);
  FHeldText->hide();
  auto *coverLayout = new QVBoxLayout(FCover);
  coverLayout->addWidget(FHeldText);
  FChangeTimer = new QTimer(this);
  FChangeTimer->setSingleShot(true);
  FChangeTimer->setInterval(ChangeQuietMs);
  connect(FChangeTimer, &QTimer::timeout, this, [this] { AskText(TTextMoment::Changed); });
  FRecheckTimer = new QTimer(this);
  FRecheckTimer->setInterval(RecheckMs);
  connect(FRecheckTimer, &QTimer::timeout, this, [this] {
    AskText(TTextMoment::Changed);
    ReadFramedText();
  });
  FFramesTimer = new QTimer(this);
  FFramesTimer->setSingleShot(true);
  FFramesTimer->setInterval(FramesBoundMs);
  connect(FFramesTimer, &QTimer::timeout, this, [this] { AskText(TTextMoment::Loaded); });
  FAnswerTimer = new QTimer(this);
  FAnswerTimer->setSingleShot(true);
  FAnswerTimer->setInterval(AnswerBoundMs);
  connect(FAnswerTimer, &QTimer::timeout, this, [this] {
    if (FTextChannel && FCoverLateReadings && !IsOwnDocument(FPage->url()))
      ReadingLate();
  });
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView);
  setFocusProxy(FView);

  connect(FPage, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
    // The control's own document keeps the replaced page's title.
    if (FOnTitleChange && !IsOwnDocument(FPage->url()))
      FOnTitleChange(title);
  });
  connect(FPage, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
    if (FOnStatusTextChange)
      FOnStatusTextChange(url);
  });
  connect(FPage, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
    if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
      return;
    // Another document coming in place of the control's own replaces the document that was
    // being replaced as well.
    // A refused request may report its start after the control's own document was asked for.
    if (!IsOwnDocument(info.url()) && !FOwnDocumentDue)
      FOnOwnDocumentShown = nullptr;
    FBusy = true;
    UpdateCommandStates();
    LeaveDocument();
  });
  connect(FPage, &QWebEnginePage::urlChanged, this, [this] {
    UpdateCommandStates();
    // A navigation inside the document (fragment, history state) shows it anew.
    if (!FBusy)
      WantChangedText();
  });
  // The engine reports loads of the top-level document only; frames finish silently.
  connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    FBusy = false;
    // A load that stayed in the same document (a fragment) lets it answer again.
    FLeftDocument.clear();
    UpdateCommandStates();
    if (IsOwnDocument(FPage->url())) {
      // The control's own document is no page of the web: it is not reported as one. The load
      // it cut short may end here first. Nothing of a page held covered runs on behind it.
      if (ok)
        if (auto shown = std::exchange(FOnOwnDocumentShown, nullptr)) {
          SetHeld(false);
          shown();
        }
      return;
    }
    // The load that the control's own document cuts short ends before that document shows.
    if (FOnOwnDocumentShown)
      return;
    FReplacedAddress.clear();
    if (FOnDocumentComplete)
      FOnDocumentComplete(LocationURL());
    if (FTextChannel) {
      ReadFramedText();
      FRecheckTimer->start();
    }
  });
  connect(FPage, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
    // The engine's new window is never taken over: a window whose document its opener writes
    // brings the engine down, and an opener that writes into it bypasses every check of the
    // new page. The handler opens the address afresh where it wants; the request is dropped.
    TNewWindowArgs args;
    args.Url = request.requestedUrl();
    if (FOnNewWindow)
      FOnNewWindow(args);
  });
  connect(FPage, &QWebEnginePage::windowCloseRequested, this, [this] {
    if (FOnCloseRequest)
      FOnCloseRequest();
  });
}

TWebBrowser::~TWebBrowser() {
  // Answers of the engine still on their way must not reach a half-destroyed owner, nor
  // signals the engine sends while its page and view are torn down after this body.
  *FAlive = false;
  FPage->disconnect(this);
}

void TWebBrowser::UpdateCommandStates() {
  if (FOnCommandStateChange)
    FOnCommandStateChange(CSC_UPDATECOMMANDS, FBusy);
  const bool canForward = FPage->history()->canGoForward();
  const bool canBack = FPage->history()->canGoBack();
  if (canForward != FCanForward) {
    FCanForward = canForward;
    if (FOnCommandStateChange)
      FOnCommandStateChange(CSC_NAVIGATEFORWARD, canForward);
  }
  if (canBack != FCanBack) {
    FCanBack = canBack;
    if (FOnCommandStateChange)
      FOnCommandStateChange(CSC_NAVIGATEBACK, canBack);
  }
}

void TWebBrowser::LeaveDocument() {
  ++FLoadsStarted;
  FLeftDocument = FShownDocument;
  FChangeTimer->stop();
  FFramesTimer->stop();
  FRecheckTimer->stop();
  FAnswerTimer->stop();
  if (FOnLoadStart && !FOnOwnDocumentShown)
    FOnLoadStart();
}

// An address or refresh the child asks for leaves the shown document at once: the engine reports
// the start of the load a moment later, while the shown document may still answer, and none at
// all for a load asked for while the shown document still loads (a picture of it not yet
// answered). A fragment of the shown document stays in it, and reports neither start nor end.
void TWebBrowser::Navigate(const QString &url) {
  SetHeld(false);
  const QUrl address = QUrl::fromUserInput(url);
  if (!address.hasFragment() || IsOwnDocument(FPage->url()) ||
      address.adjusted(QUrl::RemoveFragment) != FPage->url().adjusted(QUrl::RemoveFragment))
    LeaveDocument();
  FPage->load(address);
}
// History may stay in the shown document (fragments, history states): its start is left to the
// engine.
void TWebBrowser::GoBack() {
  SetHeld(false);
  FPage->triggerAction(QWebEnginePage::Back);
}
void TWebBrowser::GoForward() {
  SetHeld(false);
  FPage->triggerAction(QWebEnginePage::Forward);
}
void TWebBrowser::Refresh() {
  SetHeld(false);
  // Over the control's own document the replaced page is asked for again.
  if (IsOwnDocument(FPage->url())) {
    Navigate(FReplacedAddress);
    return;
  }
  LeaveDocument();
  FPage->triggerAction(QWebEnginePage::Reload);
}
void TWebBrowser::Stop() { FPage->triggerAction(QWebEnginePage::Stop); }

QString TWebBrowser::LocationURL() const {
  return IsOwnDocument(FPage->url()) ? FReplacedAddress : FPage->url().toString();
}
bool TWebBrowser::ShowsOwnDocument() const { return IsOwnDocument(FPage->url()) || FOnOwnDocumentShown; }
bool TWebBrowser::Busy() const { return FBusy; }
QString TWebBrowser::Title() const { return FPage->title(); }
QWebEnginePage *TWebBrowser::Page() const { return FPage; }

void TWebBrowser::SetTextWatch(bool on) {
  if (on == (FTextChannel != nullptr))
    return;
  if (!on) {
    FPage->setWebChannel(nullptr, WatchWorld);
    for (const QString &name : {QStringLiteral("pemblo-text-watch"), QStringLiteral("pemblo-open-shadow")})
      for (const QWebEngineScript &script : FPage->scripts().find(name))
        FPage->scripts().remove(script);
    delete std::exchange(FTextChannel, nullptr);
    return;
  }
  FTextChannel = new TTextChannel(this);
  auto *channel = new QWebChannel(FTextChannel);
  channel->registerObject(QStringLiteral("pembloText"), FTextChannel);
  FPage->setWebChannel(channel, WatchWorld);
  QFile api(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
  if (!api.open(QIODevice::ReadOnly))
    Raise(QStringLiteral("qwebchannel.js"));
  QWebEngineScript script;
  script.setName(QStringLiteral("pemblo-text-watch"));
  script.setWorldId(WatchWorld);
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setRunsOnSubFrames(true);
  const QString key = QString::fromLatin1(QByteArray::number(QRandomGenerator::system()->generate64(), 36) +
                                          QByteArray::number(QRandomGenerator::system()->generate64(), 36));
  script.setSourceCode(QString::fromUtf8(api.readAll()) +
                       QString::fromUtf8(WatchScript).replace(QStringLiteral("@KEY@"), key));
  FPage->scripts().insert(script);
  // Shadow roots a page asks to be closed are made open, so the watcher reads their text. It
  // has to run in the page's own world, before the page's scripts, in every frame.
  QWebEngineScript openShadow;
  openShadow.setName(QStringLiteral("pemblo-open-shadow"));
  openShadow.setWorldId(QWebEngineScript::MainWorld);
  openShadow.setInjectionPoint(QWebEngineScript::DocumentCreation);
  openShadow.setRunsOnSubFrames(true);
  openShadow.setSourceCode(QString::fromUtf8(OpenShadowScript));
  FPage->scripts().insert(openShadow);
}

void TWebBrowser::WantChangedText() {
  if (FTextChannel && !FChangeTimer->isActive())
    FChangeTimer->start();
}

void TWebBrowser::AskText(TTextMoment moment) {
  if (!FTextChannel)
    return;
  emit FTextChannel->TextWanted(int(moment));
  if (!FAnswerTimer->isActive())
    FAnswerTimer->start();
}

void TWebBrowser::DocumentText(TTextMoment moment, const QString &text) {
  FAnswerTimer->stop();
  // Nothing of a document that is being replaced by, or is, the control's own is reported.
  if (FOnOwnDocumentShown || IsOwnDocument(FPage->url()))
    return;
  if (moment == TTextMoment::Parsed)
    FFramesTimer->start();
  if (moment == TTextMoment::Loaded)
    FFramesTimer->stop();
  if (FOnDocumentText)
    FOnDocumentText(moment, text);
}

void TWebBrowser::ReadFramedText() {
  std::weak_ptr<bool> alive = FAlive;
  // An answer that comes after the next load began is about a document no longer shown.
  const uint64_t load = FLoadsStarted;
  if (!FAnswerTimer->isActive())
    FAnswerTimer->start();
  FPage->toPlainText([this, alive, load](const QString &text) {
    const auto token = alive.lock();
    if (token && *token && load == FLoadsStarted)
      DocumentText(TTextMoment::Framed, text);
  });
}

void TWebBrowser::ReadingLate() {
  SetCovered(true);
  // Kept across the page's own loads: a page cannot reload itself out of being held.
  FLateReadings.push_back(std::chrono::steady_clock::now());
  while (FLateReadings.size() > size_t(LateReadingsToHold))
    FLateReadings.pop_front();
  if (FLateReadings.size() == size_t(LateReadingsToHold) && FLateReadings.back() - FLateReadings.front() <= LateSpan)
    SetHeld(true);
}

void TWebBrowser::SetHeld(bool held) {
  if (!held)
    FLateReadings.clear();
  if (held == FHeld)
    return;
  FHeld = held;
  FHeldText->setVisible(held);
  SetCovered(FCovered);
}

void TWebBrowser::SetCovered(bool covered) {
  // A page held covered stays so whatever its owner sets.
  FCovered = covered || FHeld;
  FCover->setGeometry(rect());
  FCover->setVisible(FCovered);
  FCover->raise();
}

// Kept apart from the cover's visibility, which a hidden page (a tab behind) never has.
bool TWebBrowser::Covered() const { return FCovered; }

void TWebBrowser::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  FCover->setGeometry(rect());
}

void TWebBrowser::ReplaceDocument(const QString &html, std::function<void()> shown) {
  LoadOwnDocument(html, IsOwnDocument(FPage->url()) ? FReplacedAddress : FPage->url().toString(), std::move(shown));
}

void TWebBrowser::ReplaceRequest(const QUrl &address, const QString &html, std::function<void()> shown) {
  LoadOwnDocument(html, address.toString(), std::move(shown));
}

QUrl TWebBrowser::OwnDocumentAddress(const QString &html) {
  const QByteArray content = html.toUtf8();
  const QString name =
      QLatin1Char('/') + QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex());
  OwnDocuments().insert(name, content);
  return QUrl(QString::fromLatin1(OwnSchemeName) + QLatin1Char(':') + name);
}

void TWebBrowser::LoadOwnDocument(const QString &html, const QString &address, std::function<void()> shown) {
  const QUrl own = OwnDocumentAddress(html);
  FReplacedAddress = address;
  FOnOwnDocumentShown = std::move(shown);
  // Asked for while the engine decides on a request (FOnBeforeNavigate), the load waits until
  // the engine has finished with it.
  FOwnDocumentDue = true;
  QTimer::singleShot(0, this, [this, own] {
    FOwnDocumentDue = false;
    FPage->load(own);
  });
}

void TWebBrowser::SetDropTarget(bool accept) { FView->setAcceptDrops(accept); }

void TWebBrowser::SetContextMenu(bool show) {
  FView->setContextMenuPolicy(show ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

void TWebBrowser::SetScrollBars(bool show) {
  FPage->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, show);
}

void TWebBrowser::SetNewWindowKey(bool enabled) {
  FNewWindowKey = enabled;
  // Keys go to the view's input widget, which the engine creates with its renderer and replaces
  // when the page moves to another renderer: the view is watched for new children as well.
  FView->removeEventFilter(this);
  for (QObject *child : FView->children())
    child->removeEventFilter(this);
  if (enabled)
    return;
  FView->installEventFilter(this);
  for (QObject *child : FView->children())
    if (child->isWidgetType())
      child->installEventFilter(this);
}

bool TWebBrowser::eventFilter(QObject *watched, QEvent *event) {
  if (FNewWindowKey)
    return QWidget::eventFilter(watched, event);
  if (watched == FView && event->type() == QEvent::ChildAdded) {
    QObject *child = static_cast<QChildEvent *>(event)->child();
    if (child->isWidgetType())
      child->installEventFilter(this);
  }
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
      event->type() == QEvent::ShortcutOverride) {
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_N && (key->modifiers() & Qt::ControlModifier))
      return true;
  }
  return QWidget::eventFilter(watched, event);
}

QString TWebBrowser::LocalFolderAddress(const QString &folder) {
  QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (!clean.endsWith(QLatin1Char('/')))
    clean += QLatin1Char('/');
  if (!SharedFolders().contains(clean))
    SharedFolders().append(clean);
  return QString::fromLatin1(LocalSchemeName) + QLatin1Char(':') +
         QString::fromUtf8(QUrl::toPercentEncoding(clean, "/"));
}

#include "uWebBrowser.moc"
