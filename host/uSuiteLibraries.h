#pragma once
// The three window libraries of the suite, loaded from the host's folder with QLibrary and
// their exports resolved by name. A library that is missing or lacks its export leaves its
// call empty and keeps the reason, so the host disables that button and says why; the rest
// works.
#include <QLibrary>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <memory>

class TSuiteLibraries {
public:
  using TShowMrgMain = void (*)(int32_t x, int32_t y);
  using TShowYCardMenu = void (*)(int32_t left, int32_t top);
  using TPembloBox = void (*)(quintptr parentWindow);

  // Loads libPembloManage.so, libPenalta.so and libQuillo.so from folder.
  explicit TSuiteLibraries(const QString &folder);

  TShowMrgMain ShowMrgMain() const { return FShowMrgMain; }
  TShowYCardMenu ShowYCardMenu() const { return FShowYCardMenu; }
  TPembloBox PembloBox() const { return FPembloBox; }

  // Why a call is missing ("" when it is there).
  QString ManageError() const { return FManage.Error; }
  QString CardsError() const { return FCards.Error; }
  QString CentreError() const { return FCentre.Error; }

private:
  struct TLoaded {
    std::unique_ptr<QLibrary> Library;
    QString Error;
  };
  static QFunctionPointer Resolve(TLoaded &loaded, const QString &file, const char *symbol);

  TLoaded FManage, FCards, FCentre;
  TShowMrgMain FShowMrgMain = nullptr;
  TShowYCardMenu FShowYCardMenu = nullptr;
  TPembloBox FPembloBox = nullptr;
};
