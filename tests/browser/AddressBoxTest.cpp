// The address box: suggestions from the typed addresses and the browse logs, and the typed
// addresses kept across browsers.
#include "browser/uAddressBox.h"
#include "common/uPathFunc.h"
#include "common/uTextLog.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Writes the addresses to the browse log of the given day, in order, a minute apart.
void WriteLog(const QDate &day, const QStringList &addresses) {
  int minute = 0;
  TTextLogManager log([&] { return QDateTime(day, QTime(9, minute)); });
  for (const QString &address : addresses) {
    log.Logs(address);
    ++minute;
  }
}

class AddressBoxTest : public ::testing::Test {
protected:
  TTestFolders folders;
};

TEST_F(AddressBoxTest, TypedAddressesNewestFirstWithoutDuplicates) {
  EXPECT_TRUE(ReadTypedAddresses().isEmpty());
  for (const char *address : {"http://a/", "http://b/", "http://a/", "", "http://c/"})
    AddTypedAddress(QString::fromUtf8(address));
  EXPECT_EQ(ReadTypedAddresses(), QStringList({"http://c/", "http://a/", "http://b/"}));

  for (int i = 0; i < TypedAddressLimit + 5; ++i)
    AddTypedAddress(QStringLiteral("http://n%1/").arg(i));
  const QStringList typed = ReadTypedAddresses();
  ASSERT_EQ(typed.size(), TypedAddressLimit);
  EXPECT_EQ(typed.front(), QStringLiteral("http://n%1/").arg(TypedAddressLimit + 4));
  EXPECT_EQ(typed.back(), QStringLiteral("http://n5/"));
}

TEST_F(AddressBoxTest, LoggedAddressesNewestDayAndLineFirst) {
  WriteLog(QDate(2011, 3, 2), {"http://old.example/", "http://shared.example/", "http://中文.example/"});
  WriteLog(QDate(2011, 3, 3), {"http://shared.example/", "about:blank", "http://new.example/"});
  // A line that is not the log's own is skipped.
  QFile stray(GetBrowseLogPath() + "2011-03-01.txt");
  ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
  stray.write("garbage\r\n[09:00]  http://first.example/\r\n");
  stray.close();

  EXPECT_EQ(ReadLoggedAddresses(100),
            QStringList({"http://new.example/", "http://shared.example/", "http://中文.example/", "http://old.example/",
                         "http://first.example/"}));
  EXPECT_EQ(ReadLoggedAddresses(2), QStringList({"http://new.example/", "http://shared.example/"}));
}

TEST_F(AddressBoxTest, MatchingTypedText) {
  TAddressSuggestions suggestions;
  suggestions.SetPool(
      {"http://www.example.com/", "https://exam.org/", "http://www.other.net/x", "ftp://example.io", "about:version"});
  const struct {
    const char *typed;
    QStringList expected;
  } cases[] = {
      {"exa", {"http://www.example.com/", "https://exam.org/"}},
      {"EXAMPLE", {"http://www.example.com/"}},
      {"www.ex", {"http://www.example.com/"}},
      {"https://ex", {"https://exam.org/"}},
      {"http://www.o", {"http://www.other.net/x"}},
      {"ftp", {"ftp://example.io"}},
      {"about:", {"about:version"}},
      {"  oth", {"http://www.other.net/x"}},
      {"com", {}},
      {"", {}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(suggestions.Match(QString::fromUtf8(c.typed), 10), c.expected) << c.typed;
  EXPECT_EQ(suggestions.Match("exa", 1), QStringList({"http://www.example.com/"}));
}

TEST_F(AddressBoxTest, TypingShowsTypedThenLoggedAddresses) {
  WriteLog(QDate::currentDate(), {"http://www.kids.example/log", "http://www.kids.example/typed"});
  AddTypedAddress("http://www.kids.example/typed");

  TAddressBox box;
  box.resize(400, 24);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  box.setFocus();
  QTest::keyClicks(&box, "kid");
  QAbstractItemView *popup = box.SuggestionPopup()->popup();
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
  QStringList shown;
  for (int row = 0; row < popup->model()->rowCount(); ++row)
    shown.append(popup->model()->index(row, 0).data().toString());
  EXPECT_EQ(shown, QStringList({"http://www.kids.example/typed", "http://www.kids.example/log"}));
  EXPECT_EQ(box.currentText(), "kid");

  QTest::keyClick(popup, Qt::Key_Escape);
  QTest::keyClicks(&box, "zz");
  EXPECT_FALSE(popup->isVisible()) << "nothing matches";
}

TEST_F(AddressBoxTest, DropDownListsTheTypedAddressesAndFrameHasItsColour) {
  AddTypedAddress("http://one/");
  AddTypedAddress("http://two/");
  TAddressBox box;
  box.resize(300, 24);
  box.SetBorderColor(QColor(117, 183, 47));
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  box.setEditText("typed so far");
  box.showPopup();
  EXPECT_EQ(box.count(), 2);
  EXPECT_EQ(box.itemText(0), "http://two/");
  EXPECT_EQ(box.currentText(), "typed so far");
  box.hidePopup();

  const QImage picture = box.grab().toImage();
  EXPECT_EQ(picture.pixelColor(0, 10), QColor(117, 183, 47));
  EXPECT_EQ(picture.pixelColor(150, 0), QColor(117, 183, 47));
  EXPECT_EQ(picture.pixelColor(299, 23), QColor(117, 183, 47));
}

}  // namespace
