#include "common/uFrmInfos.h"

#include <QWidget>

const std::array<TFrmInfo, 11> FrmInfos = {{
    {QStringLiteral("Sunvale主程序"), 156, 610},
    {QStringLiteral("Sunvale黄牌菜单"), 113, 58},
    {QStringLiteral("Sunvale取消黄牌"), 323, 263},
    {QStringLiteral("查看违约记录"), 560, 349},
    {QStringLiteral("查看取消黄牌的记录"), 404, 263},
    {QStringLiteral("Sunvale-家长管理"), 468, 326},
    {QStringLiteral("Sunvale密码管理"), 247, 236},
    {QStringLiteral("Sunvale-学习资讯"), 530, 367},
    {QStringLiteral("Sunvale迷你程序"), 85, 85},
    {QStringLiteral("Sunvale锁定通信"), 0, 0},
    {QStringLiteral("SunvaleBrowser"), 0, 0},
}};

void ApplyFrmInfo(QWidget *form, const TFrmInfo &info) {
  if (!form)
    return;
  TWindowEndpoint::Of(form);
  form->setWindowTitle(info.sCaption);
  if (info.iWidth > 0)
    form->resize(info.iWidth, form->height());
  if (info.iHeight > 0)
    form->resize(form->width(), info.iHeight);
}

QWidget *ShowOrActivate(const std::function<QWidget *()> &createForm, const TFrmInfo &info) {
  if (auto window = FindWindowByTitle(info.sCaption)) {
    ActivateWindow(*window);
    return nullptr;
  }
  QWidget *form = createForm();
  if (form)
    form->show();
  return form;
}

std::optional<TWindowRef> FindMainWindow() { return FindWindowByTitle(FrmInfos[fiMainWindow].sCaption); }

void PostToTitle(const TFrmInfo &info, uint32_t msg, int64_t wParam, int64_t lParam) {
  if (auto window = FindWindowByTitle(info.sCaption))
    PostWindowMessage(*window, msg, wParam, lParam);
}

int64_t SendToTitle(const TFrmInfo &info, uint32_t msg, int64_t wParam, int64_t lParam) {
  if (auto window = FindWindowByTitle(info.sCaption))
    return SendWindowMessage(*window, msg, wParam, lParam);
  return 0;
}
