#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "database/DataModule.h"
#include "database/DatabaseSettings.h"
#include "settings/ProgramDir.h"
#include "settings/SmallFile.h"
#include "support/TempProgramDir.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

// sources/database.ini: which database the program opens, and what the
// operator reads when it cannot.
class DatabaseSettingsTest : public QObject {
  Q_OBJECT
 private slots:
  void serverSettingsAreRead();
  void withoutFileOrWithSqliteTheFileIsUsed();
  void rewrittenFileIsReadAsItIsNow();
  void malformedFileIsRefusedNamingIt_data();
  void malformedFileIsRefusedNamingIt();
  void unreachableServerEndsWithoutFallback();
  void serverReasonIsPassedOn_data();
  void serverReasonIsPassedOn();
  void fileBeyondTheBoundIsRefusedUnread();
  void controlCharacterIsRefusedNamingItsKey_data();
  void controlCharacterIsRefusedNamingItsKey();
  void passwordReachesTheServerAsWritten_data();
  void passwordReachesTheServerAsWritten();
  void wrongPasswordIsToldInTheServersWords();
};

namespace {

void writeIni(const QByteArray& text) {
  QFile file(databaseSettingsPath());
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

}  // namespace

void DatabaseSettingsTest::serverSettingsAreRead() {
  TempProgramDir dir;
  writeIni(
      "[database]\ndriver=postgresql\nhost=db.lab.local\nport=5433\nname=vt3417\nuser=bench1\n"
      "password=\" se cret \"\nsslmode=require\n");
  const DatabaseSettings settings = readDatabaseSettings(databaseSettingsPath());
  QCOMPARE(settings.engine, DatabaseSettings::Engine::Postgresql);
  QCOMPARE(settings.host, QString("db.lab.local"));
  QCOMPARE(settings.port, 5433);
  QCOMPARE(settings.name, QString("vt3417"));
  QCOMPARE(settings.user, QString("bench1"));
  QCOMPARE(settings.password, QString(" se cret "));
  QCOMPARE(settings.serverText(), QString("db.lab.local:5433"));
  QVERIFY(settings.connectOptions().contains("sslmode=require"));
  QVERIFY(!settings.connectOptions().contains("cret"));

  // A libpq service may stand for everything else.
  writeIni("[Database]\nDriver=PostgreSQL\nservice=lab\n");
  const DatabaseSettings service = readDatabaseSettings(databaseSettingsPath());
  QCOMPARE(service.engine, DatabaseSettings::Engine::Postgresql);
  QVERIFY(service.connectOptions().contains("service=lab"));
  QCOMPARE(service.serverText(), QString("service=lab"));
}

void DatabaseSettingsTest::withoutFileOrWithSqliteTheFileIsUsed() {
  TempProgramDir dir;
  QFile::remove(databaseSettingsPath());
  QCOMPARE(readDatabaseSettings(databaseSettingsPath()).engine, DatabaseSettings::Engine::Sqlite);
  writeIni("[database]\ndriver=sqlite\n");
  QCOMPARE(readDatabaseSettings(databaseSettingsPath()).engine, DatabaseSettings::Engine::Sqlite);
  DataModule dm;
  QVERIFY2(dm.connectionError().isEmpty(), qPrintable(dm.connectionError()));
  QCOMPARE(dm.connection()->driverName(), QString("QSQLITE"));
  QVERIFY(QFile::exists(programPath("base/vt3417.sqlite")));
}

void DatabaseSettingsTest::rewrittenFileIsReadAsItIsNow() {
  TempProgramDir dir;
  writeIni("[database]\ndriver=postgresql\nhost=first\nname=vt3417\n");
  const QDateTime written = QFileInfo(databaseSettingsPath()).lastModified();
  QCOMPARE(readDatabaseSettings(databaseSettingsPath()).host, QString("first"));
  // Rewritten to the same size and the same modification time, as within one second.
  writeIni("[database]\ndriver=postgresql\nhost=other\nname=vt3417\n");
  QFile file(databaseSettingsPath());
  QVERIFY(file.open(QIODevice::ReadWrite));
  QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
  file.close();
  QCOMPARE(readDatabaseSettings(databaseSettingsPath()).host, QString("other"));
}

void DatabaseSettingsTest::malformedFileIsRefusedNamingIt_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::newRow("no [database] section") << QByteArray("[db]\ndriver=postgresql\nname=x\n");
  QTest::newRow("unknown driver") << QByteArray("[database]\ndriver=oracle\nname=x\n");
  QTest::newRow("unknown key (typo)") << QByteArray("[database]\ndriver=postgresql\nname=x\nhots=a\n");
  QTest::newRow("port not a number") << QByteArray("[database]\ndriver=postgresql\nname=x\nport=54x\n");
  QTest::newRow("port out of range") << QByteArray("[database]\ndriver=postgresql\nname=x\nport=70000\n");
  QTest::newRow("no database name") << QByteArray("[database]\ndriver=postgresql\nhost=a\n");
  QTest::newRow("blank inside the host") << QByteArray("[database]\ndriver=postgresql\nname=x\nhost=a b\n");
  QTest::newRow("option smuggled into the name")
      << QByteArray("[database]\ndriver=postgresql\nname=x sslmode=disable\n");
  QTest::newRow("list instead of a value") << QByteArray("[database]\ndriver=postgresql\nname=a,b\n");
}

void DatabaseSettingsTest::malformedFileIsRefusedNamingIt() {
  QFETCH(QByteArray, text);
  TempProgramDir dir;
  writeIni(text);
  try {
    readDatabaseSettings(databaseSettingsPath());
    QFAIL("the file was accepted");
  } catch (const DatabaseSettingsError& error) {
    QVERIFY2(QString::fromUtf8(error.what()).contains(QDir::toNativeSeparators(databaseSettingsPath())),
             error.what());
  }
  // The program does not start on the SQLite file instead.
  DataModule dm;
  QVERIFY(!dm.connectionError().isEmpty());
  QVERIFY(!dm.connection());
  QVERIFY(!QFile::exists(programPath("base/vt3417.sqlite")));
}

void DatabaseSettingsTest::unreachableServerEndsWithoutFallback() {
  TempProgramDir dir;
  // Port 1 of this machine: nothing listens there, the refusal comes at once.
  writeIni(
      "[database]\ndriver=postgresql\nhost=127.0.0.1\nport=1\nname=vt3417\nuser=bench1\n"
      "password=Sekret-42\n");
  DataModule dm;
  const QString message = dm.connectionError();
  QVERIFY(!dm.connection());
  QVERIFY2(message.contains(QDir::toNativeSeparators(databaseSettingsPath())), qPrintable(message));
  QVERIFY2(message.contains("127.0.0.1:1"), qPrintable(message));
  QVERIFY2(message.contains("Не удалось подключиться"), qPrintable(message));
  QVERIFY2(!message.contains("Sekret-42"), qPrintable(message));
  QVERIFY(!QFile::exists(programPath("base/vt3417.sqlite")));
  // The start-up messages: the server's reason first, then the five tables.
  const QStringList messages = dm.openTables();
  QCOMPARE(messages.size(), 6);
  QCOMPARE(messages.front(), message);
}

void DatabaseSettingsTest::serverReasonIsPassedOn_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("reason");  // part of the server's or libpq's own words
  QTest::newRow("no such database") << "name"
                                    << "vt3417_missing"
                                    << "does not exist";
  QTest::newRow("sslmode is passed on") << "sslmode"
                                        << "require"
                                        << "SSL";
}

void DatabaseSettingsTest::serverReasonIsPassedOn() {
  QFETCH(QString, key);
  QFETCH(QString, value);
  QFETCH(QString, reason);
  if (!TestDatabase::usesPostgres())
    QSKIP("needs the PostgreSQL test server (runs as test_database_postgresql)");
  TempProgramDir dir;
  QFile ini(databaseSettingsPath());
  QVERIFY(ini.open(QIODevice::Append));
  ini.write(QStringLiteral("%1=%2\n").arg(key, value).toUtf8());  // the last value of a key holds
  ini.close();
  DataModule dm;
  QVERIFY(!dm.connection());
  QVERIFY2(dm.connectionError().contains(reason), qPrintable(dm.connectionError()));
  QVERIFY2(dm.connectionError().contains(TestDatabase::serverSettings().serverText()),
           qPrintable(dm.connectionError()));
}

// A settings file is a few lines: one beyond the bound is not read and the
// program says so, whatever it holds.
void DatabaseSettingsTest::fileBeyondTheBoundIsRefusedUnread() {
  TempProgramDir dir;
  const QByteArray settings("[database]\ndriver=postgresql\nhost=db.lab\nname=vt3417\n#");
  for (const qint64 size : {kSettingsFileMaxBytes, kSettingsFileMaxBytes + 1}) {
    writeIni(settings + QByteArray(size - settings.size() - 1, 'x') + '\n');
    QCOMPARE(QFileInfo(databaseSettingsPath()).size(), size);
    QString refusal;
    try {
      QCOMPARE(readDatabaseSettings(databaseSettingsPath()).host, QString("db.lab"));
    } catch (const DatabaseSettingsError& error) {
      refusal = QString::fromUtf8(error.what());
    }
    if (size <= kSettingsFileMaxBytes) {
      QCOMPARE(refusal, QString());
    } else {
      QVERIFY2(refusal.contains(QDir::toNativeSeparators(databaseSettingsPath())), qPrintable(refusal));
      QVERIFY2(refusal.contains("слишком велик"), qPrintable(refusal));
    }
  }
}

// A control character (a NUL byte, a tab) in a value would reach libpq cut or
// changed: the file is refused, naming the key.
void DatabaseSettingsTest::controlCharacterIsRefusedNamingItsKey_data() {
  QTest::addColumn<QByteArray>("line");
  QTest::addColumn<QString>("key");
  QTest::newRow("NUL in the password") << QByteArray("password=Zq7\0Wx9", 16) << "password";
  QTest::newRow("tab in the password") << QByteArray("password=\"Zq7\tWx9\"") << "password";
  QTest::newRow("escape in the user") << QByteArray("user=bench\x1b") << "user";
  QTest::newRow("DEL in the host") << QByteArray("host=db\x7f") << "host";
}

void DatabaseSettingsTest::controlCharacterIsRefusedNamingItsKey() {
  QFETCH(QByteArray, line);
  QFETCH(QString, key);
  TempProgramDir dir;
  writeIni("[database]\ndriver=postgresql\nname=vt3417\n" + line + "\n");
  try {
    readDatabaseSettings(databaseSettingsPath());
    QFAIL("the file was accepted");
  } catch (const DatabaseSettingsError& error) {
    const QString told = QString::fromUtf8(error.what());
    QVERIFY2(told.contains(QStringLiteral("значение %1 содержит управляющий символ").arg(key)),
             qPrintable(told));
    QVERIFY2(told.contains(QDir::toNativeSeparators(databaseSettingsPath())), qPrintable(told));
    QVERIFY2(!told.contains("Zq7") && !told.contains("Wx9"), qPrintable(told));
  }
}

namespace {

// A login role of the test server that must give a password (its group is
// held to SCRAM by the test server's pg_hba.conf), with a database of its own.
struct PasswordRole {
  QString name = QStringLiteral("vt3417pw_%1").arg(QCoreApplication::applicationPid());
  PasswordRole() {
    drop();
    TestDatabase::runAsSuperuser(QStringLiteral("create role %1 login in role vt3417_password").arg(name));
    TestDatabase::runAsSuperuser(QStringLiteral("create database %1 owner %1").arg(name));
  }
  ~PasswordRole() { drop(); }
  void drop() {
    TestDatabase::runAsSuperuser(QStringLiteral("drop database if exists %1 with (force)").arg(name));
    TestDatabase::runAsSuperuser(QStringLiteral("drop role if exists %1").arg(name));
  }
  void setPassword(const QString& password) {
    QString literal = password;
    literal.replace("'", "''");
    TestDatabase::runAsSuperuser(QStringLiteral("alter role %1 password '%2'").arg(name, literal));
  }
  // sources/database.ini for this role, the password quoted as the INI reader takes it.
  void writeSettings(const QString& password) const {
    QString quoted = password;
    quoted.replace("\\", "\\\\").replace("\"", "\\\"");
    const DatabaseSettings server = TestDatabase::serverSettings();
    writeIni(
        QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=%2\nname=%3\nuser=%3\npassword=\"%4\"\n")
            .arg(server.host)
            .arg(server.port)
            .arg(name, quoted)
            .toUtf8());
  }
};

}  // namespace

void DatabaseSettingsTest::passwordReachesTheServerAsWritten_data() {
  QTest::addColumn<QString>("password");
  QTest::newRow("semicolon") << "ab;cd";
  QTest::newRow("quote and backslash") << "it's a \\ test";
  QTest::newRow("blanks at the ends") << "  wide  ";
  QTest::newRow("libpq's own syntax") << "x' sslmode='require";
  QTest::newRow("double quote and hash") << "#\"=;";
}

// Whatever printable characters a password holds, the server receives it as written.
void DatabaseSettingsTest::passwordReachesTheServerAsWritten() {
  QFETCH(QString, password);
  if (!TestDatabase::usesPostgres())
    QSKIP("needs the PostgreSQL test server (runs as test_database_postgresql)");
  TempProgramDir dir;
  PasswordRole role;
  role.setPassword(password);
  role.writeSettings(password);
  DataModule dm;
  QVERIFY2(dm.connection(), qPrintable(dm.connectionError()));
  QCOMPARE(dm.openTables(), QStringList());
}

// The server's reason is passed on as the server wrote it, and the password is
// in no text: a one-letter password does not garble the message.
void DatabaseSettingsTest::wrongPasswordIsToldInTheServersWords() {
  if (!TestDatabase::usesPostgres())
    QSKIP("needs the PostgreSQL test server (runs as test_database_postgresql)");
  TempProgramDir dir;
  PasswordRole role;
  role.setPassword("p");
  role.writeSettings("o");
  DataModule dm;
  QVERIFY(!dm.connection());
  const QString told = dm.connectionError();
  QVERIFY2(told.contains(QStringLiteral("password authentication failed for user \"%1\"").arg(role.name)),
           qPrintable(told));
  QVERIFY2(!told.contains("***"), qPrintable(told));
}

VT3417_REGISTER_TEST(DatabaseSettingsTest)
#include "DatabaseSettingsTest.moc"
