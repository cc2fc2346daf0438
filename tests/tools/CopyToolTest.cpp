#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestRegistry.h"

// vt3417-copy-db refuses a source that is not a bench's database before it
// goes near the server, and leaves the source as it was: a 0-byte file stays
// 0 bytes (it is never made into a new database), nothing is created beside it.
class CopyToolTest : public QObject {
  Q_OBJECT
 private slots:
  void sourceThatIsNoBenchDatabase_data();
  void sourceThatIsNoBenchDatabase();
};

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A SQLite file with one table of its own, none of the program's.
void writeForeignDatabase(const QString& path) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
    db.setDatabaseName(path);
    if (!db.open()) qFatal("cannot create %s", qPrintable(path));
    QSqlQuery(db).exec("create table notes (text varchar(20))");
    db.close();
  }
  QSqlDatabase::removeDatabase("foreign");
}

}  // namespace

void CopyToolTest::sourceThatIsNoBenchDatabase_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("told");  // in standard error
  QTest::newRow("0-byte file") << "empty"
                               << "нет таблиц программы";
  QTest::newRow("folder") << "folder"
                          << "является папкой";
  QTest::newRow("missing file") << "missing"
                                << "не найден";
  QTest::newRow("text file") << "text"
                             << "не является базой данных";
  QTest::newRow("database of another program") << "foreign"
                                               << "нет таблиц программы";
}

void CopyToolTest::sourceThatIsNoBenchDatabase() {
  QFETCH(QString, kind);
  QFETCH(QString, told);
  QTemporaryDir work;
  const QString source = work.filePath("vt3417.sqlite");
  if (kind == "empty") writeFile(source, {});
  if (kind == "folder") QDir(work.path()).mkdir("vt3417.sqlite");
  if (kind == "text") writeFile(source, "Класс;cos φ\n1;1\n");
  if (kind == "foreign") writeForeignDatabase(source);
  const QByteArray before = readFile(source);
  // A server no one listens on: the source must be refused before it is tried.
  const QString settings = work.filePath("database.ini");
  writeFile(settings, "[database]\ndriver=postgresql\nhost=127.0.0.1\nport=1\nname=vt3417\nuser=bench\n");
  const QStringList filesBefore = QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

  QProcess tool;
  tool.start(VT3417_COPY_DB, {source, settings});
  QVERIFY(tool.waitForFinished(30000));
  const QString err = QString::fromUtf8(tool.readAllStandardError());
  QCOMPARE(tool.exitCode(), 1);
  QVERIFY2(err.contains(told), qPrintable(err));
  QVERIFY2(!err.contains("подключиться"), qPrintable(err));
  QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
  QCOMPARE(readFile(source), before);
}

VT3417_REGISTER_TEST(CopyToolTest)
#include "CopyToolTest.moc"
