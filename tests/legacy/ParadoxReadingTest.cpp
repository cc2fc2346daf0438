#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include "LegacyFolder.h"
#include "ParadoxWriter.h"
#include "database/Schema.h"
#include "legacy/LegacyTable.h"
#include "legacy/ParadoxTable.h"
#include "support/TestRegistry.h"

using paradox_fixture::Field;
using paradox_fixture::ParadoxWriter;

// Reading the old program's Paradox files: every kind of field as stored,
// empty fields as nulls, code pages; damaged and foreign files refused with
// the file named, never read past their end; the fields of the program's
// tables found by name and kind.
class ParadoxReadingTest : public QObject {
  Q_OBJECT
 private slots:
  void valuesAsStored_data();
  void valuesAsStored();
  void damagedFilesRefused_data();
  void damagedFilesRefused();
  void everyTruncationRefusedOrReadWhole();
  void programFieldsFound_data();
  void programFieldsFound();
};

Q_DECLARE_METATYPE(std::function<void(QByteArray&)>)

namespace {

const QVariant null;

const QVector<Field> kEveryKind{{"Text", "A12"}, {"Number", "N"}, {"Money", "$"}, {"Short", "S"},
                                {"Long", "I"},   {"Key", "+"},    {"Flag", "L"},  {"Day", "D"}};

// A table of every kind with 300 records (several data blocks), record i
// holding the key i + 1 and the number i.
QString writeBlocks(const QTemporaryDir& dir) {
  const QString path = dir.filePath("Blocks.db");
  ParadoxWriter writer(path, kEveryKind);
  for (int i = 0; i < 300; ++i)
    writer.add({QString("Запись %1").arg(i), double(i), null, i % 7, i * 1000, i + 1, i % 2 == 0,
                QDate(2000, 1, 1).addDays(i)});
  writer.write();
  return path;
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes);
}

void putWord(QByteArray& bytes, int offset, quint16 value) { qToLittleEndian(value, bytes.data() + offset); }

}  // namespace

void ParadoxReadingTest::valuesAsStored_data() {
  QTest::addColumn<int>("codePage");
  QTest::addColumn<QVariantList>("stored");
  QTest::addColumn<QVariantList>("read");
  const QDate day(2003, 4, 5);
  const QVariantList everyKind{"Ёж «№5»", -1.25, 12.5, qint64(-7), qint64(123456), qint64(9), true, day};
  QTest::newRow("values") << 1251 << everyKind << everyKind;
  QTest::newRow("zero is a value, not empty")
      << 1251 << QVariantList{"0", 0.0, 0.0, 0, 0, 1, false, QDate(1, 1, 1)}
      << QVariantList{"0", 0.0, 0.0, qint64(0), qint64(0), qint64(1), false, QDate(1, 1, 1)};
  QTest::newRow("empty fields are null") << 1251 << QVariantList{null, null, null, null, null, 1, null, null}
                                         << QVariantList{null, null, null, null, null, qint64(1), null, null};
  QTest::newRow("extremes") << 1251 << QVariantList{"ЯЯЯЯЯЯЯЯЯЯЯЯ", 1e300, -0.001, 32767,
                                                    -2147483647,    1,     true,   QDate(9999, 12, 31)}
                            << QVariantList{"ЯЯЯЯЯЯЯЯЯЯЯЯ",      1e300,     -0.001, qint64(32767),
                                            qint64(-2147483647), qint64(1), true,   QDate(9999, 12, 31)};
  const QVariantList dos{"Ёжик и ящик", 1.0, null, null, null, 1, null, null};
  const QVariantList dosRead{"Ёжик и ящик", 1.0, null, null, null, qint64(1), null, null};
  QTest::newRow("DOS code page 866") << 866 << dos << dosRead;
  QTest::newRow("no code page: Windows-1251") << 0 << dos << dosRead;
}

void ParadoxReadingTest::valuesAsStored() {
  QFETCH(int, codePage);
  QFETCH(QVariantList, stored);
  QFETCH(QVariantList, read);
  QTemporaryDir dir;
  const QString path = dir.filePath("Kinds.db");
  {
    ParadoxWriter writer(path, kEveryKind, codePage == 0 ? 1251 : codePage);
    writer.add(stored);
  }
  if (codePage == 0) {  // a header without a code page, as old versions wrote it
    QByteArray bytes = readFile(path);
    putWord(bytes, 0x6A, 0);
    writeFile(path, bytes);
  }
  ParadoxTable table(path);
  QCOMPARE(table.codePage(), codePage == 0 ? 1251 : codePage);
  QCOMPARE(table.recordCount(), 1);
  table.read(0);
  QVariantList values;
  for (int i = 0; i < table.fields().size(); ++i) values << table.value(i);
  QCOMPARE(values, read);
  for (int i = 0; i < read.size(); ++i)  // null is not 0 and 0 is not null
    QVERIFY2(values[i].isNull() == read[i].isNull(), qPrintable(table.fields()[i].name));
}

void ParadoxReadingTest::damagedFilesRefused_data() {
  QTest::addColumn<std::function<void(QByteArray&)>>("damage");
  QTest::addColumn<QString>("message");
  using Damage = std::function<void(QByteArray&)>;
  QTest::newRow("empty file") << Damage([](QByteArray& b) { b.clear(); }) << "файл обрезан";
  QTest::newRow("cut in the header") << Damage([](QByteArray& b) { b.truncate(100); }) << "файл обрезан";
  QTest::newRow("cut in the data") << Damage([](QByteArray& b) { b.chop(b.size() / 3); }) << "файл обрезан";
  QTest::newRow("an index file") << Damage([](QByteArray& b) { b[4] = 1; }) << "индексный файл";
  QTest::newRow("a text file") << Damage([](QByteArray& b) { b = QByteArray(3000, 'x'); })
                               << "не является таблицей";
  QTest::newRow("more records announced")
      << Damage([](QByteArray& b) { qToLittleEndian<quint32>(301, b.data() + 6); })
      << "в заголовке 301 записей";
  QTest::newRow("blocks in a circle") << Damage([](QByteArray& b) {
    const int header = qFromLittleEndian<quint16>(b.constData() + 2);
    putWord(b, header, 1);  // the first block names itself as the next
  }) << "цепочка блоков";
  QTest::newRow("fields longer than the record")
      << Damage([](QByteArray& b) { b[0x78 + 1] = 40; }) << "заголовок таблицы повреждён";
  QTest::newRow("password") << Damage([](QByteArray& b) { b[0x25] = 7; }) << "защищена паролем";
}

void ParadoxReadingTest::damagedFilesRefused() {
  QFETCH(std::function<void(QByteArray&)>, damage);
  QFETCH(QString, message);
  QTemporaryDir dir;
  const QString path = writeBlocks(dir);
  QByteArray bytes = readFile(path);
  damage(bytes);
  writeFile(path, bytes);
  try {
    ParadoxTable table(path);
    for (int i = 0; i < table.recordCount(); ++i) table.read(i);
    QFAIL("the damaged file was read");
  } catch (const LegacyFileError& error) {
    const QString text = QString::fromUtf8(error.what());
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(message), qPrintable(text));
  }
}

// A file cut anywhere is refused before its records are read, or, cut in
// the unused end of its last block, read whole: never read past its end.
void ParadoxReadingTest::everyTruncationRefusedOrReadWhole() {
  QTemporaryDir dir;
  const QString path = writeBlocks(dir);
  const QByteArray whole = readFile(path);
  int refused = 0;
  for (qsizetype size = 0; size < whole.size(); size += 37) {
    writeFile(path, whole.left(size));
    try {
      ParadoxTable table(path);
      QCOMPARE(table.recordCount(), 300);
      for (int i = 0; i < 300; ++i) {
        table.read(i);
        QCOMPARE(table.value(5).toLongLong(), i + 1);
        QCOMPARE(table.value(1).toDouble(), double(i));
      }
    } catch (const LegacyFileError&) {
      ++refused;
    }
  }
  QVERIFY(refused > 0);
}

void ParadoxReadingTest::programFieldsFound_data() {
  QTest::addColumn<QVector<Field>>("fields");
  QTest::addColumn<QVariantList>("stored");
  QTest::addColumn<QString>("readOrRefused");
  const QDate day(2019, 5, 14);
  QTest::newRow("by name in any case and order, others passed over")
      << QVector<Field>{{"NOTE", "A10"},     {"olddate", "D"},   {"MYMAKER", "A20"}, {"myuser", "A20"},
                        {"MyNumber", "A20"}, {"myvisible", "L"}, {"myyear", "I"},    {"TIP", "A20"},
                        {"numberch", "S"},   {"BASE", "A20"},    {"NUM", "+"}}
      << QVariantList{"x", day, "Завод", "ЦСМ", "012345", true, 2001, "СО-505", 3, "Б1", 7}
      << "7|Б1|3|СО-505|2001|true|012345|ЦСМ|Завод|2019-05-14";
  QVector<Field> fields = paradox_fixture::meterFields();
  const QVariantList meter{7, "Б1", 3, "СО-505", 2001, true, "012345", "ЦСМ", "Завод", day};
  QTest::newRow("a shorter text and a long slot number are taken") << [&] {
    QVector<Field> changed = fields;
    changed[2].type = "I";
    changed[3].type = "A8";
    return changed;
  }() << meter << "7|Б1|3|СО-505|2001|true|012345|ЦСМ|Завод|2019-05-14";
  QTest::newRow("a field missing") << QVector<Field>(fields.begin(), fields.end() - 1) << meter
                                   << "нет поля Olddate";
  QTest::newRow("a number for the year") << [&] {
    QVector<Field> changed = fields;
    changed[4].type = "N";
    return changed;
  }() << meter << "поле MyYear имеет тип «число», ожидается «целое»";
  QTest::newRow("a longer text") << [&] {
    QVector<Field> changed = fields;
    changed[3].type = "A30";
    return changed;
  }() << meter << "поле Tip имеет тип «текст длиной 30 символов», ожидается «текст не длиннее 20 символов»";
}

void ParadoxReadingTest::programFieldsFound() {
  QFETCH(QVector<Field>, fields);
  QFETCH(QVariantList, stored);
  QFETCH(QString, readOrRefused);
  QTemporaryDir dir;
  const QString path = dir.filePath("MASTER.DB");
  {
    ParadoxWriter writer(path, fields);
    writer.add(stored);
  }
  QFile::copy(path, dir.filePath("Master.px"));  // an index beside it is not looked at
  try {
    LegacyTable table(dir.path(), Schema::master());
    QStringList values;
    for (const QVariant& value : table.read(0))
      values << (value.typeId() == QMetaType::QDate ? value.toDate().toString(Qt::ISODate)
                                                    : value.toString());
    QCOMPARE(values.join('|'), readOrRefused);
  } catch (const LegacyFileError& error) {
    const QString text = QString::fromUtf8(error.what());
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(readOrRefused), qPrintable(text));
  }
}

VT3417_REGISTER_TEST(ParadoxReadingTest)
#include "ParadoxReadingTest.moc"
