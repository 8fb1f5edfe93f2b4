// The windows of the yellow-card library: the menu, the history with ticked rows, the cancel
// window at every count and the cancel records. They read a registry and a card database of
// their own in a temporary folder.
#include "tools/gallery/Gallery.h"

#include "datastore/uCancelRecordsDao.h"
#include "cards/uFrmCardCancel.h"
#include "cards/uFrmCardCancelRecord.h"
#include "cards/uFrmCardHistoryRecord.h"
#include "cards/uFrmCardMenu.h"
#include "datastore/uHistoryRecordsDao.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "controls/uMemoEx.h"
#include "controls/uPngButton.h"
#include "datastore/uDBMrgFactory.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

template <class TForm, class TPrepare> void Shot(const QString &name, TPrepare prepare) {
  auto *form = new TForm;
  form->show();
  prepare(*form);
  QApplication::processEvents();  // lists lay out their lines on the next round of events
  Save(name, Render(*form));
  form->close();
}

void CardWindows() {
  QTemporaryDir folder;
  qputenv("PEMBLO_REGISTRY", folder.filePath("registry").toUtf8());
  qputenv("PEMBLO_COMMON_APPDATA", folder.filePath("appdata").toUtf8());
  TDBMrgFactory::ReleaseAll();

  Shot<TFrmCardMenu>("cards_menu", [](TFrmCardMenu &) {});

  THistoryRecordsDao history;
  const char *items[][2] = {{"2011年07月22日 10时09分", "违约使用了QQ"},
                            {"2011年07月22日 15时40分", "访问了黑名单网站 www.example.com"},
                            {"2011年07月23日 09时12分", "超时使用了游戏"},
                            {"2011年07月24日 20时05分", "违约使用了QQ"}};
  for (const auto &item : items) {
    THistoryRecords record{0, QString::fromUtf8(item[0]), QString::fromUtf8(item[1])};
    history.Insert(&record);
  }
  Shot<TFrmCardHistoryRecord>("cards_history", [](TFrmCardHistoryRecord &w) {
    w.chklstMain->item(1)->setCheckState(Qt::Checked);
    w.chklstMain->item(3)->setCheckState(Qt::Checked);
  });

  for (int count = 0; count <= 3; ++count) {
    RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(count));
    Shot<TFrmCardCancel>(QStringLiteral("cards_cancel_%1").arg(count), [count](TFrmCardCancel &w) {
      if (count < 3)
        return;
      emit w.imgUp->clicked();  // two chosen, with a reason
      emit w.imgUp->clicked();
      w.mmoCause->setPlainText(QStringLiteral("这周表现很好，取消两张黄牌。"));
    });
  }

  TCancelRecordsDao cancels;
  for (const char *cause : {"这周表现很好", "作业按时完成了"}) {
    TCancelRecordModel record{0, QStringLiteral("2011年07月16日"), QString::fromUtf8(cause)};
    cancels.Insert(&record);
  }
  Shot<TFrmCardCancelRecord>("cards_cancelrecords", [](TFrmCardCancelRecord &) {});
  TDBMrgFactory::ReleaseAll();
}

const TGalleryPageRegistration Registration("cards", CardWindows);

}  // namespace
