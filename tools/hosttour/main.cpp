// pemblo-tour: the main job's walk through the whole suite on a screen without a person: it
// starts the host's main window with the application centre, then opens each window in turn
// (password, management with each section, card menu, violation history, card cancelling, a
// group of the centre, the browser on its home page, the learning news, the lock screen of the
// fourth card with the parent's password typed) and saves a picture of the screen after each,
// plus one contact sheet. It lives beside the host, whose folder the
// libraries and the catalogue come from.
//
//   pemblo-tour <picture folder> <sample page text> <learning news page>
// The two pages are served on 127.0.0.1: the sample page is the browser's home page (with the
// filter on it shows the blocking page), the news page is the viewer's page.
#include "appcentre/uCatalogueInfo.h"
#include "appcentre/uCategoryInfosDao.h"
#include "appcentre/uFrmBox.h"
#include "cards/uFrmCardCancel.h"
#include "cards/uFrmCardHistoryRecord.h"
#include "cards/uFrmCardMenu.h"
#include "common/uPathFunc.h"
#include "common/uPenalta.h"
#include "common/uProcessServices.h"
#include "common/uRegistryHelper.h"
#include "controls/uLblGroupBox.h"
#include "host/uFrmHostMain.h"
#include "host/uFrmPassword.h"
#include "manage/uFrmManage.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"
#include "platform/os/UiLanguage.h"
#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct TShot {
  QString Name;
  QImage Picture;
};

class TTour {
public:
  explicit TTour(const QString &folder) : FFolder(folder) { QDir().mkpath(folder); }

  // Lets the windows paint (and the other programs start) for ms, then takes the screen.
  void Shot(const QString &name, int ms) {
    Wait(ms);
    QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    if (picture.isNull())
      return;
    picture.save(QDir(FFolder).filePath(name + ".png"));
    FShots.push_back({name, picture});
    std::printf("  %s\n", qPrintable(QDir(FFolder).filePath(name + ".png")));
  }

  static void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }

  // Every picture at a quarter of its size, three to a row, with its name.
  void ContactSheet() {
    if (FShots.empty())
      return;
    const QSize cell = FShots.front().Picture.size() / 3;
    const int columns = 3, rows = int(FShots.size() + columns - 1) / columns, label = 18;
    QImage sheet(columns * cell.width(), rows * (cell.height() + label), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (size_t i = 0; i < FShots.size(); ++i) {
      const QPoint at(int(i % columns) * cell.width(), int(i / columns) * (cell.height() + label));
      p.drawText(QRect(at, QSize(cell.width(), label)), Qt::AlignCenter, FShots[i].Name);
      p.drawImage(QRect(at + QPoint(0, label), cell), FShots[i].Picture);
    }
    p.end();
    sheet.save(QDir(FFolder).filePath("contact-sheet.png"));
    std::printf("  %s\n", qPrintable(QDir(FFolder).filePath("contact-sheet.png")));
  }

private:
  QString FFolder;
  std::vector<TShot> FShots;
};

// A click on one of the host's buttons, as its signal.
void Click(QWidget &main, const char *button) {
  QMetaObject::invokeMethod(main.findChild<QWidget *>(QString::fromLatin1(button)), "clicked");
}

void Close(QWidget *window) {
  if (window)
    window->close();
}

// Keys typed through the X server, as a person types them: they go where the server sends them.
void TypeOnScreen(const QStringList &args) { QProcess::execute(QStringLiteral("xdotool"), args); }

// The lock program as the fourth card starts it, with a registry of its own (three cards and the
// password "tour"), so the demonstration's own cards and password stay as they are.
void ShowLockScreen(TTour &tour) {
  QTemporaryDir registry;
  const QByteArray own = qgetenv("PEMBLO_REGISTRY");
  qputenv("PEMBLO_REGISTRY", registry.path().toLocal8Bit());
  TParentPassword().Set(QStringLiteral("tour"));
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(3));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (own.isEmpty())
    qunsetenv("PEMBLO_REGISTRY");
  else
    qputenv("PEMBLO_REGISTRY", own);
  QProcess lock;
  lock.setProcessEnvironment(env);
  lock.start(CombinePath(GetExePath(), QStringLiteral("pemblo-lock")), {});
  tour.Shot("12-lock-screen", 2500);
  TypeOnScreen({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("tour")});
  tour.Shot("13-lock-password-typed", 500);
  TypeOnScreen({QStringLiteral("key"), QStringLiteral("Return")});
  if (!lock.waitForFinished(10000)) {
    lock.kill();
    lock.waitForFinished(5000);
    Raise(QStringLiteral("the lock screen did not open to the password typed"));
  }
}

}  // namespace

int main(int argc, char **argv) {
  TGuardedApplication app(argc, argv);
  InstallChineseUiLanguage();
  if (argc != 4) {
    std::fprintf(stderr, "usage: pemblo-tour <picture folder> <sample page text> <learning news page>\n");
    return 2;
  }
  int result = 0;
  GuardedCall([&] {
    QFile sample(QString::fromLocal8Bit(argv[2])), news(QString::fromLocal8Bit(argv[3]));
    if (!sample.open(QIODevice::ReadOnly) || !news.open(QIODevice::ReadOnly))
      Raise(QStringLiteral("cannot read the pages"));
    TTestHttpServer server;
    QByteArray page = "<html><head><meta charset=\"utf-8\"><title>小小探索家</title></head><body>";
    for (const QByteArray &line : sample.readAll().split('\n'))
      page += "<p>" + QString::fromUtf8(line).toHtmlEscaped().toUtf8() + "</p>";
    server.Route(QStringLiteral("/sample"), page + "</body></html>");
    server.Route(QStringLiteral("/news"), news.readAll());
    qputenv("PEMBLO_HOME_PAGE", server.Url(QStringLiteral("/sample")).toString().toUtf8());
    qputenv("PEMBLO_EXTERNAL_PAGE", server.Url(QStringLiteral("/news")).toString().toUtf8());
    TTour tour(QString::fromLocal8Bit(argv[1]));
    const TProcessServices services;
    TFrmHostMain main(*TProcessServices::CfMrg(), GetExePath());
    main.move(40, 40);
    main.show();
    main.ShowCentre();
    tour.Shot("01-host-and-centre", 2500);

    TParentPassword password;
    auto *ask = new TFrmPassword(password, TPasswordMode::Ask, &main);
    ask->show();
    tour.Shot("02-password", 500);
    delete ask;

    TFrmManage *manage = ShowManageWindow(main.frameGeometry().right() + 4, 40);
    const char *sections[] = {"03-manage-logs", "04-manage-black-list", "05-manage-program-limits",
                              "05b-manage-week-report"};
    for (int i = 0; i < 4; ++i) {
      manage->lgbLeft->SetItemIndex(i);
      tour.Shot(sections[i], 600);
    }
    Close(manage);

    auto *menu = new TFrmCardMenu();
    menu->move(main.frameGeometry().left() + 81, main.frameGeometry().top() + 104);
    menu->show();
    tour.Shot("06-card-menu", 500);
    Close(menu);
    TFrmCardHistoryRecord::ShowOrActivateIt();
    tour.Shot("07-violation-history", 800);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<TFrmCardHistoryRecord *>(w))
        Close(w);
    TFrmCardCancel::ShowOrActivateIt();
    tour.Shot("08-card-cancelling", 800);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<TFrmCardCancel *>(w))
        Close(w);

    auto categories = TCategoryInfosDao().QueryAll();
    for (const auto &category : categories)
      if (category->itype == ctGroup) {
        ShowGroup(category.get());
        break;
      }
    tour.Shot("09-centre-group", 1500);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w->inherits("TFrmExpand"))
        Close(w);

    Click(main, "btnBrowser");
    tour.Shot("10-browser-blocked-page", 9000);
    Click(main, "btnNews");
    tour.Shot("11-learning-news", 5000);
    ShowLockScreen(tour);
    tour.ContactSheet();
  });
  return result;
}
