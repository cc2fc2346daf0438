#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "support/TestRegistry.h"

#include "reports/DocxReadBack.h"
#include "reports/ProtocolFixture.h"
#include "reports/WordDocument.h"
#include "reports/WordProtocols.h"
#include "settings/SettingsRecords.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// A base Б1 with the meter "011234" in slot 2, chosen.
qint64 chosenMeter(ProtocolFixture& fixture) {
  fixture.addBase(kBase);
  const qint64 meter = fixture.addMeter(kBase, 2, QStringLiteral("011234"));
  return meter;
}

}  // namespace

class SingleProtocolTest : public QObject {
  Q_OBJECT
 private slots:
  void placeholdersReplaced_data();
  void placeholdersReplaced();
  void tableHoldsMarkedPointsInOrder();
  void protocolNumberSequence_data();
  void protocolNumberSequence();
  void savedUnderDescriptiveNameNeverOverwriting();
  void unusableTemplateLeavesEverything_data();
  void unusableTemplateLeavesEverything();
  void docxBesideTemplate_data();
  void docxBesideTemplate();
  void failureAfterTemplateLeavesNoHalfState();
  void proofingOptionsOfTemplateKept();
  void zeroDatesPrintedEmpty_data();
  void zeroDatesPrintedEmpty();
};

void SingleProtocolTest::placeholdersReplaced_data() {
  QTest::addColumn<bool>("splitRuns");
  QTest::newRow("shipped template") << false;
  QTest::newRow("placeholders split over runs") << true;
}

void SingleProtocolTest::placeholdersReplaced() {
  QFETCH(bool, splitRuns);
  ProtocolFixture fixture;
  if (splitRuns)
    fixture.writeTemplate("look.doc", splitRunTemplate(ProtocolFixture::shippedTemplate("look.doc")));
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.chooseMeter(kBase, 2);

  const DocxReadBack document = readDocx(fixture.singleReport());

  const QStringList expected = {
      "ПРОТОКОЛ ПОВЕРКИ № 9",
      "от " + todayText(),
      "Тип: СО-505",
      "Заводской номер: 011234",
      "Год выпуска: 2019",
      "Владелец: \"Рога & Ко\" <НИИ>",
      "Изготовитель: Завод 'Энергомера'",
      "Класс точности: 0,5",
      "Номинальное напряжение: 57,7 В",
      "Номинальный ток: 1,5 А",
      "Дата предыдущей поверки: 20.03.2022",
      "Установка для поверки счётчиков электрической энергии СТ3416 № 1234 с ваттметром-счётчиком эталонным "
      "ВТ3417; свидетельство о поверке № С-77 от 15.01.2024, действительно до 15.01.2025.",
  };
  QCOMPARE(document.missingParagraphs(expected), QStringList());
  QVERIFY(!document.allText().contains("<L"));
}

// Only the points marked "R", in the order they were added, numbered from 1
// whatever their stored number; reals with the locale's comma; null gives an
// empty cell.
void SingleProtocolTest::tableHoldsMarkedPointsInOrder() {
  ProtocolFixture fixture;
  const qint64 meter = chosenMeter(fixture);
  using Point = ProtocolFixture::Point;
  fixture.addPoint(meter, Point{100, 100, "0.5/L", 0.46, "R", 7});
  fixture.addPoint(meter, Point{80, 10, "1", -0.12, "", 3});
  fixture.addPoint(meter, Point{100, 50, "0.8/C", 1.5, "R", 1});
  fixture.addPoint(meter, Point{120, 5, "1", 0.3, "X", 2});
  fixture.addPoint(meter, Point{120, 5, QVariant(), QVariant(), "R", 9});
  fixture.addPoint(meter, Point{QVariant(), 2.5, "1", -1e-7, "R", 4});
  fixture.chooseMeter(kBase, 2);
  QCOMPARE(fixture.selection.markedCount(), 4);

  const DocxReadBack document = readDocx(fixture.singleReport());

  QCOMPARE(document.table.size(), 5);
  QCOMPARE(document.table[0].first(), "№");
  QCOMPARE(document.table[1], QStringList({"1", "100", "100", "0.5/L", "0,46", ""}));
  QCOMPARE(document.table[2], QStringList({"2", "100", "50", "0.8/C", "1,5", ""}));
  QCOMPARE(document.table[3], QStringList({"3", "120", "5", "", "", ""}));
  QCOMPARE(document.table[4], QStringList({"4", "", "2,5", "1", "-1E-7", ""}));  // no limits file: no limit
  // testPoints ends on the meter's last point.
  QVERIFY(fixture.dm->testPoints->eof());
  QCOMPARE(fixture.dm->testPoints->fieldByName("Count").asInteger(), 4);
}

void SingleProtocolTest::protocolNumberSequence_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<bool>("automatic");
  // The numbers the first and the second protocol show, then the stored one.
  QTest::addColumn<QStringList>("sequence");
  QTest::newRow("automatic") << "9" << true << QStringList{"9", "10", "11"};
  QTest::newRow("manual") << "9" << false << QStringList{"9", "9", "9"};
  // The advanced number is written with a point whatever the locale.
  QTest::newRow("fraction") << "9.5" << true << QStringList{"9.5", "10.5", "11.5"};
  QTest::newRow("not a number counts as 0") << "П-12" << true << QStringList{"П-12", "1", "2"};
  QTest::newRow("cut to 10 characters")
      << "9999999999" << true << QStringList{"9999999999", "1000000000", "1000000001"};
}

void SingleProtocolTest::protocolNumberSequence() {
  QFETCH(QString, stored);
  QFETCH(bool, automatic);
  QFETCH(QStringList, sequence);
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 2);
  fixture.chooseMeter(kBase, 2);
  fixture.setProtocolNumber(stored, automatic);

  QCOMPARE(readDocx(fixture.singleReport()).paragraphs.first(), "ПРОТОКОЛ ПОВЕРКИ № " + sequence[0]);
  QCOMPARE(readDocx(fixture.singleReport()).paragraphs.first(), "ПРОТОКОЛ ПОВЕРКИ № " + sequence[1]);
  QCOMPARE(fixture.storedProtocolNumber(), sequence[2]);
}

void SingleProtocolTest::savedUnderDescriptiveNameNeverOverwriting() {
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.chooseMeter(kBase, 2);
  fixture.setProtocolNumber("9", false);

  const QString first = fixture.singleReport();
  const QString second = fixture.singleReport();

  const QString name = "Протокол 9 СО-505 011234 " + QDate::currentDate().toString(Qt::ISODate);
  QCOMPARE(QFileInfo(first).fileName(), name + ".docx");
  QCOMPARE(QFileInfo(second).fileName(), name + " (2).docx");
  QCOMPARE(QFileInfo(first).absolutePath(), QFileInfo(fixture.dir.filePath("protocols")).absoluteFilePath());
  QCOMPARE(readDocx(first).table, readDocx(second).table);
}

void SingleProtocolTest::unusableTemplateLeavesEverything_data() {
  QTest::addColumn<bool>("group");
  QTest::addColumn<QByteArray>("content");  // empty: the file is missing
  QTest::addColumn<QString>("messageStart");
  const QByteArray legacy = QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0');
  const QString notFound = QStringLiteral("Не найден файл ");
  for (const bool group : {false, true}) {
    const char* kind = group ? "group: " : "single: ";
    QTest::newRow(QByteArray(kind).append("missing")) << group << QByteArray() << notFound;
    QTest::newRow(QByteArray(kind).append("not a document")) << group << QByteArray("plain text") << notFound;
    QTest::newRow(QByteArray(kind).append("damaged package"))
        << group << QByteArray("PK\x03\x04garbage") << notFound;
    QTest::newRow(QByteArray(kind).append("Word 97-2003")) << group << legacy << QStringLiteral("Файл ");
  }
}

// The operator is told in a plain box with the template's full path; no
// document, the protocol number as it was.
void SingleProtocolTest::unusableTemplateLeavesEverything() {
  QFETCH(bool, group);
  QFETCH(QByteArray, content);
  QFETCH(QString, messageStart);
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.addMeter(kBase, 3, "2");
  fixture.chooseMeter(kBase, 2);
  const QString templateName = group ? "Glook.doc" : "look.doc";
  if (content.isEmpty())
    fixture.removeTemplate(templateName);
  else
    fixture.writeTemplate(templateName, content);

  ScriptedAnswers answers;
  const QString saved = group ? fixture.groupReport() : fixture.singleReport();

  QVERIFY(saved.isEmpty());
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Plain);
  const QString path = fixture.nativePath("sources/" + templateName);
  QCOMPARE(answers.shown()[0].text.left(messageStart.size() + path.size()), messageStart + path);
  if (content.startsWith("\xd0\xcf")) QVERIFY(answers.shown()[0].text.contains(".docx"));
  QVERIFY(fixture.savedProtocols().isEmpty());
  QCOMPARE(fixture.storedProtocolNumber(), "9");
  // The group report found no template before moving the meter query.
  QCOMPARE(fixture.dm->meters->recordCount(), 1);
}

void SingleProtocolTest::docxBesideTemplate_data() {
  QTest::addColumn<QByteArray>("docContent");  // empty: missing
  QTest::addColumn<QString>("expectedTitle");
  const QByteArray legacy = QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(504, '\0');
  QTest::newRow("look.doc missing") << QByteArray() << "ПРОТОКОЛ ИЗ DOCX № 9";
  QTest::newRow("look.doc in the old format") << legacy << "ПРОТОКОЛ ИЗ DOCX № 9";
  QTest::newRow("both usable: the specified name first")
      << ProtocolFixture::shippedTemplate("look.doc") << "ПРОТОКОЛ ПОВЕРКИ № 9";
}

void SingleProtocolTest::docxBesideTemplate() {
  QFETCH(QByteArray, docContent);
  QFETCH(QString, expectedTitle);
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.chooseMeter(kBase, 2);
  fixture.writeTemplate("look.docx",
                        editedTemplate(ProtocolFixture::shippedTemplate("look.doc"), [](QByteArray xml) {
                          return xml.replace("ПРОТОКОЛ ПОВЕРКИ", "ПРОТОКОЛ ИЗ DOCX");
                        }));
  if (docContent.isEmpty())
    fixture.removeTemplate("look.doc");
  else
    fixture.writeTemplate("look.doc", docContent);

  ScriptedAnswers answers;
  const QString saved = fixture.singleReport();

  QVERIFY(answers.shown().empty());
  QCOMPARE(readDocx(saved).paragraphs.first(), expectedTitle);
}

// A template without a table fails only after the document was made: the
// error reaches the caller, nothing is saved and the number stays.
void SingleProtocolTest::failureAfterTemplateLeavesNoHalfState() {
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 2);
  fixture.chooseMeter(kBase, 2);
  fixture.writeTemplate("look.doc", templateWithoutTable(ProtocolFixture::shippedTemplate("look.doc")));

  QVERIFY_THROWS_EXCEPTION(std::runtime_error, fixture.singleReport());

  QVERIFY(fixture.savedProtocols().isEmpty());
  QCOMPARE(fixture.storedProtocolNumber(), "9");
}

// The proofing options are switched off only while the report fills the
// document: the saved document checks spelling as the template did.
void SingleProtocolTest::proofingOptionsOfTemplateKept() {
  ProtocolFixture fixture;
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.chooseMeter(kBase, 2);
  const QString saved = fixture.singleReport();
  const ProofingOptions expected = WordDocument(fixture.dir.filePath("sources/look.doc")).proofingOptions();
  QVERIFY(WordDocument(saved).proofingOptions() == expected);
  QVERIFY(expected.checkSpellingAsYouType);
}

void SingleProtocolTest::zeroDatesPrintedEmpty_data() {
  QTest::addColumn<bool>("group");
  QTest::newRow("single protocol") << false;
  QTest::newRow("group protocol") << true;
}

// Certificate dates never entered in file.ust are day zero: printed empty,
// never as 30.12.1899.
void SingleProtocolTest::zeroDatesPrintedEmpty() {
  QFETCH(bool, group);
  ProtocolFixture fixture;
  Installation.CertDate = 0;
  Installation.CertValidTo = 0;
  saveInstallationInfo();
  fixture.addMarkedPoints(chosenMeter(fixture), 1);
  fixture.chooseMeter(kBase, 2);

  const DocxReadBack document = readDocx(group ? fixture.groupReport() : fixture.singleReport());

  const QString prefix = group ? "Средства поверки: установка" : "Установка";
  QCOMPARE(
      document.missingParagraphs({prefix + " для поверки счётчиков электрической энергии СТ3416 № 1234 с "
                                           "ваттметром-счётчиком эталонным ВТ3417; свидетельство о поверке "
                                           "№ С-77 от , действительно до ."}),
      QStringList());
  QVERIFY(!document.allText().contains("1899"));
}

VT3417_REGISTER_TEST(SingleProtocolTest)
#include "SingleProtocolTest.moc"
