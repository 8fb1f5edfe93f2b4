// The lock program on a real X server without a window manager, as a family's computer may
// be: it covers every screen by itself, holds the keyboard and the pointer at the server, and
// the parent's password typed through the server, key by key, opens it, while a window the
// child had in front gets none of the keys. Where it cannot hold them it tells the host.
#include "common/uPenalta.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uRegistryHelper.h"
#include "common/uPassword.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/XServer.h"

#include <QProcess>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kLockTitle = QStringLiteral("Sunvale锁定");

void ThreeCards() {
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(3));
}

QString WrongTries() {
  return RegReadString(HKEY_LOCAL_MACHINE, QStringLiteral("\\SOFTWARE\\Pemblo"), QStringLiteral("PasswordTries"))
      .section(u',', 0, 0);
}

// Waits without the event loop: the lock is another process, and the X server answers at once.
template <class F> bool PollUntil(F done, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (done())
      return true;
    QThread::msleep(50);
  }
  return done();
}

struct TLockProcess {
  QProcess Process;
  explicit TLockProcess(const QProcessEnvironment &env) {
    Process.setProcessEnvironment(env);
    Process.setProcessChannelMode(QProcess::ForwardedChannels);
    Process.start(QStringLiteral(PEMBLO_LOCK), {});
    Process.waitForStarted(10000);
  }
  ~TLockProcess() {
    Process.kill();
    Process.waitForFinished(5000);
  }
};

}  // namespace

TEST(LockScreenOnX, CoversTheScreenHoldsTheInputAndOpensToThePasswordTypedThroughTheServer) {
  TTestFolders folders;
  ThreeCards();
  TParentPassword().Set(QStringLiteral("parent"));
  TXServer x(QSize(1280, 800));
  ASSERT_TRUE(x.Running());
  // The child's window is in front and has the keyboard focus when the lock comes.
  x.OpenFocusedWindow(QRect(10, 10, 300, 200));
  TLockProcess lock(x.Environment());
  std::optional<TXWindow> window;
  ASSERT_TRUE(PollUntil([&] { return (window = x.FindWindow(kLockTitle)).has_value(); }, 20000));
  EXPECT_EQ(window->rGeometry, x.RootGeometry()) << "the screen is covered, without a window manager";
  EXPECT_TRUE(window->bOverrideRedirect);
  EXPECT_TRUE(PollUntil([&] { return x.KeyboardHeldByOther() && x.PointerHeldByOther(); }, 5000))
      << "the keyboard and the pointer are the lock's";

  // Another client of the server takes the window away; the lock takes it back with the input.
  const struct {
    const char *Name;
    std::function<void(uint32_t)> Attack;
  } attacks[] = {
      {"unmapped", [&](uint32_t id) { x.Unmap(id); }},
      {"put inside a tiny window", [&](uint32_t id) { x.HideInsideTinyWindow(id); }},
  };
  for (const auto &attack : attacks) {
    SCOPED_TRACE(attack.Name);
    attack.Attack(window->iId);
    EXPECT_TRUE(PollUntil(
        [&] {
          const auto back = x.FindWindow(kLockTitle);
          return back && back->rGeometry == x.RootGeometry() && x.KeyboardHeldByOther() && x.PointerHeldByOther();
        },
        5000));
  }

  ASSERT_TRUE(x.Type(QStringLiteral("child")));
  ASSERT_TRUE(x.Key(QStringLiteral("Return")));
  EXPECT_TRUE(PollUntil([] { return WrongTries() == QStringLiteral("1"); }, 5000))
      << "a wrong try typed through the server is counted; tries: " << WrongTries().toStdString();
  EXPECT_EQ(lock.Process.state(), QProcess::Running);

  ASSERT_TRUE(x.Type(QStringLiteral("parent")));
  ASSERT_TRUE(x.Key(QStringLiteral("Return")));
  EXPECT_TRUE(lock.Process.waitForFinished(10000)) << "the parent's password opens it";
  EXPECT_EQ(x.KeyPressesReceived(), 0) << "the child's window got none of the keys";
  EXPECT_FALSE(x.KeyboardHeldByOther());
}

TEST(LockScreenOnX, WithoutAGrabTheHostIsTold) {
  // A display server that lets no program grab the input (here the one without a display).
  TTestFolders folders;
  ThreeCards();
  TProbe host({QStringLiteral("window"), FrmInfos[fiMainWindow].sCaption, QStringLiteral("-"), QStringLiteral("0"),
               QStringLiteral("0")});
  ASSERT_TRUE(host.NextLine().startsWith(QStringLiteral("ready")));
  TLockProcess lock(QProcessEnvironment::systemEnvironment());
  EXPECT_EQ(host.NextLine(), QStringLiteral("message %1 %2 0").arg(WM_LOCKNOGRAB).arg(LockNoGrabDisplay));
}
