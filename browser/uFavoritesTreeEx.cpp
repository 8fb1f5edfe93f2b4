#include "browser/uFavoritesTreeEx.h"

#include "browser/uInternetShortcut.h"
#include "common/uPathFunc.h"
#include "controls/uSkin.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidgetItemIterator>

namespace {

// Pictures of "favs.png": closed folder, open folder, favorite.
enum TFavImage { fiFolderClosed = 0, fiFolderOpen = 1, fiFavorite = 2 };
constexpr int ImageSize = 16;
constexpr int KindRole = Qt::UserRole;
const QString UrlExtension = QStringLiteral(".url");
// Changes that come this close after a reported one are read with it (a folder copied in, a
// program writing many files): one reading of the tree for the whole burst.
constexpr int FollowDelayMs = 100;

QIcon FavImage(TFavImage image) {
  static const QImage strip = SkinPicture(QStringLiteral("favs.png")).Image();
  return QIcon(QPixmap::fromImage(strip.copy(image * ImageSize, 0, ImageSize, ImageSize)));
}

}  // namespace

TFavoritesTreeEx::TFavoritesTreeEx(QWidget *parent)
    : QTreeWidget(parent), FPath(IncludeBackslash(GetSpecialFolder(CSIDL_FAVORITES))) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setIconSize(QSize(ImageSize, ImageSize));
  setFrameShape(QFrame::NoFrame);
  setExpandsOnDoubleClick(false);
  FFollowTimer.setSingleShot(true);
  FFollowTimer.setInterval(FollowDelayMs);
  connect(&FFollowTimer, &QTimer::timeout, this, [this] { GuardedCall([this] { FollowFolder(); }); });
  Watch();  // raises for a missing folder, so there is no tree without one
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem *node) { GuardedCall([&] { NodeClick(node); }); });
  connect(this, &QTreeWidget::itemExpanded, this, &TFavoritesTreeEx::UpdateFolderImage);
  connect(this, &QTreeWidget::itemCollapsed, this, &TFavoritesTreeEx::UpdateFolderImage);
  Refresh();
}

TFavoritesTreeEx::~TFavoritesTreeEx() {
  // The watcher ends within one wait step; its report, if one is pending, goes with it.
  delete FFavoritesMonitor.data();
}

void TFavoritesTreeEx::Watch() {
  QPointer<TFavoritesTreeEx> self(this);
  FFavoritesMonitor = new TDirMonitor(FPath, true, [self](QObject *) {
    if (!self)
      return;
    // The watcher ends after this report; the reading after the pause watches anew before it
    // reads, so a change in between is either read or reported.
    self->FFavoritesMonitor.clear();
    self->FFollowTimer.start();
  });
}

void TFavoritesTreeEx::FollowFolder() {
  Refresh();
  if (FOnFavoritesChanged)
    FOnFavoritesChanged(this);
}

void TFavoritesTreeEx::SetOptions(TFavoriteOptions value) {
  if (FOptions == value)
    return;
  FOptions = value;
  Refresh();
}

TFavoriteNodeKind TFavoritesTreeEx::KindOf(const QTreeWidgetItem *aNode) {
  return TFavoriteNodeKind(aNode->data(0, KindRole).toInt());
}

QString TFavoritesTreeEx::GetFilename(const QTreeWidgetItem *aNode) const {
  if (!aNode || KindOf(aNode) == fnkRoot)
    return FPath;
  const QString parent = GetFilename(aNode->parent());
  if (KindOf(aNode) == fnkItem)
    return parent + aNode->text(0) + UrlExtension;
  return parent + aNode->text(0) + "/";
}

QString TFavoritesTreeEx::NodeURL(const QTreeWidgetItem *aNode) const {
  return ReadInternetShortcut(GetFilename(aNode));
}

QTreeWidgetItem *TFavoritesTreeEx::AddNode(QTreeWidgetItem *parent, const QString &text, TFavoriteNodeKind kind) {
  auto *node = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(this, {text});
  node->setData(0, KindRole, int(kind));
  if (kind == fnkItem)
    node->setIcon(0, FavImage(fiFavorite));
  else
    UpdateFolderImage(node);
  if (FOnNodeAdded)
    FOnNodeAdded(this, node, kind);
  return node;
}

void TFavoritesTreeEx::Refresh() {
  QSet<QString> open;
  for (QTreeWidgetItemIterator it(this); *it; ++it)
    if (KindOf(*it) == fnkFolderRead && (*it)->isExpanded())
      open.insert(GetFilename(*it));
  // Watching starts before the reading: a change after it is reported, one before it is read.
  // A folder that has gone is not watched; the next reading looks again.
  if (!Watching() && QFileInfo(FPath).isDir())
    Watch();
  setUpdatesEnabled(false);
  clear();
  QTreeWidgetItem *top = nullptr;
  if (FOptions & foShowRoot) {
    top = AddNode(nullptr, QStringLiteral("Favorites"), fnkRoot);
    top->setExpanded(true);
  }
  RefreshFolder(top);
  ReopenFolders(top, open);
  setUpdatesEnabled(true);
}

void TFavoritesTreeEx::ReopenFolders(QTreeWidgetItem *parent, const QSet<QString> &open) {
  const int count = parent ? parent->childCount() : topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    QTreeWidgetItem *node = parent ? parent->child(i) : topLevelItem(i);
    if (KindOf(node) == fnkFolder && open.contains(GetFilename(node))) {
      RefreshFolder(node);
      node->setExpanded(true);
      ReopenFolders(node, open);
    }
  }
}

void TFavoritesTreeEx::RefreshFolder(QTreeWidgetItem *aFolder) {
  const QDir folder(GetFilename(aFolder));
  // In the order the file system returns them.
  for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted))
    AddNode(aFolder, name, fnkFolder);
  if (FOptions & foShowItems) {
    for (const QString &name : folder.entryList({QStringLiteral("*.url")}, QDir::Files | QDir::Hidden, QDir::Unsorted))
      AddNode(aFolder, name.chopped(UrlExtension.size()), fnkItem);
  }
  if (aFolder && KindOf(aFolder) == fnkFolder)
    aFolder->setData(0, KindRole, int(fnkFolderRead));
}

void TFavoritesTreeEx::NodeClick(QTreeWidgetItem *node) {
  if (!node)
    return;
  const TFavoriteNodeKind kind = KindOf(node);
  const QString path = GetFilename(node);
  const bool vanished = (kind == fnkItem && !QFileInfo(path).isFile()) ||
                        ((kind == fnkFolder || kind == fnkFolderRead) && !QFileInfo(path).isDir());
  if (vanished) {
    delete node;  // a file or folder removed on disk leaves the tree; nothing is opened
    return;
  }
  if (kind == fnkItem) {
    if (FOnNavigate)
      FOnNavigate(this, NodeURL(node));
  } else if (kind == fnkFolder) {
    RefreshFolder(node);
    node->setExpanded(true);
  }
}

void TFavoritesTreeEx::UpdateFolderImage(QTreeWidgetItem *node) {
  if (KindOf(node) != fnkItem)
    node->setIcon(0, FavImage(node->isExpanded() ? fiFolderOpen : fiFolderClosed));
}
