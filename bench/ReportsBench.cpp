// Timing of the document engines, run by hand:
//   bench_reports [docx|xlsx|all]
// docx: a single protocol with 500 marked points and a group protocol with
// 8 meters x 100 points (target: 1 s each); xlsx: an archive protocol of
// 10,000 rows (target: 3 s, 200 MB peak memory; run "xlsx" alone so the peak
// memory figure is the engine's).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

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

void archiveWorkbook() {
  const QStringList fields = {"Tip",   "Number",  "Year", "User", "Maker", "KlasT", "Nvoltage", "NTok",
                              "pered", "voltage", "tok",  "Km",   "Pogr",  "Date",  "OldDate"};
  ReportTable rows(fields);
  for (int meter = 0; meter < 2000; ++meter) {
    for (int point = 0; point < 5; ++point) {
      ReportTable::Row row(fields.size());
      if (point == 0) {
        row[0] = QStringLiteral("СО-ЭЭ6706");
        row[1] = QString::number(1000000 + meter);
        row[2] = QStringLiteral("2019");
        row[3] = QStringLiteral("ООО «Энергосбыт»");
        row[4] = QStringLiteral("Энергомера");
        row[5] = QStringLiteral("1");
        row[6] = QStringLiteral("220");
        row[7] = QStringLiteral("5");
        row[8] = QStringLiteral("1");
      }
      row[9] = QStringLiteral("100");
      row[10] = QString::number(10 * (point + 1));
      row[11] = QStringLiteral("0,5L");
      row[12] = QStringLiteral("-0,1%1").arg(point);
      row[13] = QStringLiteral("09.12.2026");
      row[14] = QStringLiteral("01.02.2020");
      rows.appendRow(std::move(row));
    }
  }
  QElapsedTimer timer;
  timer.start();
  ExcelTemplateReport report;
  report.templatePath = templatePath("look.xls");
  report.addDataSource(QStringLiteral("RxData"), QStringLiteral("Range1"), rows);
  const QByteArray xlsx = report.build();
  printFigure("xlsx archive: 10,000 rows x 15 fields", timer, xlsx.size());
  keep("bench-archive.xlsx", xlsx);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
  if (what == QLatin1String("docx") || what == QLatin1String("all")) {
    singleProtocol();
    groupProtocol();
  }
  if (what == QLatin1String("xlsx") || what == QLatin1String("all")) archiveWorkbook();
  return 0;
}
