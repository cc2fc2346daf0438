#include "app/SingleInstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString& name) : lock_(markerPath(name)) {
  // Only a dead owner makes the marker stale, however long the first copy runs.
  lock_.setStaleLockTime(0);
}

bool SingleInstance::acquire() {
  if (lock_.tryLock(0)) return true;
  // A marker we cannot create for another reason (no temp folder) does not block the start.
  return lock_.error() != QLockFile::LockFailedError;
}

QString SingleInstance::markerPath(const QString& name) {
  return QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock"));
}
