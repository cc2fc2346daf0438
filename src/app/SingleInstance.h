#pragma once

#include <QLockFile>
#include <QString>

// System-wide marker that keeps a second copy from starting. A lock file left
// by a crashed copy is recognised as stale and taken over.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& name);
  // True when this process is the first copy (the marker is now held).
  bool acquire();
  static QString markerPath(const QString& name);

 private:
  QLockFile lock_;
};
