#pragma once

// What the benchmarks share: their command line and a program directory of their own.
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>

#include "settings/ProgramDir.h"

// The value of "--runs N" (at least 1), `fallback` without it.
inline int runsArgument(const QStringList& arguments, int fallback) {
  int runs = fallback;
  for (int i = 1; i + 1 < arguments.size(); ++i)
    if (arguments[i] == QLatin1String("--runs")) runs = std::max(1, arguments[i + 1].toInt());
  return runs;
}

// Makes `path` the program directory, with "sources" and "base", and its
// current directory; the shipped limits go into "sources".
inline void prepareProgramDir(const QString& path) {
  QDir(path).mkpath(QStringLiteral("sources"));
  QDir(path).mkpath(QStringLiteral("base"));
  QDir::setCurrent(path);
  setProgramDir(path);
  QFile::copy(QStringLiteral(VT3417_SOURCE_DIR "/data/sources/limits.csv"),
              programPath(QStringLiteral("sources/limits.csv")));
}
