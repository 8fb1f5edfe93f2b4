#include "manage/uFrmAddApp.h"

#include "controls/uFieldNames.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkinLook.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
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
  NameFields({{lblApp, "lblApp"}, {edtApp, "edtApp"}, {btnSelect, "btnSelect"}});
  connect(btnSelect, &TPngButton::clicked, this, Guarded([this] { btnSelectClick(); }));
}

bool TFrmAddApp::FieldReady() {
  if (!edtApp->text().trimmed().isEmpty())
    return true;
  edtApp->setFocus();
  return false;
}

void TFrmAddApp::btnSelectClick() {
  QFileDialog dialog(this, QStringLiteral("选择应用程序"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The filter looks at the execute bit, which only the dialog's own file view can do.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(QStringLiteral("应用程序 (*)"));
  dialog.setProxyModel(new TProgramFilter(&dialog));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    edtApp->setText(dialog.selectedFiles().constFirst());
}

bool ShowAddApp(QString &app, std::vector<TDtData> &windows) {
  auto dialog = std::make_unique<TFrmAddApp>();
  if (dialog->exec() != QDialog::Accepted)
    return false;
  app = dialog->edtApp->text().trimmed();
  windows = dialog->dtm1->Selecteds();
  return true;
}
