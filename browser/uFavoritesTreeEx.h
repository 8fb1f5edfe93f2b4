#pragma once
// The favorites as a tree: the folders and Internet shortcut files (".url") of the Favorites
// folder, a folder's content read on its first click, a favorite shown by its file name without
// the extension. Clicking a favorite reports its address; an entry gone from the disk is removed
// when clicked. The tree follows the folder: a change on disk (changes close together count as
// one) reads it anew, the open folders staying open, and is then reported. Reads the Favorites
// folder only; writes nothing.
#include "browser/DirMonitor.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

// Which nodes the tree shows.
enum TFavoriteOption { foShowRoot = 1, foShowItems = 2 };
using TFavoriteOptions = int;

// The kind of a node, kept in its data.
enum TFavoriteNodeKind { fnkRoot = 0, fnkItem = 1, fnkFolder = 2, fnkFolderRead = 3 };

class TFavoritesTreeEx : public QTreeWidget {
  Q_OBJECT
public:
  using TNavigateEvent = std::function<void(QObject *Sender, const QString &URL)>;
  using TNodeAddedEvent = std::function<void(QObject *Sender, QTreeWidgetItem *Node, TFavoriteNodeKind Kind)>;
  using TNotifyEvent = std::function<void(QObject *Sender)>;

  // Reads the Favorites folder (the shell's special folder). Raises "Path does not exist" when
  // it does not exist.
  explicit TFavoritesTreeEx(QWidget *parent = nullptr);
  ~TFavoritesTreeEx() override;

  TFavoriteOptions Options() const { return FOptions; }
  // Changing the options reads the tree again.
  void SetOptions(TFavoriteOptions value);
  // The Favorites folder, ending with a separator.
  const QString &Path() const { return FPath; }

  static TFavoriteNodeKind KindOf(const QTreeWidgetItem *aNode);
  // The file or folder a node stands for: the Favorites folder for none or the root node; a
  // favorite's ".url" file; a folder with a trailing separator.
  QString GetFilename(const QTreeWidgetItem *aNode) const;
  // The address stored in a favorite's shortcut file (raises as ReadInternetShortcut does).
  QString NodeURL(const QTreeWidgetItem *aNode) const;

  // Reads the tree anew from the top folder; the folders that were open are read again and stay
  // open. Watches the folder again when the last watch has ended and the folder is there.
  void Refresh();
  // Adds the subfolders (not yet read) and, when shown, the favorites of aFolder (none: the
  // top level); marks a folder node as read.
  void RefreshFolder(QTreeWidgetItem *aFolder);

  void SetOnNavigate(TNavigateEvent handler) { FOnNavigate = std::move(handler); }
  void SetOnNodeAdded(TNodeAddedEvent handler) { FOnNodeAdded = std::move(handler); }
  // Raised after the tree has followed a change on disk.
  void SetOnFavoritesChanged(TNotifyEvent handler) { FOnFavoritesChanged = std::move(handler); }

  // Whether a folder watcher waits for the next change.
  bool Watching() const { return !FFavoritesMonitor.isNull(); }

private:
  // Starts a watcher on the folder; its report (one change) starts FFollowTimer.
  void Watch();
  // Reads the tree anew for the changes seen, then raises FOnFavoritesChanged.
  void FollowFolder();
  // Reads again and opens the folder nodes below parent (none: the top level) whose paths are open.
  void ReopenFolders(QTreeWidgetItem *parent, const QSet<QString> &open);
  QTreeWidgetItem *AddNode(QTreeWidgetItem *parent, const QString &text, TFavoriteNodeKind kind);
  void NodeClick(QTreeWidgetItem *node);
  void UpdateFolderImage(QTreeWidgetItem *node);

  TFavoriteOptions FOptions = foShowRoot | foShowItems;
  QString FPath;
  QPointer<TDirMonitor> FFavoritesMonitor;  // null once it has reported its change
  QTimer FFollowTimer;                      // gathers the changes of a burst into one reading
  TNavigateEvent FOnNavigate;
  TNodeAddedEvent FOnNodeAdded;
  TNotifyEvent FOnFavoritesChanged;
};
