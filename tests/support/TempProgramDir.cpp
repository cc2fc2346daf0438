#include "support/TempProgramDir.h"

#include "settings/ProgramDir.h"
#include "support/TestDatabase.h"

TempProgramDir::TempProgramDir() : previousCurrent_(QDir::currentPath()) {
  QDir root(dir_.path());
  root.mkpath(QStringLiteral("sources"));
  root.mkpath(QStringLiteral("base"));
  QDir::setCurrent(dir_.path());
  setProgramDir(dir_.path());
  TestDatabase::prepareEmptyDatabase(dir_.path());
}

TempProgramDir::~TempProgramDir() {
  QDir::setCurrent(previousCurrent_);
  setProgramDir(previousCurrent_);
}

QString sourceTreePath(const QString& relative) {
  return QDir(QStringLiteral(VT3417_SOURCE_DIR)).filePath(relative);
}
