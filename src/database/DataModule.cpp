#include "database/DataModule.h"

#include <functional>

namespace {

// Captions of the archived test points' grid.
void labelArchivedPoints(TableDataset* points) {
  points->setDisplayLabel(QStringLiteral("Count"), QStringLiteral("№"));
  points->setDisplayLabel(QStringLiteral("Voltage"), QStringLiteral("Напряжение %"));
  points->setDisplayLabel(QStringLiteral("Tok"), QStringLiteral("Ток %"));
  points->setDisplayLabel(QStringLiteral("KM"), QStringLiteral("Кф. мощности"));
  points->setDisplayLabel(QStringLiteral("Opogr"), QStringLiteral("Отн. погрешность %"));
  points->setDisplayLabel(QStringLiteral("Date"), QStringLiteral("Дата поверки"));
  points->setDisplayLabel(QStringLiteral("OldDate"), QStringLiteral("Дата пред. поверки"));
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
  for (QObject* dataset : std::initializer_list<QObject*>{archivedPoints, testPoints, chosenMeter, chosenBase, archivedMeterTable,
                                                          markedPoints, archivedMeters, meters, bases, script})
    delete dataset;
  connection_.reset();
}

const QStringList& DataModule::exportRowFields() {
  static const QStringList fields{"Tip",   "Number",  "Year", "User", "Maker", "KlasT",  "Nvoltage", "NTok",
                                  "pered", "voltage", "tok",  "Km",   "Pogr",  "Date",   "OldDate",  "Limit",
                                  "Verdict"};
  return fields;
}

void DataModule::createDatasets() {
  Connection* c = connection_.get();
  bases = new QueryDataset(c, this);
  bases->setStatement(Statements::allBases());
  chosenBase = new TableDataset(c, Schema::base(), this);
  chosenBase->setMaster(bases, QStringLiteral("Num"), QStringLiteral("Num"));
  chosenBase->setBeforeDelete([this] { deleteChosenBaseMeters(); });

  meters = new QueryDataset(c, this);
  meters->setStatement(Statements::allMeters());
  chosenMeter = new TableDataset(c, Schema::master(), this);
  chosenMeter->setMaster(meters, QStringLiteral("Num"), QStringLiteral("Num"));
  chosenMeter->setBeforeDelete([this] { deleteChosenMeterPoints(); });
  testPoints = new TableDataset(c, Schema::slave(), this);
  testPoints->setMaster(meters, QStringLiteral("Num"), QStringLiteral("Num"));

  archivedMeters = new QueryDataset(c, this);
  archivedMeters->setStatement(Statements::allArchivedMeters());
  archivedPoints = new TableDataset(c, Schema::slaveArhiv(), this);
  archivedPoints->setMaster(archivedMeters, QStringLiteral("Num"), QStringLiteral("Num"));
  archivedMeterTable = new TableDataset(c, Schema::masterArhive(), this);

  markedPoints = new QueryDataset(c, this);
  script = new ScriptDataset(c, this);
  rxData_ = std::make_unique<MemoryDataset>(exportRowFields(), 20);
  exportRows = rxData_.get();
  applyDisplayLabels();
}

void DataModule::applyDisplayLabels() {
  hideFields(testPoints, {QStringLiteral("N"), QStringLiteral("Num")});
  hideFields(archivedMeters, {QStringLiteral("Num"), QStringLiteral("Base"), QStringLiteral("MyUser"),
                             QStringLiteral("Maker"), QStringLiteral("KlasT"), QStringLiteral("Nvoltage"),
                             QStringLiteral("NTok"), QStringLiteral("Pered")});
  for (Dataset* archive : {static_cast<Dataset*>(archivedMeters), static_cast<Dataset*>(archivedMeterTable)})
    for (const FieldDef& field : Schema::masterArhive().fields)
      if (!field.label.isEmpty()) archive->setDisplayLabel(field.name, field.label);
  labelArchivedPoints(archivedPoints);
  hideFields(archivedPoints, {QStringLiteral("N"), QStringLiteral("Num")});
}

QStringList DataModule::openTables() {
  QStringList messages;
  // The database's own reason (not a database, locked, ...) with its file
  // comes first; the table messages follow.
  if (!connectionError_.isEmpty()) messages << connectionError_;
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
  script->run(Statements::deletePointsOfMeter(chosenMeter->fieldByName(QStringLiteral("Num")).asInteger()));
}

void DataModule::deleteBaseMeters(const QString& name) {
  connection_->runTransaction([&] {
    meters->reopen(Statements::metersOfBase(name));
    if (!chosenMeter->isOpen()) chosenMeter->open();
    for (meters->first(); !meters->eof(); meters->next())
      if (!chosenMeter->isEmpty()) chosenMeter->remove();
  });
}

void DataModule::deleteChosenBaseMeters() { deleteBaseMeters(chosenBase->fieldByName(QStringLiteral("NameBase")).asText()); }
