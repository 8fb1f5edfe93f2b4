// The favorites: Internet shortcut files as other browsers and the add-favorite dialog write
// them, the tree of the Favorites folder (names, lazy folders, pictures, entries gone from the
// disk), the folder watcher and the panel.
#include "browser/DirMonitor.h"
#include "browser/uFavoritesTreeEx.h"
#include "browser/uFavs.h"
#include "browser/uFrmAddFav.h"
#include "browser/uInternetShortcut.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "platform/cp936/CodePage936Qt.h"
#include "platform/errors/Errors.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString Text(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

void WriteFile(const QString &path, const QByteArray &content) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
}

QByteArray Shortcut(const QByteArray &url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; }

TEST(InternetShortcut, ReadsTheAddressAsTheFormatAllowsIt) {
  TTestFolders folders;
  const struct {
    const char *sName;
    QByteArray content;
    QString sUrl;
  } cases[] = {
      {"CR LF", "[InternetShortcut]\r\nURL=http://a.example/x\r\n", "http://a.example/x"},
      {"LF, no final break", "[InternetShortcut]\nURL=http://a.example/y", "http://a.example/y"},
      {"UTF-8 mark", "\xEF\xBB\xBF[InternetShortcut]\r\nURL=http://a.example/z\r\n", "http://a.example/z"},
      {"other sections around",
       "[DEFAULT]\r\nBASEURL=http://wrong.example/\r\nURL=http://wrong.example/\r\n[InternetShortcut]\r\n"
       "IDList=\r\nURL=http://right.example/"
       "\r\nIconIndex=1\r\n[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n",
       "http://right.example/"},
      {"letter case and blanks", "[internetshortcut]\n url = http://a.example/c \n", "http://a.example/c"},
      {"code page 936", "[InternetShortcut]\r\nURL=http://a.example/" + ToCp936("中文") + "\r\n",
       "http://a.example/中文"},
      {"UTF-8 without mark", "[InternetShortcut]\nURL=http://a.example/中文\n", "http://a.example/中文"},
      {"UTF-16 with mark",
       QByteArray("\xFF\xFE", 2) +
           QByteArray(reinterpret_cast<const char *>(u"[InternetShortcut]\r\nURL=http://u.example/\r\n"), 44 * 2),
       "http://u.example/"},
  };
  for (const auto &c : cases) {
    const QString path = Text(folders.Favorites() / "c.url");
    WriteFile(path, c.content);
    EXPECT_EQ(ReadInternetShortcut(path), c.sUrl) << c.sName;
  }

  const QString noUrl = Text(folders.Favorites() / "nourl.url");
  WriteFile(noUrl, "[Other]\r\nURL=http://a.example/\r\n[InternetShortcut]\r\nURL=\r\n");
  try {
    ReadInternetShortcut(noUrl);
    ADD_FAILURE() << "no address read";
  } catch (const EPembloError &e) {
    EXPECT_EQ(e.Text(), "无效的Internet快捷方式:" + noUrl);
  }
  const QString missing = Text(folders.Favorites() / "missing.url");
  try {
    ReadInternetShortcut(missing);
    ADD_FAILURE() << "a missing file read";
  } catch (const EPembloError &e) {
    EXPECT_EQ(e.Text(), "文件:" + missing + "不存在!");
  }
}

// The Favorites folder of a test: Example.url and a subfolder with one favorite of its own.
class FavoritesTreeTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteFile(Path("Example.url"), Shortcut("http://example.test/"));
    WriteFile(Path("notes.txt"), "not a favorite");
    WriteFile(Path("Sub/Inner.url"), Shortcut("http://inner.test/"));
    WriteFile(Path("Sub/Deeper/Deepest.url"), Shortcut("http://deepest.test/"));
  }

  QString Path(const QString &relative) const { return Text(folders.Favorites()) + "/" + relative; }

  std::unique_ptr<TFavoritesTreeEx> MakeTree(TFavoriteOptions options = foShowItems) {
    auto tree = std::make_unique<TFavoritesTreeEx>();
    tree->SetOptions(options);
    tree->SetOnNavigate([this](QObject *, const QString &url) { navigated << url; });
    tree->resize(193, 400);
    tree->show();
    return tree;
  }

  static QTreeWidgetItem *Child(QTreeWidget *tree, QTreeWidgetItem *parent, const QString &text) {
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
      QTreeWidgetItem *item = parent ? parent->child(i) : tree->topLevelItem(i);
      if (item->text(0) == text)
        return item;
    }
    return nullptr;
  }

  static QStringList Names(QTreeWidget *tree, QTreeWidgetItem *parent) {
    QStringList names;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i)
      names << (parent ? parent->child(i) : tree->topLevelItem(i))->text(0);
    names.sort();
    return names;
  }

  static void Click(QTreeWidget *tree, QTreeWidgetItem *item) {
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
  }

  static QImage Picture(int index) { return SkinPicture("favs.png").Image().copy(index * 16, 0, 16, 16); }
  static QImage Shown(QTreeWidgetItem *item) {
    return item->icon(0).pixmap(16, 16).toImage().convertToFormat(Picture(0).format());
  }

  TTestFolders folders;
  QStringList navigated;
};

TEST_F(FavoritesTreeTest, ShowsFavoritesWithoutExtensionAndReadsFoldersOnFirstClick) {
  auto tree = MakeTree();
  EXPECT_EQ(Names(tree.get(), nullptr), QStringList({"Example", "Sub"}));
  QTreeWidgetItem *example = Child(tree.get(), nullptr, "Example");
  QTreeWidgetItem *sub = Child(tree.get(), nullptr, "Sub");
  ASSERT_TRUE(example && sub);
  EXPECT_EQ(TFavoritesTreeEx::KindOf(example), fnkItem);
  EXPECT_EQ(TFavoritesTreeEx::KindOf(sub), fnkFolder);
  EXPECT_EQ(tree->GetFilename(example), Path("Example.url"));
  EXPECT_EQ(tree->GetFilename(sub), Path("Sub/"));
  EXPECT_EQ(tree->GetFilename(nullptr), Path(""));
  EXPECT_EQ(Shown(example), Picture(2));
  EXPECT_EQ(Shown(sub), Picture(0));
  EXPECT_EQ(sub->childCount(), 0) << "a folder is read on its first click";

  Click(tree.get(), sub);
  EXPECT_EQ(TFavoritesTreeEx::KindOf(sub), fnkFolderRead);
  EXPECT_TRUE(sub->isExpanded());
  EXPECT_EQ(Shown(sub), Picture(1));
  EXPECT_EQ(Names(tree.get(), sub), QStringList({"Deeper", "Inner"}));
  QTreeWidgetItem *deeper = Child(tree.get(), sub, "Deeper");
  EXPECT_EQ(deeper->childCount(), 0);
  EXPECT_EQ(tree->GetFilename(Child(tree.get(), sub, "Inner")), Path("Sub/Inner.url"));

  // A second click reads nothing twice.
  Click(tree.get(), sub);
  EXPECT_EQ(sub->childCount(), 2);
  sub->setExpanded(false);
  EXPECT_EQ(Shown(sub), Picture(0));
  EXPECT_TRUE(navigated.isEmpty());

  // With a root node, everything hangs below "Favorites", which stands for the folder itself.
  tree->SetOptions(foShowRoot | foShowItems);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem *root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Favorites");
  EXPECT_EQ(TFavoritesTreeEx::KindOf(root), fnkRoot);
  EXPECT_EQ(tree->GetFilename(Child(tree.get(), root, "Example")), Path("Example.url"));
  // Without favorites shown, only folders.
  tree->SetOptions(0);
  EXPECT_EQ(Names(tree.get(), nullptr), QStringList({"Sub"}));
}

TEST_F(FavoritesTreeTest, ClickingAFavoriteReportsItsAddress) {
  auto tree = MakeTree();
  Click(tree.get(), Child(tree.get(), nullptr, "Example"));
  Click(tree.get(), Child(tree.get(), nullptr, "Sub"));
  Click(tree.get(), Child(tree.get(), Child(tree.get(), nullptr, "Sub"), "Inner"));
  EXPECT_EQ(navigated, QStringList({"http://example.test/", "http://inner.test/"}));
}

TEST_F(FavoritesTreeTest, EntriesGoneFromTheDiskLeaveTheTreeWhenClickedAndOpenNothing) {
  auto tree = MakeTree();
  Click(tree.get(), Child(tree.get(), nullptr, "Sub"));
  ASSERT_TRUE(QFile::remove(Path("Example.url")));
  ASSERT_TRUE(QDir(Path("Sub/Deeper")).removeRecursively());

  Click(tree.get(), Child(tree.get(), nullptr, "Example"));
  EXPECT_EQ(Child(tree.get(), nullptr, "Example"), nullptr);
  QTreeWidgetItem *sub = Child(tree.get(), nullptr, "Sub");
  Click(tree.get(), Child(tree.get(), sub, "Deeper"));
  EXPECT_EQ(Names(tree.get(), sub), QStringList({"Inner"}));
  // A whole folder that went takes its read children along.
  ASSERT_TRUE(QDir(Path("Sub")).removeRecursively());
  Click(tree.get(), sub);
  EXPECT_EQ(Names(tree.get(), nullptr), QStringList());
  EXPECT_TRUE(navigated.isEmpty());
}

TEST_F(FavoritesTreeTest, AFavoriteSavedByTheAddDialogOpensTheSameAddress) {
  const QString address = QStringLiteral("http://127.0.0.1:8080/路径/a b?q=中文&x=1#top");
  TfrmAddFav dialog("Page", address);
  dialog.edtName->setText("我的 页面");
  dialog.btnAdd->click();
  ASSERT_EQ(dialog.FileName(), Path("我的 页面.url"));

  auto tree = MakeTree();
  QTreeWidgetItem *item = Child(tree.get(), nullptr, "我的 页面");
  ASSERT_NE(item, nullptr);
  Click(tree.get(), item);
  ASSERT_EQ(navigated.size(), 1);
  EXPECT_EQ(QUrl(navigated.front()), QUrl(address));
}

TEST_F(FavoritesTreeTest, FollowsEveryChangeOnDiskWithOpenFoldersKeptOpen) {
  auto tree = MakeTree();
  int reports = 0;
  tree->SetOnFavoritesChanged([&](QObject *sender) {
    EXPECT_EQ(sender, tree.get());
    ++reports;
  });
  Click(tree.get(), Child(tree.get(), nullptr, "Sub"));
  const struct {
    const char *sWhat;
    std::function<void()> change;
    QStringList top;
    QStringList sub;  // the open folder "Sub"
  } cases[] = {
      {"a favorite added",
       [&] { WriteFile(Path("Another.url"), Shortcut("http://another.test/")); },
       {"Another", "Example", "Sub"},
       {"Deeper", "Inner"}},
      {"one added in the open folder",
       [&] { WriteFile(Path("Sub/Second.url"), Shortcut("http://second.test/")); },
       {"Another", "Example", "Sub"},
       {"Deeper", "Inner", "Second"}},
      {"one removed", [&] { QFile::remove(Path("Example.url")); }, {"Another", "Sub"}, {"Deeper", "Inner", "Second"}},
      {"one renamed",
       [&] { QFile::rename(Path("Another.url"), Path("Renamed.url")); },
       {"Renamed", "Sub"},
       {"Deeper", "Inner", "Second"}},
      {"a folder added", [&] { QDir().mkpath(Path("New")); }, {"New", "Renamed", "Sub"}, {"Deeper", "Inner", "Second"}},
      {"a change deep in a folder not read yet",
       [&] { WriteFile(Path("Sub/Deeper/Deepest2.url"), Shortcut("http://d.test/")); },
       {"New", "Renamed", "Sub"},
       {"Deeper", "Inner", "Second"}},
      {"one in the folder added after the tree was made",
       [&] { WriteFile(Path("New/Inside.url"), Shortcut("http://inside.test/")); },
       {"New", "Renamed", "Sub"},
       {"Deeper", "Inner", "Second"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sWhat);
    const int before = reports;
    c.change();
    ASSERT_TRUE(WaitUntil([&] { return reports > before; }, 5000)) << "the change is reported";
    QTreeWidgetItem *sub = Child(tree.get(), nullptr, "Sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(Names(tree.get(), nullptr), c.top);
    EXPECT_TRUE(sub->isExpanded()) << "an open folder stays open";
    EXPECT_EQ(Names(tree.get(), sub), c.sub);
    EXPECT_TRUE(tree->Watching());
  }
  // A folder changing many times in a row: the tree ends with all of it and goes on following.
  for (int i = 0; i < 300; ++i)
    WriteFile(Path(QStringLiteral("Many %1.url").arg(i)), Shortcut("http://many.test/"));
  EXPECT_TRUE(WaitUntil([&] { return tree->topLevelItemCount() == 303; }, 10000));
  WriteFile(Path("Last.url"), Shortcut("http://last.test/"));
  EXPECT_TRUE(WaitUntil([&] { return Child(tree.get(), nullptr, "Last") != nullptr; }, 5000));
  EXPECT_TRUE(navigated.isEmpty());
}

TEST(DirMonitor, RefusesAMissingFolderOrCallback) {
  TTestFolders folders;
  const struct {
    QString sPath;
    bool bCallback;
    QString sError;
  } cases[] = {
      {Text(folders.Root() / "none"), true, "Path does not exist"},
      {Text(folders.Favorites()), false, "No callback has been set"},
  };
  for (const auto &c : cases) {
    try {
      new TDirMonitor(c.sPath, true, c.bCallback ? TDirMonitor::TNotifyEvent([](QObject *) {}) : nullptr);
      ADD_FAILURE() << "started on " << c.sPath.toStdString();
    } catch (const EPembloError &e) {
      EXPECT_EQ(e.Text(), c.sError);
    }
  }
}

TEST(DirMonitor, WithoutSubfoldersOnlyTheFolderItselfCounts) {
  TTestFolders folders;
  const QString root = Text(folders.Favorites());
  WriteFile(root + "/Sub/a.url", Shortcut("http://a.test/"));
  int reports = 0;
  QPointer<TDirMonitor> monitor = new TDirMonitor(root, false, [&](QObject *) { ++reports; });
  WriteFile(root + "/Sub/b.url", Shortcut("http://b.test/"));
  WaitUntil([] { return false; }, 300);
  EXPECT_EQ(reports, 0);
  WriteFile(root + "/c.url", Shortcut("http://c.test/"));
  ASSERT_TRUE(WaitUntil([&] { return reports == 1 && monitor.isNull(); }, 5000)) << "it frees itself when done";
}

TEST(FavoritesPanel, CreatesAMissingFavoritesFolderAndHidesOnClose) {
  TTestFolders folders;
  std::filesystem::remove_all(folders.Favorites());
  QWidget owner;
  owner.resize(600, 400);
  auto *panel = new TfrmFavs(nullptr, &owner);
  owner.show();
  EXPECT_TRUE(QFileInfo(Text(folders.Favorites())).isDir());
  EXPECT_EQ(panel->width(), 193);
  EXPECT_EQ(panel->fvrtstrx1->Options(), foShowItems);
  EXPECT_EQ(panel->btnClose->size(), QSize(11, 11));
  EXPECT_EQ(panel->btnClose->toolTip(), "关闭");
  ASSERT_TRUE(panel->isVisible());
  QTest::mouseClick(panel->btnClose, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(panel->isVisible());
}

TEST(FavoritesPanel, AFavoritesFolderRemovedAndMadeAgainIsFollowedOnceThePanelIsShownAgain) {
  TTestFolders folders;
  const QString root = Text(folders.Favorites());
  QWidget owner;
  owner.resize(600, 400);
  auto *panel = new TfrmFavs(nullptr, &owner);
  owner.show();
  TFavoritesTreeEx *tree = panel->fvrtstrx1;
  WriteFile(root + "/Old.url", Shortcut("http://old.test/"));
  ASSERT_TRUE(WaitUntil([&] { return tree->findItems("Old", Qt::MatchExactly).size() == 1; }, 5000));

  std::filesystem::remove_all(folders.Favorites());
  ASSERT_TRUE(WaitUntil([&] { return tree->topLevelItemCount() == 0; }, 5000));
  EXPECT_FALSE(tree->Watching()) << "nothing there to watch";
  WriteFile(root + "/Back.url", Shortcut("http://back.test/"));
  QTest::mouseClick(panel->btnClose, Qt::LeftButton, {}, QPoint(5, 5));
  panel->show();
  EXPECT_EQ(tree->findItems("Back", Qt::MatchExactly).size(), 1);
  EXPECT_TRUE(tree->Watching());
  WriteFile(root + "/Next.url", Shortcut("http://next.test/"));
  EXPECT_TRUE(WaitUntil([&] { return tree->findItems("Next", Qt::MatchExactly).size() == 1; }, 5000));
}

}  // namespace
