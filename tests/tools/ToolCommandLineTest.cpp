#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestRegistry.h"
#include "support/ToolProcess.h"

// Every tool reads its command line alike: "--help" prints the usage and ends
// with 0, an unknown option or a wrong number of arguments is a usage error
// with exit code 2, and nothing is created or served then.
class ToolCommandLineTest : public QObject {
  Q_OBJECT
 private slots:
  void answers_data();
  void answers();
};

namespace {

// Runs the tool in an empty working directory; `created` gets what it left there.
ToolRun runInEmptyDir(const QString& program, const QStringList& arguments, QStringList* created) {
  QTemporaryDir work;
  const ToolRun run = runTool(program, work.path(), arguments, 30000);
  *created = QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  return run;
}

}  // namespace

void ToolCommandLineTest::answers_data() {
  QTest::addColumn<QString>("program");
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("outContains");  // in standard output
  QTest::addColumn<QString>("errContains");  // in standard error
  const auto tool = [](const char* name, const QString& program) {
    const QString usage = QStringLiteral("Usage: ");
    QTest::addRow("%s --help", name) << program << QStringList{"--help"} << 0 << usage << QString();
    QTest::addRow("%s -h", name) << program << QStringList{"-h"} << 0 << usage << QString();
    QTest::addRow("%s unknown option", name)
        << program << QStringList{"--frobnicate"} << 2 << QString() << "Unknown option 'frobnicate'";
    QTest::addRow("%s unknown option shows the usage", name)
        << program << QStringList{"-q", "x"} << 2 << QString() << usage;
  };
  tool("replay", QStringLiteral(VT3417_REPLAY));
  QTest::newRow("replay without a file")
      << QStringLiteral(VT3417_REPLAY) << QStringList{} << 2 << QString() << "missing argument";
  QTest::newRow("replay with two files") << QStringLiteral(VT3417_REPLAY) << QStringList{"a", "b"} << 2
                                         << QString() << "unexpected argument \"b\"";
  tool("sample-db", QStringLiteral(VT3417_SAMPLE_DB));
  QTest::newRow("sample-db without a folder")
      << QStringLiteral(VT3417_SAMPLE_DB) << QStringList{} << 2 << QString() << "missing argument";
  tool("import-legacy", QStringLiteral(VT3417_IMPORT_LEGACY));
  QTest::newRow("import-legacy without a folder")
      << QStringLiteral(VT3417_IMPORT_LEGACY) << QStringList{} << 2 << QString() << "missing argument";
  QTest::newRow("import-legacy with three arguments")
      << QStringLiteral(VT3417_IMPORT_LEGACY) << QStringList{"a", "b", "c"} << 2 << QString()
      << "unexpected argument \"c\"";
#ifdef VT3417_SIM
  tool("sim", QStringLiteral(VT3417_SIM));
  QTest::newRow("sim with an argument") << QStringLiteral(VT3417_SIM) << QStringList{"extra"} << 2
                                        << QString() << "unexpected argument \"extra\"";
  QTest::newRow("sim option without its value")
      << QStringLiteral(VT3417_SIM) << QStringList{"--duration"} << 2 << QString() << "Missing value after";
  // Durations no run can have: refused, not a run that ends at once.
  for (const char* duration : {"nan", "inf", "1e300", "-1", "604801"})
    QTest::addRow("sim --duration %s", duration)
        << QStringLiteral(VT3417_SIM) << QStringList{"--duration", duration} << 2 << QString()
        << "--duration expects seconds from 0 to 604800";
  // A folder that is no program directory is not made one.
  QTest::newRow("sim --program-dir without sources")
      << QStringLiteral(VT3417_SIM) << QStringList{"--program-dir", "lab/bench", "--duration", "0.5"} << 1
      << QString() << "lab/bench is not a program directory: it has no sources folder";
#endif
}

void ToolCommandLineTest::answers() {
  QFETCH(QString, program);
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, outContains);
  QFETCH(QString, errContains);
  QStringList created;
  const ToolRun run = runInEmptyDir(program, arguments, &created);
  QVERIFY2(run.exitCode == exitCode,
           qPrintable(QStringLiteral("exit %1\n%2%3").arg(run.exitCode).arg(run.out, run.err)));
  QVERIFY2(run.out.contains(outContains), qPrintable(run.out));
  QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
  QCOMPARE(created, QStringList());  // "--help" is no folder, and nothing is served
}

VT3417_REGISTER_TEST(ToolCommandLineTest)
#include "ToolCommandLineTest.moc"
