#include "tests/browser/PageFixture.h"
#include "tests/support/WaitUntil.h"

#include "datastore/uDBMrgFactory.h"
#include "platform/cp936/CodePage936Qt.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <ostream>

void PrintTo(const TReport &r, std::ostream *os) {
  *os << r.method.toStdString() << "(" << r.tabIndex << ", \"" << r.text.toStdString() << "\")";
}

int32_t TRecordingMain::INewPage(const QString &AUrl, bool) {
  NewPages.append(AUrl);
  if (AUrl.isEmpty())
    return -1;
  const int32_t index = FSubject.Count();
  AddPage(AUrl);
  return index;
}

TfrmChild *TRecordingMain::AddPage(const QString &url) {
  const int32_t index = FSubject.Count();
  auto *page = new TfrmChild(&FSubject, index, url, this, &FPanel);
  page->setGeometry(FPanel.rect());
  page->show();
  page->raise();
  FSubject.Navigate(index, "");
  return page;
}

std::vector<TReport> TRecordingMain::Of(const QString &method) const {
  std::vector<TReport> result;
  for (const TReport &r : Reports)
    if (r.method == method)
      result.push_back(r);
  return result;
}

void PageTest::SetUp() {
  // The card database of the black list lies in this test's folders.
  TDBMrgFactory::ReleaseAll();
  Services = std::make_unique<TBrowserServices>();
  Panel.resize(800, 600);
  Panel.show();
  Subject = std::make_unique<TSubjectChild>();
  Main = std::make_unique<TRecordingMain>(*Subject, Panel);
}

void PageTest::TearDown() {
  Subject.reset();
  Services.reset();
  TDBMrgFactory::ReleaseAll();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PageTest::WaitLoaded(TfrmChild *page, const std::function<void()> &action) {
  QSignalSpy loaded(page->WebBrowser()->Page(), &QWebEnginePage::loadFinished);
  action();
  ASSERT_TRUE(loaded.wait(20000)) << "no completed load";
}

void PageTest::Open(TfrmChild *page, int32_t index, const QString &path) {
  QSignalSpy decided(page, &TfrmChild::FilterDecided);
  WaitLoaded(page, [&] { Subject->Navigate(index, Server.Url(path).toString()); });
  if (Services->CfMrg()->AppCf().OffOn()) {
    ASSERT_TRUE(decided.count() > 0 || decided.wait(20000)) << "the filter did not decide";
  }
}

QVariant Eval(TfrmChild *page, const QString &script) {
  QVariant result;
  bool done = false;
  page->WebBrowser()->Page()->runJavaScript(script, [&](const QVariant &v) {
    result = v;
    done = true;
  });
  if (!WaitUntil([&] { return done; }, 20000))
    ADD_FAILURE() << "no answer to " << script.toStdString();
  return result;
}

QStringList PageTest::LogLines() const {
  QFile file(Services->TextLog()->FileName());
  if (!file.open(QIODevice::ReadOnly))
    return {};
  // Each line: "[hh:mm]", two blanks, the address, CR LF, in code page 936.
  QStringList lines;
  for (const QByteArray &line : file.readAll().split('\n'))
    if (!line.isEmpty())
      lines.append(FromCp936(line.mid(9).chopped(1)));
  return lines;
}
