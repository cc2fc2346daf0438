#pragma once

#include "database/Connection.h"
#include "database/DatabaseSettings.h"

#include <QString>

#include <memory>

// The engine the tests' databases are on. SQLite by default (the file in the
// program directory); with VT3417_TEST_DATABASE=postgresql the throw-away
// server that tests/support/postgres-cluster started, found through its state
// file VT3417_TEST_POSTGRES_STATE. Each test process gets a database of its own
// there, emptied for every new program directory.
namespace TestDatabase {

bool usesPostgres();
// Why the tests cannot run on the chosen engine; empty when they can.
QString unavailableReason();
// This process's server database (PostgreSQL only).
DatabaseSettings serverSettings();
// Gives a fresh program directory an empty database: with PostgreSQL writes
// its sources/database.ini and empties this process's database.
void prepareEmptyDatabase(const QString& programDir);
// Another connection to the program directory's database, as a second bench
// (or a second program on the SQLite file) would have.
std::unique_ptr<Connection> openAnotherConnection(const QString& connectionName);
// Makes the connection's database refuse every write from now on (refuse
// false: take writes again), as a read-only file or server would.
void refuseWrites(Connection& connection, bool refuse);
// Drops this process's server database at the end of the run.
void dropProcessDatabase();

// Runs a statement on the test server as its superuser (roles, databases).
void runAsSuperuser(const QString& sql, const QString& database = QStringLiteral("postgres"));
// The test server itself, for the server faults: "restart" (stop, then start
// again), "down" (stop) or "up" (start again), each done when it returns.
// The tests' own connections to the server are let go first.
void controlServer(const QString& command);
// Stops every process of the test server (SIGSTOP), as a hung server machine
// would: connections stay up and the kernel acknowledges, but nothing answers.
// freeze false lets them go on (SIGCONT); they go on by themselves after 30 s.
void freezeServer(bool freeze);

}  // namespace TestDatabase
