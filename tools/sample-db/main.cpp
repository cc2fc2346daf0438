// vt3417-sample-db PROGRAM_DIR
// Gives a program directory a small measurement database (two bases, a few
// meters with test points) when it has none, so that a first start shows a
// populated main window. An existing database is left as it is.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <exception>

#include "SampleDatabase.h"
#include "common/ToolCommandLine.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Gives a program directory a small sample measurement database (base/vt3417.sqlite) when it has none;\n"
      "an existing database is left as it is."));
  parser.addPositionalArgument(QStringLiteral("PROGRAM_DIR"), QStringLiteral("The program directory."));
  if (const std::optional<int> exitCode = tool_command_line::parse(parser, app, 1)) return *exitCode;
  QTextStream err(stderr);
  const QDir programDir(parser.positionalArguments().front());
  const QString databaseFile = programDir.filePath(QStringLiteral("base/vt3417.sqlite"));
  try {
    if (!programDir.mkpath(QStringLiteral("base"))) {
      err << "vt3417-sample-db: cannot create " << programDir.filePath(QStringLiteral("base")) << "\n";
      return 1;
    }
    if (createSampleDatabase(databaseFile))
      err << "vt3417-sample-db: sample database written to " << databaseFile << "\n";
    else
      err << "vt3417-sample-db: " << databaseFile << " exists, kept as it is\n";
  } catch (const std::exception& error) {
    err << "vt3417-sample-db: " << QString::fromUtf8(error.what()) << "\n";
    return 1;
  }
  return 0;
}
