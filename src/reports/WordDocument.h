#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "reports/DocxTable.h"
#include "reports/OoxmlPackage.h"
#include "reports/PackageXml.h"

// A Word template that cannot be used. The report shows userMessage():
// "Не найден файл " + path, or, for a template in the old binary format, the
// advice to save it as .docx.
class WordTemplateError : public std::runtime_error {
 public:
  enum class Reason { Missing, Unreadable, LegacyBinary, NotWordDocument };
  WordTemplateError(Reason reason, const QString& path, const std::string& detail);
  Reason reason() const { return reason_; }
  const QString& path() const { return path_; }
  QString userMessage() const;

 private:
  Reason reason_;
  QString path_;
};

// Word's two proofing options as the report saves, switches off and restores
// them. A document file holds them as hideSpellingErrors and
// hideGrammaticalErrors in its settings: checking "as you type" is on when the
// document does not hide the errors.
struct ProofingOptions {
  bool checkSpellingAsYouType = true;
  bool checkGrammarAsYouType = true;
  bool operator==(const ProofingOptions&) const = default;
};

// A new Word document made from a template (.docx, .dotx, .docm, .dotm content,
// whatever the file's extension); the template file itself is only read.
// Offers the operations the protocols need: replace a placeholder in the main
// text, append rows to the first table and write its cells, and give the
// finished document as .docx bytes.
class WordDocument {
 public:
  // Throws WordTemplateError when the template is missing, unreadable, in the
  // old binary format or not a Word document.
  explicit WordDocument(const QString& templatePath);
  ~WordDocument();
  WordDocument(const WordDocument&) = delete;
  WordDocument& operator=(const WordDocument&) = delete;

  ProofingOptions proofingOptions() const { return proofing_; }
  void setProofingOptions(const ProofingOptions& options) { proofing_ = options; }

  // Replaces every occurrence of placeholder in the main text (body paragraphs
  // and table cells; not headers, footers or text boxes) by value; returns how
  // many were replaced. Matching is exact and case-sensitive.
  int replaceText(const QString& placeholder, const QString& value);
  // Replaces the placeholders (pairs of placeholder and value) in one pass
  // over the main text: each paragraph is read from left to right, the
  // earliest placeholder found is replaced and the reading goes on after its
  // value, so that an inserted value is never taken for a placeholder.
  int replaceTexts(const std::vector<std::pair<QString, QString>>& values);

  // Puts a PNG picture (png: the file's bytes, pixelSize: its size in pixels)
  // in place of every occurrence of placeholder in the main text: the
  // placeholder's characters go and the picture is added at the end of their
  // paragraph, as wide as the text column and in the picture's proportions.
  // Returns how many were placed; one image part serves them all.
  int insertPicture(const QString& placeholder, const QByteArray& png, const QSize& pixelSize,
                    const QString& description);
  // Puts before every paragraph of the main text that holds placeholder a
  // copy of it in which the text before the placeholder is `lead` and the
  // placeholder `value`, each in its own run's formatting, and the text after
  // it is gone. Returns how many were put.
  int insertParagraphBefore(const QString& placeholder, const QString& lead, const QString& value);
  // Removes every paragraph of the main text that holds placeholder (a
  // picture placeholder when there is nothing to show); returns how many.
  int removeParagraphsWith(const QString& placeholder);
  // Width of the text column in twips (1/1440 inch).
  qint64 textColumnTwips() const;

  // The first table directly in the body. Throws std::runtime_error when the
  // document has none.
  WordTable& firstTable();

  // The document as a .docx package.
  QByteArray toDocx();

 private:
  std::vector<pugi::xml_node> paragraphsWith(const QString& placeholder) const;
  QString addImagePart(const QByteArray& png);
  void loadSettings();
  void storeSettings();

  std::unique_ptr<OoxmlPackage> package_;
  QString mainPart_;
  pugi::xml_document document_;
  std::optional<ooxml::XmlNames> w_;
  pugi::xml_node body_;
  std::unique_ptr<WordTable> firstTable_;
  ProofingOptions proofing_;
  ProofingOptions templateProofing_;
  bool textChanged_ = false;
};

// The template file to use for a name such as ".../sources/look.doc": a
// "look.docx" beside it is taken when present.
QString wordTemplatePath(const QString& path);
