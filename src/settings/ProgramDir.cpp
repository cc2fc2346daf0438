#include "settings/ProgramDir.h"

#include <QDir>

namespace {
QString g_programDir;
}

QString ProgramDir() { return g_programDir.isEmpty() ? QDir::currentPath() : g_programDir; }

void SetProgramDir(const QString& directory) { g_programDir = QDir(directory).absolutePath(); }

QString ProgramPath(const QString& relative) { return QDir(ProgramDir()).filePath(relative); }
