// vt3417-sample-db PROGRAM_DIR
// Gives a program directory a small measurement database (two bases, a few
// meters with test points) when it has none, so that a first start shows a
// populated main window. An existing database is left as it is.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <exception>

#include "SampleDatabase.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream err(stderr);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 2) {
    err << "usage: vt3417-sample-db PROGRAM_DIR\n";
    return 2;
  }
  const QDir programDir(arguments[1]);
  const QString databaseFile = programDir.filePath(QStringLiteral("base/vt3417.sqlite"));
  try {
    if (!programDir.mkpath(QStringLiteral("base"))) {
      err << "vt3417-sample-db: cannot create " << programDir.filePath(QStringLiteral("base")) << "\n";
      return 1;
    }
    if (CreateSampleDatabase(databaseFile))
      err << "vt3417-sample-db: sample database written to " << databaseFile << "\n";
    else
      err << "vt3417-sample-db: " << databaseFile << " exists, kept as it is\n";
  } catch (const std::exception& error) {
    err << "vt3417-sample-db: " << QString::fromUtf8(error.what()) << "\n";
    return 1;
  }
  return 0;
}
