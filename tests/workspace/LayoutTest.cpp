#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

#include "WorkspaceFixture.h"
#include "support/GridTitles.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "database/DataModule.h"
#include "settings/ComponentFile.h"
#include "settings/ProgramDir.h"
#include "settings/SmallFile.h"
#include "ui/DatasetGrid.h"
#include "workspace/MainWindow.h"
#include "workspace/WindowLayout.h"

namespace {

QString readText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeText(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(text.toUtf8());
}

QString memoStream(const QStringList& lines) {
  QList<ComponentProperty> properties;
  for (const QString& line : lines) properties.append({QStringLiteral("Lines"), line});
  return writeComponentStream(QStringLiteral("MForm"), QStringLiteral("QPlainTextEdit"), properties);
}

// Notes that a window was hidden.
class HideProbe : public QObject {
 public:
  bool hidden = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) hidden = true;
    return false;
  }
};

// Runs the test function again in a process of this test whose (offscreen)
// screen is 1280 × 800 pixels; its failure is this one's.
void rerunOnWideScreen(const char* function) {
  QTemporaryDir dir;
  QFile config(dir.filePath("screen.json"));
  QVERIFY(config.open(QIODevice::WriteOnly));
  config.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1280, "height": 800,)"
               R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  config.close();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
  environment.insert("VT3417_TEST_CLASS", "LayoutTest");
  QProcess test;
  test.setProcessEnvironment(environment);
  test.setProcessChannelMode(QProcess::MergedChannels);
  test.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(function)});
  QVERIFY(test.waitForFinished(120000));
  const QByteArray output = test.readAll();
  QVERIFY2(test.exitStatus() == QProcess::NormalExit && test.exitCode() == 0, output.constData());
  QVERIFY2(output.contains("Totals: 3 passed"), output.constData());  // init, the function, cleanup
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void streamRoundTrip();
  void damagedStreamsAreRefused_data();
  void damagedStreamsAreRefused();
  void loadAndSaveFailQuietly();
  void layoutFileBeyondTheBoundIsNotRead();
  void saveHidesAVisibleWindowWhileWriting();
  void layoutLines_data();
  void layoutLines();

  void firstStartHasDesignLayout();
  void firstStartShowsEveryColumnAndBaseName();
  void maximisedWindowReopensMaximised();
  void normalWindowReopensCentredWithItsSize();
  void splitComesBack();
  void movedAndWidenedColumnComesBack();
  void damagedLayoutFilesKeepDesign();
  void titlesAreWhole_data();
  void titlesAreWhole();
  void oversizedStoredWindowFitsTheScreen_data();
  void oversizedStoredWindowFitsTheScreen();
};

void LayoutTest::streamRoundTrip() {
  const QList<ComponentProperty> properties{{"Lines", "wsNormal"},
                                            {"Lines", "  blanks kept  "},
                                            {"Lines", "back\\slash\ttab\r\nbreak"},
                                            {"Lines", "= not a separator ="},
                                            {"Lines", ""}};
  const QString text = writeComponentStream("MForm", "QPlainTextEdit", properties);
  QVERIFY(text.startsWith("VT3417 component stream 1\nobject MForm: QPlainTextEdit\n  Lines = wsNormal\n"));
  QString name, klass;
  QList<ComponentProperty> read;
  QVERIFY(readComponentStream(text, &name, &klass, &read));
  QCOMPARE(name, QStringLiteral("MForm"));
  QCOMPARE(klass, QStringLiteral("QPlainTextEdit"));
  QCOMPARE(read, properties);
  // Windows line ends are read as well.
  QVERIFY(readComponentStream(QString(text).replace("\n", "\r\n"), &name, &klass, &read));
  QCOMPARE(read, properties);
}

void LayoutTest::damagedStreamsAreRefused_data() {
  QTest::addColumn<QString>("text");
  const QString good = memoStream({"wsMaximized", "1"});
  QTest::newRow("empty") << "";
  QTest::newRow("other format") << QString(good).replace("stream 1", "stream 2");
  QTest::newRow("cut short") << good.left(good.indexOf("end"));
  QTest::newRow("other class") << QString(good).replace("QPlainTextEdit", "TDBGrid");
  QTest::newRow("unknown property") << QString(good).replace("  Lines = 1", "  Font = 1");
  QTest::newRow("not indented") << QString(good).replace("  Lines = 1", "Lines = 1");
  QTest::newRow("bad escape") << QString(good).replace("  Lines = 1", "  Lines = 1\\x");
  QTest::newRow("binary") << QString::fromLatin1("\x01\x02\xff\x00garbage", 12);
}

void LayoutTest::damagedStreamsAreRefused() {
  QFETCH(QString, text);
  TempProgramDir dir;
  writeText(dir.filePath("sources/mform.res"), text);
  QPlainTextEdit memo;
  memo.setPlainText("design");
  QVERIFY(!loadComponentFromFile(&memo, dir.filePath("sources/mform.res")));
  QCOMPARE(memo.toPlainText(), QStringLiteral("design"));
}

void LayoutTest::loadAndSaveFailQuietly() {
  TempProgramDir dir;
  QPlainTextEdit memo;
  QVERIFY(!loadComponentFromFile(nullptr, dir.filePath("sources/mform.res")));
  QVERIFY(!loadComponentFromFile(&memo, dir.filePath("sources/missing.res")));
  QVERIFY(!saveComponentToFile(nullptr, dir.filePath("sources/mform.res"), false));
  QVERIFY(!saveComponentToFile(&memo, dir.filePath("no-such-folder/mform.res"), false));
  QWidget plain;  // a class without a stream
  QVERIFY(!saveComponentToFile(&plain, dir.filePath("sources/plain.res"), false));
  QVERIFY(!QFile::exists(dir.filePath("sources/plain.res")));

  memo.setPlainText("a\nb");
  QVERIFY(saveComponentToFile(&memo, dir.filePath("sources/mform.res"), false));
  QPlainTextEdit other;
  QVERIFY(loadComponentFromFile(&other, dir.filePath("sources/mform.res")));
  QCOMPARE(other.toPlainText(), QStringLiteral("a\nb"));
}

// A layout file holds a few short lines; one beyond the bound is taken as
// damaged without being read, whatever it holds.
void LayoutTest::layoutFileBeyondTheBoundIsNotRead() {
  TempProgramDir dir;
  const QString path = dir.filePath("sources/mform.res");
  const QString frame = memoStream({"wsMaximized", ""});
  for (const qint64 size : {kLayoutFileMaxBytes, kLayoutFileMaxBytes + 1}) {
    // A well-formed stream of exactly `size` bytes: its last line is padded.
    writeText(path, memoStream({"wsMaximized", QString(size - frame.toUtf8().size(), QLatin1Char('7'))}));
    QCOMPARE(QFileInfo(path).size(), size);
    QPlainTextEdit memo;
    memo.setPlainText("design");
    QCOMPARE(loadComponentFromFile(&memo, path), size <= kLayoutFileMaxBytes);
    QCOMPARE(memo.toPlainText().startsWith("wsMaximized\n777"), size <= kLayoutFileMaxBytes);
  }
}

void LayoutTest::saveHidesAVisibleWindowWhileWriting() {
  TempProgramDir dir;
  QPlainTextEdit window;
  window.setObjectName("MForm");
  window.show();
  HideProbe probe;
  window.installEventFilter(&probe);
  QVERIFY(saveComponentToFile(&window, dir.filePath("sources/w.res"), false));
  QVERIFY(probe.hidden);
  QVERIFY(window.isVisible());
  // Shown again after a failed write too.
  probe.hidden = false;
  QVERIFY(!saveComponentToFile(&window, dir.filePath("missing/w.res"), false));
  QVERIFY(probe.hidden);
  QVERIFY(window.isVisible());
  // keepShown leaves it alone.
  probe.hidden = false;
  QVERIFY(saveComponentToFile(&window, dir.filePath("sources/w.res"), true));
  QVERIFY(!probe.hidden);
}

void LayoutTest::layoutLines_data() {
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<int>("state");  // -1: none
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("split");
  QTest::addColumn<int>("chartSplit");
  QTest::addColumn<int>("programSplit");
  QTest::newRow("normal") << QStringList{"wsNormal", "10", "20", "500", "900", "30", "60", "70"}
                          << int(Qt::WindowNoState) << QSize(900, 500) << 30 << 60 << 70;
  QTest::newRow("written before the program view")
      << QStringList{"wsNormal", "10", "20", "500", "900", "30", "60"} << int(Qt::WindowNoState)
      << QSize(900, 500) << 30 << 60 << 0;
  QTest::newRow("written before the chart") << QStringList{"wsNormal", "10", "20", "500", "900", "30"}
                                            << int(Qt::WindowNoState) << QSize(900, 500) << 30 << 0 << 0;
  QTest::newRow("chart split not a number") << QStringList{"wsNormal", "0", "0", "500", "900", "30", "x"}
                                            << int(Qt::WindowNoState) << QSize(900, 500) << 30 << 0 << 0;
  QTest::newRow("chart split whole height") << QStringList{"wsMaximized", "0", "0", "1", "1", "30", "100"}
                                            << int(Qt::WindowMaximized) << QSize() << 30 << 0 << 0;
  QTest::newRow("negative place") << QStringList{"wsNormal", "-8", "-8", "500", "900", "30"}
                                  << int(Qt::WindowNoState) << QSize(900, 500) << 30 << 0 << 0;
  QTest::newRow("maximised") << QStringList{"wsMaximized", "0", "0", "768", "1024", "25"}
                             << int(Qt::WindowMaximized) << QSize() << 25 << 0 << 0;
  QTest::newRow("minimised") << QStringList{"wsMinimized", "0", "0", "1", "1"} << int(Qt::WindowMinimized)
                             << QSize() << 0 << 0 << 0;
  QTest::newRow("design memo") << QStringList{""} << -1 << QSize() << 0 << 0 << 0;
  QTest::newRow("unknown word") << QStringList{"wsFull", "0", "0", "5", "5", "40"} << -1 << QSize() << 40 << 0
                                << 0;
  QTest::newRow("split zero") << QStringList{"wsNormal", "0", "0", "500", "900", "0"}
                              << int(Qt::WindowNoState) << QSize(900, 500) << 0 << 0 << 0;
  QTest::newRow("split not a number") << QStringList{"wsNormal", "0", "0", "500", "900", "x"}
                                      << int(Qt::WindowNoState) << QSize(900, 500) << 0 << 0 << 0;
  QTest::newRow("split whole width") << QStringList{"wsNormal", "0", "0", "500", "900", "100"}
                                     << int(Qt::WindowNoState) << QSize(900, 500) << 0 << 0 << 0;
  QTest::newRow("size not numbers") << QStringList{"wsNormal", "a", "b", "c", "d", "35"}
                                    << int(Qt::WindowNoState) << QSize() << 35 << 0 << 0;
  QTest::newRow("size lines missing")
      << QStringList{"wsNormal", "0"} << int(Qt::WindowNoState) << QSize() << 0 << 0 << 0;
  QTest::newRow("zero size") << QStringList{"wsNormal", "0", "0", "0", "900", "35"} << int(Qt::WindowNoState)
                             << QSize() << 35 << 0 << 0;
}

void LayoutTest::layoutLines() {
  QFETCH(QStringList, lines);
  QFETCH(int, state);
  QFETCH(QSize, size);
  QFETCH(int, split);
  QFETCH(int, chartSplit);
  QFETCH(int, programSplit);
  const StoredLayout layout = parseLayoutLines(lines);
  QCOMPARE(layout.state ? int(*layout.state) : -1, state);
  QCOMPARE(layout.size.value_or(QSize()), size);
  QCOMPARE(layout.splitPercent, split);
  QCOMPARE(layout.chartSplitPercent, chartSplit);
  QCOMPARE(layout.programSplitPercent, programSplit);
}

void LayoutTest::firstStartHasDesignLayout() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  // The design size, wider where the grid's columns need it (not on the 800
  // pixels wide test screen: there the tree gives way to them).
  QCOMPARE(form->height(), 434);
  QVERIFY(form->width() >= 803);
  // Centred as far as the test screen allows.
  QVERIFY((form->frameGeometry().center() - form->screen()->availableGeometry().center()).manhattanLength() <=
          2);
  QVERIFY(widgets::child<QSplitter>(form, "treeSplitter")->sizes().value(0) <= 176);
  const QVector<GridColumn> columns = widgets::child<DatasetGrid>(form, "pointGrid")->gridColumns();
  QStringList fields;
  QList<int> widths;
  for (const GridColumn& column : columns) {
    fields << column.field;
    widths << column.width;
    QCOMPARE(column.alignment, Qt::AlignCenter);
  }
  QCOMPARE(fields, (QStringList{"Count", "Voltage", "Tok", "KM", "Opogr", "Date", "Rep"}));
  // The design widths, or wider where a title needs it in the current font.
  const QList<int> design{26, 90, 62, 90, 120, 93, 74};
  for (int i = 0; i < design.size(); ++i) QVERIFY2(widths[i] >= design[i], qPrintable(fields[i]));
  QCOMPARE(cutGridTitles(widgets::child<DatasetGrid>(form, "pointGrid")), QStringList());
  QStringList titles;
  for (int i = 0; i < 7; ++i)
    titles
        << widgets::child<DatasetGrid>(form, "pointGrid")->model()->headerData(i, Qt::Horizontal).toString();
  QCOMPARE(titles, (QStringList{"№", "Напряжение, %", "Ток, %", "Кф. мощности", "Отн. погрешность, %",
                                "Дата проверки", "Запись"}));

  fixture.closeWindow();
  QVERIFY(QFile::exists(programPath("sources/mform.res")));
  QVERIFY(QFile::exists(programPath("sources/datagrid.res")));
  QVERIFY(readText(programPath("sources/mform.res")).contains("  Lines = wsNormal\n"));
  // The tables are closed with the window.
  QVERIFY(!fixture.dm().chosenMeter->isOpen());
  QVERIFY(!fixture.dm().bases->isOpen());
}

// Without a layout file the window opens wide enough for all of the grid's
// columns (the last one, "Запись", included) and the longest base name, with
// row numbers of three digits: no horizontal scroll bar, nothing cut. Shown on
// a screen of a usual width: the test screen is narrower than the design.
void LayoutTest::firstStartShowsEveryColumnAndBaseName() {
  if (QGuiApplication::primaryScreen()->availableGeometry().width() < 1280)
    return rerunOnWideScreen(QTest::currentTestFunction());
  WorkspaceFixture fixture;
  const QString name = QStringLiteral("Поверка ЦЭ6803В 2026");  // of the longest length allowed
  fixture.rows().addBase(name);
  const qint64 meter = fixture.rows().addMeter(name, meterIn(1));
  for (int point = 0; point < 120; ++point) fixture.rows().addPoint(meter, pointAt(100));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(name + "/1");
  DatasetGrid* grid = widgets::child<DatasetGrid>(form, "pointGrid");
  QCOMPARE(grid->model()->rowCount(), 120);
  QTRY_VERIFY(grid->verticalScrollBar()->isVisible());
  const QHeaderView* header = grid->horizontalHeader();
  const int last = header->logicalIndex(header->count() - 1);
  QCOMPARE(grid->fieldNameAt(last), QStringLiteral("Rep"));
  QVERIFY(header->sectionViewportPosition(last) + header->sectionSize(last) <= grid->viewport()->width());
  QVERIFY(!grid->horizontalScrollBar()->isVisible());
  const QAbstractItemView* tree = widgets::child<QTreeWidget>(form, "baseTree");
  QVERIFY(tree->sizeHintForColumn(0) <= tree->viewport()->width());
}

void LayoutTest::maximisedWindowReopensMaximised() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  form->showMaximized();
  QTRY_VERIFY(form->windowState() & Qt::WindowMaximized);
  form = fixture.restart();
  QVERIFY(form->windowState() & Qt::WindowMaximized);
  // And back to normal: the next start is normal again.
  form->showNormal();
  form = fixture.restart();
  QVERIFY(!(form->windowState() & Qt::WindowMaximized));
}

void LayoutTest::normalWindowReopensCentredWithItsSize() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  form->move(3, 4);
  form->resize(700, 380);
  form = fixture.restart();
  QCOMPARE(form->size(), QSize(700, 380));
  QCOMPARE(form->frameGeometry().center(), form->screen()->availableGeometry().center());
}

double firstShare(const QSplitter* split) {
  const QList<int> sizes = split->sizes();
  return sizes[0] * 100.0 / (sizes[0] + sizes[1]);
}

// The three splits: tree | grid across, grid over chart down, chart |
// program view across; a file written before the chart pane or the program
// view existed gives them their design shares.
void LayoutTest::splitComesBack() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QVERIFY(qAbs(firstShare(widgets::child<QSplitter>(form, "pointSplitter")) - 55) < 1);
  QVERIFY(qAbs(firstShare(widgets::child<QSplitter>(form, "programSplitter")) - 45) < 1);
  const std::pair<const char*, int> shares[] = {
      {"treeSplitter", 40}, {"pointSplitter", 30}, {"programSplitter", 65}};
  for (auto [name, percent] : shares) {
    QSplitter* split = widgets::child<QSplitter>(form, name);
    const int total = split->sizes()[0] + split->sizes()[1];
    split->setSizes({total * percent / 100, total - total * percent / 100});
  }
  form = fixture.restart();
  QVERIFY(
      readText(programPath("sources/mform.res")).endsWith("  Lines = 40\n  Lines = 30\n  Lines = 65\nend\n"));
  const auto sharesKept = [&form, &shares] {
    for (auto [name, percent] : shares)
      QVERIFY2(qAbs(firstShare(widgets::child<QSplitter>(form, name)) - percent) < 1, name);
  };
  sharesKept();
  // The shares are kept when the window grows.
  form->resize(form->width() + 200, form->height() + 100);
  sharesKept();

  fixture.closeWindow();
  writeText(programPath("sources/mform.res"), memoStream({"wsNormal", "0", "0", "500", "700", "35"}));
  form = fixture.openWindow();
  QVERIFY(qAbs(firstShare(widgets::child<QSplitter>(form, "treeSplitter")) - 35) < 1);
  QVERIFY(qAbs(firstShare(widgets::child<QSplitter>(form, "pointSplitter")) - 55) < 1);
  QVERIFY(qAbs(firstShare(widgets::child<QSplitter>(form, "programSplitter")) - 45) < 1);
}

void LayoutTest::movedAndWidenedColumnComesBack() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  DatasetGrid* grid = widgets::child<DatasetGrid>(form, "pointGrid");
  QHeaderView* header = grid->horizontalHeader();
  const int rep = grid->columnOfField("Rep");
  header->resizeSection(rep, 150);
  header->moveSection(header->visualIndex(rep), header->visualIndex(grid->columnOfField("Date")));
  form = fixture.restart();
  grid = widgets::child<DatasetGrid>(form, "pointGrid");
  header = grid->horizontalHeader();
  QCOMPARE(header->visualIndex(grid->columnOfField("Rep")), 5);
  QCOMPARE(header->visualIndex(grid->columnOfField("Date")), 6);
  QCOMPARE(header->sectionSize(grid->columnOfField("Rep")), 150);
  QCOMPARE(header->sectionSize(grid->columnOfField("Date")),
           std::max(93, header->sectionSizeHint(grid->columnOfField("Date"))));
}

void LayoutTest::titlesAreWhole_data() {
  QTest::addColumn<QString>("font");
  QTest::addColumn<int>("pointSize");
  QTest::newRow("default font") << QString() << 0;
  QTest::newRow("large font") << "DejaVu Sans" << 14;
}

// Every column is at least as wide as its title in the current font: with the
// design widths, with a saved layout of narrow columns, and after the font
// changes. A saved wider column stays wider.
void LayoutTest::titlesAreWhole() {
  QFETCH(QString, font);
  QFETCH(int, pointSize);
  const QFont before = QApplication::font();
  if (pointSize > 0) QApplication::setFont(QFont(font, pointSize));
  const auto restoreFont = qScopeGuard([&before] { QApplication::setFont(before); });
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QCOMPARE(cutGridTitles(widgets::child<DatasetGrid>(form, "pointGrid")), QStringList());

  QStringList narrow;
  for (const char* field : {"Count", "Voltage", "Tok", "KM", "Opogr", "Date"})
    narrow << QStringLiteral("field=%1 width=10 alignment=center title-alignment=center visible=true")
                  .arg(field);
  narrow << QStringLiteral("field=Rep width=300 alignment=center title-alignment=center visible=true");
  fixture.closeWindow();
  QList<ComponentProperty> properties;
  for (const QString& column : narrow) properties.append({QStringLiteral("Column"), column});
  writeText(programPath("sources/datagrid.res"), writeComponentStream("DBGrid1", "TDBGrid", properties));
  form = fixture.openWindow();
  DatasetGrid* grid = widgets::child<DatasetGrid>(form, "pointGrid");
  QCOMPARE(cutGridTitles(grid), QStringList());
  QCOMPARE(grid->horizontalHeader()->sectionSize(grid->columnOfField("Rep")), 300);

  QFont larger = grid->font();
  larger.setPointSize(larger.pointSize() + 6);
  grid->setFont(larger);
  QCOMPARE(cutGridTitles(grid), QStringList());
}

void LayoutTest::damagedLayoutFilesKeepDesign() {
  WorkspaceFixture fixture;
  writeText(programPath("sources/mform.res"), memoStream({"wsNormal", "x", "y", "z", "w"}));
  writeText(programPath("sources/datagrid.res"),
            writeComponentStream(
                "DBGrid1", "TDBGrid",
                {{"Column", "field=Rep width=150 alignment=center title-alignment=center visible=true"},
                 {"Column", "field=Count width=wide"}}));
  MainWindow* form = fixture.openWindow();
  QCOMPARE(form->size(), QSize(803, 434));
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->gridColumns().last().field, QStringLiteral("Rep"));
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->gridColumns().last().width, 74);

  // Unknown fields are skipped; columns the file does not name keep their design place.
  writeText(programPath("sources/datagrid.res"),
            writeComponentStream(
                "DBGrid1", "TDBGrid",
                {{"Column", "field=Gone width=10 alignment=left title-alignment=left visible=true"},
                 {"Column", "field=Rep width=80 alignment=left title-alignment=right visible=true"}}));
  form = fixture.restart();
  // The restart saved the layout first; write again and reopen without saving.
  writeText(programPath("sources/datagrid.res"),
            writeComponentStream(
                "DBGrid1", "TDBGrid",
                {{"Column", "field=Gone width=10 alignment=left title-alignment=left visible=true"},
                 {"Column", "field=Rep width=80 alignment=left title-alignment=right visible=true"}}));
  DatasetGrid grid;
  grid.setDataset(fixture.dm().testPoints, widgets::child<DatasetGrid>(form, "pointGrid")->gridColumns());
  QVERIFY(loadComponentFromFile(&grid, programPath("sources/datagrid.res")));
  const QVector<GridColumn> columns = grid.gridColumns();
  QCOMPARE(columns.first().field, QStringLiteral("Rep"));
  QCOMPARE(columns.first().width, 80);
  QCOMPARE(columns.first().alignment, Qt::AlignLeft | Qt::AlignVCenter);
  QCOMPARE(grid.model()
               ->headerData(grid.columnOfField("Rep"), Qt::Horizontal, Qt::TextAlignmentRole)
               .value<Qt::Alignment>(),
           Qt::AlignRight | Qt::AlignVCenter);
  QCOMPARE(columns.size(), 7);
  QCOMPARE(columns[1].field, QStringLiteral("Count"));
}

void LayoutTest::oversizedStoredWindowFitsTheScreen_data() {
  QTest::addColumn<QString>("height");
  QTest::addColumn<QString>("width");
  QTest::newRow("largest integers") << "2147483647"
                                    << "2147483647";
  QTest::newRow("30000") << "30000"
                         << "30000";
  QTest::newRow("taller than the screen") << "5000"
                                          << "500";
  QTest::newRow("far off the screen") << "300"
                                      << "500";
}

// A stored size beyond the screen (a damaged file, another machine's larger
// screen) is cut to the screen's available area, the window lies on it, and
// the sane size is what the next start finds.
void LayoutTest::oversizedStoredWindowFitsTheScreen() {
  QFETCH(QString, height);
  QFETCH(QString, width);
  WorkspaceFixture fixture;
  writeText(programPath("sources/mform.res"),
            memoStream({"wsNormal", "-90000", "2147483647", height, width, "30"}));
  MainWindow* form = fixture.openWindow();
  const QRect available = form->screen()->availableGeometry();
  QVERIFY2(form->width() <= available.width() && form->height() <= available.height(),
           qPrintable(QStringLiteral("%1 x %2").arg(form->width()).arg(form->height())));
  QCOMPARE(form->size(),
           QSize(std::min(width.toInt(), available.width()), std::min(height.toInt(), available.height())));
  QVERIFY(form->frameGeometry().intersects(available));
  form = fixture.restart();
  const StoredLayout stored =
      parseLayoutLines(widgets::child<QPlainTextEdit>(form, "layoutText")->toPlainText().split('\n'));
  QVERIFY(stored.size);
  QVERIFY(stored.size->width() <= available.width() && stored.size->height() <= available.height());
}

VT3417_REGISTER_TEST(LayoutTest)
#include "LayoutTest.moc"
