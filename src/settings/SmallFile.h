#pragma once

#include <QByteArray>
#include <QString>

// Reading a file the program takes in whole (a layout or settings file, a
// table of limits): never more than a bound that is generous for the file's
// purpose, so that a damaged or foreign file of gigabytes cannot exhaust the
// memory or stall the start. A larger file is not read at all.
struct SmallFile {
  enum class Status { Read, Missing, TooLarge, Unreadable };

  Status status = Status::Missing;
  QByteArray bytes;  // the whole file when Read

  bool isRead() const { return status == Status::Read; }
  // Why the file was not read, in the operator's words, naming the file;
  // empty when it was read.
  QString problem(const QString& path) const;

  static SmallFile read(const QString& path, qint64 maxBytes);
};

// Bounds for the program's own files.
inline constexpr qint64 kLayoutFileMaxBytes = 64 * 1024;       // mform.res, datagrid.res
inline constexpr qint64 kSettingsFileMaxBytes = 64 * 1024;     // ports.ini, database.ini
inline constexpr qint64 kTableFileMaxBytes = 4 * 1024 * 1024;  // limits.csv, programs.csv
