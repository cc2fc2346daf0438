#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QLabel;
class QTableWidget;

// How the windows over the lab's table files (limits, verification programs)
// show a file: read-only rows of texts under fixed titles, the file's path
// (or that it is missing, and what follows from that), and the lines the
// program skipped.
namespace table_file_view {

// Titles, no row numbers, columns sharing the width.
void setUpTable(QTableWidget* table, const QStringList& titles);

struct Shown {
  QString path;
  QString missingNote;  // e.g. "погрешности не оцениваются"
  QList<QStringList> rows;
  QStringList problems;
};
void show(const Shown& file, QLabel* pathLabel, QTableWidget* table, QLabel* problemsLabel);

// "0,5": a number of the file as the lab writes it, with a decimal comma.
QString decimalText(double value);

}  // namespace table_file_view
