#include <QFileInfo>
#include <QGuiApplication>
#include <QTest>

#include "ReadBack.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/DesktopOpen.h"
#include "reports/DocumentOutput.h"
#include "reports/WordDocument.h"
#include "reports/XlReport.h"

// Saving under protocols/, and the finished documents read by independent
// readers and rendered by LibreOffice.
class DocumentOutputTest : public QObject {
  Q_OBJECT
 private slots:
  void safeFileName_data();
  void safeFileName();
  void neverOverwrites();
  void noDesktopInOffscreenRuns();
  void filledProtocolOpensElsewhere();
  void filledWorkbookOpensElsewhere();
};

void DocumentOutputTest::safeFileName_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("expected");
  QTest::newRow("descriptive") << "Протокол 9 СО-505 123456 2026-12-09"
                               << "Протокол 9 СО-505 123456 2026-12-09";
  QTest::newRow("refused characters") << "Протокол 1/2 \"A\" <B>: C|D? E*\\F"
                                      << "Протокол 1_2 _A_ _B__ C_D_ E__F";
  QTest::newRow("control characters and blanks") << "a\tb\nc   d"
                                                 << "a b c d";
  QTest::newRow("trailing dots and blanks") << "Протокол 5. . "
                                            << "Протокол 5";
  QTest::newRow("reserved device name") << "con"
                                        << "_con";
  QTest::newRow("reserved with extension") << "COM1.txt"
                                           << "_COM1.txt";
  QTest::newRow("reserved before the document's extension") << "con.docx"
                                                            << "_con.docx";
  QTest::newRow("reserved with blanks before the dot") << "Nul .x"
                                                       << "_Nul .x";
  QTest::newRow("reserved console and superscript digit") << "CONOUT$.1 LPT\u00B9"
                                                          << "_CONOUT$.1 LPT\u00B9";
  QTest::newRow("superscript port") << "com\u00B2.docx"
                                    << "_com\u00B2.docx";
  QTest::newRow("not reserved") << "COM10.docx CONSOLE"
                                << "COM10.docx CONSOLE";
  QTest::newRow("bidirectional override") << "Протокол \u202Excod.exe"
                                          << "Протокол xcod.exe";
  QTest::newRow("format characters") << "1\u200B2\u2066\u2069\uFEFF3\u00AD4" +
                                            QString::fromUcs4(U"\U000E0041") + "5"
                                     << "12345";
  QTest::newRow("nothing left") << " ..?"
                                << "_";
  QTest::newRow("empty") << ""
                         << "Документ";
  QTest::newRow("long") << QString(300, QChar(u'Я')) << QString(120, QChar(u'Я'));
}

void DocumentOutputTest::safeFileName() {
  QFETCH(QString, name);
  QFETCH(QString, expected);
  QCOMPARE(::safeFileName(name), expected);
}

void DocumentOutputTest::neverOverwrites() {
  TempProgramDir program;
  const QString first = saveProtocolFile("one", "Протокол 9: СО-505", "docx");
  const QString second = saveProtocolFile("two", "Протокол 9: СО-505", "docx");
  const QString third = saveProtocolFile("three", "Протокол 9: СО-505", "docx");
  QCOMPARE(first, program.filePath("protocols/Протокол 9_ СО-505.docx"));
  QCOMPARE(second, program.filePath("protocols/Протокол 9_ СО-505 (2).docx"));
  QCOMPARE(third, program.filePath("protocols/Протокол 9_ СО-505 (3).docx"));
  QCOMPARE(readback::readFile(first), QByteArray("one"));
  QCOMPARE(readback::readFile(third), QByteArray("three"));
  QCOMPARE(saveProtocolFile("x", "Протокол 9: СО-505", "xlsx"),
           program.filePath("protocols/Протокол 9_ СО-505.xlsx"));
}

void DocumentOutputTest::noDesktopInOffscreenRuns() {
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    QSKIP("a real display: the document would really be opened");
  TempProgramDir program;
  QVERIFY(!desktopSessionAvailable());
  const QString path = handToUser("bytes", "Архив", "xlsx");
  QCOMPARE(path, program.filePath("protocols/Архив.xlsx"));
  QVERIFY(QFileInfo::exists(path));
  QVERIFY(!openWithDesktop(path));
}

void DocumentOutputTest::filledProtocolOpensElsewhere() {
  TempProgramDir program;
  WordDocument document(sourceTreePath("data/sources/look.doc"));
  const ProofingOptions saved = document.proofingOptions();
  document.setProofingOptions({false, false});
  document.replaceText("<Lnpr>", "9");
  document.replaceText("<Lnum>", "987654");
  document.replaceText("<Lusr>", "ООО \"Свет & Ко\" <филиал>");
  WordTable& table = document.firstTable();
  for (int row = 2; row <= 4; ++row) {
    table.appendRow();
    for (int column = 1; column <= 5; ++column)
      table.setCellText(row, column, QStringLiteral("%1,%2").arg(row).arg(column));
  }
  table.setCellText(4, 5, "-0,37");
  document.setProofingOptions(saved);
  const QString path = handToUser(document.toDocx(), "Протокол 9 СО-505 987654", "docx");

  if (readback::havePythonModule("docx")) {
    QString out;
    const int code = readback::runPython(
        "import docx,sys\nd=docx.Document(sys.argv[1])\nt=d.tables[0]\n"
        "print(len(t.rows), t.cell(3,4).text, t.cell(1,0).text)\n"
        "print([p.text for p in d.paragraphs if 'Владелец' in p.text][0])",
        path, &out);
    QCOMPARE(code, 0);
    QVERIFY2(out.contains("4 -0,37 2,1"), qPrintable(out));
    QVERIFY2(out.contains("Владелец: ООО \"Свет & Ко\" <филиал>"), qPrintable(out));
  }
  if (!readback::haveSoffice()) QSKIP("LibreOffice is not installed");
  const QString text = readback::convertToPdfText(path);
  QVERIFY2(text.contains("987654"), qPrintable(text));
  QVERIFY2(text.contains("-0,37"), qPrintable(text));
  QVERIFY2(text.contains("ПРОТОКОЛ ПОВЕРКИ № 9"), qPrintable(text));
}

void DocumentOutputTest::filledWorkbookOpensElsewhere() {
  TempProgramDir program;
  ReportTable rows({"Tip", "Number", "Pogr"});
  rows.appendRow({"СО-505", "555123", "0,41"});
  rows.appendRow({std::nullopt, std::nullopt, "-0,12"});
  ExcelTemplateReport report;
  report.templatePath = sourceTreePath("data/sources/look.xls");
  report.addDataSource("RxData", "Range1", rows);
  ReportTable totals({"Count", "Date"});
  totals.appendRow({"2", "09.12.2026"});
  report.addDataSource("RxTotals", "Totals", totals);
  const QString path = handToUser(report.build(), "Архив 2026-12-09", "xlsx");

  if (readback::havePythonModule("openpyxl")) {
    QString out;
    const int code = readback::runPython(
        "import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
        "print(ws['B5'].value, ws['M6'].value, ws['E8'].value, ws['C12'].value, ws.merged_cells.ranges)",
        path, &out);
    QCOMPARE(code, 0);
    QVERIFY2(out.contains("555123 -0,12 2 09.12.2026"), qPrintable(out));
    QVERIFY2(out.contains("C10:H10"), qPrintable(out));
  }
  if (!readback::haveSoffice()) QSKIP("LibreOffice is not installed");
  const QString text = readback::convertToPdfText(path);
  QVERIFY2(text.contains("555123"), qPrintable(text));
  QVERIFY2(text.contains("-0,12"), qPrintable(text));
  QVERIFY2(text.contains("Поверитель"), qPrintable(text));
}

VT3417_REGISTER_TEST(DocumentOutputTest)
#include "DocumentOutputTest.moc"
