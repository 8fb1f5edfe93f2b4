#include "browser/uFavoritesTreeEx.h"

#include "browser/uInternetShortcut.h"
#include "common/uPathFunc.h"
#include "controls/uSkin.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>

namespace {

// Pictures of "favs.png": closed folder, open folder, favorite.
enum TFavImage { fiFolderClosed = 0, fiFolderOpen = 1, fiFavorite = 2 };
constexpr int ImageSize = 16;
constexpr int KindRole = Qt::UserRole;
const QString UrlExtension = QStringLiteral(".url");

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
  QPointer<TFavoritesTreeEx> self(this);
  FFavoritesMonitor = new TDirMonitor(FPath, true, [self](QObject *) {
    if (self && self->FOnFavoritesChanged)
      self->FOnFavoritesChanged(self);
  });
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
  setUpdatesEnabled(false);
  clear();
  QTreeWidgetItem *top = nullptr;
  if (FOptions & foShowRoot) {
    top = AddNode(nullptr, QStringLiteral("Favorites"), fnkRoot);
    top->setExpanded(true);
  }
  RefreshFolder(top);
  setUpdatesEnabled(true);
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
