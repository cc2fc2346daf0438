#include <QTest>

#include "support/TestRegistry.h"

#include "database/DataModule.h"
#include "database/FieldText.h"
#include "database/MemoryDataset.h"

// Edit texts of field values, as every report and exportRows write them.
class FieldTextTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { QLocale::setDefault(QLocale::c()); }
  void editTexts_data();
  void editTexts();
  void rxDataKeepsNullApartFromEmptyAndCutsTexts();
};

void FieldTextTest::editTexts_data() {
  QTest::addColumn<QString>("locale");
  QTest::addColumn<QVariant>("value");
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("text");
  const int real = int(FieldType::Real);
  const QString ru = "ru_RU";
  QTest::newRow("ru real") << ru << QVariant(0.46) << real << "0,46";
  QTest::newRow("ru whole real") << ru << QVariant(100.0) << real << "100";
  QTest::newRow("ru negative real") << ru << QVariant(-12.345) << real << "-12,345";
  QTest::newRow("ru fifteen digits") << ru << QVariant(0.1 + 0.2) << real << "0,3";
  QTest::newRow("ru tiny real") << ru << QVariant(1.5e-7) << real << "1,5E-7";
  QTest::newRow("ru no group separator") << ru << QVariant(1234567.5) << real << "1234567,5";
  QTest::newRow("C real") << "C" << QVariant(0.46) << real << "0.46";
  QTest::newRow("ru date") << ru << QVariant(QDate(2024, 3, 5)) << int(FieldType::Date) << "05.03.2024";
  QTest::newRow("integer") << ru << QVariant(qint64(-1234567)) << int(FieldType::Integer) << "-1234567";
  QTest::newRow("text as stored") << ru << QVariant(" 0,5/L ") << int(FieldType::Text) << " 0,5/L ";
  QTest::newRow("null real") << ru << QVariant() << real << "";
  QTest::newRow("null date") << ru << QVariant() << int(FieldType::Date) << "";
  QTest::newRow("bool") << ru << QVariant(true) << int(FieldType::Bool) << "True";
}

void FieldTextTest::editTexts() {
  QFETCH(QString, locale);
  QFETCH(QVariant, value);
  QFETCH(int, type);
  QFETCH(QString, text);
  QLocale::setDefault(QLocale(locale));
  QCOMPARE(fieldEditText(value, FieldType(type)), text);
}

void FieldTextTest::rxDataKeepsNullApartFromEmptyAndCutsTexts() {
  MemoryDataset rx(DataModule::exportRowFields(), 20);
  QCOMPARE(rx.fieldNames().size(), 17);  // the fifteen fields, the limit and the verdict
  rx.append();
  rx.setText("Tip", "Меркурий 230 ART-03 PQRSIDN");
  rx.setText("voltage", "");
  rx.append();
  rx.setText("VOLTAGE", "100");
  rx.first();
  QCOMPARE(rx.text("tip"), QString("Меркурий 230 ART-03 "));
  QVERIFY(!rx.isNull("Voltage"));
  QVERIFY(rx.isNull("Number"));
  rx.next();
  QVERIFY(rx.isNull("Tip"));
  QCOMPARE(rx.text("voltage"), QString("100"));
  rx.next();
  QVERIFY(rx.eof());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, rx.setText("Pogr2", "x"));
  rx.close();
  rx.open();
  QCOMPARE(rx.recordCount(), 0);
}

VT3417_REGISTER_TEST(FieldTextTest)
#include "FieldTextTest.moc"
