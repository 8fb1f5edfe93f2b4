#include "common/uWebBrowser.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QStringList>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
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

}  // namespace

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
  // A new window that no handler placed opens nowhere.
  QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
  TWebBrowser *FOwner;
};

TWebBrowser::TWebBrowser(QWidget *parent)
    : QWidget(parent), FView(new QWebEngineView(this)), FPage(new TWebEnginePage(this, FView)) {
  InstallLocalScheme(FPage->profile());
  FView->setPage(FPage);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView);
  setFocusProxy(FView);

  connect(FPage, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
    // The control's own document keeps the replaced page's title.
    if (OnTitleChange && !IsOwnDocument(FPage->url()))
      OnTitleChange(title);
  });
  connect(FPage, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
    if (OnStatusTextChange)
      OnStatusTextChange(url);
  });
  connect(FPage, &QWebEnginePage::loadStarted, this, [this] {
    FBusy = true;
    UpdateCommandStates();
  });
  connect(FPage, &QWebEnginePage::urlChanged, this, [this] { UpdateCommandStates(); });
  // The engine reports loads of the top-level document only; frames finish silently.
  connect(FPage, &QWebEnginePage::loadFinished, this, [this] {
    FBusy = false;
    UpdateCommandStates();
    if (IsOwnDocument(FPage->url())) {
      // The control's own document is no page of the web: it is not reported as one.
      if (auto shown = std::exchange(FOnOwnDocumentShown, nullptr))
        shown();
      return;
    }
    FReplacedAddress.clear();
    if (OnDocumentComplete)
      OnDocumentComplete(LocationURL());
  });
  connect(FPage, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
    // The engine's new window is never taken over: a window whose document its opener writes
    // brings the engine down, and an opener that writes into it bypasses every check of the
    // new page. The handler opens the address afresh where it wants; the request is dropped.
    TNewWindowArgs args;
    args.Url = request.requestedUrl();
    if (OnNewWindow)
      OnNewWindow(args);
  });
  connect(FPage, &QWebEnginePage::windowCloseRequested, this, [this] {
    if (OnCloseRequest)
      OnCloseRequest();
  });
}

TWebBrowser::~TWebBrowser() {
  // Answers of the engine still on their way must not reach a half-destroyed owner, nor
  // signals the engine sends while its page and view are torn down after this body.
  *FAlive = false;
  FPage->disconnect(this);
}

void TWebBrowser::UpdateCommandStates() {
  if (OnCommandStateChange)
    OnCommandStateChange(CSC_UPDATECOMMANDS, FBusy);
  const bool canForward = FPage->history()->canGoForward();
  const bool canBack = FPage->history()->canGoBack();
  if (canForward != FCanForward) {
    FCanForward = canForward;
    if (OnCommandStateChange)
      OnCommandStateChange(CSC_NAVIGATEFORWARD, canForward);
  }
  if (canBack != FCanBack) {
    FCanBack = canBack;
    if (OnCommandStateChange)
      OnCommandStateChange(CSC_NAVIGATEBACK, canBack);
  }
}

void TWebBrowser::Navigate(const QString &url) { FPage->load(QUrl::fromUserInput(url)); }
void TWebBrowser::GoBack() { FPage->triggerAction(QWebEnginePage::Back); }
void TWebBrowser::GoForward() { FPage->triggerAction(QWebEnginePage::Forward); }
void TWebBrowser::Refresh() {
  // Over the control's own document the replaced page is asked for again.
  if (IsOwnDocument(FPage->url()))
    Navigate(FReplacedAddress);
  else
    FPage->triggerAction(QWebEnginePage::Reload);
}
void TWebBrowser::Stop() { FPage->triggerAction(QWebEnginePage::Stop); }

QString TWebBrowser::LocationURL() const {
  return IsOwnDocument(FPage->url()) ? FReplacedAddress : FPage->url().toString();
}
bool TWebBrowser::Busy() const { return FBusy; }
QString TWebBrowser::Title() const { return FPage->title(); }
QWebEnginePage *TWebBrowser::Page() const { return FPage; }

void TWebBrowser::ReadDocumentText(std::function<void(const QString &)> done) {
  std::weak_ptr<bool> alive = FAlive;
  FPage->toPlainText([alive, done = std::move(done)](const QString &text) {
    const auto token = alive.lock();
    if (!token || !*token)
      return;
    done(text);
  });
}

void TWebBrowser::ReplaceDocument(const QString &html, std::function<void()> shown) {
  const QByteArray content = html.toUtf8();
  const QString name =
      QLatin1Char('/') + QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex());
  OwnDocuments().insert(name, content);
  if (!IsOwnDocument(FPage->url()))
    FReplacedAddress = FPage->url().toString();
  FOnOwnDocumentShown = std::move(shown);
  FPage->load(QUrl(QString::fromLatin1(OwnSchemeName) + QLatin1Char(':') + name));
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
