#include "database/Connection.h"

#include "database/Schema.h"
#include "settings/ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>

#include <libpq-fe.h>

#include <algorithm>
#include <stdexcept>

namespace {

// Prepared statements kept; the program uses a few dozen shapes.
constexpr qsizetype kPreparedLimit = 100;

[[noreturn]] void throwError(const QString& text) { throw std::runtime_error(text.toStdString()); }

// How often work that clashed with another connection is tried in all. On
// PostgreSQL a clash is told at once and the work is run again; SQLite has
// already waited for the other program as long as the busy timeout allows, so
// a clash there is told to the operator, not waited for twenty times again.
constexpr int kServerAttempts = 20;
constexpr int kFileAttempts = 1;
// How often programs starting at once on a new SQLite file try to set it up.
constexpr int kStartAttempts = 20;

// SQLite's primary result codes of the failures an operator can do something
// about (the driver reports extended codes; the low byte is the primary one).
enum SqliteCode {
  SqlitePerm = 3,
  SqliteBusy = 5,
  SqliteLocked = 6,
  SqliteReadOnly = 8,
  SqliteIoError = 10,
  SqliteCorrupt = 11,
  SqliteFull = 13,
  SqliteCantOpen = 14,
  SqliteNotADatabase = 26,
};

// The engine's reason in the operator's words; empty for faults of the program
// itself (a statement the engine does not understand), told in its own text.
QString operatorReason(const QSqlError& error) {
  bool isNumber = false;
  const int code = error.nativeErrorCode().toInt(&isNumber);
  if (!isNumber) return {};
  switch (code & 0xff) {
    case SqlitePerm:
      return QStringLiteral("нет доступа к файлу базы данных");
    case SqliteBusy:
    case SqliteLocked:
      return QStringLiteral("база данных заблокирована другим процессом");
    case SqliteReadOnly:
      return QStringLiteral("база данных доступна только для чтения, изменения не сохранены");
    case SqliteIoError:
      return QStringLiteral("ошибка ввода-вывода при работе с файлом");
    case SqliteCorrupt:
      return QStringLiteral("файл базы данных повреждён");
    case SqliteFull:
      return QStringLiteral(
          "диск заполнен. Изменение не сохранено, сохранённые ранее данные не потеряны; "
          "освободите место на диске и сохраните снова");
    case SqliteCantOpen:
      return QStringLiteral("файл не удаётся открыть");
    case SqliteNotADatabase:
      return QStringLiteral("файл не является базой данных");
    default:
      return {};
  }
}

// The operator's words with the file for the SQLite failures an operator can
// act on (filePath empty: a server database, told in the server's words).
QString errorText(const QSqlError& error, const QString& filePath = {}) {
  if (!filePath.isEmpty())
    if (const QString reason = operatorReason(error); !reason.isEmpty())
      return QStringLiteral("База данных \"%1\": %2.").arg(QDir::toNativeSeparators(filePath), reason);
  const QString text = error.text().trimmed();
  return text.isEmpty() ? QStringLiteral("Ошибка базы данных.") : text;
}

// A short pause before trying again, longer with every attempt and of chance
// length, so that the programs that clashed do not clash again in step.
void waitBeforeAttempt(int attempt) {
  const int longest = std::min(10 * attempt * attempt, 400);
  QThread::msleep(unsigned(longest / 2 + QRandomGenerator::global()->bounded(longest / 2 + 1)));
}

// PostgreSQL's SQLSTATEs of a broken connection: none at all (the driver lost
// the socket), class 08 (connection exception) and the server shutting down.
bool isConnectionLoss(const QString& code) {
  return code.isEmpty() || code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
         code == QLatin1String("57P02") || code == QLatin1String("57P03");
}

// The server's own words, without the driver's English frame.
QString serverReason(const QSqlError& error) {
  const QString text = error.databaseText().trimmed();
  return text.isEmpty() ? error.text().trimmed() : text;
}

// Whether PostgreSQL can prepare the statement (PREPARE takes these only).
bool isPreparable(const QString& sql) {
  const QString first = sql.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
  static const QStringList preparable{"select", "insert", "update", "delete", "with", "values"};
  return preparable.contains(first);
}

}  // namespace

DatabaseError::DatabaseError(const QString& text, QString code, bool conflict, bool duplicateKey,
                             bool connectionLost)
    : std::runtime_error(text.toStdString()),
      code_(std::move(code)),
      conflict_(conflict),
      duplicateKey_(duplicateKey),
      connectionLost_(connectionLost) {}

Connection::Connection(QString connectionName, bool createdFresh, QString filePath)
    : connectionName_(std::move(connectionName)),
      filePath_(std::move(filePath)),
      createdFresh_(createdFresh) {}

std::unique_ptr<Connection> Connection::openSqliteFile(const QString& filePath,
                                                       const QString& connectionName) {
  // An empty file (a copy that never got its first page) is a new database too.
  const QFileInfo file(filePath);
  const bool fresh = !file.exists() || (file.isFile() && file.size() == 0);
  if (fresh) QDir().mkpath(QFileInfo(filePath).absolutePath());
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(filePath);
    if (!db.open()) {
      const QString reason = operatorReason(db.lastError());
      const QString error = reason.isEmpty() ? errorText(db.lastError()) : reason;
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName);
      throwError(QStringLiteral("Не удалось открыть базу данных %1: %2")
                     .arg(QDir::toNativeSeparators(filePath), error));
    }
  }
  std::unique_ptr<Connection> connection(new Connection(connectionName, false, filePath));
  // Programs starting at once on a new file meet while one of them turns it to
  // WAL or creates the tables: SQLite refuses the others at once instead of
  // letting them wait (they could wait for each other), so they try again. A
  // file left without tables by a failure is taken as new at the next start;
  // it is never deleted here, since another program may be working on it.
  for (int attempt = 1;; ++attempt) {
    try {
      connection->applyDurabilitySettings();
      // A file without any table yet is new too: another program that started
      // a moment before may be creating the tables right now (its file is no
      // longer empty, its tables not yet committed). Waiting for it here finds
      // them made; a file with other tables is left to the start-up checks.
      if (fresh || connection->hasNoTables()) connection->createMissingTables();
      return connection;
    } catch (const DatabaseError& error) {
      if (!error.isConflict() || attempt >= kStartAttempts) throw;
    }
    waitBeforeAttempt(attempt);
  }
}

std::unique_ptr<Connection> Connection::openSqliteFileToRead(const QString& filePath,
                                                             const QString& connectionName) {
  const QString shown = QDir::toNativeSeparators(filePath);
  const QFileInfo file(filePath);
  if (file.isDir()) throwError(QStringLiteral("%1 является папкой, а не файлом базы данных.").arg(shown));
  if (!file.exists()) throwError(QStringLiteral("Файл %1 не найден.").arg(shown));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
      const QString error = errorText(db.lastError(), filePath);
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName);
      throwError(QStringLiteral("Не удалось открыть базу данных %1: %2").arg(shown, error));
    }
  }
  std::unique_ptr<Connection> connection(new Connection(connectionName, false, filePath));
  if (connection->programTableCount() < Schema::tables().size())
    throwError(
        QStringLiteral("В файле %1 нет таблиц программы (base, master, slave, masterarhive, Slavearhiv).")
            .arg(shown));
  return connection;
}

std::unique_ptr<Connection> Connection::openPostgres(const DatabaseSettings& settings,
                                                     const QString& connectionName) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!db.isValid()) {
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName);
      throwError(QStringLiteral("Не удалось подключиться к базе данных на сервере %1 (файл %2): "
                                "драйвер PostgreSQL (QPSQL) не установлен.")
                     .arg(settings.serverText(), QDir::toNativeSeparators(settings.sourceFile)));
    }
    db.setHostName(settings.host);
    if (settings.port > 0) db.setPort(settings.port);
    db.setDatabaseName(settings.name);
    db.setUserName(settings.user);
    db.setPassword(settings.password);
    db.setConnectOptions(settings.connectOptions());
    if (!db.open()) {
      const QString reason = errorText(db.lastError());
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName);
      throwError(QStringLiteral("Не удалось подключиться к базе данных %1 на сервере %2 (файл %3): %4")
                     .arg(settings.name, settings.serverText(), QDir::toNativeSeparators(settings.sourceFile),
                          reason));
    }
  }
  std::unique_ptr<Connection> connection(new Connection(connectionName, false));
  connection->serverText_ = QStringLiteral("%1 (база %2)").arg(settings.serverText(), settings.name);
  connection->timeoutSeconds_ = settings.timeoutSeconds;
  connection->watchdog_ = std::make_unique<ServerWatchdog>(std::chrono::seconds(settings.timeoutSeconds));
  try {
    connection->createMissingTables();
  } catch (const std::exception& error) {
    connection.reset();
    throwError(QStringLiteral("Не удалось создать таблицы в базе данных %1 на сервере %2 (файл %3): %4")
                   .arg(settings.name, settings.serverText(), QDir::toNativeSeparators(settings.sourceFile),
                        QString::fromUtf8(error.what())));
  }
  return connection;
}

qint64 Connection::programTableCount() {
  QStringList names;
  for (const TableDef* table : Schema::tables()) names << table->name.toLower();
  const QString sql =
      // pg_tables lists tables whatever the user's rights on them (another
      // user's tables are there; the start-up tells the missing rights).
      isPostgres() ? QStringLiteral(
                         "select count(*) from pg_catalog.pg_tables "
                         "where schemaname = coalesce(current_schema(), 'public') "
                         "and lower(tablename) in (?, ?, ?, ?, ?)")
                   : QStringLiteral(
                         "select count(*) from sqlite_master "
                         "where type = 'table' and lower(name) in (?, ?, ?, ?, ?)");
  QSqlQuery query = execute({sql, {names[0], names[1], names[2], names[3], names[4]}, {}});
  const qint64 count = query.next() ? query.value(0).toLongLong() : 0;
  recycle(std::move(query));
  return count;
}

bool Connection::hasNoTables() {
  QSqlQuery query =
      execute({QStringLiteral("select count(*) from sqlite_master where type = 'table'"), {}, {}});
  const bool none = query.next() && query.value(0).toLongLong() == 0;
  recycle(std::move(query));
  return none;
}

void Connection::createMissingTables() {
  // A database with some of the tables is left as it is: the start-up checks
  // name what is missing.
  if (programTableCount() > 0) return;
  // Programs starting at once on a new database create the tables once: the
  // later ones wait, find them made and leave them.
  bool created = false;
  runTransaction([this, &created] {
    created = false;
    if (isPostgres()) execute({QStringLiteral("select pg_advisory_xact_lock(3417)"), {}, {}}).finish();
    if (programTableCount() > 0) return;
    for (const TableDef* table : Schema::tables())
      for (const QString& sql : Schema::createStatements(*table, driverName()))
        execute({sql, {}, table->name});
    created = true;
  });
  createdFresh_ = created;
}

Connection::~Connection() {
  {
    // Freeing the prepared statements talks to the server; one that stopped
    // answering must not hold the program's end.
    const ServerWatchdog::Watch watch = watchServer();
    prepared_.clear();
  }
  {
    QSqlDatabase db = database();
    db.close();
  }
  QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase Connection::database() const { return QSqlDatabase::database(connectionName_, false); }

QString Connection::driverName() const { return database().driverName(); }

bool Connection::isPostgres() const { return driverName().startsWith(QLatin1String("QPSQL")); }

int Connection::attempts() const { return isPostgres() ? kServerAttempts : kFileAttempts; }

ServerWatchdog::Watch Connection::watchServer() const {
  return ServerWatchdog::Watch(watchdog_.get(), watchdog_ ? serverSocket() : -1);
}

qintptr Connection::serverSocket() const {
  const QVariant handle = database().driver()->handle();
  // Qt's driver hands out libpq's connection; its type is named after the struct.
  const char* type = handle.typeName();
  if (qstrcmp(type, "pg_conn*") != 0 && qstrcmp(type, "PGconn*") != 0) return -1;
  const PGconn* server = *static_cast<PGconn* const*>(handle.constData());
  return server ? PQsocket(server) : -1;
}

void Connection::beginTransaction() {
  if (isPostgres()) {
    const ServerWatchdog::Watch watch = watchServer();
    if (!database().transaction()) fail(database().lastError());
    return;
  }
  // A deferred SQLite transaction that reads first is refused at its first
  // write, without waiting, when another program writes meanwhile; "begin
  // immediate" takes the write lock at once and waits for it like any statement.
  QSqlQuery query(database());
  if (!query.exec(QStringLiteral("begin immediate"))) fail(query.lastError());
}

void Connection::applyDurabilitySettings() {
  // WAL with synchronous=FULL: every commit is on disk when it returns (a
  // posted row survives a crash right after), and readers never block writers.
  // Where WAL is not available the rollback journal with FULL is just as safe.
  // Another program may hold the file a moment: wait for it from the first statement.
  execute({QStringLiteral("pragma busy_timeout = 5000"), {}, {}});
  execute({QStringLiteral("pragma journal_mode = wal"), {}, {}});
  execute({QStringLiteral("pragma synchronous = full"), {}, {}});
  // "like" compares by character code, as on PostgreSQL: a type prefix
  // matches the same archived meters on both engines.
  execute({QStringLiteral("pragma case_sensitive_like = on"), {}, {}});
}

QSqlQuery Connection::prepared(const QString& sql) {
  // A prepared statement is lent out while in use and comes back through
  // recycle(), so that no two readers ever share one.
  if (auto found = prepared_.find(sql); found != prepared_.end()) {
    QSqlQuery query = std::move(found.value());
    prepared_.erase(found);
    return query;
  }
  QSqlQuery query(database());
  query.setForwardOnly(true);
  if (!query.prepare(sql)) fail(query.lastError());
  return query;
}

void Connection::fail(const QSqlError& error) const {
  const QString code = error.nativeErrorCode();
  bool conflict = false;
  bool duplicateKey = false;
  if (isPostgres()) {
    // The watchdog cut the connection: the server did not answer in time.
    // Not run again on a new connection at once: a server that is silent now
    // would leave the operator waiting a second time.
    if (watchdog_ && watchdog_->expired()) throw DatabaseError(noAnswerText(), code, false, false);
    if (isConnectionLoss(code))
      throw DatabaseError(noConnectionText(serverReason(error)), code, false, false, true);
    // query_canceled: the statement timeout of the connection options.
    if (code == QLatin1String("57014")) throw DatabaseError(noAnswerText(), code, false, false);
    // serialization_failure, deadlock_detected; unique_violation
    conflict = code == QLatin1String("40001") || code == QLatin1String("40P01");
    duplicateKey = code == QLatin1String("23505");
  } else {
    // SQLITE_BUSY and SQLITE_LOCKED with their extended codes; a unique index's
    // SQLITE_CONSTRAINT_UNIQUE (2067) or the plain constraint code with its text.
    bool ok = false;
    const int number = code.toInt(&ok);
    conflict = ok && ((number & 0xff) == 5 || (number & 0xff) == 6);
    duplicateKey = number == 2067 || number == 1555 ||
                   (number == 19 && error.databaseText().contains(QLatin1String("UNIQUE")));
  }
  throw DatabaseError(errorText(error, filePath_), code, conflict, duplicateKey);
}

QString Connection::noConnectionText(const QString& reason) const {
  QString text = QStringLiteral("Нет связи с сервером базы данных %1").arg(serverText_);
  if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
  return text + QStringLiteral("\nИзменение не сохранено. Проверьте сеть и сервер и повторите действие.");
}

QString Connection::noAnswerText() const {
  return QStringLiteral(
             "Сервер базы данных %1 не ответил за %2 с. Изменение не сохранено; "
             "проверьте сеть и сервер и повторите действие.")
      .arg(serverText_)
      .arg(timeoutSeconds_);
}

void Connection::reconnect() {
  {
    const ServerWatchdog::Watch watch = watchServer();
    prepared_.clear();
  }
  QSqlDatabase db = database();
  db.close();
  if (!db.open()) {
    const QSqlError error = db.lastError();
    throw DatabaseError(noConnectionText(serverReason(error)), error.nativeErrorCode(), false, false, true);
  }
}

void Connection::recycle(QSqlQuery&& query) {
  query.finish();
  if (prepared_.size() >= kPreparedLimit) prepared_.clear();
  const QString sql = query.lastQuery();
  prepared_.insert(sql, std::move(query));
}

void Connection::run(const Statement& statement) { recycle(executeWrite(statement)); }

QSqlQuery Connection::execute(const Statement& statement) {
  // On its own a statement that clashed changed nothing and is run again;
  // inside a transaction the whole transaction must be (runTransaction). A
  // statement on its own whose connection broke is run once more on a new one.
  bool reconnected = false;
  for (int attempt = 1;; ++attempt) {
    try {
      if (transactionDepth_ == 0 && isPostgres() && !database().isOpen()) {
        reconnected = true;
        reconnect();
      }
      return executeOnce(statement);
    } catch (const DatabaseError& error) {
      if (error.isConnectionLost() && transactionDepth_ == 0 && !reconnected) {
        reconnected = true;
        reconnect();
        continue;
      }
      if (!error.isConflict() || transactionDepth_ > 0 || attempt >= attempts()) throw;
    }
    waitBeforeAttempt(attempt);
  }
}

QSqlQuery Connection::executeOnce(const Statement& statement) {
  const ServerWatchdog::Watch watch = watchServer();
  if (statement.values.isEmpty() && isPostgres() && !isPreparable(statement.sql)) {
    // PostgreSQL prepares only queries and row changes; creating a table,
    // "vacuum" and the like are sent as they are (they have no values).
    QSqlQuery query(database());
    if (!query.exec(statement.sql)) fail(query.lastError());
    return query;
  }
  QSqlQuery query = prepared(statement.sql);
  for (qsizetype i = 0; i < statement.values.size(); ++i) query.bindValue(int(i), statement.values[i]);
  if (!query.exec()) {
    const QSqlError error = query.lastError();
    // Kept for the next run: freeing it inside a failed PostgreSQL transaction
    // would itself fail and leave it on the server.
    recycle(std::move(query));
    fail(error);
  }
  return query;
}

void Connection::runTransaction(const std::function<void()>& work, const std::function<void()>& afterRollback,
                                bool retryDuplicateKey) {
  if (transactionDepth_ > 0) return work();
  bool reconnected = false;
  for (int attempt = 1;; ++attempt) {
    try {
      if (isPostgres() && !database().isOpen()) {
        reconnected = true;
        reconnect();
      }
      Transaction transaction(*this);
      work();
      transaction.commit();
      return;
    } catch (const DatabaseError& error) {
      if (afterRollback) afterRollback();
      if (error.isConnectionLost() && !reconnected) {
        // The work in flight runs once more, on a fresh connection.
        reconnected = true;
        reconnect();
        continue;
      }
      const bool again = error.isConflict() || (retryDuplicateKey && error.isDuplicateKey());
      if (!again || attempt >= attempts()) throw;
    } catch (...) {
      if (afterRollback) afterRollback();
      throw;
    }
    waitBeforeAttempt(attempt);
  }
}

QSqlQuery Connection::executeWrite(const Statement& statement) {
  aboutToWrite(statement.table);
  return execute(statement);
}

void Connection::aboutToWrite(const QString& table) {
  // A reader may add or drop readers while completing; walk a copy.
  const std::vector<PendingReader*> readers = readers_;
  for (PendingReader* reader : readers)
    if (std::find(readers_.begin(), readers_.end(), reader) != readers_.end()) reader->completeReadsOf(table);
}

void Connection::addReader(PendingReader* reader) { readers_.push_back(reader); }

void Connection::removeReader(PendingReader* reader) { std::erase(readers_, reader); }

Connection::Transaction::Transaction(Connection& connection)
    : connection_(connection), outermost_(connection.transactionDepth_ == 0) {
  if (outermost_) {
    connection_.beginTransaction();
    connection_.transactionDoomed_ = false;
  }
  ++connection_.transactionDepth_;
}

Connection::Transaction::~Transaction() {
  --connection_.transactionDepth_;
  if (done_) return;
  if (outermost_) {
    const ServerWatchdog::Watch watch = connection_.watchServer();
    connection_.database().rollback();
  } else {
    connection_.transactionDoomed_ = true;
  }
}

void Connection::Transaction::commit() {
  if (done_) return;
  done_ = true;
  if (!outermost_) return;
  if (connection_.transactionDoomed_) {
    const ServerWatchdog::Watch watch = connection_.watchServer();
    connection_.database().rollback();
    throwError(QStringLiteral("Изменения отменены: часть их не удалось сохранить."));
  }
  if (!connection_.isPostgres()) {
    // Committed by statement, so that a refusal (a disk that fills while the
    // journal is written) comes with the engine's code, told in Russian.
    QSqlQuery commit(connection_.database());
    if (!commit.exec(QStringLiteral("commit"))) {
      const QSqlError error = commit.lastError();
      QSqlQuery(connection_.database()).exec(QStringLiteral("rollback"));
      connection_.fail(error);
    }
    return;
  }
  const ServerWatchdog::Watch watch = connection_.watchServer();
  if (!connection_.database().commit()) {
    const QSqlError error = connection_.database().lastError();
    connection_.database().rollback();
    connection_.fail(error);
  }
}

QString programDatabasePath() { return programPath(QStringLiteral("base/vt3417.sqlite")); }

std::unique_ptr<Connection> openDatabase(const DatabaseSettings& settings, const QString& sqliteFile,
                                         const QString& connectionName) {
  if (settings.engine == DatabaseSettings::Engine::Postgresql)
    return Connection::openPostgres(settings, connectionName);
  return Connection::openSqliteFile(sqliteFile, connectionName);
}

std::unique_ptr<Connection> openProgramDatabase() {
  return openDatabase(readDatabaseSettings(databaseSettingsPath()), programDatabasePath());
}
