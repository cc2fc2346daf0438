#include "settings/ProgramDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

QString g_programDir;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString MakeFolder(const QString& path) {
  if (QDir().mkpath(path)) return {};
  return QStringLiteral("Не удалось создать папку %1.").arg(Native(path));
}

// Copies one shipped file; the copy is the user's to change even when the
// shipped one is read-only.
QString CopyShippedFile(const QString& from, const QString& to) {
  if (QFileInfo::exists(to)) return {};
  if (!QFile::copy(from, to)) return QStringLiteral("Не удалось скопировать %1 в %2.").arg(Native(from), Native(to));
  QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return {};
}

}  // namespace

QString ProgramDir() { return g_programDir.isEmpty() ? QDir::currentPath() : g_programDir; }

void SetProgramDir(const QString& directory) { g_programDir = QDir(directory).absolutePath(); }

QString ProgramPath(const QString& relative) { return QDir(ProgramDir()).filePath(relative); }

QString ChooseProgramDir(const QString& workingDir, const QString& documentsDir) {
  if (QFileInfo(QDir(workingDir).filePath(QStringLiteral("sources"))).isDir() || documentsDir.isEmpty())
    return QDir(workingDir).absolutePath();
  return QDir(documentsDir).absoluteFilePath(QString::fromLatin1(kOwnFolderName));
}

QString ShippedSourcesDir(const QString& applicationDir) {
  return QDir::cleanPath(QDir(applicationDir).absoluteFilePath(QStringLiteral("../share/vt3417/sources")));
}

QStringList FillProgramDir(const QString& dir, const QString& shippedSources) {
  QStringList problems;
  const QDir programDir(dir);
  const QString sources = programDir.filePath(QStringLiteral("sources"));
  for (const QString& folder : {sources, programDir.filePath(QStringLiteral("base")), programDir.filePath(QStringLiteral("protocols"))}) {
    const QString problem = MakeFolder(folder);
    if (!problem.isEmpty()) problems << problem;
  }
  if (!problems.isEmpty() || !QFileInfo(shippedSources).isDir()) return problems;

  const QDir shipped(shippedSources);
  QDirIterator files(shippedSources, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString from = files.next();
    const QString to = QDir(sources).filePath(shipped.relativeFilePath(from));
    QString problem = MakeFolder(QFileInfo(to).absolutePath());
    if (problem.isEmpty()) problem = CopyShippedFile(from, to);
    if (!problem.isEmpty()) problems << problem;
  }
  return problems;
}
