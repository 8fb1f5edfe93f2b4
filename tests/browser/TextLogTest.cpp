// The browse log: line format, code page, and several browsers appending at once.
#include "browser/uTextLog.h"
#include "common/uPathFunc.h"
#include "platform/cp936/CodePage936Qt.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

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

}  // namespace
