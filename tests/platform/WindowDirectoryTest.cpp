// The window directory across processes on a private session bus, the window helpers of the
// window table and the error guard.
#include "platform/os/WindowDirectory.h"
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "platform/errors/ErrorGuard.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QFile>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// A probe window; returns once it is on the bus. With hangSeconds it answers a call only that
// long after it came.
std::unique_ptr<TProbe> StartWindow(const QString &title, const QString &cls = "-", int x = 10, int y = 20,
                                    int hangSeconds = 0) {
  QStringList args{"window", title, cls, QString::number(x), QString::number(y)};
  if (hangSeconds > 0)
    args << QString::number(hangSeconds);
  auto probe = std::make_unique<TProbe>(args);
  const QString ready = probe->NextLine();
  EXPECT_TRUE(ready.startsWith("ready :")) << ready.toStdString();
  return probe;
}

TEST(WindowDirectory, PostAndSendCrossProcessesWithTheirParameters) {
  auto probe = StartWindow(FrmInfos[fiLockChannel].sCaption, "-", 31, 47);
  const auto window = FindWindowByTitle(FrmInfos[fiLockChannel].sCaption);
  ASSERT_TRUE(window);

  PostWindowMessage(*window, WM_CFGUPDATE, 0, 0);
  EXPECT_EQ(probe->NextLine(), "message 1138 0 0");
  EXPECT_EQ(SendWindowMessage(*window, WM_APPSUPDATE, -1, 4242), WM_APPSUPDATE - 1 + 4242);
  EXPECT_EQ(probe->NextLine(), "message 2126 -1 4242");
  EXPECT_EQ(SendToTitle(FrmInfos[fiLockChannel], WM_APPSUPDATE, 1, 7), WM_APPSUPDATE + 8);
  EXPECT_EQ(probe->NextLine(), "message 2126 1 7");

  EXPECT_TRUE(ActivateWindow(*window));
  const auto rect = GetWindowRect(*window);
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->x(), 31);
  EXPECT_EQ(rect->y(), 47);
  EXPECT_GE(rect->width(), 200);
}

TEST(WindowDirectory, TitleAndClassLookupsAreSeparate) {
  auto probe = StartWindow("Alpha", "SunvaleBrowser");
  EXPECT_TRUE(FindWindowByTitle("Alpha"));
  EXPECT_TRUE(FindWindowByClass("SunvaleBrowser"));
  EXPECT_FALSE(FindWindowByTitle("SunvaleBrowser"));
  EXPECT_FALSE(FindWindowByClass("Alpha"));
  EXPECT_NE(TitleBusName("SunvaleBrowser"), ClassBusName("SunvaleBrowser"));
  EXPECT_EQ(TitleBusName("Sunvale主程序").size(), QString("org.pemblo.Title.t").size() + 16);
}

TEST(WindowDirectory, MissingAndGoneWindowsAreSkippedSilently) {
  EXPECT_FALSE(FindWindowByTitle("nobody here"));
  EXPECT_FALSE(FindWindowByClass("NoSuchClass"));
  EXPECT_TRUE(FindWindowsByClass("NoSuchClass").empty());
  EXPECT_NO_THROW(PostToTitle(TFrmInfo{"nobody here", 0, 0}, WM_CFGUPDATE, 0, 0));
  EXPECT_EQ(SendToTitle(TFrmInfo{"nobody here", 0, 0}, WM_YCARDUPDATE, 2, 0), 0);

  auto probe = StartWindow("Short lived");
  const auto window = FindWindowByTitle("Short lived");
  ASSERT_TRUE(window);
  probe->Stop();
  EXPECT_NO_THROW(PostWindowMessage(*window, WM_CFGUPDATE, 0, 0));
  EXPECT_EQ(SendWindowMessage(*window, WM_YCARDUPDATE, 1, 0), 0);
  EXPECT_FALSE(GetWindowRect(*window));
  EXPECT_FALSE(ActivateWindow(*window));
}

TEST(WindowDirectory, WindowsOfOneNameQueueAndAllOfAClassCanBeReached) {
  auto first = StartWindow("Twin", "SunvaleBrowser");
  auto second = StartWindow("Twin", "SunvaleBrowser");
  const auto found = FindWindowByTitle("Twin");
  ASSERT_TRUE(found);
  const auto all = FindWindowsByClass("SunvaleBrowser");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all.front(), *FindWindowByClass("SunvaleBrowser"));
  for (const auto &w : all)
    PostWindowMessage(w, WM_CFGUPDATE, 0, 0);
  EXPECT_EQ(first->NextLine(), "message 1138 0 0");
  EXPECT_EQ(second->NextLine(), "message 1138 0 0");

  SendWindowMessage(*found, 1, 0, 0);
  EXPECT_EQ(first->NextLine(), "message 1 0 0") << "the first window answers";
  first->Stop();
  const auto next = FindWindowByTitle("Twin");
  ASSERT_TRUE(next);
  EXPECT_NE(*next, *found);
  SendWindowMessage(*next, 2, 0, 0);
  EXPECT_EQ(second->NextLine(), "message 2 0 0") << "the next window takes over";
}

TEST(WindowDirectory, AnOversizedMessageIsRefusedAndTheWindowStillAnswers) {
  auto probe = StartWindow("Big");
  const auto window = FindWindowByTitle("Big");
  ASSERT_TRUE(window);
  // 64 MB: past what libdbus lets a connection hold unread before it stops reading.
  QDBusMessage big = QDBusMessage::createMethodCall(window->sBusName, "/window", "org.pemblo.Window", "Post");
  big << uint(WM_CFGUPDATE) << qlonglong(0) << qlonglong(0) << QByteArray(64 << 20, 'x');
  ASSERT_TRUE(QDBusConnection::sessionBus().send(big));
  // The big message takes its time through the bus; each send waits a second at most.
  EXPECT_TRUE(WaitUntil([&] { return SendWindowMessage(*window, WM_APPSUPDATE, 1, 7) == WM_APPSUPDATE + 8; }, 60000));
  EXPECT_EQ(probe->NextLine(), "message 2126 1 7") << "and nothing for the oversized message";
  EXPECT_EQ(FindWindowByTitle("Big"), window);
}

TEST(WindowDirectory, ASendToAWindowThatHangsReturnsWhileItStillHangs) {
  // The window answers 20 s after a message came: far beyond the time limit of a call between
  // windows, and within the bus's own limit of 25 s, so a call without a limit of its own would
  // see the answer come.
  auto probe = StartWindow(FrmInfos[fiMainWindow].sCaption, "-", 10, 20, 20);
  const auto window = FindMainWindow();
  ASSERT_TRUE(window);
  EXPECT_EQ(SendWindowMessage(*window, WM_YCARDUPDATE, 2, 0), 0);
  EXPECT_EQ(probe->NextLine(), "message 2057 2 0");
  EXPECT_FALSE(probe->Pending().contains("answered")) << "the send waited for the window that hangs";
}

TEST(WindowDirectory, WithoutABusNothingIsFoundAndNothingFails) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  env.remove("DISPLAY");
  TTestFolders folders;  // an empty runtime folder: no bus socket there either
  env.insert("XDG_RUNTIME_DIR", QString::fromStdString(folders.Runtime().string()));
  TProbe probe({"find", FrmInfos[fiMainWindow].sCaption}, env);
  EXPECT_EQ(probe.NextLine(), "none");
  EXPECT_EQ(probe.NextLine(), "send 0");
  EXPECT_EQ(probe.Finish(), 0);
}

TEST(SettingsUpdate, ReachesTheLockChannelAndEveryBrowser) {
  TTestFolders folders;
  auto lock = StartWindow(FrmInfos[fiLockChannel].sCaption);
  auto browser1 = StartWindow("Page one", FrmInfos[fiBrowserClass].sCaption);
  auto browser2 = StartWindow("Page two", FrmInfos[fiBrowserClass].sCaption);
  auto bystander = StartWindow(FrmInfos[fiMainWindow].sCaption);
  TCfMrg mrg;
  mrg.Update();
  for (auto *p : {lock.get(), browser1.get(), browser2.get()})
    EXPECT_EQ(p->NextLine(), "message 1138 0 0");
  SendWindowMessage(*FindMainWindow(), 1, 0, 0);
  EXPECT_EQ(bystander->NextLine(), "message 1 0 0") << "the main window is not told";
}

TEST(SettingsUpdate, WithoutABusTheFileIsSavedAllTheSame) {
  TTestFolders folders;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  env.remove("DISPLAY");
  TProbe probe({"cfgupdate"}, env);
  EXPECT_EQ(probe.NextLine(), "saved");
  EXPECT_EQ(probe.Finish(), 0);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folders.CommonAppData().string()) + "/Pemblo/appdata.dat"));
}

TEST(WindowDirectory, MessagesToAWindowOfThisProcessArriveDirectly) {
  QWidget main;
  ApplyFrmInfo(&main, FrmInfos[fiMainWindow]);
  QList<qint64> got;
  TWindowEndpoint::Of(&main)->SetMessageHandler([&](quint32 msg, qint64 w, qint64) {
    got << msg << w;
    return qint64(99);
  });
  ASSERT_TRUE(FindMainWindow());
  // A send from this process must not wait for a bus round trip to itself.
  EXPECT_EQ(SendToTitle(FrmInfos[fiMainWindow], WM_YCARDUPDATE, 3, 0), 99);
  EXPECT_EQ(got, (QList<qint64>{WM_YCARDUPDATE, 3}));
  PostToTitle(FrmInfos[fiMainWindow], WM_YCARDUPDATE, 1, 0);
  EXPECT_TRUE(WaitUntil([&] { return got.size() == 4; }, 10000));
}

TEST(WindowDirectory, AHandlersErrorIsToldWhenItBeginsAndNotAgainWhileItLasts) {
  QWidget window;
  window.setWindowTitle("Failing window");
  QString failure, innerFailure;  // what the handler raises, and a guard inside it; empty: nothing
  TWindowEndpoint *endpoint = TWindowEndpoint::Of(&window);
  endpoint->SetMessageHandler([&](quint32, qint64, qint64) -> qint64 {
    GuardedCall([&] {
      if (!innerFailure.isEmpty())
        throw std::runtime_error(innerFailure.toStdString());
    });
    if (!failure.isEmpty())
      throw std::runtime_error(failure.toStdString());
    return 1;
  });
  QStringList told;
  endpoint->SetOnError([&](quint32 msg, const QString &text) { told << QString::number(msg) + " " + text; });
  const struct {
    const char *Name;
    quint32 Msg;
    QString Failure;
    QString Inner;
    QStringList Told;
  } steps[] = {
      {"an error begins", 1, "broken", "", {"1 broken"}},
      {"it lasts", 1, "broken", "", {}},
      {"another message", 2, "broken", "", {"2 broken"}},
      {"another error", 1, "worse", "", {"1 worse"}},
      {"a guard inside the handler", 1, "worse", "inside", {"1 inside"}},
      {"handled: the errors end", 1, "", "", {}},
      {"it begins again", 1, "worse", "", {"1 worse"}},
  };
  TModalBoxWatcher boxes;
  for (const auto &step : steps) {
    SCOPED_TRACE(step.Name);
    told.clear();
    failure = step.Failure;
    innerFailure = step.Inner;
    SendToTitle(TFrmInfo{"Failing window", 0, 0}, step.Msg, 0, 0);
    EXPECT_EQ(told, step.Told);
  }
  EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join(" | ").toStdString();
  EXPECT_TRUE(VisibleMessageBoxTexts().isEmpty());

  // Without an error event the error is shown in a box that does not wait, once while it lasts
  // even when the box was closed.
  endpoint->SetOnError(nullptr);
  failure = "shown once";
  for (int n = 0; n < 3; ++n)
    SendToTitle(TFrmInfo{"Failing window", 0, 0}, 3, 0, 0);
  EXPECT_EQ(VisibleMessageBoxTexts(), QStringList{"shown once"});
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *box = qobject_cast<QMessageBox *>(w))
      box->close();
  SendToTitle(TFrmInfo{"Failing window", 0, 0}, 3, 0, 0);
  EXPECT_TRUE(VisibleMessageBoxTexts().isEmpty());
  EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join(" | ").toStdString();
}

TEST(FrmInfos, TableAndApplyFrmInfo) {
  ASSERT_EQ(FrmInfos.size(), 11u);
  EXPECT_EQ(FrmInfos[fiLockChannel].sCaption, "Sunvale锁定通信");
  EXPECT_EQ(FrmInfos[fiBrowserClass].sCaption, "SunvaleBrowser");
  EXPECT_EQ(FrmInfos[fiHistory].iWidth, 560);

  QWidget form;
  ApplyFrmInfo(&form, FrmInfos[fiManage]);
  EXPECT_EQ(form.windowTitle(), "Sunvale-家长管理");
  EXPECT_EQ(form.size(), QSize(468, 326));
  EXPECT_TRUE(FindWindowByTitle("Sunvale-家长管理")) << "the title is findable once applied";
  ApplyFrmInfo(nullptr, FrmInfos[fiManage]);

  // Every title of the table can be owned on the bus, whatever its digest begins with.
  for (int i = 0; i < fiBrowserClass; ++i) {
    QWidget w;
    ApplyFrmInfo(&w, FrmInfos[i]);
    EXPECT_TRUE(FindWindowByTitle(FrmInfos[i].sCaption)) << i;
  }
}

TEST(FrmInfos, ShowOrActivateKeepsOneWindowPerTitle) {
  int created = 0;
  std::unique_ptr<QWidget> form;
  auto create = [&]() -> QWidget * {
    ++created;
    form = std::make_unique<QWidget>();
    ApplyFrmInfo(form.get(), FrmInfos[fiHistory]);
    return form.get();
  };
  QWidget *shown = ShowOrActivate(create, FrmInfos[fiHistory]);
  EXPECT_EQ(shown, form.get());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ShowOrActivate(create, FrmInfos[fiHistory]), nullptr);
  EXPECT_EQ(created, 1);

  form.reset();  // closed: the next call opens a new one
  EXPECT_NE(ShowOrActivate(create, FrmInfos[fiHistory]), nullptr);
  EXPECT_EQ(created, 2);
  form.reset();

  // A window of that title in another process counts as well.
  auto probe = StartWindow(FrmInfos[fiCardCancel].sCaption);
  EXPECT_EQ(ShowOrActivate(create, FrmInfos[fiCardCancel]), nullptr);
  EXPECT_EQ(created, 2);
}

TEST(ErrorGuard, ShowsTheTextAndGoesOn) {
  TMessageBoxCatcher catcher;
  bool after = false;
  GuardedCall([] { throw std::runtime_error("文件:/x/a.exe不存在！"); });
  after = true;
  EXPECT_TRUE(after);
  EXPECT_EQ(catcher.Texts, QStringList{"文件:/x/a.exe不存在！"});

  // A message handler that fails answers 0 and the window stays.
  QWidget window;
  window.setWindowTitle("Guarded window");
  TWindowEndpoint::Of(&window)->SetMessageHandler(
      [](quint32, qint64, qint64) -> qint64 { throw std::runtime_error("handler failed"); });
  EXPECT_EQ(SendToTitle(TFrmInfo{"Guarded window", 0, 0}, 1, 0, 0), 0);
  EXPECT_TRUE(WaitUntil([&] { return catcher.Texts.size() == 2; }, 5000)) << "shown in a box that does not wait";
  EXPECT_TRUE(FindWindowByTitle("Guarded window"));

  // Wrapped slots and the guarded application's event delivery catch as well.
  Guarded([](int v) { throw std::runtime_error(std::to_string(v)); })(7);
  EXPECT_EQ(catcher.Texts.last(), "7");
}

}  // namespace
