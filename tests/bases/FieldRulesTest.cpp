#include <QTest>

#include "support/TestRegistry.h"

#include "bases/FieldRules.h"

class FieldRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void capitals_data();
  void capitals();
  void serialNumberCharacters();
  void clampedNominal_data();
  void clampedNominal();
};

void FieldRulesTest::capitals_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("latin") << "abz"
                         << "ABZ";
  QTest::newRow("cyrillic first and last") << "аб1я"
                                           << "АБ1Я";
  QTest::newRow("capitals and digits stay") << "AБ-12 x"
                                            << "AБ-12 X";
  // ё lies outside а..я and is kept as typed, like other letters.
  QTest::newRow("yo kept") << "ё"
                           << "ё";
  QTest::newRow("quotes kept") << "\"a'"
                               << "\"A'";
}

void FieldRulesTest::capitals() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  QCOMPARE(capitalLetters(typed), shown);
}

void FieldRulesTest::serialNumberCharacters() {
  for (const QChar c : QStringLiteral("09AZАЯ")) QVERIFY2(isSerialNumberCharacter(c), qPrintable(QString(c)));
  for (const QChar c : QStringLiteral("az ая-./Ё\""))
    QVERIFY2(!isSerialNumberCharacter(c), qPrintable(QString(c)));
}

void FieldRulesTest::clampedNominal_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("low");
  QTest::addColumn<double>("high");
  QTest::addColumn<QString>("result");
  QTest::newRow("voltage above") << "400" << 57.7 << 380.0 << "380";
  QTest::newRow("voltage lower bound stays") << "57.7" << 57.7 << 380.0 << "57.7";
  QTest::newRow("voltage upper bound stays") << "380" << 57.7 << 380.0 << "380";
  QTest::newRow("voltage below") << "10" << 57.7 << 380.0 << "57.7";
  QTest::newRow("inside rewritten") << "0220.0" << 57.7 << 380.0 << "220";
  QTest::newRow("empty stays empty") << "" << 57.7 << 380.0 << "";
  QTest::newRow("not a number is the lower bound") << "." << 57.7 << 380.0 << "57.7";
  QTest::newRow("current above") << "7" << 1.0 << 5.0 << "5";
  QTest::newRow("constant below") << "0.05" << 0.1 << 99999999.0 << "0.1";
  QTest::newRow("constant big") << "99999999" << 0.1 << 99999999.0 << "99999999";
}

void FieldRulesTest::clampedNominal() {
  QFETCH(QString, text);
  QFETCH(double, low);
  QFETCH(double, high);
  QFETCH(QString, result);
  QCOMPARE(clampedNominalText(text, {low, high}), result);
}

VT3417_REGISTER_TEST(FieldRulesTest)
#include "FieldRulesTest.moc"
