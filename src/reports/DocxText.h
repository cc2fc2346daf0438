#pragma once

#include <QString>

#include <pugixml.hpp>

#include <vector>

#include "reports/PackageXml.h"

// The text of one Word paragraph as the reader sees it, decoded from its runs,
// with a map back to the nodes it comes from. Word splits text into many runs
// (spelling marks, revision ids, formatting), so searching works on this text
// and never on the XML.
class ParagraphText {
 public:
  ParagraphText(pugi::xml_node paragraph, const ooxml::XmlNames& w);

  // Text pieces joined; tabs, breaks, drawings and the like show as kSeparator.
  const QString& text() const { return text_; }

  // Replaces text()[start, start + length) by value. The value goes into the
  // first run the range touches and takes that run's formatting; the other
  // runs lose only the replaced characters (empty ones are removed). The
  // paragraph's other runs are left as they are. Line breaks in value become
  // w:br, tabs w:tab.
  void replace(qsizetype start, qsizetype length, const QString& value);

  static constexpr QChar kSeparator = QChar(0x1);

 private:
  struct Piece {
    pugi::xml_node node;  // a w:t, or the separator element
    qsizetype start;
    qsizetype length;
    bool isText;
  };
  void collect(pugi::xml_node container);
  void collectRun(pugi::xml_node run);
  void cutText(const Piece& piece, qsizetype from, qsizetype to);

  pugi::xml_node paragraph_;
  const ooxml::XmlNames& w_;
  QString text_;
  std::vector<Piece> pieces_;
};

// Word text helpers shared by replacement and table cells.
namespace docx {

QString nodeText(pugi::xml_node textElement);
// Sets the content of w:t `textElement` to text, continuing with w:br, w:tab
// and further w:t siblings for line breaks and tabs.
void writeRunText(const ooxml::XmlNames& w, pugi::xml_node textElement, const QString& text);
// All paragraphs of the document body's own text (tables included, text boxes not).
std::vector<pugi::xml_node> mainTextParagraphs(pugi::xml_node body, const ooxml::XmlNames& w);

}  // namespace docx
