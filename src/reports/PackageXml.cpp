#include "reports/PackageXml.h"

#include "reports/OoxmlPackage.h"

#include <QStringList>

#include <cstring>

namespace ooxml {
namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;
constexpr char kContentTypes[] = "[Content_Types].xml";
constexpr char kRelationshipsNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kContentTypesNs[] = "http://schemas.openxmlformats.org/package/2006/content-types";

struct ByteWriter : pugi::xml_writer {
  QByteArray bytes;
  void write(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
  }
};

QString folderOf(const QString& part) {
  const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? QString() : part.left(slash + 1);
}

}  // namespace

void loadPart(const OoxmlPackage& package, const QString& part, pugi::xml_document& document) {
  const QByteArray bytes = package.read(part);
  const pugi::xml_parse_result result = document.load_buffer(
      bytes.constData(), static_cast<size_t>(bytes.size()), kParseFlags, pugi::encoding_auto);
  if (!result)
    throw PackageError("The part " + part.toStdString() +
                       " is damaged: " + std::string(result.description()) + ".");
}

QByteArray saveXml(const pugi::xml_document& document) {
  ByteWriter writer;
  document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return std::move(writer.bytes);
}

void storePart(OoxmlPackage& package, const QString& part, const pugi::xml_document& document) {
  package.write(part, saveXml(document));
}

XmlNames::XmlNames(pugi::xml_node root, const char* namespaceUri) {
  for (const pugi::xml_attribute attribute : root.attributes()) {
    if (std::strcmp(attribute.value(), namespaceUri) != 0) continue;
    const char* name = attribute.name();
    if (std::strncmp(name, "xmlns:", 6) == 0) {
      prefix_ = std::string(name + 6) + ":";
      return;
    }
    if (std::strcmp(name, "xmlns") == 0) {
      prefix_.clear();
      return;
    }
  }
}

bool XmlNames::is(pugi::xml_node node, const char* local) const {
  const char* name = node.name();
  return std::strncmp(name, prefix_.c_str(), prefix_.size()) == 0 &&
         std::strcmp(name + prefix_.size(), local) == 0;
}

QString relationshipsPartOf(const QString& sourcePart) {
  const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
  return sourcePart.left(slash + 1) + QStringLiteral("_rels/") + sourcePart.mid(slash + 1) +
         QStringLiteral(".rels");
}

QString resolveTarget(const QString& sourcePart, const QString& target) {
  QStringList parts;
  const QString joined = target.startsWith(QLatin1Char('/')) ? target.mid(1) : folderOf(sourcePart) + target;
  for (const QString& piece : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (piece == QLatin1String(".")) continue;
    if (piece == QLatin1String("..")) {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts.append(piece);
  }
  return parts.join(QLatin1Char('/'));
}

std::vector<Relationship> readRelationships(const OoxmlPackage& package, const QString& sourcePart) {
  std::vector<Relationship> relationships;
  const QString part = relationshipsPartOf(sourcePart);
  if (!package.contains(part)) return relationships;
  pugi::xml_document document;
  loadPart(package, part, document);
  const pugi::xml_node root = document.document_element();
  const XmlNames names(root, kRelationshipsNs);
  for (const pugi::xml_node node : root.children()) {
    if (!names.is(node, "Relationship")) continue;
    Relationship relationship;
    relationship.id = QString::fromUtf8(node.attribute("Id").value());
    relationship.type = QString::fromUtf8(node.attribute("Type").value());
    relationship.external =
        QString::fromUtf8(node.attribute("TargetMode").value()) == QLatin1String("External");
    const QString target = QString::fromUtf8(node.attribute("Target").value());
    relationship.target = relationship.external ? target : resolveTarget(sourcePart, target);
    relationships.push_back(relationship);
  }
  return relationships;
}

std::optional<Relationship> findRelationship(const std::vector<Relationship>& relationships,
                                             const QString& typeName) {
  for (const Relationship& relationship : relationships)
    if (relationship.type.endsWith(QLatin1Char('/') + typeName)) return relationship;
  return std::nullopt;
}

void removeRelationshipsTo(OoxmlPackage& package, const QString& sourcePart, const QString& targetPart) {
  const QString part = relationshipsPartOf(sourcePart);
  if (!package.contains(part)) return;
  pugi::xml_document document;
  loadPart(package, part, document);
  pugi::xml_node root = document.document_element();
  bool changed = false;
  for (pugi::xml_node node = root.first_child(); node;) {
    const pugi::xml_node next = node.next_sibling();
    const QString target = QString::fromUtf8(node.attribute("Target").value());
    if (node.type() == pugi::node_element &&
        QString::fromUtf8(node.attribute("TargetMode").value()) != QLatin1String("External") &&
        resolveTarget(sourcePart, target) == targetPart) {
      root.remove_child(node);
      changed = true;
    }
    node = next;
  }
  if (changed) storePart(package, part, document);
}

QString addRelationship(OoxmlPackage& package, const QString& sourcePart, const QString& type,
                        const QString& relativeTarget) {
  const QString part = relationshipsPartOf(sourcePart);
  pugi::xml_document document;
  if (package.contains(part)) {
    loadPart(package, part, document);
  } else {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    document.append_child("Relationships").append_attribute("xmlns") = kRelationshipsNs;
  }
  pugi::xml_node root = document.document_element();
  const XmlNames names(root, kRelationshipsNs);
  int number = 1;
  QString id;
  do {
    id = QStringLiteral("rId%1").arg(number++);
  } while (root.find_child_by_attribute(names("Relationship").c_str(), "Id", id.toUtf8().constData()));
  pugi::xml_node node = root.append_child(names("Relationship").c_str());
  node.append_attribute("Id") = id.toUtf8().constData();
  node.append_attribute("Type") = type.toUtf8().constData();
  node.append_attribute("Target") = relativeTarget.toUtf8().constData();
  storePart(package, part, document);
  return id;
}

void removeContentTypeOverride(OoxmlPackage& package, const QString& part) {
  pugi::xml_document document;
  loadPart(package, QString::fromLatin1(kContentTypes), document);
  pugi::xml_node root = document.document_element();
  const QByteArray name = QByteArray("/") + part.toUtf8();
  bool changed = false;
  for (pugi::xml_node node = root.first_child(); node;) {
    const pugi::xml_node next = node.next_sibling();
    if (node.type() == pugi::node_element && name == node.attribute("PartName").value()) {
      root.remove_child(node);
      changed = true;
    }
    node = next;
  }
  if (changed) storePart(package, QString::fromLatin1(kContentTypes), document);
}

void addContentTypeOverride(OoxmlPackage& package, const QString& part, const QString& contentType) {
  removeContentTypeOverride(package, part);
  pugi::xml_document document;
  loadPart(package, QString::fromLatin1(kContentTypes), document);
  pugi::xml_node root = document.document_element();
  const XmlNames names(root, kContentTypesNs);
  pugi::xml_node node = root.append_child(names("Override").c_str());
  node.append_attribute("PartName") = (QByteArray("/") + part.toUtf8()).constData();
  node.append_attribute("ContentType") = contentType.toUtf8().constData();
  storePart(package, QString::fromLatin1(kContentTypes), document);
}

void addContentTypeDefault(OoxmlPackage& package, const QString& extension, const QString& contentType) {
  pugi::xml_document document;
  loadPart(package, QString::fromLatin1(kContentTypes), document);
  pugi::xml_node root = document.document_element();
  const XmlNames names(root, kContentTypesNs);
  pugi::xml_node firstOverride;
  for (const pugi::xml_node node : root.children()) {
    if (names.is(node, "Default") &&
        extension.compare(QString::fromUtf8(node.attribute("Extension").value()), Qt::CaseInsensitive) == 0)
      return;
    if (!firstOverride && names.is(node, "Override")) firstOverride = node;
  }
  // Defaults before overrides, as Office writes them.
  pugi::xml_node node = firstOverride ? root.insert_child_before(names("Default").c_str(), firstOverride)
                                      : root.append_child(names("Default").c_str());
  node.append_attribute("Extension") = extension.toUtf8().constData();
  node.append_attribute("ContentType") = contentType.toUtf8().constData();
  storePart(package, QString::fromLatin1(kContentTypes), document);
}

QString contentTypeOf(const OoxmlPackage& package, const QString& part) {
  pugi::xml_document types;
  loadPart(package, QString::fromLatin1(kContentTypes), types);
  const QByteArray name = "/" + part.toUtf8();
  for (const pugi::xml_node node : types.document_element().children())
    if (name.compare(node.attribute("PartName").value(), Qt::CaseInsensitive) == 0)
      return QString::fromUtf8(node.attribute("ContentType").value());
  return {};
}

void makePlainMainPart(OoxmlPackage& package, const QString& mainPart, const QString& contentType,
                       const QString& plainType) {
  if (contentType == plainType) return;
  for (const Relationship& relationship : readRelationships(package, mainPart)) {
    if (!relationship.type.endsWith(QLatin1String("/vbaProject"))) continue;
    removeRelationshipsTo(package, mainPart, relationship.target);
    removeContentTypeOverride(package, relationship.target);
    package.remove(relationship.target);
    package.remove(relationshipsPartOf(relationship.target));
  }
  addContentTypeOverride(package, mainPart, plainType);
}

}  // namespace ooxml
