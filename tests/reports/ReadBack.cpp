#include "ReadBack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "reports/OoxmlPackage.h"

namespace readback {

QByteArray readFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qPrintable(path));
}

QByteArray partBytes(const QByteArray& package, const QString& part) {
  OoxmlPackage zip(package);
  return zip.read(part);
}

bool hasPart(const QByteArray& package, const QString& part) {
  OoxmlPackage zip(package);
  return zip.contains(part);
}

void loadPart(const QByteArray& package, const QString& part, pugi::xml_document& document) {
  const QByteArray bytes = partBytes(package, part);
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                            pugi::parse_default | pugi::parse_ws_pcdata))
    qFatal("part %s is not XML", qPrintable(part));
}

QByteArray withParts(const QByteArray& base, const std::map<QString, QByteArray>& parts) {
  OoxmlPackage zip(base);
  for (const auto& [name, content] : parts) {
    if (content.isEmpty())
      zip.remove(name);
    else
      zip.write(name, content);
  }
  return zip.save();
}

QByteArray wordDocumentXml(const QString& bodyContent) {
  return QByteArrayLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
             "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
             "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
             "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>") +
         bodyContent.toUtf8() + QByteArrayLiteral("<w:sectPr/></w:body></w:document>");
}

namespace {

void appendText(pugi::xml_node node, QString& text) {
  for (pugi::xml_node child : node.children()) {
    const QString name = QString::fromUtf8(child.name());
    if (name == QLatin1String("w:t"))
      text += QString::fromUtf8(child.text().get());
    else if (name == QLatin1String("w:br"))
      text += QLatin1Char('\n');
    else if (name == QLatin1String("w:tab"))
      text += QLatin1Char('\t');
    else if (name != QLatin1String("w:pPr") && name != QLatin1String("w:rPr"))
      appendText(child, text);
  }
}

pugi::xml_node firstTable(const pugi::xml_document& document) {
  return document.document_element().child("w:body").child("w:tbl");
}

}  // namespace

QStringList paragraphTexts(const QByteArray& docx) {
  pugi::xml_document document;
  loadPart(docx, QStringLiteral("word/document.xml"), document);
  QStringList texts;
  for (const pugi::xpath_node node : document.select_nodes("//w:p")) {
    QString text;
    appendText(node.node(), text);
    texts << text;
  }
  return texts;
}

int tableRowCount(const QByteArray& docx) {
  pugi::xml_document document;
  loadPart(docx, QStringLiteral("word/document.xml"), document);
  int rows = 0;
  for (pugi::xml_node row = firstTable(document).child("w:tr"); row; row = row.next_sibling("w:tr")) ++rows;
  return rows;
}

QString cellText(const QByteArray& docx, int row, int column) {
  pugi::xml_document document;
  loadPart(docx, QStringLiteral("word/document.xml"), document);
  pugi::xml_node tr = firstTable(document).child("w:tr");
  for (int i = 1; i < row && tr; ++i) tr = tr.next_sibling("w:tr");
  if (!tr) return QStringLiteral("<no row>");
  int at = 1 + tr.child("w:trPr").child("w:gridBefore").attribute("w:val").as_int();
  for (pugi::xml_node tc = tr.child("w:tc"); tc; tc = tc.next_sibling("w:tc")) {
    const int span = tc.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(1);
    if (column >= at && column < at + span) {
      QString text;
      appendText(tc, text);
      return text;
    }
    at += span;
  }
  return QStringLiteral("<no cell>");
}

std::map<QString, SheetCell> sheetCells(const QByteArray& xlsx, const QString& sheetPart) {
  QStringList shared;
  if (hasPart(xlsx, QStringLiteral("xl/sharedStrings.xml"))) {
    pugi::xml_document strings;
    loadPart(xlsx, QStringLiteral("xl/sharedStrings.xml"), strings);
    for (pugi::xml_node si : strings.document_element().children("si")) {
      QString text;
      for (const pugi::xpath_node t : si.select_nodes(".//t"))
        text += QString::fromUtf8(t.node().text().get());
      shared << text;
    }
  }
  pugi::xml_document sheet;
  loadPart(xlsx, sheetPart, sheet);
  std::map<QString, SheetCell> cells;
  for (const pugi::xpath_node node : sheet.select_nodes("//sheetData/row/c")) {
    const pugi::xml_node c = node.node();
    SheetCell cell;
    cell.exists = true;
    cell.type = QString::fromUtf8(c.attribute("t").value());
    cell.formula = QString::fromUtf8(c.child("f").text().get());
    if (cell.type == QLatin1String("s"))
      cell.text = shared.value(c.child("v").text().as_int());
    else if (cell.type == QLatin1String("inlineStr"))
      cell.text = QString::fromUtf8(c.child("is").child("t").text().get());
    else
      cell.text = QString::fromUtf8(c.child("v").text().get());
    cells[QString::fromUtf8(c.attribute("r").value())] = cell;
  }
  return cells;
}

bool haveSoffice() {
  return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() &&
         !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QString convertToPdf(const QString& file, const QString& outDir) {
  QTemporaryDir profile;
  QProcess soffice;
  soffice.start(
      QStringLiteral("soffice"),
      {QStringLiteral("--headless"),
       QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
       QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"), outDir, file});
  if (!soffice.waitForFinished(180000)) return {};
  const QString pdf = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
  return QFileInfo::exists(pdf) ? pdf : QString();
}

QString convertToPdfText(const QString& file) {
  QTemporaryDir out;
  const QString pdf = convertToPdf(file, out.path());
  if (pdf.isEmpty()) return {};
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  text.waitForFinished(60000);
  return QString::fromUtf8(text.readAllStandardOutput());
}

QStringList pdfImages(const QString& pdf) {
  QProcess list;
  list.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
  if (!list.waitForFinished(60000)) return {};
  // Two heading lines, then one line per image.
  QStringList lines =
      QString::fromUtf8(list.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return lines.mid(2);
}

bool havePythonModule(const QString& module) {
  QString out;
  return runPython(QStringLiteral("import ") + module, QString(), &out) == 0;
}

int runPython(const QString& script, const QString& file, QString* out) {
  // Debian's interpreter, where python3-docx and python3-openpyxl live.
  const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
                             ? QStringLiteral("/usr/bin/python3")
                             : QStandardPaths::findExecutable(QStringLiteral("python3"));
  if (python.isEmpty()) return -1;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(python, {QStringLiteral("-c"), script, file});
  if (!process.waitForFinished(120000)) return -1;
  *out = QString::fromUtf8(process.readAll());
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace readback
