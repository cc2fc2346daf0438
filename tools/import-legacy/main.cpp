// vt3417-import-legacy [--check] [--rename-bases] FOLDER [DATABASE_INI]
// Brings a lab's history along: imports the old bench program's Paradox
// tables into the program's database, all or nothing.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <exception>
#include <memory>

#include "common/ToolCommandLine.h"
#include "database/Connection.h"
#include "database/DatabaseSettings.h"
#include "legacy/LegacyImport.h"
#include "settings/ProgramDir.h"

namespace {

const QString kConnectionName = QStringLiteral("import target");

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

// The server database a DATABASE_INI names.
std::unique_ptr<Connection> openServer(const QString& settingsFile) {
  if (!QFileInfo(settingsFile).isFile()) fail(QStringLiteral("Файл %1 не найден.").arg(settingsFile));
  const DatabaseSettings settings = readDatabaseSettings(settingsFile);
  if (settings.engine != DatabaseSettings::Engine::Postgresql)
    fail(QStringLiteral("%1 не называет сервер PostgreSQL (driver=postgresql).").arg(settingsFile));
  return Connection::openPostgres(settings, kConnectionName);
}

// The program directory's database, found as the program finds it. A check
// creates nothing: without a database file there is nothing in the way.
std::unique_ptr<Connection> openProgramDirDatabase(bool checking, QTextStream& err) {
  const QString workingDir = QDir::currentPath();
  const QString dir =
      chooseProgramDir(workingDir, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  if (dir != workingDir && !checking)
    for (const QString& problem :
         fillProgramDir(dir, shippedSourcesDir(QCoreApplication::applicationDirPath())))
      err << "vt3417-import-legacy: " << problem << "\n";
  setProgramDir(dir);
  const DatabaseSettings settings = readDatabaseSettings(databaseSettingsPath());
  const QFileInfo file(programDatabasePath());
  if (checking && settings.engine == DatabaseSettings::Engine::Sqlite && (!file.exists() || file.size() == 0))
    return nullptr;
  return openDatabase(settings, programDatabasePath(), kConnectionName);
}

int run(const QCommandLineParser& parser, bool checking, bool renameBases) {
  QTextStream out(stdout);
  QTextStream err(stderr);
  const QStringList arguments = parser.positionalArguments();
  try {
    const std::unique_ptr<Connection> target =
        arguments.size() > 1 ? openServer(arguments[1]) : openProgramDirDatabase(checking, err);
    const ImportSummary summary = importLegacyTables(arguments[0], target.get(), {!checking, renameBases});
    out << summary.text() << "\n";
    if (!summary.canImport()) {
      err << "vt3417-import-legacy: базы с такими именами уже есть в базе данных; ничего не импортировано "
             "(--rename-bases импортирует их под новыми именами)\n";
      return 1;
    }
    out << (checking ? "Проверка: ничего не записано.\n" : "Импорт завершён.\n");
    return 0;
  } catch (const std::exception& error) {
    out.flush();
    err << "vt3417-import-legacy: " << QString::fromUtf8(error.what()) << "\nничего не импортировано\n";
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vt3417-import-legacy"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Imports the old bench program's tables (Base.db, Master.DB, slave.DB, MasterArhive.db,\n"
      "Slavearhiv.DB in FOLDER) into the program's database, all or nothing: the database of the\n"
      "program directory (the working directory when it holds sources/, else the documents folder;\n"
      "sources/database.ini is honoured), or the PostgreSQL server DATABASE_INI names. Prints the rows\n"
      "read, imported and skipped per table and every problem."));
  const QCommandLineOption check(
      QStringLiteral("check"),
      QStringLiteral("Read and check everything, print the summary, write nothing."));
  const QCommandLineOption renameBases(
      QStringLiteral("rename-bases"),
      QStringLiteral("Import a base whose name is taken as \"name (импорт)\" instead of refusing."));
  parser.addOption(check);
  parser.addOption(renameBases);
  parser.addPositionalArgument(QStringLiteral("FOLDER"),
                               QStringLiteral("The old program's folder of tables."));
  parser.addPositionalArgument(QStringLiteral("DATABASE_INI"),
                               QStringLiteral("Optional: settings naming the server database."),
                               "[DATABASE_INI]");
  if (const std::optional<int> exitCode = tool_command_line::parse(parser, app, 1, 2)) return *exitCode;
  return run(parser, parser.isSet(check), parser.isSet(renameBases));
}
