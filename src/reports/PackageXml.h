#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <vector>

class OoxmlPackage;

// XML parts of a package: loaded so that they round-trip byte for byte
// (declaration, whitespace-only text) and saved without reformatting.
namespace ooxml {

void loadPart(const OoxmlPackage& package, const QString& part, pugi::xml_document& document);
void storePart(OoxmlPackage& package, const QString& part, const pugi::xml_document& document);
QByteArray saveXml(const pugi::xml_document& document);

// Element names of one namespace with the prefix the part itself declares for
// it ("w:" in Word's files, "" where it is the default namespace).
class XmlNames {
 public:
  XmlNames(pugi::xml_node root, const char* namespaceUri);
  std::string operator()(const char* local) const { return prefix_ + local; }
  bool is(pugi::xml_node node, const char* local) const;
  const std::string& prefix() const { return prefix_; }

 private:
  std::string prefix_;
};

struct Relationship {
  QString id;
  QString type;    // the full relationship type URI
  QString target;  // part name resolved against the source part; raw target when external
  bool external = false;
};

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"; "" (the package) -> "_rels/.rels".
QString relationshipsPartOf(const QString& sourcePart);
// A relationship target resolved against the folder of its source part.
QString resolveTarget(const QString& sourcePart, const QString& target);
std::vector<Relationship> readRelationships(const OoxmlPackage& package, const QString& sourcePart);
// First relationship whose type ends with "/" + typeName ("officeDocument", "settings").
std::optional<Relationship> findRelationship(const std::vector<Relationship>& relationships,
                                             const QString& typeName);
void removeRelationshipsTo(OoxmlPackage& package, const QString& sourcePart, const QString& targetPart);
// Adds a relationship with a fresh id; target is relative to the source part's folder.
QString addRelationship(OoxmlPackage& package, const QString& sourcePart, const QString& type,
                        const QString& relativeTarget);

QString contentTypeOf(const OoxmlPackage& package, const QString& part);
void removeContentTypeOverride(OoxmlPackage& package, const QString& part);
void addContentTypeOverride(OoxmlPackage& package, const QString& part, const QString& contentType);
// Declares the content type of every part with that extension ("png"), unless
// the package declares one already.
void addContentTypeDefault(OoxmlPackage& package, const QString& extension, const QString& contentType);

// Gives the main part the plain content type (a new file made from a template
// or a macro-enabled file is a plain document: Office refuses a .docx or .xlsx
// whose main part says otherwise); macros are left out.
void makePlainMainPart(OoxmlPackage& package, const QString& mainPart, const QString& contentType,
                       const QString& plainType);

}  // namespace ooxml
