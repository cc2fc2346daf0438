#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "LegacyFolder.h"
#include "database/Connection.h"
#include "support/TempProgramDir.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"
#include "support/ToolProcess.h"

// vt3417-import-legacy as the lab runs it: in the program directory (its
// database found as the program finds it) or with the server named on the
// command line; exit code 0 when done, 1 when nothing was imported.
class ImportToolTest : public QObject {
  Q_OBJECT
 private slots:
  void checkImportRefuseRename();
  void refusedFolderImportsNothing();
  void serverNamedOnTheCommandLine();
};

namespace {

ToolRun runImport(const QString& workingDir, const QStringList& arguments) {
  return runTool(QStringLiteral(VT3417_IMPORT_LEGACY), workingDir, arguments);
}

// Rows of the program directory's database, read by a connection of the test's own.
QStringList programDatabaseLines() {
  const auto db = TestDatabase::openAnotherConnection(QStringLiteral("tool test"));
  return databaseLines(*db);
}

#define VERIFY_RUN(run, code)        \
  QVERIFY2((run).exitCode == (code), \
           qPrintable(QString("exit %1\n%2\n%3").arg((run).exitCode).arg((run).out, (run).err)))

}  // namespace

void ImportToolTest::checkImportRefuseRename() {
  TempProgramDir dir;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());

  const ToolRun checked = runImport(dir.path(), {"--check", old.path()});
  VERIFY_RUN(checked, 0);
  QVERIFY(checked.out.contains("Master.DB: прочитано 4, импортировано 3, пропущено 1\n"));
  QVERIFY(checked.out.endsWith("Проверка: ничего не записано.\n"));
  if (!TestDatabase::usesPostgres()) QVERIFY(!QFile::exists(dir.filePath("base/vt3417.sqlite")));
  QCOMPARE(programDatabaseLines(), QStringList());

  const ToolRun imported = runImport(dir.path(), {old.path()});
  VERIFY_RUN(imported, 0);
  QCOMPARE(imported.out, QString(checked.out).replace("Проверка: ничего не записано.", "Импорт завершён."));
  const QStringList afterFirst = programDatabaseLines();
  QCOMPARE(afterFirst.filter(QRegularExpression("^base ")).size(), 3);

  const ToolRun refused = runImport(dir.path(), {old.path()});
  VERIFY_RUN(refused, 1);
  QVERIFY(refused.out.contains(
      "Импорт невозможен:\nBase.db, запись 1: база «Б1 Поверка» уже есть в базе данных."));
  QVERIFY(refused.err.contains("--rename-bases"));
  QCOMPARE(programDatabaseLines(), afterFirst);

  const ToolRun renamed = runImport(dir.path(), {"--rename-bases", old.path()});
  VERIFY_RUN(renamed, 0);
  QVERIFY(renamed.out.contains("импортирована как «Б1 Поверка (импорт)»"));
  QCOMPARE(programDatabaseLines().filter(QRegularExpression("^base ")).size(), 6);
}

void ImportToolTest::refusedFolderImportsNothing() {
  TempProgramDir dir;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory(), {"slave.DB"});
  const ToolRun refused = runImport(dir.path(), {old.path()});
  VERIFY_RUN(refused, 1);
  QVERIFY2(refused.err.contains(QDir::toNativeSeparators(old.filePath("slave.DB")) +
                                ": не найден: в папке нет таблицы slave.\nничего не импортировано\n"),
           qPrintable(refused.err));
  QCOMPARE(programDatabaseLines(), QStringList());
}

// Without a program directory: the server named by DATABASE_INI, and only a server.
void ImportToolTest::serverNamedOnTheCommandLine() {
  TempProgramDir program;  // the test server's database, emptied
  QTemporaryDir elsewhere;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());
  const QString ini = elsewhere.filePath("server.ini");
  if (TestDatabase::usesPostgres()) {
    QVERIFY(QFile::copy(program.filePath("sources/database.ini"), ini));
    const ToolRun imported = runImport(elsewhere.path(), {old.path(), ini});
    VERIFY_RUN(imported, 0);
    QCOMPARE(programDatabaseLines().filter(QRegularExpression("^masterarhive ")).size(), 2);
  } else {
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[database]\ndriver=sqlite\n");
    file.close();
    const ToolRun refused = runImport(elsewhere.path(), {old.path(), ini});
    VERIFY_RUN(refused, 1);
    QVERIFY2(refused.err.contains("не называет сервер PostgreSQL"), qPrintable(refused.err));
  }
  QCOMPARE(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
           QStringList{"server.ini"});
}

VT3417_REGISTER_TEST(ImportToolTest)
#include "ImportToolTest.moc"
