#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// A saved .docx read back as the reader sees it: the body's paragraphs outside
// tables and the cells of the first table, text only.
struct DocxReadBack {
  QStringList paragraphs;
  QVector<QStringList> table;  // rows of cell texts (paragraphs joined with "\n")

  QString allText() const;
  // Those of `expected` that are not paragraphs of the document.
  QStringList missingParagraphs(const QStringList& expected) const;
};

// Throws std::runtime_error when the file is not a readable Word package.
DocxReadBack readDocx(const QString& path);
DocxReadBack readDocxBytes(const QByteArray& bytes);

// The shipped template with every placeholder split over several runs the way
// Word leaves them after spell-checking ("<", "Ln", "pr", ">" with proofErr
// marks, a language run and a bookmark between them).
QByteArray splitRunTemplate(const QByteArray& shippedTemplate);

// The template with its document text changed by `edit` (XML of word/document.xml).
QByteArray editedTemplate(const QByteArray& shippedTemplate,
                          const std::function<QByteArray(QByteArray)>& edit);

// The template without its table.
QByteArray templateWithoutTable(const QByteArray& shippedTemplate);
