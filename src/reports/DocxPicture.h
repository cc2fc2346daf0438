#pragma once

#include <QString>

#include <pugixml.hpp>

#include "reports/PackageXml.h"

// Pictures in the body of a Word document: an inline drawing (as Word itself
// writes one for a picture placed "in line with text") showing an image part
// of the package.
namespace docx {

// Sizes in a drawing are in English Metric Units: 914400 to the inch, 635 to
// the twip (the unit of page sizes and margins).
constexpr qint64 kEmuPerTwip = 635;
constexpr qint64 kEmuPerInch = 914400;

// Width of the text column of the body's own section (page width less the
// left and right margins and the gutter), in twips. A document without page
// settings gets Word's defaults (Letter, one-inch margins).
qint64 textColumnTwips(pugi::xml_node body, const ooxml::XmlNames& w);

// The smallest drawing id not used by any drawing of the document; Word
// repairs a document in which two drawings share an id.
unsigned nextDrawingId(pugi::xml_node root);

struct InlinePicture {
  QString relationshipId;  // of the image part, from the document part
  QString partName;        // "chart1.png", shown as the picture's name
  QString description;     // alternative text
  unsigned drawingId = 1;
  qint64 widthEmu = 0;
  qint64 heightEmu = 0;
};

// Appends a run holding the picture to the paragraph. The drawing declares
// the namespaces it uses itself, so the document's root needs none of them.
void appendInlinePicture(pugi::xml_node paragraph, const ooxml::XmlNames& w, const InlinePicture& picture);

}  // namespace docx
