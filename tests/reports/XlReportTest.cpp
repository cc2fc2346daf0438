#include <QTemporaryDir>
#include <QTest>

#include "ReadBack.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/OoxmlPackage.h"
#include "reports/XlReport.h"
#include "reports/XlsxReferences.h"

using readback::sheetCells;

namespace {

const QStringList kFields = {"Tip",   "Number",  "Year", "User", "Maker", "KlasT", "Nvoltage", "NTok",
                             "pered", "voltage", "tok",  "Km",   "Pogr",  "Date",  "OldDate"};

QByteArray shippedWorkbook() { return readback::readFile(sourceTreePath("data/sources/look.xls")); }

// The shipped workbook with formulas below its range instead of the fixed
// totals: a count over the error column and today's date.
QString workbookWithFormulasBelow(const QTemporaryDir& dir) {
  OoxmlPackage package(shippedWorkbook());
  QByteArray sheet = package.read("xl/worksheets/sheet1.xml");
  const auto replaceCell = [&sheet](const QByteArray& reference, const QByteArray& formula) {
    const int start = sheet.indexOf("<c r=\"" + reference + "\"");
    const int end = sheet.indexOf("</c>", start) + 4;
    sheet.replace(start, end - start, "<c r=\"" + reference + "\"><f>" + formula + "</f><v>1</v></c>");
  };
  replaceCell("E7", "COUNTA(M5:M5)");
  replaceCell("C11", "TODAY()");
  package.write("xl/worksheets/sheet1.xml", sheet);
  const QString path = dir.filePath("formulas.xlsx");
  readback::writeFile(path, package.save());
  return path;
}

// Rows like the archive protocol: a meter's first row with all fields, further rows with the point fields
// only.
ReportTable archiveRows(int meters, int points) {
  ReportTable table(kFields);
  for (int meter = 1; meter <= meters; ++meter) {
    for (int point = 1; point <= points; ++point) {
      ReportTable::Row row(kFields.size());
      if (point == 1) {
        row[0] = "СО-505";
        row[1] = QString::number(100000 + meter);
        row[2] = "2019";
        row[3] = "ООО \"Свет\" & <Ко>";
        row[4] = "Энергомера";
        row[5] = "1";
        row[6] = "220";
        row[7] = "5";
        row[8] = "1";
      }
      row[9] = QString::number(100 * point);
      row[10] = "50";
      row[11] = "0,5L";
      row[12] = QStringLiteral("%1,%2").arg(meter).arg(point);
      row[13] = "09.12.2026";
      row[14] = "";  // empty text, not null
      table.appendRow(row);
    }
  }
  return table;
}

QByteArray build(const QString& templatePath, const ReportDataSource& source,
                 const QString& range = "Range1") {
  ExcelTemplateReport report;
  report.templatePath = templatePath;
  report.addDataSource("RxData", range, source);
  return report.build();
}

QString reportError(const QString& templatePath, const QString& range = "Range1") {
  try {
    build(templatePath, ReportTable(kFields), range);
  } catch (const XlsReportError& error) {
    return QString::fromUtf8(error.what());
  }
  return "<no error>";
}

QString workbookXml(const QByteArray& xlsx) {
  return QString::fromUtf8(readback::partBytes(xlsx, "xl/workbook.xml"));
}

// A workbook from look.xls with its sheet (and optionally workbook part) replaced.
QString makeWorkbook(const QTemporaryDir& dir, const QString& sheetData, const QString& afterSheetData,
                     const QString& rangeRef = "Протокол!$A$2:$C$2",
                     std::map<QString, QByteArray> extra = {}) {
  const QByteArray sheet =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><dimension "
      "ref=\"A1:C9\"/>"
      "<sheetData>" +
      sheetData.toUtf8() + "</sheetData>" + afterSheetData.toUtf8() + "</worksheet>";
  QByteArray workbook = readback::partBytes(shippedWorkbook(), "xl/workbook.xml");
  workbook.replace("Протокол!$A$5:$Q$5", rangeRef.toUtf8());
  extra["xl/worksheets/sheet1.xml"] = sheet;
  if (!extra.count("xl/workbook.xml")) extra["xl/workbook.xml"] = workbook;
  const QString path = dir.filePath("template.xlsx");
  readback::writeFile(path, readback::withParts(shippedWorkbook(), extra));
  return path;
}

QString inlineCell(const QString& ref, const QString& text) {
  return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>").arg(ref, text);
}

}  // namespace

class XlReportTest : public QObject {
  Q_OBJECT
 private slots:
  void fillsShippedTemplateInOrder();
  void movesContentBelowTheRange();
  void leavesTemplateUnchanged();
  void withoutRowsTheRangeIsEmptied();
  void errors_data();
  void errors();
  void fieldFormsAndUnknownFields();
  void formulasInTheTemplateRowFollowTheirCopy();
  void sharedFormulasAndCalculationChain();
  void multiRowBlockAndSheetParts();
  void otherSheetsAndSheetScopedName();
  void rewritesReferences_data();
  void rewritesReferences();
};

void XlReportTest::fillsShippedTemplateInOrder() {
  const ReportTable rows = archiveRows(2, 3);
  const auto cells = sheetCells(build(sourceTreePath("data/sources/look.xls"), rows));
  // Six data rows at 5..10, in order, meter fields on each meter's first row only.
  QCOMPARE(cells.at("A5").text, QString("СО-505"));
  QCOMPARE(cells.at("B5").text, QString("100001"));
  QCOMPARE(cells.at("D5").text, QString("ООО \"Свет\" & <Ко>"));
  QCOMPARE(cells.at("A5").type, QString("inlineStr"));
  QVERIFY(cells.at("A6").text.isEmpty() && cells.at("A6").type.isEmpty());  // null: a blank cell
  QCOMPARE(cells.at("B8").text, QString("100002"));
  for (int point = 0; point < 6; ++point) {
    const QString row = QString::number(5 + point);
    QCOMPARE(cells.at("J" + row).text, QString::number(100 * (point % 3 + 1)));
    QCOMPARE(cells.at("M" + row).text, QStringLiteral("%1,%2").arg(point / 3 + 1).arg(point % 3 + 1));
    QCOMPARE(cells.at("O" + row).type, QString("inlineStr"));  // empty text stays a text cell
    QCOMPARE(cells.at("O" + row).text, QString());
  }
  QVERIFY(!cells.count("A11"));
}

void XlReportTest::movesContentBelowTheRange() {
  const QTemporaryDir dir;
  const QByteArray xlsx = build(workbookWithFormulasBelow(dir), archiveRows(1, 4));  // 3 rows added
  const auto cells = sheetCells(xlsx);
  QCOMPARE(cells.at("A10").text, QString("Число результатов в протоколе:"));
  QCOMPARE(cells.at("E10").formula, QString("COUNTA(M5:M8)"));
  QVERIFY(cells.at("E10").text.isEmpty());  // cached result dropped
  QCOMPARE(cells.at("A12").text, QString("Поверитель:"));
  QCOMPARE(cells.at("C14").formula, QString("TODAY()"));
  const QString sheet = QString::fromUtf8(readback::partBytes(xlsx, "xl/worksheets/sheet1.xml"));
  for (const char* merge : {"A1:Q1", "A2:Q2", "C12:H12", "C14:D14"})
    QVERIFY2(sheet.contains(QStringLiteral("<mergeCell ref=\"%1\"/>").arg(merge)), merge);
  QVERIFY(sheet.contains("<dimension ref=\"A1:Q14\"/>"));
  const QString workbook = workbookXml(xlsx);
  QVERIFY(workbook.contains("'Протокол'!$A$1:$Q$14"));  // print area grows
  QVERIFY(workbook.contains("'Протокол'!$4:$4"));       // print titles above stay
  QVERIFY(workbook.contains("Протокол!$A$5:$Q$8"));     // the range covers the data
  QVERIFY(workbook.contains("fullCalcOnLoad=\"1\""));
}

void XlReportTest::leavesTemplateUnchanged() {
  TempProgramDir program;
  const QString path = program.filePath("sources/look.xls");
  readback::writeFile(path, shippedWorkbook());
  build(path, archiveRows(3, 2));
  QCOMPARE(readback::readFile(path), shippedWorkbook());
}

void XlReportTest::withoutRowsTheRangeIsEmptied() {
  const QTemporaryDir dir;
  const QByteArray xlsx = build(workbookWithFormulasBelow(dir), ReportTable(kFields));
  const auto cells = sheetCells(xlsx);
  QVERIFY(cells.at("A5").text.isEmpty() && cells.at("A5").type.isEmpty());
  QCOMPARE(cells.at("E7").formula, QString("COUNTA(M5:M5)"));
  QVERIFY(workbookXml(xlsx).contains("Протокол!$A$5:$Q$5"));
}

void XlReportTest::errors_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<QString>("range");
  QTest::addColumn<QString>("expected");
  QTest::newRow("missing template") << QByteArray() << "Range1"
                                    << "Template '%1' not found.";
  QTest::newRow("missing range") << shippedWorkbook() << "Range2"
                                 << "Range 'Range2' not found.";
  QTest::newRow("Excel 97-2003") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10) << "Range1"
                                 << "Template '%1' is an Excel 97-2003 workbook";
  QTest::newRow("text file") << QByteArray("Tip;Number\n") << "Range1"
                             << "Template '%1' is not an Office Open XML workbook";
  QTest::newRow("a Word document") << readback::readFile(sourceTreePath("data/sources/look.doc")) << "Range1"
                                   << "Template '%1' is not an Office Open XML workbook";
  QTest::newRow("damaged zip") << QByteArray("PK\x03\x04 broken") << "Range1"
                               << "Template '%1' is not an Office Open XML workbook";
}

void XlReportTest::errors() {
  QFETCH(QByteArray, content);
  QFETCH(QString, range);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  const QString path = dir.filePath("look.xls");
  if (!content.isEmpty()) readback::writeFile(path, content);
  const QString message = reportError(path, range);
  QVERIFY2(message.startsWith(expected.contains("%1") ? expected.arg(path) : expected), qPrintable(message));
}

void XlReportTest::fieldFormsAndUnknownFields() {
  QTemporaryDir dir;
  // A2: shared string; B2: a formula Excel shows as #NAME?; C2: words around names; D2 outside the range.
  QByteArray sharedStrings = readback::partBytes(shippedWorkbook(), "xl/sharedStrings.xml");
  const QString path = makeWorkbook(
      dir,
      "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>18</v></c><c r=\"B2\" t=\"e\"><f>RxData.Tip</f><v>#NAME?</v></c>" +
          inlineCell("C2", "№ rxdata.number (RxData.Nope) RxData.Year.") + inlineCell("D2", "RxData.Tip") +
          "</row>",
      "", "Протокол!$A$2:$C$2");
  ReportTable rows(kFields);
  rows.appendRow({"Тип-1", "42", std::nullopt});
  const auto cells = sheetCells(build(path, rows));
  QCOMPARE(cells.at("A2").text, QString("42"));  // shared string 18 is "RxData.Number"
  QCOMPARE(cells.at("B2").text, QString("Тип-1"));
  QVERIFY(cells.at("B2").formula.isEmpty());
  QCOMPARE(cells.at("C2").text, QString("№ 42 (RxData.Nope) ."));
  QCOMPARE(cells.at("D2").text, QString("RxData.Tip"));
}

void XlReportTest::formulasInTheTemplateRowFollowTheirCopy() {
  QTemporaryDir dir;
  const QString path = makeWorkbook(
      dir,
      "<row r=\"1\">" + inlineCell("A1", "Итог") + "</row><row r=\"2\">" +
          inlineCell("A2", "RxData.voltage") +
          "<c r=\"B2\"><f>A2*2+$A$2+SUM(A$1:A2)+C9</f><v>4</v></c><c "
          "r=\"C2\"><f>LOG10(100)&amp;\"A2\"</f></c></row>"
          "<row r=\"4\"><c r=\"B4\"><f>SUM(B2:B2)+B2+Протокол!B4+'Протокол'!$B$2:$B$2</f></c></row>",
      "");
  ReportTable rows(kFields);
  for (int i = 1; i <= 3; ++i) rows.appendRow({{}, {}, {}, {}, {}, {}, {}, {}, {}, QString::number(i)});
  const auto cells = sheetCells(build(path, rows));
  QCOMPARE(cells.at("B2").formula, QString("A2*2+$A$2+SUM(A$1:A2)+C11"));
  QCOMPARE(cells.at("B3").formula, QString("A3*2+$A$2+SUM(A$1:A3)+C12"));
  QCOMPARE(cells.at("B4").formula, QString("A4*2+$A$2+SUM(A$1:A4)+C13"));
  QCOMPARE(cells.at("C4").formula, QString("LOG10(100)&\"A2\""));
  QCOMPARE(cells.at("B6").formula, QString("SUM(B2:B4)+B2+Протокол!B6+'Протокол'!$B$2:$B$4"));
  QCOMPARE(cells.at("A4").text, QString("3"));
}

void XlReportTest::sharedFormulasAndCalculationChain() {
  QTemporaryDir dir;
  QByteArray types = readback::partBytes(shippedWorkbook(), "[Content_Types].xml");
  types.replace(
      "</Types>",
      "<Override PartName=\"/xl/calcChain.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>");
  QByteArray rels = readback::partBytes(shippedWorkbook(), "xl/_rels/workbook.xml.rels");
  rels.replace("</Relationships>",
               "<Relationship Id=\"rId9\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain\" "
               "Target=\"calcChain.xml\"/></Relationships>");
  const QString path = makeWorkbook(
      dir,
      "<row r=\"2\">" + inlineCell("A2", "RxData.tok") +
          "</row><row r=\"3\"><c r=\"B3\"><f t=\"shared\" ref=\"B3:B5\" si=\"0\">A2+1</f><v>1</v></c></row>"
          "<row r=\"4\"><c r=\"B4\"><f t=\"shared\" si=\"0\"/><v>1</v></c></row>"
          "<row r=\"5\"><c r=\"B5\"><f t=\"shared\" si=\"0\"/><v>1</v></c></row>",
      "", "Протокол!$A$2:$C$2",
      {{"[Content_Types].xml", types},
       {"xl/_rels/workbook.xml.rels", rels},
       {"xl/calcChain.xml",
        "<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><c "
        "r=\"B3\" i=\"1\"/></calcChain>"}});
  ReportTable rows(kFields);
  rows.appendRow({});
  rows.appendRow({});
  const QByteArray xlsx = build(path, rows);
  const auto cells = sheetCells(xlsx);
  QCOMPARE(cells.at("B4").formula, QString("A2+1"));  // rows 3..5 moved one down; A2 is the first copy
  QCOMPARE(cells.at("B5").formula, QString("A4+1"));
  QCOMPARE(cells.at("B6").formula, QString("A5+1"));
  QVERIFY(!readback::partBytes(xlsx, "xl/worksheets/sheet1.xml").contains("shared"));
  QVERIFY(!readback::hasPart(xlsx, "xl/calcChain.xml"));
  QVERIFY(!readback::partBytes(xlsx, "[Content_Types].xml").contains("calcChain"));
  QVERIFY(!readback::partBytes(xlsx, "xl/_rels/workbook.xml.rels").contains("calcChain"));
}

void XlReportTest::multiRowBlockAndSheetParts() {
  QTemporaryDir dir;
  const QString path = makeWorkbook(
      dir,
      "<row r=\"2\" ht=\"20\" customHeight=\"1\">" + inlineCell("A2", "RxData.Tip") + "</row><row r=\"3\">" +
          inlineCell("B3", "RxData.Pogr") + "</row><row r=\"5\">" + inlineCell("A5", "ниже") + "</row>",
      "<mergeCells count=\"2\"><mergeCell ref=\"A2:C2\"/><mergeCell ref=\"A5:C5\"/></mergeCells>"
      "<conditionalFormatting sqref=\"B3 A5\"><cfRule type=\"expression\" dxfId=\"0\" priority=\"1\">"
      "<formula>$B3&gt;A5</formula></cfRule></conditionalFormatting>"
      "<dataValidations count=\"1\"><dataValidation type=\"list\" "
      "sqref=\"A2:A3\"><formula1>$A$5:$A$6</formula1>"
      "</dataValidation></dataValidations>"
      "<hyperlinks><hyperlink ref=\"A5\" location=\"A1\"/></hyperlinks>"
      "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"4\" max=\"16383\" man=\"1\"/></rowBreaks>",
      "Протокол!$A$2:$C$3");
  ReportTable rows(kFields);
  for (const char* tip : {"первый", "второй", "третий"}) rows.appendRow({QString::fromUtf8(tip)});
  const QByteArray xlsx = build(path, rows);
  const auto cells = sheetCells(xlsx);
  QCOMPARE(cells.at("A2").text, QString("первый"));
  QCOMPARE(cells.at("A4").text, QString("второй"));
  QCOMPARE(cells.at("A6").text, QString("третий"));
  QCOMPARE(cells.at("A9").text, QString("ниже"));
  const QString sheet = QString::fromUtf8(readback::partBytes(xlsx, "xl/worksheets/sheet1.xml"));
  QVERIFY(sheet.contains("<row r=\"6\" ht=\"20\" customHeight=\"1\">"));
  QVERIFY(
      sheet.contains("<mergeCells count=\"4\"><mergeCell ref=\"A2:C2\"/><mergeCell ref=\"A4:C4\"/>"
                     "<mergeCell ref=\"A6:C6\"/><mergeCell ref=\"A9:C9\"/></mergeCells>"));
  QVERIFY(sheet.contains("sqref=\"B3:B7 A9\""));
  QVERIFY(sheet.contains("<formula>$B3&gt;A9</formula>"));
  QVERIFY(sheet.contains("sqref=\"A2:A7\"><formula1>$A$9:$A$10</formula1>"));
  QVERIFY(sheet.contains("<hyperlink ref=\"A9\" location=\"A1\"/>"));
  QVERIFY(sheet.contains("<brk id=\"8\""));
  QVERIFY(sheet.contains("<dimension ref=\"A1:C13\"/>"));
}

void XlReportTest::otherSheetsAndSheetScopedName() {
  QTemporaryDir dir;
  QByteArray workbook = readback::partBytes(shippedWorkbook(), "xl/workbook.xml");
  workbook.replace(
      "<sheet name=\"Протокол\" sheetId=\"1\" r:id=\"rId1\"/>",
      "<sheet name=\"Сводка\" sheetId=\"2\" r:id=\"rId8\"/><sheet name=\"Протокол\" sheetId=\"1\" "
      "r:id=\"rId1\"/>");
  workbook.replace("<definedName name=\"Range1\">Протокол!$A$5:$Q$5</definedName>",
                   "<definedName name=\"RANGE1\" localSheetId=\"1\">'Протокол'!$A$2:$C$2</definedName>");
  QByteArray rels = readback::partBytes(shippedWorkbook(), "xl/_rels/workbook.xml.rels");
  rels.replace("</Relationships>",
               "<Relationship Id=\"rId8\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet2.xml\"/></Relationships>");
  QByteArray types = readback::partBytes(shippedWorkbook(), "[Content_Types].xml");
  types.replace(
      "</Types>",
      "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>");
  const QByteArray summary =
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row "
      "r=\"1\">"
      "<c r=\"A1\"><f>COUNTA('Протокол'!A2:A2)+Протокол!B4+B4</f><v>1</v></c></row></sheetData></worksheet>";
  const QString path = makeWorkbook(dir, "<row r=\"2\">" + inlineCell("A2", "RxData.Tip") + "</row>", "", "",
                                    {{"xl/workbook.xml", workbook},
                                     {"xl/_rels/workbook.xml.rels", rels},
                                     {"[Content_Types].xml", types},
                                     {"xl/worksheets/sheet2.xml", summary}});
  const QByteArray xlsx = build(path, archiveRows(1, 3));
  QCOMPARE(sheetCells(xlsx).at("A4").text, QString());
  QCOMPARE(sheetCells(xlsx).at("A2").text, QString("СО-505"));
  QCOMPARE(sheetCells(xlsx, "xl/worksheets/sheet2.xml").at("A1").formula,
           QString("COUNTA('Протокол'!A2:A4)+Протокол!B6+B4"));
  QVERIFY(workbookXml(xlsx).contains("'Протокол'!$A$2:$C$4"));
}

void XlReportTest::rewritesReferences_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<int>("copy");  // -1: a formula outside the block
  QTest::addColumn<QString>("expected");
  // Block: rows 5..5 repeated 3 times, so rows below move by 2.
  QTest::newRow("below moves") << "A6+$B$10" << -1 << "A8+$B$12";
  QTest::newRow("above stays") << "A4+A5" << -1 << "A4+A5";
  QTest::newRow("range ending in block grows") << "SUM(E5:E5)+SUM(E1:E5)" << -1 << "SUM(E5:E7)+SUM(E1:E7)";
  QTest::newRow("range over the block") << "SUM(E4:E9)" << -1 << "SUM(E4:E11)";
  QTest::newRow("whole rows and columns") << "SUM(5:6)+SUM(A:B)" << -1 << "SUM(5:8)+SUM(A:B)";
  QTest::newRow("strings untouched") << "\"E6\"&E6&\"\"\"E6\"" << -1 << "\"E6\"&E8&\"\"\"E6\"";
  QTest::newRow("functions and names")
      << "LOG10(E6)+ATAN2(1,2)+Range1+TRUE" << -1 << "LOG10(E8)+ATAN2(1,2)+Range1+TRUE";
  QTest::newRow("other sheet") << "Лист2!E6+'Лист 2'!E6" << -1 << "Лист2!E6+'Лист 2'!E6";
  QTest::newRow("this sheet by name") << "Протокол!E6+'Протокол'!E6" << -1 << "Протокол!E8+'Протокол'!E8";
  QTest::newRow("external workbook") << "[1]Протокол!E6+'[2]Протокол'!E6" << -1
                                     << "[1]Протокол!E6+'[2]Протокол'!E6";
  QTest::newRow("numbers") << "1E5+2.5E6" << -1 << "1E5+2.5E6";
  QTest::newRow("copy: relative moves") << "E5*2+$E$5+E$5+$E5" << 2 << "E7*2+$E$5+E$5+$E7";
  QTest::newRow("copy: below moves too") << "E6+$E$6" << 1 << "E9+$E$8";
  QTest::newRow("copy: row range stays in its row") << "SUM(A5:D5)" << 2 << "SUM(A7:D7)";
}

void XlReportTest::rewritesReferences() {
  QFETCH(QString, formula);
  QFETCH(int, copy);
  QFETCH(QString, expected);
  const xlsx::RowInsertion insertion(5, 5, 3);
  const QString rewritten = xlsx::rewriteFormula(formula, [&](xlsx::FormulaRef& ref) {
    if (!ref.sheet.isEmpty() && ref.sheet != "Протокол") return false;
    return copy < 0 ? insertion.mapOutside(ref) : insertion.mapInCopy(ref, copy);
  });
  QCOMPARE(rewritten, expected);
}

VT3417_REGISTER_TEST(XlReportTest)
#include "XlReportTest.moc"
