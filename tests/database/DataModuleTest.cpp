#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <memory>

#include "database/DatabaseFixture.h"
#include "support/TestRegistry.h"

#include "database/Connection.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "settings/ProgramDir.h"
#include "support/TempProgramDir.h"
#include "support/TestDatabase.h"

// The data module on a real database (the SQLite file, or a PostgreSQL
// server): creation, start-up checks, delete rules, durability and values that
// must not be taken for SQL.
class DataModuleTest : public QObject {
  Q_OBJECT
 private slots:
  void freshDatabaseIsCreatedWithAllTables();
  void startWhileAnotherProgramCreatesTheTables();
  void startUpMessagesForBrokenTables_data();
  void startUpMessagesForBrokenTables();
  void startUpGivesTheDatabasesReason_data();
  void startUpGivesTheDatabasesReason();
  void tablesOfAnotherUserAreToldAsMissingRights();
  void refusedWriteNamesTheFileInRussian();
  void fullDiskIsToldAndTheRowIsStoredOnceThereIsSpace();
  void refusedCommitIsToldByTheEnginesCode();
  void deletingBaseTakesMetersAndPointsNotArchive();
  void deletingMeterWithoutPoints();
  void failingDeleteRuleLeavesEverything();
  void postedPointSurvivesCrashAndIsSeenByOthers();
  void requiredFieldRejectedWithoutHalfRow();
  void namesAreNeverTakenForSql_data();
  void namesAreNeverTakenForSql();
};

void DataModuleTest::freshDatabaseIsCreatedWithAllTables() {
  DatabaseFixture f;
  QCOMPARE(QFile::exists(programPath("base/vt3417.sqlite")), !TestDatabase::usesPostgres());
  QCOMPARE(f.db().isPostgres(), TestDatabase::usesPostgres());
  QVERIFY(f.db().createdFresh());
  for (const char* table : {"base", "master", "slave", "masterarhive", "Slavearhiv"})
    QVERIFY2(f.hasTable(table), table);
  for (const char* index :
       {"base_namebase", "master_base_slot", "slave_numImdex", "masterarhive_tip", "Slavearhiv_numImdex"})
    QVERIFY2(f.hasIndex(index), index);
  // One archived meter per type and serial number, whichever bench archives it.
  QVERIFY(f.hasIndex("masterarhive_meter", true));
  if (!TestDatabase::usesPostgres()) {
    QSqlQuery mode = f.db().execute({"pragma journal_mode", {}, {}});
    QVERIFY(mode.next());
    QCOMPARE(mode.value(0).toString(), QString("wal"));
  }
  // After start-up these stay open; the test points and every query are closed.
  QVERIFY(f.dm->chosenMeter->isOpen() && f.dm->chosenBase->isOpen());
  QVERIFY(f.dm->archivedMeterTable->isOpen() && f.dm->archivedPoints->isOpen());
  QVERIFY(!f.dm->testPoints->isOpen() && !f.dm->meters->isOpen() && !f.dm->bases->isOpen());

  f.restart();  // an existing database is opened, not made anew
  QVERIFY(!f.db().createdFresh());
}

// A program that starts while another one is creating the tables of a new
// file finds the file no longer empty but without tables: it waits for the
// other one and then opens the tables it made.
void DataModuleTest::startWhileAnotherProgramCreatesTheTables() {
  if (TestDatabase::usesPostgres()) QSKIP("the server's first start is covered by the shared-database tests");
  TempProgramDir dir;
  const QString file = programPath("base/vt3417.sqlite");
  QFile::remove(file);
  QSemaphore creating;
  std::unique_ptr<QThread> otherProgram(QThread::create([&] {
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other program");
      db.setDatabaseName(file);
      db.open();
      QSqlQuery query(db);
      query.exec("pragma journal_mode = wal");
      query.exec("begin immediate");
      for (const TableDef* table : Schema::tables())
        for (const QString& sql : Schema::createStatements(*table, "QSQLITE")) query.exec(sql);
      creating.release();
      QThread::msleep(300);  // the tables are still being made when this program starts
      query.exec("commit");
    }
    QSqlDatabase::removeDatabase("other program");
  }));
  otherProgram->start();
  creating.acquire();
  QVERIFY(QFileInfo(file).size() > 0);
  {
    DataModule dm;
    QCOMPARE(dm.openTables(), QStringList());
    QVERIFY(!dm.connection()->createdFresh());
  }
  otherProgram->wait();
}

// The table messages stay as they are; what is wrong with the tables comes
// first, in one message.
void DataModuleTest::startUpMessagesForBrokenTables_data() {
  QTest::addColumn<QStringList>("damage");
  QTest::addColumn<QStringList>("messages");
  QTest::newRow("meters") << QStringList{"drop table master"}
                          << QStringList{"В базе данных нет таблицы master (Master.DB).",
                                         "Tmaster is  not Active."};
  QTest::newRow("points") << QStringList{"drop table slave"}
                          << QStringList{"В базе данных нет таблицы slave (slave.DB).",
                                         "Tslave is  not Active."};
  QTest::newRow("meter without a type field")
      << QStringList{"alter table master drop column tip"}
      << QStringList{"В таблице Master.DB нет поля Tip.", "Tmaster is  not Active."};
  QTest::newRow("points with other columns")
      << QStringList{"drop table slave", "create table slave (x integer, voltage real)"}
      << QStringList{"В таблице slave.DB нет полей N, Num, Tok, KM, Opogr, Date, Rep, Count.",
                     "Tslave is  not Active."};
  QTest::newRow("three tables, each reported in order")
      << QStringList{"drop table Slavearhiv", "drop table base", "drop table masterarhive"}
      << QStringList{
             "В базе данных нет таблицы base (Base.db).\n"
             "В базе данных нет таблицы masterarhive (MasterArhive.db).\n"
             "В базе данных нет таблицы Slavearhiv (Slavearhiv.DB).",
             "TBase is  not Active.", "TmasterArhive is  not Active.", "TSlaveArhive is  not Active."};
  // An existing SQLite file without tables is damaged; a server database
  // without tables is one the program has not used yet: it gets them.
  QTest::newRow("all five") << QStringList{"drop table base", "drop table master", "drop table slave",
                                           "drop table masterarhive", "drop table Slavearhiv"}
                            << (TestDatabase::usesPostgres()
                                    ? QStringList{}
                                    : QStringList{
                                          "В базе данных нет таблицы master (Master.DB).\n"
                                          "В базе данных нет таблицы slave (slave.DB).\n"
                                          "В базе данных нет таблицы base (Base.db).\n"
                                          "В базе данных нет таблицы masterarhive (MasterArhive.db).\n"
                                          "В базе данных нет таблицы Slavearhiv (Slavearhiv.DB).",
                                          "Tmaster is  not Active.", "Tslave is  not Active.",
                                          "TBase is  not Active.", "TmasterArhive is  not Active.",
                                          "TSlaveArhive is  not Active."});
}

void DataModuleTest::startUpMessagesForBrokenTables() {
  QFETCH(QStringList, damage);
  QFETCH(QStringList, messages);
  DatabaseFixture f;
  f.dm.reset();
  {
    auto other = TestDatabase::openAnotherConnection("damage");
    for (const QString& sql : damage) other->execute({sql, {}, {}});
  }
  DataModule dm;
  QCOMPARE(dm.openTables(), messages);
}

namespace {

enum class DatabaseFile { NotADatabase, LockedByAnother, Empty };

const QStringList kTableMessages{"Tmaster is  not Active.", "Tslave is  not Active.", "TBase is  not Active.",
                                 "TmasterArhive is  not Active.", "TSlaveArhive is  not Active."};

QString databaseReason(const QString& reason) {
  return QStringLiteral("База данных \"%1\": %2.")
      .arg(QDir::toNativeSeparators(programPath("base/vt3417.sqlite")), reason);
}

}  // namespace

// The table messages stay as they are; the database's own reason, with its
// file, comes first. An empty file is a new database.
void DataModuleTest::startUpGivesTheDatabasesReason_data() {
  QTest::addColumn<int>("file");
  QTest::addColumn<QString>("reason");  // empty: the start goes on
  QTest::newRow("not a database") << int(DatabaseFile::NotADatabase) << "файл не является базой данных";
  QTest::newRow("locked by another process")
      << int(DatabaseFile::LockedByAnother) << "база данных заблокирована другим процессом";
  QTest::newRow("empty file") << int(DatabaseFile::Empty) << QString();
}

void DataModuleTest::startUpGivesTheDatabasesReason() {
  QFETCH(int, file);
  QFETCH(QString, reason);
  if (TestDatabase::usesPostgres())
    QSKIP("a damaged file is SQLite's case (the server's: DatabaseSettingsTest)");
  TempProgramDir dir;
  const QStringList messages =
      reason.isEmpty() ? QStringList{} : QStringList{databaseReason(reason)} + kTableMessages;
  const QString path = programPath("base/vt3417.sqlite");
  QByteArray content;
  std::unique_ptr<Connection> other;
  if (file == int(DatabaseFile::LockedByAnother)) {
    { DataModule made; }
    // Another program holds the file in its own journal mode, locked for writing.
    other = Connection::openSqliteFile(path, "other");
    other->execute({"pragma journal_mode = delete", {}, {}});
    other->execute({"begin exclusive", {}, {}});
  } else {
    QFile created(path);
    QVERIFY(created.open(QIODevice::WriteOnly));
    if (file == int(DatabaseFile::NotADatabase)) content = QByteArray(4096, '\x5a');
    created.write(content);
  }
  {
    DataModule dm;
    QCOMPARE(dm.openTables(), messages);
    if (file == int(DatabaseFile::Empty)) QVERIFY(dm.connection() && dm.connection()->createdFresh());
  }
  if (file == int(DatabaseFile::NotADatabase)) {
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), content);  // nothing is written over it
  }
  if (other) {
    other->execute({"rollback", {}, {}});
    other.reset();
    DataModule dm;  // once the other program lets go, the program starts
    QCOMPARE(dm.openTables(), QStringList{});
  }
}

// A bench user without rights on the tables another user made: no attempt to
// make them again, and the operator reads that the user lacks the rights.
void DataModuleTest::tablesOfAnotherUserAreToldAsMissingRights() {
  if (!TestDatabase::usesPostgres()) QSKIP("users and their rights are the server's");
  DatabaseFixture f;  // the tables belong to the test server's superuser
  f.dm.reset();
  const QString user = QStringLiteral("vt3417other_%1").arg(QCoreApplication::applicationPid());
  TestDatabase::runAsSuperuser(QStringLiteral("drop role if exists %1").arg(user));
  TestDatabase::runAsSuperuser(QStringLiteral("create role %1 login").arg(user));
  const auto dropUser = qScopeGuard([&] { TestDatabase::runAsSuperuser("drop role if exists " + user); });
  const DatabaseSettings server = TestDatabase::serverSettings();
  {
    QFile ini(databaseSettingsPath());
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=%2\nname=%3\nuser=%4\n")
                  .arg(server.host)
                  .arg(server.port)
                  .arg(server.name, user)
                  .toUtf8());
  }
  {
    DataModule dm;
    QVERIFY2(dm.connection(), qPrintable(dm.connectionError()));
    const QStringList messages = dm.openTables();
    QCOMPARE(messages.mid(1), kTableMessages);
    QVERIFY2(messages.value(0).contains(QStringLiteral("У пользователя %1 нет прав на таблицы").arg(user)),
             qPrintable(messages.value(0)));
  }
}

// A database that refuses writes (here: a connection made read-only; for the
// operator: a write-protected file or share) names its file in Russian at the
// first write; once writable again the same row is stored.
void DataModuleTest::refusedWriteNamesTheFileInRussian() {
  if (TestDatabase::usesPostgres()) QSKIP("a read-only file is SQLite's case");
  DatabaseFixture f;
  f.db().execute({"pragma query_only = 1", {}, {}});
  try {
    f.addBase("Б1");
    QFAIL("a read-only database took a row");
  } catch (const std::runtime_error& error) {
    QCOMPARE(QString::fromUtf8(error.what()),
             databaseReason("база данных доступна только для чтения, изменения не сохранены"));
  }
  f.dm->chosenBase->cancel();
  f.db().execute({"pragma query_only = 0", {}, {}});
  f.addBase("Б1");
  QCOMPARE(f.count("select count(*) from base"), 1);
}

// The disk fills up while points are stored (here: the database may not grow
// beyond its pages): the operator is told in Russian that nothing stored is
// lost and to free space; the point stays pending and is stored once there is room.
void DataModuleTest::fullDiskIsToldAndTheRowIsStoredOnceThereIsSpace() {
  if (TestDatabase::usesPostgres()) QSKIP("the server's disk is the server's administrator's");
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 meter = f.addMeter("Б1", 1);
  TableDataset* points = f.dm->testPoints;
  points->open();
  const qint64 pages = f.count("pragma page_count");
  f.db().execute({QStringLiteral("pragma max_page_count = %1").arg(pages), {}, {}});
  QString told;
  for (int stored = 0; told.isEmpty() && stored < 10000; ++stored) {
    points->append();
    points->fieldByName("Num").setInteger(meter);
    points->fieldByName("Voltage").setReal(100);
    points->fieldByName("KM").setText("0.5/L");
    try {
      points->post();
    } catch (const std::runtime_error& error) {
      told = QString::fromUtf8(error.what());
    }
  }
  QCOMPARE(told,
           databaseReason("диск заполнен. Изменение не сохранено, сохранённые ранее данные не потеряны; "
                          "освободите место на диске и сохраните снова"));
  QCOMPARE(points->state(), DatasetState::Insert);
  const qint64 before = f.count("select count(*) from slave");

  f.db().execute({"pragma max_page_count = 1000000", {}, {}});
  points->post();
  QCOMPARE(f.count("select count(*) from slave"), before + 1);
}

// A commit the engine refuses is told in the engine's terms (SQLite: a disk
// that fills while the journal is written): its code reaches the operator's text.
void DataModuleTest::refusedCommitIsToldByTheEnginesCode() {
  if (TestDatabase::usesPostgres()) QSKIP("a deferred check at commit is shown on SQLite");
  DatabaseFixture f;
  Connection& db = f.db();
  db.execute({"create table owners (id integer primary key)", {}, {}});
  db.execute(
      {"create table owned (owner integer references owners (id) deferrable initially deferred)", {}, {}});
  db.execute({"pragma foreign_keys = on", {}, {}});
  try {
    Connection::Transaction transaction(db);
    db.execute({"insert into owned values (5)", {}, "owned"});
    transaction.commit();
    QFAIL("the engine took the commit");
  } catch (const DatabaseError& error) {
    QCOMPARE(error.code(), "787");  // SQLITE_CONSTRAINT_FOREIGNKEY
  }
  QCOMPARE(f.count("select count(*) from owned"), 0);
}

void DataModuleTest::deletingBaseTakesMetersAndPointsNotArchive() {
  DatabaseFixture f;
  f.addBase("Б1");
  f.addBase("Б2");
  QList<qint64> meters;
  for (int slot = 1; slot <= 8; ++slot) {
    meters << f.addMeter("Б1", slot, slot != 4);  // slot 4 stored but not in use
    f.addPoints(meters.last(), 3);
  }
  const qint64 other = f.addMeter("Б2", 1);
  f.addPoints(other, 2);
  const qint64 archived = f.addArchivedMeter("СО-505", "1", 2020);
  f.dm->archivedPoints->close();
  QVERIFY(f.dm->archivedPoints->isEmpty());
  f.db().execute(
      {"insert into Slavearhiv (num, voltage) values (?, 100), (?, 90)", {archived, archived}, {}});

  f.dm->bases->reopen(Statements::baseByName("Б1"));
  QCOMPARE(f.dm->chosenBase->fieldByName("NameBase").asText(), QString("Б1"));
  f.dm->chosenBase->remove();

  QCOMPARE(f.count("select count(*) from base where namebase = ?", {"Б1"}), 0);
  QCOMPARE(f.count("select count(*) from master where base = ?", {"Б1"}), 0);
  for (qint64 meter : meters) QCOMPARE(f.count("select count(*) from slave where num = ?", {meter}), 0);
  QCOMPARE(f.count("select count(*) from master where base = ?", {"Б2"}), 1);
  QCOMPARE(f.count("select count(*) from slave where num = ?", {other}), 2);
  QCOMPARE(f.count("select count(*) from masterarhive"), 1);
  QCOMPARE(f.count("select count(*) from Slavearhiv where num = ?", {archived}), 2);
  // The meter query is left on the deleted base's meters.
  QCOMPARE(f.dm->meters->statement().values, QVariantList{"Б1"});
}

void DataModuleTest::deletingMeterWithoutPoints() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 bare = f.addMeter("Б1", 1);
  const qint64 measured = f.addMeter("Б1", 2);
  f.addPoints(measured, 2);
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  QCOMPARE(f.dm->chosenMeter->fieldByName("Num").asInteger(), bare);
  f.dm->chosenMeter->remove();
  QVERIFY(f.dm->chosenMeter->isEmpty());
  QCOMPARE(f.count("select count(*) from master"), 1);
  QCOMPARE(f.count("select count(*) from slave where num = ?", {measured}), 2);
}

void DataModuleTest::failingDeleteRuleLeavesEverything() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 meter = f.addMeter("Б1", 1);
  f.addPoints(meter, 3);
  f.dm->chosenMeter->setBeforeDelete([&f] {
    f.dm->deleteChosenMeterPoints();
    throw std::runtime_error("disk full");
  });
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->chosenMeter->remove());
  QCOMPARE(f.count("select count(*) from master where num = ?", {meter}), 1);
  QCOMPARE(f.count("select count(*) from slave where num = ?", {meter}), 3);
  QCOMPARE(f.dm->chosenMeter->recordCount(), 1);
}

void DataModuleTest::postedPointSurvivesCrashAndIsSeenByOthers() {
  DatabaseFixture f;
  f.addPoints(7, 1, 98);
  // Another connection sees the row at once.
  {
    auto other = TestDatabase::openAnotherConnection("reader");
    QSqlQuery query = other->execute({"select voltage from slave where num = 7", {}, {}});
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toDouble(), 98.0);
  }
  // What a crash leaves on disk now (database and log, never closed) holds it;
  // on a server that is the server's own business.
  if (!TestDatabase::usesPostgres()) {
    const QString crashed = f.dir.filePath("crashed.sqlite");
    QVERIFY(QFile::copy(programPath("base/vt3417.sqlite"), crashed));
    QVERIFY(QFile::copy(programPath("base/vt3417.sqlite-wal"), crashed + "-wal"));
    {
      auto afterCrash = Connection::openSqliteFile(crashed, "after-crash");
      QSqlQuery query = afterCrash->execute({"select count(*) from slave where num = 7", {}, {}});
      QVERIFY(query.next());
      QCOMPARE(query.value(0).toInt(), 1);
    }
  }
  f.restart();
  f.dm->meters->close();
  f.dm->testPoints->open();
  QCOMPARE(f.dm->testPoints->recordCount(), 1);
  QCOMPARE(f.dm->testPoints->fieldByName("Voltage").asReal(), 98.0);
}

void DataModuleTest::requiredFieldRejectedWithoutHalfRow() {
  DatabaseFixture f;
  f.dm->meters->close();
  f.dm->chosenMeter->append();
  f.dm->chosenMeter->fieldByName("NumberCh").setInteger(1);
  f.dm->chosenMeter->fieldByName("Base").setText("");  // empty counts as missing
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->chosenMeter->post());
  QCOMPARE(f.dm->chosenMeter->state(), DatasetState::Insert);  // what was typed is kept
  f.dm->chosenMeter->cancel();
  // The engine refuses it too, whoever writes.
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           f.db().execute({"insert into master (numberch) values (1)", {}, "master"}));
  QCOMPARE(f.count("select count(*) from master"), 0);
}

void DataModuleTest::namesAreNeverTakenForSql_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("double quote") << "Б\"1\"";
  QTest::newRow("apostrophe") << "O'Brien";
  QTest::newRow("percent") << "100%";
  QTest::newRow("underscore") << "a_b";
  QTest::newRow("backslash") << "a\\b";
  QTest::newRow("cyrillic") << "Счётчик «Ф»";
  QTest::newRow("statement") << "x\"); drop table base";
}

void DataModuleTest::namesAreNeverTakenForSql() {
  QFETCH(QString, name);
  DatabaseFixture f;
  // Decoys that a pattern character taken as a wildcard would match.
  f.addBase("100X");
  f.addBase("aXb");
  f.addArchivedMeter("100X", "100X", 2000);
  f.addArchivedMeter("aXb", "aXb", 2000);
  f.addArchivedMeter("a\\\\b", "a\\\\b", 2000);
  f.addBase(name);
  f.addMeter(name, 3, true, name, name);
  f.addArchivedMeter(name, name, 2001, name);

  f.dm->bases->reopen(Statements::baseByName(name));
  QCOMPARE(f.dm->bases->recordCount(), 1);
  QCOMPARE(f.dm->bases->fieldByName("namebase").asText(), name);
  f.dm->meters->reopen(Statements::meterInSlotInUse(name, 3));
  QCOMPARE(f.dm->meters->recordCount(), 1);
  QCOMPARE(f.dm->chosenMeter->fieldByName("MyNumber").asText(), name);
  f.dm->archivedMeters->reopen(Statements::archivedMetersByTypeAndNumber(name, name));
  QCOMPARE(f.dm->archivedMeters->recordCount(), 1);
  f.dm->archivedMeters->reopen(Statements::archiveFilter({name + "*", {}, {}, {}, {}}, "tip"));
  QCOMPARE(f.dm->archivedMeters->recordCount(), 1);
  QCOMPARE(f.dm->archivedMeters->fieldByName("Tip").asText(), name);
  f.dm->archivedMeters->reopen(Statements::archiveFilter({{}, name, {}, {}, {}}, "mynumber"));
  QCOMPARE(f.dm->archivedMeters->recordCount(), 1);

  f.dm->chosenBase->remove();
  QCOMPARE(f.count("select count(*) from master"), 0);
  QCOMPARE(f.count("select count(*) from base"), 2);
}

VT3417_REGISTER_TEST(DataModuleTest)
#include "DataModuleTest.moc"
