#pragma once
// A catalogue of the test's own in the data folder, where the factory looks first: rows of
// categoryinfos and appinfos as the test lists them.
#include "common/uPathFunc.h"
#include "datastore/uDBMrg.h"
#include "datastore/uDBMrgFactory.h"
#include "tests/support/DatastoreTestUtil.h"

#include <QFile>
#include <QString>
#include <utility>
#include <vector>

struct TAppRow {
  int cid;
  QString info;
};

// Writes MiniAppdata.mdb into the data folder: the categories get cid 1, 2, ... in list order.
// The pool of the catalogue is released first, so the next reader opens this file.
inline void WriteCatalogue(const std::vector<QString> &categories, const std::vector<TAppRow> &apps = {}) {
  TDBMrgFactory::ReleaseAll();
  const QString path = GetDataPath() + QStringLiteral("MiniAppdata.mdb");
  QFile::remove(path);
  TAdoConnection conn;
  CreateAndOpen(path, QString(), conn);
  TAdoQuery query(&conn);
  query.SetSql(QStringLiteral("CREATE TABLE categoryinfos (cid INTEGER PRIMARY KEY AUTOINCREMENT, info TEXT)"));
  query.ExecSQL();
  query.SetSql(QStringLiteral("CREATE TABLE appinfos (aid INTEGER PRIMARY KEY AUTOINCREMENT, cid INTEGER, info TEXT)"));
  query.ExecSQL();
  conn.BeginTrans();
  query.SetSql(QStringLiteral("INSERT INTO categoryinfos (info) VALUES (:info)"));
  for (const QString &info : categories) {
    query.SetParam(QStringLiteral("info"), info);
    query.ExecSQL();
  }
  query.SetSql(QStringLiteral("INSERT INTO appinfos (cid, info) VALUES (:cid, :info)"));
  for (const TAppRow &app : apps) {
    query.ClearParams();
    query.SetParam(QStringLiteral("cid"), app.cid);
    query.SetParam(QStringLiteral("info"), app.info);
    query.ExecSQL();
  }
  conn.CommitTrans();
  conn.Close();
}

// The stored info text of one category.
inline QString StoredCategoryInfo(int cid) {
  TAdoConnection conn;
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(GetDataPath() + QStringLiteral("MiniAppdata.mdb"), QString()));
  conn.Open();
  TAdoQuery query(&conn);
  query.SetSql(QStringLiteral("SELECT info FROM categoryinfos WHERE cid = :cid"));
  query.SetParam(QStringLiteral("cid"), cid);
  query.Open();
  const QString info = query.RecordCount() == 1 ? query.FieldByName(QStringLiteral("info")).AsString() : QString();
  query.Close();
  conn.Close();
  return info;
}

inline QString Info(const QString &name, int type, const QString &logo, const QString &durl = {},
                    const QString &exe = {}) {
  return QStringLiteral("name:%1,rank:1,logo:%2,type:%3,durl:%4,exe_path:%5").arg(name, logo).arg(type).arg(durl, exe);
}
