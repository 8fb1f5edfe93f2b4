// pemblo-config: shows the settings file of the data folder and sets its values, e.g.
//   pemblo-config OffOn=1 TextTime=10
// Saving goes through the settings manager, so running browsers and the lock channel are told.
#include "common/uAppcf.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <functional>
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
  Print(stdout, mrg.FileName());
  for (const TSetting &s : Settings())
    Print(stdout, QStringLiteral("%1=%2").arg(s.sName).arg(s.get(mrg.AppCf())));
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
