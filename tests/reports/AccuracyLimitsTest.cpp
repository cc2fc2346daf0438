#include <QDateTime>
#include <QFile>
#include <QTest>

#include "ReadBack.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "reports/AccuracyLimits.h"

Q_DECLARE_METATYPE(PointState)
Q_DECLARE_METATYPE(Verdict)

namespace {

AccuracyLimits shippedLimits() {
  QStringList problems;
  const AccuracyLimits limits =
      AccuracyLimits::load(sourceTreePath(QStringLiteral("data/sources/limits.csv")), &problems);
  if (!problems.isEmpty()) qWarning() << problems;
  return limits;
}

void writeText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

PointJudgement judged(PointState state) { return {state, 1.0}; }

}  // namespace

class AccuracyLimitsTest : public QObject {
  Q_OBJECT
 private slots:
  void powerFactorTexts_data() {
    QTest::addColumn<QString>("km");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("letter");
    QTest::newRow("plain one") << "1.000" << true << 1.0 << "";
    QTest::newRow("one with letter") << "1.0/L" << true << 1.0 << "L";
    QTest::newRow("half inductive") << "0.5/L" << true << 0.5 << "L";
    QTest::newRow("two decimals") << "0.50/L" << true << 0.5 << "L";
    QTest::newRow("capacitive") << "0.8/C" << true << 0.8 << "C";
    QTest::newRow("letter cut off") << "0.866/" << true << 0.866 << "";
    QTest::newRow("decimal comma, no slash") << "0,5L" << true << 0.5 << "L";
    QTest::newRow("lower case letter") << "0.5/l" << true << 0.5 << "L";
    QTest::newRow("negative") << "-0.5/C" << true << -0.5 << "C";
    QTest::newRow("empty") << "" << false << 0.0 << "";
    QTest::newRow("letters only") << "L" << false << 0.0 << "";
    QTest::newRow("unknown letter") << "0.5/X" << false << 0.0 << "";
    QTest::newRow("garbage after") << "0.5/LL" << false << 0.0 << "";
  }
  void powerFactorTexts() {
    QFETCH(QString, km);
    QFETCH(bool, readable);
    const std::optional<PowerFactor> parsed = parsePowerFactor(km);
    QCOMPARE(parsed.has_value(), readable);
    if (!readable) return;
    QFETCH(double, value);
    QFETCH(QString, letter);
    QCOMPARE(parsed->value, value);
    QCOMPARE(parsed->letter.isNull() ? QString() : QString(parsed->letter), letter);
  }

  void shippedFileHasEveryRow() {
    QStringList problems;
    const AccuracyLimits limits =
        AccuracyLimits::load(sourceTreePath(QStringLiteral("data/sources/limits.csv")), &problems);
    QCOMPARE(problems, QStringList());
    QCOMPARE(limits.rows().size(), 24);
    for (double klass : {1.0, 2.0, 0.5, 0.2}) QCOMPARE(limits.rowsForClass(klass).size(), 6);
    QCOMPARE(limits.rowsForClass(0.50000001).size(), 6);
    QVERIFY(limits.rowsForClass(3).isEmpty());
  }

  // Every row boundary of the shipped limits, the power factor tolerance and the limit itself.
  void judgement_data() {
    QTest::addColumn<double>("klass");
    QTest::addColumn<QString>("km");
    QTest::addColumn<double>("current");
    QTest::addColumn<double>("error");
    QTest::addColumn<PointState>("state");
    QTest::addColumn<double>("limit");
    const auto within = PointState::Within;
    const auto beyond = PointState::Beyond;
    const auto none = PointState::NotJudged;
    // class 1, cos φ 1: 5..10 → 1.5, 10.. → 1.0
    QTest::newRow("1: below 5 %") << 1.0 << "1.000" << 4.99 << 0.1 << none << 0.0;
    QTest::newRow("1: at 5 %") << 1.0 << "1.000" << 5.0 << 1.5 << within << 1.5;
    QTest::newRow("1: just under 10 %") << 1.0 << "1.000" << 9.99 << -1.2 << within << 1.5;
    QTest::newRow("1: at 10 %") << 1.0 << "1.000" << 10.0 << -1.2 << beyond << 1.0;
    QTest::newRow("1: equal to the limit") << 1.0 << "1.000" << 100.0 << -1.0 << within << 1.0;
    QTest::newRow("1: just over the limit") << 1.0 << "1.000" << 100.0 << 1.01 << beyond << 1.0;
    QTest::newRow("1: high current") << 1.0 << "1.000" << 600.0 << 0.9 << within << 1.0;
    QTest::newRow("1: one with L") << 1.0 << "1.0/L" << 50.0 << 0.5 << within << 1.0;
    QTest::newRow("1: 0.999/C") << 1.0 << "0.999/C" << 50.0 << 0.5 << within << 1.0;
    QTest::newRow("1: 0.98 within tolerance") << 1.0 << "0.98" << 50.0 << 0.5 << within << 1.0;
    QTest::newRow("1: 0.97 outside tolerance") << 1.0 << "0.97" << 50.0 << 0.5 << none << 0.0;
    // class 1, 0.5/L and 0.8/C: 10..20 → 1.5, 20.. → 1.0
    QTest::newRow("1L: below 10 %") << 1.0 << "0.5/L" << 9.99 << 0.1 << none << 0.0;
    QTest::newRow("1L: at 10 %") << 1.0 << "0.5/L" << 10.0 << 1.4 << within << 1.5;
    QTest::newRow("1L: at 20 %") << 1.0 << "0.5/L" << 20.0 << 1.4 << beyond << 1.0;
    QTest::newRow("1L: 0.52/L") << 1.0 << "0.52/L" << 50.0 << 1.0 << within << 1.0;
    QTest::newRow("1L: 0.48/L") << 1.0 << "0.48/L" << 50.0 << 1.0 << within << 1.0;
    QTest::newRow("1L: 0.53/L") << 1.0 << "0.53/L" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("1L: 0.5/C is no row") << 1.0 << "0.5/C" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("1L: 0.5 without letter") << 1.0 << "0.5" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("1C: at 10 %") << 1.0 << "0.8/C" << 10.0 << -1.5 << within << 1.5;
    QTest::newRow("1C: at 20 %") << 1.0 << "0.8/C" << 20.0 << -1.5 << beyond << 1.0;
    QTest::newRow("1C: 0.82/C") << 1.0 << "0.82/C" << 50.0 << 0.3 << within << 1.0;
    QTest::newRow("1: 0.866/L has no row") << 1.0 << "0.866/L" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("1: letter cut off") << 1.0 << "0.866/" << 50.0 << 0.1 << none << 0.0;
    // class 2
    QTest::newRow("2: below 5 %") << 2.0 << "1.000" << 4.0 << 0.1 << none << 0.0;
    QTest::newRow("2: at 5 %") << 2.0 << "1.000" << 5.0 << 2.5 << within << 2.5;
    QTest::newRow("2: at 10 %") << 2.0 << "1.000" << 10.0 << 2.5 << beyond << 2.0;
    QTest::newRow("2L: at 10 %") << 2.0 << "0.5/L" << 10.0 << 2.5 << within << 2.5;
    QTest::newRow("2L: at 20 %") << 2.0 << "0.5/L" << 20.0 << -2.0 << within << 2.0;
    QTest::newRow("2C: at 20 %") << 2.0 << "0.8/C" << 20.0 << -2.01 << beyond << 2.0;
    // class 0.5S: cos φ 1: 1..5 → 1.0, 5.. → 0.5; 0.5/L, 0.8/C: 2..10 → 1.0, 10.. → 0.6
    QTest::newRow("0.5: below 1 %") << 0.5 << "1.000" << 0.5 << 0.1 << none << 0.0;
    QTest::newRow("0.5: at 1 %") << 0.5 << "1.000" << 1.0 << 1.0 << within << 1.0;
    QTest::newRow("0.5: at 5 %") << 0.5 << "1.000" << 5.0 << 0.6 << beyond << 0.5;
    QTest::newRow("0.5L: below 2 %") << 0.5 << "0.5/L" << 1.0 << 0.1 << none << 0.0;
    QTest::newRow("0.5L: at 2 %") << 0.5 << "0.5/L" << 2.0 << 0.9 << within << 1.0;
    QTest::newRow("0.5C: at 10 %") << 0.5 << "0.8/C" << 10.0 << 0.6 << within << 0.6;
    QTest::newRow("0.5C: at 10 %, over") << 0.5 << "0.8/C" << 10.0 << 0.61 << beyond << 0.6;
    // class 0.2S
    QTest::newRow("0.2: at 1 %") << 0.2 << "1.000" << 1.0 << -0.4 << within << 0.4;
    QTest::newRow("0.2: at 5 %") << 0.2 << "1.000" << 5.0 << -0.4 << beyond << 0.2;
    QTest::newRow("0.2L: at 2 %") << 0.2 << "0.5/L" << 2.0 << 0.5 << within << 0.5;
    QTest::newRow("0.2L: at 10 %") << 0.2 << "0.5/L" << 10.0 << 0.3 << within << 0.3;
    QTest::newRow("0.2L: at 10 %, over") << 0.2 << "0.5/L" << 10.0 << 0.31 << beyond << 0.3;
    // classes without rows and unreadable power factors
    QTest::newRow("unknown class") << 3.0 << "1.000" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("class 0") << 0.0 << "1.000" << 50.0 << 0.1 << none << 0.0;
    QTest::newRow("empty KM") << 1.0 << "" << 50.0 << 0.1 << none << 0.0;
  }
  void judgement() {
    QFETCH(double, klass);
    QFETCH(QString, km);
    QFETCH(double, current);
    QFETCH(double, error);
    QFETCH(PointState, state);
    QFETCH(double, limit);
    const PointJudgement judged = judgePoint(shippedLimits(), klass, km, current, error);
    QCOMPARE(judged.state, state);
    QCOMPARE(judged.limit, limit);
  }

  void emptyErrorIsNotJudged() {
    const PointJudgement judged = judgePoint(shippedLimits(), 1, "1.000", 50, std::nullopt);
    QCOMPARE(judged.state, PointState::NotJudged);
  }

  void verdicts_data() {
    QTest::addColumn<QList<PointJudgement>>("points");
    QTest::addColumn<Verdict>("verdict");
    const PointJudgement in = judged(PointState::Within);
    const PointJudgement out = judged(PointState::Beyond);
    const PointJudgement none{};
    QTest::newRow("no marked point") << QList<PointJudgement>{} << Verdict::NotJudged;
    QTest::newRow("one within") << QList<PointJudgement>{in} << Verdict::Fit;
    QTest::newRow("all within") << QList<PointJudgement>{in, in, in} << Verdict::Fit;
    QTest::newRow("one beyond") << QList<PointJudgement>{in, out, in} << Verdict::Unfit;
    QTest::newRow("beyond and not judged") << QList<PointJudgement>{none, out} << Verdict::Unfit;
    QTest::newRow("within and not judged") << QList<PointJudgement>{in, none} << Verdict::NotJudged;
    QTest::newRow("only not judged") << QList<PointJudgement>{none} << Verdict::NotJudged;
  }
  void verdicts() {
    QFETCH(QList<PointJudgement>, points);
    QFETCH(Verdict, verdict);
    QCOMPARE(meterVerdict(points), verdict);
  }

  void limitTexts_data() {
    QTest::addColumn<double>("limit");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1.0 << "±1,0";
    QTest::newRow("one decimal") << 1.5 << "±1,5";
    QTest::newRow("below one") << 0.6 << "±0,6";
    QTest::newRow("two decimals") << 0.25 << "±0,25";
    QTest::newRow("large") << 12.0 << "±12,0";
  }
  void limitTexts() {
    QFETCH(double, limit);
    QFETCH(QString, text);
    QCOMPARE(limitText(limit), text);
  }

  // Damaged lines are reported with file and line number and skipped; the rest still judges.
  void damagedLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("too few fields") << "1;1;5;1.5"
                                    << "ожидается 5 полей через «;», найдено 4";
    QTest::newRow("too many fields") << "1;1;5;10;1.5;7"
                                     << "ожидается 5 полей через «;», найдено 6";
    QTest::newRow("class not a number") << "один;1;5;10;1.5"
                                        << "класс точности «один» не распознан";
    QTest::newRow("class zero") << "0;1;5;10;1.5"
                                << "класс точности «0» не распознан";
    QTest::newRow("power factor") << "1;0.5/X;5;10;1.5"
                                  << "cos φ «0.5/X» не распознан";
    QTest::newRow("current from") << "1;1;пять;10;1.5"
                                  << "ток от «пять» не число не меньше 0";
    QTest::newRow("current to") << "1;1;5;10%;1.5"
                                << "ток до «10%» не число";
    QTest::newRow("range reversed") << "1;1;10;5;1.5"
                                    << "ток до «5» не больше тока от «10»";
    QTest::newRow("limit empty") << "1;1;5;10;"
                                 << "предел «» не положительное число";
    QTest::newRow("limit negative") << "1;1;5;10;-1"
                                    << "предел «-1» не положительное число";
  }
  void damagedLines() {
    QFETCH(QString, line);
    QFETCH(QString, reason);
    const QString text = QStringLiteral("Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n# comment\n") + line +
                         QStringLiteral("\n1;1;10;;1,0\n");
    QStringList problems;
    const AccuracyLimits limits = AccuracyLimits::parse(text, "limits.csv", &problems);
    QCOMPARE(problems, QStringList{"limits.csv, строка 3: " + reason});
    QCOMPARE(limits.rows().size(), 1);
    QCOMPARE(judgePoint(limits, 1, "1.000", 50, 0.99).state, PointState::Within);
  }

  // Rows of one class and power factor whose current ranges overlap are a
  // problem of the file, named by both lines; a point in the overlap is judged
  // by the smallest limit, so a damaged file never makes a verdict more lenient.
  void overlappingRows_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("overlaps");  // the line pairs reported
    QTest::addColumn<double>("current");        // of a point of class 2 at cos φ 1
    QTest::addColumn<double>("limit");          // that judges it
    QTest::newRow("open range above the class rows")
        << "2;1;0;;50\n2;1;5;10;2.5\n2;1;10;;2.0" << QStringList{"2 и 3", "2 и 4"} << 50.0 << 2.0;
    QTest::newRow("smaller limit in the lower range")
        << "2;1;0;;50\n2;1;5;10;2.5\n2;1;10;;2.0" << QStringList{"2 и 3", "2 и 4"} << 7.0 << 2.5;
    QTest::newRow("a wide row below")
        << "2;1;5;10;2.5\n2;1;10;;2.0\n2;1;7;;9" << QStringList{"2 и 4", "3 и 4"} << 8.0 << 2.5;
    QTest::newRow("ranges that only touch") << "2;1;5;10;2.5\n2;1;10;;2.0" << QStringList{} << 10.0 << 2.0;
    QTest::newRow("cos φ 1 with a letter is cos φ 1")
        << "2;1;10;;2.0\n2;1/L;20;30;1.0" << QStringList{"2 и 3"} << 25.0 << 1.0;
    QTest::newRow("other power factors and classes")
        << "2;1;10;;2.0\n2;0.5/L;10;;2.5\n2;0.5/C;10;;2.5\n1;1;10;;1.0" << QStringList{} << 50.0 << 2.0;
  }
  void overlappingRows() {
    QFETCH(QString, rows);
    QFETCH(QStringList, overlaps);
    QFETCH(double, current);
    QFETCH(double, limit);
    QStringList problems;
    const AccuracyLimits limits =
        AccuracyLimits::parse("Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n" + rows, "limits.csv", &problems);
    QStringList reported;
    for (const QString& problem : problems) {
      QVERIFY2(problem.startsWith("limits.csv, строки ") && problem.contains("пересекаются"),
               qPrintable(problem));
      reported << problem.section(' ', 2, 4).remove(':');
    }
    QCOMPARE(reported, overlaps);
    QCOMPARE(limits.rows().size(), rows.count('\n') + 1);  // every row is kept
    const PointJudgement judged = judgePoint(limits, 2, "1.000", current, 5.0);
    QCOMPARE(judged.limit, limit);
    QCOMPARE(judged.state, 5.0 <= limit ? PointState::Within : PointState::Beyond);
  }

  void fileForms() {
    // BOM, CRLF, decimal commas, trailing empty field, class with S and remark, data without header
    const QString text = QStringLiteral(
        "\xFEFF"
        "0,5 (0,5S);1;1;5;1,0;\r\n"
        "0,2S;0,5/L;2;;0,5\r\n");
    QStringList problems;
    const AccuracyLimits limits = AccuracyLimits::parse(text, "x.csv", &problems);
    QCOMPARE(problems, QStringList());
    QCOMPARE(limits.rows().size(), 2);
    QCOMPARE(limits.rows()[0].classText, "0,5 (0,5S)");
    QCOMPARE(limits.rows()[0].accuracyClass, 0.5);
    QCOMPARE(limits.rows()[1].accuracyClass, 0.2);
    QVERIFY(!limits.rows()[1].currentTo.has_value());
    QCOMPARE(limits.rowFor(0.2, "0.5/L", 1000)->limit, 0.5);
  }

  void missingFileJudgesNothing() {
    QStringList problems;
    const AccuracyLimits limits = AccuracyLimits::load("/nonexistent/limits.csv", &problems);
    QVERIFY(limits.isEmpty());
    QVERIFY(problems.isEmpty());
    QCOMPARE(judgePoint(limits, 1, "1.000", 50, 0.1).state, PointState::NotJudged);
  }

  // The program's limits follow the file, and a damaged line is reported once per reading.
  void programLimitsFollowTheFile() {
    setLimitsProblemReporter({});  // the problems come back to the caller
    TempProgramDir program;
    QStringList problems;
    QVERIFY(programLimits(&problems).isEmpty());
    QVERIFY(problems.isEmpty());

    const QString path = program.filePath("sources/limits.csv");
    writeText(path, "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5;;1.5\nbad\n");
    QCOMPARE(programLimits(&problems).rows().size(), 1);
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems[0].endsWith("строка 3: ожидается 5 полей через «;», найдено 1"));
    problems.clear();
    QCOMPARE(programLimits(&problems).rows().size(), 1);
    QVERIFY(problems.isEmpty());

    writeText(path, "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5;;1.5\n2;1;5;;2.5\n");
    QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    QCOMPARE(programLimits(&problems).rows().size(), 2);
    QVERIFY(problems.isEmpty());

    QVERIFY(QFile::remove(path));
    QVERIFY(programLimits().isEmpty());
  }

  // With a reporter (the main window's message), damaged lines go to it once per reading.
  void reporterHearsDamagedLinesOnce() {
    TempProgramDir program;
    QList<QStringList> reported;
    setLimitsProblemReporter([&reported](const QStringList& problems) { reported.append(problems); });
    writeText(program.filePath("sources/limits.csv"), "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n1;1;5\n");
    QStringList problems;
    QVERIFY(programLimits(&problems).isEmpty());
    programLimits(&problems);
    setLimitsProblemReporter({});
    QCOMPARE(reported.size(), 1);
    QVERIFY(reported[0].value(0).endsWith("строка 2: ожидается 5 полей через «;», найдено 3"));
    QVERIFY(problems.isEmpty());
  }
};

VT3417_REGISTER_TEST(AccuracyLimitsTest)
#include "AccuracyLimitsTest.moc"
