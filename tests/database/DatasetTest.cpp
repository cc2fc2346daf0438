#include <QLocale>
#include <QScopeGuard>
#include <QTest>
#include "database/QueryDataset.h"
#include "database/TableDataset.h"

#include <stdexcept>

#include "database/DatabaseFixture.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

// The dataset layer: cursor, fields by name and kind, editing, details
// following their master, and long results fetched on demand.
class DatasetTest : public QObject {
  Q_OBJECT
 private slots:
  void cursorWalksRowsAndStopsAtEnds();
  void fieldsAreFoundWhateverTheirCase();
  void fieldsTakeValuesByKind_data();
  void fieldsTakeValuesByKind();
  void editingNeedsEditModeAndCancelRestores();
  void detailsFollowTheirMaster();
  void closedMasterShowsWholeTableEmptyMasterNothing();
  void pointPostedForAnotherMeterIsStoredNotShown();
  void longResultIsFetchedOnDemandAndKeptWhole();
  void halfReadTableStaysInKeyOrderThroughWrites();
  void queriesAreReadOnly();
  void closingNeverThrows_data();
  void closingNeverThrows();
};

void DatasetTest::cursorWalksRowsAndStopsAtEnds() {
  DatabaseFixture f;
  for (const char* name : {"A", "B", "C"}) f.addBase(name);
  QueryDataset* q = f.dm->bases;
  q->reopen(Statements::allBases());
  QCOMPARE(q->currentRow(), 0);
  QVERIFY(q->bof() && !q->eof());
  QStringList names;
  for (q->first(); !q->eof(); q->next()) names << q->fieldByName("NameBase").asText();
  QCOMPARE(names, (QStringList{"A", "B", "C"}));
  QCOMPARE(q->currentRow(), 2);  // next() past the end stays on the last row
  QCOMPARE(q->recordCount(), 3);
  q->prior();
  QCOMPARE(q->fieldByName("NameBase").asText(), QString("B"));
  q->prior();
  q->prior();
  QVERIFY(q->bof());
  QCOMPARE(q->currentRow(), 0);
  q->last();
  QVERIFY(q->eof());
  QCOMPARE(q->fieldByName("NameBase").asText(), QString("C"));
  QVERIFY(!q->moveTo(3));
  QVERIFY(q->moveTo(1));
  QCOMPARE(q->fieldByName("NameBase").asText(), QString("B"));

  q->reopen(Statements::baseByName("none"));
  QVERIFY(q->isEmpty() && q->eof() && q->bof());
  QCOMPARE(q->currentRow(), -1);
  QVERIFY(q->fieldByName("Num").isNull());  // an empty result reads as null
  QCOMPARE(q->fieldByName("Num").asInteger(), 0);
  q->close();
  QCOMPARE(q->recordCount(), 0);
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, q->first());
}

void DatasetTest::fieldsAreFoundWhateverTheirCase() {
  DatabaseFixture f;
  f.addBase("Б1");
  f.dm->bases->reopen(Statements::allBases());
  for (const char* name : {"namebase", "NameBase", "NAMEBASE"})
    QCOMPARE(f.dm->bases->fieldByName(name).asText(), QString("Б1"));
  QCOMPARE(f.dm->bases->fieldByName("namebase").name(), QString("NameBase"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->bases->fieldByName("NameBase2"));
}

void DatasetTest::fieldsTakeValuesByKind_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QVariant>("stored");
  QTest::newRow("real, decimal comma") << "Voltage"
                                       << "99,5" << QVariant(99.5);
  QTest::newRow("real, decimal point") << "Voltage"
                                       << "99.5" << QVariant(99.5);
  QTest::newRow("integer") << "Count"
                           << "12" << QVariant(qint64(12));
  QTest::newRow("date, short format") << "Date"
                                      << "05.03.2024" << QVariant(QDate(2024, 3, 5));
  QTest::newRow("date, ISO") << "Date"
                             << "2024-03-05" << QVariant(QDate(2024, 3, 5));
  QTest::newRow("text cut to its size") << "KM"
                                        << "0.866/L/C" << QVariant("0.866/");
  QTest::newRow("empty text is null") << "Rep"
                                      << "" << QVariant();
  QTest::newRow("empty number is null") << "Opogr"
                                        << "" << QVariant();
}

void DatasetTest::fieldsTakeValuesByKind() {
  QFETCH(QString, field);
  QFETCH(QString, text);
  QFETCH(QVariant, stored);
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  DatabaseFixture f;
  f.dm->testPoints->open();
  f.dm->testPoints->append();
  f.dm->testPoints->fieldByName("Num").setInteger(1);
  f.dm->testPoints->fieldByName(field).setText(text);
  f.dm->testPoints->post();
  f.dm->testPoints->refresh();
  QCOMPARE(f.dm->testPoints->fieldByName(field).value(), stored);
  QLocale::setDefault(QLocale::c());
}

void DatasetTest::editingNeedsEditModeAndCancelRestores() {
  DatabaseFixture f;
  f.addBase("Б1");
  f.addMeter("Б1", 1, true, "СО-505", "777");
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  TableDataset* t = f.dm->chosenMeter;
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, t->fieldByName("Tip").setText("X"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, t->fieldByName("text").setText("X"));
  t->edit();
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           t->fieldByName("Num").setInteger(5));  // keys are the database's
  t->fieldByName("Tip").setText("ЦЭ6803");
  t->cancel();
  QCOMPARE(t->fieldByName("Tip").asText(), QString("СО-505"));
  t->edit();
  t->fieldByName("MyVisible").setBool(false);
  t->fieldByName("Olddate").setDate(QDate(2023, 1, 2));
  t->post();
  QCOMPARE(
      f.count("select count(*) from master where myvisible = ? and olddate = ?", {false, QDate(2023, 1, 2)}),
      1);
  f.dm->meters->reopen(Statements::meterInSlotInUse("Б1", 1));
  QVERIFY(f.dm->meters->isEmpty());
}

void DatasetTest::detailsFollowTheirMaster() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 m1 = f.addMeter("Б1", 2);
  const qint64 m2 = f.addMeter("Б1", 1);
  f.addPoints(m1, 1, 101);
  f.addPoints(m2, 1, 201);
  f.addPoints(m1, 1, 102);  // a meter's points in the order they were added
  f.addPoints(m2, 1, 202);
  f.addPoints(m2, 1, 203);

  f.dm->meters->reopen(Statements::metersOfBaseInUse("Б1", true));  // slot 1 first: m2
  const auto voltages = [&f] {
    QList<double> values;
    for (f.dm->testPoints->first(); !f.dm->testPoints->eof(); f.dm->testPoints->next())
      values << f.dm->testPoints->fieldByName("Voltage").asReal();
    return values;
  };
  QCOMPARE(f.dm->chosenMeter->fieldByName("Num").asInteger(), m2);
  QCOMPARE(voltages(), (QList<double>{201, 202, 203}));
  f.dm->meters->next();
  QCOMPARE(f.dm->chosenMeter->fieldByName("Num").asInteger(), m1);
  QCOMPARE(voltages(), (QList<double>{101, 102}));

  f.dm->bases->reopen(Statements::baseByName("Б1"));
  QCOMPARE(f.dm->chosenBase->fieldByName("NameBase").asText(), QString("Б1"));

  const qint64 archived = f.addArchivedMeter("СО-505", "1", 2020);
  f.addArchivedMeter("СО-505", "2", 2020);
  f.db().execute({"insert into Slavearhiv (num, voltage) values (?, 1), (?, 2)", {archived, archived}, {}});
  f.dm->archivedMeters->reopen(Statements::allArchivedMeters());
  QCOMPARE(f.dm->archivedPoints->recordCount(), 2);
  f.dm->archivedMeters->next();
  QVERIFY(f.dm->archivedPoints->isEmpty());
}

void DatasetTest::closedMasterShowsWholeTableEmptyMasterNothing() {
  DatabaseFixture f;
  f.addBase("Б1");
  f.addPoints(f.addMeter("Б1", 1), 2);
  f.addPoints(f.addMeter("Б1", 2), 3);
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  QCOMPARE(f.dm->testPoints->recordCount(), 2);
  QCOMPARE(f.dm->chosenMeter->recordCount(), 1);
  f.dm->meters->close();
  QCOMPARE(f.dm->testPoints->recordCount(), 5);
  QCOMPARE(f.dm->chosenMeter->recordCount(), 2);
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 7));
  QVERIFY(f.dm->testPoints->isEmpty());
  QVERIFY(f.dm->chosenMeter->isEmpty());
}

void DatasetTest::pointPostedForAnotherMeterIsStoredNotShown() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 shown = f.addMeter("Б1", 1);
  const qint64 other = f.addMeter("Б1", 2);
  f.addPoints(shown, 2);
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  f.dm->testPoints->append();
  f.dm->testPoints->fieldByName("Num").setInteger(other);
  f.dm->testPoints->fieldByName("Voltage").setReal(100);
  f.dm->testPoints->post();
  QCOMPARE(f.dm->testPoints->recordCount(), 2);
  QCOMPARE(f.count("select count(*) from slave where num = ?", {other}), 1);
  f.dm->testPoints->append();
  f.dm->testPoints->fieldByName("Num").setInteger(shown);
  f.dm->testPoints->post();
  QCOMPARE(f.dm->testPoints->recordCount(), 3);
  QCOMPARE(f.dm->testPoints->currentRow(), 2);
}

void DatasetTest::longResultIsFetchedOnDemandAndKeptWhole() {
  DatabaseFixture f;
  f.addArchivedMeters(1000);
  QueryDataset* q = f.dm->archivedMeters;
  q->reopen(Statements::allArchivedMeters());
  QVERIFY(q->canFetchMore());
  QVERIFY(q->fetchedCount() < 1000);
  QVERIFY(q->moveTo(600));
  QCOMPARE(q->fieldByName("MyNumber").asText(), QString("600"));
  // A write to the table first completes the half-read result: it keeps the
  // rows it had when opened.
  q->reopen(Statements::allArchivedMeters());
  f.dm->script->run({"delete from masterarhive where num > ?", {qint64(10)}, "masterarhive"});
  QCOMPARE(q->fetchedCount(), 1000);
  QCOMPARE(q->recordCount(), 1000);
  q->refresh();
  QCOMPARE(q->recordCount(), 10);
}

void DatasetTest::halfReadTableStaysInKeyOrderThroughWrites() {
  DatabaseFixture f;
  f.addArchivedMeters(1000);
  TableDataset* t = f.dm->archivedMeterTable;
  t->refresh();
  QVERIFY(t->canFetchMore());
  f.dm->script->run(
      {"delete from masterarhive where num > ? and num <= ?", {qint64(500), qint64(900)}, "masterarhive"});
  // Appending reads the new row back without reading the whole table first.
  const qint64 added = f.addArchivedMeter("Т", "new", 2001);
  QVERIFY(added > 1000);
  QCOMPARE(t->fieldByName("MyNumber").asText(), QString("new"));
  QVERIFY(t->canFetchMore());
  QCOMPARE(t->recordCount(), 601);
  qint64 previous = 0;
  for (t->first(); !t->eof(); t->next()) {
    const qint64 key = t->fieldByName("Num").asInteger();
    QVERIFY(key > previous && (key <= 500 || key > 900));
    previous = key;
  }
  QCOMPARE(previous, added);
  // Editing a row posted ahead finds it first.
  f.addArchivedMeter("Т", "newer", 2002);
  t->first();
  f.addArchivedMeter("Т", "newest", 2003);
  t->edit();
  t->fieldByName("MyYear").setInteger(1999);
  t->post();
  QCOMPARE(f.count("select myyear from masterarhive where mynumber = 'newest'"), 1999);
}

void DatasetTest::queriesAreReadOnly() {
  DatabaseFixture f;
  f.addBase("Б1");
  f.dm->bases->reopen(Statements::allBases());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->bases->edit());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->bases->append());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->bases->remove());
  QCOMPARE(f.count("select count(*) from base"), 1);
}

namespace {
enum class PendingRow { RefusedByDatabase, ClosedWhileAnErrorUnwinds };
}

// A pending row is never posted by a close that runs while an error unwinds
// (a scope guard), nor kept when the database refuses it; either way close()
// ends without an exception and the dataset works on afterwards.
void DatasetTest::closingNeverThrows_data() {
  QTest::addColumn<int>("pending");
  QTest::newRow("row the database refuses") << int(PendingRow::RefusedByDatabase);
  QTest::newRow("closed while an error unwinds") << int(PendingRow::ClosedWhileAnErrorUnwinds);
}

void DatasetTest::closingNeverThrows() {
  QFETCH(int, pending);
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 meter = f.addMeter("Б1", 1);
  TableDataset* points = f.dm->testPoints;
  points->open();
  const auto appendPoint = [&] {
    points->append();
    points->fieldByName("Num").setInteger(meter);
    points->fieldByName("Voltage").setReal(100);
  };
  if (pending == int(PendingRow::RefusedByDatabase)) {
    TestDatabase::refuseWrites(f.db(), true);
    appendPoint();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, points->post());
    QCOMPARE(points->state(), DatasetState::Insert);
    points->close();
    TestDatabase::refuseWrites(f.db(), false);
  } else {
    try {
      const auto guard = qScopeGuard([points] { points->close(); });
      appendPoint();
      throw std::runtime_error("the save failed");
    } catch (const std::runtime_error& error) {
      QCOMPARE(error.what(), "the save failed");
    }
  }
  QVERIFY(!points->isOpen());
  QCOMPARE(f.count("select count(*) from slave"), 0);
  // The dataset goes on: the next point is stored.
  points->open();
  appendPoint();
  points->post();
  points->close();
  QCOMPARE(f.count("select count(*) from slave"), 1);
}

VT3417_REGISTER_TEST(DatasetTest)
#include "DatasetTest.moc"
