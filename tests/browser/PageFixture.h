#pragma once
// What the page tests share: a main window that records the reports of its pages and opens
// new tabs the way the browser's main window does, the settings manager and browse log of the
// process, and a server of test pages.
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "common/uAppcf.h"
#include "common/uPageScreen.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

struct TReport {
  QString method;
  int32_t tabIndex;
  QString text;
  bool operator==(const TReport &) const = default;
};
void PrintTo(const TReport &r, std::ostream *os);

// Records every report; INewPage appends a tab with its page and navigates it, as the browser's
// main window does for a new tab.
class TRecordingMain : public IChildToMain {
public:
  TRecordingMain(TSubjectChild &subject, QWidget &panel) : FSubject(subject), FPanel(panel) {}

  void ISetTabCaption(int32_t i, const QString &s) override { Reports.push_back({"ISetTabCaption", i, s}); }
  void ISimpleText(int32_t i, const QString &s) override { Reports.push_back({"ISimpleText", i, s}); }
  int32_t INewPage(const QString &AUrl, bool aAddTab) override;
  void ISetBackState(int32_t i, bool b) override { Reports.push_back({"ISetBackState", i, Bool(b)}); }
  void ISetForwadState(int32_t i, bool b) override { Reports.push_back({"ISetForwadState", i, Bool(b)}); }
  void ISetStopState(int32_t i, bool b) override { Reports.push_back({"ISetStopState", i, Bool(b)}); }
  void ISetAddressText(int32_t i, const QString &s) override { Reports.push_back({"ISetAddressText", i, s}); }

  // Opens a page at the next index, navigated to url (logged, as every new tab is).
  TfrmChild *AddPage(const QString &url);
  // The reports of one method, in order.
  std::vector<TReport> Of(const QString &method) const;

  std::vector<TReport> Reports;
  QStringList NewPages;

private:
  static QString Bool(bool b) { return b ? "true" : "false"; }
  TSubjectChild &FSubject;
  QWidget &FPanel;
};

// Runs a script in the page's own world and returns its answer.
QVariant Eval(TfrmChild *page, const QString &script);

class PageTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Waits for the page's next completed top-level load after action.
  static void WaitLoaded(TfrmChild *page, const std::function<void()> &action);
  // Loads path into page through the registry and waits for the filter's decision (or, with
  // the filter off, for the completed load).
  void Open(TfrmChild *page, int32_t index, const QString &path);
  QStringList LogLines() const;

  TTestFolders Folders;
  TTestHttpServer Server;
  std::unique_ptr<TBrowserServices> Services;
  QWidget Panel;
  std::unique_ptr<TSubjectChild> Subject;
  std::unique_ptr<TRecordingMain> Main;
};
