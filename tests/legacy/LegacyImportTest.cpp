#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include "../database/DatabaseFixture.h"
#include "LegacyFolder.h"
#include "legacy/LegacyImport.h"
#include "legacy/ParadoxTable.h"
#include "support/TestRegistry.h"

// The import's rules on the real database of either engine: into an empty
// database every row with its key; into one with data new keys, relations
// carried over, archived meters merged; a refusal or a cancel writes nothing;
// a check tells exactly what the import then does.
class LegacyImportTest : public QObject {
  Q_OBJECT
 private slots:
  void emptyDatabaseKeepsEveryRowAndKey();
  void secondImportRemapsAndMerges();
  void takenBaseNamesRefuseTheImport();
  void refusedFoldersWriteNothing_data();
  void refusedFoldersWriteNothing();
};

namespace {

const QVariant null;

ImportSummary importFolder(Connection& db, const QString& folder, bool write, bool renameBases = false,
                           const ImportProgress& progress = {}) {
  return importLegacyTables(folder, &db, {write, renameBases}, progress);
}

// The lab's history with what a second folder brings besides: a new point of
// an archived meter the database has, a meter new to the archive, a base name
// that does not fit its suffix.
LegacyRows laterHistory() {
  LegacyRows rows = labHistory();
  rows.bases.append({4, "Длинное имя базы №20", 230.0, 10.0, 800.0, 2.0});
  rows.archivedMeters.append({9, "Б1", "ЦЭ6803", 2010, "ЦСМ", "Завод", 2.0, 230.0, 10.0, 800.0, "000777"});
  rows.archivedPoints.append({7, 4, 100.0, 50.0, "1", 0.3, QDate(2023, 6, 7), QDate(1999, 12, 31), 2});
  rows.archivedPoints.append({11, 9, 100.0, 5.0, "1", -0.2, QDate(2023, 6, 8), null, 1});
  return rows;
}

}  // namespace

void LegacyImportTest::emptyDatabaseKeepsEveryRowAndKey() {
  DatabaseFixture fixture;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());

  const ImportSummary checked = importFolder(fixture.db(), old.path(), false);
  QCOMPARE(databaseLines(fixture.db()), QStringList());
  const ImportSummary imported = importFolder(fixture.db(), old.path(), true);
  QCOMPARE(imported.text(), checked.text());

  QVERIFY(imported.keysKept);
  QCOMPARE(imported.tablesText(),
           QStringLiteral("Base.db: прочитано 3, импортировано 3, пропущено 0\n"
                          "Master.DB: прочитано 4, импортировано 3, пропущено 1\n"
                          "slave.DB: прочитано 6, импортировано 4, пропущено 2\n"
                          "MasterArhive.db: прочитано 3, импортировано 2, пропущено 1\n"
                          "Slavearhiv.DB: прочитано 5, импортировано 4, пропущено 1"));
  QStringList problems;
  for (const ImportSummary::Problem& problem : imported.problems)
    problems << QStringLiteral("%1 %2: %3").arg(problem.file).arg(problem.record).arg(problem.text);
  QCOMPARE(
      problems,
      (QStringList{"Master.DB 4: нет базы «Нет такой»; счетчик пропущен.",
                   "slave.DB 3: дата 30.12.1899 в поле Date вне допустимого диапазона (01.01.1900 - "
                   "31.12.9999); поле оставлено пустым.",
                   "slave.DB 5: счетчик с ключом 7 пропущен; точка пропущена.",
                   "slave.DB 6: нет счетчика с ключом 99; точка пропущена.",
                   "MasterArhive.db 3: счетчик «СО-505» № 012345 уже был в записи 1; его точки добавлены "
                   "к тому счетчику.",
                   "Slavearhiv.DB 5: нет счетчика архива с ключом 42; точка пропущена."}));

  QCOMPARE(tableLines(fixture.db(), "base"),
           (QStringList{"1|Б1 Поверка|220|5|1600|1", "2|Щит №2 «Восток»|57.700000000000003|1|5000|0.5",
                        "3|Пустая|-|-|-|-"}));
  QCOMPARE(tableLines(fixture.db(), "master"),
           (QStringList{"1|Б1 Поверка|1|СО-505|2001|true|012345|ЛАБОРАТОРИЯ|Энергомера|2019-05-14",
                        "2|Б1 Поверка|2|ЦЭ6803|-|false|000777|-|-|-",
                        "5|Щит №2 «Восток»|1|СЕ301|1998|-|А-17|ОАО «Ёлка»|Завод|1999-12-31"}));
  QCOMPARE(tableLines(fixture.db(), "slave"),
           (QStringList{"1|1|100|5|1|0.25|2020-03-04|R|1", "2|1|100|100|0.5/L|-|2020-03-04|-|2",
                        "3|1|0|0|-|0|-|R|3", "4|5|80|10|0.8/C|-1.5|2021-01-02|R|1"}));
  QCOMPARE(tableLines(fixture.db(), "masterarhive"),
           (QStringList{"1|Б1 Поверка|СО-505|2001|ЛАБОРАТОРИЯ|Энергомера|1|220|5|1600|012345",
                        "4|Щит №2 «Восток»|СЕ301|1998|ОАО «Ёлка»|Завод|-|-|-|-|А-17"}));
  // The archived meter that was there twice holds the points of both, numbered together.
  QCOMPARE(tableLines(fixture.db(), "Slavearhiv"),
           (QStringList{"1|1|100|5|1|0.25|2020-03-04|2019-05-14|1", "2|1|100|100|0.5/L|-|2020-03-04|-|2",
                        "5|4|80|10|0.8/C|0|2021-01-02|1999-12-31|1",
                        "6|1|100|20|1|0.10000000000000001|2022-02-02|2019-05-14|3"}));

  // Keys handed out later continue after the imported ones.
  fixture.addBase("Новая");
  QCOMPARE(fixture.count("select num from base where namebase = 'Новая'"), 4);
}

void LegacyImportTest::secondImportRemapsAndMerges() {
  DatabaseFixture fixture;
  QTemporaryDir first;
  QTemporaryDir second;
  writeLegacyFolder(first.path(), labHistory());
  writeLegacyFolder(second.path(), laterHistory());
  importFolder(fixture.db(), first.path(), true);
  const QStringList before = databaseLines(fixture.db());

  const ImportSummary checked = importFolder(fixture.db(), second.path(), false, true);
  QCOMPARE(databaseLines(fixture.db()), before);
  const ImportSummary imported = importFolder(fixture.db(), second.path(), true, true);
  QCOMPARE(imported.text(), checked.text());
  QVERIFY(!imported.keysKept);
  QVERIFY2(imported.text().contains("Slavearhiv.DB: прочитано 7, импортировано 2, пропущено 5\n"),
           qPrintable(imported.text()));
  QVERIFY(imported.text().contains("точек, которые уже есть у тех же счетчиков архива: 4; они пропущены."));

  // New keys after the largest; a taken name gets the suffix, cut to fit.
  QCOMPARE(tableLines(fixture.db(), "base").mid(3),
           (QStringList{"4|Б1 Поверка (импорт)|220|5|1600|1",
                        "5|Щит №2 «Вос (импорт)|57.700000000000003|1|5000|0.5", "6|Пустая (импорт)|-|-|-|-",
                        "7|Длинное имя базы №20|230|10|800|2"}));
  // Meters follow their base's new name, points their meter's new key.
  QCOMPARE(tableLines(fixture.db(), "master").mid(3),
           (QStringList{"6|Б1 Поверка (импорт)|1|СО-505|2001|true|012345|ЛАБОРАТОРИЯ|Энергомера|2019-05-14",
                        "7|Б1 Поверка (импорт)|2|ЦЭ6803|-|false|000777|-|-|-",
                        "8|Щит №2 «Вос (импорт)|1|СЕ301|1998|-|А-17|ОАО «Ёлка»|Завод|1999-12-31"}));
  QCOMPARE(tableLines(fixture.db(), "slave").mid(4),
           (QStringList{"5|6|100|5|1|0.25|2020-03-04|R|1", "6|6|100|100|0.5/L|-|2020-03-04|-|2",
                        "7|6|0|0|-|0|-|R|3", "8|8|80|10|0.8/C|-1.5|2021-01-02|R|1"}));
  // One archived meter more; the known ones receive only the points they lack,
  // numbered together with theirs.
  QCOMPARE(tableLines(fixture.db(), "masterarhive"),
           (QStringList{"1|Б1 Поверка|СО-505|2001|ЛАБОРАТОРИЯ|Энергомера|1|220|5|1600|012345",
                        "4|Щит №2 «Восток»|СЕ301|1998|ОАО «Ёлка»|Завод|-|-|-|-|А-17",
                        "5|Б1|ЦЭ6803|2010|ЦСМ|Завод|2|230|10|800|000777"}));
  QCOMPARE(tableLines(fixture.db(), "Slavearhiv"),
           (QStringList{"1|1|100|5|1|0.25|2020-03-04|2019-05-14|1", "2|1|100|100|0.5/L|-|2020-03-04|-|2",
                        "5|4|80|10|0.8/C|0|2021-01-02|1999-12-31|1",
                        "6|1|100|20|1|0.10000000000000001|2022-02-02|2019-05-14|3",
                        "7|4|100|50|1|0.29999999999999999|2023-06-07|1999-12-31|2",
                        "8|5|100|5|1|-0.20000000000000001|2023-06-08|-|1"}));
}

void LegacyImportTest::takenBaseNamesRefuseTheImport() {
  DatabaseFixture fixture;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());
  importFolder(fixture.db(), old.path(), true);
  const QStringList before = databaseLines(fixture.db());

  const ImportSummary refused = importFolder(fixture.db(), old.path(), true);
  QVERIFY(!refused.canImport());
  QCOMPARE(refused.refusals.size(), 3);
  QVERIFY2(refused.text().endsWith("Импорт невозможен:\n"
                                   "Base.db, запись 1: база «Б1 Поверка» уже есть в базе данных.\n"
                                   "Base.db, запись 2: база «Щит №2 «Восток»» уже есть в базе данных.\n"
                                   "Base.db, запись 3: база «Пустая» уже есть в базе данных."),
           qPrintable(refused.text()));
  QCOMPARE(databaseLines(fixture.db()), before);
}

void LegacyImportTest::refusedFoldersWriteNothing_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<QString>("message");  // besides the file's path
  QTest::newRow("truncated file") << "truncate"
                                  << "файл обрезан";
  QTest::newRow("a field of another type") << "type"
                                           << "поле MyYear имеет тип «число»";
  QTest::newRow("a table missing") << "missing"
                                   << "не найден: в папке нет таблицы Slavearhiv";
  QTest::newRow("cancelled at the last row") << "cancel" << QString();
}

// Every refusal comes before the first row is stored or undoes it: the
// database holds what it held, whether empty or not.
void LegacyImportTest::refusedFoldersWriteNothing() {
  QFETCH(QString, damage);
  QFETCH(QString, message);
  DatabaseFixture fixture;
  fixture.addBase("Б0");
  fixture.addArchivedMeter("СО-505", "012345", 2001);
  const QStringList before = databaseLines(fixture.db());
  QTemporaryDir old;
  LegacyRows rows = labHistory();
  QString damaged;
  if (damage == "truncate") {
    damaged = old.filePath("Slavearhiv.DB");
    writeLegacyFolder(old.path(), rows);
    // Cut inside the records of the first data block, right after the header.
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const qint64 header = qFromLittleEndian<quint16>(file.read(4).constData() + 2);
    file.close();
    QVERIFY(file.resize(header + 100));
  } else if (damage == "type") {
    damaged = old.filePath("MasterArhive.db");
    writeLegacyFolder(old.path(), rows, {"MasterArhive.db"});
    QVector<paradox_fixture::Field> fields = paradox_fixture::archivedMeterFields();
    fields[3].type = "N";
    paradox_fixture::ParadoxWriter(damaged, fields).add(rows.archivedMeters[0]);
  } else if (damage == "missing") {
    damaged = old.filePath("Slavearhiv.DB");
    writeLegacyFolder(old.path(), rows, {"Slavearhiv.DB"});
  } else {
    writeLegacyFolder(old.path(), rows);
  }
  // Told at the end, after every row was stored.
  const ImportProgress cancelAtTheEnd = [](qint64 done, qint64 total) { return done < total; };
  try {
    importFolder(fixture.db(), old.path(), true, true, cancelAtTheEnd);
    QFAIL("the import was done");
  } catch (const LegacyFileError& error) {
    const QString text = QString::fromUtf8(error.what());
    QVERIFY2(text.contains(QDir::toNativeSeparators(damaged)) && text.contains(message), qPrintable(text));
  } catch (const ImportCancelled&) {
    QCOMPARE(damage, QStringLiteral("cancel"));
  }
  QCOMPARE(databaseLines(fixture.db()), before);
}

VT3417_REGISTER_TEST(LegacyImportTest)
#include "LegacyImportTest.moc"
