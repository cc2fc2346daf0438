#include <QTest>

#include "../database/DatabaseFixture.h"
#include "database/Statements.h"
#include "link/ResultRecording.h"
#include "support/TestRegistry.h"

// Storing test points from the values read off the instrument, on a real
// database file.
class ResultRecordingTest : public QObject {
  Q_OBJECT
 private slots:
  void storedError_data();
  void storedError();
  void onlyMetersOfReadPages_data();
  void onlyMetersOfReadPages();
  void fieldsOfAStoredPoint();
  void baseWithoutMetersInUseStoresNothing();
  void chosenMeterIsRenumberedAtOnce();
  void slotOutsideOneToEightIsSkipped_data();
  void slotOutsideOneToEightIsSkipped();
};

namespace {

struct Session : DatabaseFixture {
  MeasuredValues values;
  QHash<int, qint64> meterOfSlot;

  // Base Б1 (220 V, 5 A) with meters in the given slots, chosen in bases.
  explicit Session(QList<int> slotsInUse, QList<int> slotsNotInUse = {}) {
    addBase("Б1");
    for (const int slot : slotsInUse) meterOfSlot[slot] = addMeter("Б1", slot);
    for (const int slot : slotsNotInUse) meterOfSlot[slot] = addMeter("Б1", slot, false);
    dm->bases->reopen(Statements::baseByName("Б1"));
    values.setNominalTexts("220", "5");
    values.phaseVoltageText = {"209", "209", "209"};
    values.phaseCurrentText = {"2.5", "2.5", "2.5"};
    values.powerFactorText = "0.866/";
    for (int meter = 0; meter < 8; ++meter)
      values.meterErrorText[meter] = QString(" 0.%1    ").arg(meter + 1);
  }

  int store(bool page14, bool page58, int chosenMeter = 0) {
    if (!dm->testPoints->isOpen()) dm->testPoints->open();
    return storeTestPoints(*dm, {page14, page58, &values, chosenMeter, QDate(2024, 5, 17)});
  }

  QList<int> slotsWithPoints() {
    QList<int> found;
    for (auto it = meterOfSlot.cbegin(); it != meterOfSlot.cend(); ++it) {
      if (count("select count(*) from slave where Num = ?", {it.value()}) > 0) found << it.key();
    }
    std::sort(found.begin(), found.end());
    return found;
  }
};

}  // namespace

void ResultRecordingTest::storedError_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("hasValue");
  QTest::addColumn<double>("expected");
  QTest::newRow("small, half to even down") << "   0.125 " << true << 0.12;
  QTest::newRow("small, half to even up") << "   0.375 " << true << 0.38;
  QTest::newRow("negative tie") << "  -0.125 " << true << -0.12;
  QTest::newRow("rounded to hundredths") << "  0.4567 " << true << 0.46;
  QTest::newRow("decimal tie stays a tie") << "   0.285 " << true << 0.28;
  QTest::newRow("decimal tie to the even 30") << "   0.295 " << true << 0.30;
  QTest::newRow("ten and more unrounded") << "-12.345 " << true << -12.345;
  QTest::newRow("exactly ten") << "  10.005" << true << 10.005;
  QTest::newRow("just below ten") << "  9.996 " << true << 10.0;
  QTest::newRow("zero") << "   0.000 " << true << 0.0;
  QTest::newRow("question mark") << "    ?    " << false << 0.0;
  QTest::newRow("question mark alone") << "?" << false << 0.0;
  QTest::newRow("letters") << QString::fromUtf8(" ОБРЫВ  ") << false << 0.0;
  QTest::newRow("blank field") << "         " << false << 0.0;
  QTest::newRow("empty") << "" << false << 0.0;
  QTest::newRow("minus only") << "   -   " << false << 0.0;
}

void ResultRecordingTest::storedError() {
  QFETCH(QString, text);
  QFETCH(bool, hasValue);
  QFETCH(double, expected);
  const std::optional<double> value = ::storedError(text);
  QCOMPARE(value.has_value(), hasValue);
  if (hasValue) QCOMPARE(roundedError(*value), expected);
}

void ResultRecordingTest::onlyMetersOfReadPages_data() {
  QTest::addColumn<bool>("page14");
  QTest::addColumn<bool>("page58");
  QTest::addColumn<QList<int>>("expected");
  QTest::newRow("page 1-4 only") << true << false << QList<int>{1, 2, 4};
  QTest::newRow("page 5-8 only") << false << true << QList<int>{5, 8};
  QTest::newRow("both pages") << true << true << QList<int>{1, 2, 4, 5, 8};
  QTest::newRow("no page") << false << false << QList<int>{};
}

// Only meters in use whose page was read get a point; slot 3 is not in use.
void ResultRecordingTest::onlyMetersOfReadPages() {
  QFETCH(bool, page14);
  QFETCH(bool, page58);
  QFETCH(QList<int>, expected);
  Session session({1, 2, 4, 5, 8}, {3});
  QCOMPARE(session.store(page14, page58), expected.size());
  QCOMPARE(session.slotsWithPoints(), expected);
}

void ResultRecordingTest::fieldsOfAStoredPoint() {
  Session session({1, 2});
  session.values.meterErrorText[0] = "  -0.125 ";
  session.values.meterErrorText[1] = "    ?    ";
  QCOMPARE(session.store(true, false), 2);
  QSqlQuery rows = session.db().execute(
      {"select Num, Voltage, Tok, KM, Opogr, Date, Rep, Count from slave order by Num", {}, "slave"});
  QVERIFY(rows.next());
  QCOMPARE(rows.value(0).toLongLong(), session.meterOfSlot[1]);
  QCOMPARE(rows.value(1).toDouble(), 95.0);
  QCOMPARE(rows.value(2).toDouble(), 50.0);
  QCOMPARE(rows.value(3).toString(), QStringLiteral("0.866/"));
  QCOMPARE(rows.value(4).toDouble(), -0.12);
  QCOMPARE(rows.value(5).toDate(), QDate(2024, 5, 17));
  QVERIFY(rows.value(6).toString().isEmpty());
  QVERIFY(rows.value(7).isNull());
  // An unreadable error is stored empty, never as a perfect 0.
  QVERIFY(rows.next());
  QVERIFY(rows.value(4).isNull());
}

void ResultRecordingTest::baseWithoutMetersInUseStoresNothing() {
  Session session({}, {1, 5});
  QCOMPARE(session.store(true, true), 0);
  QCOMPARE(session.count("select count(*) from slave"), 0);
}

// The meter shown in the main window: its zero-voltage points go and the rest
// are numbered at once, the new point included; other meters wait.
void ResultRecordingTest::chosenMeterIsRenumberedAtOnce() {
  Session session({1, 2});
  const qint64 chosen = session.meterOfSlot[1];
  for (const double voltage : {0.0, 100.0, 0.0, 98.0}) session.addPoints(chosen, 1, voltage);
  session.addPoints(session.meterOfSlot[2], 1, 0);
  session.dm->meters->reopen(Statements::meterInSlotInUse("Б1", 1));
  session.dm->testPoints->open();
  QCOMPARE(session.store(true, false, static_cast<int>(chosen)), 2);
  QSqlQuery rows =
      session.db().execute({"select Voltage, Count from slave where Num = ? order by N", {chosen}, "slave"});
  QList<std::pair<double, int>> points;
  while (rows.next()) points.append({rows.value(0).toDouble(), rows.value(1).toInt()});
  QCOMPARE(points, (QList<std::pair<double, int>>{{100, 1}, {98, 2}, {95, 3}}));
  QCOMPARE(
      session.count("select count(*) from slave where Num = ? and Count is null", {session.meterOfSlot[2]}),
      2);
}

void ResultRecordingTest::slotOutsideOneToEightIsSkipped_data() {
  QTest::addColumn<int>("slot");
  QTest::newRow("0") << 0;
  QTest::newRow("-1") << -1;
  QTest::newRow("9") << 9;
  QTest::newRow("1000") << 1000;
}

// A meter in use with a slot number no page has (a damaged or hand-edited
// database) gets no point, and its neighbours are stored as usual.
void ResultRecordingTest::slotOutsideOneToEightIsSkipped() {
  QFETCH(int, slot);
  Session session({1, slot, 8});
  QCOMPARE(session.store(true, true), 2);
  QCOMPARE(session.slotsWithPoints(), (QList<int>{1, 8}));
}

VT3417_REGISTER_TEST(ResultRecordingTest)
#include "ResultRecordingTest.moc"
