#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

#include "ReadBack.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/ProtocolContent.h"
#include "reports/VerificationProgram.h"
#include "settings/SmallFile.h"

Q_DECLARE_METATYPE(Verdict)

namespace {

const QString kHeader = QStringLiteral("Класс;Тип;Напряжение, %;Ток, %;cos φ\n");

AccuracyLimits shippedLimits() {
  QStringList problems;
  return AccuracyLimits::load(sourceTreePath(QStringLiteral("data/sources/limits.csv")), &problems);
}

VerificationPrograms programsOf(const QString& rows) {
  QStringList problems;
  const VerificationPrograms programs =
      VerificationPrograms::parse(kHeader + rows, "programs.csv", &problems);
  if (!problems.isEmpty()) qWarning() << problems;
  return programs;
}

// "100 5 1.000 0.4": voltage, current, power factor and error ("-": none) of a
// marked point of a class 1 meter, judged against the shipped limits.
MeasuredPoint markedPoint(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(' '));
  MeasuredPoint point;
  point.voltagePercent = parts[0].toDouble();
  point.currentPercent = parts[1].toDouble();
  point.powerFactor = parts[2];
  if (parts[3] != QLatin1String("-")) point.error = parts[3].toDouble();
  static const AccuracyLimits limits = shippedLimits();
  point.judgement = judgePoint(limits, 1, point.powerFactor, point.currentPercent, point.error);
  return point;
}

QString stateText(const ProgramPointResult& result) {
  switch (result.state) {
    case ProgramPointState::Passed:
      return QStringLiteral("✓");
    case ProgramPointState::Failed:
      return QStringLiteral("✗");
    case ProgramPointState::NotJudged:
      return QStringLiteral("?");
    case ProgramPointState::Missing:
      break;
  }
  return QStringLiteral("нет");
}

QStringList currents(const QList<ProgramPoint>& program) {
  QStringList texts;
  for (const ProgramPoint& point : program) texts << QString::number(point.currentPercent);
  return texts;
}

void writeText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

}  // namespace

class VerificationProgramTest : public QObject {
  Q_OBJECT
 private slots:
  // Which measured points cover a program point: the tolerances at their edges.
  void coverage_data() {
    QTest::addColumn<QString>("program");  // voltage, current, cos φ of the program point
    QTest::addColumn<double>("voltage");
    QTest::addColumn<double>("current");
    QTest::addColumn<QString>("km");
    QTest::addColumn<bool>("covered");
    const QString low = QStringLiteral("100;5;1");
    const QString nominal = QStringLiteral("100;100;1");
    QTest::newRow("Tok 3,9 of 5") << low << 100.0 << 3.9 << "1.000" << false;
    QTest::newRow("Tok 4 of 5") << low << 100.0 << 4.0 << "1.000" << true;
    QTest::newRow("Tok 5 of 5") << low << 100.0 << 5.0 << "1.000" << true;
    QTest::newRow("Tok 6 of 5") << low << 100.0 << 6.0 << "1.000" << true;
    QTest::newRow("Tok 6,1 of 5") << low << 100.0 << 6.1 << "1.000" << false;
    QTest::newRow("Tok 95 of 100") << nominal << 100.0 << 95.0 << "1.000" << true;
    QTest::newRow("Tok 105 of 100") << nominal << 100.0 << 105.0 << "1.000" << true;
    QTest::newRow("Tok 106 of 100") << nominal << 100.0 << 106.0 << "1.000" << false;
    QTest::newRow("voltage 98") << nominal << 98.0 << 100.0 << "1.000" << false;
    QTest::newRow("voltage 99") << nominal << 99.0 << 100.0 << "1.000" << true;
    QTest::newRow("voltage 101") << nominal << 101.0 << 100.0 << "1.000" << true;
    QTest::newRow("voltage 102") << nominal << 102.0 << 100.0 << "1.000" << false;
    QTest::newRow("cos φ 1, letter L") << nominal << 100.0 << 100.0 << "1.0/L" << true;
    QTest::newRow("cos φ 1, 0,98/C") << nominal << 100.0 << 100.0 << "0.98/C" << true;
    QTest::newRow("cos φ 1, 0,97") << nominal << 100.0 << 100.0 << "0.97" << false;
    QTest::newRow("0,5 инд., 0.50/L") << "100;10;0.5/L" << 100.0 << 10.0 << "0.50/L" << true;
    QTest::newRow("0,5 инд., 0.52/L") << "100;10;0.5/L" << 100.0 << 10.0 << "0.52/L" << true;
    QTest::newRow("0,5 инд., 0.53/L") << "100;10;0.5/L" << 100.0 << 10.0 << "0.53/L" << false;
    QTest::newRow("0,5 инд., capacitive") << "100;10;0.5/L" << 100.0 << 10.0 << "0.5/C" << false;
    QTest::newRow("0,5 инд., letter cut off") << "100;10;0.5/L" << 100.0 << 10.0 << "0.500/" << false;
    QTest::newRow("0,8 емк., 0.8/C") << "100;10;0.8/C" << 100.0 << 10.0 << "0.8/C" << true;
    QTest::newRow("unreadable power factor") << nominal << 100.0 << 100.0 << "?" << false;
  }
  void coverage() {
    QFETCH(QString, program);
    QFETCH(double, voltage);
    QFETCH(double, current);
    QFETCH(QString, km);
    QFETCH(bool, covered);
    const QList<ProgramPoint> points = programsOf(QStringLiteral("1;;") + program + '\n').programFor(1, {});
    QCOMPARE(points.size(), 1);
    QCOMPARE(covers(points[0], voltage, current, km), covered);
  }

  // A class 1 meter against the program 5 % cos φ = 1, 100 % 0,5 инд., 100 % 0,8 емк.
  void assessment_data() {
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<Verdict>("verdict");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("status");
    const QString low = QStringLiteral("100 5 1.000 0.4");
    const QString inductive = QStringLiteral("100 100 0.5/L 0.3");
    const QString capacitive = QStringLiteral("100 100 0.8/C -0.2");
    QTest::newRow("every point passed") << QStringList{low, inductive, capacitive} << Verdict::Fit << "✓✓✓"
                                        << "Годен";
    QTest::newRow("one missing") << QStringList{low, inductive} << Verdict::NotJudged << "✓✓нет"
                                 << "Не оценён: нет 1 из 3 точек";
    QTest::newRow("nothing marked") << QStringList{} << Verdict::NotJudged << "нетнетнет"
                                    << "Не оценён: нет 3 из 3 точек";
    QTest::newRow("program point beyond")
        << QStringList{low, "100 100 0.5/L 1.2", capacitive} << Verdict::Unfit << "✓✗✓"
        << "Не годен";
    QTest::newRow("beyond outside the program, points missing")
        << QStringList{low, "100 50 1.000 1.4"} << Verdict::Unfit << "✓нетнет"
        << "Не годен";
    QTest::newRow("within and beyond cover one point")
        << QStringList{low, "100 5.5 1.000 1.6", inductive, capacitive} << Verdict::Unfit << "✗✓✓"
        << "Не годен";
    QTest::newRow("within and without error cover one point")
        << QStringList{"100 5.5 1.000 -", low, inductive, capacitive} << Verdict::Fit << "✓✓✓"
        << "Годен";
    QTest::newRow("covered only without error")
        << QStringList{low, inductive, "100 100 0.8/C -"} << Verdict::NotJudged << "✓✓нет"
        << "Не оценён: нет 1 из 3 точек";
    QTest::newRow("an unjudged point outside the program")
        << QStringList{low, inductive, capacitive, "100 50 0.866/ 0.1"} << Verdict::Fit << "✓✓✓"
        << "Годен";
  }
  void assessment() {
    QFETCH(QStringList, marked);
    QFETCH(Verdict, verdict);
    QFETCH(QString, states);
    QFETCH(QString, status);
    const QList<ProgramPoint> program = programsOf("1;;100;5;1\n1;;100;100;0.5/L\n1;;100;100;0,8/C\n")
                                            .programFor(1, QStringLiteral("СО-505"));
    QList<MeasuredPoint> points;
    for (const QString& text : marked) points << markedPoint(text);
    const MeterAssessment assessment = assessMeter(program, points);
    QCOMPARE(assessment.verdict, verdict);
    QString shown;
    for (const ProgramPointResult& result : assessment.program) shown += stateText(result);
    QCOMPARE(shown, states);
    QCOMPARE(assessmentText(assessment), status);
  }

  // Without a program the verdict is the marked points' as before: one point within is enough.
  void withoutProgramTheMarkedPointsDecide() {
    const MeterAssessment fit = assessMeter({}, {markedPoint("100 100 0.5/L 0.3")});
    QCOMPARE(fit.verdict, Verdict::Fit);
    QVERIFY(!fit.hasProgram());
    QCOMPARE(assessmentText(fit), "Годен");
    QCOMPARE(assessMeter({}, {markedPoint("100 50 0.866/ 0.1")}).verdict, Verdict::NotJudged);
    QCOMPARE(assessmentText(assessMeter({}, {})), "Не оценён");
  }

  // A point measured where the limits have no row (below 5 % at cos φ = 1 in
  // class 1) is not judged; the protocol tells it from a point not measured.
  void pointsTheLimitsDoNotJudge() {
    const QList<ProgramPoint> program = programsOf("1;;100;2;1\n1;;100;5;1\n").programFor(1, {});
    const MeterAssessment assessment = assessMeter(program, {markedPoint("100 2 1.000 0.3")});
    QCOMPARE(assessment.verdict, Verdict::NotJudged);
    QCOMPARE(stateText(assessment.program[0]) + stateText(assessment.program[1]), "?нет");
    QCOMPARE(assessment.program[0].covering->error, 0.3);
    QCOMPARE(programGapsText(assessment),
             "не измерены точки программы: 5 % cos φ = 1; не оценены точки программы: 2 % cos φ = 1.");
    // Judged (beyond at 5 %): no gaps to tell.
    QCOMPARE(programGapsText(assessMeter(program, {markedPoint("100 5 1.000 1.6")})), "");
  }

  // A type with rows of its own has its own program instead of its class's.
  void programOfAMeter_data() {
    QTest::addColumn<double>("accuracyClass");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("currents");
    QTest::newRow("class program") << 1.0 << "СО-505" << QStringList{"5", "10", "100"};
    QTest::newRow("type program") << 1.0 << "СЕ 101" << QStringList{"20", "400"};
    QTest::newRow("type trimmed, any case") << 1.0 << "  се 101 " << QStringList{"20", "400"};
    QTest::newRow("no type") << 1.0 << "" << QStringList{"5", "10", "100"};
    QTest::newRow("type program of another class") << 2.0 << "СЕ 101" << QStringList{};
    QTest::newRow("class without rows") << 0.5 << "СО-505" << QStringList{};
    QTest::newRow("class written 1,0") << 1.0000001 << "СО-505" << QStringList{"5", "10", "100"};
  }
  void programOfAMeter() {
    QFETCH(double, accuracyClass);
    QFETCH(QString, type);
    QFETCH(QStringList, currents);
    const VerificationPrograms programs =
        programsOf("1;;100;5;1\n1;СЕ 101;100;20;1\n1;;100;10;1\n1,0;;100;100;1\n1; се 101 ;100;400;0.5/L\n");
    QCOMPARE(::currents(programs.programFor(accuracyClass, type)), currents);
  }

  void damagedLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("too few fields") << "1;;100;5"
                                    << "ожидается 5 полей через «;», найдено 4";
    QTest::newRow("class") << "первый;;100;5;1"
                           << "класс точности «первый» не распознан";
    QTest::newRow("voltage") << "1;;;5;1"
                             << "напряжение «» не положительное число";
    QTest::newRow("current zero") << "1;;100;0;1"
                                  << "ток «0» не положительное число";
    QTest::newRow("current text") << "1;;100;5 %;1"
                                  << "ток «5 %» не положительное число";
    QTest::newRow("power factor") << "1;;100;5;0.5/X"
                                  << "cos φ «0.5/X» не распознан";
    QTest::newRow("power factor above 1") << "1;;100;5;1.2"
                                          << "cos φ «1.2» не распознан";
    QTest::newRow("power factor without letter") << "1;;100;5;0.5"
                                                 << "у cos φ «0.5» нет буквы L (инд.) или C (емк.)";
  }
  void damagedLines() {
    QFETCH(QString, line);
    QFETCH(QString, reason);
    QStringList problems;
    const VerificationPrograms programs = VerificationPrograms::parse(
        "\xEF\xBB\xBF# программа\r\n" + kHeader + line + "\r\n1;;100;10;0,5/l\r\n", "programs.csv",
        &problems);
    QCOMPARE(problems, QStringList{"programs.csv, строка 3: " + reason});
    QCOMPARE(programs.rows().size(), 1);
    QCOMPARE(programs.rows()[0].point.powerFactor.letter, QChar('L'));
  }

  // The whole file: missing (no programs, no problem), unreadable and too large (a problem naming it).
  void files() {
    TempProgramDir program;
    QStringList problems;
    QVERIFY(VerificationPrograms::load(program.filePath("sources/programs.csv"), &problems).isEmpty());
    QCOMPARE(problems, QStringList());

    QVERIFY(QDir(program.path()).mkpath("sources/programs.csv"));
    QVERIFY(VerificationPrograms::load(program.filePath("sources/programs.csv"), &problems).isEmpty());
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems[0].contains("не удалось прочитать"), qPrintable(problems[0]));
    QVERIFY(QDir(program.filePath("sources/programs.csv")).removeRecursively());

    QByteArray huge = kHeader.toUtf8();
    while (huge.size() <= kTableFileMaxBytes) huge += "1;;100;5;1\n";
    writeText(program.filePath("sources/programs.csv"), huge);
    problems.clear();
    QVERIFY(VerificationPrograms::load(program.filePath("sources/programs.csv"), &problems).isEmpty());
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems[0].contains("слишком велик"), qPrintable(problems[0]));
  }

  // The program's programs follow the file; a damaged line is reported once per reading.
  void programsFollowTheFile() {
    TempProgramDir program;
    QList<QStringList> reported;
    setProgramsProblemReporter([&reported](const QStringList& problems) { reported.append(problems); });
    QVERIFY(verificationPrograms().isEmpty());
    const QString path = program.filePath("sources/programs.csv");
    writeText(path, (kHeader + "1;;100;5;1\nbad\n").toUtf8());
    QCOMPARE(verificationPrograms().rows().size(), 1);
    QCOMPARE(verificationPrograms().rows().size(), 1);
    QCOMPARE(reported.size(), 1);
    QVERIFY(reported[0].value(0).endsWith("строка 3: ожидается 5 полей через «;», найдено 1"));
    writeText(path, (kHeader + "1;;100;5;1\n1;;100;10;1\n").toUtf8());
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    QCOMPARE(verificationPrograms().rows().size(), 2);
    QCOMPARE(reported.size(), 1);
    setProgramsProblemReporter({});
    QVERIFY(QFile::remove(path));
    QVERIFY(verificationPrograms().isEmpty());
  }

  // The shipped programs: nine points per class, each judged by a row of the shipped limits.
  void shippedPrograms() {
    QStringList problems;
    const VerificationPrograms programs =
        VerificationPrograms::load(sourceTreePath(QStringLiteral("data/sources/programs.csv")), &problems);
    QCOMPARE(problems, QStringList());
    QCOMPARE(programs.rows().size(), 36);
    QStringList classOne;
    for (const ProgramPoint& point : programs.programFor(1, QStringLiteral("СО-505")))
      classOne << programPointShortText(point);
    QCOMPARE(classOne, (QStringList{"5 % cos φ = 1", "10 % cos φ = 1", "100 % cos φ = 1", "10 % 0,5 инд.",
                                    "20 % 0,5 инд.", "100 % 0,5 инд.", "10 % 0,8 емк.", "20 % 0,8 емк.",
                                    "100 % 0,8 емк."}));
    QCOMPARE(::currents(programs.programFor(0.2, {})),
             (QStringList{"1", "5", "100", "2", "10", "100", "2", "10", "100"}));
    const AccuracyLimits limits = shippedLimits();
    for (const ProgramRow& row : programs.rows()) {
      const QString km =
          QString::number(row.point.powerFactor.value) +
          (row.point.powerFactor.letter.isNull() ? QString()
                                                 : QStringLiteral("/") + row.point.powerFactor.letter);
      QVERIFY2(limits.rowFor(row.accuracyClass, km, row.point.currentPercent),
               qPrintable(row.classText + " " + programPointText(row.point)));
    }
  }

  void pointTexts_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortText");
    QTest::newRow("inductive") << "100;10;0.5/L"
                               << "10 % Iном, cos φ = 0,5 инд., 100 % Uном"
                               << "10 % 0,5 инд.";
    QTest::newRow("unity") << "100;5;1.000"
                           << "5 % Iном, cos φ = 1, 100 % Uном"
                           << "5 % cos φ = 1";
    QTest::newRow("capacitive, low voltage") << "90;2,5;0,8/C"
                                             << "2,5 % Iном, cos φ = 0,8 емк., 90 % Uном"
                                             << "2,5 % 0,8 емк., 90 % Uном";
  }
  void pointTexts() {
    QFETCH(QString, row);
    QFETCH(QString, text);
    QFETCH(QString, shortText);
    const QList<ProgramPoint> program = programsOf("1;;" + row + '\n').programFor(1, {});
    QCOMPARE(programPointText(program.value(0)), text);
    QCOMPARE(programPointShortText(program.value(0)), shortText);
  }
};

VT3417_REGISTER_TEST(VerificationProgramTest)
#include "VerificationProgramTest.moc"
