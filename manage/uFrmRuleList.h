#pragma once
// What the two rule pages of the management window share: a 330 x 234 page (a form embedded
// into the window) with a description, a field label, the list of stored rules, one line per
// row carrying the row's key, and the buttons "添加" and "删除". The subclass reads, adds and
// deletes the rows of its table; each action uses a data-access object of its own.
#include <QWidget>

class QLabel;
class QListWidget;
class TPngButton;

class TFrmRuleList : public QWidget {
  Q_OBJECT
public:
  QLabel *lblDesc;
  QLabel *lblField;
  QListWidget *lstRules;
  TPngButton *btnAdd;
  TPngButton *btnDel;

  // The key carried by list line `row`.
  int KeyOf(int row) const;

protected:
  TFrmRuleList(QWidget *owner, const QString &title, const QString &desc, int descPixels, const QString &field,
               const QColor &background);

  // A row with a problem (one that whoever enforces the rules cannot read) shows it after its
  // text, marked, so the parent sees what the host's notice says.
  void AddLine(const QString &text, int key, const QString &problem = QString());

  // Appends one line per stored row, in table order.
  virtual void LoadRows() = 0;
  // Asks for a new rule and stores it; appends its line when stored.
  virtual void AddRow() = 0;
  // Deletes the row with this key.
  virtual void DeleteRow(int key) = 0;

  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void btnDelClick();
};
