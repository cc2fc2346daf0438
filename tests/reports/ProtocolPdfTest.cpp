#include <QTest>

#include "support/TestRegistry.h"

#include "reports/ProtocolFixture.h"
#include "reports/ReadBack.h"
#include "reports/WordProtocols.h"

namespace {

const QString kBase = QStringLiteral("Б1");

}  // namespace

class ProtocolPdfTest : public QObject {
  Q_OBJECT
 private slots:
  void protocolsOpenInLibreOffice();
};

// Both protocols open in an independent word processor and show the meter's
// serial number and its errors.
void ProtocolPdfTest::protocolsOpenInLibreOffice() {
  if (!readback::haveSoffice()) QSKIP("LibreOffice (soffice) or pdftotext is not installed");
  ProtocolFixture fixture;
  fixture.addBase(kBase);
  const qint64 chosen = fixture.addMeter(kBase, 2, "011234");
  const qint64 other = fixture.addMeter(kBase, 7, "017777");
  fixture.addPoint(chosen, ProtocolFixture::Point{100, 100, "0.5/L", 0.46, "R", 1});
  fixture.addPoint(other, ProtocolFixture::Point{100, 100, "0.5/L", -0.83, "R", 1});
  fixture.chooseMeter(kBase, 2);
  const QString single = fixture.singleReport();
  const QString group = fixture.groupReport();

  const QString singleText = readback::convertToPdfText(single);
  const QString groupText = readback::convertToPdfText(group);

  QVERIFY2(!singleText.isEmpty(), "the single protocol was not converted");
  QVERIFY2(!groupText.isEmpty(), "the group protocol was not converted");
  QVERIFY2(singleText.contains("011234"), qPrintable(singleText));
  QVERIFY(singleText.contains("0,46"));
  QVERIFY(singleText.contains("ПРОТОКОЛ ПОВЕРКИ № 9"));
  QVERIFY2(groupText.contains("017777"), qPrintable(groupText));
  QVERIFY(groupText.contains("011234"));
  QVERIFY(groupText.contains("-0,83"));
  QVERIFY(groupText.contains("0,46"));
}

VT3417_REGISTER_TEST(ProtocolPdfTest)
#include "ProtocolPdfTest.moc"
