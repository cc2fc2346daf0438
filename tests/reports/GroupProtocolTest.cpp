#include <QTest>

#include "support/TestRegistry.h"

#include "reports/DocxReadBack.h"
#include "reports/ProtocolFixture.h"
#include "reports/WordProtocols.h"
#include "ui/Selection.h"

namespace {

const QString kBase = QStringLiteral("Б1");
using Point = ProtocolFixture::Point;

// Twelve empty cells.
QStringList emptyRow() { return QStringList(12, QString()); }

QStringList row(std::initializer_list<std::pair<int, QString>> cells) {
  QStringList row = emptyRow();
  for (const auto& [column, text] : cells) row[column - 1] = text;
  return row;
}

}  // namespace

class GroupProtocolTest : public QObject {
  Q_OBJECT
 private slots:
  void meterColumnsBySlot();
  void meterWithMoreMarkedPointsThanChosenOne();
  void errorsFollowTheirConditions();
  void placeholdersReplaced();
};

// Meters in slots 1, 2 and 5 (slot 2 chosen); slot 3 is not in use although
// it has marked points. Serial numbers stand over the error columns 5, 6 and
// 9. The rows are the chosen meter's conditions in its order, then those only
// the others have; each error stands in the row of the condition it was
// measured under.
void GroupProtocolTest::meterColumnsBySlot() {
  ProtocolFixture fixture;
  fixture.addBase(kBase);
  const qint64 slot5 = fixture.addMeter(kBase, 5, "1005");
  const qint64 slot2 = fixture.addMeter(kBase, 2, "1002");
  const qint64 slot3 = fixture.addMeter(kBase, 3, "1003", false);
  const qint64 slot1 = fixture.addMeter(kBase, 1, "1001");
  fixture.addPoint(slot2, Point{100, 100, "1", 0.25, "R", 1});
  fixture.addPoint(slot2, Point{100, 50, "0.5/L", -0.5, "", 2});
  fixture.addPoint(slot2, Point{110, 10, "0.8/C", QVariant(), "R", 3});
  fixture.addPoint(slot2, Point{90, 5, "1", 1.75, "R", 4});
  fixture.addPoint(slot1, Point{90, 5, "1", 0.11, "R", 1});
  fixture.addPoint(slot1, Point{100, 100, "1", 0.12, "R", 2});
  fixture.addPoint(slot5, Point{60, 1, "0.5/C", -0.51, "R", 1});
  fixture.addPoint(slot5, Point{60, 1, "0.5/C", 9.9, "", 2});
  fixture.addPoint(slot5, Point{110, 10, "0.8/C", -0.52, "R", 3});
  fixture.addPoint(slot3, Point{100, 100, "1", 7.77, "R", 1});
  fixture.chooseMeter(kBase, 2);

  const DocxReadBack document = readDocx(fixture.groupReport());

  QCOMPARE(document.table.size(), 8);  // with the row "Заключение", empty without a limits file
  QCOMPARE(document.table[7], row({{2, "Заключение"}}));
  QCOMPARE(document.table[1][4], "Счётчик 1");  // the heading is not written
  QCOMPARE(document.table[2], row({{5, "1001"}, {6, "1002"}, {9, "1005"}}));
  QCOMPARE(document.table[3], row({{1, "1"}, {2, "100"}, {3, "100"}, {4, "1"}, {5, "0,12"}, {6, "0,25"}}));
  QCOMPARE(document.table[4], row({{1, "2"}, {2, "110"}, {3, "10"}, {4, "0.8/C"}, {6, ""}, {9, "-0,52"}}));
  QCOMPARE(document.table[5], row({{1, "3"}, {2, "90"}, {3, "5"}, {4, "1"}, {5, "0,11"}, {6, "1,75"}}));
  QCOMPARE(document.table[6], row({{1, "4"}, {2, "60"}, {3, "1"}, {4, "0.5/C"}, {9, "-0,51"}}));
  QVERIFY(!document.allText().contains("7,77"));
  QVERIFY(!document.allText().contains("9,9"));
  // meters is left on the base's last meter in use, testPoints following it.
  QCOMPARE(fixture.dm->meters->recordCount(), 3);
  QCOMPARE(fixture.dm->meters->fieldByName("NumberCh").asInteger(), 5);
  QCOMPARE(fixture.dm->testPoints->recordCount(), 3);
}

// The other meter marked more points than the chosen one: its further
// conditions get rows of their own, each showing its conditions.
void GroupProtocolTest::meterWithMoreMarkedPointsThanChosenOne() {
  ProtocolFixture fixture;
  fixture.addBase(kBase);
  const qint64 chosen = fixture.addMeter(kBase, 1, "1001");
  const qint64 other = fixture.addMeter(kBase, 8, "1008");
  fixture.addMarkedPoints(chosen, 1, 0.5);
  fixture.addMarkedPoints(other, 3, 0.2);
  fixture.chooseMeter(kBase, 1);

  const DocxReadBack document = readDocx(fixture.groupReport());

  QCOMPARE(document.table.size(), 7);
  QCOMPARE(document.table[2], row({{5, "1001"}, {12, "1008"}}));
  QCOMPARE(document.table[3], row({{1, "1"}, {2, "100"}, {3, "5"}, {4, "1"}, {5, "0,5"}, {12, "0,2"}}));
  QCOMPARE(document.table[4], row({{1, "2"}, {2, "100"}, {3, "6"}, {4, "1"}, {12, "0,21"}}));
  QCOMPARE(document.table[5], row({{1, "3"}, {2, "100"}, {3, "7"}, {4, "1"}, {12, "0,22"}}));
  QCOMPARE(document.table[6], row({{2, "Заключение"}}));
  QCOMPARE(fixture.storedProtocolNumber(), "10");
}

// Meters that marked the same conditions in another order: 10 % and 100 %
// current. The chosen meter's order decides the rows; a condition a meter
// marked twice gets a second row, so that neither error is lost.
void GroupProtocolTest::errorsFollowTheirConditions() {
  ProtocolFixture fixture;
  fixture.addBase(kBase);
  const qint64 chosen = fixture.addMeter(kBase, 3, "1003");
  const qint64 other = fixture.addMeter(kBase, 4, "1004");
  fixture.addPoint(chosen, Point{100, 100, "1", 0.3, "R", 1});
  fixture.addPoint(chosen, Point{100, 10, "1", 0.4, "R", 2});
  fixture.addPoint(other, Point{100, 10, "1", -0.1, "R", 1});
  fixture.addPoint(other, Point{100, 100, "1", -0.2, "R", 2});
  fixture.addPoint(other, Point{100, 10, "1", -0.15, "R", 3});
  fixture.chooseMeter(kBase, 3);

  const DocxReadBack document = readDocx(fixture.groupReport());

  QCOMPARE(document.table.size(), 7);
  QCOMPARE(document.table[3], row({{1, "1"}, {2, "100"}, {3, "100"}, {4, "1"}, {7, "0,3"}, {8, "-0,2"}}));
  QCOMPARE(document.table[4], row({{1, "2"}, {2, "100"}, {3, "10"}, {4, "1"}, {7, "0,4"}, {8, "-0,1"}}));
  QCOMPARE(document.table[5], row({{1, "3"}, {2, "100"}, {3, "10"}, {4, "1"}, {8, "-0,15"}}));
  QCOMPARE(document.table[6], row({{2, "Заключение"}}));  // the conclusion row comes after every condition
}

void GroupProtocolTest::placeholdersReplaced() {
  ProtocolFixture fixture;
  fixture.writeTemplate("Glook.doc", splitRunTemplate(ProtocolFixture::shippedTemplate("Glook.doc")));
  fixture.addBase(kBase, 230, 5, QVariant());
  const qint64 meter = fixture.addMeter(kBase, 4, "1004", true, QVariant());
  fixture.addMarkedPoints(meter, 1);
  fixture.chooseMeter(kBase, 4);

  const DocxReadBack document = readDocx(fixture.groupReport());

  const QStringList expected = {
      "ГРУППОВОЙ ПРОТОКОЛ ПОВЕРКИ № 9",
      "от " + todayText(),
      "Счётчики электрической энергии типа СО-505, изготовитель Завод 'Энергомера'",
      "Класс точности: ; номинальное напряжение 230 В; номинальный ток 5 А",
      "Дата предыдущей поверки: ",
      "Средства поверки: установка для поверки счётчиков электрической энергии СТ3416 № 1234 с "
      "ваттметром-счётчиком эталонным ВТ3417; свидетельство о поверке № С-77 от 15.01.2024, действительно до "
      "15.01.2025.",
  };
  QCOMPARE(document.missingParagraphs(expected), QStringList());
  QVERIFY(!document.allText().contains("<L"));
}

VT3417_REGISTER_TEST(GroupProtocolTest)
#include "GroupProtocolTest.moc"
