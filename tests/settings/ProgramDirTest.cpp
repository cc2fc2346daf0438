#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestRegistry.h"

#include "settings/ProgramDir.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Shipped data as an installation lays it out: bin/ beside share/vt3417/sources.
struct ShippedLayout {
  QTemporaryDir root;
  QString bin() const { return root.filePath(QStringLiteral("bin")); }
  QString sources() const { return root.filePath(QStringLiteral("share/vt3417/sources")); }
  ShippedLayout() {
    writeFile(QDir(sources()).filePath(QStringLiteral("look.doc")), "shipped look.doc");
    writeFile(QDir(sources()).filePath(QStringLiteral("look.xls")), "shipped look.xls");
    writeFile(QDir(sources()).filePath(QStringLiteral("extra/notes.txt")), "shipped notes");
    QDir().mkpath(bin());
  }
};

}  // namespace

class ProgramDirTest : public QObject {
  Q_OBJECT
 private slots:
  void choice();
  void shippedSourcesBesideTheExecutable();
  void firstFillCopiesShippedFiles();
  void laterFillsKeepTheUsersFiles();
  void withoutShippedDataOnlyFolders();
  void unmakeableFolderIsReported();
};

void ProgramDirTest::choice() {
  QTemporaryDir working;
  QTemporaryDir documents;
  const QString own = QDir(documents.path()).filePath(QStringLiteral("VT3417"));
  // Started from a menu: no sources/ in the working directory.
  QCOMPARE(chooseProgramDir(working.path(), documents.path()), own);
  // A file called "sources" is no program directory either.
  writeFile(working.filePath(QStringLiteral("sources")), "x");
  QCOMPARE(chooseProgramDir(working.path(), documents.path()), own);
  QVERIFY(QFile::remove(working.filePath(QStringLiteral("sources"))));
  // An existing program directory (a lab's, the demo's) is used as it is.
  QVERIFY(QDir(working.path()).mkdir(QStringLiteral("sources")));
  QCOMPARE(chooseProgramDir(working.path(), documents.path()), working.path());
  // Without a documents folder the working directory stays.
  QTemporaryDir bare;
  QCOMPARE(chooseProgramDir(bare.path(), QString()), bare.path());
  // Choosing makes nothing.
  QVERIFY(!QFileInfo::exists(own));
}

void ProgramDirTest::shippedSourcesBesideTheExecutable() {
  QCOMPARE(shippedSourcesDir(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/vt3417/sources"));
  QCOMPARE(shippedSourcesDir(QStringLiteral("/tmp/root/usr/bin/")),
           QStringLiteral("/tmp/root/usr/share/vt3417/sources"));
}

void ProgramDirTest::firstFillCopiesShippedFiles() {
  ShippedLayout shipped;
  QFile::setPermissions(QDir(shipped.sources()).filePath(QStringLiteral("look.doc")),
                        QFileDevice::ReadOwner | QFileDevice::ReadOther);
  QTemporaryDir documents;
  const QString dir = QDir(documents.path()).filePath(QStringLiteral("VT3417"));
  QCOMPARE(fillProgramDir(dir, shippedSourcesDir(shipped.bin())), QStringList());
  for (const char* folder : {"sources", "base", "protocols"})
    QVERIFY2(QFileInfo(QDir(dir).filePath(QLatin1String(folder))).isDir(), folder);
  QCOMPARE(readFile(QDir(dir).filePath(QStringLiteral("sources/look.doc"))), QByteArray("shipped look.doc"));
  QCOMPARE(readFile(QDir(dir).filePath(QStringLiteral("sources/look.xls"))), QByteArray("shipped look.xls"));
  QCOMPARE(readFile(QDir(dir).filePath(QStringLiteral("sources/extra/notes.txt"))),
           QByteArray("shipped notes"));
  // The copy of a read-only shipped file is the user's to change.
  QVERIFY(QFileInfo(QDir(dir).filePath(QStringLiteral("sources/look.doc"))).permissions() &
          QFileDevice::WriteOwner);
}

void ProgramDirTest::laterFillsKeepTheUsersFiles() {
  ShippedLayout shipped;
  QTemporaryDir dir;
  writeFile(dir.filePath(QStringLiteral("sources/look.doc")), "the lab's own template");
  writeFile(dir.filePath(QStringLiteral("protocols/old.docx")), "protocol");
  QCOMPARE(fillProgramDir(dir.path(), shipped.sources()), QStringList());
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/look.doc"))), QByteArray("the lab's own template"));
  QCOMPARE(readFile(dir.filePath(QStringLiteral("protocols/old.docx"))), QByteArray("protocol"));
  // A shipped file the user deleted comes back at the next start.
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/look.xls"))), QByteArray("shipped look.xls"));
  QVERIFY(QFile::remove(dir.filePath(QStringLiteral("sources/look.xls"))));
  QCOMPARE(fillProgramDir(dir.path(), shipped.sources()), QStringList());
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/look.xls"))), QByteArray("shipped look.xls"));
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/look.doc"))), QByteArray("the lab's own template"));
}

void ProgramDirTest::withoutShippedDataOnlyFolders() {
  QTemporaryDir root;
  const QString dir = root.filePath(QStringLiteral("VT3417"));
  QCOMPARE(fillProgramDir(dir, root.filePath(QStringLiteral("no/such/sources"))), QStringList());
  QVERIFY(QFileInfo(QDir(dir).filePath(QStringLiteral("sources"))).isDir());
  QVERIFY(QDir(QDir(dir).filePath(QStringLiteral("sources"))).isEmpty());
  QVERIFY(QFileInfo(QDir(dir).filePath(QStringLiteral("protocols"))).isDir());
}

void ProgramDirTest::unmakeableFolderIsReported() {
  ShippedLayout shipped;
  QTemporaryDir root;
  writeFile(root.filePath(QStringLiteral("Documents")), "a file where the folder should be");
  const QString dir = root.filePath(QStringLiteral("Documents/VT3417"));
  const QStringList problems = fillProgramDir(dir, shipped.sources());
  QCOMPARE(problems.size(), 3);
  QCOMPARE(problems.front(),
           QStringLiteral("Не удалось создать папку %1.")
               .arg(QDir::toNativeSeparators(QDir(dir).filePath(QStringLiteral("sources")))));
}

VT3417_REGISTER_TEST(ProgramDirTest)
#include "ProgramDirTest.moc"
