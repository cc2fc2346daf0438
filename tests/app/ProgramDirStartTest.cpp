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

// An installation (bin/ beside share/vt3417/sources with look.doc), a
// documents folder and an empty working directory.
struct StartPlaces {
  QTemporaryDir install, documents, working;
  QString bin() const { return install.filePath(QStringLiteral("usr/bin")); }
  QString own() const { return documents.filePath(QStringLiteral("VT3417")); }
  StartPlaces() {
    QDir().mkpath(bin());
    QDir().mkpath(install.filePath(QStringLiteral("usr/share/vt3417/sources")));
    QFile look(install.filePath(QStringLiteral("usr/share/vt3417/sources/look.doc")));
    if (look.open(QIODevice::WriteOnly)) look.write("template");
  }
};

}  // namespace

class ProgramDirStartTest : public QObject {
  Q_OBJECT
 private slots:
  void startFromAMenuMakesTheOwnFolder();
  void startInAProgramDirectoryStaysThere();
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
