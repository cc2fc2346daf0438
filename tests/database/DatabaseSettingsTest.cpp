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

VT3417_REGISTER_TEST(DatabaseSettingsTest)
#include "DatabaseSettingsTest.moc"
