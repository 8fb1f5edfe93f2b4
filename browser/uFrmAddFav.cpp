#include "browser/uFrmAddFav.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

// Characters a favorite's file name cannot hold on any of the systems that share favorites.
QString FileNameOf(const QString &name) {
  QString result;
  for (QChar c : name.trimmed())
    result += (c < QChar(' ') || QStringLiteral("\\/:*?\"<>|").contains(c)) ? QChar('_') : c;
  return result;
}

}  // namespace

QString WriteInternetShortcut(const QString &aFolder, const QString &aName, const QString &aUrl) {
  if (!QDir().mkpath(aFolder))
    Raise("无法创建目录:" + aFolder);
  const QString base = IncludeBackslash(aFolder) + FileNameOf(aName);
  QString path = base + QStringLiteral(".url");
  for (int n = 2; QFile::exists(path); ++n)
    path = base + QStringLiteral(" (%1).url").arg(n);
  QFile file(path);
  // NewOnly: a shortcut made by someone else meanwhile is never overwritten.
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    Raise("无法创建文件:" + path);
  // The address is written fully encoded, so the file is plain ASCII for every reader.
  const QByteArray body = "[InternetShortcut]\r\nURL=" + QUrl(aUrl).toEncoded() + "\r\n";
  if (file.write(body) != body.size() || !file.flush())
    Raise("无法创建文件:" + path);
  return path;
}

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
  auto updateAdd = [this] { btnAdd->setEnabled(!FileNameOf(edtName->text()).isEmpty()); };
  connect(edtName, &QLineEdit::textChanged, this, updateAdd);
  updateAdd();
  connect(btnAdd, &QPushButton::clicked, this, [this] { GuardedCall([this] { btnAddClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmAddFav::btnAddClick() {
  FFileName = WriteInternetShortcut(GetSpecialFolder(CSIDL_FAVORITES), edtName->text(), FUrl);
  accept();
}
