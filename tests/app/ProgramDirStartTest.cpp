#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestRegistry.h"

#include "app/Startup.h"
#include "settings/ProgramDir.h"
#include "ui/MessageService.h"

namespace {

// Restores the working directory and the program directory a start changed.
class WorkingDirGuard {
 public:
  WorkingDirGuard() : previous_(QDir::currentPath()) {}
  ~WorkingDirGuard() {
    QDir::setCurrent(previous_);
    setProgramDir(previous_);
  }
  WorkingDirGuard(const WorkingDirGuard&) = delete;
  WorkingDirGuard& operator=(const WorkingDirGuard&) = delete;

 private:
  QString previous_;
};

// An installation (bin/ beside share/vt3417/sources with the shipped files),
// a documents folder and an empty working directory.
struct StartPlaces {
  QTemporaryDir install, documents, working;
  QString bin() const { return install.filePath(QStringLiteral("usr/bin")); }
  QString own() const { return documents.filePath(QStringLiteral("VT3417")); }
  StartPlaces() {
    QDir().mkpath(bin());
    QDir().mkpath(install.filePath(QStringLiteral("usr/share/vt3417/sources")));
    for (const QString& name : shippedFileNames()) {
      QFile shipped(install.filePath(QStringLiteral("usr/share/vt3417/sources/") + name));
      if (shipped.open(QIODevice::WriteOnly)) shipped.write("template");
    }
  }
};

}  // namespace

class ProgramDirStartTest : public QObject {
  Q_OBJECT
 private slots:
  void startFromAMenuMakesTheOwnFolder();
  void startInAProgramDirectoryStaysThere();
  void startWithoutShippedDataSaysWhatIsMissing();
  void folderThatCannotBeMadeEndsTheStart();
};

void ProgramDirStartTest::startFromAMenuMakesTheOwnFolder() {
  WorkingDirGuard guard;
  StartPlaces places;
  QVERIFY(QDir::setCurrent(places.working.path()));
  MessageService::ScriptedAnswers answers;
  QVERIFY(enterProgramDir(places.documents.path(), places.bin()));
  QCOMPARE(answers.texts(), QStringList());
  const QString own = QDir(places.own()).canonicalPath();
  QVERIFY(!own.isEmpty());
  QCOMPARE(QDir::currentPath(), own);
  QCOMPARE(QDir(programDir()).canonicalPath(), own);
  QVERIFY(QFile::exists(programPath(QStringLiteral("sources/look.doc"))));
  QVERIFY(QFileInfo(programPath(QStringLiteral("protocols"))).isDir());
  // Nothing lands in the directory the program was started in.
  QVERIFY(QDir(places.working.path()).isEmpty());
}

void ProgramDirStartTest::startInAProgramDirectoryStaysThere() {
  WorkingDirGuard guard;
  StartPlaces places;
  QVERIFY(QDir(places.working.path()).mkdir(QStringLiteral("sources")));
  QVERIFY(QDir::setCurrent(places.working.path()));
  QVERIFY(enterProgramDir(places.documents.path(), places.bin()));
  QCOMPARE(QDir::currentPath(), QDir(places.working.path()).canonicalPath());
  QCOMPARE(QDir(programDir()).canonicalPath(), QDir(places.working.path()).canonicalPath());
  // An existing program directory is not filled, and the own folder not made.
  QVERIFY(!QFile::exists(QDir(places.working.path()).filePath(QStringLiteral("sources/look.doc"))));
  QVERIFY(!QFileInfo::exists(places.own()));
}

// An installation without its shared data: the own folder is made and the
// start goes on, but not silently.
void ProgramDirStartTest::startWithoutShippedDataSaysWhatIsMissing() {
  WorkingDirGuard guard;
  StartPlaces places;
  const QString shipped = places.install.filePath(QStringLiteral("usr/share/vt3417/sources"));
  QVERIFY(QDir(shipped).removeRecursively());
  QVERIFY(QDir::setCurrent(places.working.path()));
  for (int start = 1; start <= 2; ++start) {
    MessageService::ScriptedAnswers answers;
    QVERIFY(enterProgramDir(places.documents.path(), places.bin()));
    QCOMPARE(answers.texts().size(), 1);  // one box for all the files
    const QString text = answers.texts().front();
    for (const char* name : {"look.doc", "Glook.doc", "look.xls", "limits.csv"})
      QVERIFY2(text.contains(QLatin1String(name)), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(shipped)), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(places.own() + "/sources")), qPrintable(text));
    QCOMPARE(QDir(programDir()).canonicalPath(), QDir(places.own()).canonicalPath());
    QVERIFY(QDir::setCurrent(places.working.path()));
  }
  // A file the lab put in place is no longer missing.
  QFile limits(places.own() + "/sources/limits.csv");
  QVERIFY(limits.open(QIODevice::WriteOnly));
  limits.close();
  MessageService::ScriptedAnswers answers;
  QVERIFY(enterProgramDir(places.documents.path(), places.bin()));
  QCOMPARE(answers.texts().size(), 1);
  QVERIFY2(!answers.texts().front().contains("limits.csv"), qPrintable(answers.texts().front()));
}

void ProgramDirStartTest::folderThatCannotBeMadeEndsTheStart() {
  WorkingDirGuard guard;
  StartPlaces places;
  QFile blocker(places.own());  // a file where the own folder should be
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QVERIFY(QDir::setCurrent(places.working.path()));
  MessageService::ScriptedAnswers answers;
  QVERIFY(!enterProgramDir(places.documents.path(), places.bin()));
  const QStringList texts = answers.texts();
  QVERIFY2(!texts.isEmpty(), "the problems are shown");
  QCOMPARE(
      texts.back(),
      QStringLiteral("Не удалось открыть папку программы %1.").arg(QDir::toNativeSeparators(places.own())));
  QCOMPARE(QDir::currentPath(), QDir(places.working.path()).canonicalPath());
}

VT3417_REGISTER_TEST(ProgramDirStartTest)
#include "ProgramDirStartTest.moc"
