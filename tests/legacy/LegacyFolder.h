#pragma once

#include "ParadoxWriter.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

class Connection;

// A folder of the old bench program: its five tables as rows (a value per
// field of paradox_fixture's field lists, null for an empty field).
struct LegacyRows {
  QVector<QVariantList> bases;
  QVector<QVariantList> meters;
  QVector<QVariantList> points;
  QVector<QVariantList> archivedMeters;
  QVector<QVariantList> archivedPoints;
};

// The old program's file names, in the order of the tables above.
QStringList legacyFileNames();

// Writes the five tables into `folder` (made when missing) under
// legacyFileNames(); a table whose name is in `skip` is left out.
void writeLegacyFolder(const QString& folder, const LegacyRows& rows, const QStringList& skip = {});

// A lab's history in the old tables: Cyrillic texts, empty fields, zeros,
// dates, logical fields, and the faults an old database may hold (a meter
// without its base, points without their meter, an archived meter twice, a
// date the program cannot take).
LegacyRows labHistory();

// A table of the database as text lines, one per row by key: the values as
// the program reads them, "-" for null, numbers in full, dates ISO.
QStringList tableLines(Connection& connection, const QString& table);
// All five, each line led by its table's name.
QStringList databaseLines(Connection& connection);
