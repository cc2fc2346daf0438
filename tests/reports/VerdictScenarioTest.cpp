#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "support/TestRegistry.h"

#include "app/Windows.h"
#include "reports/DocxReadBack.h"
#include "reports/ProtocolFixture.h"
#include "reports/WordProtocols.h"
#include "settings/SettingsRecords.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// One saved point per meter at 50 % of the nominal current, cos φ 0.5/L, in
// slots 1..8 of a base of class 1 (an empty error is null).
const QList<QVariant> kErrors = {-0.12, 0.38, 12.3456, QVariant(), 0, -1.5, 2, -0.01};
const QStringList kGroupVerdicts = {"годен", "годен", "не годен", "", "годен", "не годен", "не годен", "годен"};
const QStringList kWindowVerdicts = {"Годен",     "Годен",    "Не годен", "Не оценён",
                                     "Годен",     "Не годен", "Не годен", "Годен"};

QString SerialNumber(int slot) { return QStringLiteral("10%1").arg(slot, 2, 10, QLatin1Char('0')); }

struct VerdictFixture : ProtocolFixture {
  explicit VerdictFixture(bool withLimits = true) {
    if (withLimits) writeTemplate("limits.csv", shippedTemplate("limits.csv"));
    addBase(kBase, 230, 5, 1);
    for (int slot = 1; slot <= 8; ++slot) {
      const qint64 meter = addMeter(kBase, slot, SerialNumber(slot));
      addPoint(meter, Point{100, 50, QStringLiteral("0.5/L"), kErrors[slot - 1], QStringLiteral("R"), 1});
    }
  }
};

// The main window over the fixture's database.
struct ShownMainWindow {
  ShownMainWindow() {
    theMainWindow = new MainWindow;
    WireWindows();
    theMainWindow->show();
    if (!QTest::qWaitForWindowExposed(theMainWindow)) qFatal("main window not shown");
  }
  ~ShownMainWindow() {
    delete theMainWindow;
    theMainWindow = nullptr;
  }
  QTreeWidgetItem* meterNode(int slot) {
    QTreeWidgetItem* base = theMainWindow->baseTree()->findItems(kBase, Qt::MatchExactly).value(0);
    for (int i = 0; i < base->childCount(); ++i)
      if (base->child(i)->text(0) == MeterCaptions(slot)) return base->child(i);
    qFatal("no node for slot %d", slot);
  }
  void choose(int slot) {
    QTreeWidget* tree = theMainWindow->baseTree();
    QTreeWidgetItem* node = meterNode(slot);
    node->parent()->setExpanded(true);
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
  }
  QModelIndex errorCell() const {
    DatasetGrid* grid = theMainWindow->pointGrid();
    return grid->model()->index(0, grid->columnOfField(QStringLiteral("Opogr")));
  }
};

}  // namespace

class VerdictScenarioTest : public QObject {
  Q_OBJECT
 private slots:
  // The single protocol of the first meter: the limit beside the error, the conclusion filled.
  void singleProtocolConcludes() {
    VerdictFixture fixture;
    fixture.chooseMeter(kBase, 1);
    const DocxReadBack document = ReadDocx(SingleWordReport());
    QCOMPARE(document.table.value(0).value(5), "Предел, %");
    QCOMPARE(document.table.value(1).value(4), "-0,12");
    QCOMPARE(document.table.value(1).value(5), "±1,0");
    QCOMPARE(document.missingParagraphs({"Заключение: счётчик признан годным к применению."}), QStringList());
  }

  void singleProtocolOfUnfitAndUnjudgedMeters_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("conclusion");
    QTest::addColumn<QString>("limit");
    QTest::newRow("beyond") << 3 << "Заключение: счётчик признан негодным к применению." << "±1,0";
    QTest::newRow("empty error")
        << 4 << "Заключение: счётчик признан ____________________ к применению." << "";
  }
  void singleProtocolOfUnfitAndUnjudgedMeters() {
    QFETCH(int, slot);
    QFETCH(QString, conclusion);
    QFETCH(QString, limit);
    VerdictFixture fixture;
    fixture.chooseMeter(kBase, slot);
    const DocxReadBack document = ReadDocx(SingleWordReport());
    QCOMPARE(document.table.value(1).value(5), limit);
    QCOMPARE(document.missingParagraphs({conclusion}), QStringList());
  }

  void groupProtocolConcludes() {
    VerdictFixture fixture;
    fixture.chooseMeter(kBase, 1);
    const DocxReadBack document = ReadDocx(GroupWordReport());
    const QStringList last = document.table.last();
    QCOMPARE(last.value(1), "Заключение");
    QCOMPARE(last.mid(4, 8), kGroupVerdicts);
    QCOMPARE(document.missingParagraphs({"Заключение: счётчики признаны годными к применению: №1001, №1002, "
                                         "№1005, №1008; негодными: №1003, №1006, №1007."}),
             QStringList());
  }

  // Without a limits file nothing is judged: the blanks stay for the pen.
  void withoutLimitsNothingIsConcluded() {
    VerdictFixture fixture(false);
    fixture.chooseMeter(kBase, 1);
    const DocxReadBack single = ReadDocx(SingleWordReport());
    QCOMPARE(single.table.value(1).value(5), "");
    QCOMPARE(single.missingParagraphs({"Заключение: счётчик признан ____________________ к применению."}),
             QStringList());
    const DocxReadBack group = ReadDocx(GroupWordReport());
    QCOMPARE(group.table.last().mid(4, 8), QStringList(8, QString()));
    QCOMPARE(group.missingParagraphs({"Заключение: счётчики признаны ____________________ к применению."}),
             QStringList());
  }

  // The grid tints each meter's error as its verdict reads, the status bar and the tree say it.
  void mainWindowShowsVerdicts() {
    VerdictFixture fixture;
    ShownMainWindow window;
    for (int slot = 1; slot <= 8; ++slot) {
      window.choose(slot);
      const QModelIndex cell = window.errorCell();
      const QString verdict = kWindowVerdicts[slot - 1];
      QCOMPARE(theMainWindow->StatusPanel(MainWindow::kVerdictPanel)->text(), verdict);
      QCOMPARE(window.meterNode(slot)->toolTip(0), verdict);
      const QString text = cell.data(Qt::DisplayRole).toString();
      const QVariant background = cell.data(Qt::BackgroundRole);
      if (verdict == "Годен") {
        QVERIFY2(text.endsWith(" ✓"), qPrintable(text));
        QCOMPARE(background.value<QColor>().green() > background.value<QColor>().red(), true);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), "Предел ±1,0 %");
      } else if (verdict == "Не годен") {
        QVERIFY2(text.endsWith(" ✗"), qPrintable(text));
        QCOMPARE(background.value<QColor>().red() > background.value<QColor>().green(), true);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), "Предел ±1,0 %");
      } else {
        QVERIFY2(!text.contains("✓") && !text.contains("✗"), qPrintable(text));
        QVERIFY(!background.isValid());
      }
    }
  }

  // Unmarking the only point takes the verdict back at once; marking gives it again.
  void verdictFollowsMarks() {
    VerdictFixture fixture;
    ShownMainWindow window;
    window.choose(3);
    QCOMPARE(theMainWindow->StatusPanel(MainWindow::kVerdictPanel)->text(), "Не годен");
    theMainWindow->unmarkAllPoints();
    QCOMPARE(theMainWindow->StatusPanel(MainWindow::kVerdictPanel)->text(), "Не оценён");
    QCOMPARE(window.meterNode(3)->toolTip(0), "Не оценён");
    theMainWindow->markAllPoints();
    QCOMPARE(theMainWindow->StatusPanel(MainWindow::kVerdictPanel)->text(), "Не годен");
    QCOMPARE(window.meterNode(3)->toolTip(0), "Не годен");
  }
};

VT3417_REGISTER_TEST(VerdictScenarioTest)
#include "VerdictScenarioTest.moc"
