#include "browser/uFrmAddFav.h"

#include "common/uPathFunc.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/SpecialFolders.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAddFav::TfrmAddFav(const QString &aName, const QString &aUrl, QWidget *parent)
    : QDialog(parent), edtName(new QLineEdit(aName, this)), btnAdd(new QPushButton(QStringLiteral("添加"), this)),
      btnCancel(new QPushButton(QStringLiteral("取消"), this)), FUrl(aUrl) {
  setWindowTitle(QStringLiteral("添加到收藏夹"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto *layout = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("名称:"), this));
  row->addWidget(edtName);
  layout->addLayout(row);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnAdd);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);
  btnAdd->setDefault(true);
  edtName->selectAll();
  auto updateAdd = [this] { btnAdd->setEnabled(!ShortcutFileName(edtName->text()).isEmpty()); };
  connect(edtName, &QLineEdit::textChanged, this, updateAdd);
  updateAdd();
  connect(btnAdd, &QPushButton::clicked, this, [this] { GuardedCall([this] { btnAddClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmAddFav::btnAddClick() {
  FFileName = WriteInternetShortcut(GetSpecialFolder(CSIDL_FAVORITES), edtName->text(), FUrl);
  accept();
}
