// The browse and block logs: line format, code page, several browsers appending at once, and a full disk.
#include "common/uPathFunc.h"
#include "common/uTextLog.h"
#include "platform/cp936/CodePage936Qt.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {

QByteArray ReadFile(const QString &name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(TextLog, LinesAtAFixedClock) {
  TTestFolders folders;
  QDateTime now(QDate(2011, 3, 3), QTime(9, 5, 59));
  TTextLogManager log([&] { return now; });
  EXPECT_EQ(log.FileName(), GetBrowseLogPath() + "2011-03-03.txt");
  EXPECT_EQ(ReadFile(log.FileName()), "") << "created empty";

  log.Logs("http://www.example.com/");
  log.Logs("");
  now = QDateTime(QDate(2011, 3, 4), QTime(23, 0));  // past midnight: same file
  log.Logs("about:blank");
  log.Logs("http://例子.cn/?q=中文ก");
  const QByteArray expected = QByteArray("[09:05]  http://www.example.com/\r\n") + "[23:00]  about:blank\r\n" +
                              "[23:00]  http://" + ToCp936("例子") + ".cn/?q=" + ToCp936("中文") + "?\r\n";
  EXPECT_EQ(ReadFile(log.FileName()), expected);

  // A second browser of the same day appends to the same file.
  TTextLogManager second([&] { return QDateTime(QDate(2011, 3, 3), QTime(12, 0)); });
  second.Logs("http://b/");
  EXPECT_EQ(ReadFile(log.FileName()), expected + "[12:00]  http://b/\r\n");
}

TEST(TextLog, TheBlockLogIsUtf8InAFolderOfItsOwn) {
  TTestFolders folders;
  const QString folder = GetLogPath() + "拦截日志/";
  ASSERT_FALSE(QFileInfo::exists(folder));
  TTextLogManager log([] { return QDateTime(QDate(2011, 3, 3), QTime(21, 7)); }, TLogKind::Block);
  EXPECT_EQ(log.FileName(), folder + "2011-03-03.txt") << "the folder is made when missing";
  log.Logs("http://例子.cn/?q=中文ก  15 hits");
  log.Logs(QStringLiteral("http://a/") + QChar(0) + "rest");  // a zero character ends the text, not the line
  log.Logs("http://b/  black list 4");
  EXPECT_EQ(ReadFile(log.FileName()), QString("[21:07]  http://例子.cn/?q=中文ก  15 hits\r\n"
                                              "[21:07]  http://a/\r\n"
                                              "[21:07]  http://b/  black list 4\r\n")
                                          .toUtf8());
  EXPECT_TRUE(QDir(GetBrowseLogPath()).isEmpty()) << "nothing goes to the browse log";
}

TEST(TextLog, AFileThatCannotBeOpenedRaises) {
  TTestFolders folders;
  QDir().mkpath(GetBrowseLogPath() + "2011-03-03.txt");  // a folder in the way
  EXPECT_THROW(TTextLogManager([] { return QDateTime(QDate(2011, 3, 3), QTime(9, 5)); }), std::runtime_error);
}

TEST(TextLog, TwoBrowsersAppendingLoseAndTearNoLine) {
  TTestFolders folders;
  const int each = 10000;
  std::vector<std::unique_ptr<TProbe>> probes;
  for (const char *tag : {"first.example", "second.example"})
    probes.push_back(std::make_unique<TProbe>(QStringList{"textlog", QString::number(each), tag}));
  for (auto &p : probes) {
    EXPECT_EQ(p->NextLine(), "done");
    EXPECT_EQ(p->Finish(), 0);
  }
  const QString name = GetBrowseLogPath() + QDate::currentDate().toString("yyyy-MM-dd") + ".txt";
  const QByteArray data = ReadFile(name);
  ASSERT_TRUE(data.endsWith("\r\n"));
  const QList<QByteArray> lines = data.chopped(1).split('\n');
  const QRegularExpression form(R"(^\[\d\d:\d\d\]  http://(first|second)\.example/(\d+)\r$)");
  QSet<QString> seen;
  for (const QByteArray &line : lines) {
    const auto m = form.match(QString::fromLatin1(line));
    ASSERT_TRUE(m.hasMatch()) << "torn line: " << line.toStdString();
    seen.insert(m.captured(1) + m.captured(2));
  }
  EXPECT_EQ(lines.size(), 2 * each);
  EXPECT_EQ(seen.size(), 2 * each) << "every line once";
}

// The log folder runs out of room: a small tmpfs mounted over it where mounting is permitted,
// else a file-size limit (its signal ignored), which gives the same short writes.
class TextLogFull : public testing::Test {
protected:
  void SetUp() override {
    folder = GetBrowseLogPath();
    FMounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0;
    if (!FMounted) {
      ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &FLimit), 0);
      FOldSignal = std::signal(SIGXFSZ, SIG_IGN);
    }
  }
  void TearDown() override {
    if (FMounted)
      ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    else {
      setrlimit(RLIMIT_FSIZE, &FLimit);
      std::signal(SIGXFSZ, FOldSignal);
    }
  }
  // Leaves room for a few more bytes after `used` bytes of the log file.
  void Fill(qint64 used) {
    if (FMounted) {
      QFile filler(folder + "filler");
      ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
      while (filler.write(QByteArray(1000, 'x')) > 0 && filler.flush()) {
      }
    } else {
      rlimit limit = FLimit;
      limit.rlim_cur = rlim_t(used + 4000);
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
  }
  void Free() {
    if (FMounted)
      QFile::remove(folder + "filler");
    else
      setrlimit(RLIMIT_FSIZE, &FLimit);
  }
  TTestFolders folders;
  QString folder;

private:
  bool FMounted = false;
  rlimit FLimit{};
  void (*FOldSignal)(int) = SIG_DFL;
};

TEST_F(TextLogFull, AFullDiskLeavesNoPartLineBehind) {
  const QDateTime at(QDate(2011, 3, 3), QTime(5, 9));
  TTextLogManager log([&] { return at; });
  log.Logs("http://before/");
  Fill(ReadFile(log.FileName()).size());
  // Lines of odd lengths until the file stops growing: one of them met the end of the room.
  qint64 size = -1;
  for (int n = 0; n < 10000 && QFileInfo(log.FileName()).size() != size; ++n) {
    size = QFileInfo(log.FileName()).size();
    for (int k = 0; k < 10; ++k)
      log.Logs(QStringLiteral("http://FULL%1/%2").arg(QString(k * 7, 'a')).arg(n));
  }
  Free();
  log.Logs("http://after/");
  const QByteArray data = ReadFile(log.FileName());
  ASSERT_TRUE(data.endsWith("[05:09]  http://after/\r\n"));
  const QRegularExpression form(R"(^\[05:09\]  http://(before/|FULLa*/\d+|after/)\r$)");
  for (const QByteArray &line : data.chopped(1).split('\n'))
    EXPECT_TRUE(form.match(QString::fromLatin1(line)).hasMatch()) << "torn line: " << line.toStdString();
}

}  // namespace
