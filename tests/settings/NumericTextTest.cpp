#include <QLocale>
#include <QTest>

#include "support/TestRegistry.h"

#include "settings/Cp1251.h"
#include "settings/NumericText.h"

class NumericTextTest : public QObject {
  Q_OBJECT
 private slots:
  void textToNumber_data();
  void textToNumber();
  void numberToText_data();
  void numberToText();
  void numberToTextIgnoresLocale();
  void percentOfNominal_data();
  void percentOfNominal();
  void cp1251RoundTrip();
};

void NumericTextTest::textToNumber_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("expected");
  QTest::newRow("decimal") << "12.5" << 12.5;
  QTest::newRow("negative decimal") << "-12.5" << -12.5;
  QTest::newRow("spaces anywhere") << " 2 20 " << 220.0;
  QTest::newRow("space in thousands") << "1 600" << 1600.0;
  QTest::newRow("leading point") << ".5" << 0.5;
  QTest::newRow("zero point five") << "0.5" << 0.5;
  QTest::newRow("trailing point") << "5." << 5.0;
  QTest::newRow("leading zeros") << "007" << 7.0;
  QTest::newRow("05") << "05" << 5.0;
  QTest::newRow("10") << "10" << 10.0;
  QTest::newRow("last point counts") << "1.2.3" << 12.3;
  QTest::newRow("inner minus with point") << "1-2.5" << 12.5;
  QTest::newRow("letter rejects") << QString::fromUtf8("12А") << 0.0;
  QTest::newRow("empty") << "" << 0.0;
  QTest::newRow("spaces only") << "   " << 0.0;
  QTest::newRow("zeros") << "0.00" << 0.0;
  QTest::newRow("lone minus") << "-" << 0.0;
  QTest::newRow("minus zero") << "-0" << 0.0;
  QTest::newRow("lone point") << "." << 0.0;
  QTest::newRow("negative quarter") << "-0.25" << -0.25;
  QTest::newRow("negative integer") << "-17" << -17.0;
  // Text an integer reading rejects gives 0 instead of an error.
  QTest::newRow("inner minus integer") << "1-2" << 0.0;
  QTest::newRow("double minus") << "--5" << 0.0;
  // Integers beyond 32 bits are read as numbers.
  QTest::newRow("beyond 32 bits") << "12345678901" << 12345678901.0;
  QTest::newRow("negative beyond 32 bits") << "-9876543210" << -9876543210.0;
  // Ten or more digits after the point are scaled correctly.
  QTest::newRow("ten decimals") << "0.0000000001" << 1e-10;
  QTest::newRow("twelve decimals") << "1.234567890123" << 1.234567890123;
}

void NumericTextTest::textToNumber() {
  QFETCH(QString, text);
  QFETCH(double, expected);
  QCOMPARE(::textToNumber(text), expected);
}

void NumericTextTest::numberToText_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<QString>("expected");
  QTest::newRow("integer") << 220.0 << "220";
  QTest::newRow("thousandths") << 0.005 << "0.005";
  QTest::newRow("negative") << -1.5 << "-1.5";
  QTest::newRow("zero") << 0.0 << "0";
  QTest::newRow("constant per Wh") << 1600.0 / 1000 << "1.6";
  QTest::newRow("small constant") << 0.1 / 1000 << "0.0001";
  QTest::newRow("big constant") << 99999999.0 / 1000 << "99999.999";
  QTest::newRow("fifteen digits") << 0.1 + 0.2 << "0.3";
  QTest::newRow("lower fixed bound") << 0.00001 << "0.00001";
  QTest::newRow("below fixed") << 0.000001 << "1E-6";
  QTest::newRow("fifteen integer digits") << 999999999999999.0 << "999999999999999";
  QTest::newRow("sixteen integer digits") << 1e15 << "1E15";
  QTest::newRow("scientific mantissa") << 1.5e20 << "1.5E20";
}

void NumericTextTest::numberToText() {
  QFETCH(double, value);
  QFETCH(QString, expected);
  QCOMPARE(::numberToText(value), expected);
}

void NumericTextTest::numberToTextIgnoresLocale() {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  QCOMPARE(::numberToText(1.6), QStringLiteral("1.6"));
  QCOMPARE(::textToNumber(QStringLiteral("1.6")), 1.6);
  QLocale::setDefault(previous);
}

void NumericTextTest::percentOfNominal_data() {
  QTest::addColumn<QString>("a");
  QTest::addColumn<QString>("b");
  QTest::addColumn<QString>("c");
  QTest::addColumn<QString>("nominal");
  QTest::addColumn<QString>("expected");
  QTest::newRow("mean of non-zero") << "221"
                                    << "219"
                                    << ""
                                    << "220"
                                    << "100";
  QTest::newRow("nominal rounds to zero") << "1"
                                          << "1"
                                          << "1"
                                          << "0.4"
                                          << "";
  QTest::newRow("nothing measured") << ""
                                    << ""
                                    << ""
                                    << "220"
                                    << "";
  QTest::newRow("half to even down") << "0.125"
                                     << ""
                                     << ""
                                     << "1"
                                     << "12";
  QTest::newRow("half to even up") << "0.135"
                                   << ""
                                   << ""
                                   << "1"
                                   << "14";
  QTest::newRow("negative") << "-6.6"
                            << ""
                            << ""
                            << "220"
                            << "-3";
}

void NumericTextTest::percentOfNominal() {
  QFETCH(QString, a);
  QFETCH(QString, b);
  QFETCH(QString, c);
  QFETCH(QString, nominal);
  QFETCH(QString, expected);
  QCOMPARE(::percentOfNominal({a, b, c}, nominal), expected);
}

void NumericTextTest::cp1251RoundTrip() {
  const QString text = QString::fromUtf8("АБВЯабвяЁё№ Hello 1.5");
  const QByteArray bytes = cp1251::encode(text);
  QCOMPARE(bytes.size(), text.size());
  QCOMPARE(static_cast<unsigned char>(bytes.at(0)), 192);  // А
  QCOMPARE(static_cast<unsigned char>(bytes.at(3)), 223);  // Я
  QCOMPARE(cp1251::decode(bytes), text);
  QCOMPARE(cp1251::fromUnicode(QChar(0x4E2D)), static_cast<unsigned char>('?'));
}

VT3417_REGISTER_TEST(NumericTextTest)
#include "NumericTextTest.moc"
