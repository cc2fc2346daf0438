#include "legacy/ParadoxStructure.h"

#include "legacy/ParadoxTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <limits>

namespace {

// Offsets in the header (all numbers little-endian).
constexpr int kRecordSize = 0x00;
constexpr int kHeaderSize = 0x02;
constexpr int kFileType = 0x04;
constexpr int kBlockSizeCode = 0x05;  // block size in KiB
constexpr int kRecordCount = 0x06;
constexpr int kFileBlocks = 0x0C;
constexpr int kFirstBlock = 0x0E;
constexpr int kFieldCount = 0x21;
constexpr int kEncryption = 0x25;     // the key; from version 4 on FF00FF00 there when none
constexpr int kNewEncryption = 0x5C;  // the key from version 4 on
constexpr quint32 kNoKey = 0xFF00FF00;
constexpr int kVersionId = 0x39;
constexpr int kCodePage = 0x6A;       // in the header of version 4 and later
constexpr int kFieldInfo = 0x78;      // the same
constexpr int kOldFieldInfo = 0x58;   // before version 4
constexpr int kFirstLongVersion = 5;  // version ids 3, 4: Paradox 3.x
constexpr int kBlockHeaderSize = 6;   // next block, previous block, size of the records less one

// File types of data tables: with and without a primary key.
constexpr int kKeyedTable = 0;
constexpr int kPlainTable = 2;

class StructureReader {
 public:
  explicit StructureReader(const QString& path) : path_(path), file_(path) {}

  ParadoxStructure read();

 private:
  [[noreturn]] void fail(const QString& problem) const {
    throw LegacyFileError(QStringLiteral("Файл %1: %2").arg(QDir::toNativeSeparators(path_), problem));
  }
  quint16 word(int offset) const { return qFromLittleEndian<quint16>(header_.constData() + offset); }
  quint32 longWord(int offset) const { return qFromLittleEndian<quint32>(header_.constData() + offset); }
  void readHeader();
  void readFields(ParadoxStructure& structure);
  void walkBlocks(ParadoxStructure& structure);

  QString path_;
  QFile file_;
  QByteArray header_;
};

void StructureReader::readHeader() {
  if (!file_.open(QIODevice::ReadOnly)) fail(QStringLiteral("не открывается (%1).").arg(file_.errorString()));
  header_ = file_.read(kFieldInfo);
  if (header_.size() < kFieldInfo) fail(QStringLiteral("файл обрезан или не является таблицей Paradox."));
  const int type = header_[kFileType];
  if (type != kKeyedTable && type != kPlainTable)
    fail(QStringLiteral("не является таблицей данных Paradox (индексный файл или файл другого вида)."));
}

void StructureReader::readFields(ParadoxStructure& structure) {
  const int count = word(kFieldCount);
  const int first = structure.versionId >= kFirstLongVersion ? kFieldInfo : kOldFieldInfo;
  if (count < 1 || count > 255 || first + 2 * count > structure.headerSize)
    fail(QStringLiteral("заголовок таблицы повреждён (число полей %1).").arg(count));
  const QByteArray info = file_.seek(first) ? file_.read(2 * count) : QByteArray();
  if (info.size() < 2 * count) fail(QStringLiteral("файл обрезан в заголовке."));
  int sum = 0;
  for (int i = 0; i < count; ++i) {
    const ParadoxStructure::FieldInfo field{quint8(info[2 * i]), quint8(info[2 * i + 1])};
    sum += field.size;
    structure.fields << field;
  }
  if (sum != structure.recordSize)
    fail(QStringLiteral("заголовок таблицы повреждён (поля занимают %1 байт, запись %2).")
             .arg(sum)
             .arg(structure.recordSize));
}

void StructureReader::walkBlocks(ParadoxStructure& structure) {
  const qint64 fileSize = file_.size();
  const int fileBlocks = word(kFileBlocks);
  QSet<int> visited;
  qint64 records = 0;
  for (int block = word(kFirstBlock); block != 0;) {
    if (block > fileBlocks || visited.contains(block))
      fail(QStringLiteral("цепочка блоков данных повреждена (блок %1).").arg(block));
    visited.insert(block);
    const qint64 offset = structure.headerSize + qint64(block - 1) * structure.blockSize;
    char head[kBlockHeaderSize];
    if (!file_.seek(offset) || file_.read(head, kBlockHeaderSize) != kBlockHeaderSize)
      fail(QStringLiteral("файл обрезан: блока данных %1 в нём нет.").arg(block));
    const int used = qFromLittleEndian<qint16>(head + 4);  // bytes of the records less one record
    if (used < -structure.recordSize || (used + structure.recordSize) % structure.recordSize != 0 ||
        kBlockHeaderSize + used + structure.recordSize > structure.blockSize)
      fail(QStringLiteral("блок данных %1 повреждён.").arg(block));
    const int inBlock = (used + structure.recordSize) / structure.recordSize;
    if (offset + kBlockHeaderSize + qint64(inBlock) * structure.recordSize > fileSize)
      fail(QStringLiteral("файл обрезан: блок данных %1 неполон.").arg(block));
    records += inBlock;
    block = qFromLittleEndian<quint16>(head);
  }
  if (records != structure.recordCount)
    fail(QStringLiteral("файл повреждён: в заголовке %1 записей, в блоках данных %2.")
             .arg(structure.recordCount)
             .arg(records));
}

ParadoxStructure StructureReader::read() {
  if (!QFileInfo(path_).isFile()) fail(QStringLiteral("не найден."));
  readHeader();
  ParadoxStructure structure;
  structure.recordSize = word(kRecordSize);
  structure.headerSize = word(kHeaderSize);
  structure.versionId = quint8(header_[kVersionId]);
  const int sizeCode = quint8(header_[kBlockSizeCode]);
  static const QSet<int> blockSizes{1, 2, 3, 4, 8, 16, 32};
  if (structure.recordSize <= 0 || structure.headerSize < kOldFieldInfo || !blockSizes.contains(sizeCode) ||
      structure.headerSize > file_.size())
    fail(QStringLiteral("файл обрезан или не является таблицей Paradox."));
  structure.blockSize = sizeCode * 1024;
  const quint32 key = longWord(kEncryption);
  const bool newHeader = structure.versionId >= kFirstLongVersion;
  if ((key != 0 && !(newHeader && key == kNoKey)) || (newHeader && longWord(kNewEncryption) != 0))
    fail(QStringLiteral("таблица защищена паролем."));
  const quint32 count = longWord(kRecordCount);
  if (count > quint32(std::numeric_limits<int>::max()))
    fail(QStringLiteral("заголовок таблицы повреждён (число записей)."));
  structure.recordCount = int(count);
  if (structure.versionId >= kFirstLongVersion) structure.codePage = word(kCodePage);
  readFields(structure);
  walkBlocks(structure);
  return structure;
}

}  // namespace

ParadoxStructure checkParadoxStructure(const QString& path) { return StructureReader(path).read(); }
