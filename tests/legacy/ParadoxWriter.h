#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVector>

typedef struct px_doc pxdoc_t;
struct px_field;

// Paradox tables written with pxlib's own writing functions: the stand-ins of
// the tests and the benchmark for the old bench program's files.
namespace paradox_fixture {

// A field as Paradox names its type: "A20" (text of 20 characters), "N"
// (number), "$" (money), "S" (short integer), "I" (long integer), "+"
// (auto-increment), "L" (logical), "D" (date).
struct Field {
  QString name;
  QString type;
};

// The old program's five tables, their fields in its order.
QVector<Field> baseFields();
QVector<Field> meterFields();
QVector<Field> pointFields();
QVector<Field> archivedMeterFields();
QVector<Field> archivedPointFields();

// Writes one table: the records are collected, then written at once by pxlib
// (into memory, then to the file: pxlib alone would seek for every record).
// Texts are encoded in the table's code page by Qt's codecs.
class ParadoxWriter {
 public:
  ParadoxWriter(const QString& path, const QVector<Field>& fields, int codePage = 1251);
  ~ParadoxWriter();
  ParadoxWriter(const ParadoxWriter&) = delete;
  ParadoxWriter& operator=(const ParadoxWriter&) = delete;

  // One record: a value per field (QString, integer, double, bool, QDate); a
  // null QVariant leaves the field empty (all zero bytes).
  void add(const QVariantList& values);
  // Writes the file (the destructor does, when not done). Ends the test run
  // when pxlib refuses.
  void write();

 private:
  QString path_;
  int codePage_;
  QVector<int> types_;
  QVector<int> sizes_;
  int recordSize_ = 0;
  pxdoc_t* doc_ = nullptr;
  px_field* fieldList_ = nullptr;  // pxlib's, handed over when the file is made
  QByteArray records_;
  qint64 count_ = 0;
  bool written_ = false;
};

}  // namespace paradox_fixture
