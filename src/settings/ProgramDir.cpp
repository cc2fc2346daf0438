#include "settings/ProgramDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

QString g_programDir;

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString makeFolder(const QString& path) {
  if (QDir().mkpath(path)) return {};
  return QStringLiteral("Не удалось создать папку %1.").arg(native(path));
}

// Copies one shipped file; the copy is the user's to change even when the
// shipped one is read-only.
QString copyShippedFile(const QString& from, const QString& to) {
  if (QFileInfo::exists(to)) return {};
  if (!QFile::copy(from, to))
    return QStringLiteral("Не удалось скопировать %1 в %2.").arg(native(from), native(to));
  QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return {};
}

}  // namespace

QString programDir() { return g_programDir.isEmpty() ? QDir::currentPath() : g_programDir; }

void setProgramDir(const QString& directory) { g_programDir = QDir(directory).absolutePath(); }

QString programPath(const QString& relative) { return QDir(programDir()).filePath(relative); }

QString chooseProgramDir(const QString& workingDir, const QString& documentsDir) {
  if (QFileInfo(QDir(workingDir).filePath(QStringLiteral("sources"))).isDir() || documentsDir.isEmpty())
    return QDir(workingDir).absolutePath();
  return QDir(documentsDir).absoluteFilePath(QString::fromLatin1(kOwnFolderName));
}

QString shippedSourcesDir(const QString& applicationDir) {
  return QDir::cleanPath(QDir(applicationDir).absoluteFilePath(QStringLiteral("../share/vt3417/sources")));
}

QStringList fillProgramDir(const QString& dir, const QString& shippedSources) {
  QStringList problems;
  const QDir programDir(dir);
  const QString sources = programDir.filePath(QStringLiteral("sources"));
  for (const QString& folder : {sources, programDir.filePath(QStringLiteral("base")),
                                programDir.filePath(QStringLiteral("protocols"))}) {
    const QString problem = makeFolder(folder);
    if (!problem.isEmpty()) problems << problem;
  }
  if (!problems.isEmpty() || !QFileInfo(shippedSources).isDir()) return problems;

  const QDir shipped(shippedSources);
  QDirIterator files(shippedSources, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString from = files.next();
    const QString to = QDir(sources).filePath(shipped.relativeFilePath(from));
    QString problem = makeFolder(QFileInfo(to).absolutePath());
    if (problem.isEmpty()) problem = copyShippedFile(from, to);
    if (!problem.isEmpty()) problems << problem;
  }
  return problems;
}

QString missingShippedFiles(const QString& dir, const QString& shippedSources) {
  const QDir sources(QDir(dir).filePath(QStringLiteral("sources")));
  if (!sources.exists()) return {};
  QStringList missing;
  for (const QString& name : shippedFileNames())
    if (!QFileInfo::exists(sources.filePath(name)) && !QFileInfo::exists(QDir(shippedSources).filePath(name)))
      missing << native(name);
  if (missing.isEmpty()) return {};
  return QStringLiteral(
             "Не найдены файлы, поставляемые с программой: %1. Их нет ни в папке %2, ни в папке поставки "
             "%3. Программа работает без них; шаблоны протоколов и пределы погрешности появятся, когда "
             "эти файлы будут в папке %2.")
      .arg(missing.join(QStringLiteral(", ")), native(sources.path()), native(shippedSources));
}
