#include "legacy/ParadoxTable.h"

#include "legacy/ParadoxStructure.h"
#include "settings/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

// pxlib's header declares its functions without C linkage of its own.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <optional>

namespace {

// Paradox's day numbers count from 1 January of the year 1 (day 1); Qt's
// Julian days from 24 November 4714 BC.
constexpr qint64 kJulianDayOfDayZero = 1721425;

constexpr int kDefaultCodePage = 1251;

struct TypeCode {
  int code;
  ParadoxType type;
  int size;  // 0: any
};

constexpr TypeCode kTypeCodes[] = {
    {pxfAlpha, ParadoxType::Alpha, 0},       {pxfDate, ParadoxType::Date, 4},
    {pxfShort, ParadoxType::Short, 2},       {pxfLong, ParadoxType::Long, 4},
    {pxfCurrency, ParadoxType::Currency, 8}, {pxfNumber, ParadoxType::Number, 8},
    {pxfLogical, ParadoxType::Logical, 1},   {pxfAutoInc, ParadoxType::AutoIncrement, 4},
};

std::optional<TypeCode> typeOf(int code) {
  for (const TypeCode& known : kTypeCodes)
    if (known.code == code) return known;
  return std::nullopt;
}

}  // namespace

QString paradoxTypeName(ParadoxType type) {
  switch (type) {
    case ParadoxType::Alpha:
      return QStringLiteral("текст");
    case ParadoxType::Date:
      return QStringLiteral("дата");
    case ParadoxType::Short:
      return QStringLiteral("короткое целое");
    case ParadoxType::Long:
      return QStringLiteral("длинное целое");
    case ParadoxType::Currency:
      return QStringLiteral("денежное");
    case ParadoxType::Number:
      return QStringLiteral("число");
    case ParadoxType::Logical:
      return QStringLiteral("логическое");
    case ParadoxType::AutoIncrement:
      return QStringLiteral("автоинкремент");
    case ParadoxType::Other:
      break;
  }
  return QStringLiteral("прочее");
}

// pxlib's document with its messages collected, not printed.
struct ParadoxTable::Library {
  pxdoc_t* doc = nullptr;
  QString lastError;
  std::optional<QStringDecoder> decoder;  // code pages other than Windows-1251

  static void collect(pxdoc_t*, int, const char* message, void* library) {
    static_cast<Library*>(library)->lastError = QString::fromLocal8Bit(message).trimmed();
  }
  ~Library() {
    if (!doc) return;
    PX_close(doc);
    PX_delete(doc);
  }
};

ParadoxTable::ParadoxTable(const QString& path) : path_(path), library_(std::make_unique<Library>()) {
  const ParadoxStructure structure = checkParadoxStructure(path);
  codePage_ = structure.codePage == 0 ? kDefaultCodePage : structure.codePage;
  if (codePage_ != kDefaultCodePage) {
    for (const QString& name :
         {QStringLiteral("windows-%1"), QStringLiteral("cp%1"), QStringLiteral("IBM%1")}) {
      QStringDecoder decoder(name.arg(codePage_).toLatin1().constData());
      if (decoder.isValid()) {
        library_->decoder.emplace(std::move(decoder));
        break;
      }
    }
    if (!library_->decoder) fail(QStringLiteral("кодовая страница %1 не поддерживается.").arg(codePage_));
  }

  library_->doc = PX_new3(&Library::collect, nullptr, nullptr, nullptr, library_.get());
  if (!library_->doc) fail(QStringLiteral("недостаточно памяти."));
  if (PX_open_file(library_->doc, QFile::encodeName(path).constData()) < 0)
    fail(QStringLiteral("не читается (%1).").arg(library_->lastError));
  const int count = PX_get_num_fields(library_->doc);
  if (count != structure.fields.size() || PX_get_recordsize(library_->doc) != structure.recordSize ||
      PX_get_num_records(library_->doc) != structure.recordCount)
    fail(QStringLiteral("заголовок таблицы повреждён."));
  recordCount_ = structure.recordCount;
  record_.resize(structure.recordSize);
  int offset = 0;
  for (int i = 0; i < count; ++i) {
    const pxfield_t* field = PX_get_field(library_->doc, i);
    Field described;
    described.name = decodeText(field && field->px_fname ? QByteArray(field->px_fname) : QByteArray());
    described.size = structure.fields[i].size;
    const std::optional<TypeCode> type = typeOf(structure.fields[i].type);
    if (type) described.type = type->type;
    if (described.name.isEmpty() || (type && type->size != 0 && type->size != described.size))
      fail(QStringLiteral("описание поля %1 повреждено.").arg(i + 1));
    fields_ << described;
    offsets_ << offset;
    offset += described.size;
  }
}

ParadoxTable::~ParadoxTable() = default;

QString ParadoxTable::fileName() const { return QFileInfo(path_).fileName(); }

void ParadoxTable::fail(const QString& problem) const {
  throw LegacyFileError(QStringLiteral("Файл %1: %2").arg(QDir::toNativeSeparators(path_), problem));
}

QString ParadoxTable::decodeText(const QByteArray& bytes) const {
  const qsizetype end = bytes.indexOf('\0');
  const QByteArray text = end < 0 ? bytes : bytes.left(end);
  return library_->decoder ? library_->decoder->decode(text) : cp1251::decode(text);
}

void ParadoxTable::read(int index) {
  if (index < 0 || index >= recordCount_ || !PX_get_record(library_->doc, index, record_.data()))
    fail(QStringLiteral("запись %1 не читается (%2).").arg(index + 1).arg(library_->lastError));
  current_ = index;
}

QVariant ParadoxTable::value(int field) const {
  const Field& described = fields_.at(field);
  char* data = const_cast<char*>(record_.constData()) + offsets_.at(field);
  if (std::all_of(data, data + described.size, [](char byte) { return byte == 0; })) return {};
  pxdoc_t* doc = library_->doc;
  switch (described.type) {
    case ParadoxType::Alpha:
      return decodeText(QByteArray(data, described.size));
    case ParadoxType::Short: {
      short value = 0;
      if (PX_get_data_short(doc, data, described.size, &value) < 0) break;
      return qint64(value);
    }
    case ParadoxType::Long:
    case ParadoxType::AutoIncrement:
    case ParadoxType::Date: {
      long value = 0;
      if (PX_get_data_long(doc, data, described.size, &value) < 0) break;
      if (described.type == ParadoxType::Date) return QDate::fromJulianDay(value + kJulianDayOfDayZero);
      return qint64(value);
    }
    case ParadoxType::Currency:
    case ParadoxType::Number: {
      double value = 0;
      if (PX_get_data_double(doc, data, described.size, &value) < 0) break;
      return value;
    }
    case ParadoxType::Logical: {
      char value = 0;
      if (PX_get_data_byte(doc, data, described.size, &value) < 0) break;
      return value != 0;
    }
    case ParadoxType::Other:
      return {};
  }
  fail(QStringLiteral("поле %1 записи %2 не читается (%3).")
           .arg(described.name)
           .arg(current_ + 1)
           .arg(library_->lastError));
}
