#include <QLocale>
#include <QTest>

#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "archive/ArchiveListStatement.h"
#include "archive/ArchiveProtocol.h"
#include "database/DataModule.h"
#include "reports/AccuracyLimits.h"
#include "support/TempProgramDir.h"

namespace {

const QStringList kMeterFields{"Tip",   "Number",   "Year", "User", "Maker",
                               "KlasT", "Nvoltage", "NTok", "pered"};
const QStringList kPointFields{"voltage", "tok", "Km", "Pogr", "Date", "OldDate"};

// exportRows as rows of texts; null shows as "<null>".
QList<QStringList> rxRows(DataModule& dm) {
  QList<QStringList> rows;
  MemoryDataset& rx = *dm.exportRows;
  for (rx.first(); !rx.eof(); rx.next()) {
    QStringList row;
    for (const QString& field : DataModule::exportRowFields())
      row << (rx.isNull(field) ? QStringLiteral("<null>") : rx.text(field));
    rows << row;
  }
  return rows;
}

void listWholeArchive(DataModule& dm) { dm.archivedMeters->reopen(Statements::allArchivedMeters()); }

}  // namespace

class ArchiveProtocolTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
  void cleanup() { QLocale::setDefault(QLocale::c()); }

  void meterFieldsOnlyOnItsFirstRow();
  void meterWithoutPointsAddsNoRow();
  void emptyListMakesNoReport();
  void nominalValuesComeFromTheBaseAsItIsNow();
  void rowsFollowTheBrowsersListOrder();
  void longValuesAreCutTo20();
  void limitsAndVerdicts_data();
  void limitsAndVerdicts();
};

void ArchiveProtocolTest::meterFieldsOnlyOnItsFirstRow() {
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"), 57.7, 1, 2500, 0.5);
  const qint64 meter = fixture.addArchivedMeter(QStringLiteral("СЕ301"), QStringLiteral("0123"), 2005);
  fixture.addArchivedPoint(meter, 1, 0.25);
  fixture.addArchivedPoint(meter, 2, -1.5);
  fixture.addArchivedPoint(meter, 3, 0);
  listWholeArchive(fixture.dm());

  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows.size(), 3);
  QCOMPARE(rows[0],
           (QStringList{"СЕ301", "0123", "2005", "ЛАБОРАТОРИЯ", "ЗАВОД", "0,5", "57,7", "1", "2500", "100",
                        "100", "0.5/L", "0,25", "05.03.2024", "14.05.2020", "<null>", "<null>"}));
  for (int i = 1; i < 3; ++i) {
    for (int field = 0; field < 9; ++field) QCOMPARE(rows[i][field], QStringLiteral("<null>"));
    QCOMPARE(rows[i].mid(9), (QStringList{"100", "100", "0.5/L", i == 1 ? "-1,5" : "0", "05.03.2024",
                                          "14.05.2020", "<null>", "<null>"}));
  }
  // The browser's datasets end on the last meter and its last point.
  QCOMPARE(fixture.dm().archivedPoints->fieldByName(QStringLiteral("Count")).asInteger(), 3);
}

void ArchiveProtocolTest::meterWithoutPointsAddsNoRow() {
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"));
  fixture.addArchivedMeter(QStringLiteral("БЕЗ"), QStringLiteral("1"), 2001);
  listWholeArchive(fixture.dm());
  // Meters listed, none with points: the report runs on no rows.
  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  QCOMPARE(fixture.dm().exportRows->recordCount(), 0);

  const qint64 withPoints = fixture.addArchivedMeter(QStringLiteral("С"), QStringLiteral("2"), 2002);
  fixture.addArchivedPoint(withPoints, 1);
  listWholeArchive(fixture.dm());
  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows.size(), 1);
  QCOMPARE(rows[0][0], QStringLiteral("С"));
}

void ArchiveProtocolTest::emptyListMakesNoReport() {
  ArchiveFixture fixture;
  fixture.dm().exportRows->append();  // rows of an earlier run are dropped
  listWholeArchive(fixture.dm());
  QVERIFY(!fillArchiveProtocolRows(fixture.dm()));
  QCOMPARE(fixture.dm().exportRows->recordCount(), 0);
}

// The base as it stands now; a deleted base leaves the nominal fields empty.
void ArchiveProtocolTest::nominalValuesComeFromTheBaseAsItIsNow() {
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"), 380, 5, 1000, 2);
  fixture.addArchivedPoint(fixture.addArchivedMeter(QStringLiteral("А"), QStringLiteral("1"), 2001), 1);
  fixture.addArchivedPoint(
      fixture.addArchivedMeter(QStringLiteral("Б"), QStringLiteral("2"), 2002, QStringLiteral("УДАЛЕНА")), 1);
  listWholeArchive(fixture.dm());
  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows.size(), 2);
  QCOMPARE(rows[0].mid(5, 4), (QStringList{"2", "380", "5", "1000"}));
  QCOMPARE(rows[1].mid(5, 4), (QStringList{"<null>", "<null>", "<null>", "<null>"}));
  QCOMPARE(rows[1].mid(0, 5), (QStringList{"Б", "2", "2002", "ЛАБОРАТОРИЯ", "ЗАВОД"}));
  // The base query is left on the last meter's base.
  QVERIFY(fixture.dm().bases->isEmpty());
}

void ArchiveProtocolTest::rowsFollowTheBrowsersListOrder() {
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"));
  fixture.addArchivedPoint(fixture.addArchivedMeter(QStringLiteral("В"), QStringLiteral("1"), 2003), 1);
  fixture.addArchivedPoint(fixture.addArchivedMeter(QStringLiteral("А"), QStringLiteral("3"), 2001), 1);
  fixture.addArchivedPoint(fixture.addArchivedMeter(QStringLiteral("Б"), QStringLiteral("2"), 2002), 1);
  Statements::ArchiveFilter filter;
  filter.yearFrom = QStringLiteral("2002");
  filter.yearTo = QStringLiteral("2003");
  fixture.dm().archivedMeters->reopen(archiveListStatement(filter, QStringLiteral("myNumber")));
  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows.size(), 2);
  QCOMPARE(rows[0][0], QStringLiteral("В"));
  QCOMPARE(rows[1][0], QStringLiteral("Б"));
}

void ArchiveProtocolTest::longValuesAreCutTo20() {
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"));
  const QString twentyLetters = QStringLiteral("АБВГДЕЖЗИЙКЛМНОПРСТУ");
  const qint64 meter = fixture.addArchivedMeter(twentyLetters, QStringLiteral("1"), 2001);
  fixture.addArchivedPoint(meter, 1, -0.000123456789012345);  // 21 characters as text
  listWholeArchive(fixture.dm());
  QVERIFY(fillArchiveProtocolRows(fixture.dm()));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows[0][0], twentyLetters);
  QCOMPARE(rows[0][12], QStringLiteral("-0,00012345678901234"));
}

void ArchiveProtocolTest::limitsAndVerdicts_data() {
  QTest::addColumn<QList<double>>("errors");
  QTest::addColumn<QString>("programs");  // rows of programs.csv
  QTest::addColumn<QString>("verdict");
  const QString classProgram = QStringLiteral("1;;100;100;0.5/L\n1;;100;10;0.5/L\n");
  QTest::newRow("all within, one at the limit") << QList<double>{0.25, -1.0} << ""
                                                << "годен";
  QTest::newRow("one beyond") << QList<double>{0.25, -1.5, 0} << ""
                              << "не годен";
  QTest::newRow("program point missing") << QList<double>{0.25, -1.0} << classProgram << "<null>";
  QTest::newRow("program point missing, one beyond")
      << QList<double>{0.25, -1.5} << classProgram << "не годен";
  QTest::newRow("the type's own program done")
      << QList<double>{0.25} << classProgram + "1;се301;100;100;0.5/L\n"
      << "годен";
}

// Points of class 1 at 100 % and 0.5/L: the limit ±1,0 on every row, the
// verdict (against the program of the meter's class and type) on the first.
void ArchiveProtocolTest::limitsAndVerdicts() {
  QFETCH(QList<double>, errors);
  QFETCH(QString, programs);
  QFETCH(QString, verdict);
  ArchiveFixture fixture;
  fixture.addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.addArchivedMeter(QStringLiteral("СЕ301"), QStringLiteral("0123"), 2005);
  for (int i = 0; i < errors.size(); ++i) fixture.addArchivedPoint(meter, i + 1, errors[i]);
  listWholeArchive(fixture.dm());
  QStringList problems;
  const AccuracyLimits limits =
      AccuracyLimits::load(sourceTreePath(QStringLiteral("data/sources/limits.csv")), &problems);
  const VerificationPrograms program = VerificationPrograms::parse(programs, "programs.csv", &problems);
  QVERIFY(fillArchiveProtocolRows(fixture.dm(), limits, program));
  const auto rows = rxRows(fixture.dm());
  QCOMPARE(rows.size(), errors.size());
  for (int i = 0; i < rows.size(); ++i) {
    QCOMPARE(rows[i][15], QStringLiteral("±1,0"));
    QCOMPARE(rows[i][16], i == 0 ? verdict : QStringLiteral("<null>"));
  }
}

VT3417_REGISTER_TEST(ArchiveProtocolTest)
#include "ArchiveProtocolTest.moc"
