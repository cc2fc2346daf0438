#include <QTemporaryDir>
#include <QTest>

#include "ReadBack.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/WordDocument.h"

using readback::cellText;
using readback::paragraphTexts;

namespace {

QByteArray shippedTemplate(const QString& name) {
  return readback::readFile(sourceTreePath(QStringLiteral("data/sources/") + name));
}

// A template like look.doc whose body is `body`, written to dir/name.
QString makeTemplate(const QTemporaryDir& dir, const QString& body, const QString& name = "look.doc") {
  const QString path = dir.filePath(name);
  readback::writeFile(path, readback::withParts(shippedTemplate("look.doc"),
                                                {{"word/document.xml", readback::wordDocumentXml(body)}}));
  return path;
}

QString run(const QString& text, const QString& properties = {}) {
  return QStringLiteral("<w:r>%1<w:t xml:space=\"preserve\">%2</w:t></w:r>")
      .arg(properties.isEmpty() ? QString() : "<w:rPr>" + properties + "</w:rPr>", text);
}

// The names in the w:rPr of the first run whose text holds `text`.
QString runPropertiesOf(const QByteArray& docx, const QString& text) {
  pugi::xml_document document;
  readback::loadPart(docx, "word/document.xml", document);
  for (const pugi::xpath_node t : document.select_nodes("//w:t")) {
    if (!QString::fromUtf8(t.node().text().get()).contains(text)) continue;
    QString properties;
    for (pugi::xml_node child : t.node().parent().child("w:rPr").children())
      properties += QString::fromUtf8(child.name()) + " ";
    return properties.trimmed();
  }
  return "<none>";
}

const char kTable[] =
    "<w:tbl><w:tblPr><w:tblW w:w=\"4000\" w:type=\"dxa\"/></w:tblPr><w:tblGrid><w:gridCol w:w=\"1000\"/>"
    "<w:gridCol w:w=\"1000\"/><w:gridCol w:w=\"1000\"/><w:gridCol w:w=\"1000\"/></w:tblGrid>"
    // heading: repeated on every page, bold text, centred paragraphs, shaded
    "<w:tr w14:paraId=\"11111111\"><w:trPr><w:cantSplit/><w:tblHeader/></w:trPr>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/></w:tcPr><w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr>"
    "<w:r><w:rPr><w:b/></w:rPr><w:t>A</w:t></w:r></w:p></w:tc>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>B</w:t></w:r></w:p></w:tc>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>C</w:t></w:r></w:p></w:tc>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" "
    "w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>D</w:t></w:r></w:p></w:tc></w:tr>"
    // last row: a cell spanning two columns, a vertical merge, a bookmark, a paragraph mark in italics
    "<w:tr w14:paraId=\"22222222\"><w:trPr><w:cantSplit/></w:trPr><w:bookmarkStart w:id=\"7\" "
    "w:name=\"mark\"/>"
    "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/><w:gridSpan w:val=\"2\"/><w:shd w:val=\"clear\" "
    "w:fill=\"EEEEEE\"/></w:tcPr><w:p w14:paraId=\"33333333\"><w:pPr><w:jc "
    "w:val=\"right\"/><w:rPr><w:i/></w:rPr>"
    "</w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>wide</w:t></w:r></w:p><w:p><w:r><w:t>second "
    "paragraph</w:t></w:r></w:p>"
    "</w:tc>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/><w:vMerge "
    "w:val=\"restart\"/></w:tcPr><w:p><w:r><w:t>merged</w:t>"
    "</w:r></w:p></w:tc>"
    "<w:tc><w:tcPr><w:tcW w:w=\"1000\" "
    "w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>last</w:t></w:r><w:bookmarkEnd "
    "w:id=\"7\"/></w:p></w:tc></w:tr></w:tbl><w:p/>";

}  // namespace

class WordDocumentTest : public QObject {
  Q_OBJECT
 private slots:
  void replacesPlaceholder_data();
  void replacesPlaceholder();
  void keepsTheParagraphsOtherRuns();
  void replacesInLibreOfficeTemplate();
  void templateErrors_data();
  void templateErrors();
  void leavesTemplateAndUntouchedPartsAsTheyWere();
  void proofingOptionsSwitchOffAndRestore();
  void proofingOptionsWithoutSettingsPart();
  void appendedRowsCopyPropertiesWithoutText();
  void writesCellsByGridColumn();
  void missingCellAndMissingTableAreErrors();
  void shippedTemplatesHoldEveryPlaceholderOnce();
  void wordTemplatePathPrefersDocx();
};

void WordDocumentTest::replacesPlaceholder_data() {
  QTest::addColumn<QString>("body");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("expected");
  QTest::addColumn<int>("count");
  QTest::addColumn<QString>("valueFormatting");

  QTest::newRow("one run") << "<w:p>" + run("№ &lt;Lnpr&gt; от") + "</w:p>"
                           << "9"
                           << "№ 9 от" << 1 << "";
  // Word's spelling marks leave "<", "Lnpr", ">" in three runs.
  QTest::newRow("spelling marks") << "<w:p>" + run("№ &lt;", "<w:b/>") +
                                         "<w:proofErr w:type=\"spellStart\"/>" + run("Lnpr", "<w:b/>") +
                                         "<w:proofErr w:type=\"spellEnd\"/>" + run("&gt;", "<w:b/>") +
                                         run(" от") + "</w:p>"
                                  << "9"
                                  << "№ 9 от" << 1 << "w:b";
  QTest::newRow("formatting split keeps first run")
      << "<w:p>" + run("&lt;L", "<w:u w:val=\"single\"/>") + run("npr&gt;", "<w:i/>") + "</w:p>"
      << "12"
      << "12" << 1 << "w:u";
  QTest::newRow("revision ids and layout marks")
      << "<w:p><w:r w:rsidR=\"00A1\"><w:t>&lt;Ln</w:t></w:r><w:r w:rsidR=\"00B2\"><w:lastRenderedPageBreak/>"
         "<w:t>pr&gt;</w:t></w:r></w:p>"
      << "7"
      << "7" << 1 << "";
  QTest::newRow("inside a hyperlink and inserted text")
      << "<w:p><w:hyperlink r:id=\"x\"><w:r><w:t>&lt;Lnp</w:t></w:r></w:hyperlink><w:ins w:id=\"1\" "
         "w:author=\"a\">"
         "<w:r><w:t>r&gt;!</w:t></w:r></w:ins></w:p>"
      << "5"
      << "5!" << 1 << "";
  QTest::newRow("in a table cell") << "<w:tbl><w:tr><w:tc><w:p>" + run("&lt;Lnp", "<w:b/>") + run("r&gt;") +
                                          "</w:p></w:tc></w:tr></w:tbl><w:p/>"
                                   << "3"
                                   << "3" << 1 << "w:b";
  QTest::newRow("twice in a paragraph") << "<w:p>" + run("&lt;Lnpr&gt;/&lt;Lnpr&gt;") + "</w:p>"
                                        << "9"
                                        << "9/9" << 2 << "";
  QTest::newRow("value holding the placeholder") << "<w:p>" + run("&lt;Lnpr&gt;") + "</w:p>"
                                                 << "<Lnpr>x"
                                                 << "<Lnpr>x" << 1 << "";
  QTest::newRow("markup characters") << "<w:p>" + run("[&lt;Lnpr&gt;]") + "</w:p>"
                                     << "a<b & \"c\" 'd' </w:t>"
                                     << "[a<b & \"c\" 'd' </w:t>]" << 1 << "";
  QTest::newRow("line breaks and tabs") << "<w:p>" + run("&lt;Lnpr&gt;") + "</w:p>"
                                        << "one\r\ntwo\rthree\tfour"
                                        << "one\ntwo\nthree\tfour" << 1 << "";
  QTest::newRow("characters XML forbids") << "<w:p>" + run("&lt;Lnpr&gt;") + "</w:p>"
                                          << QString(
                                                 "a\x01"
                                                 "b\x0B"
                                                 "c\uFFFF")
                                          << "abc" << 1 << "";
  QTest::newRow("spaces kept") << "<w:p>" + run("&lt;Lnpr&gt;") + "</w:p>"
                               << "  two  "
                               << "  two  " << 1 << "";
  QTest::newRow("a tab breaks the placeholder")
      << "<w:p><w:r><w:t>&lt;Ln</w:t><w:tab/><w:t>pr&gt;</w:t></w:r></w:p>"
      << "9"
      << "<Ln\tpr>" << 0 << "";
  QTest::newRow("text boxes are not main text")
      << "<w:p><w:r><w:pict><w:txbxContent><w:p>" + run("&lt;Lnpr&gt;") +
             "</w:p></w:txbxContent></w:pict></w:r></w:p>"
      << "9"
      << "<Lnpr>" << 0 << "";
  QTest::newRow("other case is another text") << "<w:p>" + run("&lt;LNPR&gt;") + "</w:p>"
                                              << "9"
                                              << "<LNPR>" << 0 << "";
}

void WordDocumentTest::replacesPlaceholder() {
  QFETCH(QString, body);
  QFETCH(QString, value);
  QFETCH(QString, expected);
  QFETCH(int, count);
  QFETCH(QString, valueFormatting);
  QTemporaryDir dir;
  WordDocument document(makeTemplate(dir, body));
  QCOMPARE(document.replaceText("<Lnpr>", value), count);
  const QByteArray docx = document.toDocx();
  const QStringList texts = paragraphTexts(docx);
  QVERIFY(texts.contains(expected));
  if (!valueFormatting.isEmpty()) QCOMPARE(runPropertiesOf(docx, value), valueFormatting);
}

void WordDocumentTest::keepsTheParagraphsOtherRuns() {
  QTemporaryDir dir;
  const QString body = "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr>" +
                       run("Номер ", "<w:sz w:val=\"28\"/>") + run("&lt;L", "<w:b/>") +
                       run("npr&gt; и ", "<w:i/>") + run("хвост", "<w:u w:val=\"single\"/>") + "</w:p>";
  WordDocument document(makeTemplate(dir, body));
  document.replaceText("<Lnpr>", "42");
  const QByteArray docx = document.toDocx();
  QCOMPARE(paragraphTexts(docx).first(), QString("Номер 42 и хвост"));
  QCOMPARE(runPropertiesOf(docx, "Номер"), QString("w:sz"));
  QCOMPARE(runPropertiesOf(docx, "42"), QString("w:b"));
  QCOMPARE(runPropertiesOf(docx, " и "), QString("w:i"));
  QCOMPARE(runPropertiesOf(docx, "хвост"), QString("w:u"));
  pugi::xml_document xml;
  readback::loadPart(docx, "word/document.xml", xml);
  QCOMPARE(xml.select_nodes("//w:body/w:p[1]/w:r").size(), size_t(4));
  QVERIFY(xml.select_node("//w:body/w:p[1]/w:pPr/w:jc"));
}

void WordDocumentTest::replacesInLibreOfficeTemplate() {
  // Saved by LibreOffice: "<Ln" bold + "pr>" italic, "<" red + "Ldat" + ">" bold,
  // "<Lnum>" with only "Lnum" bold, and "<Lusr>" split inside a table cell.
  WordDocument document(sourceTreePath("tests/reports/fixtures/lo-split.docx"));
  for (const auto& [placeholder, value] : std::vector<std::pair<QString, QString>>{{"<Lnpr>", "17"},
                                                                                   {"<Ldat>", "09.12.2026"},
                                                                                   {"<Ltch>", "СО-505"},
                                                                                   {"<Lnum>", "123456"},
                                                                                   {"<Lusr>", "ООО «Свет»"}})
    QCOMPARE(document.replaceText(placeholder, value), 1);
  const QByteArray docx = document.toDocx();
  const QStringList texts = paragraphTexts(docx);
  QVERIFY2(texts.contains("Протокол № 17 от 09.12.2026"), qPrintable(texts.join('|')));
  QVERIFY2(texts.contains("Счётчик СО-505 № 123456"), qPrintable(texts.join('|')));
  QCOMPARE(cellText(docx, 1, 3), QString("ООО «Свет»"));
  QCOMPARE(runPropertiesOf(docx, "17"), QString("w:b"));
  QCOMPARE(runPropertiesOf(docx, "09.12"), QString("w:color"));
  QCOMPARE(runPropertiesOf(docx, "СО-505"), QString("w:i"));
}

void WordDocumentTest::templateErrors_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<int>("reason");
  QTest::addColumn<bool>("legacyAdvice");
  using Reason = WordTemplateError::Reason;
  QTest::newRow("missing") << QByteArray() << int(Reason::Missing) << false;
  QTest::newRow("Word 97-2003") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12)
                                << int(Reason::LegacyBinary) << true;
  QTest::newRow("plain text") << QByteArray("Протокол <Lnpr>") << int(Reason::NotWordDocument) << false;
  QTest::newRow("damaged zip") << QByteArray("PK\x03\x04garbage") << int(Reason::NotWordDocument) << false;
  QTest::newRow("a workbook") << shippedTemplate("look.xls") << int(Reason::NotWordDocument) << false;
}

void WordDocumentTest::templateErrors() {
  QFETCH(QByteArray, content);
  QFETCH(int, reason);
  QFETCH(bool, legacyAdvice);
  QTemporaryDir dir;
  const QString path = dir.filePath("sources/look.doc");
  if (!content.isEmpty()) {
    QDir().mkpath(dir.filePath("sources"));
    readback::writeFile(path, content);
  }
  try {
    WordDocument document(path);
    QFAIL("the template was accepted");
  } catch (const WordTemplateError& error) {
    QCOMPARE(int(error.reason()), reason);
    QCOMPARE(error.path(), path);
    if (legacyAdvice) {
      QVERIFY(error.userMessage().contains(path));
      QVERIFY(error.userMessage().contains(".docx"));
    } else {
      QCOMPARE(error.userMessage(), "Не найден файл " + path);
    }
  }
}

void WordDocumentTest::leavesTemplateAndUntouchedPartsAsTheyWere() {
  TempProgramDir program;
  const QString path = program.filePath("sources/look.doc");
  const QByteArray original = shippedTemplate("look.doc");
  readback::writeFile(path, original);
  WordDocument document(path);
  document.replaceText("<Lnpr>", "1");
  document.firstTable().appendRow();
  const QByteArray docx = document.toDocx();
  QCOMPARE(readback::readFile(path), original);
  for (const char* part : {"word/styles.xml", "docProps/core.xml", "[Content_Types].xml", "_rels/.rels"})
    QCOMPARE(readback::partBytes(docx, part), readback::partBytes(original, part));
}

void WordDocumentTest::proofingOptionsSwitchOffAndRestore() {
  QTemporaryDir dir;
  const QString path = dir.filePath("look.doc");
  const QByteArray settings =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:settings "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:zoom w:percent=\"100\"/>"
      "<w:hideSpellingErrors/><w:proofState w:spelling=\"clean\" w:grammar=\"clean\"/><w:defaultTabStop "
      "w:val=\"708\"/></w:settings>";
  readback::writeFile(path,
                      readback::withParts(shippedTemplate("look.doc"), {{"word/settings.xml", settings}}));

  WordDocument document(path);
  const ProofingOptions saved = document.proofingOptions();
  QCOMPARE(saved.checkSpellingAsYouType, false);
  QCOMPARE(saved.checkGrammarAsYouType, true);
  document.setProofingOptions({false, false});
  QVERIFY(document.proofingOptions() == (ProofingOptions{false, false}));
  pugi::xml_document off;
  readback::loadPart(document.toDocx(), "word/settings.xml", off);
  QStringList order;
  for (pugi::xml_node child : off.document_element().children()) order << child.name();
  QCOMPARE(order, QStringList({"w:zoom", "w:hideSpellingErrors", "w:hideGrammaticalErrors", "w:proofState",
                               "w:defaultTabStop"}));

  document.replaceText("<Lnpr>", "1");
  document.setProofingOptions(saved);
  const QByteArray restored = document.toDocx();
  // As in the template, but the text written has not been proofread yet.
  QCOMPARE(
      readback::partBytes(restored, "word/settings.xml"),
      QByteArray(settings)
          .replace("?>\n", "?>")
          .replace("w:spelling=\"clean\" w:grammar=\"clean\"", "w:spelling=\"dirty\" w:grammar=\"dirty\""));
}

void WordDocumentTest::proofingOptionsWithoutSettingsPart() {
  QTemporaryDir dir;
  const QString path = dir.filePath("look.doc");
  QByteArray types = readback::partBytes(shippedTemplate("look.doc"), "[Content_Types].xml");
  types.replace(
      "<Override PartName=\"/word/settings.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>",
      "");
  const QByteArray rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
      "Target=\"styles.xml\"/></Relationships>";
  readback::writeFile(
      path, readback::withParts(shippedTemplate("look.doc"), {{"word/settings.xml", {}},
                                                              {"[Content_Types].xml", types},
                                                              {"word/_rels/document.xml.rels", rels}}));
  WordDocument document(path);
  QVERIFY(document.proofingOptions() == ProofingOptions{});
  document.setProofingOptions({false, true});
  const QByteArray docx = document.toDocx();
  QVERIFY(readback::partBytes(docx, "word/settings.xml").contains("<w:hideSpellingErrors/>"));
  QVERIFY(readback::partBytes(docx, "word/_rels/document.xml.rels").contains("relationships/settings"));
  QVERIFY(readback::partBytes(docx, "[Content_Types].xml").contains("/word/settings.xml"));
  readback::writeFile(dir.filePath("out.docx"), docx);
  WordDocument reopened(dir.filePath("out.docx"));
  QCOMPARE(reopened.proofingOptions().checkSpellingAsYouType, false);
}

void WordDocumentTest::appendedRowsCopyPropertiesWithoutText() {
  QTemporaryDir dir;
  WordDocument document(makeTemplate(dir, kTable));
  WordTable& table = document.firstTable();
  QCOMPARE(table.rowCount(), 2);
  table.appendRow();
  table.appendRow();
  QCOMPARE(table.rowCount(), 4);
  const QByteArray docx = document.toDocx();
  pugi::xml_document xml;
  readback::loadPart(docx, "word/document.xml", xml);
  const pugi::xpath_node_set rows = xml.select_nodes("//w:tbl/w:tr");
  QCOMPARE(rows.size(), size_t(4));
  for (size_t i = 2; i < 4; ++i) {
    const pugi::xml_node row = rows[i].node();
    QVERIFY(row.child("w:trPr").child("w:cantSplit"));
    QVERIFY(!row.child("w:trPr").child("w:tblHeader"));
    QVERIFY(!row.attribute("w14:paraId"));
    QVERIFY(!row.child("w:bookmarkStart"));
    QCOMPARE(row.select_nodes("w:tc").size(), size_t(3));
    QCOMPARE(row.select_nodes(".//w:t").size(), size_t(0));
    QCOMPARE(row.select_nodes(".//w:bookmarkEnd").size(), size_t(0));
    const pugi::xml_node wide = row.child("w:tc");
    QCOMPARE(wide.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(), 2);
    QCOMPARE(QString(wide.child("w:tcPr").child("w:shd").attribute("w:fill").value()), QString("EEEEEE"));
    QCOMPARE(QString(wide.child("w:p").child("w:pPr").child("w:jc").attribute("w:val").value()),
             QString("right"));
    QVERIFY(!wide.child("w:p").attribute("w14:paraId"));
    QVERIFY(!wide.next_sibling("w:tc").child("w:tcPr").child("w:vMerge"));
    for (pugi::xml_node cell = wide; cell; cell = cell.next_sibling("w:tc"))
      QCOMPARE(QString(cell.last_child().name()), QString("w:p"));
  }
  QCOMPARE(cellText(docx, 2, 1), QString("widesecond paragraph"));
}

void WordDocumentTest::writesCellsByGridColumn() {
  QTemporaryDir dir;
  // A third row that starts one grid column in (gridBefore), with a cell over columns 3-4.
  const QString gridBefore = QString(kTable).replace(
      "</w:tbl>",
      "<w:tr><w:trPr><w:gridBefore w:val=\"1\"/></w:trPr><w:tc><w:p/></w:tc><w:tc><w:tcPr>"
      "<w:gridSpan w:val=\"2\"/></w:tcPr><w:p/></w:tc></w:tr></w:tbl>");
  WordDocument document(makeTemplate(dir, gridBefore));
  WordTable& table = document.firstTable();
  table.appendRow();
  QCOMPARE(table.cellCount(2), 3);
  QCOMPARE(table.cellCount(4), 2);
  table.setCellText(4, 2, "x");
  table.setCellText(4, 4, "y");
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, table.setCellText(4, 1, "before the row's first cell"));
  table.setCellText(2, 2, "over the span");
  table.setCellText(2, 4, "replaced");
  table.setCellText(1, 1, "Заголовок");
  const QByteArray docx = document.toDocx();
  QCOMPARE(cellText(docx, 4, 2), QString("x"));
  QCOMPARE(cellText(docx, 4, 3), QString("y"));  // one cell covers columns 3 and 4
  QCOMPARE(cellText(docx, 4, 4), QString("y"));
  QCOMPARE(cellText(docx, 2, 1), QString("over the span"));
  QCOMPARE(cellText(docx, 2, 4), QString("replaced"));
  QCOMPARE(cellText(docx, 1, 1), QString("Заголовок"));
  // Replaced text takes the formatting of the cell's first run: bold heading, bold "wide".
  QCOMPARE(runPropertiesOf(docx, "Заголовок"), QString("w:b"));
  QCOMPARE(runPropertiesOf(docx, "over the span"), QString("w:b"));

  // In an appended (empty) cell it takes the paragraph mark's formatting.
  WordDocument plain(makeTemplate(dir, kTable, "plain.doc"));
  plain.firstTable().appendRow();
  plain.firstTable().setCellText(3, 1, "7,5");
  plain.firstTable().setCellText(3, 3, "");
  const QByteArray filled = plain.toDocx();
  QCOMPARE(runPropertiesOf(filled, "7,5"), QString("w:i"));
  QCOMPARE(cellText(filled, 3, 3), QString());
}

void WordDocumentTest::missingCellAndMissingTableAreErrors() {
  QTemporaryDir dir;
  WordDocument withTable(makeTemplate(dir, kTable));
  WordTable& table = withTable.firstTable();
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, table.setCellText(3, 1, "x"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, table.setCellText(1, 5, "x"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, table.setCellText(0, 1, "x"));
  WordDocument withoutTable(makeTemplate(dir, "<w:p>" + run("&lt;Lnpr&gt;") + "</w:p>", "plain.doc"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, withoutTable.firstTable());
}

void WordDocumentTest::shippedTemplatesHoldEveryPlaceholderOnce() {
  const QStringList single = {"<Lnpr>", "<Ldat>", "<Ltch>", "<Lyar>", "<Lnum>", "<Lusr>",
                              "<Lmkr>", "<Lpgr>", "<Lvlt>", "<Ltok>", "<Ldpp>", "<Ltpu>",
                              "<Lnpu>", "<Ldot>", "<Lddo>", "<Lgrf>", "<Lzak>"};
  const QStringList group = {"<Lnpr>", "<Ldat>", "<Ltch>", "<Lmkr>", "<Lpgr>", "<Lvlt>", "<Ltok>",
                             "<Ldpp>", "<Ltpu>", "<Lnpu>", "<Ldot>", "<Lddo>", "<Lgrf>", "<Lzak>"};
  for (const auto& [name, placeholders] :
       {std::pair{QString("look.doc"), single}, std::pair{QString("Glook.doc"), group}}) {
    WordDocument document(sourceTreePath("data/sources/" + name));
    for (const QString& placeholder : placeholders) QCOMPARE(document.replaceText(placeholder, "v"), 1);
    const QString text = paragraphTexts(document.toDocx()).join('\n');
    QVERIFY2(!text.contains("<L"), qPrintable(name));
  }
  WordDocument single1(sourceTreePath("data/sources/look.doc"));
  QCOMPARE(single1.firstTable().rowCount(), 1);
  QCOMPARE(single1.firstTable().cellCount(1), 6);  // the point, its error and the limit
  WordDocument group1(sourceTreePath("data/sources/Glook.doc"));
  QCOMPARE(group1.firstTable().rowCount(), 3);
  QCOMPARE(group1.firstTable().cellCount(3), 12);  // four columns of the conditions, then the eight meters
  group1.firstTable().appendRow();
  QCOMPARE(group1.firstTable().cellCount(4), 12);
}

void WordDocumentTest::wordTemplatePathPrefersDocx() {
  QTemporaryDir dir;
  const QString doc = dir.filePath("look.doc");
  QCOMPARE(wordTemplatePath(doc), doc);
  readback::writeFile(dir.filePath("look.docx"), "x");
  QCOMPARE(wordTemplatePath(doc), dir.filePath("look.docx"));
}

VT3417_REGISTER_TEST(WordDocumentTest)
#include "WordDocumentTest.moc"
