// Timing of the document engines, run by hand:
//   bench_reports [docx|xlsx|all] [--runs N]
// docx: a single protocol with 500 marked points and a group protocol with
// 8 meters x 100 points (target: 1 s each); xlsx: the archive protocol of
// 10,000 rows (target 0.3 s, 60 MB peak memory) and of 100,000 rows (target
// 3 s, 80 MB: the memory stays flat as the rows grow), each run in a process
// of its own, side by side with openpyxl when python3-openpyxl is installed.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#include "BenchProgram.h"
#include "reports/WordDocument.h"
#include "reports/XlReport.h"

namespace {

QString templatePath(const char* name) { return QStringLiteral(VT3417_SOURCE_DIR "/data/sources/") + name; }

double peakMegabytes() {
#ifdef Q_OS_UNIX
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
#else
  return 0;
#endif
}

// BENCH_KEEP=1 keeps the documents in the working directory for a look.
void keep(const char* name, const QByteArray& bytes) {
  if (!qEnvironmentVariableIsSet("BENCH_KEEP")) return;
  QFile out(QString::fromLatin1(name));
  if (out.open(QIODevice::WriteOnly)) out.write(bytes);
}

void printFigure(const char* what, const QElapsedTimer& timer, qsizetype bytes) {
  std::printf("%-44s %7.3f s  %8.1f KB output  peak %.1f MB\n", what, timer.nsecsElapsed() / 1e9,
              bytes / 1024.0, peakMegabytes());
}

void singleProtocol() {
  QElapsedTimer timer;
  timer.start();
  WordDocument document(templatePath("look.doc"));
  const ProofingOptions saved = document.proofingOptions();
  document.setProofingOptions({false, false});
  for (const char* placeholder :
       {"<Lnpr>", "<Ldat>", "<Ltch>", "<Lyar>", "<Lnum>", "<Lusr>", "<Lmkr>", "<Lpgr>", "<Lvlt>", "<Ltok>",
        "<Ldpp>", "<Ltpu>", "<Lnpu>", "<Ldot>", "<Lddo>"})
    document.replaceText(QString::fromLatin1(placeholder), QStringLiteral("значение"));
  WordTable& table = document.firstTable();
  for (int point = 1; point <= 500; ++point) table.appendRow();
  for (int point = 1; point <= 500; ++point) {
    table.setCellText(point + 1, 1, QString::number(point));
    table.setCellText(point + 1, 2, QStringLiteral("100"));
    table.setCellText(point + 1, 3, QStringLiteral("50"));
    table.setCellText(point + 1, 4, QStringLiteral("0,5L"));
    table.setCellText(point + 1, 5, QStringLiteral("-0,123"));
  }
  document.setProofingOptions(saved);
  const QByteArray docx = document.toDocx();
  printFigure("docx single: 500 points x 5 cells", timer, docx.size());
  keep("bench-single.docx", docx);
}

void groupProtocol() {
  QElapsedTimer timer;
  timer.start();
  WordDocument document(templatePath("Glook.doc"));
  document.setProofingOptions({false, false});
  for (const char* placeholder : {"<Lnpr>", "<Ldat>", "<Ltch>", "<Lmkr>", "<Lpgr>", "<Lvlt>", "<Ltok>",
                                  "<Ldpp>", "<Ltpu>", "<Lnpu>", "<Ldot>", "<Lddo>"})
    document.replaceText(QString::fromLatin1(placeholder), QStringLiteral("значение"));
  WordTable& table = document.firstTable();
  for (int point = 1; point <= 100; ++point) table.appendRow();
  for (int point = 1; point <= 100; ++point) {
    table.setCellText(point + 3, 1, QString::number(point));
    table.setCellText(point + 3, 2, QStringLiteral("100"));
    table.setCellText(point + 3, 3, QStringLiteral("50"));
    table.setCellText(point + 3, 4, QStringLiteral("0,5L"));
  }
  for (int slot = 1; slot <= 8; ++slot) {
    table.setCellText(3, slot + 4, QStringLiteral("12345%1").arg(slot));
    for (int point = 1; point <= 100; ++point)
      table.setCellText(point + 3, slot + 4, QStringLiteral("-0,12"));
  }
  const QByteArray docx = document.toDocx();
  printFigure("docx group: 8 meters x 100 points", timer, docx.size());
  keep("bench-group.docx", docx);
}

constexpr int kMetersPointsPerMeter = 5;

// The archive protocol's rows, made as they are asked for (a meter's fields on
// its first point only), so that the figures are the engine's own: the rows
// themselves take no memory.
class GeneratedRows : public ReportDataSource {
 public:
  explicit GeneratedRows(qsizetype rows) : rows_(rows) {}
  QStringList fieldNames() const override {
    return {"Tip",   "Number",  "Year", "User", "Maker", "KlasT", "Nvoltage", "NTok",
            "pered", "voltage", "tok",  "Km",   "Pogr",  "Date",  "OldDate"};
  }
  qsizetype rowCount() const override { return rows_; }
  std::optional<QString> value(qsizetype row, int field) const override {
    const qsizetype meter = row / kMetersPointsPerMeter;
    const qsizetype point = row % kMetersPointsPerMeter;
    if (field < 9 && point != 0) return std::nullopt;
    switch (field) {
      case 0:
        return QStringLiteral("СО-ЭЭ6706");
      case 1:
        return QString::number(1000000 + meter);
      case 2:
        return QStringLiteral("2019");
      case 3:
        return QStringLiteral("ООО «Энергосбыт»");
      case 4:
        return QStringLiteral("Энергомера");
      case 5:
        return QStringLiteral("1");
      case 6:
        return QStringLiteral("220");
      case 7:
        return QStringLiteral("5");
      case 8:
        return QStringLiteral("1");
      case 9:
        return QStringLiteral("100");
      case 10:
        return QString::number(10 * (point + 1));
      case 11:
        return QStringLiteral("0,5L");
      case 12:
        return QStringLiteral("-0,1%1").arg(point);
      case 13:
        return QStringLiteral("09.12.2026");
      default:
        return QStringLiteral("01.02.2020");
    }
  }

 private:
  qsizetype rows_;
};

// One workbook of `rows` rows, in this process: "seconds peak-MB output-KB".
void archiveWorkbookRun(qsizetype rows) {
  const GeneratedRows source(rows);
  QElapsedTimer timer;
  timer.start();
  ExcelTemplateReport report;
  report.templatePath = templatePath("look.xls");
  report.addDataSource(QStringLiteral("RxData"), QStringLiteral("Range1"), source);
  const QByteArray xlsx = report.build();
  std::printf("%.4f %.1f %.1f\n", timer.nsecsElapsed() / 1e9, peakMegabytes(), xlsx.size() / 1024.0);
  keep("bench-archive.xlsx", xlsx);
}

struct Figure {
  double seconds = -1;
  double peakMegabytes = -1;
  double kilobytes = 0;
};

// The median of runs of a command that prints "seconds peak-MB [output-KB]";
// each run is a process of its own, so that the peak memory is that run's.
Figure medianOfRuns(const QString& program, const QStringList& arguments, int runs) {
  std::vector<Figure> figures;
  for (int run = 0; run < runs; ++run) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
      std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                   process.readAllStandardError().constData());
      return {};
    }
    const QStringList words =
        QString::fromUtf8(process.readAllStandardOutput()).split(' ', Qt::SkipEmptyParts);
    if (words.size() < 2) return {};
    figures.push_back({words[0].toDouble(), words[1].toDouble(), words.value(2).toDouble()});
  }
  const auto median = [&](auto member) {
    std::vector<double> values;
    for (const Figure& figure : figures) values.push_back(figure.*member);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  return {median(&Figure::seconds), median(&Figure::peakMegabytes), median(&Figure::kilobytes)};
}

// The archive protocol of 10,000 and of 100,000 rows x 15 fields, each size
// the median of several runs; beside it the same rows written into the same
// template by openpyxl when python3-openpyxl is installed.
void archiveWorkbooks(int runs) {
  struct Target {
    qsizetype rows;
    double seconds;
    double megabytes;
  };
  const Target targets[] = {{10000, 0.3, 60}, {100000, 3, 80}};
  const QString script = QStringLiteral(VT3417_SOURCE_DIR "/bench/openpyxl_archive.py");
  // The system's Python, where Debian's python3-openpyxl is, also when another comes first on the path.
  QString python;
  for (const QString& candidate : {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")})
    if (python.isEmpty() &&
        QProcess::execute(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0)
      python = candidate;
  const bool openpyxl = !python.isEmpty();
  std::printf("xlsx archive protocol, 15 fields per row, median of %d runs (each a process of its own)\n",
              runs);
  for (const Target& target : targets) {
    const Figure ours = medianOfRuns(QCoreApplication::applicationFilePath(),
                                     {QStringLiteral("xlsx-rows"), QString::number(target.rows)}, runs);
    std::printf(
        "  %6lld rows: %7.3f s (target %.1f s) %s  peak %6.1f MB (target %.0f MB) %s  %8.1f KB output\n",
        static_cast<long long>(target.rows), ours.seconds, target.seconds,
        ours.seconds <= target.seconds ? "ok" : "OVER", ours.peakMegabytes, target.megabytes,
        ours.peakMegabytes <= target.megabytes ? "ok" : "OVER", ours.kilobytes);
    if (!openpyxl) continue;
    const Figure theirs =
        medianOfRuns(python, {script, templatePath("look.xls"), QString::number(target.rows)}, runs);
    std::printf(
        "        openpyxl: %7.3f s, peak %6.1f MB; openpyxl takes %.1f x the time and %.2f x the memory\n",
        theirs.seconds, theirs.peakMegabytes, theirs.seconds / ours.seconds,
        theirs.peakMegabytes / ours.peakMegabytes);
  }
  if (!openpyxl) std::printf("  (python3-openpyxl is not installed: no comparison)\n");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
  if (what == QLatin1String("xlsx-rows") && argc > 2) {
    archiveWorkbookRun(QString::fromLocal8Bit(argv[2]).toLongLong());
    return 0;
  }
  if (what == QLatin1String("docx") || what == QLatin1String("all")) {
    singleProtocol();
    groupProtocol();
  }
  if (what == QLatin1String("xlsx") || what == QLatin1String("all"))
    archiveWorkbooks(runsArgument(QCoreApplication::arguments(), 3));
  return 0;
}
