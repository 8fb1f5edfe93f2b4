#pragma once
// The screening of the page one web-browser control shows to the child, the same in the browser
// and the viewer: addresses on the black list are refused before they are requested and their
// document is the black-list page (TScreenServices::ReportRefused tells the parent and the host);
// while the settings switch the word filter on, a document is covered from the start of its load
// until its text was screened once, and a text with BlockThreshold listed words or more is
// replaced by the blocking page, with a line in the parent's block log. It reads the services of
// the process's TScreenServices (none: nothing is screened) and takes over the control's
// load-start, before-navigate and document-text events and its text watch.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class TWebBrowser;
struct TNavigateArgs;
enum class TTextMoment;

// Hits at which a page is replaced by the blocking page.
inline constexpr int32_t BlockThreshold = 15;

// The blocking page, with pictureFolder in place of its folder.
QString BlockingPage(const QString &pictureFolder);

// The filter's decision on a page text: true when it holds fewer than threshold listed words,
// counted by the shared matcher on the text in normal form.
bool PageTextCanPass(const QString &text, int32_t threshold);

// How many of its words the block log names for a blocked page.
inline constexpr size_t MostFoundWords = 3;
// What the parent's block log says of a page text: "<n> hits", then the words found most (up to
// MostFoundWords, as listed, each with its count; the most found first, a tie in the order
// they were first found): "23 hits  赌博 12, casino 6, 彩票 5".
QString PageFindings(const QString &text);

class TPageScreen : public QObject {
  Q_OBJECT
public:
  // Screens what browser shows from now on; belongs to browser.
  explicit TPageScreen(TWebBrowser *browser);

  // Replaces the shown document by the black-list page when its address is on the black list
  // now: a page already open when its row comes into force (the block log is told) or one that
  // moved to a listed address inside its document (a visit: the host is told as well).
  void CheckShownAddress(bool visit);

  // A page of the screen's own (the blocking page, the black-list page) is shown in place of
  // the document: the owner shows it as it would show a loaded document.
  void SetOnOwnPageShown(std::function<void()> handler) { FOnOwnPageShown = std::move(handler); }
  // A top-level navigation is about to be screened: the owner may read its services again. An
  // error it raises is reported and the navigation is screened with the services as they are.
  void SetOnNavigate(std::function<void()> handler) { FOnNavigate = std::move(handler); }

signals:
  // The filter has decided on the shown document's text: blocked or let through. It decides
  // several times a document (parsed, loaded, changed, with its frames) until it blocks. For
  // watchers of the page (tests, benchmarks).
  void FilterDecided(bool blocked);
  // An address on the black list was refused and its page is shown; key is the row's.
  void AddressRefused(int32_t key);

private:
  void LoadStart();
  void DocumentText(TTextMoment moment, const QString &text);
  void BeforeNavigate(TNavigateArgs &args);
  void OwnPageShown();

  TWebBrowser *FWebBrowser;
  bool FScreened = false;  // the shown document started to load while the filter was on
  std::function<void()> FOnOwnPageShown;
  std::function<void()> FOnNavigate;
};
