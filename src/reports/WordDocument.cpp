#include "reports/WordDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include "reports/DocxPicture.h"
#include "reports/DocxText.h"

namespace {

constexpr char kWordNs[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr char kDocumentType[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr char kSettingsType[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
constexpr char kImageRelationship[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
constexpr char kSettingsRelationship[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";

// Elements that come before hideSpellingErrors in a settings part (the schema
// fixes the order and Word rejects a part that breaks it).
const char* const kBeforeHideSpelling[] = {"writeProtection",
                                           "view",
                                           "zoom",
                                           "removePersonalInformation",
                                           "removeDateAndTime",
                                           "doNotDisplayPageBoundaries",
                                           "displayBackgroundShape",
                                           "printPostScriptOverText",
                                           "printFractionalCharacterWidth",
                                           "printFormsData",
                                           "embedTrueTypeFonts",
                                           "embedSystemFonts",
                                           "saveSubsetFonts",
                                           "saveFormsData",
                                           "mirrorMargins",
                                           "alignBordersAndEdges",
                                           "bordersDoNotSurroundHeader",
                                           "bordersDoNotSurroundFooter",
                                           "gutterAtTop",
                                           "hideSpellingErrors"};

bool onOffValue(pugi::xml_node element, const ooxml::XmlNames& w) {
  if (!element) return false;
  const pugi::xml_attribute value = element.attribute(w("val").c_str());
  if (!value) return true;
  const char* text = value.value();
  return std::strcmp(text, "false") != 0 && std::strcmp(text, "0") != 0 && std::strcmp(text, "off") != 0;
}

// Puts <w:name/> in its place in the settings, or removes it.
void setFlag(pugi::xml_node settings, const ooxml::XmlNames& w, const char* name, bool on) {
  pugi::xml_node existing = settings.child(w(name).c_str());
  if (!on) {
    if (existing) settings.remove_child(existing);
    return;
  }
  if (existing) {
    if (pugi::xml_attribute value = existing.attribute(w("val").c_str())) existing.remove_attribute(value);
    return;
  }
  pugi::xml_node after;
  for (pugi::xml_node child = settings.first_child(); child; child = child.next_sibling()) {
    for (const char* earlier : kBeforeHideSpelling) {
      if (std::strcmp(earlier, name) == 0) break;
      if (w.is(child, earlier)) after = child;
    }
  }
  if (after)
    settings.insert_child_after(w(name).c_str(), after);
  else
    settings.prepend_child(w(name).c_str());
}

pugi::xml_node findFirstTable(pugi::xml_node container, const ooxml::XmlNames& w) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (w.is(child, "tbl")) return child;
    if (w.is(child, "sdt") || w.is(child, "sdtContent") || w.is(child, "customXml"))
      if (pugi::xml_node found = findFirstTable(child, w)) return found;
  }
  return {};
}

}  // namespace

WordTemplateError::WordTemplateError(Reason reason, const QString& path, const std::string& detail)
    : std::runtime_error(detail), reason_(reason), path_(path) {}

QString WordTemplateError::userMessage() const {
  if (reason_ == Reason::LegacyBinary)
    return QStringLiteral(
               "Файл %1 сохранён в старом формате Word 97-2003 (.doc). Откройте его в Word или LibreOffice "
               "и сохраните как документ Word (.docx).")
        .arg(path_);
  return QStringLiteral("Не найден файл ") + path_;
}

QString wordTemplatePath(const QString& path) {
  const QFileInfo info(path);
  if (info.suffix().compare(QLatin1String("docx"), Qt::CaseInsensitive) == 0) return path;
  const QString docx = info.dir().filePath(info.completeBaseName() + QStringLiteral(".docx"));
  return QFileInfo::exists(docx) ? docx : path;
}

WordDocument::WordDocument(const QString& templatePath) {
  using Reason = WordTemplateError::Reason;
  QFile file(templatePath);
  if (!file.exists()) throw WordTemplateError(Reason::Missing, templatePath, "The template does not exist.");
  if (!file.open(QIODevice::ReadOnly))
    throw WordTemplateError(Reason::Unreadable, templatePath, file.errorString().toStdString());
  QByteArray bytes = file.readAll();
  const FileFormat format = sniffFormat(bytes);
  if (format == FileFormat::LegacyOle)
    throw WordTemplateError(Reason::LegacyBinary, templatePath, "The template is a Word 97-2003 file.");
  if (format != FileFormat::ZipPackage)
    throw WordTemplateError(Reason::NotWordDocument, templatePath, "The template is not a Word document.");
  try {
    package_ = std::make_unique<OoxmlPackage>(std::move(bytes));
    const std::vector<ooxml::Relationship> relationships = ooxml::readRelationships(*package_, QString());
    const std::optional<ooxml::Relationship> main =
        ooxml::findRelationship(relationships, QStringLiteral("officeDocument"));
    const QString contentType = main ? ooxml::contentTypeOf(*package_, main->target) : QString();
    if (!contentType.contains(QLatin1String("wordprocessingml")) &&
        !contentType.contains(QLatin1String("ms-word")))
      throw PackageError("The package is not a Word document.");
    mainPart_ = main->target;
    // A document made from a template (.dotx) or a macro-enabled file is a plain document.
    ooxml::makePlainMainPart(*package_, mainPart_, contentType, QString::fromLatin1(kDocumentType));
    ooxml::loadPart(*package_, mainPart_, document_);
    const pugi::xml_node root = document_.document_element();
    w_.emplace(root, kWordNs);
    body_ = root.child((*w_)("body").c_str());
    if (!body_) throw PackageError("The document has no body.");
    loadSettings();
  } catch (const PackageError& error) {
    throw WordTemplateError(Reason::NotWordDocument, templatePath, error.what());
  }
}

WordDocument::~WordDocument() = default;

void WordDocument::loadSettings() {
  const std::optional<ooxml::Relationship> settings =
      ooxml::findRelationship(ooxml::readRelationships(*package_, mainPart_), QStringLiteral("settings"));
  if (!settings || !package_->contains(settings->target)) return;
  pugi::xml_document document;
  ooxml::loadPart(*package_, settings->target, document);
  const pugi::xml_node root = document.document_element();
  const ooxml::XmlNames w(root, kWordNs);
  templateProofing_.checkSpellingAsYouType = !onOffValue(root.child(w("hideSpellingErrors").c_str()), w);
  templateProofing_.checkGrammarAsYouType = !onOffValue(root.child(w("hideGrammaticalErrors").c_str()), w);
  proofing_ = templateProofing_;
}

void WordDocument::storeSettings() {
  if (proofing_ == templateProofing_ && !textChanged_) return;
  std::vector<ooxml::Relationship> relationships = ooxml::readRelationships(*package_, mainPart_);
  const std::optional<ooxml::Relationship> found =
      ooxml::findRelationship(relationships, QStringLiteral("settings"));
  QString part = found ? found->target : QString();
  pugi::xml_document document;
  if (!part.isEmpty() && package_->contains(part)) {
    ooxml::loadPart(*package_, part, document);
  } else {
    if (proofing_ == ProofingOptions{}) return;  // the defaults need no settings part
    part = ooxml::resolveTarget(mainPart_, QStringLiteral("settings.xml"));
    const QByteArray fresh =
        QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>") +
        "<w:settings xmlns:w=\"" + kWordNs + "\"/>";
    document.load_buffer(fresh.constData(), static_cast<size_t>(fresh.size()),
                         pugi::parse_default | pugi::parse_declaration);
    if (!found)
      ooxml::addRelationship(*package_, mainPart_, QString::fromLatin1(kSettingsRelationship),
                             QStringLiteral("settings.xml"));
    ooxml::addContentTypeOverride(*package_, part, QString::fromLatin1(kSettingsType));
  }
  pugi::xml_node root = document.document_element();
  const ooxml::XmlNames w(root, kWordNs);
  setFlag(root, w, "hideSpellingErrors", !proofing_.checkSpellingAsYouType);
  setFlag(root, w, "hideGrammaticalErrors", !proofing_.checkGrammarAsYouType);
  // Text the report wrote has not been proofread: let Word check it again.
  if (pugi::xml_node state = root.child(w("proofState").c_str()); state && textChanged_) {
    for (const char* kind : {"spelling", "grammar"})
      if (pugi::xml_attribute attribute = state.attribute(w(kind).c_str())) attribute = "dirty";
  }
  ooxml::storePart(*package_, part, document);
}

int WordDocument::replaceText(const QString& placeholder, const QString& value) {
  return replaceTexts({{placeholder, value}});
}

int WordDocument::replaceTexts(const std::vector<std::pair<QString, QString>>& values) {
  int count = 0;
  for (const pugi::xml_node paragraph : docx::mainTextParagraphs(body_, *w_)) {
    ParagraphText text(paragraph, *w_);
    for (qsizetype from = 0;;) {
      // The earliest placeholder from here on.
      qsizetype found = -1;
      const std::pair<QString, QString>* replaced = nullptr;
      for (const auto& pair : values) {
        if (pair.first.isEmpty()) continue;
        const qsizetype at = text.text().indexOf(pair.first, from);
        if (at >= 0 && (found < 0 || at < found)) {
          found = at;
          replaced = &pair;
        }
      }
      if (!replaced) break;
      text.replace(found, replaced->first.size(), replaced->second);
      from = found + replaced->second.size();
      ++count;
    }
  }
  if (count > 0) textChanged_ = true;
  return count;
}

std::vector<pugi::xml_node> WordDocument::paragraphsWith(const QString& placeholder) const {
  std::vector<pugi::xml_node> found;
  if (placeholder.isEmpty()) return found;
  for (const pugi::xml_node paragraph : docx::mainTextParagraphs(body_, *w_))
    if (ParagraphText(paragraph, *w_).text().contains(placeholder)) found.push_back(paragraph);
  return found;
}

// A new part word/media/chartN.png with its relationship from the document;
// returns the relationship's id.
QString WordDocument::addImagePart(const QByteArray& png) {
  QString name;
  int number = 0;
  do {
    name = QStringLiteral("media/chart%1.png").arg(++number);
  } while (package_->contains(ooxml::resolveTarget(mainPart_, name)));
  package_->write(ooxml::resolveTarget(mainPart_, name), png);
  ooxml::addContentTypeDefault(*package_, QStringLiteral("png"), QStringLiteral("image/png"));
  return ooxml::addRelationship(*package_, mainPart_, QString::fromLatin1(kImageRelationship), name);
}

qint64 WordDocument::textColumnTwips() const { return docx::textColumnTwips(body_, *w_); }

int WordDocument::insertPicture(const QString& placeholder, const QByteArray& png, const QSize& pixelSize,
                                const QString& description) {
  const std::vector<pugi::xml_node> paragraphs = paragraphsWith(placeholder);
  if (paragraphs.empty() || pixelSize.isEmpty()) return 0;
  docx::InlinePicture picture;
  picture.relationshipId = addImagePart(png);
  picture.partName = picture.relationshipId + QStringLiteral(".png");
  picture.description = description;
  picture.widthEmu = textColumnTwips() * docx::kEmuPerTwip;
  picture.heightEmu = picture.widthEmu * pixelSize.height() / pixelSize.width();
  int count = 0;
  for (const pugi::xml_node paragraph : paragraphs) {
    ParagraphText text(paragraph, *w_);
    for (qsizetype found; (found = text.text().indexOf(placeholder)) >= 0;)
      text.replace(found, placeholder.size(), {});
    picture.drawingId = docx::nextDrawingId(document_.document_element());
    docx::appendInlinePicture(paragraph, *w_, picture);
    ++count;
  }
  textChanged_ = true;
  return count;
}

int WordDocument::insertParagraphBefore(const QString& placeholder, const QString& lead,
                                        const QString& value) {
  const std::vector<pugi::xml_node> paragraphs = paragraphsWith(placeholder);
  for (const pugi::xml_node paragraph : paragraphs) {
    pugi::xml_node copy = paragraph.parent().insert_copy_before(paragraph, paragraph);
    // Bookmarks are named once per document.
    for (const char* mark : {"bookmarkStart", "bookmarkEnd"})
      while (pugi::xml_node found = copy.find_node([&](pugi::xml_node node) { return w_->is(node, mark); }))
        found.parent().remove_child(found);
    // Each replacement reads the paragraph afresh: a run may hold both parts.
    const qsizetype at = ParagraphText(copy, *w_).text().indexOf(placeholder);
    ParagraphText(copy, *w_).replace(at, ParagraphText(copy, *w_).text().size() - at,
                                     at > 0 ? value : lead + value);
    if (at > 0) ParagraphText(copy, *w_).replace(0, at, lead);
  }
  if (!paragraphs.empty()) textChanged_ = true;
  return static_cast<int>(paragraphs.size());
}

int WordDocument::removeParagraphsWith(const QString& placeholder) {
  const std::vector<pugi::xml_node> paragraphs = paragraphsWith(placeholder);
  for (const pugi::xml_node paragraph : paragraphs) {
    pugi::xml_node container = paragraph.parent();
    container.remove_child(paragraph);
    // A table cell must keep a paragraph.
    if (w_->is(container, "tc") && !container.child((*w_)("p").c_str()))
      container.append_child((*w_)("p").c_str());
  }
  if (!paragraphs.empty()) textChanged_ = true;
  return static_cast<int>(paragraphs.size());
}

WordTable& WordDocument::firstTable() {
  if (!firstTable_) {
    const pugi::xml_node table = findFirstTable(body_, *w_);
    if (!table) throw std::runtime_error("В документе нет таблицы.");
    firstTable_ = std::make_unique<WordTable>(table, *w_);
  }
  textChanged_ = true;
  return *firstTable_;
}

QByteArray WordDocument::toDocx() {
  ooxml::storePart(*package_, mainPart_, document_);
  storeSettings();
  return package_->save();
}
