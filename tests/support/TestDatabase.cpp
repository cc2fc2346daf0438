#include "support/TestDatabase.h"

#include "settings/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <stdexcept>

#include <signal.h>

namespace TestDatabase {
namespace {

const QString kAdminConnection = QStringLiteral("vt3417-test-admin");

struct ServerState {
  bool readable = false;
  QString host;
  int port = 0;
  QString user;
  QString folder;
};

ServerState readState() {
  ServerState state;
  QFile file(qEnvironmentVariable("VT3417_TEST_POSTGRES_STATE"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return state;
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) continue;
    const QString key = line.left(equals);
    const QString value = line.mid(equals + 1);
    if (key == QLatin1String("host")) state.host = value;
    if (key == QLatin1String("port")) state.port = value.toInt();
    if (key == QLatin1String("user")) state.user = value;
    if (key == QLatin1String("folder")) state.folder = value;
  }
  state.readable = !state.host.isEmpty() && state.port > 0;
  return state;
}

const ServerState& state() {
  static const ServerState state = readState();
  return state;
}

QString processDatabaseName() {
  return QStringLiteral("vt3417_test_%1").arg(QCoreApplication::applicationPid());
}

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

void run(QSqlDatabase& db, const QString& sql) {
  QSqlQuery query(db);
  if (!query.exec(sql)) fail(QStringLiteral("%1: %2").arg(sql, query.lastError().text()));
}

// A connection of the tests' own to a database of the server.
QSqlDatabase adminConnection(const QString& databaseName) {
  if (QSqlDatabase::contains(kAdminConnection)) {
    QSqlDatabase db = QSqlDatabase::database(kAdminConnection, false);
    if (db.databaseName() == databaseName && db.isOpen()) return db;
    db.close();
  }
  QSqlDatabase db = QSqlDatabase::contains(kAdminConnection)
                        ? QSqlDatabase::database(kAdminConnection, false)
                        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdminConnection);
  db.setHostName(state().host);
  db.setPort(state().port);
  db.setUserName(state().user);
  db.setDatabaseName(databaseName);
  if (!db.open()) fail(QStringLiteral("test server: %1").arg(db.lastError().text()));
  run(db, QStringLiteral("set client_min_messages = warning"));
  return db;
}

bool& processDatabaseMade() {
  static bool made = false;
  return made;
}

}  // namespace

bool usesPostgres() {
  return qEnvironmentVariable("VT3417_TEST_DATABASE")
             .compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0;
}

QString unavailableReason() {
  if (!usesPostgres()) return {};
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
    return QStringLiteral("Qt's PostgreSQL driver QPSQL is missing (package libqt6sql6-psql)");
  if (!state().readable)
    return QStringLiteral(
               "no PostgreSQL test server (state file '%1' missing or 'unavailable'; "
               "the server binaries come with the package postgresql)")
        .arg(qEnvironmentVariable("VT3417_TEST_POSTGRES_STATE"));
  return {};
}

DatabaseSettings serverSettings() {
  DatabaseSettings settings;
  settings.engine = DatabaseSettings::Engine::Postgresql;
  settings.host = state().host;
  settings.port = state().port;
  settings.user = state().user;
  settings.name = processDatabaseName();
  return settings;
}

void prepareEmptyDatabase(const QString& programDir) {
  if (!usesPostgres()) return;
  if (const QString reason = unavailableReason(); !reason.isEmpty()) fail(reason);
  if (!processDatabaseMade()) {
    QSqlDatabase server = adminConnection(QStringLiteral("postgres"));
    run(server, QStringLiteral("drop database if exists %1 with (force)").arg(processDatabaseName()));
    run(server, QStringLiteral("create database %1").arg(processDatabaseName()));
    processDatabaseMade() = true;
  }
  QSqlDatabase db = adminConnection(processDatabaseName());
  // A connection a test left open in a transaction would block the reset for
  // ever; better a clear failure.
  run(db, QStringLiteral("set lock_timeout = '20s'"));
  run(db, QStringLiteral("drop schema if exists public cascade"));
  run(db, QStringLiteral("create schema public"));

  const DatabaseSettings settings = serverSettings();
  QDir(programDir).mkpath(QStringLiteral("sources"));
  // Written as plain text: the program reads the file afresh, and so must a test that rewrites it.
  QFile ini(QDir(programDir).filePath(QStringLiteral("sources/database.ini")));
  if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
    fail(QStringLiteral("cannot write ") + ini.fileName());
  ini.write(QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=%2\nname=%3\nuser=%4\n")
                .arg(settings.host)
                .arg(settings.port)
                .arg(settings.name, settings.user)
                .toUtf8());
}

std::unique_ptr<Connection> openAnotherConnection(const QString& connectionName) {
  return openDatabase(readDatabaseSettings(databaseSettingsPath()), programDatabasePath(), connectionName);
}

void dropProcessDatabase() {
  if (!processDatabaseMade()) return;
  {
    QSqlDatabase server = adminConnection(QStringLiteral("postgres"));
    QSqlQuery query(server);
    query.exec(QStringLiteral("drop database if exists %1 with (force)").arg(processDatabaseName()));
    server.close();
  }
  QSqlDatabase::removeDatabase(kAdminConnection);
  processDatabaseMade() = false;
}

void runAsSuperuser(const QString& sql, const QString& database) {
  QSqlDatabase db = adminConnection(database);
  run(db, sql);
}

void controlServer(const QString& command) {
  if (QSqlDatabase::contains(kAdminConnection)) QSqlDatabase::database(kAdminConnection, false).close();
  QProcess script;
  script.start(QStringLiteral(VT3417_SOURCE_DIR "/tests/support/postgres-cluster"),
               {command, qEnvironmentVariable("VT3417_TEST_POSTGRES_STATE")});
  if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit ||
      script.exitCode() != 0)
    fail(QStringLiteral("postgres-cluster %1 failed: %2")
             .arg(command, QString::fromLocal8Bit(script.readAllStandardError())));
}

void freezeServer(bool freeze) {
  QFile pidFile(state().folder + QStringLiteral("/data/postmaster.pid"));
  if (!pidFile.open(QIODevice::ReadOnly)) fail(QStringLiteral("the test server is not running"));
  const QByteArray main = pidFile.readLine().trimmed();
  QList<pid_t> processes{pid_t(main.toLongLong())};
  // The server's other processes are the main one's children ("pid (name) state ppid ...").
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1 && fields[1] == main) processes << pid_t(entry.toLongLong());
  }
  for (const pid_t process : processes) ::kill(process, freeze ? SIGSTOP : SIGCONT);
  if (!freeze) return;
  // Let go again after a while whatever becomes of this process, so that a
  // test that hangs or aborts never leaves the server stopped for the others.
  QStringList pids;
  for (const pid_t process : processes) pids << QString::number(process);
  // Its output goes nowhere: holding the test's own, it would keep CTest waiting.
  QProcess thaw;
  thaw.setProgram(QStringLiteral("/bin/sh"));
  thaw.setArguments({QStringLiteral("-c"), QStringLiteral("sleep 30; kill -CONT %1").arg(pids.join(' '))});
  thaw.setStandardInputFile(QProcess::nullDevice());
  thaw.setStandardOutputFile(QProcess::nullDevice());
  thaw.setStandardErrorFile(QProcess::nullDevice());
  thaw.startDetached();
}

void refuseWrites(Connection& connection, bool refuse) {
  if (connection.isPostgres()) {
    connection.execute({refuse ? QStringLiteral("set session characteristics as transaction read only")
                               : QStringLiteral("set session characteristics as transaction read write"),
                        {},
                        {}});
  } else {
    connection.execute(
        {refuse ? QStringLiteral("pragma query_only = 1") : QStringLiteral("pragma query_only = 0"), {}, {}});
  }
}

}  // namespace TestDatabase
