#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "support/Keyboard.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "ArchiveFixture.h"
#include "BrowserDriver.h"
#include "WorkbookReader.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"
#include "reports/OoxmlPackage.h"
#include "settings/ProgramDir.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"

using MessageService::ScriptedAnswers;

namespace {

const QString kTemplate = QStringLiteral("data/sources/look.xls");

// An archive of three meters (3 points, none, 1 point), listed by the browser,
// with the shipped template in the program directory.
class ProtocolRun {
 public:
  ProtocolRun() {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    fixture.addBase(QStringLiteral("Б1"), 57.7, 1, 2500, 0.5);
    const qint64 first = fixture.addArchivedMeter(QStringLiteral("СЕ301"), QStringLiteral("0123"), 2005);
    for (int count = 1; count <= 3; ++count) fixture.addArchivedPoint(first, count, -0.25 * count);
    fixture.addArchivedMeter(QStringLiteral("БЕЗТОЧЕК"), QStringLiteral("7"), 2001);
    fixture.addArchivedPoint(fixture.addArchivedMeter(QStringLiteral("ЦЭ6803"), QStringLiteral("555"), 2010),
                             1, 1.5);
    QFile::copy(sourceTreePath(kTemplate), programPath(QStringLiteral("sources/look.xls")));
    showWholeArchive(fixture.dm(), browser, nullptr);
  }
  ~ProtocolRun() {
    browser.close();
    QLocale::setDefault(QLocale::c());
  }
  QStringList producedFiles() const {
    return QDir(programPath(QStringLiteral("protocols"))).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
  }
  QByteArray produced() const {
    QFile file(programPath(QStringLiteral("protocols/")) + producedFiles().value(0));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  ArchiveFixture fixture;
  ArchiveBrowser browser{fixture.dm(), nullptr, nullptr};
};

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// The shipped template without one of its ranges.
QByteArray templateWithoutRange(const char* range = "Range1") {
  OoxmlPackage package(readFile(sourceTreePath(kTemplate)));
  QByteArray workbook = package.read(QStringLiteral("xl/workbook.xml"));
  const int start = workbook.indexOf(QByteArray("<definedName name=\"") + range + '"');
  workbook.remove(start, workbook.indexOf("</definedName>", start) + 14 - start);
  package.write(QStringLiteral("xl/workbook.xml"), workbook);
  return package.save();
}

}  // namespace

class ArchiveWorkbookTest : public QObject {
  Q_OBJECT
 private slots:
  void listedMetersFillTheRange();
  void contentBelowTheRangeMovesIntact();
  void reportErrorsGetTheirOwnBox_data();
  void reportErrorsGetTheirOwnBox();
  void emptyListMakesNoWorkbook();
  void limitsAndVerdictsFollowTheFields();
  void officeSuiteShowsTheValues();
  void totalsAreFixedValues();
  void templateWithoutTotalsStillWorks();
  void wideColumnsShowLongValuesWhole();
  void longArchiveListedAndWrittenWhole();
};

void ArchiveWorkbookTest::listedMetersFillTheRange() {
  ProtocolRun run;
  ScriptedAnswers answers;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  QVERIFY(answers.shown().empty());
  QCOMPARE(run.producedFiles().size(), 1);
  QVERIFY(run.producedFiles()[0].endsWith(QStringLiteral(".xlsx")));
  const WorkbookContent book = readWorkbook(run.produced());

  // Columns A..O are the fifteen fields in order.
  QStringList row5;
  for (char column = 'A'; column <= 'O'; ++column) row5 << book.at(QString(QLatin1Char(column)) + "5");
  QCOMPARE(row5, (QStringList{"СЕ301", "0123", "2005", "ЛАБОРАТОРИЯ", "ЗАВОД", "0,5", "57,7", "1", "2500",
                              "100", "100", "0.5/L", "-0,25", "05.03.2024", "14.05.2020"}));
  QVERIFY(book.at(QStringLiteral("A6")).isEmpty());
  QVERIFY(book.at(QStringLiteral("I7")).isEmpty());
  QCOMPARE(book.at(QStringLiteral("M6")), QStringLiteral("-0,5"));
  QCOMPARE(book.at(QStringLiteral("M7")), QStringLiteral("-0,75"));
  // The meter without points is absent; the next meter follows at once.
  QCOMPARE(book.at(QStringLiteral("A8")), QStringLiteral("ЦЭ6803"));
  QCOMPARE(book.at(QStringLiteral("M8")), QStringLiteral("1,5"));
  QCOMPARE(book.definedNames.value(QStringLiteral("Range1")).right(4), QStringLiteral("$Q$8"));
  // The template itself is untouched.
  QCOMPARE(readFile(programPath(QStringLiteral("sources/look.xls"))), readFile(sourceTreePath(kTemplate)));
}

void ArchiveWorkbookTest::contentBelowTheRangeMovesIntact() {
  const WorkbookContent before = readWorkbook(readFile(sourceTreePath(kTemplate)));
  ProtocolRun run;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  const WorkbookContent after = readWorkbook(run.produced());
  const int added = 3;  // four rows where the template has one
  for (auto it = before.cells.cbegin(); it != before.cells.cend(); ++it) {
    const QString reference = it.key();
    const int row = reference.mid(1).toInt();
    if (row <= 5) continue;
    const QString moved = reference.left(1) + QString::number(row + added);
    if (it.value().startsWith(QLatin1String("RxTotals."))) continue;  // see totalsAreFixedValues
    QCOMPARE(after.at(moved), it.value());
  }
  QCOMPARE(after.at(QStringLiteral("E10")), QStringLiteral("4"));
  QVERIFY(after.merges.contains(QStringLiteral("C12:H12")));
  QVERIFY(after.merges.contains(QStringLiteral("C14:D14")));
  QVERIFY(after.merges.contains(QStringLiteral("A1:Q1")));
  QCOMPARE(after.rowsInUse().last(), before.rowsInUse().last() + added);
}

void ArchiveWorkbookTest::reportErrorsGetTheirOwnBox_data() {
  QTest::addColumn<QByteArray>("templateBytes");
  QTest::addColumn<bool>("present");
  QTest::addColumn<QString>("message");
  QTest::newRow("missing") << QByteArray() << false << "Template '%1' not found.";
  QTest::newRow("without the range") << templateWithoutRange() << true << "Range 'Range1' not found.";
  QTest::newRow("not a workbook") << QByteArray("Тип;Номер\n") << true
                                  << "Template '%1' is not an Office Open XML workbook (.xlsx).";
}

void ArchiveWorkbookTest::reportErrorsGetTheirOwnBox() {
  QFETCH(QByteArray, templateBytes);
  QFETCH(bool, present);
  QFETCH(QString, message);
  ProtocolRun run;
  const QString path = programPath(QStringLiteral("sources/look.xls"));
  QFile::remove(path);
  if (present) writeFile(path, templateBytes);
  ScriptedAnswers answers;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Error);
  QCOMPARE(answers.shown()[0].caption, QStringLiteral("Данные в Excel"));
  QCOMPARE(answers.shown()[0].text, message.contains(QLatin1String("%1")) ? message.arg(path) : message);
  QVERIFY(run.producedFiles().isEmpty());
}

void ArchiveWorkbookTest::emptyListMakesNoWorkbook() {
  ProtocolRun run;
  run.fixture.dm().archivedMeters->reopen(Statements::archivedMetersOfBase(QStringLiteral("НЕТ")));
  ScriptedAnswers answers;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  QVERIFY(answers.shown().empty());
  QVERIFY(run.producedFiles().isEmpty());
}

// With the limits file: each judged point's limit, each meter's verdict on its first row.
void ArchiveWorkbookTest::limitsAndVerdictsFollowTheFields() {
  ProtocolRun run;
  QVERIFY(QFile::copy(sourceTreePath(QStringLiteral("data/sources/limits.csv")),
                      programPath(QStringLiteral("sources/limits.csv"))));
  ScriptedAnswers answers;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  QVERIFY(answers.shown().empty());
  const WorkbookContent book = readWorkbook(run.produced());
  QCOMPARE(book.at(QStringLiteral("P4")), QStringLiteral("Предел, %"));
  QCOMPARE(book.at(QStringLiteral("Q4")), QStringLiteral("Заключение"));
  QStringList limits;
  QStringList verdicts;
  for (int row = 5; row <= 8; ++row) {
    limits << book.at(QStringLiteral("P%1").arg(row));
    verdicts << book.at(QStringLiteral("Q%1").arg(row));
  }
  // Class 1 at 100 % and 0.5/L: ±1,0; errors -0,25, -0,5, -0,75 and then 1,5.
  QCOMPARE(limits, (QStringList{"±1,0", "±1,0", "±1,0", "±1,0"}));
  QCOMPARE(verdicts, (QStringList{"годен", "", "", "не годен"}));
}

void ArchiveWorkbookTest::officeSuiteShowsTheValues() {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (soffice.isEmpty() || pdftotext.isEmpty()) QSKIP("LibreOffice or pdftotext is not installed");
  ProtocolRun run;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  const QString xlsx = programPath(QStringLiteral("protocols/")) + run.producedFiles().value(0);
  QTemporaryDir profile;
  QProcess convert;
  convert.start(soffice, {QStringLiteral("--headless"),
                          QStringLiteral("-env:UserInstallation=file://") + profile.path(),
                          QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
                          profile.path(), xlsx});
  QVERIFY(convert.waitForFinished(180000));
  const QString pdf = profile.filePath(QFileInfo(xlsx).completeBaseName() + QStringLiteral(".pdf"));
  QVERIFY2(QFile::exists(pdf), qPrintable(QString::fromUtf8(convert.readAllStandardError())));
  QProcess text;
  text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  QVERIFY(text.waitForFinished(60000));
  const QString shown = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* value : {"СЕ301", "ЦЭ6803", "0123", "-0,75", "ЛАБОРАТОРИЯ", "14.05.2020"})
    QVERIFY2(shown.contains(QString::fromUtf8(value)), value);
}

// The count and the date are written when the workbook is made: no formula
// recounts or redates it when it is opened later. The count is the number of
// result rows, an empty error included.
void ArchiveWorkbookTest::totalsAreFixedValues() {
  ProtocolRun run;
  run.fixture.dm().connection()->executeWrite(
      Statement{QStringLiteral("update Slavearhiv set Opogr = null where Count = 2"),
                {},
                QStringLiteral("Slavearhiv")});
  run.fixture.dm().archivedPoints->refresh();  // the browser lists the points as they are now
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  const WorkbookContent book = readWorkbook(run.produced());
  QVERIFY(book.at(QStringLiteral("M6")).isEmpty());
  QCOMPARE(book.at(QStringLiteral("A10")), QStringLiteral("Число результатов в протоколе:"));
  QCOMPARE(book.at(QStringLiteral("E10")), QStringLiteral("4"));
  QCOMPARE(book.at(QStringLiteral("A14")), QStringLiteral("Дата составления:"));
  QCOMPARE(book.at(QStringLiteral("C14")), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
  QVERIFY2(book.formulas.isEmpty(), qPrintable(book.formulas.values().join(u' ')));
  QCOMPARE(book.definedNames.value(QStringLiteral("Totals")).right(11), QStringLiteral("$A$10:$Q$14"));
}

// A template of an earlier installation has no range "Totals": the protocol
// is still made, with the template's own summary.
void ArchiveWorkbookTest::templateWithoutTotalsStillWorks() {
  ProtocolRun run;
  writeFile(programPath(QStringLiteral("sources/look.xls")), templateWithoutRange("Totals"));
  ScriptedAnswers answers;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  QVERIFY(answers.shown().empty());
  const WorkbookContent book = readWorkbook(run.produced());
  QCOMPARE(book.at(QStringLiteral("A8")), QStringLiteral("ЦЭ6803"));
  QCOMPARE(book.at(QStringLiteral("E10")), QStringLiteral("RxTotals.Count"));
}

// Type, owner and maker hold up to 20 characters: their columns are wide
// enough for 20 capitals of the sheet's font (Arial 10; the widths count its
// widest digit).
void ArchiveWorkbookTest::wideColumnsShowLongValuesWhole() {
  ProtocolRun run;
  widgets::child<QAction>(run.browser, "excelProtocolAction")->trigger();
  OoxmlPackage package(run.produced());
  const QByteArray sheet = package.read(QStringLiteral("xl/worksheets/sheet1.xml"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);  // 10 pt at 96 dpi
  const QFontMetricsF metrics(font);
  double digit = 0;
  for (const QChar c : QStringLiteral("0123456789")) digit = std::max(digit, metrics.horizontalAdvance(c));
  const QString longest = QStringLiteral("МОСЭНЕРГОСБЫТ ФИЛИАЛ");
  QCOMPARE(longest.size(), 20);
  for (const int column : {1, 4, 5}) {  // A Tip, D User, E Maker
    const QRegularExpression col(
        QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"([0-9.]+)\"").arg(column));
    const QRegularExpressionMatch match = col.match(QString::fromUtf8(sheet));
    QVERIFY2(match.hasMatch(), qPrintable(QString::number(column)));
    QVERIFY2(match.captured(1).toDouble() * digit >= metrics.horizontalAdvance(longest),
             qPrintable(QStringLiteral("column %1: %2 characters").arg(column).arg(match.captured(1))));
  }
}

// An archive many pages long: the list reads its rows as the operator scrolls
// down and still reaches the last meter, and the protocol holds all 10,000
// result rows whatever part of the list has been seen.
void ArchiveWorkbookTest::longArchiveListedAndWrittenWhole() {
  struct RussianNumbers {
    RussianNumbers() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    ~RussianNumbers() { QLocale::setDefault(QLocale::c()); }
  } russianNumbers;
  constexpr int kMeters = 1000;
  constexpr int kPoints = 10;
  ArchiveFixture fixture;
  QStringList types;
  {
    Connection::Transaction transaction(*fixture.dm().connection());
    fixture.addBase(QStringLiteral("Б1"));
    for (int meter = 1; meter <= kMeters; ++meter) {
      types << QStringLiteral("Т%1").arg(meter, 4, 10, QLatin1Char('0'));
      const qint64 num = fixture.addArchivedMeter(types.last(), QString::number(meter), 2000);
      for (int count = 1; count <= kPoints; ++count) fixture.addArchivedPoint(num, count, count + 0.25);
    }
    transaction.commit();
  }
  QFile::copy(sourceTreePath(kTemplate), programPath(QStringLiteral("sources/look.xls")));
  ArchiveBrowser browser(fixture.dm(), nullptr, nullptr);
  showWholeArchive(fixture.dm(), browser, nullptr);
  DatasetGrid* grid = widgets::child<DatasetGrid>(browser, "meterGrid");
  QVERIFY(grid->model()->rowCount() < kMeters);
  QVERIFY(keyboard::clickToFocus(grid));
  for (int press = 0; press < kMeters && grid->model()->rowCount() < kMeters; ++press)
    keyboard::press(Qt::Key_End, Qt::ControlModifier);
  QCOMPARE(BrowserDriver::columnTexts(grid, 0), types);

  // The list as it is when the browser opens, its first page read.
  showWholeArchive(fixture.dm(), browser, nullptr);
  ScriptedAnswers answers;
  widgets::child<QAction>(browser, "excelProtocolAction")->trigger();
  QVERIFY(answers.shown().empty());
  const QString file =
      QDir(programPath(QStringLiteral("protocols"))).entryList({QStringLiteral("*.xlsx")}).value(0);
  const WorkbookContent book = readWorkbook(readFile(programPath(QStringLiteral("protocols/")) + file));
  const int last = 4 + kMeters * kPoints;
  for (int row = 5; row <= last; ++row) {
    const int point = (row - 5) % kPoints;
    const QString type = point == 0 ? types[(row - 5) / kPoints] : QString();
    if (book.at(QStringLiteral("A%1").arg(row)) != type ||
        book.at(QStringLiteral("M%1").arg(row)) != QLocale().toString(point + 1.25))
      QFAIL(qPrintable(
          QStringLiteral("row %1: %2 %3")
              .arg(row)
              .arg(book.at(QStringLiteral("A%1").arg(row)), book.at(QStringLiteral("M%1").arg(row)))));
  }
  QCOMPARE(book.at(QStringLiteral("A%1").arg(last + 1)), QString());
  QCOMPARE(book.at(QStringLiteral("E%1").arg(last + 2)), QString::number(kMeters * kPoints));
  QCOMPARE(book.definedNames.value(QStringLiteral("Range1")).section(u'$', -1), QString::number(last));
  browser.close();
}

VT3417_REGISTER_TEST(ArchiveWorkbookTest)
#include "ArchiveWorkbookTest.moc"
