#pragma once
// What the card tests share: private folders, a fresh card database for every test, rows
// written as a host writes them, and the stored info texts as they stand.
#include "datastore/uDBMrgFactory.h"
#include "tests/support/TestFolders.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

class TCardsFixture : public ::testing::Test {
protected:
  void SetUp() override { TDBMrgFactory::ReleaseAll(); }
  void TearDown() override {
    // Windows free themselves when closed; let them go before the next test.
    for (QWidget *w : QApplication::topLevelWidgets())
      w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TDBMrgFactory::ReleaseAll();
  }

  static void InsertRaw(const QString &table, const QString &info) {
    TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)
        ->ExecAnSql(QStringLiteral("Insert into %1(info) values(:info)").arg(table),
                    TSqlParams{{QStringLiteral("info"), info}});
  }
  static QStringList RawInfos(const QString &table) {
    QStringList infos;
    TAdoQuery *query = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)->OpenTable(table, 1);
    for (query->First(); !query->Eof(); query->Next())
      infos << query->FieldByName(QStringLiteral("info")).AsString();
    query->Close();
    return infos;
  }

  TTestFolders Folders;
};
