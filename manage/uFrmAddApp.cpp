#include "manage/uFrmAddApp.h"

#include "controls/uFieldNames.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkinLook.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <memory>

namespace {

// Leaves in the file dialog only folders and what IsProgramFile accepts.
class TProgramFilter : public QSortFilterProxyModel {
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
    auto *model = qobject_cast<QFileSystemModel *>(sourceModel());
    if (!model)
      return true;
    const QFileInfo info = model->fileInfo(model->index(row, 0, parent));
    return info.isDir() || IsProgramFile(info);
  }
};

}  // namespace

bool IsProgramFile(const QFileInfo &info) {
  if (!info.isFile())
    return false;
  return info.isExecutable() || info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
}

TFrmAddApp::TFrmAddApp()
    : TFrmAddRule(QStringLiteral("添加应用程序"), QStringLiteral("添加限制程序"), QRect(8, 116, 635, 140), 521) {
  SetPosition(TFormPosition::ScreenCenter);
  lblApp = NewLabel(pnlxBg, QStringLiteral("应用程序："), {24, 48}, SkinFont(QStringLiteral("Tahoma"), 12), Qt::white);
  edtApp = new QLineEdit(pnlxBg);
  edtApp->setGeometry(108, 48, 453, 21);
  btnSelect = SkinButton(pnlxBg, QStringLiteral("btn42x21.png"), {585, 48, 42, 21}, QStringLiteral("选择"),
                         SkinFont(QStringLiteral("Tahoma"), 12));
  lblTarget = NewLabel(pnlxBg, QString(), {108, 71}, SkinFont(QStringLiteral("Tahoma"), 11), Qt::white);
  lblTarget->setFixedWidth(519);
  NameFields({{lblApp, "lblApp"}, {edtApp, "edtApp"}, {btnSelect, "btnSelect"}, {lblTarget, "lblTarget"}});
  connect(btnSelect, &TPngButton::clicked, this, Guarded([this] { btnSelectClick(); }));
  connect(edtApp, &QLineEdit::textChanged, this, Guarded([this](const QString &) { edtAppChange(); }));
}

QString TFrmAddApp::PickerFolder() {
  // The system's folder of the desktop's programs (usually /usr/share/applications), where every
  // installed program has its launcher; the user's own folder holds only a few.
  const QString own = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
  for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
    if (folder != own && QFileInfo(folder).isDir())
      return folder;
  return QFileInfo(own).isDir() ? own : QStringLiteral("/usr/bin");
}

void TFrmAddApp::edtAppChange() {
  FTarget = ResolveLimitTarget(edtApp->text());
  const bool empty = edtApp->text().trimmed().isEmpty();
  lblTarget->setText(empty                      ? QString()
                     : FTarget.sError.isEmpty() ? QStringLiteral("将限制：") + DescribeLimitTarget(FTarget)
                                                : FTarget.sError);
  lblTarget->setToolTip(lblTarget->text());
  SetTextColor(lblTarget, FTarget.sError.isEmpty() ? QColor(Qt::white) : QColor(255, 220, 90));
}

bool TFrmAddApp::FieldReady() {
  if (edtApp->text().trimmed().isEmpty()) {
    edtApp->setFocus();
    return false;
  }
  // Read again: the file may have changed since it was typed.
  edtAppChange();
  if (FTarget.sError.isEmpty())
    return true;
  edtApp->setFocus();
  Raise(FTarget.sError);
}

void TFrmAddApp::btnSelectClick() {
  QFileDialog dialog(this, QStringLiteral("选择应用程序"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The filter looks at the execute bit, which only the dialog's own file view can do.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(QStringLiteral("应用程序 (*)"));
  dialog.setProxyModel(new TProgramFilter(&dialog));
  dialog.setDirectory(PickerFolder());
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    edtApp->setText(dialog.selectedFiles().constFirst());
}

bool ShowAddApp(QString &app, std::vector<TDtData> &windows) {
  auto dialog = std::make_unique<TFrmAddApp>();
  if (dialog->exec() != QDialog::Accepted)
    return false;
  app = dialog->Target().sPath;
  windows = dialog->dtm1->Selecteds();
  return true;
}
