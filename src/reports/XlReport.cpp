#include "reports/XlReport.h"

#include <QFile>

#include <optional>

#include "reports/OoxmlPackage.h"
#include "reports/PackageXml.h"
#include "reports/XlsxReferences.h"
#include "reports/XlsxSheetFill.h"
#include "reports/XlsxSheetStream.h"

namespace {

constexpr char kSheetNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelationshipNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kWorkbookType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";

// Elements that come before calcPr in a workbook part.
const char* const kBeforeCalcPr[] = {"fileVersion",        "fileSharing",        "workbookPr",
                                     "workbookProtection", "bookViews",          "sheets",
                                     "functionGroups",     "externalReferences", "definedNames"};

struct Sheet {
  QString name;
  QString part;
};

// The workbook part, its sheets and where they are stored.
class Workbook {
 public:
  Workbook(OoxmlPackage& package, QString part) : package_(package), part_(std::move(part)) {
    ooxml::loadPart(package_, part_, document_);
    x_.emplace(root(), kSheetNs);
    relationships_ = ooxml::readRelationships(package_, part_);
    const ooxml::XmlNames r(root(), kRelationshipNs);
    for (const pugi::xml_node node : root().child((*x_)("sheets").c_str()).children()) {
      const QString id = QString::fromUtf8(node.attribute(r("id").c_str()).value());
      for (const ooxml::Relationship& relationship : relationships_)
        if (relationship.id == id)
          sheets_.push_back({QString::fromUtf8(node.attribute("name").value()), relationship.target});
    }
  }

  pugi::xml_node root() const { return document_.document_element(); }
  const ooxml::XmlNames& names() const { return *x_; }
  const std::vector<Sheet>& sheets() const { return sheets_; }
  const std::vector<ooxml::Relationship>& relationships() const { return relationships_; }
  void store() { ooxml::storePart(package_, part_, document_); }

  const Sheet* sheetNamed(const QString& name) const {
    for (const Sheet& sheet : sheets_)
      if (sheet.name.compare(name, Qt::CaseInsensitive) == 0) return &sheet;
    return nullptr;
  }

  std::vector<QString> sharedStrings() const {
    std::vector<QString> strings;
    const std::optional<ooxml::Relationship> part =
        ooxml::findRelationship(relationships_, QStringLiteral("sharedStrings"));
    if (!part || !package_.contains(part->target)) return strings;
    pugi::xml_document document;
    ooxml::loadPart(package_, part->target, document);
    const ooxml::XmlNames x(document.document_element(), kSheetNs);
    for (const pugi::xml_node item : document.document_element().children()) {
      if (!x.is(item, "si")) continue;
      QString text;
      for (const pugi::xml_node piece : item.children()) {  // plain text, or rich runs (not phonetic hints)
        if (x.is(piece, "t")) text += QString::fromUtf8(piece.text().get());
        if (x.is(piece, "r")) text += QString::fromUtf8(piece.child(x("t").c_str()).text().get());
      }
      strings.push_back(text);
    }
    return strings;
  }

 private:
  OoxmlPackage& package_;
  QString part_;
  pugi::xml_document document_;
  std::optional<ooxml::XmlNames> x_;
  std::vector<ooxml::Relationship> relationships_;
  std::vector<Sheet> sheets_;
};

struct RangeLocation {
  const Sheet* sheet = nullptr;
  xlsx::FillRange range;
};

// The cells a defined name stands for (workbook-wide names first).
std::optional<RangeLocation> findRange(const Workbook& workbook, const QString& rangeName) {
  const ooxml::XmlNames& x = workbook.names();
  std::vector<pugi::xml_node> candidates;
  for (const pugi::xml_node name : workbook.root().child(x("definedNames").c_str()).children())
    if (QString::fromUtf8(name.attribute("name").value()).compare(rangeName, Qt::CaseInsensitive) == 0)
      name.attribute("localSheetId") ? candidates.push_back(name)
                                     : (void)candidates.insert(candidates.begin(), name);
  for (const pugi::xml_node name : candidates) {
    std::optional<xlsx::FormulaRef> ref;
    xlsx::rewriteFormula(QString::fromUtf8(name.text().get()), [&](xlsx::FormulaRef& found) {
      if (!ref) ref = found;
      return false;
    });
    if (!ref || ref->kind == xlsx::FormulaRef::Kind::Columns) continue;
    QString sheetName = ref->sheet;
    if (sheetName.isEmpty() && name.attribute("localSheetId")) {
      const size_t index = name.attribute("localSheetId").as_uint();
      if (index < workbook.sheets().size()) sheetName = workbook.sheets()[index].name;
    }
    RangeLocation location;
    location.sheet = workbook.sheetNamed(sheetName);
    if (location.sheet == nullptr) continue;
    location.range.firstRow = std::min(ref->first.row, ref->last.row);
    location.range.lastRow = std::max(ref->first.row, ref->last.row);
    if (ref->kind != xlsx::FormulaRef::Kind::Rows) {
      location.range.firstColumn = std::min(ref->first.column, ref->last.column);
      location.range.lastColumn = std::max(ref->first.column, ref->last.column);
    }
    return location;
  }
  return std::nullopt;
}

// Rows moved on one sheet: names, other sheets' formulas (and the copies of
// their filled ranges) and tables follow.
void followMovedRows(OoxmlPackage& package, xlsx::SheetCache& sheets, Workbook& workbook, const Sheet& filled,
                     const xlsx::SheetFill& fill) {
  const auto onFilledSheet = [&](xlsx::FormulaRef& ref) {
    return !ref.sheet.isEmpty() && fill.targetsThisSheet(ref) && fill.insertion().mapOutside(ref);
  };
  for (pugi::xml_node name : workbook.root().child(workbook.names()("definedNames").c_str()).children())
    name.text().set(
        xlsx::rewriteFormula(QString::fromUtf8(name.text().get()), onFilledSheet).toUtf8().constData());
  workbook.store();
  for (const Sheet& sheet : workbook.sheets()) {
    if (sheet.part == filled.part) continue;
    xlsx::SheetCache::Sheet* other = sheets.find(sheet.part);
    if (other == nullptr) {
      if (!package.contains(sheet.part) || !package.read(sheet.part).contains(filled.name.toUtf8())) continue;
      other = &sheets.load(package, sheet.part);
    }
    const ooxml::XmlNames x(other->document.document_element(), kSheetNs);
    xlsx::expandSharedFormulas(other->document.document_element(), x);
    if (xlsx::rewriteSheetFormulas(other->document.document_element(), x, onFilledSheet))
      other->changed = true;
    for (const std::shared_ptr<xlsx::CopyBlock>& block : other->blocks)
      block->follow(filled.name, false, fill.insertion());
  }
  for (const ooxml::Relationship& relationship : ooxml::readRelationships(package, filled.part)) {
    if (!relationship.type.endsWith(QLatin1String("/table")) || !package.contains(relationship.target))
      continue;
    pugi::xml_document document;
    ooxml::loadPart(package, relationship.target, document);
    const ooxml::XmlNames x(document.document_element(), kSheetNs);
    for (pugi::xml_node node :
         {document.document_element(), document.document_element().child(x("autoFilter").c_str())}) {
      std::optional<xlsx::FormulaRef> area = xlsx::parseRef(QString::fromUtf8(node.attribute("ref").value()));
      if (area && fill.insertion().mapOutside(*area))
        node.attribute("ref") = xlsx::formatRef(*area).toUtf8().constData();
    }
    ooxml::storePart(package, relationship.target, document);
  }
}

void fillSource(OoxmlPackage& package, xlsx::SheetCache& sheets, const QString& workbookPart,
                const QString& alias, const QString& rangeName, const ReportDataSource& source,
                bool required) {
  Workbook workbook(package, workbookPart);
  const std::optional<RangeLocation> location = findRange(workbook, rangeName);
  if (!location || !package.contains(location->sheet->part)) {
    if (!required) return;
    throw XlsReportError(QStringLiteral("Range '%1' not found.").arg(rangeName));
  }
  xlsx::SheetCache::Sheet& sheet = sheets.load(package, location->sheet->part);
  const ooxml::XmlNames x(sheet.document.document_element(), kSheetNs);
  const std::vector<QString> sharedStrings = workbook.sharedStrings();
  xlsx::SheetFill fill(sheet.document.document_element(), x, location->sheet->name, sharedStrings, alias,
                       source, location->range);
  fill.run();
  sheet.changed = true;
  if (fill.insertion().added() > 0) {
    // Copies of ranges filled before on this sheet move with its rows.
    for (const std::shared_ptr<xlsx::CopyBlock>& block : sheet.blocks)
      block->follow(location->sheet->name, true, fill.insertion());
    followMovedRows(package, sheets, workbook, *location->sheet, fill);
  }
  xlsx::SheetCache::addCopies(sheet, fill);
}

// Excel recalculates everything on opening; the old calculation chain would
// name cells that moved, so it goes.
void requestRecalculation(OoxmlPackage& package, const QString& workbookPart) {
  Workbook workbook(package, workbookPart);
  const ooxml::XmlNames& x = workbook.names();
  pugi::xml_node root = workbook.root();
  pugi::xml_node calcPr = root.child(x("calcPr").c_str());
  if (!calcPr) {
    pugi::xml_node after;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling())
      for (const char* earlier : kBeforeCalcPr)
        if (x.is(child, earlier)) after = child;
    calcPr =
        after ? root.insert_child_after(x("calcPr").c_str(), after) : root.prepend_child(x("calcPr").c_str());
  }
  if (pugi::xml_attribute full = calcPr.attribute("fullCalcOnLoad"))
    full = "1";
  else
    calcPr.append_attribute("fullCalcOnLoad") = "1";
  workbook.store();
  if (const std::optional<ooxml::Relationship> chain =
          ooxml::findRelationship(workbook.relationships(), QStringLiteral("calcChain"))) {
    ooxml::removeRelationshipsTo(package, workbookPart, chain->target);
    ooxml::removeContentTypeOverride(package, chain->target);
    package.remove(chain->target);
  }
}

QByteArray readTemplate(const QString& path) {
  QFile file(path);
  if (!file.exists()) throw XlsReportError(QStringLiteral("Template '%1' not found.").arg(path));
  if (!file.open(QIODevice::ReadOnly))
    throw XlsReportError(QStringLiteral("Template '%1' cannot be read: %2").arg(path, file.errorString()));
  QByteArray bytes = file.readAll();
  switch (sniffFormat(bytes)) {
    case FileFormat::ZipPackage:
      return bytes;
    case FileFormat::LegacyOle:
      throw XlsReportError(
          QStringLiteral("Template '%1' is an Excel 97-2003 workbook (.xls). Open it in Excel or "
                         "LibreOffice and save it as an Excel Workbook (.xlsx).")
              .arg(path));
    case FileFormat::Other:
      break;
  }
  throw XlsReportError(QStringLiteral("Template '%1' is not an Office Open XML workbook (.xlsx).").arg(path));
}

}  // namespace

void ExcelTemplateReport::addDataSource(const QString& alias, const QString& range,
                                        const ReportDataSource& source, Range presence) {
  sources_.push_back({alias, range, &source, presence});
}

QByteArray ExcelTemplateReport::build() const {
  const QByteArray bytes = readTemplate(templatePath);
  try {
    OoxmlPackage package(bytes);
    const std::vector<ooxml::Relationship> relationships = ooxml::readRelationships(package, QString());
    const std::optional<ooxml::Relationship> main =
        ooxml::findRelationship(relationships, QStringLiteral("officeDocument"));
    const QString contentType = main ? ooxml::contentTypeOf(package, main->target) : QString();
    if (!contentType.contains(QLatin1String("spreadsheetml")) &&
        !contentType.contains(QLatin1String("ms-excel")))
      throw PackageError("no workbook part");
    ooxml::makePlainMainPart(package, main->target, contentType, QString::fromLatin1(kWorkbookType));
    xlsx::SheetCache sheets;
    for (const Source& source : sources_)
      fillSource(package, sheets, main->target, source.alias, source.range, *source.data,
                 source.presence == Range::Required);
    sheets.storeAll(package);
    requestRecalculation(package, main->target);
    return package.save();
  } catch (const PackageError& error) {
    throw XlsReportError(QStringLiteral("Template '%1' is not an Office Open XML workbook (.xlsx): %2")
                             .arg(templatePath, QString::fromUtf8(error.what())));
  } catch (const XlsReportError&) {
    throw;
  } catch (const std::runtime_error& error) {
    throw XlsReportError(QString::fromUtf8(error.what()));
  }
}
