#pragma once

#include "database/DatabaseSettings.h"
#include "database/ServerWatchdog.h"
#include "database/Statements.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// The name under which the program's database connection is registered.
inline const QString kDatabaseConnectionName = QStringLiteral("VT3417");

// Something that may hold a half-read result of a table (a dataset fetching
// rows on demand). Before the table is written its reads are completed, so a
// result never mixes rows from before and after a change.
class PendingReader {
 public:
  virtual ~PendingReader() = default;
  virtual void completeReadsOf(const QString& table) = 0;
};

// A statement or commit the engine refused. `code` is the engine's own error
// code (PostgreSQL: the SQLSTATE, "40001"; SQLite: the result code, "5").
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(const QString& text, QString code, bool conflict, bool duplicateKey,
                bool connectionLost = false);
  const QString& code() const { return code_; }
  // The connection to the server broke (a restarted or vanished server):
  // on a fresh connection the same work may well succeed.
  bool isConnectionLost() const { return connectionLost_; }
  // Another connection got in the way (serialization failure, deadlock, a
  // busy file): the same work tried again may well succeed.
  bool isConflict() const { return conflict_; }
  // A unique index refused the row (the same archived meter stored twice).
  bool isDuplicateKey() const { return duplicateKey_; }

 private:
  QString code_;
  bool conflict_;
  bool duplicateKey_;
  bool connectionLost_;
};

// One open database connection. All statements of the program run through
// here: values are bound, failures throw std::runtime_error with the engine's
// text, writes to a table first complete pending reads of it.
//
// Several programs may share one PostgreSQL database: a statement run on its
// own that clashes with another connection (deadlock, serialization failure)
// is run again; a group of writes is tried again as a whole through
// runTransaction. A connection the server broke (a restart) is opened again
// at the next statement: a statement on its own is run again once, a
// transaction through runTransaction once as a whole; when the server cannot
// be reached the operator reads what to do, in Russian.
//
// SQLite runs in WAL mode with synchronous=FULL: a committed row (a posted test
// point) is on disk before the statement returns, so it survives a crash of the
// program or the machine right after.
class Connection {
 public:
  // Opens the SQLite file; creates it with all tables when it does not exist.
  // Throws std::runtime_error when the file cannot be opened or created.
  static std::unique_ptr<Connection> openSqliteFile(const QString& filePath,
                                                    const QString& connectionName = kDatabaseConnectionName);
  // Opens an existing SQLite file only to read it (the file is never changed
  // or created); throws std::runtime_error naming the file when it is no
  // database or lacks any of the program's five tables.
  static std::unique_ptr<Connection> openSqliteFileToRead(const QString& filePath,
                                                          const QString& connectionName);
  // Connects to a PostgreSQL database; creates the five tables when it has
  // none of them (one transaction; two programs starting at once create them
  // once). Throws std::runtime_error naming the settings file and the server,
  // with the server's reason; the password never appears in it.
  static std::unique_ptr<Connection> openPostgres(const DatabaseSettings& settings,
                                                  const QString& connectionName = kDatabaseConnectionName);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  QSqlDatabase database() const;
  QString connectionName() const { return connectionName_; }
  QString driverName() const;
  bool isPostgres() const;
  // How often work that clashed with another program is tried in all.
  int attempts() const;
  // True when this connection created the database file (and its tables).
  bool createdFresh() const { return createdFresh_; }

  // Runs a statement (select or not) with its values bound. Throws on failure.
  QSqlQuery execute(const Statement& statement);
  // Runs a statement that writes `statement.table`; pending reads of that table
  // are completed first.
  QSqlQuery executeWrite(const Statement& statement);
  // executeWrite for a statement whose result nobody reads (delete, update).
  void run(const Statement& statement);
  // Gives back a query that was read to its end, so that its prepared
  // statement serves the next run of the same text.
  void recycle(QSqlQuery&& query);
  // Runs `work` as one transaction. When it clashes with another connection
  // (DatabaseError::isConflict, or a duplicate key when `retryDuplicateKey`)
  // the transaction is rolled back, `afterRollback` runs (datasets read again)
  // and the work is tried anew, a few times. Inside an open transaction the
  // work simply joins it (the outermost one retries).
  void runTransaction(const std::function<void()>& work, const std::function<void()>& afterRollback = {},
                      bool retryDuplicateKey = false);
  // Completes pending reads of a table (before it is written).
  void aboutToWrite(const QString& table);
  // Gives up on the server, for as long as the watch lives, when it leaves the
  // program waiting longer than the timeout of the settings (a server that
  // stops answering); nothing on SQLite. Statements and commits are watched
  // here; a reader fetching rows of a result watches its fetching.
  ServerWatchdog::Watch watchServer() const;

  void addReader(PendingReader* reader);
  void removeReader(PendingReader* reader);

  // All-or-nothing group of writes. Nested guards join the outermost one; the
  // outermost commits on commit(), and rolls back when destroyed uncommitted
  // (an exception left the group), so a cascade never stops half-way.
  class Transaction {
   public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

   private:
    Connection& connection_;
    bool outermost_;
    bool done_ = false;
  };

 private:
  Connection(QString connectionName, bool createdFresh, QString filePath = {});
  // Creates the five tables when the database has none of them.
  void createMissingTables();
  qint64 programTableCount();
  bool hasNoTables();  // SQLite: the file holds no table at all
  QSqlQuery prepared(const QString& sql);
  void applyDurabilitySettings();
  QSqlQuery executeOnce(const Statement& statement);
  // Opens the server connection anew; throws the operator's message when the
  // server cannot be reached.
  void reconnect();
  QString noConnectionText(const QString& reason) const;
  QString noAnswerText() const;
  qintptr serverSocket() const;
  [[noreturn]] void fail(const QSqlError& error) const;
  void beginTransaction();

  QString connectionName_;
  QString filePath_;    // the SQLite file, named in the messages about the database itself
  QString serverText_;  // the server and its database, named when it cannot be reached
  int timeoutSeconds_ = 0;
  bool createdFresh_;
  int transactionDepth_ = 0;
  bool transactionDoomed_ = false;            // an inner group failed: the outermost must not commit
  std::unique_ptr<ServerWatchdog> watchdog_;  // PostgreSQL only
  std::vector<PendingReader*> readers_;
  QHash<QString, QSqlQuery> prepared_;  // statements prepared once, run many times
};

// The program's database file: programPath("base/vt3417.sqlite").
QString programDatabasePath();
// Opens the program's database, the one place where the connection is made:
// the server database named in sources/database.ini, else the SQLite file.
// Throws std::runtime_error with a message for the operator.
std::unique_ptr<Connection> openProgramDatabase();
// Opens the database the settings name (SQLite: `sqliteFile`).
std::unique_ptr<Connection> openDatabase(const DatabaseSettings& settings, const QString& sqliteFile,
                                         const QString& connectionName = kDatabaseConnectionName);
