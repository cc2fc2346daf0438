#include "WorkbookReader.h"

#include "reports/OoxmlPackage.h"

#include <QRegularExpression>

#include <pugixml.hpp>

#include <set>
#include <stdexcept>
#include <vector>

namespace {

pugi::xml_document load(OoxmlPackage& package, const QString& part) {
  pugi::xml_document document;
  const QByteArray bytes = package.read(part);
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())))
    throw std::runtime_error("unreadable part");
  return document;
}

QString text(const pugi::xml_node node) {
  QString text;
  for (const pugi::xpath_node t : node.select_nodes(".//*[local-name()='t']"))
    text += QString::fromUtf8(t.node().text().get());
  return text;
}

int rowOf(const QString& reference) {
  static const QRegularExpression digits(QStringLiteral("(\\d+)$"));
  return digits.match(reference).captured(1).toInt();
}

}  // namespace

QList<int> WorkbookContent::rowsInUse() const {
  std::set<int> rows;
  for (auto it = cells.cbegin(); it != cells.cend(); ++it)
    if (!it.value().isEmpty()) rows.insert(rowOf(it.key()));
  for (auto it = formulas.cbegin(); it != formulas.cend(); ++it) rows.insert(rowOf(it.key()));
  return {rows.begin(), rows.end()};
}

WorkbookContent readWorkbook(const QByteArray& xlsx) {
  OoxmlPackage package(xlsx);
  std::vector<QString> shared;
  if (package.contains(QStringLiteral("xl/sharedStrings.xml"))) {
    const pugi::xml_document strings = load(package, QStringLiteral("xl/sharedStrings.xml"));
    for (const pugi::xml_node si : strings.document_element().children()) shared.push_back(text(si));
  }
  WorkbookContent content;
  const pugi::xml_document sheet = load(package, QStringLiteral("xl/worksheets/sheet1.xml"));
  for (const pugi::xpath_node found : sheet.select_nodes("//*[local-name()='c']")) {
    const pugi::xml_node cell = found.node();
    const QString reference = QString::fromUtf8(cell.attribute("r").value());
    const QString type = QString::fromUtf8(cell.attribute("t").value());
    const pugi::xml_node formula =
        cell.find_child([](pugi::xml_node n) { return QByteArray(n.name()).endsWith("f"); });
    if (formula) content.formulas[reference] = QString::fromUtf8(formula.text().get());
    const pugi::xml_node value =
        cell.find_child([](pugi::xml_node n) { return QByteArray(n.name()).endsWith("v"); });
    if (type == QLatin1String("s"))
      content.cells[reference] =
          shared.at(static_cast<size_t>(QString::fromUtf8(value.text().get()).toInt()));
    else if (type == QLatin1String("inlineStr"))
      content.cells[reference] = text(cell);
    else if (!formula && value)
      content.cells[reference] = QString::fromUtf8(value.text().get());
  }
  for (const pugi::xpath_node merge : sheet.select_nodes("//*[local-name()='mergeCell']"))
    content.merges << QString::fromUtf8(merge.node().attribute("ref").value());
  const pugi::xml_document workbook = load(package, QStringLiteral("xl/workbook.xml"));
  for (const pugi::xpath_node name : workbook.select_nodes("//*[local-name()='definedName']"))
    content.definedNames[QString::fromUtf8(name.node().attribute("name").value())] =
        QString::fromUtf8(name.node().text().get());
  return content;
}
