#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "support/TestRegistry.h"

#include "reports/ProtocolFixture.h"
#include "reports/UProtokol.h"

namespace {

const QString kBase = QStringLiteral("Б1");

// LibreOffice converts the documents with a profile of its own (concurrent
// instances fail otherwise); its exit code says nothing, the PDFs do.
QStringList ConvertToPdf(const QString& soffice, const QStringList& documents, const QString& outputDir) {
  QTemporaryDir profile;
  QProcess process;
  process.start(soffice,
                QStringList{"--headless", "--norestore",
                            "-env:UserInstallation=" + QUrl::fromLocalFile(profile.path()).toString(),
                            "--convert-to", "pdf", "--outdir", outputDir} +
                    documents);
  if (!process.waitForFinished(180000)) process.kill();
  QStringList pdfs;
  for (const QString& document : documents)
    pdfs << QDir(outputDir).filePath(QFileInfo(document).completeBaseName() + ".pdf");
  return pdfs;
}

QString PdfText(const QString& pdf) {
  QProcess process;
  process.start("pdftotext", {"-layout", pdf, "-"});
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class ProtocolPdfTest : public QObject {
  Q_OBJECT
 private slots:
  void protocolsOpenInLibreOffice();
};

// Both protocols open in an independent word processor and show the meter's
// serial number and its errors.
void ProtocolPdfTest::protocolsOpenInLibreOffice() {
  const QString soffice = QStandardPaths::findExecutable("soffice");
  if (soffice.isEmpty()) QSKIP("LibreOffice (soffice) is not installed");
  if (QStandardPaths::findExecutable("pdftotext").isEmpty())
    QSKIP("pdftotext (poppler-utils) is not installed");
  ProtocolFixture fixture;
  fixture.addBase(kBase);
  const qint64 chosen = fixture.addMeter(kBase, 2, "011234");
  const qint64 other = fixture.addMeter(kBase, 7, "017777");
  fixture.addPoint(chosen, ProtocolFixture::Point{100, 100, "0.5/L", 0.46, "R", 1});
  fixture.addPoint(other, ProtocolFixture::Point{100, 100, "0.5/L", -0.83, "R", 1});
  fixture.chooseMeter(kBase, 2);
  const QString single = SingleWordReport();
  const QString group = GroupWordReport();

  QTemporaryDir output;
  const QStringList pdfs = ConvertToPdf(soffice, {single, group}, output.path());

  for (const QString& pdf : pdfs) QVERIFY2(QFileInfo(pdf).size() > 0, qPrintable(pdf + " was not made"));
  const QString singleText = PdfText(pdfs[0]);
  QVERIFY2(singleText.contains("011234"), qPrintable(singleText));
  QVERIFY(singleText.contains("0,46"));
  QVERIFY(singleText.contains("ПРОТОКОЛ ПОВЕРКИ № 9"));
  const QString groupText = PdfText(pdfs[1]);
  QVERIFY2(groupText.contains("017777"), qPrintable(groupText));
  QVERIFY(groupText.contains("011234"));
  QVERIFY(groupText.contains("-0,83"));
  QVERIFY(groupText.contains("0,46"));
}

VT3417_REGISTER_TEST(ProtocolPdfTest)
#include "ProtocolPdfTest.moc"
