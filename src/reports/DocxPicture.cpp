#include "reports/DocxPicture.h"

#include <algorithm>
#include <cstring>

namespace docx {
namespace {

constexpr qint64 kDefaultPageTwips = 12240;  // Letter
constexpr qint64 kDefaultMarginTwips = 1440;
constexpr qint64 kSmallestColumnTwips = 1440;

qint64 twipsAttribute(pugi::xml_node element, const ooxml::XmlNames& w, const char* name, qint64 fallback) {
  const pugi::xml_attribute attribute = element.attribute(w(name).c_str());
  if (!attribute) return fallback;
  bool ok = false;
  const qint64 value = QString::fromUtf8(attribute.value()).toLongLong(&ok);
  return ok ? value : fallback;
}

// The drawing's XML; sizes and ids are filled in afterwards.
constexpr char kInlineDrawing[] =
    "<wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<wp:extent/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:docPr/>"
    "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
    "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
    "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\"/><pic:cNvPicPr/></pic:nvPicPr>"
    "<pic:blipFill><a:blip/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
    "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext/></a:xfrm>"
    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
    "</pic:pic></a:graphicData></a:graphic></wp:inline>";

void setSize(pugi::xml_node element, const InlinePicture& picture) {
  element.append_attribute("cx") = static_cast<long long>(picture.widthEmu);
  element.append_attribute("cy") = static_cast<long long>(picture.heightEmu);
}

void setText(pugi::xml_node element, const char* name, const QString& text) {
  element.append_attribute(name) = text.toUtf8().constData();
}

bool isDrawingProperties(pugi::xml_node node) {
  const char* name = node.name();
  const char* colon = std::strchr(name, ':');
  return std::strcmp(colon ? colon + 1 : name, "docPr") == 0;
}

}  // namespace

qint64 textColumnTwips(pugi::xml_node body, const ooxml::XmlNames& w) {
  const pugi::xml_node section = body.child(w("sectPr").c_str());
  const qint64 page = twipsAttribute(section.child(w("pgSz").c_str()), w, "w", kDefaultPageTwips);
  const pugi::xml_node margins = section.child(w("pgMar").c_str());
  const qint64 column = page - twipsAttribute(margins, w, "left", kDefaultMarginTwips) -
                        twipsAttribute(margins, w, "right", kDefaultMarginTwips) -
                        twipsAttribute(margins, w, "gutter", 0);
  // Damaged page settings must not give a picture without width.
  return std::max(column, kSmallestColumnTwips);
}

unsigned nextDrawingId(pugi::xml_node root) {
  unsigned largest = 0;
  for (const pugi::xpath_node& found : root.select_nodes("//*[@id]")) {
    const pugi::xml_node node = found.node();
    if (isDrawingProperties(node)) largest = std::max(largest, node.attribute("id").as_uint());
  }
  return largest + 1;
}

void appendInlinePicture(pugi::xml_node paragraph, const ooxml::XmlNames& w, const InlinePicture& picture) {
  pugi::xml_document drawing;
  drawing.load_string(kInlineDrawing);
  pugi::xml_node inlineNode = drawing.document_element();
  setSize(inlineNode.child("wp:extent"), picture);
  pugi::xml_node properties = inlineNode.child("wp:docPr");
  properties.append_attribute("id") = picture.drawingId;
  setText(properties, "name", QStringLiteral("Picture %1").arg(picture.drawingId));
  setText(properties, "descr", picture.description);
  pugi::xml_node pic = inlineNode.child("a:graphic").child("a:graphicData").child("pic:pic");
  setText(pic.child("pic:nvPicPr").child("pic:cNvPr"), "name", picture.partName);
  setText(pic.child("pic:blipFill").child("a:blip"), "r:embed", picture.relationshipId);
  setSize(pic.child("pic:spPr").child("a:xfrm").child("a:ext"), picture);

  pugi::xml_node run = paragraph.append_child(w("r").c_str());
  run.append_child(w("drawing").c_str()).append_copy(inlineNode);
}

}  // namespace docx
