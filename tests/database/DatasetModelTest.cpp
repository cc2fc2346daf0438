#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

#include "database/DatabaseFixture.h"
#include "support/TestRegistry.h"

#include "database/DatasetModel.h"

// The grid model follows its dataset live and stays a well-formed model.
class DatasetModelTest : public QObject {
  Q_OBJECT
 private slots:
  void followsTestPointsOfChosenMeter();
  void fetchesLongResultAsGridScrolls();
  void cursorLinkMovesBothWays();
};

void DatasetModelTest::followsTestPointsOfChosenMeter() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 m1 = f.addMeter("Б1", 1);
  f.addPoints(m1, 3);
  f.addPoints(f.addMeter("Б1", 2), 1);
  f.dm->testPoints->close();

  DatasetModel model(f.dm->testPoints);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  model.setColumns({"Count", "Voltage", "Tok", "KM", "Opogr", "Date", "Rep"});
  QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Напряжение, %"));
  QCOMPARE(model.headerData(6, Qt::Horizontal).toString(), QString("Запись"));

  f.dm->meters->reopen(Statements::metersOfBaseInUse("Б1", true));
  f.dm->testPoints->open();
  QCOMPARE(model.rowCount(), 3);
  QCOMPARE(model.index(1, 1).data().toString(), QString("100"));
  f.dm->meters->next();
  QCOMPARE(model.rowCount(), 1);
  f.dm->meters->first();
  QCOMPARE(model.rowCount(), 3);

  f.dm->testPoints->moveTo(1);
  f.dm->testPoints->edit();
  f.dm->testPoints->fieldByName("Rep").setText("R");
  f.dm->testPoints->post();
  QCOMPARE(model.index(1, 6).data().toString(), QString("R"));

  f.dm->testPoints->remove();
  QCOMPARE(model.rowCount(), 2);
  f.addPoints(m1, 1, 55);
  QCOMPARE(model.rowCount(), 3);
  QCOMPARE(model.index(2, 1).data().toString(), QString("55"));
  f.dm->testPoints->close();
  QCOMPARE(model.rowCount(), 0);
}

void DatasetModelTest::fetchesLongResultAsGridScrolls() {
  DatabaseFixture f;
  f.addArchivedMeters(700);
  DatasetModel model(f.dm->archivedMeters);
  f.dm->archivedMeters->reopen(Statements::allArchivedMeters());
  QCOMPARE(model.columnCount(), 3);  // type, number, year; the rest is hidden
  QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("Тип счетчика"));
  QVERIFY(model.rowCount() < 700);
  QVERIFY(model.canFetchMore({}));
  model.fetchMore({});
  QCOMPARE(model.rowCount(), f.dm->archivedMeters->fetchedCount());
  f.dm->archivedMeters->last();  // rows the cursor fetches show too
  QCOMPARE(model.rowCount(), 700);
  QVERIFY(!model.canFetchMore({}));

  // The tester fetches whatever it may on every change; the model stays sound.
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  f.dm->archivedMeters->reopen(Statements::allArchivedMeters());
  while (model.canFetchMore({})) model.fetchMore({});
  QCOMPARE(model.rowCount(), 700);
}

void DatasetModelTest::cursorLinkMovesBothWays() {
  DatabaseFixture f;
  for (const char* name : {"A", "B", "C"}) f.addBase(name);
  DatasetModel model(f.dm->bases);
  QItemSelectionModel selection(&model);
  DatasetCursorLink link(f.dm->bases, &selection, nullptr);
  f.dm->bases->reopen(Statements::allBases());
  QCOMPARE(selection.currentIndex().row(), 0);
  f.dm->bases->moveTo(2);
  QCOMPARE(selection.currentIndex().row(), 2);
  selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::ClearAndSelect);
  QCOMPARE(f.dm->bases->fieldByName("NameBase").asText(), QString("B"));
}

VT3417_REGISTER_TEST(DatasetModelTest)
#include "DatasetModelTest.moc"
