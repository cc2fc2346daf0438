#include "support/TestDatabase.h"

#include "settings/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <stdexcept>

namespace TestDatabase {
namespace {

const QString kAdminConnection = QStringLiteral("vt3417-test-admin");

struct ServerState {
  bool readable = false;
  QString host;
  int port = 0;
  QString user;
};

ServerState ReadState() {
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
  }
  state.readable = !state.host.isEmpty() && state.port > 0;
  return state;
}

const ServerState& State() {
  static const ServerState state = ReadState();
  return state;
}

QString ProcessDatabaseName() {
  return QStringLiteral("vt3417_test_%1").arg(QCoreApplication::applicationPid());
}

[[noreturn]] void Fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

void Run(QSqlDatabase& db, const QString& sql) {
  QSqlQuery query(db);
  if (!query.exec(sql)) Fail(QStringLiteral("%1: %2").arg(sql, query.lastError().text()));
}

// A connection of the tests' own to a database of the server.
QSqlDatabase AdminConnection(const QString& databaseName) {
  if (QSqlDatabase::contains(kAdminConnection)) {
    QSqlDatabase db = QSqlDatabase::database(kAdminConnection, false);
    if (db.databaseName() == databaseName && db.isOpen()) return db;
    db.close();
  }
  QSqlDatabase db = QSqlDatabase::contains(kAdminConnection)
                        ? QSqlDatabase::database(kAdminConnection, false)
                        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdminConnection);
  db.setHostName(State().host);
  db.setPort(State().port);
  db.setUserName(State().user);
  db.setDatabaseName(databaseName);
  if (!db.open()) Fail(QStringLiteral("test server: %1").arg(db.lastError().text()));
  Run(db, QStringLiteral("set client_min_messages = warning"));
  return db;
}

bool& ProcessDatabaseMade() {
  static bool made = false;
  return made;
}

}  // namespace

bool UsesPostgres() {
  return qEnvironmentVariable("VT3417_TEST_DATABASE").compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0;
}

QString UnavailableReason() {
  if (!UsesPostgres()) return {};
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
    return QStringLiteral("Qt's PostgreSQL driver QPSQL is missing (package libqt6sql6-psql)");
  if (!State().readable)
    return QStringLiteral("no PostgreSQL test server (state file '%1' missing or 'unavailable'; "
                          "the server binaries come with the package postgresql)")
        .arg(qEnvironmentVariable("VT3417_TEST_POSTGRES_STATE"));
  return {};
}

DatabaseSettings ServerSettings() {
  DatabaseSettings settings;
  settings.engine = DatabaseSettings::Engine::Postgresql;
  settings.host = State().host;
  settings.port = State().port;
  settings.user = State().user;
  settings.name = ProcessDatabaseName();
  return settings;
}

void PrepareEmptyDatabase(const QString& programDir) {
  if (!UsesPostgres()) return;
  if (const QString reason = UnavailableReason(); !reason.isEmpty()) Fail(reason);
  if (!ProcessDatabaseMade()) {
    QSqlDatabase server = AdminConnection(QStringLiteral("postgres"));
    Run(server, QStringLiteral("drop database if exists %1 with (force)").arg(ProcessDatabaseName()));
    Run(server, QStringLiteral("create database %1").arg(ProcessDatabaseName()));
    ProcessDatabaseMade() = true;
  }
  QSqlDatabase db = AdminConnection(ProcessDatabaseName());
  // A connection a test left open in a transaction would block the reset for
  // ever; better a clear failure.
  Run(db, QStringLiteral("set lock_timeout = '20s'"));
  Run(db, QStringLiteral("drop schema if exists public cascade"));
  Run(db, QStringLiteral("create schema public"));

  const DatabaseSettings settings = ServerSettings();
  QDir(programDir).mkpath(QStringLiteral("sources"));
  // Written as plain text: the program reads the file afresh, and so must a test that rewrites it.
  QFile ini(QDir(programDir).filePath(QStringLiteral("sources/database.ini")));
  if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail(QStringLiteral("cannot write ") + ini.fileName());
  ini.write(QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=%2\nname=%3\nuser=%4\n")
                .arg(settings.host)
                .arg(settings.port)
                .arg(settings.name, settings.user)
                .toUtf8());
}

std::unique_ptr<Connection> OpenAnotherConnection(const QString& connectionName) {
  return OpenDatabase(ReadDatabaseSettings(DatabaseSettingsPath()), ProgramDatabasePath(), connectionName);
}

void DropProcessDatabase() {
  if (!ProcessDatabaseMade()) return;
  {
    QSqlDatabase server = AdminConnection(QStringLiteral("postgres"));
    QSqlQuery query(server);
    query.exec(QStringLiteral("drop database if exists %1 with (force)").arg(ProcessDatabaseName()));
    server.close();
  }
  QSqlDatabase::removeDatabase(kAdminConnection);
  ProcessDatabaseMade() = false;
}

void RefuseWrites(Connection& connection, bool refuse) {
  if (connection.isPostgres()) {
    connection.execute({refuse ? QStringLiteral("set session characteristics as transaction read only")
                               : QStringLiteral("set session characteristics as transaction read write"),
                        {}, {}});
  } else {
    connection.execute({refuse ? QStringLiteral("pragma query_only = 1") : QStringLiteral("pragma query_only = 0"), {}, {}});
  }
}

}  // namespace TestDatabase
