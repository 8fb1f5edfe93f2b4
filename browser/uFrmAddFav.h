#pragma once
// The page's dialog for adding the shown page to the favorites: it asks for the name (preset:
// the page title) and writes an Internet shortcut file into the Favorites folder.
#include "browser/uInternetShortcut.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class TfrmAddFav : public QDialog {
  Q_OBJECT
public:
  TfrmAddFav(const QString &aName, const QString &aUrl, QWidget *parent = nullptr);

  QLineEdit *edtName;
  QPushButton *btnAdd;
  QPushButton *btnCancel;

  // The shortcut file written by the last accepted dialog; empty before.
  const QString &FileName() const { return FFileName; }

private:
  void btnAddClick();

  QString FUrl;
  QString FFileName;
};
