#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestRegistry.h"
#include "ui/MessageService.h"

// The program's start run as a real process (the start probe) in program
// directories that are whole or broken: whatever goes wrong is said in a box
// and the process ends with an exit code of its own, never by aborting.
class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void startOutcome_data();
  void startOutcome();
  void formatsFollowTheSystemLocale_data();
  void formatsFollowTheSystemLocale();
};

namespace {

enum class ProgramDirState { Whole, NoSources, ConfigIsAFolder, NotADatabase };

struct StartRun {
  QProcess::ExitStatus status = QProcess::CrashExit;
  int exitCode = -1;
  QStringList boxes;  // "kind|caption|text"
  QString formats;    // "date|number" as the program writes them
};

// `locale`: variables such as "LC_ALL=C" in place of the caller's locale settings.
StartRun runStart(const QString& programDir, const QString& tempDir, const QString& home,
                  const QStringList& locale = {}) {
  QProcess probe;
  probe.setProgram(QStringLiteral(VT3417_START_PROBE));
  probe.setWorkingDirectory(programDir);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("TMPDIR", tempDir);  // a single-instance marker of its own
  environment.insert("HOME", home);       // the documents folder the start may fall back to
  environment.remove("XDG_DOCUMENTS_DIR");
  environment.remove("XDG_CONFIG_HOME");
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  if (!locale.isEmpty()) {
    for (const QString& name : environment.keys())
      if (name == u"LANG" || name == u"LANGUAGE" || name.startsWith(u"LC_")) environment.remove(name);
    for (const QString& variable : locale)
      environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
  }
  probe.setProcessEnvironment(environment);
  probe.start();
  StartRun run;
  if (!probe.waitForFinished(60000)) {
    probe.kill();
    probe.waitForFinished();
    return run;
  }
  run.status = probe.exitStatus();
  run.exitCode = probe.exitCode();
  for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split('\n')) {
    if (line.startsWith("box|")) run.boxes << line.mid(4);
    if (line.startsWith("formats|")) run.formats = line.mid(8);
  }
  return run;
}

}  // namespace

void StartupTest::startOutcome_data() {
  QTest::addColumn<int>("state");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QStringList>("boxes");  // each with %1 for the program directory
  const QString error = QString::number(int(MessageService::Kind::Error)) + "|ВТ3417|";
  const QString plain = QString::number(int(MessageService::Kind::Plain)) + "|ВТ3417|";
  QTest::newRow("whole program directory") << int(ProgramDirState::Whole) << 0 << QStringList{};
  QTest::newRow("no sources folder") << int(ProgramDirState::NoSources) << 1
                                     << QStringList{plain + "Не удалось открыть папку программы %2."};
  QTest::newRow("config.prt is a folder")
      << int(ProgramDirState::ConfigIsAFolder) << 1
      << QStringList{error +
                     "Не удалось прочитать файл настроек \"%1/sources/config.prt\": "
                     "на этом месте папка, а не файл"};
  QTest::newRow("database file is not a database")
      << int(ProgramDirState::NotADatabase) << 1
      << QStringList{plain + "База данных \"%1/base/vt3417.sqlite\": файл не является базой данных.",
                     plain + "Tmaster is  not Active.",
                     plain + "Tslave is  not Active.",
                     plain + "TBase is  not Active.",
                     plain + "TmasterArhive is  not Active.",
                     plain + "TSlaveArhive is  not Active."};
}

void StartupTest::startOutcome() {
  QFETCH(int, state);
  QFETCH(int, exitCode);
  QFETCH(QStringList, boxes);
  QTemporaryDir programDir;
  QTemporaryDir tempDir;
  const QDir dir(programDir.path());
  if (state != int(ProgramDirState::NoSources)) QVERIFY(dir.mkpath("sources"));
  if (state == int(ProgramDirState::ConfigIsAFolder)) QVERIFY(dir.mkpath("sources/config.prt"));
  if (state == int(ProgramDirState::NotADatabase)) {
    QVERIFY(dir.mkpath("base"));
    QFile file(dir.filePath("base/vt3417.sqlite"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
  }
  // Without sources/ the program would make its own folder in the documents
  // folder; a home that is a file leaves it nowhere to go.
  const QString home = tempDir.filePath("home");
  if (state == int(ProgramDirState::NoSources)) {
    QFile file(home);
    QVERIFY(file.open(QIODevice::WriteOnly));
  } else {
    QVERIFY(QDir().mkpath(home));
  }
  const StartRun run = runStart(programDir.path(), tempDir.path(), home);
  QCOMPARE(run.status, QProcess::NormalExit);
  QCOMPARE(run.exitCode, exitCode);
  QStringList expected;
  const QString ownFolder = QDir::toNativeSeparators(home + "/Documents/VT3417");
  for (const QString& box : boxes)
    expected
        << QString(box).replace("%1", QDir::toNativeSeparators(programDir.path())).replace("%2", ownFolder);
  // Without a usable documents folder the boxes first say what could not be
  // made there; the last one says that the program cannot work.
  QCOMPARE(state == int(ProgramDirState::NoSources) ? run.boxes.mid(run.boxes.size() - 1) : run.boxes,
           expected);
  if (state == int(ProgramDirState::NoSources))
    QVERIFY(!dir.exists("base"));  // nothing made in a stranger's folder
  if (state == int(ProgramDirState::ConfigIsAFolder))
    QVERIFY(QFileInfo(dir.filePath("sources/config.prt")).isDir());
  if (state == int(ProgramDirState::Whole)) QVERIFY(QFile::exists(dir.filePath("sources/config.prt")));
}

void StartupTest::formatsFollowTheSystemLocale_data() {
  QTest::addColumn<QStringList>("locale");
  QTest::addColumn<QString>("formats");  // 10 December 2026 and 1.5 as the program writes them
  // The interface is Russian: without a locale of the system's choice dates
  // and numbers are written as in Russian, not as "10 Dec 2026" and "1.5".
  QTest::newRow("LC_ALL=C") << QStringList{"LC_ALL=C"} << "10.12.2026|1,5";
  QTest::newRow("LANG=C.UTF-8") << QStringList{"LANG=C.UTF-8"} << "10.12.2026|1,5";
  QTest::newRow("LANG empty") << QStringList{"LANG="} << "10.12.2026|1,5";
  // A locale of the system's choice is honoured.
  QTest::newRow("LC_ALL=uk_UA.UTF-8") << QStringList{"LC_ALL=uk_UA.UTF-8"} << "10.12.26|1,5";
  QTest::newRow("LANG=kk_KZ.UTF-8") << QStringList{"LANG=kk_KZ.UTF-8"} << "10.12.26|1,5";
  QTest::newRow("LANG=en_US.UTF-8") << QStringList{"LANG=en_US.UTF-8"} << "12/10/26|1.5";
}

void StartupTest::formatsFollowTheSystemLocale() {
  QFETCH(QStringList, locale);
  QFETCH(QString, formats);
  QTemporaryDir programDir;
  QTemporaryDir tempDir;
  QVERIFY(QDir(programDir.path()).mkpath("sources"));
  const StartRun run = runStart(programDir.path(), tempDir.path(), tempDir.path(), locale);
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.formats, formats);
}

VT3417_REGISTER_TEST(StartupTest)
#include "StartupTest.moc"
