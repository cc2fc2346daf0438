#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>
#include <stdexcept>

// A table file the import cannot read: truncated, damaged, of another kind or
// with fields other than expected. The text is the operator's message, in
// Russian, naming the file (and the field or record where it applies).
class LegacyFileError : public std::runtime_error {
 public:
  explicit LegacyFileError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The kinds of fields the old bench's tables use (Paradox field types); any
// other kind is Other.
enum class ParadoxType { Alpha, Date, Short, Long, Currency, Number, Logical, AutoIncrement, Other };

// The kind's name in messages: "текст", "дата", ...
QString paradoxTypeName(ParadoxType type);

// One data table of the old bench program: a Paradox file (.DB), read record
// by record through pxlib. The file's structure is checked before pxlib sees
// it (header, field list, the chain of data blocks, the record count), so
// that a truncated or foreign file is refused with a message, never read
// half-way. Index files (.PX, .Xnn, .Ynn) are not data tables and are refused.
//
// Values come as the table stores them: texts decoded from the file's code
// page (Windows-1251 when the header names none), integers as qint64, numbers
// as double, logical fields as bool, dates as QDate. A field whose bytes are
// all zero is empty and reads as a null QVariant: an empty number is not 0.
class ParadoxTable {
 public:
  struct Field {
    QString name;
    ParadoxType type = ParadoxType::Other;
    int size = 0;  // bytes in the record (characters for Alpha)
  };

  // Opens and checks the file; throws LegacyFileError.
  explicit ParadoxTable(const QString& path);
  ~ParadoxTable();
  ParadoxTable(const ParadoxTable&) = delete;
  ParadoxTable& operator=(const ParadoxTable&) = delete;

  const QString& path() const { return path_; }
  // The file's name as the folder holds it ("MASTER.DB").
  QString fileName() const;
  const QVector<Field>& fields() const { return fields_; }
  int codePage() const { return codePage_; }
  int recordCount() const { return recordCount_; }

  // Makes record `index` (0 .. recordCount() - 1) the current one; throws
  // LegacyFileError when it cannot be read.
  void read(int index);
  // A field of the current record (index into fields()).
  QVariant value(int field) const;

 private:
  QString decodeText(const QByteArray& bytes) const;
  [[noreturn]] void fail(const QString& problem) const;

  QString path_;
  QVector<Field> fields_;
  QVector<int> offsets_;  // of each field in the record
  int codePage_ = 1251;
  int recordCount_ = 0;
  int current_ = -1;
  QByteArray record_;
  struct Library;
  std::unique_ptr<Library> library_;
};
