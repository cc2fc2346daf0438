#include "ParadoxWriter.h"

#include <QDate>
#include <QFile>
#include <QStringEncoder>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// pxlib's header declares its functions without C linkage of its own.
extern "C" {
#include <paradox.h>
}

namespace paradox_fixture {
namespace {

// Paradox counts days from 1 January of the year 1 (day 1).
constexpr qint64 kJulianDayOfDayZero = 1721425;

struct TypeLetter {
  QChar letter;
  int type;
  int size;  // 0: given after the letter
};

constexpr TypeLetter kLetters[] = {{u'A', pxfAlpha, 0},   {u'N', pxfNumber, 8}, {u'$', pxfCurrency, 8},
                                   {u'S', pxfShort, 2},   {u'I', pxfLong, 4},   {u'+', pxfAutoInc, 4},
                                   {u'L', pxfLogical, 1}, {u'D', pxfDate, 4}};

void fatal(const QString& text) { qFatal("%s", qPrintable(text)); }

const char* encodingName(int codePage) {
  switch (codePage) {
    case 866:
      return "IBM866";
    case 1252:
      return "windows-1252";
    default:
      return "windows-1251";
  }
}

}  // namespace

QVector<Field> baseFields() {
  return {{"Num", "+"},  {"NameBase", "A20"}, {"Nvoltage", "N"},
          {"NTok", "N"}, {"Pered", "N"},      {"KlasT", "N"}};
}

QVector<Field> meterFields() {
  return {{"Num", "+"},       {"Base", "A20"},     {"NumberCh", "S"}, {"Tip", "A20"},     {"MyYear", "I"},
          {"MyVisible", "L"}, {"MyNumber", "A20"}, {"MyUser", "A20"}, {"MyMaker", "A20"}, {"Olddate", "D"}};
}

QVector<Field> pointFields() {
  return {{"N", "+"},     {"Num", "I"},  {"Voltage", "N"}, {"Tok", "N"},  {"KM", "A6"},
          {"Opogr", "N"}, {"Date", "D"}, {"Rep", "A1"},    {"Count", "I"}};
}

QVector<Field> archivedMeterFields() {
  return {{"Num", "+"},      {"Base", "A20"},  {"Tip", "A20"},     {"MyYear", "I"},
          {"MyUser", "A20"}, {"Maker", "A20"}, {"KlasT", "N"},     {"Nvoltage", "N"},
          {"NTok", "N"},     {"Pered", "N"},   {"MyNumber", "A20"}};
}

QVector<Field> archivedPointFields() {
  return {{"N", "+"},     {"Num", "I"},  {"Voltage", "N"}, {"Tok", "N"},  {"KM", "A6"},
          {"Opogr", "N"}, {"Date", "D"}, {"OldDate", "D"}, {"Count", "I"}};
}

ParadoxWriter::ParadoxWriter(const QString& path, const QVector<Field>& fields, int codePage)
    : path_(path), codePage_(codePage) {
  doc_ = PX_new();
  for (const Field& field : fields) {
    const TypeLetter* letter = nullptr;
    for (const TypeLetter& known : kLetters)
      if (known.letter == field.type.front()) letter = &known;
    if (!letter) fatal(QStringLiteral("unknown Paradox type %1").arg(field.type));
    types_ << letter->type;
    sizes_ << (letter->size != 0 ? letter->size : field.type.mid(1).toInt());
    recordSize_ += sizes_.back();
  }
  // pxlib owns the field list and frees it with the document.
  auto* list = static_cast<pxfield_t*>(doc_->malloc(doc_, sizeof(pxfield_t) * fields.size(), "fields"));
  for (int i = 0; i < fields.size(); ++i) {
    list[i].px_fname = PX_strdup(doc_, fields[i].name.toLatin1().constData());
    list[i].px_ftype = char(types_[i]);
    list[i].px_flen = sizes_[i];
    list[i].px_fdc = 0;
  }
  fieldList_ = list;
}

ParadoxWriter::~ParadoxWriter() {
  if (!written_) write();
  PX_delete(doc_);
}

void ParadoxWriter::add(const QVariantList& values) {
  const qsizetype start = records_.size();
  records_.resize(start + recordSize_, '\0');
  char* data = records_.data() + start;
  for (int i = 0; i < types_.size(); ++i) {
    const QVariant value = values.value(i);
    if (!value.isNull()) {
      switch (types_[i]) {
        case pxfAlpha: {
          QStringEncoder encoder(encodingName(codePage_));
          QByteArray text = encoder.encode(value.toString());
          PX_put_data_alpha(doc_, data, sizes_[i], text.data());
          break;
        }
        case pxfNumber:
        case pxfCurrency:
          PX_put_data_double(doc_, data, sizes_[i], value.toDouble());
          break;
        case pxfShort:
          PX_put_data_short(doc_, data, sizes_[i], short(value.toInt()));
          break;
        case pxfLogical:
          PX_put_data_byte(doc_, data, sizes_[i], value.toBool() ? 1 : 0);
          break;
        case pxfDate:
          PX_put_data_long(doc_, data, sizes_[i], int(value.toDate().toJulianDay() - kJulianDayOfDayZero));
          break;
        default:
          PX_put_data_long(doc_, data, sizes_[i], int(value.toLongLong()));
      }
    }
    data += sizes_[i];
  }
  ++count_;
}

void ParadoxWriter::write() {
  written_ = true;
  const size_t capacity = size_t(1 << 20) + size_t(records_.size()) * 2;
  char* buffer = static_cast<char*>(std::calloc(capacity, 1));
  FILE* memory = fmemopen(buffer, capacity, "w+");
  if (!memory || PX_create_fp(doc_, fieldList_, types_.size(), memory, pxfFileTypNonIndexDB) < 0)
    fatal(QStringLiteral("pxlib cannot create %1").arg(path_));
  fieldList_ = nullptr;
  doc_->px_head->px_doscodepage = codePage_;
  for (qint64 i = 0; i < count_; ++i)
    if (PX_put_record(doc_, records_.data() + i * recordSize_) < 0)
      fatal(QStringLiteral("pxlib cannot write record %1 of %2").arg(i + 1).arg(path_));
  PX_close(doc_);
  std::fclose(memory);
  // The file is the header and the data blocks the header counts.
  quint16 headerSize = 0;
  quint16 blocks = 0;
  std::memcpy(&headerSize, buffer + 2, 2);
  std::memcpy(&blocks, buffer + 12, 2);
  const qint64 size = headerSize + qint64(blocks) * buffer[5] * 1024;
  QFile file(path_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(buffer, size) != size)
    fatal(QStringLiteral("cannot write %1").arg(path_));
  std::free(buffer);
  records_.clear();
}

}  // namespace paradox_fixture
