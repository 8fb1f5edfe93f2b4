// The toolkit's and the engine's own texts in the browser once the suite's language is
// installed, as the browser's main does, on a system whose locale is not Chinese (the test runs
// with LC_ALL=C.UTF-8): the buttons of the error guard's box and of the default-browser question,
// and the engine's page for an address that cannot be reached (that one needs the web engine).
#include "browser/uDefaultBrowser.h"
#include "common/uWebBrowser.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"
#include "platform/os/UiLanguage.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHostAddress>
#include <QMessageBox>
#include <QTcpServer>
#include <QTimer>
#include <QWebEnginePage>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class LanguageTest : public ::testing::Test {
protected:
  // Before any page of this process: the engine takes its language when it starts.
  static void SetUpTestSuite() { InstallChineseUiLanguage(); }

  TTestFolders folders;
};

// Keeps the button texts of the next message box, sorted, and answers it with No (or its one
// button).
class TBoxButtons {
public:
  TBoxButtons() {
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      if (!box)
        return;
      FTimer.stop();
      for (QAbstractButton *button : box->buttons())
        Texts << button->text();
      Texts.sort();
      QAbstractButton *no = box->button(QMessageBox::No);
      (no ? no : box->buttons().front())->click();
    });
    FTimer.start(10);
  }

  QStringList Texts;

private:
  QTimer FTimer;
};

// Asks the engine for the shown page's text until it contains mark (the engine's own page
// comes in after the failed load is reported); one question at a time. Returns the last answer.
QString TextOnceItShows(QWebEnginePage *page, const QString &mark) {
  auto last = std::make_shared<QString>();
  auto asking = std::make_shared<bool>(false);
  WaitUntil(
      [&] {
        if (!*asking) {
          *asking = true;
          page->toPlainText([last, asking](const QString &text) {
            *last = text;
            *asking = false;
          });
        }
        return last->contains(mark);
      },
      30000);
  return *last;
}

TEST_F(LanguageTest, MessageBoxesHaveChineseButtons) {
  // No default web browser on this desktop, so the browser asks to become it.
  std::filesystem::remove(folders.Config() / "mimeapps.list");
  const struct {
    const char *sBox;
    std::function<void()> show;
    QStringList buttons;  // sorted
  } cases[] = {
      {"the error guard's report",
       [] { GuardedCall([] { Raise(QStringLiteral("文件:/x/a.exe不存在！")); }); },
       {"确定"}},
      {"the default-browser question", [] { MakeDefaultBrowserOffer(); }, {"否(&N)", "是(&Y)"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sBox);
    TBoxButtons seen;
    c.show();
    EXPECT_EQ(seen.Texts, c.buttons);
  }
}

TEST_F(LanguageTest, EnginePageOfAnUnreachableAddressIsChinese) {
  // A port of this machine that nobody listens on: it was free a moment ago.
  QTcpServer listener;
  ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
  const quint16 port = listener.serverPort();
  listener.close();

  TWebBrowser browser;
  browser.resize(800, 600);
  browser.show();
  browser.Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(port));
  const QString text = TextOnceItShows(browser.Page(), QStringLiteral("ERR_CONNECTION_REFUSED"));
  EXPECT_TRUE(text.contains(QStringLiteral("无法访问此网站"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("This site can"))) << text.toStdString();
}

}  // namespace
