// Pages that try to get round the content filter and the web black list, served on 127.0.0.1 to
// real pages: each is opened, and its outcome (blocked, refused or shown) is what a parent
// expects.
#include "common/uPathFunc.h"
#include "datastore/uWebBlackList.h"
#include "tests/browser/PageFixture.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

namespace {

QByteArray Words(int n, const QByteArray &word = "casino") {
  QByteArray text;
  for (int i = 0; i < n; ++i)
    text += word + " ";
  return text;
}

QByteArray Page(const QByteArray &head, const QByteArray &body) {
  return "<html><head>" + head + "</head><body>" + body + "</body></html>";
}

// Text a page adds to its body later on, by a script in its own world, as words of their own.
QByteArray Adds(const QByteArray &words) { return "document.body.insertAdjacentText('beforeend', ' " + words + "');"; }

struct THostileCase {
  const char *name;
  QByteArray page;
  bool blocked;
  const char *afterLoad = "";  // run in the page's world once it is shown
  QByteArray type = "text/html; charset=utf-8";
};

}  // namespace

TEST_F(PageTest, HostilePagesAreBlockedAndOrdinaryPagesShown) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/late.txt", " " + Words(15), "text/plain");
  Server.Route("/never.html", Page("", "frame"), "text/html", 600000);
  Server.Route("/calm-frame.html", Page("", "a calm frame"));
  Server.Route("/bad-frame.html", Page("", Words(15)));
  Server.Route("/late-frame.html",
               Page("<script>setTimeout(function () { " + Adds(Words(15)) + " }, 500);</script>", "a calm frame"));
  QUrl otherOrigin = Server.Url("/late-frame.html");
  otherOrigin.setHost("localhost");
  // Frames of another origin: the server answers under "localhost" as well.
  const auto frameOf = [&](const QString &path, const QByteArray &attributes) {
    QUrl url = Server.Url(path);
    url.setHost("localhost");
    return "<iframe src='" + url.toEncoded() + "' " + attributes + "></iframe>";
  };
  Server.Route("/never.png", "", "image/png", 600000);
  Server.Route("/full-frame.html", Page("", Words(15) + "<img src='/never.png'>"));
  Server.Route("/fields-frame.html",
               Page("", "<input value='" + Words(4) + "'><textarea>" + Words(4) + "</textarea><input placeholder='" +
                            Words(4) + "'><img src='/missing.png' alt='" + Words(4) + "' width='600' height='100'>"));
  const QByteArray fullWindow = "style='position:fixed;top:0;left:0;width:100%;height:100%;border:0'";
  const THostileCase cases[] = {
      {"ordinary page", Page("<title>Homework</title>", "<p>Today we read a story about a cat.</p>"), false},
      {"ordinary page with a few listed words", Page("", "<p>" + Words(14) + "</p>"), false},
      {"fifteen words", Page("", "<p>" + Words(15) + "</p>"), true},
      {"page titled like a window of the suite", Page("<title>查看违约记录</title>", "calm"), false},
      {"words added by a timer after the load",
       Page("<script>addEventListener('load', function () { setTimeout(function () { " + Adds(Words(15)) +
                " }, 300); });</script>",
            "calm"),
       true},
      {"words added on the first click",
       Page("<script>addEventListener('click', function () { " + Adds(Words(15)) + " });</script>", "calm"), true,
       "document.body.click(); 1"},
      {"words fetched after the load",
       Page("<script>addEventListener('load', function () { fetch('/late.txt').then(function (r) { return "
            "r.text(); }).then(function (t) { document.body.insertAdjacentText('beforeend', t); }); });</script>",
            "calm"),
       true},
      {"hidden words shown later",
       Page("<script>addEventListener('load', function () { setTimeout(function () { "
            "document.getElementById('h').style.display = 'block'; }, 300); });</script>",
            "<div id='h' style='display:none'>" + Words(15) + "</div>calm"),
       true},
      {"words in an open shadow root",
       Page("", "<div id='host'></div><script>document.getElementById('host').attachShadow({mode: 'open'})"
                ".innerHTML = '<p>" +
                    Words(15) + "</p>';</script>"),
       true},
      {"hash change right after the load",
       Page("<script>addEventListener('load', function () { location.hash = 'x'; " + Adds(Words(15)) + " });</script>",
            "calm"),
       true},
      {"history state replaced right after the load",
       Page("<script>addEventListener('load', function () { history.replaceState(null, '', '?moved'); " +
                Adds(Words(15)) + " });</script>",
            "calm"),
       true},
      {"a hidden frame that never completes",
       Page("", "<iframe src='/never.html' style='display:none'></iframe><p>" + Words(15) + "</p>"), true},
      {"words added while a hidden frame never completes",
       Page("<script>setTimeout(function () { " + Adds(Words(15)) + " }, 100);</script>",
            "<iframe src='/never.html' style='display:none'></iframe>calm"),
       true},
      {"words in a same-origin frame", Page("", "<iframe src='/bad-frame.html'></iframe>calm"), true},
      {"words in a frame of a frameset",
       "<html><frameset cols='50%,50%'><frame src='/bad-frame.html'><frame src='/calm-frame.html'></frameset></html>",
       true},
      {"a calm frame", Page("", "<iframe src='/calm-frame.html'></iframe>calm"), false},
      {"page script hides its text",
       Page("<script>Object.defineProperty(HTMLElement.prototype, 'innerText', {get: function () { return ''; }});"
            "MutationObserver = function () {}; window.addEventListener('DOMContentLoaded', function (e) { "
            "e.stopImmediatePropagation(); }, true);</script>",
            Words(15)),
       true},
      {"XHTML page", "<html xmlns='http://www.w3.org/1999/xhtml'><body><p>" + Words(15) + "</p></body></html>", true,
       "", "application/xhtml+xml"},
      {"words in capitals", Page("", Words(8, "CASINO") + Words(7, "Porn")), true},
      {"words in full-width letters", Page("", Words(15, "ｃａｓｉｎｏ")), true},
      {"zero-width joiners inside words", Page("", Words(15, "cas\u200Dino")), true},
      {"soft hyphens inside words", Page("", Words(15, "ca&shy;si&shy;no")), true},
      {"traditional characters", Page("", Words(15, "賭博")), true},
      {"line separators that show nothing inside words", Page("", Words(20, "赌&#x2028;博")), true},
      {"hairline and narrow spaces inside words", Page("", Words(10, "赌&#x200A;博") + Words(10, "赌&#x202F;博")),
       true},
      {"braille blanks inside words", Page("", Words(20, "赌&#x2800;博")), true},
      {"ordinary characters whose bytes hold listed words", Page("", Words(15, "她已经长成比他还高的大姑娘了。")),
       false},
      {"listed Latin words inside other words", Page("", Words(15, "xcasino")), false},
      {"address changed every 100 ms, words added later",
       Page("<script>var n = 0; setInterval(function () { history.replaceState(null, '', '?t=' + n++); }, 100);"
            "setTimeout(function () { " +
                Adds(Words(15)) + " }, 1000);</script>",
            "calm"),
       true},
      {"words a same-origin frame adds later", Page("", "<iframe src='/late-frame.html'></iframe>calm"), true},
      {"a full-window frame of another origin with the words, one of its pictures never answering",
       Page("", frameOf("/full-frame.html", fullWindow)), true},
      {"words in text fields, hints and alternative text in a frame of another origin",
       Page("", frameOf("/fields-frame.html", "width='700' height='400'") + "calm"), true},
      {"a page that stops every message and posts calm text beside a frame of another origin",
       Page("<script>addEventListener('message', function (e) { e.stopImmediatePropagation(); }, true);"
            "setInterval(function () { postMessage({kind: 'text', doc: '', round: 1e9, text: 'calm'}, '*'); }, 10);"
            "</script>",
            frameOf("/fields-frame.html", "width='700' height='400'") + "calm"),
       true},
      {"a calm frame of another origin", Page("", frameOf("/calm-frame.html", fullWindow)), false},
      {"words a frame of another origin adds later",
       Page("", "<iframe src='" + otherOrigin.toEncoded() + "'></iframe>calm"), true},
      {"words in a closed shadow root",
       Page("", "<div id='host'></div><script>document.getElementById('host').attachShadow({mode: 'closed'})"
                ".innerHTML = '<p>" +
                    Words(15) + "</p>';</script>"),
       true},
      {"words a style animation shows later",
       Page("<style>.s { visibility: hidden; animation: show 0s 1s forwards; } @keyframes show { to { visibility: "
            "visible; } }</style>",
            "<p class='s'>" + Words(15) + "</p>calm"),
       true},
      {"words placed directly in a shadow root",
       Page("", "<div id='host'></div><script>document.getElementById('host').attachShadow({mode: 'open'})"
                ".append('" +
                    Words(15) + "');</script>"),
       true},
      {"words as the hints of empty text fields",
       Page("", "<input placeholder='" + Words(8) + "'><textarea placeholder='" + Words(7) + "'></textarea>"), true},
      {"words in place of an image button's picture",
       Page("", "<input type='image' src='/missing.png' alt='" + Words(15) + "' width='600' height='100'>"), true},
      {"a dictation list, a word a line, whose neighbours make listed words",
       Page("", "<ul>" + Words(4, "<li>景色</li><li>情况</li><li>微笑</li><li>气球</li><li>手套</li><li>现在</li>") +
                    "</ul>"),
       false},
      {"words in text fields",
       Page("", "<input value='" + Words(5) + "'><input type='button' value='" + Words(5) + "'><textarea>" + Words(5) +
                    "</textarea>"),
       true},
      {"words in place of a picture that did not load",
       Page("", "<img src='/missing.png' alt='" + Words(15) + "' width='600' height='100'>"), true},
      {"struck-through letters", Page("", Words(15, "c\u0336a\u0336s\u0336i\u0336n\u0336o\u0336")), true},
      {"control characters inside words", Page("", Words(15, "赌&#x1;博")), true},
      {"words split by table cells",
       Page("", Words(15, "<table style='display:inline-table'><tr><td>赌</td><td>博</td></tr></table>")), true},
      {"SVG page", "<svg xmlns='http://www.w3.org/2000/svg'><text x='0' y='20'>" + Words(15) + "</text></svg>", true,
       "", "image/svg+xml"},
  };
  TfrmChild *page = Main->AddPage("about:blank");
  int n = 0;
  for (const THostileCase &c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = QStringLiteral("/hostile%1.html").arg(++n);
    Server.Route(path, c.page, c.type);
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    Subject->Navigate(0, Server.Url(path).toString());
    ASSERT_TRUE(decided.wait(20000)) << "never decided";
    if (*c.afterLoad) {
      ASSERT_TRUE(WaitUntil([&] { return page->WBState() == wbsComplete && !page->WebBrowser()->Busy(); }, 20000));
      Eval(page, c.afterLoad);
    }
    const auto blocked = [&] {
      for (const QList<QVariant> &args : decided)
        if (args.at(0).toBool())
          return true;
      return false;
    };
    // Late text is decided within the quiet time after the change.
    WaitUntil(blocked, c.blocked ? 5000 : 1500);
    EXPECT_EQ(blocked(), c.blocked);
    EXPECT_FALSE(page->WebBrowser()->Covered());
    if (c.blocked)
      EXPECT_TRUE(page->WebBrowser()->LocationURL().startsWith(Server.Url(path).toString()));
  }
}

// A page that shows words and then keeps its renderer too busy to answer is covered until it
// answers again, and then blocked.
TEST_F(PageTest, APageThatStopsAnsweringIsCovered) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/busy.html",
               Page("<script>addEventListener('load', function () { setTimeout(function () { " + Adds(Words(15)) +
                        " setTimeout(function () { var t = Date.now(); while (Date.now() - t < 8000) {} }, 100); "
                        "}, 500); });</script>",
                    "calm"));
  TfrmChild *page = Main->AddPage("about:blank");
  QSignalSpy decided(page, &TfrmChild::FilterDecided);
  Subject->Navigate(0, Server.Url("/busy.html").toString());
  ASSERT_TRUE(WaitUntil([&] { return !decided.isEmpty(); }, 20000));
  EXPECT_FALSE(decided.front().at(0).toBool()) << "calm at first";
  EXPECT_TRUE(WaitUntil([&] { return page->WebBrowser()->Covered(); }, 7000)) << "never covered";
  const auto blocked = [&] {
    for (const QList<QVariant> &args : decided)
      if (args.at(0).toBool())
        return true;
    return false;
  };
  EXPECT_TRUE(WaitUntil(blocked, 20000));
}

// A page (or a frame of another origin, in a renderer of its own) that paints words, freezes its
// renderer for a little less than a reading's old bound and puts calm text back before the
// pending reading is answered, again and again: it is covered during each freeze, then held
// covered with an explanation however calm its answers, until the child refreshes it.
TEST_F(PageTest, APageWhoseReadingsKeepComingLateStaysCoveredUntilRefreshed) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/freezing.html",
               Page("<script>function freeze() { var t = Date.now(); while (Date.now() - t < 2800) {} "
                    "document.body.textContent = 'calm'; setTimeout(cycle, 700); }"
                    "function cycle() { document.body.textContent = '" +
                        Words(20) +
                        "'; requestAnimationFrame(function () { setTimeout(freeze, 0); }); }"
                        "addEventListener('load', function () { setTimeout(cycle, 3000); });</script>",
                    "calm"));
  // The freezing starts 3 s after the load: a slow machine's first reading still meets the
  // calm page.
  QUrl otherOrigin = Server.Url("/freezing.html");
  otherOrigin.setHost("localhost");
  Server.Route("/framed-freezing.html",
               Page("", "<iframe src='" + otherOrigin.toEncoded() +
                            "' style='position:fixed;top:0;left:0;width:100%;height:100%;border:0'></iframe>"));
  const struct {
    const char *name;
    const char *path;
  } cases[] = {
      {"the page itself", "/freezing.html"},
      {"a full-window frame of another origin", "/framed-freezing.html"},
  };
  TfrmChild *page = Main->AddPage("about:blank");
  auto *explanation = page->WebBrowser()->findChild<QLabel *>("lblNotAnswering");
  ASSERT_NE(explanation, nullptr);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    Subject->Navigate(0, Server.Url(c.path).toString());
    ASSERT_TRUE(WaitUntil([&] { return !decided.isEmpty(); }, 20000));
    EXPECT_FALSE(page->WebBrowser()->Covered()) << "calm at first";
    // The first freeze (3 s after the load) is covered within the quiet time and the bound.
    ASSERT_TRUE(WaitUntil([&] { return page->WebBrowser()->Covered(); }, 6000)) << "a freeze left uncovered";
    ASSERT_TRUE(WaitUntil([&] { return explanation->isVisible(); }, 15000)) << "never held covered";
    EXPECT_FALSE(explanation->text().isEmpty());
    // Its calm answers uncover it no more.
    const qsizetype decisions = decided.count();
    bool uncovered = false;
    WaitUntil(
        [&] {
          uncovered |= !page->WebBrowser()->Covered() || !explanation->isVisible();
          return uncovered;
        },
        7000);
    EXPECT_FALSE(uncovered);
    EXPECT_GT(decided.count(), decisions) << "it answered meanwhile";
    for (const QList<QVariant> &args : decided)
      EXPECT_FALSE(args.at(0).toBool());
    // A refresh shows it again until it goes on freezing.
    Subject->Refresh(0);
    EXPECT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Covered(); }, 10000));
    EXPECT_FALSE(explanation->isVisible());
  }

  // With the filter off nothing is screened, and a busy page is never hidden.
  Services->CfMrg()->AppCf().SetOffOn(false);
  Subject->Navigate(0, Server.Url("/freezing.html").toString());
  ASSERT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Covered(); }, 10000));
  bool covered = false;
  WaitUntil(
      [&] {
        covered |= page->WebBrowser()->Covered();
        return covered;
      },
      10000);
  EXPECT_FALSE(covered) << "a page the filter lets through unread was covered";
}

TEST_F(PageTest, AnAnswerIsNotDroppedWhenThePageMovesRightAfterItsLoad) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/moving.html", Page("<script>addEventListener('load', function () { location.hash = 'a'; "
                                    "history.replaceState(null, '', '?b'); });</script>",
                                    Words(15)));
  TfrmChild *page = Main->AddPage("about:blank");
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE(run);
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    Subject->Navigate(0, Server.Url("/moving.html").toString());
    EXPECT_TRUE(WaitUntil([&] { return !decided.isEmpty() && decided.back().at(0).toBool(); }, 20000));
  }
}

TEST_F(PageTest, ABlockedPageIsDecidedWhenParsedAndACalmOneDoesNotWaitForItsPictures) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/slow.png", "", "image/png", 3000);
  const struct {
    const char *name;
    QByteArray page;
    bool blocked;
  } cases[] = {
      {"calm", Page("", "calm<img src='/slow.png?calm'>"), false},
      {"blocked", Page("", Words(15) + "<img src='/slow.png?blocked'>"), true},
  };
  TfrmChild *page = Main->AddPage("about:blank");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Server.Route(QStringLiteral("/%1.html").arg(c.name), c.page);
    QSignalSpy started(page->WebBrowser()->Page(), &QWebEnginePage::loadStarted);
    QSignalSpy loaded(page->WebBrowser()->Page(), &QWebEnginePage::loadFinished);
    Subject->Navigate(0, Server.Url(QStringLiteral("/%1.html").arg(c.name)).toString());
    ASSERT_TRUE(started.wait(20000));
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    EXPECT_TRUE(page->WebBrowser()->Covered()) << "the page is covered from the start of its load";
    ASSERT_TRUE(decided.wait(20000));
    EXPECT_EQ(decided.front().at(0).toBool(), c.blocked);
    EXPECT_FALSE(page->WebBrowser()->Covered());
    if (!c.blocked)
      EXPECT_TRUE(loaded.isEmpty()) << "the picture still loads";
    ASSERT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Busy(); }, 20000));
  }
}

// The child asks for a page while the shown one still loads (a picture of it never answers), when
// the engine reports no start of the new load: the page is covered from the request until the
// new document is decided, and what the document being left still answers decides nothing.
TEST_F(PageTest, APageAskedForWhileTheShownOneStillLoadsIsCoveredUntilDecided) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/never.png", "", "image/png", 600000);
  // Calm text that changes all the time, so its readings go on while the next page is asked for.
  const QByteArray loading = Page("<script>setInterval(function () { document.body.insertAdjacentText('beforeend', "
                                  "' calm'); }, 20);</script>",
                                  "calm<img src='/never.png'>");
  const QByteArray blocked = Page("", Words(15) + "<img src='/never.png'>");
  const struct {
    const char *name;
    const char *path;
    std::function<void()> ask;
  } cases[] = {
      {"a new address", "/loading.html", [&] { Subject->Navigate(0, Server.Url("/blocked.html").toString()); }},
      {"a refresh", "/changing.html",
       [&] {
         Server.Route("/changing.html", blocked);
         Subject->Refresh(0);
       }},
  };
  Server.Route("/blocked.html", blocked);
  TfrmChild *page = Main->AddPage("about:blank");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Server.Route(c.path, loading);
    {
      QSignalSpy decided(page, &TfrmChild::FilterDecided);
      Subject->Navigate(0, Server.Url(c.path).toString());
      ASSERT_TRUE(decided.wait(20000));
      ASSERT_TRUE(WaitUntil([&] { return decided.count() > 2 && !page->WebBrowser()->Covered(); }, 10000));
      ASSERT_TRUE(page->WebBrowser()->Busy()) << "the shown page still loads";
    }
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    c.ask();
    EXPECT_TRUE(WaitUntil([&] { return page->WebBrowser()->Covered(); }, 1000)) << "the new page is not covered";
    ASSERT_TRUE(WaitUntil([&] { return !decided.isEmpty(); }, 20000));
    EXPECT_TRUE(decided.front().at(0).toBool()) << "the page being left decided on the new one";
    EXPECT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Covered(); }, 5000));
  }
}

// A fragment of the shown page, asked for by the child or reached through the history, stays in
// the shown document: the page is not left covered.
TEST_F(PageTest, AFragmentOfTheShownPageStaysUncovered) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/fragments.html", Page("", "calm<p id='a'>a</p><p id='b'>b</p>"));
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/fragments.html");
  ASSERT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Covered(); }, 5000));
  const struct {
    const char *name;
    std::function<void()> ask;
  } cases[] = {
      {"an address with a fragment", [&] { Subject->Navigate(0, Server.Url("/fragments.html#a").toString()); }},
      {"the same address again", [&] { Subject->Navigate(0, Server.Url("/fragments.html#a").toString()); }},
      {"back over a fragment the page moved to",
       [&] {
         Eval(page, "location.hash = 'b'; 1");
         Subject->GoBack(0);
       }},
      {"forward", [&] { Subject->GoForward(0); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    c.ask();
    EXPECT_TRUE(WaitUntil([&] { return !page->WebBrowser()->Covered(); }, 5000));
    EXPECT_TRUE(page->WebBrowser()->LocationURL().startsWith(Server.Url("/fragments.html").toString()));
  }
}

// Requests to a listed site that a page makes other than by its own navigation: each is refused
// before it reaches the site, and a refused frame says why in its place. The parent's block log
// has the refused frames, not the pictures, fetches and connections.
TEST_F(PageTest, RequestsOfAPageToAListedSiteAreRefused) {
  TTestHttpServer listed;
  listed.Route("/frame.html", Page("", "the listed site"));
  const auto listedUrl = [&](const QString &host, const QString &path, const QString &scheme = "http") {
    QUrl url = listed.Url(path);
    url.setHost(host);
    url.setScheme(scheme);
    return url.toString();
  };
  // Each case's site has a row of its own, so each refused frame is logged.
  const QString today = QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,");
  const QString inForce =
      today.arg(QDate::currentDate().dayOfWeek() - 1) + today.arg(QDate::currentDate().addDays(1).dayOfWeek() - 1);
  const QString framePage = "<html><body>calm<iframe src='%1'></iframe></body></html>";
  const struct {
    const char *name;
    QString site;
    QString page;     // where the page lies: a path on the test server or a data: address
    QString content;  // served at page on the test server
    bool framed;      // a frame refused in place: else the page's title says "refused"
  } cases[] = {
      {"a frame of an allowed page", "frame.localhost", "/frame-of-allowed.html",
       framePage.arg(listedUrl("frame.localhost", "/frame.html")), true},
      {"a frame of a typed data: page", "data.localhost",
       "data:text/html," +
           QString::fromLatin1(QUrl::toPercentEncoding(framePage.arg(listedUrl("data.localhost", "/frame.html")))),
       "", true},
      {"a frame of a frame", "nested.localhost", "/frame-of-frame.html",
       framePage.arg(Server.Url("/frame-of-allowed2.html").toString()), true},
      {"a fetch", "fetch.localhost", "/fetch.html",
       "<script>fetch('" + listedUrl("fetch.localhost", "/data") +
           "').then(function () { document.title = 'reached'; }, function () { document.title = 'refused'; "
           "});</script>",
       false},
      {"a WebSocket", "socket.localhost", "/socket.html",
       "<script>var s = new WebSocket('" + listedUrl("socket.localhost", "/ws", "ws") +
           "'); s.onopen = function () { document.title = 'reached'; }; s.onerror = function () { "
           "document.title = 'refused'; };</script>",
       false},
      {"a picture", "picture.localhost", "/picture.html",
       "<img src='" + listedUrl("picture.localhost", "/p.png") + "' onerror=\"document.title = 'refused'\">", false},
      {"a script", "script.localhost", "/script.html",
       "<script src='" + listedUrl("script.localhost", "/s.js") + "' onerror=\"document.title = 'refused'\"></script>",
       false},
  };
  Server.Route("/frame-of-allowed2.html", framePage.arg(listedUrl("nested.localhost", "/frame.html")).toUtf8());
  std::vector<TBlackListRow> rows;
  for (const auto &c : cases)
    rows.push_back({int32_t(&c - cases) + 1, c.site, inForce});
  Services->BlackList()->SetRows(rows);

  TfrmChild *page = Main->AddPage("about:blank");
  QStringList logged;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QString address = c.page;
    if (c.page.startsWith('/')) {
      Server.Route(c.page, c.content.toUtf8());
      address = Server.Url(c.page).toString();
    }
    WaitLoaded(page, [&] { Subject->Navigate(0, address); });
    if (c.framed) {
      // The engine's text of the page holds the text of its frames.
      auto text = std::make_shared<QString>();
      EXPECT_TRUE(WaitUntil(
          [&] {
            page->WebBrowser()->Page()->toPlainText([text](const QString &t) { *text = t; });
            return text->contains("这个网址现在不能访问，到 ");
          },
          10000))
          << text->toStdString() << " at " << page->WebBrowser()->Page()->url().toString().toStdString();
      logged.append(listedUrl(c.site, "/frame.html") + QStringLiteral("  black list %1").arg(&c - cases + 1));
    } else {
      EXPECT_TRUE(WaitUntil([&] { return page->WebBrowser()->Title() == "refused"; }, 10000))
          << page->WebBrowser()->Title().toStdString();
    }
  }
  EXPECT_EQ(listed.Requests(), QStringList{}) << "nothing is asked of a listed site";
  EXPECT_EQ(listed.Connections(), 0);
  QStringList lines;
  QFile log(Services->BlockLog()->FileName());
  if (log.open(QIODevice::ReadOnly))
    for (const QString &line : QString::fromUtf8(log.readAll()).split("\r\n", Qt::SkipEmptyParts))
      lines.append(line.mid(9));
  EXPECT_EQ(lines, logged);
}
