// vt3417-copy-db SQLITE_FILE DATABASE_INI
// Moves a bench to the lab's database server: copies the bench's SQLite
// database into the (empty) database that a database.ini names.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <exception>

#include "DatabaseCopy.h"
#include "database/Connection.h"
#include "database/DatabaseSettings.h"

namespace {

int copy(const QString& sourceFile, const QString& settingsFile, QTextStream& out) {
  // The source is checked before the server is tried, and only ever read.
  const auto source = Connection::openSqliteFileToRead(sourceFile, QStringLiteral("copy source"));
  if (!QFileInfo(settingsFile).isFile())
    throw std::runtime_error(QStringLiteral("Файл %1 не найден.").arg(settingsFile).toStdString());
  const DatabaseSettings settings = readDatabaseSettings(settingsFile);
  if (settings.engine != DatabaseSettings::Engine::Postgresql)
    throw std::runtime_error(QStringLiteral("%1 не называет сервер PostgreSQL (driver=postgresql).")
                                 .arg(settingsFile)
                                 .toStdString());
  const auto target = Connection::openPostgres(settings, QStringLiteral("copy target"));
  qint64 total = 0;
  for (const CopiedTable& table : copyDatabase(*source, *target)) {
    out << table.table << ": " << table.rows << "\n";
    total += table.rows;
  }
  out << "copied " << total << " rows to " << settings.name << " on " << settings.serverText() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vt3417-copy-db"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Copies a bench's measurement database (base/vt3417.sqlite) into the empty PostgreSQL database\n"
      "named by a database.ini ([database] driver=postgresql, host, port, name, user, password).\n"
      "All five tables, every row with its key, in one transaction; a database that already has rows\n"
      "is refused. Prints the rows copied per table."));
  parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("sqlite-file"), QStringLiteral("the bench's database file"));
  parser.addPositionalArgument(QStringLiteral("database-ini"),
                               QStringLiteral("settings naming the server database"));
  parser.process(app);
  QTextStream out(stdout);
  QTextStream err(stderr);
  const QStringList arguments = parser.positionalArguments();
  if (arguments.size() != 2) {
    err << parser.helpText();
    return 2;
  }
  try {
    return copy(arguments[0], arguments[1], out);
  } catch (const std::exception& error) {
    err << "vt3417-copy-db: " << QString::fromUtf8(error.what()) << "\nnothing was copied\n";
    return 1;
  }
}
