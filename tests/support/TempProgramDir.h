#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh program directory (with "sources" and "base") made the working
// directory and the program directory for the life of the object. Its
// database is empty, on the engine the tests run on (support/TestDatabase.h).
class TempProgramDir {
 public:
  TempProgramDir();
  ~TempProgramDir();
  TempProgramDir(const TempProgramDir&) = delete;
  TempProgramDir& operator=(const TempProgramDir&) = delete;

  QString path() const { return dir_.path(); }
  QString filePath(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }

 private:
  QTemporaryDir dir_;
  QString previousCurrent_;
};

// Absolute path of a file in the source tree (templates, fixtures).
QString sourceTreePath(const QString& relative);
