// pemblo-config: shows the settings file of the data folder and sets its values, e.g.
//   pemblo-config OffOn=1 TextTime=10
// Saving goes through the settings manager, so running browsers and the lock channel are told.
// In guarded mode the settings are the guard's: anyone may see them, and a change is made only
// after the parent's password (read from the terminal, or one line of the input), which opens a
// parent session for this run alone.
#include "common/uAppcf.h"
#include "common/uGuardLink.h"
#include "common/uPassword.h"
#include "platform/os/TerminalSecret.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

struct TSetting {
  const char *sName;
  int iLow, iHigh;
  std::function<int(const TAppCf &)> get;
  std::function<void(TAppCf &, int)> set;
};

const std::vector<TSetting> &Settings() {
  static const std::vector<TSetting> settings = {
      {"TextTime", TAppCf::TextTimeRange.iLow, TAppCf::TextTimeRange.iHigh, &TAppCf::TextTime, &TAppCf::SetTextTime},
      {"PsDistance", TAppCf::PsDistanceRange.iLow, TAppCf::PsDistanceRange.iHigh, &TAppCf::PsDistance,
       &TAppCf::SetPsDistance},
      {"ImgTime", TAppCf::ImgTimeRange.iLow, TAppCf::ImgTimeRange.iHigh, &TAppCf::ImgTime, &TAppCf::SetImgTime},
      {"ImgSize", TAppCf::ImgSizeRange.iLow, TAppCf::ImgSizeRange.iHigh, &TAppCf::ImgSize, &TAppCf::SetImgSize},
      {"OffOn", 0, 1, [](const TAppCf &cf) { return int(cf.OffOn()); }, [](TAppCf &cf, int v) { cf.SetOffOn(v != 0); }},
  };
  return settings;
}

void Print(FILE *to, const QString &text) { std::fputs((text + "\n").toUtf8().constData(), to); }

void Show(const TCfMrg &mrg) {
  Print(stdout, TGuardLink::Active() ? GuardBus::Service : mrg.FileName());
  for (const TSetting &s : Settings())
    Print(stdout, QStringLiteral("%1=%2").arg(s.sName).arg(s.get(mrg.AppCf())));
}

// The parent proves who they are to the guard; root is the machine's own administrator.
bool ParentLetThrough() {
  if (!TGuardLink::Active() || ::getuid() == 0)
    return true;
  TParentPassword password;
  if (!password.IsSet()) {
    Print(stderr,
          QStringLiteral(
              "pemblo-config: 家长密码还没有设置：请家长以root运行 pemblo-guard --set-password。nothing was written"));
    return false;
  }
  switch (password.Check(ReadSecretLine(QStringLiteral("家长密码：")))) {
  case TPasswordCheck::Right:
    return true;
  case TPasswordCheck::Wrong:
    Print(stderr, QStringLiteral("pemblo-config: 密码不对！nothing was written"));
    return false;
  case TPasswordCheck::Locked:
    Print(stderr,
          QStringLiteral("pemblo-config: 错误太多，请%1秒后再试。nothing was written").arg(password.SecondsLocked()));
    return false;
  }
  return false;
}

int Usage(const QString &problem) {
  Print(stderr, "pemblo-config: " + problem);
  Print(stderr, "usage: pemblo-config [Name=Value ...]  with TextTime=1..60 PsDistance=5..60 "
                "ImgTime=1..60 ImgSize=50..100 OffOn=0|1; nothing was written");
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);

  // Every argument is checked before anything is written.
  std::vector<std::pair<const TSetting *, int>> changes;
  for (const QString &arg : args) {
    const qsizetype eq = arg.indexOf('=');
    if (eq <= 0)
      return Usage(QStringLiteral("\"%1\" is not Name=Value").arg(arg));
    const QString name = arg.left(eq), text = arg.mid(eq + 1).trimmed();
    const TSetting *setting = nullptr;
    for (const TSetting &s : Settings())
      if (name.compare(QLatin1String(s.sName), Qt::CaseInsensitive) == 0)
        setting = &s;
    if (!setting)
      return Usage(QStringLiteral("unknown setting \"%1\"").arg(name));
    bool ok = false;
    int value = text.toInt(&ok);
    if (setting->iHigh == 1 && !ok) {
      ok = text.compare("true", Qt::CaseInsensitive) == 0 || text.compare("false", Qt::CaseInsensitive) == 0;
      value = text.compare("true", Qt::CaseInsensitive) == 0;
    }
    if (!ok || value < setting->iLow || value > setting->iHigh)
      return Usage(QStringLiteral("%1 must be %2..%3, not \"%4\"")
                       .arg(setting->sName)
                       .arg(setting->iLow)
                       .arg(setting->iHigh)
                       .arg(text));
    changes.emplace_back(setting, value);
  }

  try {
    TCfMrg mrg;
    if (!changes.empty()) {
      if (!ParentLetThrough())
        return 1;
      for (const auto &[setting, value] : changes)
        setting->set(mrg.AppCf(), value);
      mrg.Update();
    }
    Show(mrg);
    return 0;
  } catch (const std::exception &e) {
    Print(stderr, "pemblo-config: " + QString::fromUtf8(e.what()));
    return 1;
  }
}
