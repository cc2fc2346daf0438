#include "database/Connection.h"

#include "database/Schema.h"
#include "settings/ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <algorithm>
#include <stdexcept>

namespace {

// Prepared statements kept; the program uses a few dozen shapes.
constexpr qsizetype kPreparedLimit = 100;

[[noreturn]] void Fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

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
QString OperatorReason(const QSqlError& error) {
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
      return QStringLiteral("диск заполнен");
    case SqliteCantOpen:
      return QStringLiteral("файл не удаётся открыть");
    case SqliteNotADatabase:
      return QStringLiteral("файл не является базой данных");
    default:
      return {};
  }
}

QString ErrorText(const QSqlError& error, const QString& filePath) {
  if (const QString reason = OperatorReason(error); !reason.isEmpty())
    return QStringLiteral("База данных \"%1\": %2.").arg(QDir::toNativeSeparators(filePath), reason);
  const QString text = error.text().trimmed();
  return text.isEmpty() ? QStringLiteral("Ошибка базы данных.") : text;
}

}  // namespace

Connection::Connection(QString connectionName, QString filePath, bool createdFresh)
    : connectionName_(std::move(connectionName)), filePath_(std::move(filePath)), createdFresh_(createdFresh) {}

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
      const QString reason = OperatorReason(db.lastError());
      const QString error = reason.isEmpty() ? db.lastError().text().trimmed() : reason;
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName);
      Fail(QStringLiteral("Не удалось открыть базу данных %1: %2")
               .arg(QDir::toNativeSeparators(filePath), error));
    }
  }
  std::unique_ptr<Connection> connection(new Connection(connectionName, filePath, fresh));
  try {
    connection->applyDurabilitySettings();
    if (fresh) connection->createTables();
  } catch (...) {
    connection.reset();
    // A database that could not be set up is not left behind half-made.
    if (fresh) {
      QFile::remove(filePath);
      QFile::remove(filePath + QStringLiteral("-wal"));
      QFile::remove(filePath + QStringLiteral("-shm"));
    }
    throw;
  }
  return connection;
}

Connection::~Connection() {
  prepared_.clear();
  {
    QSqlDatabase db = database();
    db.close();
  }
  QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase Connection::database() const { return QSqlDatabase::database(connectionName_, false); }

QString Connection::driverName() const { return database().driverName(); }

void Connection::applyDurabilitySettings() {
  // WAL with synchronous=FULL: every commit is on disk when it returns (a
  // posted row survives a crash right after), and readers never block writers.
  // Where WAL is not available the rollback journal with FULL is just as safe.
  execute({QStringLiteral("pragma journal_mode = wal"), {}, {}});
  execute({QStringLiteral("pragma synchronous = full"), {}, {}});
  execute({QStringLiteral("pragma busy_timeout = 5000"), {}, {}});
}

void Connection::createTables() {
  Transaction transaction(*this);
  for (const TableDef* table : Schema::Tables())
    for (const QString& sql : Schema::CreateStatements(*table, driverName())) execute({sql, {}, table->name});
  transaction.commit();
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
  if (!query.prepare(sql)) Fail(ErrorText(query.lastError(), filePath_));
  return query;
}

void Connection::recycle(QSqlQuery&& query) {
  query.finish();
  if (prepared_.size() >= kPreparedLimit) prepared_.clear();
  const QString sql = query.lastQuery();
  prepared_.insert(sql, std::move(query));
}

void Connection::run(const Statement& statement) { recycle(executeWrite(statement)); }

QSqlQuery Connection::execute(const Statement& statement) {
  QSqlQuery query = prepared(statement.sql);
  for (qsizetype i = 0; i < statement.values.size(); ++i) query.bindValue(int(i), statement.values[i]);
  if (!query.exec()) {
    const QString error = ErrorText(query.lastError(), filePath_);
    query.finish();
    Fail(error);
  }

  return query;
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
    if (!connection_.database().transaction())
      Fail(ErrorText(connection_.database().lastError(), connection_.filePath_));
    connection_.transactionDoomed_ = false;
  }
  ++connection_.transactionDepth_;
}

Connection::Transaction::~Transaction() {
  --connection_.transactionDepth_;
  if (done_) return;
  if (outermost_)
    connection_.database().rollback();
  else
    connection_.transactionDoomed_ = true;
}

void Connection::Transaction::commit() {
  if (done_) return;
  done_ = true;
  if (!outermost_) return;
  if (connection_.transactionDoomed_) {
    connection_.database().rollback();
    Fail(QStringLiteral("Изменения отменены: часть их не удалось сохранить."));
  }
  if (!connection_.database().commit()) {
    const QString error = ErrorText(connection_.database().lastError(), connection_.filePath_);
    connection_.database().rollback();
    Fail(error);
  }
}

QString ProgramDatabasePath() { return ProgramPath(QStringLiteral("base/vt3417.sqlite")); }

std::unique_ptr<Connection> OpenProgramDatabase() {
  return Connection::openSqliteFile(ProgramDatabasePath());
}
