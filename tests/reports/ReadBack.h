#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <pugixml.hpp>

#include <map>

// Reading produced documents back, and making test templates, for the report tests.
namespace readback {

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// A part of a zip package parsed with pugixml (fails the test when absent).
void loadPart(const QByteArray& package, const QString& part, pugi::xml_document& document);
QByteArray partBytes(const QByteArray& package, const QString& part);
bool hasPart(const QByteArray& package, const QString& part);

// A package made from `base` with some parts replaced (empty content removes a part).
QByteArray withParts(const QByteArray& base, const std::map<QString, QByteArray>& parts);

// word/document.xml with the given body content (namespaces of Word declared).
QByteArray wordDocumentXml(const QString& bodyContent);

// Texts of the body's paragraphs (w:t joined, w:br as "\n"), tables included.
QStringList paragraphTexts(const QByteArray& docx);
// Text of the cell covering grid column `column` of row `row` of the first table.
QString cellText(const QByteArray& docx, int row, int column);
int tableRowCount(const QByteArray& docx);

// Cell of the first worksheet: its displayed text (inline, shared or value) and formula.
struct SheetCell {
  QString text;
  QString formula;
  QString type;
  bool exists = false;
};
std::map<QString, SheetCell> sheetCells(const QByteArray& xlsx,
                                        const QString& sheetPart = "xl/worksheets/sheet1.xml");

// LibreOffice: converts a file to PDF with a profile of its own and returns the
// PDF's text (pdftotext -layout); empty when conversion failed.
bool haveSoffice();
QString convertToPdfText(const QString& file);
// The PDF LibreOffice made of the file in outDir; empty when conversion failed.
QString convertToPdf(const QString& file, const QString& outDir);
// The images of a PDF as "pdfimages -list" lists them, one line each.
QStringList pdfImages(const QString& pdf);

// Runs a python3 script with the file name as argument (python3-docx /
// python3-openpyxl as independent readers); returns exit code, output in `out`.
bool havePythonModule(const QString& module);
int runPython(const QString& script, const QString& file, QString* out);

}  // namespace readback
