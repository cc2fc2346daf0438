#include "reports/DocxReadBack.h"

#include <QFile>
#include <QRegularExpression>
#include <QtGlobal>

#include <cstring>

#include <pugixml.hpp>

#include <cstring>
#include <stdexcept>

#include "reports/OoxmlPackage.h"
#include "reports/ReadBack.h"

namespace {

const QString kDocumentPart = QStringLiteral("word/document.xml");

bool is(pugi::xml_node node, const char* local) {
  const char* name = node.name();
  const char* colon = std::strchr(name, ':');
  return std::strcmp(colon ? colon + 1 : name, local) == 0;
}

QString textOf(pugi::xml_node node) {
  QString text;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (is(child, "t"))
      text += QString::fromUtf8(child.text().get());
    else if (is(child, "p") && !text.isEmpty())
      text += QLatin1Char('\n') + textOf(child);
    else if (is(child, "tab"))
      text += QLatin1Char('\t');
    else if (is(child, "br"))
      text += QLatin1Char('\n');
    else if (!is(child, "del") && !is(child, "delText"))
      text += textOf(child);
  }
  return text;
}

}  // namespace

QString DocxReadBack::allText() const {
  QStringList cells;
  for (const QStringList& row : table) cells += row;
  return (paragraphs + cells).join(QLatin1Char('\n'));
}

QStringList DocxReadBack::missingParagraphs(const QStringList& expected) const {
  QStringList missing;
  for (const QString& paragraph : expected)
    if (!paragraphs.contains(paragraph)) missing << paragraph;
  return missing;
}

DocxReadBack readDocxBytes(const QByteArray& bytes) {
  OoxmlPackage package(bytes);
  const QByteArray xml = package.read(kDocumentPart);
  pugi::xml_document document;
  if (!document.load_buffer(xml.constData(), static_cast<size_t>(xml.size()),
                            pugi::parse_default | pugi::parse_ws_pcdata))
    throw std::runtime_error("word/document.xml is not well-formed XML");
  pugi::xml_node body = document.document_element().first_child();
  while (body && !is(body, "body")) body = body.next_sibling();
  DocxReadBack result;
  bool tableRead = false;
  for (pugi::xml_node child = body.first_child(); child; child = child.next_sibling()) {
    if (is(child, "p")) {
      result.paragraphs << textOf(child);
    } else if (is(child, "tbl") && !tableRead) {
      tableRead = true;
      for (pugi::xml_node row = child.first_child(); row; row = row.next_sibling()) {
        if (!is(row, "tr")) continue;
        QStringList cells;
        for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling())
          if (is(cell, "tc")) cells << textOf(cell);
        result.table << cells;
      }
    }
  }
  return result;
}

DocxReadBack readDocx(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
  return readDocxBytes(file.readAll());
}

QByteArray editedTemplate(const QByteArray& shippedTemplate,
                          const std::function<QByteArray(QByteArray)>& edit) {
  return readback::withParts(shippedTemplate,
                             {{kDocumentPart, edit(readback::partBytes(shippedTemplate, kDocumentPart))}});
}

QByteArray splitRunTemplate(const QByteArray& shippedTemplate) {
  return editedTemplate(shippedTemplate, [](QByteArray xml) {
    static const QRegularExpression placeholderRun(
        QStringLiteral("<w:r><w:t>&lt;L(\\w)(\\w+)&gt;</w:t></w:r>"));
    const QString split = QStringLiteral(
        "<w:r><w:rPr><w:i/></w:rPr><w:t>&lt;</w:t></w:r>"
        "<w:proofErr w:type=\"spellStart\"/>"
        "<w:r w:rsidR=\"00A1B2C3\"><w:rPr><w:lang w:val=\"en-US\"/></w:rPr><w:t>L\\1</w:t></w:r>"
        "<w:bookmarkStart w:id=\"7\" w:name=\"mark\"/><w:bookmarkEnd w:id=\"7\"/>"
        "<w:r><w:t>\\2</w:t></w:r>"
        "<w:proofErr w:type=\"spellEnd\"/>"
        "<w:r><w:rPr><w:b/></w:rPr><w:t>&gt;</w:t></w:r>");
    QString text = QString::fromUtf8(xml);
    text.replace(placeholderRun, split);
    if (text.contains(QLatin1String("&lt;Lnpr&gt;"))) qFatal("the template's placeholders were not split");
    return text.toUtf8();
  });
}

QByteArray templateWithoutTable(const QByteArray& shippedTemplate) {
  return editedTemplate(shippedTemplate, [](QByteArray xml) {
    const qsizetype start = xml.indexOf("<w:tbl>");
    const qsizetype end = xml.indexOf("</w:tbl>");
    if (start < 0 || end < 0) qFatal("the template has no table");
    return xml.remove(start, end + qsizetype(strlen("</w:tbl>")) - start);
  });
}
