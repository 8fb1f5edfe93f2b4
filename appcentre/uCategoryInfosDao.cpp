#include "appcentre/uCategoryInfosDao.h"

#include "common/uPathFunc.h"

const TCategoryInfosTableStruct CategoryInfosTable = {QStringLiteral("categoryinfos"), QStringLiteral("cid"),
                                                      QStringLiteral("info")};

TModelList<TCategoryInfosModel> TCategoryInfosDao::QueryAll() {
  const TCategoryInfosTableStruct &t = CategoryInfosTable;
  return ReadAll<TCategoryInfosModel>(t.sTableName, [&t](TAdoQuery &query, TCategoryInfosModel &model) {
    model.icid = query.FieldByName(t.sCID).AsInteger();
    ReadInfoText(query.FieldByName(t.sInfo).AsString(), TExePathReading::Expand, model);
  });
}

int TCategoryInfosDao::UpdateFromCID(PCategoryInfosModel aModel) {
  if (!aModel)
    return 0;
  const TCategoryInfosTableStruct &t = CategoryInfosTable;
  TInfoFields stored = *aModel;
  if (const QString exeFolder = GetExePath(); !exeFolder.isEmpty()) {
    aModel->slogo.replace(exeFolder, QStringLiteral("{app}"));
    stored.slogo = aModel->slogo;
    // The program path is read expanded, so it is stored folded too (only in the text: the
    // record keeps the path it runs); an executable folder with a comma is then stored whole.
    stored.sexe_path.replace(exeFolder, QStringLiteral("{app}"));
  }
  return DBMrg()->ExecAnSql(QStringLiteral("UPDATE %s SET %s = :info WHERE %s = :cid"), {t.sTableName, t.sInfo, t.sCID},
                            {{QStringLiteral("info"), InfoText(stored)}, {QStringLiteral("cid"), aModel->icid}});
}
