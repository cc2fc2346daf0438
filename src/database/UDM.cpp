#include "database/UDM.h"

#include <functional>

TDM1* DM1 = nullptr;

namespace {

// Captions of the archived test points' grid.
void LabelArchivedPoints(TableDataset* points) {
  points->setDisplayLabel(QStringLiteral("Count"), QStringLiteral("№"));
  points->setDisplayLabel(QStringLiteral("Voltage"), QStringLiteral("Напряжение %"));
  points->setDisplayLabel(QStringLiteral("Tok"), QStringLiteral("Ток %"));
  points->setDisplayLabel(QStringLiteral("KM"), QStringLiteral("Кф. мощности"));
  points->setDisplayLabel(QStringLiteral("Opogr"), QStringLiteral("Отн. погрешность %"));
  points->setDisplayLabel(QStringLiteral("Date"), QStringLiteral("Дата поверки"));
  points->setDisplayLabel(QStringLiteral("OldDate"), QStringLiteral("Дата пред. поверки"));
}

void HideFields(Dataset* dataset, const QStringList& names) {
  for (const QString& name : names) dataset->setFieldVisible(name, false);
}

}  // namespace

TDM1::TDM1(QObject* parent) : QObject(parent), previousModule_(DM1) {
  DM1 = this;
  try {
    connection_ = OpenProgramDatabase();
  } catch (const std::exception& error) {
    connectionError_ = QString::fromUtf8(error.what());
  }
  createDatasets();
}

TDM1::TDM1(const QString& databaseFile, QObject* parent) : QObject(parent), previousModule_(DM1) {
  DM1 = this;
  try {
    connection_ = Connection::openSqliteFile(databaseFile);
  } catch (const std::exception& error) {
    connectionError_ = QString::fromUtf8(error.what());
  }
  createDatasets();
}

TDM1::~TDM1() {
  if (DM1 == this) DM1 = previousModule_;
  // Details first, then their masters; every dataset before the connection.
  for (QObject* dataset : std::initializer_list<QObject*>{TSlaveArhive, TSlave, TMaster, TBase, TMasterArhive,
                                                          Query2, QMasterArhive, QMaster, QBase, SQLScript})
    delete dataset;
  connection_.reset();
}

const QStringList& TDM1::RxDataFields() {
  static const QStringList fields{"Tip",   "Number",  "Year", "User", "Maker", "KlasT", "Nvoltage", "NTok",
                                  "pered", "voltage", "tok",  "Km",   "Pogr",  "Date",  "OldDate"};
  return fields;
}

void TDM1::createDatasets() {
  Connection* c = connection_.get();
  QBase = new QueryDataset(c, this);
  QBase->setStatement(Statements::allBases());
  TBase = new TableDataset(c, Schema::Base(), this);
  TBase->setMaster(QBase, QStringLiteral("Num"), QStringLiteral("Num"));
  TBase->setBeforeDelete([this] { TBaseBeforeDelete(); });

  QMaster = new QueryDataset(c, this);
  QMaster->setStatement(Statements::allMeters());
  TMaster = new TableDataset(c, Schema::Master(), this);
  TMaster->setMaster(QMaster, QStringLiteral("Num"), QStringLiteral("Num"));
  TMaster->setBeforeDelete([this] { TMasterBeforeDelete(); });
  TSlave = new TableDataset(c, Schema::Slave(), this);
  TSlave->setMaster(QMaster, QStringLiteral("Num"), QStringLiteral("Num"));

  QMasterArhive = new QueryDataset(c, this);
  QMasterArhive->setStatement(Statements::allArchivedMeters());
  TSlaveArhive = new TableDataset(c, Schema::SlaveArhiv(), this);
  TSlaveArhive->setMaster(QMasterArhive, QStringLiteral("Num"), QStringLiteral("Num"));
  TMasterArhive = new TableDataset(c, Schema::MasterArhive(), this);

  Query2 = new QueryDataset(c, this);
  SQLScript = new ScriptDataset(c, this);
  rxData_ = std::make_unique<MemoryDataset>(RxDataFields(), 20);
  RxData = rxData_.get();
  applyDisplayLabels();
}

void TDM1::applyDisplayLabels() {
  HideFields(TSlave, {QStringLiteral("N"), QStringLiteral("Num")});
  HideFields(QMasterArhive, {QStringLiteral("Num"), QStringLiteral("Base"), QStringLiteral("MyUser"),
                             QStringLiteral("Maker"), QStringLiteral("KlasT"), QStringLiteral("Nvoltage"),
                             QStringLiteral("NTok"), QStringLiteral("Pered")});
  for (Dataset* archive : {static_cast<Dataset*>(QMasterArhive), static_cast<Dataset*>(TMasterArhive)})
    for (const FieldDef& field : Schema::MasterArhive().fields)
      if (!field.label.isEmpty()) archive->setDisplayLabel(field.name, field.label);
  LabelArchivedPoints(TSlaveArhive);
  HideFields(TSlaveArhive, {QStringLiteral("N"), QStringLiteral("Num")});
}

QStringList TDM1::DataModuleCreate() {
  QStringList messages;
  const auto step = [&messages](const std::function<void()>& action, const QString& message) {
    try {
      action();
    } catch (const std::exception&) {
      messages << message;
    }
  };
  step([this] { TMaster->open(); }, QStringLiteral("Tmaster is  not Active."));
  step(
      [this] {
        TSlave->open();
        TSlave->close();
      },
      QStringLiteral("Tslave is  not Active."));
  step([this] { TBase->open(); }, QStringLiteral("TBase is  not Active."));
  step([this] { TMasterArhive->open(); }, QStringLiteral("TmasterArhive is  not Active."));
  step([this] { TSlaveArhive->open(); }, QStringLiteral("TSlaveArhive is  not Active."));
  return messages;
}

void TDM1::TMasterBeforeDelete() {
  SQLScript->run(Statements::deletePointsOfMeter(TMaster->fieldByName(QStringLiteral("Num")).asInteger()));
}

void TDM1::DeleteBaseMeters(const QString& name) {
  Connection::Transaction transaction(*connection_);
  QMaster->reopen(Statements::metersOfBase(name));
  if (!TMaster->isOpen()) TMaster->open();
  for (QMaster->first(); !QMaster->eof(); QMaster->next())
    if (!TMaster->isEmpty()) TMaster->remove();
  transaction.commit();
}

void TDM1::TBaseBeforeDelete() { DeleteBaseMeters(TBase->fieldByName(QStringLiteral("NameBase")).asText()); }
