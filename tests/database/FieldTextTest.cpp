#include <QTest>

#include "support/TestRegistry.h"

#include "database/DataModule.h"
#include "database/FieldText.h"
#include "database/FieldValue.h"
#include "database/MemoryDataset.h"

// Edit texts of field values, as every report and exportRows write them.
class FieldTextTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { QLocale::setDefault(QLocale::c()); }
  void editTexts_data();
  void editTexts();
  void storedValuesAreReadOrKeptAsStored_data();
  void storedValuesAreReadOrKeptAsStored();
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

void FieldTextTest::storedValuesAreReadOrKeptAsStored_data() {
  QTest::addColumn<QVariant>("stored");  // as the driver returns it
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("text");   // the edit text (Russian locale)
  QTest::addColumn<bool>("readable");  // reads as a value of the kind
  const int real = int(FieldType::Real);
  const int integer = int(FieldType::Integer);
  const int date = int(FieldType::Date);
  QTest::newRow("real") << QVariant(5.0) << real << "5" << true;
  QTest::newRow("real as text with a point") << QVariant(" 5.25 ") << real << "5,25" << true;
  QTest::newRow("real as text with a comma") << QVariant("5,0") << real << "5,0" << false;
  QTest::newRow("word in a real") << QVariant("abc") << real << "abc" << false;
  QTest::newRow("empty text in a real") << QVariant("") << real << "" << false;
  QTest::newRow("word in an integer") << QVariant("abc") << integer << "abc" << false;
  QTest::newRow("integer as text") << QVariant("2019") << integer << "2019" << true;
  QTest::newRow("impossible date") << QVariant("2024-02-30") << date << "2024-02-30" << false;
  QTest::newRow("stored date") << QVariant("2024-03-05") << date << "05.03.2024" << true;
}

// A stored value that does not read as its column's kind (text in a number
// column, written by another tool) is kept as the text stored: shown as it is,
// never taken for 0 or for no date.
void FieldTextTest::storedValuesAreReadOrKeptAsStored() {
  QFETCH(QVariant, stored);
  QFETCH(int, type);
  QFETCH(QString, text);
  QFETCH(bool, readable);
  QLocale::setDefault(QLocale("ru_RU"));
  const FieldDef field{"Opogr", FieldType(type)};
  const QVariant value = FieldValue::fromDatabase(stored, field.type);
  QCOMPARE(fieldEditText(value, field.type), text);
  const auto readAsItsKind = [&] {
    if (field.type == FieldType::Date)
      FieldValue::toDate(value, field);
    else
      FieldValue::toReal(value, field);
  };
  if (readable) {
    readAsItsKind();
  } else {
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, readAsItsKind());
  }
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
