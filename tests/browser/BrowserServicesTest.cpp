// The owner of the browser process's settings manager and browse log: installed while it
// lives, one at a time, nothing left installed when making it fails.
#include "browser/uBrowserServices.h"
#include "common/uAppcf.h"
#include "common/uPathFunc.h"
#include "common/uTextLog.h"
#include "tests/support/TestFolders.h"

#include <QDate>
#include <QDir>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

TEST(BrowserServices, InstalledWhileTheOwnerLivesAndOneAtATime) {
  TTestFolders folders;
  EXPECT_EQ(TBrowserServices::CfMrg(), nullptr);
  EXPECT_EQ(TBrowserServices::TextLog(), nullptr);
  {
    TBrowserServices services;
    ASSERT_NE(TBrowserServices::CfMrg(), nullptr);
    ASSERT_NE(TBrowserServices::TextLog(), nullptr);
    EXPECT_EQ(TBrowserServices::CfMrg()->FileName(), GetDataPath() + "appdata.dat");

    // A second owner is refused and leaves the first one's services in place.
    TCfMrg *const cfMrg = TBrowserServices::CfMrg();
    TTextLogManager *const textLog = TBrowserServices::TextLog();
    EXPECT_THROW(TBrowserServices(), std::runtime_error);
    EXPECT_THROW(TProcessServices(), std::runtime_error);
    EXPECT_EQ(TBrowserServices::CfMrg(), cfMrg);
    EXPECT_EQ(TBrowserServices::TextLog(), textLog);
  }
  EXPECT_EQ(TBrowserServices::CfMrg(), nullptr);
  EXPECT_EQ(TBrowserServices::TextLog(), nullptr);

  // The settings part alone, as a program without a browse log has it.
  {
    TProcessServices services;
    EXPECT_NE(TProcessServices::CfMrg(), nullptr);
    EXPECT_EQ(TBrowserServices::TextLog(), nullptr);
  }
  EXPECT_EQ(TProcessServices::CfMrg(), nullptr);
}

TEST(BrowserServices, ABrowseLogThatCannotBeOpenedLeavesNothingInstalled) {
  TTestFolders folders;
  // Today's log file cannot be made: a folder is in its way.
  ASSERT_TRUE(QDir().mkpath(GetBrowseLogPath() + QDate::currentDate().toString("yyyy-MM-dd") + ".txt"));
  EXPECT_THROW(TBrowserServices(), std::runtime_error);
  EXPECT_EQ(TBrowserServices::CfMrg(), nullptr);
  EXPECT_EQ(TBrowserServices::TextLog(), nullptr);
  // Nothing is left behind that would refuse the next owner.
  QDir(GetBrowseLogPath()).removeRecursively();
  TBrowserServices services;
  EXPECT_NE(TBrowserServices::TextLog(), nullptr);
}

}  // namespace
