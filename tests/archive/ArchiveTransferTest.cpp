#include <QTest>

#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// Five test points of one meter; `marks` gives each point's Rep.
qint64 meterWithFivePoints(ArchiveFixture& fixture, const QStringList& marks) {
  fixture.addBase(kBase, 57.7, 1, 2500, 0.5);
  const qint64 meter =
      fixture.addMeter(kBase, 2, QStringLiteral("СЕ301"), QStringLiteral("0123"), 2005,
                       QStringLiteral("ВОДОКАНАЛ"), QStringLiteral("ЭНЕРГОМЕРА"), QDate(2019, 1, 31));
  for (int i = 0; i < 5; ++i)
    fixture.addPoint(meter, 100 + i, 10 * (i + 1), QStringLiteral("0.5/L"), 0.1 * (i + 1),
                     QDate(2024, 3, 1 + i), marks.value(i));
  fixture.chooseMeter(kBase, 2);
  return meter;
}

// The operator's marks, set in the main window's grid of the chosen meter.
void mark(ArchiveFixture& fixture, const QStringList& marks) {
  TableDataset& points = *fixture.dm().testPoints;
  int i = 0;
  for (points.first(); !points.eof(); points.next()) {
    points.edit();
    points.fieldByName(QStringLiteral("Rep")).setText(marks.value(i++));
    points.post();
  }
  fixture.chooseMeter(kBase, 2);
}

QList<QVariantList> archivedPoints(const ArchiveFixture& fixture) {
  return fixture.rows(
      QStringLiteral("select Voltage, Tok, KM, Opogr, Date, OldDate, Count, Num "
                     "from Slavearhiv order by N"));
}

}  // namespace

class ArchiveTransferTest : public QObject {
  Q_OBJECT
 private slots:
  void firstArchivingCopiesMeterAndMarkedPoints();
  void secondArchivingAddsToTheSameMeter();
  void meterFromAnotherBaseKeepsItsFirstData();
  void withoutMarkedPointOnlyNotice();
  void quotesInTypeAndNumberAreKeptAsTyped();
  void meterThatCannotBeStoredArchivesNothing();
};

void ArchiveTransferTest::firstArchivingCopiesMeterAndMarkedPoints() {
  ArchiveFixture fixture;
  // "r" and "X" are marks the operator may find in old data: only "R" counts.
  meterWithFivePoints(fixture, {"R", "r", "R", "X", "R"});
  const auto slaveBefore = fixture.rows(QStringLiteral("select * from slave order by N"));
  const auto masterBefore = fixture.rows(QStringLiteral("select * from master order by Num"));

  ScriptedAnswers answers;
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  QVERIFY(answers.shown().empty());  // no message on success

  const auto meters = fixture.rows(QStringLiteral(
      "select Base, Tip, MyYear, MyNumber, MyUser, Maker, KlasT, Nvoltage, NTok, Pered from masterarhive"));
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0],
           (QVariantList{kBase, "СЕ301", 2005, "0123", "ВОДОКАНАЛ", "ЭНЕРГОМЕРА", 0.5, 57.7, 1.0, 2500.0}));

  const auto points = archivedPoints(fixture);
  QCOMPARE(points.size(), 3);
  const int archivedNum = fixture.count(QStringLiteral("select Num from masterarhive"));
  const int sources[] = {0, 2, 4};
  for (int i = 0; i < 3; ++i) {
    const int source = sources[i];
    QCOMPARE(points[i][0].toDouble(), 100.0 + source);
    QCOMPARE(points[i][1].toDouble(), 10.0 * (source + 1));
    QCOMPARE(points[i][2].toString(), QStringLiteral("0.5/L"));
    QCOMPARE(points[i][3].toDouble(), 0.1 * (source + 1));
    QCOMPARE(points[i][4].toDate(), QDate(2024, 3, 1 + source));
    QCOMPARE(points[i][5].toDate(), QDate(2019, 1, 31));  // the meter's previous verification
    QCOMPARE(points[i][6].toInt(), i + 1);
    QCOMPARE(points[i][7].toInt(), archivedNum);
  }

  // The working tables, marks included, stay as they were.
  QCOMPARE(fixture.rows(QStringLiteral("select * from slave order by N")), slaveBefore);
  QCOMPARE(fixture.rows(QStringLiteral("select * from master order by Num")), masterBefore);
}

void ArchiveTransferTest::secondArchivingAddsToTheSameMeter() {
  ArchiveFixture fixture;
  meterWithFivePoints(fixture, {"R", "", "R", "", "R"});
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  mark(fixture, {"", "R", "", "R", ""});
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);

  QCOMPARE(fixture.count(QStringLiteral("select count(*) from masterarhive")), 1);
  const auto points = archivedPoints(fixture);
  QCOMPARE(points.size(), 5);
  // Numbered together, in the order they were archived: 0, 2, 4, then 1, 3.
  const int sources[] = {0, 2, 4, 1, 3};
  for (int i = 0; i < 5; ++i) {
    QCOMPARE(points[i][6].toInt(), i + 1);
    QCOMPARE(points[i][0].toDouble(), 100.0 + sources[i]);
  }
}

void ArchiveTransferTest::meterFromAnotherBaseKeepsItsFirstData() {
  ArchiveFixture fixture;
  meterWithFivePoints(fixture, {"R"});
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);

  fixture.addBase(QStringLiteral("Б2"), 380, 5, 1000, 2);
  const qint64 again = fixture.addMeter(QStringLiteral("Б2"), 1, QStringLiteral("СЕ301"),
                                        QStringLiteral("0123"), 2006, QStringLiteral("ДРУГОЙ"));
  fixture.addPoint(again, 80, 50, QStringLiteral("1"), -0.2, QDate(2024, 4, 1), QStringLiteral("R"));
  fixture.chooseMeter(QStringLiteral("Б2"), 1);
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);

  const auto meters = fixture.rows(
      QStringLiteral("select Base, MyYear, MyUser, KlasT, Nvoltage, NTok, Pered from masterarhive"));
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0], (QVariantList{kBase, 2005, "ВОДОКАНАЛ", 0.5, 57.7, 1.0, 2500.0}));
  const auto points = archivedPoints(fixture);
  QCOMPARE(points.size(), 2);
  QCOMPARE(points[1][0].toDouble(), 80.0);
  QCOMPARE(points[1][5].toDate(), QDate(2020, 5, 14));  // this meter's own previous verification
  QCOMPARE(points[1][6].toInt(), 2);
}

void ArchiveTransferTest::withoutMarkedPointOnlyNotice() {
  ArchiveFixture fixture;
  meterWithFivePoints(fixture, {});
  QCOMPARE(fixture.selection().markedCount(), 0);
  ScriptedAnswers answers;
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Notice);
  QCOMPARE(answers.shown()[0].caption, QStringLiteral("Передача данных а архив"));
  QCOMPARE(answers.shown()[0].text,
           QStringLiteral("Для передачи данных в архив необходимо выбрать хоть одну запись !"));
  QCOMPARE(fixture.count(QStringLiteral("select count(*) from masterarhive")), 0);
}

void ArchiveTransferTest::quotesInTypeAndNumberAreKeptAsTyped() {
  ArchiveFixture fixture;
  fixture.addBase(kBase);
  const QString type = QStringLiteral("СЕ\"30'1%");
  const QString number = QStringLiteral("01\"_3");
  const qint64 meter = fixture.addMeter(kBase, 1, type, number);
  fixture.addPoint(meter, 100, 100, QStringLiteral("1"), 0.1, QDate(2024, 1, 1), QStringLiteral("R"));
  fixture.chooseMeter(kBase, 1);
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  const auto meters = fixture.rows(QStringLiteral("select Tip, MyNumber from masterarhive"));
  QCOMPARE(meters, (QList<QVariantList>{{type, number}}));
  QCOMPARE(archivedPoints(fixture).size(), 2);
}

// The archive needs an owner; a meter without one is refused as a whole, and
// the next archiving of a complete meter works.
void ArchiveTransferTest::meterThatCannotBeStoredArchivesNothing() {
  ArchiveFixture fixture;
  fixture.addBase(kBase);
  const qint64 incomplete =
      fixture.addMeter(kBase, 1, QStringLiteral("А1"), QStringLiteral("1"), 2001, QString());
  fixture.addPoint(incomplete, 100, 100, QStringLiteral("1"), 0.1, QDate(2024, 1, 1), QStringLiteral("R"));
  fixture.chooseMeter(kBase, 1);
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr));
  QCOMPARE(fixture.count(QStringLiteral("select count(*) from masterarhive")), 0);
  QCOMPARE(fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 0);
  QCOMPARE(fixture.dm().archivedMeterTable->state(), DatasetState::Browse);

  const qint64 complete = fixture.addMeter(kBase, 2, QStringLiteral("А2"), QStringLiteral("2"));
  fixture.addPoint(complete, 100, 100, QStringLiteral("1"), 0.1, QDate(2024, 1, 1), QStringLiteral("R"));
  fixture.chooseMeter(kBase, 2);
  addChosenMeterToArchive(fixture.dm(), fixture.selection(), nullptr);
  QCOMPARE(fixture.rows(QStringLiteral("select Tip from masterarhive")), (QList<QVariantList>{{"А2"}}));
  QCOMPARE(fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 1);
}

VT3417_REGISTER_TEST(ArchiveTransferTest)
#include "ArchiveTransferTest.moc"
