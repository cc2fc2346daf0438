// Timing of the archive browser, run by hand:
//   QT_QPA_PLATFORM=offscreen bench_archive [filter|protocol|all]
// filter: over 100,000 archived meters (3 points each), the browser's first
// show with the whole archive listed (target: 100 ms), scrolling the list to
// its end page by page, and every keystroke into the filter fields, which
// re-queries the meter list (target: 50 ms per keystroke);
// protocol: "Данные в Excel" over 2,000 archived meters x 5 points, from the
// listed meters to the saved workbook (target: 3 s).
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/Application.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"
#include "settings/ProgramDir.h"
#include "support/Widgets.h"
#include "ui/DatasetGrid.h"

namespace {

// Archived meters of 300 types with serial numbers and years spread out, each
// with its points, written in one transaction.
void fillArchive(DataModule& dm, int meters, int pointsPerMeter) {
  Connection& connection = *dm.connection();
  Connection::Transaction transaction(connection);
  const QString meterSql = QStringLiteral(
      "insert into masterarhive (Num, Base, Tip, MyYear, MyUser, Maker, KlasT, Nvoltage, NTok, Pered, "
      "MyNumber) "
      "values (?, 'Б1', ?, ?, 'ЛАБОРАТОРИЯ', 'ЗАВОД', 1, 220, 5, 1600, ?)");
  const QString pointSql = QStringLiteral(
      "insert into Slavearhiv (Num, Voltage, Tok, KM, Opogr, Date, OldDate, Count) "
      "values (?, 100, 50, '0.5/L', ?, '2024-03-05', '2020-05-14', ?)");
  static const char* const kFamilies[] = {"СЕ", "ЦЭ", "СО", "МЕ", "АЛЬФА", "СЭТ"};
  for (int num = 1; num <= meters; ++num) {
    const QString type = QString::fromUtf8(kFamilies[num % 6]) + QString::number(100 + (num * 7) % 50);
    const QString number = QString::number((num * 7919) % 1000000).rightJustified(6, QLatin1Char('0'));
    connection.executeWrite({meterSql, {num, type, 1980 + num % 41, number}, QStringLiteral("masterarhive")});
    for (int count = 1; count <= pointsPerMeter; ++count)
      connection.executeWrite({pointSql, {num, 0.01 * count, count}, QStringLiteral("Slavearhiv")});
  }
  transaction.commit();
}

void typeKey(QWidget* field, QChar c) {
  const auto key = c == QLatin1Char('\b') ? Qt::Key_Backspace : static_cast<Qt::Key>(c.toUpper().unicode());
  QTest::sendKeyEvent(QTest::Press, field, key, QString(c), Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Release, field, key, QString(c), Qt::NoModifier);
}

double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// "Просмотр архива" to the painted browser, five times; then the list
// scrolled to its end as far as it reads, a page at a time.
void firstShowAndScrolling(DataModule& dm, ArchiveBrowser& browser) {
  std::vector<double> shows;
  for (int run = 0; run < 5; ++run) {
    browser.close();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    showWholeArchive(dm, browser, nullptr);
    QCoreApplication::processEvents();
    browser.repaint();
    shows.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::printf("first show of the whole archive: median %.1f ms of 5 (target 100 ms)\n", median(shows));

  DatasetGrid* grid = widgets::child<DatasetGrid>(browser, "meterGrid");
  std::vector<double> pages;
  QElapsedTimer whole;
  whole.start();
  while (grid->model()->canFetchMore({})) {
    const int rows = grid->model()->rowCount();
    QElapsedTimer timer;
    timer.start();
    grid->scrollToBottom();  // the list reads its next page on reaching the end
    grid->viewport()->repaint();
    pages.push_back(timer.nsecsElapsed() / 1e6);
    if (grid->model()->rowCount() == rows) {
      std::printf("the list stopped reading at %d rows\n", rows);
      return;
    }
  }
  if (pages.empty()) pages.push_back(0);
  std::printf(
      "scrolled to the end: %d rows in %zu pages, %.2f s; a page with its repaint: median %.1f ms, "
      "slowest %.1f ms\n",
      grid->model()->rowCount(), pages.size() + 1, whole.nsecsElapsed() / 1e9, median(pages),
      *std::max_element(pages.begin(), pages.end()));
}

void filterKeystrokes(DataModule& dm, ArchiveBrowser& browser) {
  QElapsedTimer fill;
  fill.start();
  fillArchive(dm, 100000, 3);
  std::printf("archive of 100,000 meters written in %.1f s\n", fill.nsecsElapsed() / 1e9);

  firstShowAndScrolling(dm, browser);
  showWholeArchive(dm, browser, nullptr);
  struct Typing {
    QComboBox* box;
    QString keys;
  };
  const std::vector<Typing> typing{
      {widgets::child<QComboBox>(browser, "typeFilter"), QStringLiteral("СЕ12*\b\b\b*")},
      {widgets::child<QComboBox>(browser, "numberFromFilter"), QStringLiteral("1234")},
      {widgets::child<QComboBox>(browser, "numberToFilter"), QStringLiteral("5678")},
      {widgets::child<QComboBox>(browser, "yearFromFilter"), QStringLiteral("1990")},
      {widgets::child<QComboBox>(browser, "yearToFilter"), QStringLiteral("2010")},
      {widgets::child<QComboBox>(browser, "typeFilter"), QStringLiteral("\b\b\b")},
      {widgets::child<QComboBox>(browser, "numberFromFilter"), QStringLiteral("\b\b\b\b")}};
  std::vector<double> times;
  std::vector<double> cpuTimes;  // without the waits for a processor on a busy machine
  // The same typing in each of the three orders of the list.
  for (int sortColumn : {0, 1, 2}) {
    QHeaderView* header = widgets::child<DatasetGrid>(browser, "meterGrid")->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(sortColumn) + 5, header->height() / 2));
    widgets::child<QAction>(browser, "clearFilterAction")->trigger();
    for (const Typing& field : typing) {
      for (const QChar c : field.keys) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        typeKey(field.box->lineEdit(), c);
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpuTimes.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
          std::printf("  %-8s %-10s %6.1f ms (processor %5.1f ms)  %s\n", qPrintable(browser.sortField()),
                      qPrintable(field.box->objectName()), times.back(), cpuTimes.back(),
                      qPrintable(field.box->currentText()));
      }
    }
  }
  std::sort(times.begin(), times.end());
  std::sort(cpuTimes.begin(), cpuTimes.end());
  std::printf("filter keystrokes: %zu, median %.1f ms, slowest %.1f ms (target 50 ms)\n", times.size(),
              times[times.size() / 2], times.back());
  std::printf("  processor time per keystroke: median %.1f ms, slowest %.1f ms\n",
              cpuTimes[cpuTimes.size() / 2], cpuTimes.back());
  browser.close();
}

void protocol(DataModule& dm, ArchiveBrowser& browser) {
  fillArchive(dm, 2000, 5);
  QFile::copy(QStringLiteral(VT3417_SOURCE_DIR "/data/sources/look.xls"),
              programPath(QStringLiteral("sources/look.xls")));
  showWholeArchive(dm, browser, nullptr);
  QElapsedTimer timer;
  timer.start();
  widgets::child<QAction>(browser, "excelProtocolAction")->trigger();
  std::printf("archive protocol of %d rows: %.3f s (target 3 s)\n", dm.exportRows->recordCount(),
              timer.nsecsElapsed() / 1e9);
  browser.close();
}

// A fresh program directory with its database for one run.
template <typename Run>
void inProgramDir(Run run) {
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("sources"));
  QDir(dir.path()).mkpath(QStringLiteral("base"));
  QDir::setCurrent(dir.path());
  setProgramDir(dir.path());
  DataModule dm;
  dm.openTables();
  ArchiveBrowser browser(dm, nullptr, nullptr);
  run(dm, browser);
  // BENCH_KEEP=1 keeps the database in the working directory for a look.
  if (qEnvironmentVariableIsSet("BENCH_KEEP"))
    QFile::copy(programDatabasePath(), QStringLiteral("/tmp/bench-archive.sqlite"));
}

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
  if (which == QLatin1String("filter") || which == QLatin1String("all")) inProgramDir(filterKeystrokes);
  if (which == QLatin1String("protocol") || which == QLatin1String("all")) inProgramDir(protocol);
  return 0;
}
