#pragma once

#include <QString>

#include <stdexcept>

// Which database the program works on, from the optional file
// "sources/database.ini" of the program directory:
//
//   [database]
//   driver=postgresql      (or sqlite: the file base/vt3417.sqlite, as without the file)
//   host=db.lab.local
//   port=5432
//   name=vt3417
//   user=bench1
//   password=secret        optional: libpq's ~/.pgpass, PGPASSFILE, PGSERVICE work too
//   sslmode=require        optional, passed on to libpq
//   service=lab            optional, a libpq service name
//   timeout=15             optional, seconds a statement may take before it is given up
struct DatabaseSettings {
  enum class Engine { Sqlite, Postgresql };

  Engine engine = Engine::Sqlite;
  QString host;
  int port = 0;  // 0: libpq's default
  QString name;
  QString user;
  QString password;
  QString sslmode;
  QString service;
  int timeoutSeconds = 15;
  QString sourceFile;  // the file the settings came from; empty without one

  // The server as named in messages: host and port, or the service. Never the password.
  QString serverText() const;
  // libpq options beyond host, port, name, user and password ("sslmode=require;service=lab").
  QString connectOptions() const;
};

// A settings file that cannot be used. The text names the file and what is wrong.
class DatabaseSettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's path: programPath("sources/database.ini").
QString databaseSettingsPath();
// Reads the file once. No file: SQLite. A malformed file, an unknown driver or
// a server database without a name throws DatabaseSettingsError; the program
// then ends rather than work on another database than the lab chose.
DatabaseSettings readDatabaseSettings(const QString& filePath);
