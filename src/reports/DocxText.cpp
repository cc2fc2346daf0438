#include "reports/DocxText.h"

#include "reports/XmlText.h"

#include <algorithm>

namespace docx {

QString nodeText(pugi::xml_node textElement) { return QString::fromUtf8(textElement.text().get()); }

namespace {

void setPreservedText(pugi::xml_node textElement, const QString& text) {
  textElement.text().set(text.toUtf8().constData());
  if (!textElement.attribute("xml:space")) textElement.append_attribute("xml:space") = "preserve";
}

}  // namespace

void writeRunText(const ooxml::XmlNames& w, pugi::xml_node textElement, const QString& text) {
  const QString safe = xmlSafeText(text);
  pugi::xml_node run = textElement.parent();
  pugi::xml_node last = textElement;
  QString pending;
  bool firstWritten = false;
  auto flushText = [&](bool force) {
    if (!firstWritten) {
      setPreservedText(textElement, pending);
      firstWritten = true;
    } else if (!pending.isEmpty() || force) {
      last = run.insert_child_after(w("t").c_str(), last);
      setPreservedText(last, pending);
    }
    pending.clear();
  };
  for (const QChar c : safe) {
    if (c != QLatin1Char('\n') && c != QLatin1Char('\t')) {
      pending.append(c);
      continue;
    }
    flushText(false);
    last = run.insert_child_after((c == QLatin1Char('\n') ? w("br") : w("tab")).c_str(), last);
  }
  flushText(false);
}

namespace {

void collectParagraphs(pugi::xml_node container, const ooxml::XmlNames& w, std::vector<pugi::xml_node>& out) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    if (w.is(child, "p")) {
      out.push_back(child);
    } else if (!w.is(child, "sectPr") && !w.is(child, "txbxContent") && !w.is(child, "tblPr") &&
               !w.is(child, "trPr") && !w.is(child, "tcPr")) {
      collectParagraphs(child, w, out);  // tables, rows, cells, content controls
    }
  }
}

}  // namespace

std::vector<pugi::xml_node> mainTextParagraphs(pugi::xml_node body, const ooxml::XmlNames& w) {
  // Text boxes are stories of their own and are not searched.
  std::vector<pugi::xml_node> paragraphs;
  collectParagraphs(body, w, paragraphs);
  return paragraphs;
}

}  // namespace docx

ParagraphText::ParagraphText(pugi::xml_node paragraph, const ooxml::XmlNames& w)
    : paragraph_(paragraph), w_(w) {
  collect(paragraph);
}

void ParagraphText::collect(pugi::xml_node container) {
  for (pugi::xml_node child = container.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    if (w_.is(child, "r")) {
      collectRun(child);
    } else if (!w_.is(child, "pPr") && !w_.is(child, "rPr") && !w_.is(child, "sdtPr") &&
               !w_.is(child, "del") && !w_.is(child, "moveFrom")) {
      collect(child);  // hyperlinks, inserted text, smart tags, content controls, simple fields
    }
  }
}

void ParagraphText::collectRun(pugi::xml_node run) {
  for (pugi::xml_node child = run.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    if (w_.is(child, "t")) {
      const QString text = docx::nodeText(child);
      pieces_.push_back({child, text_.size(), text.size(), true});
      text_ += text;
    } else if (w_.is(child, "rPr") || w_.is(child, "lastRenderedPageBreak") || w_.is(child, "fldChar") ||
               w_.is(child, "instrText") || w_.is(child, "delText") || w_.is(child, "delInstrText")) {
      continue;  // invisible: formatting, layout hints, field codes, deleted text
    } else {
      pieces_.push_back({child, text_.size(), 1, false});
      text_ += kSeparator;
    }
  }
}

void ParagraphText::cutText(const Piece& piece, qsizetype from, qsizetype to) {
  const QString text = docx::nodeText(piece.node);
  const QString rest = text.left(from) + text.mid(to);
  if (!rest.isEmpty()) {
    piece.node.text().set(rest.toUtf8().constData());
    return;
  }
  pugi::xml_node run = piece.node.parent();
  run.remove_child(piece.node);
  for (pugi::xml_node child = run.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && !w_.is(child, "rPr")) return;
  run.parent().remove_child(run);
}

void ParagraphText::replace(qsizetype start, qsizetype length, const QString& value) {
  const qsizetype end = start + length;
  const Piece* first = nullptr;
  for (const Piece& piece : pieces_) {
    const qsizetype pieceEnd = piece.start + piece.length;
    if (piece.start >= end) break;
    if (!piece.isText || pieceEnd <= start) continue;
    const qsizetype from = std::max(start, piece.start) - piece.start;
    const qsizetype to = std::min(end, pieceEnd) - piece.start;
    if (first == nullptr) {
      first = &piece;
      const QString text = docx::nodeText(piece.node);
      docx::writeRunText(w_, piece.node, text.left(from) + value + text.mid(to));
    } else {
      cutText(piece, from, to);
    }
  }
  pieces_.clear();
  text_.clear();
  collect(paragraph_);
}
