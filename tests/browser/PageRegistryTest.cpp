// The page registry and its locked owning list.
#include "tests/browser/PageFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// An element that counts its releases.
struct TCounted {
  explicit TCounted(int &released) : FReleased(released) {}
  ~TCounted() { ++FReleased; }
  int &FReleased;
};

}  // namespace

TEST(SafedObjectList, RemovingReleasesExtractingDoesNotAndBadIndicesRaise) {
  int released = 0;
  auto *a = new TCounted(released);
  auto *b = new TCounted(released);
  auto *c = new TCounted(released);
  TCounted outsider(released);
  {
    TSafedObjectList<TCounted> list;
    EXPECT_EQ(list.Add(a), 0);
    EXPECT_EQ(list.Add(c), 1);
    list.Insert(1, b);
    EXPECT_EQ(list.First(), a);
    EXPECT_EQ(list.Last(), c);
    EXPECT_EQ(list.IndexOf(b), 1);
    EXPECT_EQ(list.IndexOf(&outsider), -1);
    EXPECT_EQ(list.Remove(&outsider), -1);
    EXPECT_EQ(released, 0);

    EXPECT_EQ(list.Extract(a), a);
    EXPECT_EQ(released, 0);
    EXPECT_EQ(list.Remove(b), 0);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(list.Count(), 1);

    for (int index : {-1, 1, 5}) {
      try {
        list.Items(index);
        ADD_FAILURE() << "index " << index << " was read";
      } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Argument out of range");
      }
    }
    EXPECT_THROW(list.Insert(3, a), EArgumentOutOfRange);
  }
  // The list's release took c; a was extracted and stays the caller's.
  EXPECT_EQ(released, 2);
  delete a;
}

TEST_F(PageTest, ClosedPageMovesTheOthersDownAndTheyLearnTheirIndexWhenAddressed) {
  Server.Route("/p.html", "<html><head><title>P</title></head><body>p</body></html>");
  std::vector<QPointer<TfrmChild>> pages;
  for (int i = 0; i < 4; ++i)
    pages.emplace_back(new TfrmChild(Subject.get(), i, QString("page%1").arg(i), Main.get(), &Panel));
  ASSERT_EQ(Subject->Count(), 4);

  Subject->Close(1);
  // The page goes once the command that closed it is over.
  EXPECT_FALSE(pages[1].isNull());
  EXPECT_EQ(Subject->Count(), 3);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(pages[1].isNull());
  EXPECT_EQ(Subject->Items(1), pages[2].data());
  EXPECT_EQ(Subject->Items(2), pages[3].data());

  // Brought to the front, the page now at 1 reports under 1 at once, in the designed order.
  Main->Reports.clear();
  Subject->BringToFront(1);
  EXPECT_EQ(Main->Reports, (std::vector<TReport>{{"ISetTabCaption", 1, "page2"},
                                                 {"ISetBackState", 1, "false"},
                                                 {"ISetForwadState", 1, "false"},
                                                 {"ISetStopState", 1, "false"},
                                                 {"ISimpleText", 1, ""},
                                                 {"ISetAddressText", 1, "page2"}}));

  // The page now at 2 reports its own events under 3 until the registry addresses it.
  Main->Reports.clear();
  WaitLoaded(pages[3], [&] { pages[3]->WebBrowser()->Navigate(Server.Url("/p.html").toString()); });
  ASSERT_FALSE(Main->Of("ISetAddressText").empty());
  EXPECT_EQ(Main->Of("ISetAddressText").back().tabIndex, 3);
  Main->Reports.clear();
  WaitLoaded(pages[3], [&] { Subject->Refresh(2); });
  ASSERT_FALSE(Main->Of("ISetAddressText").empty());
  EXPECT_EQ(Main->Of("ISetAddressText").back().tabIndex, 2);
}

TEST_F(PageTest, RegistryIgnoresUnknownPagesRaisesOnBadIndicesAndReleasesItsPages) {
  std::vector<QPointer<TfrmChild>> pages;
  for (int i = 0; i < 2; ++i)
    pages.emplace_back(new TfrmChild(Subject.get(), i, QString("page%1").arg(i), Main.get(), &Panel));

  QObject stranger;
  EXPECT_NO_THROW(Subject->Detach(&stranger));
  EXPECT_EQ(Subject->Count(), 2);

  EXPECT_THROW(Subject->Navigate(2, "x"), EArgumentOutOfRange);
  EXPECT_THROW(Subject->Close(-1), EArgumentOutOfRange);
  EXPECT_TRUE(LogLines().isEmpty());

  // AddFav and Close leave the index as it is; the other commands set it.
  pages[1]->IUpdateIndex(Subject.get(), 7);
  Subject->AddFav(1);
  EXPECT_EQ(pages[1]->PageIndex(), 7);
  Subject->Stop(1);
  EXPECT_EQ(pages[1]->PageIndex(), 1);
  EXPECT_EQ(Subject->GetDefaultDispatch(1), pages[1]->WebBrowser());

  Subject.reset();
  for (const auto &page : pages)
    EXPECT_TRUE(page.isNull());
}
