#include "database/DataModule.h"

#include "database/Columns.h"
#include "database/Rows.h"
#include "database/TableCheck.h"

#include <functional>

namespace {

// Captions of the archived test points' grid.
void labelArchivedPoints(TableDataset* points) {
  namespace Column = Columns::ArchivedPoint;
  points->setDisplayLabel(Column::number, QStringLiteral("№"));
  points->setDisplayLabel(Column::voltagePercent, QStringLiteral("Напряжение %"));
  points->setDisplayLabel(Column::currentPercent, QStringLiteral("Ток %"));
  points->setDisplayLabel(Column::powerFactor, QStringLiteral("Кф. мощности"));
  points->setDisplayLabel(Column::error, QStringLiteral("Отн. погрешность %"));
  points->setDisplayLabel(Column::date, QStringLiteral("Дата поверки"));
  points->setDisplayLabel(Column::previousCheck, QStringLiteral("Дата пред. поверки"));
}

void hideFields(Dataset* dataset, const QStringList& names) {
  for (const QString& name : names) dataset->setFieldVisible(name, false);
}

}  // namespace

DataModule::DataModule(QObject* parent) : QObject(parent) {
  try {
    connection_ = openProgramDatabase();
  } catch (const std::exception& error) {
    connectionError_ = QString::fromUtf8(error.what());
  }
  createDatasets();
}

DataModule::DataModule(const QString& databaseFile, QObject* parent) : QObject(parent) {
  try {
    connection_ = Connection::openSqliteFile(databaseFile);
  } catch (const std::exception& error) {
    connectionError_ = QString::fromUtf8(error.what());
  }
  createDatasets();
}

DataModule::DataModule(std::unique_ptr<Connection> connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {
  createDatasets();
}

DataModule::~DataModule() {
  // Details first, then their masters; every dataset before the connection.
  for (QObject* dataset : std::initializer_list<QObject*>{archivedPoints, testPoints, chosenMeter, chosenBase,
                                                          archivedMeterTable, markedPoints, archivedMeters,
                                                          meters, bases, script})
    delete dataset;
  connection_.reset();
}

const QStringList& DataModule::exportRowFields() {
  namespace Column = Columns::ExportRow;
  static const QStringList fields{Column::type,           Column::serialNumber,   Column::year,
                                  Column::owner,          Column::maker,          Column::accuracyClass,
                                  Column::nominalVoltage, Column::nominalCurrent, Column::meterConstant,
                                  Column::voltagePercent, Column::currentPercent, Column::powerFactor,
                                  Column::error,          Column::date,           Column::previousCheck,
                                  Column::limit,          Column::verdict};
  return fields;
}

void DataModule::createDatasets() {
  Connection* c = connection_.get();
  bases = new QueryDataset(c, this);
  bases->setStatement(Statements::allBases());
  chosenBase = new TableDataset(c, Schema::base(), this);
  chosenBase->setMaster(bases, Columns::Base::key, Columns::Base::key);
  chosenBase->setBeforeDelete([this] { deleteChosenBaseMeters(); });

  meters = new QueryDataset(c, this);
  meters->setStatement(Statements::allMeters());
  chosenMeter = new TableDataset(c, Schema::master(), this);
  chosenMeter->setMaster(meters, Columns::Meter::key, Columns::Meter::key);
  chosenMeter->setBeforeDelete([this] { deleteChosenMeterPoints(); });
  testPoints = new TableDataset(c, Schema::slave(), this);
  testPoints->setMaster(meters, Columns::Meter::key, Columns::TestPoint::meter);

  archivedMeters = new QueryDataset(c, this);
  archivedMeters->setStatement(Statements::allArchivedMeters());
  archivedPoints = new TableDataset(c, Schema::slaveArhiv(), this);
  archivedPoints->setMaster(archivedMeters, Columns::ArchivedMeter::key,
                            Columns::ArchivedPoint::archivedMeter);
  archivedMeterTable = new TableDataset(c, Schema::masterArhive(), this);

  markedPoints = new QueryDataset(c, this);
  script = new ScriptDataset(c, this);
  rxData_ = std::make_unique<MemoryDataset>(exportRowFields(), 20);
  exportRows = rxData_.get();
  applyDisplayLabels();
}

void DataModule::applyDisplayLabels() {
  hideFields(testPoints, {Columns::TestPoint::key, Columns::TestPoint::meter});
  hideFields(archivedMeters, {Columns::ArchivedMeter::key, Columns::ArchivedMeter::base,
                              Columns::ArchivedMeter::owner, Columns::ArchivedMeter::maker,
                              Columns::ArchivedMeter::accuracyClass, Columns::ArchivedMeter::nominalVoltage,
                              Columns::ArchivedMeter::nominalCurrent, Columns::ArchivedMeter::meterConstant});
  for (Dataset* archive : {static_cast<Dataset*>(archivedMeters), static_cast<Dataset*>(archivedMeterTable)})
    for (const FieldDef& field : Schema::masterArhive().fields)
      if (!field.label.isEmpty()) archive->setDisplayLabel(field.name, field.label);
  labelArchivedPoints(archivedPoints);
  hideFields(archivedPoints, {Columns::ArchivedPoint::key, Columns::ArchivedPoint::archivedMeter});
}

QStringList DataModule::openTables() {
  QStringList messages;
  // The database's own reason (not a database, locked, ...) with its file
  // comes first; the table messages follow.
  if (!connectionError_.isEmpty()) messages << connectionError_;
  // Then what is wrong with the tables themselves, before the message of each.
  if (connection_) {
    try {
      if (const QString problems = tableProblems(*connection_); !problems.isEmpty()) messages << problems;
    } catch (const std::exception& error) {
      messages << QString::fromUtf8(error.what());
    }
  }
  const auto step = [&messages](const std::function<void()>& action, const QString& message) {
    try {
      action();
    } catch (const std::exception&) {
      messages << message;
    }
  };
  step([this] { chosenMeter->open(); }, QStringLiteral("Tmaster is  not Active."));
  step(
      [this] {
        testPoints->open();
        testPoints->close();
      },
      QStringLiteral("Tslave is  not Active."));
  step([this] { chosenBase->open(); }, QStringLiteral("TBase is  not Active."));
  step([this] { archivedMeterTable->open(); }, QStringLiteral("TmasterArhive is  not Active."));
  step([this] { archivedPoints->open(); }, QStringLiteral("TSlaveArhive is  not Active."));
  return messages;
}

void DataModule::deleteChosenMeterPoints() {
  script->run(Statements::deletePointsOfMeter(Row::Meter::read(*chosenMeter).key));
}

void DataModule::deleteBaseMeters(const QString& name) {
  connection_->runTransaction([&] {
    meters->reopen(Statements::metersOfBase(name));
    if (!chosenMeter->isOpen()) chosenMeter->open();
    for (meters->first(); !meters->eof(); meters->next())
      if (!chosenMeter->isEmpty()) chosenMeter->remove();
  });
}

void DataModule::deleteChosenBaseMeters() { deleteBaseMeters(Row::Base::read(*chosenBase).name); }
