#pragma once

#include <QString>
#include <QVector>

// What the header of a Paradox data file says, after checking that the file
// holds all it announces. Read with our own code before pxlib opens the file:
// pxlib trusts the header, and a truncated or foreign file must be refused
// with a message, not read past its end.
struct ParadoxStructure {
  struct FieldInfo {
    int type = 0;  // Paradox's type code
    int size = 0;  // bytes in the record
  };
  int recordSize = 0;
  int headerSize = 0;
  int blockSize = 0;
  int recordCount = 0;
  int versionId = 0;
  int codePage = 0;  // 0: the header names none
  QVector<FieldInfo> fields;
};

// Reads and checks the file: a data table (not an index), no password, a
// field list that adds up to the record size, and a chain of data blocks that
// lies inside the file and holds exactly the records the header counts.
// Throws LegacyFileError naming the file.
ParadoxStructure checkParadoxStructure(const QString& path);
