#pragma once

#include "database/Statements.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>
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

// One open database connection. All statements of the program run through
// here: values are bound, failures throw std::runtime_error (the database's
// file and the reason in Russian where the operator can act on it: locked,
// read-only, disk full, not a database; else the engine's text), writes to a
// table first complete pending reads of it.
//
// SQLite runs in WAL mode with synchronous=FULL: a committed row (a posted test
// point) is on disk before the statement returns, so it survives a crash of the
// program or the machine right after.
class Connection {
 public:
  // Opens the SQLite file; creates it with all tables when it does not exist or
  // is empty. Throws std::runtime_error when the file cannot be opened or created.
  static std::unique_ptr<Connection> openSqliteFile(const QString& filePath,
                                                    const QString& connectionName = kDatabaseConnectionName);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  QSqlDatabase database() const;
  QString connectionName() const { return connectionName_; }
  QString driverName() const;
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
  // Completes pending reads of a table (before it is written).
  void aboutToWrite(const QString& table);

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
  Connection(QString connectionName, QString filePath, bool createdFresh);
  void createTables();
  QSqlQuery prepared(const QString& sql);
  void applyDurabilitySettings();

  QString connectionName_;
  QString filePath_;  // named in the messages about the database itself
  bool createdFresh_;
  int transactionDepth_ = 0;
  bool transactionDoomed_ = false;  // an inner group failed: the outermost must not commit
  std::vector<PendingReader*> readers_;
  QHash<QString, QSqlQuery> prepared_;  // statements prepared once, run many times
};

// The program's database file: ProgramPath("base/vt3417.sqlite").
QString ProgramDatabasePath();
// Opens the program's database, the one place where the connection is made
// (a shared server database would be chosen here).
std::unique_ptr<Connection> OpenProgramDatabase();
