// The content filter on real pages served on 127.0.0.1.
#include "common/uPathFunc.h"
#include "tests/browser/PageFixture.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray Repeat(const QByteArray &word, int n, const QByteArray &separator = " ") {
  QByteArray text;
  for (int i = 0; i < n; ++i)
    text += word + separator;
  return text;
}

QByteArray Html(const QByteArray &head, const QByteArray &body) {
  return "<html><head>" + head + "</head><body>" + body + "</body></html>";
}

// The blocking page shows error.jpg from the program's folder; the tests run from their build
// folder, so a picture of the designed size is put there.
void EnsurePicture() {
  const QString path = GetExePath() + "error.jpg";
  if (!QFile::exists(path)) {
    ASSERT_TRUE(QImage(423, 214, QImage::Format_RGB32).save(path, "JPG"));
  }
}

// The visible text of the page's document.
QString PageTextOf(TfrmChild *page) { return Eval(page, "document.body.innerText").toString().trimmed(); }

struct TFilterCase {
  const char *name;
  bool offOn;
  QByteArray page;
  QString path;
  bool blocked;
};

}  // namespace

// A picture that loads: its alternative text is not shown.
const QByteArray Pixel = "data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7";

TEST_F(PageTest, PageIsBlockedAtFifteenHitsOfItsTextWhileTheSwitchIsOn) {
  EnsurePicture();
  const QByteArray many = Repeat("casino", 20);
  const TFilterCase cases[] = {
      {"switch off, 40 hits", false, Html("", "calm " + Repeat("casino", 40)), "/off.html", false},
      {"14 hits", true, Html("", "calm " + Repeat("casino", 14)), "/fourteen.html", false},
      {"15 hits", true, Html("", "calm " + Repeat("casino", 15)), "/fifteen.html", true},
      {"15 hits in code page 936", true, Html("", "calm " + Repeat("色情", 15, "，")), "/chinese.html", true},
      {"words in attributes, title and address only", true,
       Html("<title>" + many + "</title>", "<img src='" + Pixel + "' alt='" + many + "'><a href='/x?" + many +
                                               "' title='" + many + "'>a link</a><div data-x='" + many +
                                               "'>calm text</div>"),
       "/casino/" + QString::fromLatin1(Repeat("casino", 20, "/")) + "attr.html", false},
      {"words in scripts and styles only", true,
       Html("<style>/*" + many + "*/</style>", "<script>var s='" + many + "';</script><p>calm</p>"), "/script.html",
       false},
      {"words in hidden text only", true, Html("", "<div style='display:none'>" + many + "</div><p>calm</p>"),
       "/hidden.html", false},
      {"a page script cannot hide its text from the filter", true,
       Html("<script>Object.defineProperty(document.documentElement, 'innerText', {get: () => 'calm'});</script>",
            Repeat("casino", 15)),
       "/faked.html", true},
  };
  TfrmChild *page = Main->AddPage("about:blank");
  for (const TFilterCase &c : cases) {
    SCOPED_TRACE(c.name);
    Services->CfMrg()->AppCf().SetOffOn(c.offOn);
    Server.Route(c.path, c.page);
    const QString url = Server.Url(c.path).toString();
    Main->Reports.clear();
    Open(page, 0, c.path);
    const QString src = Eval(page, "document.images.length ? document.images[0].getAttribute('src') : ''").toString();
    EXPECT_EQ(src.endsWith(GetExePath() + "/error.jpg"), c.blocked) << src.toStdString();
    const QString text = Eval(page, "document.documentElement.innerText").toString();
    EXPECT_EQ(text.contains("calm"), !c.blocked) << text.left(200).toStdString();
    if (c.blocked) {
      // The picture comes from the program's folder, whatever site was blocked.
      EXPECT_TRUE(WaitUntil([&] { return Eval(page, "document.images[0].naturalWidth").toInt() == 423; }, 5000));
    }
    // The address stays the blocked one, in the control, the page and the address bar.
    EXPECT_EQ(page->WebBrowser()->LocationURL(), url);
    EXPECT_EQ(page->Url(), url);
    ASSERT_FALSE(Main->Of("ISetAddressText").empty());
    EXPECT_EQ(Main->Of("ISetAddressText").back(), (TReport{"ISetAddressText", 0, url}));
  }
}

TEST_F(PageTest, NothingOfABlockedPageRunsAnyMoreWhateverItsDocumentType) {
  EnsurePicture();
  Services->CfMrg()->AppCf().SetOffOn(true);
  // Every page asks for /tick on a timer and tries to bring its text back once blocked.
  const QByteArray ticker = "var n = 0; setInterval(function () { fetch('/tick'); n++; }, 40);";
  const QByteArray words = Repeat("casino", 16);
  const struct {
    const char *name;
    QByteArray page;
    QByteArray type;
  } cases[] = {
      {"rewrites its body by timer",
       Html("<script>" + ticker + "setTimeout(function () { document.body.innerHTML = 'calm again'; }, 200);</script>",
            words),
       "text/html"},
      {"writes a new document by timer",
       Html("<script>" + ticker +
                "setTimeout(function () { document.open(); document.write('calm again'); document.close(); }, 200);"
                "</script>",
            words),
       "text/html"},
      {"XHTML",
       "<html xmlns='http://www.w3.org/1999/xhtml'><body><p>" + words + "</p><script>" + ticker +
           "</script></body></html>",
       "application/xhtml+xml"},
      {"SVG",
       "<svg xmlns='http://www.w3.org/2000/svg' width='800' height='200'><text x='0' y='20'>" + words +
           "</text><script>" + ticker + "</script></svg>",
       "image/svg+xml"},
  };
  TfrmChild *page = Main->AddPage("about:blank");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = "/" + QString::fromLatin1(c.name).replace(' ', '-');
    Server.Route(path, c.page, c.type);
    Server.Route("/tick", "");
    Open(page, 0, path);
    ASSERT_TRUE(WaitUntil([&] { return Eval(page, "document.images.length").toInt() == 1; }, 5000));
    QTest::qWait(400);
    const qsizetype ticks = Server.Requests().count("/tick");
    QTest::qWait(400);
    EXPECT_EQ(Server.Requests().count("/tick"), ticks) << "the blocked page's timer still runs";
    EXPECT_EQ(Eval(page, "typeof n").toString(), "undefined");
    EXPECT_TRUE(Eval(page, "document.images[0].getAttribute('src')").toString().endsWith("/error.jpg"));
    EXPECT_FALSE(Eval(page, "document.documentElement.textContent").toString().contains("calm"));
    EXPECT_EQ(page->Url(), Server.Url(path).toString());
  }
}

// The line names the words found most, as listed, however the page wrote them; a tie goes to
// the word found first.
TEST_F(PageTest, EachBlockedPageLeavesTheParentOneLineWithItsHits) {
  EnsurePicture();
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/calm.html", Html("", "calm " + Repeat("casino", 14)));
  Server.Route("/bad.html", Html("", Repeat("betting", 3) + " " + Repeat("CASINO", 10) + " " + Repeat("賭博", 5, "，") +
                                         " " + Repeat("六合彩", 3) + " " + Repeat("betting", 2)));
  // Words added after the load are counted on the text as it stands when it is blocked.
  Server.Route("/late.html", Html("<script>setTimeout(function () { document.body.innerText = '" +
                                      Repeat("casino", 17) + "'; }, 100);</script>",
                                  "calm"));
  TfrmChild *page = Main->AddPage("about:blank");
  for (const char *path : {"/calm.html", "/bad.html", "/calm.html"})
    Open(page, 0, path);
  QSignalSpy decided(page, &TfrmChild::FilterDecided);
  Open(page, 0, "/late.html");
  ASSERT_TRUE(WaitUntil([&] { return !decided.isEmpty() && decided.last().at(0).toBool(); }, 20000));

  QFile log(Services->BlockLog()->FileName());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QString lines = QString::fromUtf8(log.readAll());
  const QString time = "\\[\\d\\d:\\d\\d\\]  ";
  const QRegularExpression expected("^" + time + QRegularExpression::escape(Server.Url("/bad.html").toString()) +
                                    "  23 hits  casino 10, betting 5, 赌博 5\r\n" + time +
                                    QRegularExpression::escape(Server.Url("/late.html").toString()) +
                                    "  17 hits  casino 17\r\n$");
  EXPECT_TRUE(expected.match(lines).hasMatch()) << lines.toStdString();
  EXPECT_TRUE(PageTextOf(page).isEmpty()) << "the child's blocking page shows nothing more";
}

TEST_F(PageTest, BlockingPageKeepsTheDesignedMarkup) {
  EXPECT_EQ(BlockingPage("/opt/PembloBrowser/"),
            "<html>  <body><DIV align=center><img src=\"/opt/PembloBrowser//error.jpg\"  width=\"423\" "
            "height=\"214\" hspace=\"2\" vspace=\"1\" border=\"1\"/></div></body></html>");
}

TEST_F(PageTest, FrameCompletingFirstChangesNeitherStateNorAddress) {
  Services->CfMrg()->AppCf().SetOffOn(true);
  Server.Route("/frames.html",
               "<html><frameset cols='50%,50%'><frame src='/fast.html'><frame src='/slow.html'></frameset></html>");
  Server.Route("/fast.html", Html("", "fast"));
  Server.Route("/slow.html", Html("", "slow"), "text/html", 2500);
  TfrmChild *page = new TfrmChild(Subject.get(), 0, Server.Url("/frames.html").toString(), Main.get(), &Panel);
  page->setGeometry(Panel.rect());
  page->show();
  QSignalSpy loaded(page->WebBrowser()->Page(), &QWebEnginePage::loadFinished);
  Subject->Navigate(0, "");
  // The first frame is complete while the second one still waits for its answer.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Eval(page, "window.frames.length > 0 && frames[0].document.readyState == 'complete' && "
                          "frames[0].document.body.innerText.length > 0")
            .toBool();
      },
      20000));
  EXPECT_EQ(loaded.count(), 0);
  EXPECT_EQ(page->WBState(), wbsInit);
  EXPECT_TRUE(Main->Of("ISetAddressText").empty());
  // The top-level document completes after its last frame; the frames hold no listed words.
  QSignalSpy decided(page, &TfrmChild::FilterDecided);
  ASSERT_TRUE(loaded.wait(20000));
  EXPECT_EQ(page->WBState(), wbsComplete);
  EXPECT_EQ(Main->Of("ISetAddressText"),
            (std::vector<TReport>{{"ISetAddressText", 0, Server.Url("/frames.html").toString()}}));
  ASSERT_TRUE(decided.wait(20000));
  EXPECT_FALSE(decided.takeFirst().at(0).toBool());
}

TEST(TabCaption, TitleIsTrimmedAndOnlyLatinCapitalsLowered) {
  const std::pair<QString, QString> cases[] = {
      {"Hello WORLD 中文", "hello world 中文"},
      {" \t\r\nPadded Title \n\x01", "padded title"},
      {"ÉCOLE Ä Ωmega", "École Ä Ωmega"},
      {"   ", ""},
      {"a B\tc", "a b\tc"},
  };
  for (const auto &[title, caption] : cases)
    EXPECT_EQ(TabCaptionOf(title), caption) << title.toStdString();
}

TEST_F(PageTest, PageTitleBecomesItsTabCaption) {
  Server.Route("/title.html", Html("<title>  Hello WORLD 中文 </title>", "x"));
  TfrmChild *page = Main->AddPage(Server.Url("/title.html").toString());
  ASSERT_TRUE(WaitUntil([&] { return page->windowTitle() == "hello world 中文"; }, 20000));
  EXPECT_EQ(Main->Of("ISetTabCaption").back(), (TReport{"ISetTabCaption", 0, "hello world 中文"}));
}

TEST_F(PageTest, EngineShowsNoDialogsOfItsOwn) {
  // An alert that opened a dialog would hold the load; the confirmation is answered "no".
  Server.Route("/dialogs.html", Html("<script>alert('hi'); document.title = 'confirm:' + confirm('sure?') + "
                                     "',prompt:' + prompt('name?', 'x');</script>",
                                     "x"));
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/dialogs.html");
  EXPECT_EQ(page->WebBrowser()->Title(), "confirm:false,prompt:null");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
