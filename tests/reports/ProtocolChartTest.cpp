#include <QTemporaryDir>
#include <QTest>

#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/DocxPicture.h"
#include "reports/DocxReadBack.h"
#include "reports/ProtocolFixture.h"
#include "reports/ReadBack.h"
#include "reports/WordDocument.h"
#include "reports/WordProtocols.h"

namespace {

const QString kBase = QStringLiteral("Б1");
const QByteArray kPngSignature("\x89PNG\r\n\x1a\n");
constexpr qint64 kPortraitColumnEmu = (11906 - 1418 - 850) * docx::kEmuPerTwip;
constexpr qint64 kLandscapeColumnEmu = (16838 - 1134 - 1134) * docx::kEmuPerTwip;

// The pictures of a saved document, followed from the drawing to the image part.
struct PlacedPicture {
  QString part;
  qint64 width = 0;
  qint64 height = 0;
  unsigned drawingId = 0;
};

QList<PlacedPicture> placedPictures(const QByteArray& docx) {
  pugi::xml_document body;
  readback::loadPart(docx, "word/document.xml", body);
  pugi::xml_document relationships;
  readback::loadPart(docx, "word/_rels/document.xml.rels", relationships);
  QList<PlacedPicture> pictures;
  for (const pugi::xpath_node& found : body.select_nodes("//wp:inline")) {
    const pugi::xml_node drawing = found.node();
    PlacedPicture picture;
    picture.width = drawing.child("wp:extent").attribute("cx").as_llong();
    picture.height = drawing.child("wp:extent").attribute("cy").as_llong();
    picture.drawingId = drawing.child("wp:docPr").attribute("id").as_uint();
    const char* id = drawing.select_node(".//a:blip").node().attribute("r:embed").value();
    const pugi::xml_node relationship = relationships.document_element().find_child_by_attribute("Id", id);
    if (QString(relationship.attribute("Type").value()).endsWith("/image"))
      picture.part = "word/" + QString(relationship.attribute("Target").value());
    pictures << picture;
  }
  return pictures;
}

bool declaresPng(const QByteArray& docx) {
  pugi::xml_document types;
  readback::loadPart(docx, "[Content_Types].xml", types);
  const pugi::xml_node png = types.document_element().find_child_by_attribute("Default", "Extension", "png");
  return QString(png.attribute("ContentType").value()) == "image/png";
}

// The picture is there, as wide as the text, and its part is a PNG.
void verifyPicture(const QByteArray& docx, qint64 columnEmu) {
  const QList<PlacedPicture> pictures = placedPictures(docx);
  QCOMPARE(pictures.size(), 1);
  QCOMPARE(pictures[0].width, columnEmu);
  QVERIFY(pictures[0].height > columnEmu / 4 && pictures[0].height < columnEmu);
  QVERIFY2(readback::partBytes(docx, pictures[0].part).startsWith(kPngSignature),
           qPrintable(pictures[0].part));
  QVERIFY(declaresPng(docx));
  QVERIFY(!readback::paragraphTexts(docx).join('\n').contains("<Lgrf>"));
}

// A base Б1 (class 0.5) with the chosen meter "011234" in slot 2 and "017777" in slot 7.
struct TwoMeters {
  ProtocolFixture fixture;
  qint64 chosen = 0;
  qint64 other = 0;
  TwoMeters() {
    fixture.addBase(kBase);
    chosen = fixture.addMeter(kBase, 2, "011234");
    other = fixture.addMeter(kBase, 7, "017777");
  }
};

}  // namespace

class ProtocolChartTest : public QObject {
  Q_OBJECT
 private slots:
  void pictureAtPlaceholder_data();
  void pictureAtPlaceholder();
  void picturesKeepApartInOneDocument();
  void placeholderParagraphRemoved();
  void singleProtocolShowsChart();
  void groupProtocolShowsChart();
  void protocolWithoutErrorsHasNoPicture();
  void independentReadersSeeThePicture();
  void valuesReadingLikePlaceholdersStayText();
};

void ProtocolChartTest::pictureAtPlaceholder_data() {
  QTest::addColumn<QString>("templateName");
  QTest::addColumn<bool>("splitRuns");
  QTest::addColumn<qint64>("columnEmu");
  QTest::newRow("single") << "look.doc" << false << kPortraitColumnEmu;
  QTest::newRow("single, placeholder split over runs") << "look.doc" << true << kPortraitColumnEmu;
  QTest::newRow("group, landscape") << "Glook.doc" << false << kLandscapeColumnEmu;
}

void ProtocolChartTest::pictureAtPlaceholder() {
  QFETCH(QString, templateName);
  QFETCH(bool, splitRuns);
  QFETCH(qint64, columnEmu);
  QTemporaryDir dir;
  const QString path = dir.filePath("template.docx");
  const QByteArray shipped = readback::readFile(sourceTreePath("data/sources/" + templateName));
  readback::writeFile(path, splitRuns ? splitRunTemplate(shipped) : shipped);
  const QByteArray png("\x89PNG\r\n\x1a\nnot really a picture");

  WordDocument document(path);
  QCOMPARE(document.insertPicture("<Lgrf>", png, QSize(400, 200), "График"), 1);
  const QByteArray docx = document.toDocx();

  verifyPicture(docx, columnEmu);
  QCOMPARE(placedPictures(docx)[0].height, columnEmu / 2);
  QCOMPARE(readback::partBytes(docx, placedPictures(docx)[0].part), png);
}

// Two pictures in one document: two image parts, two drawing ids.
void ProtocolChartTest::picturesKeepApartInOneDocument() {
  QTemporaryDir dir;
  const QString path = dir.filePath("template.docx");
  readback::writeFile(
      path, editedTemplate(readback::readFile(sourceTreePath("data/sources/look.doc")),
                           [](QByteArray xml) { return xml.replace("&lt;Ltch&gt;", "&lt;Pic2&gt;"); }));
  WordDocument document(path);
  QCOMPARE(document.insertPicture("<Lgrf>", "\x89PNG\r\n\x1a\none", QSize(10, 5), {}), 1);
  QCOMPARE(document.insertPicture("<Pic2>", "\x89PNG\r\n\x1a\ntwo", QSize(10, 10), {}), 1);
  QCOMPARE(document.insertPicture("<none>", "\x89PNG\r\n\x1a\n", QSize(10, 10), {}), 0);
  const QList<PlacedPicture> pictures = placedPictures(document.toDocx());
  QCOMPARE(pictures.size(), 2);
  QVERIFY(pictures[0].part != pictures[1].part);
  QVERIFY(!pictures[0].part.isEmpty() && !pictures[1].part.isEmpty());
  QVERIFY(pictures[0].drawingId != pictures[1].drawingId);
}

void ProtocolChartTest::placeholderParagraphRemoved() {
  WordDocument document(sourceTreePath("data/sources/look.doc"));
  const int paragraphsBefore = readback::paragraphTexts(document.toDocx()).size();
  QCOMPARE(document.removeParagraphsWith("<Lgrf>"), 1);
  const QStringList after = readback::paragraphTexts(document.toDocx());
  QCOMPARE(after.size(), paragraphsBefore - 1);
  QVERIFY(!after.join('\n').contains("<Lgrf>"));
}

void ProtocolChartTest::singleProtocolShowsChart() {
  TwoMeters base;
  base.fixture.addPoint(base.chosen, {100, 100, "1.000", 0.2, "R", 1});
  base.fixture.addPoint(base.chosen, {100, 10, "0.5/L", -0.4, "R", 2});
  base.fixture.addPoint(base.chosen, {100, 50, "1.000", 0.1, "", 3});
  base.fixture.chooseMeter(kBase, 2);
  verifyPicture(readback::readFile(base.fixture.singleReport()), kPortraitColumnEmu);
}

void ProtocolChartTest::groupProtocolShowsChart() {
  TwoMeters base;
  base.fixture.addPoint(base.chosen, {100, 100, "1.000", 0.2, "R", 1});
  base.fixture.addPoint(base.other, {100, 100, "1.000", -0.3, "R", 1});
  base.fixture.chooseMeter(kBase, 2);
  verifyPicture(readback::readFile(base.fixture.groupReport()), kLandscapeColumnEmu);
}

// Marked points without an error draw nothing: no picture, no placeholder left.
void ProtocolChartTest::protocolWithoutErrorsHasNoPicture() {
  TwoMeters base;
  base.fixture.addPoint(base.chosen, {100, 100, "1.000", QVariant(), "R", 1});
  base.fixture.chooseMeter(kBase, 2);
  for (const QString& file : {base.fixture.singleReport(), base.fixture.groupReport()}) {
    const QByteArray docx = readback::readFile(file);
    QVERIFY(placedPictures(docx).isEmpty());
    QVERIFY(!readback::hasPart(docx, "word/media/chart1.png"));
    QVERIFY(!readback::paragraphTexts(docx).join('\n').contains("<Lgrf>"));
  }
}

// python-docx finds one inline picture as wide as the text; LibreOffice
// renders both protocols with an image on the page.
void ProtocolChartTest::independentReadersSeeThePicture() {
  TwoMeters base;
  base.fixture.addPoint(base.chosen, {100, 100, "1.000", 0.2, "R", 1});
  base.fixture.addPoint(base.other, {100, 20, "0.8/C", -0.3, "R", 1});
  base.fixture.chooseMeter(kBase, 2);
  const QString single = base.fixture.singleReport();
  const QString group = base.fixture.groupReport();

  if (readback::havePythonModule("docx")) {
    QString out;
    const int code = readback::runPython(
        "import sys, docx\n"
        "d = docx.Document(sys.argv[1])\n"
        "print(len(d.inline_shapes), d.inline_shapes[0].width, int(d.inline_shapes[0].type))\n",
        single, &out);
    QCOMPARE(code, 0);
    QCOMPARE(out.trimmed(), QString("1 %1 3").arg(kPortraitColumnEmu));
  }
  if (!readback::haveSoffice()) QSKIP("LibreOffice (soffice) or pdftotext is not installed");
  QTemporaryDir out;
  for (const QString& file : {single, group}) {
    const QString pdf = readback::convertToPdf(file, out.path());
    QVERIFY2(!pdf.isEmpty(), qPrintable(file));
    const QStringList images = readback::pdfImages(pdf);
    QVERIFY2(images.size() >= 1, qPrintable(file));
    QVERIFY2(images[0].contains("image"), qPrintable(images.join('\n')));
  }
}

// Placeholders are replaced in the template's own text only: an owner
// "<Lgrf>", a maker "<Lzak>" and a power factor "<Lgrf>" from the database
// are printed as they are, and the chart and the conclusion appear once.
void ProtocolChartTest::valuesReadingLikePlaceholdersStayText() {
  TwoMeters base;
  base.fixture.db().execute(
      {"update master set MyUser = '<Lgrf>', MyMaker = '<Lzak>' where Num = ?", {base.chosen}, "master"});
  base.fixture.addPoint(base.chosen, {100, 100, "1.000", 0.2, "R", 1});
  base.fixture.addPoint(base.chosen, {100, 50, "<Lgrf>", 0.1, "R", 2});
  base.fixture.chooseMeter(kBase, 2);
  const struct {
    QString file;
    QStringList paragraphs;
    int kmRow;  // the data row of the point "<Lgrf>"
  } protocols[] = {
      {base.fixture.singleReport(),
       {"Владелец: <Lgrf>", "Изготовитель: <Lzak>",
        "Заключение: счётчик признан ____________________ к применению."},
       2},
      {base.fixture.groupReport(),
       {"Счётчики электрической энергии типа СО-505, изготовитель <Lzak>",
        "Заключение: счётчики признаны ____________________ к применению."},
       4},
  };
  for (const auto& protocol : protocols) {
    const QByteArray docx = readback::readFile(protocol.file);
    QCOMPARE(placedPictures(docx).size(), 1);
    const DocxReadBack document = readDocxBytes(docx);
    QCOMPARE(document.missingParagraphs(protocol.paragraphs), QStringList());
    QCOMPARE(document.table.value(protocol.kmRow).value(3), "<Lgrf>");
  }
}

VT3417_REGISTER_TEST(ProtocolChartTest)
#include "ProtocolChartTest.moc"
