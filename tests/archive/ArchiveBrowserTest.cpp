#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "support/GridTitles.h"
#include "support/Keyboard.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "ArchiveFixture.h"
#include "BrowserDriver.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"

using namespace BrowserDriver;
using MessageService::Answer;
using MessageService::ScriptedAnswers;

namespace {

// The archive the filter cases run on. Sorted by type (binary order):
// А%Б, АXБ, А_Б, АБВ1, АБВ2, АБВГ, ГДЕ, КВ"1.
struct ArchivedMeter {
  const char* type;
  const char* number;
  int year;
};
constexpr ArchivedMeter kArchive[] = {{"АБВ1", "100", 1995}, {"АБВ2", "1000", 2001}, {"АБВГ", "200", 1998},
                                      {"ГДЕ", "100", 1996},  {"А%Б", "300", 1990},   {"А_Б", "301", 1990},
                                      {"АXБ", "302", 1990},  {"КВ\"1", "'Б'", 2010}};

const QStringList kAllByType{"А%Б 300",   "АXБ 302",  "А_Б 301", "АБВ1 100",
                             "АБВ2 1000", "АБВГ 200", "ГДЕ 100", "КВ\"1 'Б'"};

// The browser on a fresh archive, opened from the main window (a browser on
// the fixture's data module, without a workspace or an editor).
class OpenBrowser {
 public:
  OpenBrowser() {
    fixture.addBase(QStringLiteral("Б1"));
    for (const ArchivedMeter& meter : kArchive) {
      const qint64 num = fixture.addArchivedMeter(QString::fromUtf8(meter.type),
                                                  QString::fromUtf8(meter.number), meter.year);
      for (int count = 1; count <= 3; ++count) fixture.addArchivedPoint(num, count, num + count / 10.0);
    }
    showWholeArchive(fixture.dm(), browser, nullptr);
  }
  ~OpenBrowser() { browser.close(); }

  void filter(const QString& type, const QString& from, const QString& to, const QString& yearFrom,
              const QString& yearTo) {
    ::type(widgets::child<QComboBox>(browser, "typeFilter"), type);
    ::type(widgets::child<QComboBox>(browser, "numberFromFilter"), from);
    ::type(widgets::child<QComboBox>(browser, "numberToFilter"), to);
    ::type(widgets::child<QComboBox>(browser, "yearFromFilter"), yearFrom);
    ::type(widgets::child<QComboBox>(browser, "yearToFilter"), yearTo);
  }
  QStringList listed() { return listedMeters(widgets::child<DatasetGrid>(browser, "meterGrid")); }
  int archivedPointsOf(const QString& type) const {
    return fixture.count(
        QStringLiteral("select count(*) from Slavearhiv s join masterarhive m on s.Num = m.Num "
                       "where m.Tip = ?"),
        {type});
  }

  ArchiveFixture fixture;
  ArchiveBrowser browser{fixture.dm(), nullptr, nullptr};
};

QStringList items(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

}  // namespace

class ArchiveBrowserTest : public QObject {
  Q_OBJECT
 private slots:
  void titlesAreWhole();
  void windowAsBuilt();
  void filters_data();
  void filters();
  void keyFilters_data();
  void keyFilters();
  void listsCoverTheWholeArchiveAndProgramChangesKeepTheList();
  void pickingFromAListFilters();
  void titleClickSorts();
  void clearingAndReopening();
  void movingInTheMeterGridShowsItsDetailsAndPoints();
  void deletingAMeterWithItsPoints();
  void deletionsAnsweredNoChangeNothing();
  void deletingOnePoint();
  void deletingAllPointsOfAMeter();
  void deletingTheLastMeterEmptiesEverything();
};

void ArchiveBrowserTest::windowAsBuilt() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  QCOMPARE(b.windowTitle(), QStringLiteral("Архив "));
  QCOMPARE(b.size(), QSize(702, 509));
  QVERIFY(!(b.windowFlags() & Qt::WindowCloseButtonHint));
  QVERIFY(!(b.windowFlags() & Qt::WindowMinMaxButtonsHint));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 0).size(), 8);
  // The design widths, wider where a title needs it in the current font.
  const QList<int> meterWidths{115, 115, 92};
  for (int i = 0; i < 3; ++i)
    QVERIFY(widgets::child<DatasetGrid>(b, "meterGrid")->columnWidth(i) >= meterWidths[i]);
  const QList<int> pointWidths{37, 102, 77, 98, 123, 103, 123};
  for (int i = 0; i < 7; ++i)
    QVERIFY(widgets::child<DatasetGrid>(b, "pointGrid")->columnWidth(i) >= pointWidths[i]);
  QStringList titles;
  for (int i = 0; i < 7; ++i)
    titles << widgets::child<DatasetGrid>(b, "pointGrid")->model()->headerData(i, Qt::Horizontal).toString();
  QCOMPARE(titles, (QStringList{"№", "Напряжение %", "Ток %", "Кф. мощности", "Отн. погрешность %",
                                "Дата поверки", "Дата пред. поверки"}));
  QCOMPARE(widgets::child<QAction>(b, "takeOverAction")->text(), QStringLiteral("Данные в архив"));
  QVERIFY(!widgets::child<QAction>(b, "takeOverAction")->isEnabled());
  for (QAction* action :
       {widgets::child<QAction>(b, "deleteMeterAction"), widgets::child<QAction>(b, "excelProtocolAction"),
        widgets::child<QAction>(b, "closeAction"), widgets::child<QAction>(b, "deletePointAction"),
        widgets::child<QAction>(b, "deleteAllPointsAction")})
    QVERIFY(action->isEnabled());
}

namespace {

// Texts typed into typeFilter, numberFromFilter ("от"), numberToFilter ("до"), yearFromFilter ("от"),
// yearToFilter ("до"), and the meters listed after the last keystroke.
void addFilterCase(const char* name, const QStringList& typed, const QStringList& expected) {
  QTest::newRow(name) << typed << expected;
}

}  // namespace

void ArchiveBrowserTest::filters_data() {
  QTest::addColumn<QStringList>("typed");
  QTest::addColumn<QStringList>("expected");
  addFilterCase("prefix, serial to itself, years", {"АБВ*", "100", "", "1995", "2000"}, {"АБВ1 100"});
  addFilterCase("type typed in small letters", {"абв*", "", "", "", ""},
                {"АБВ1 100", "АБВ2 1000", "АБВГ 200"});
  addFilterCase("typed and rubbed out", {"Г\b", "", "", "", ""}, kAllByType);
  addFilterCase("only the to fields filter nothing", {"", "", "200", "", "2000"}, kAllByType);
  addFilterCase("serial from alone is exact", {"", "100", "", "", ""}, {"АБВ1 100", "ГДЕ 100"});
  addFilterCase("serial range compares text", {"", "1", "2", "", ""}, {"АБВ1 100", "АБВ2 1000", "ГДЕ 100"});
  addFilterCase("star alone", {"*", "", "", "", ""}, kAllByType);
  addFilterCase("type without star is exact", {"АБВ", "", "", "", ""}, {});
  addFilterCase("year from above to", {"", "", "", "2000", "1990"}, {});
  addFilterCase("year alone", {"", "", "", "1990", ""}, {"А%Б 300", "АXБ 302", "А_Б 301"});
  addFilterCase("percent typed is a percent", {"А%*", "", "", "", ""}, {"А%Б 300"});
  addFilterCase("underscore typed is an underscore", {"А_*", "", "", "", ""}, {"А_Б 301"});
  addFilterCase("exact type with percent", {"А%Б", "", "", "", ""}, {"А%Б 300"});
  addFilterCase("double quote in type", {"КВ\"1", "", "", "", ""}, {"КВ\"1 'Б'"});
  addFilterCase("apostrophe in serial", {"", "'Б'", "", "", ""}, {"КВ\"1 'Б'"});
}

// Every keystroke re-queries: what the grid shows after the last one is the
// filter of all five texts.
void ArchiveBrowserTest::filters() {
  QFETCH(QStringList, typed);
  QFETCH(QStringList, expected);
  OpenBrowser open;
  open.filter(typed[0], typed[1], typed[2], typed[3], typed[4]);
  QCOMPARE(open.listed(), expected);
  QCOMPARE(open.browser.sortField(), QStringLiteral("tip"));
}

void ArchiveBrowserTest::keyFilters_data() {
  QTest::addColumn<bool>("year");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  const auto add = [](const char* name, bool year, const QString& typed, const QString& shown) {
    QTest::newRow(name) << year << typed << shown;
  };
  add("cyrillic to capitals", false, "ая", "АЯ");
  add("latin to capitals", false, "qz", "QZ");
  add("yo stays", false, "ё", "ё");
  add("others pass", false, "1-%*", "1-%*");
  add("year digits only", true, "19a9-5", "1995");
}

// Keys as the keyboard delivers them: to the focused combo box. Pasted text
// (Ctrl+V) is held to the same rules.
void ArchiveBrowserTest::keyFilters() {
  QFETCH(bool, year);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  OpenBrowser open;
  QComboBox* box = year ? widgets::child<QComboBox>(open.browser, "yearToFilter")
                        : widgets::child<QComboBox>(open.browser, "typeFilter");
  type(box, typed);
  QCOMPARE(keyboard::focusWidget(), box);
  QCOMPARE(box->currentText(), shown);

  box->clearEditText();
  QGuiApplication::clipboard()->setText(year ? QStringLiteral("20x0") : typed);
  keyboard::press(Qt::Key_V, Qt::ControlModifier);
  if (year)
    QVERIFY(!box->currentText().contains(QLatin1Char('x')));  // a paste with a letter is refused
  else
    QCOMPARE(box->currentText(), shown);
}

void ArchiveBrowserTest::listsCoverTheWholeArchiveAndProgramChangesKeepTheList() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  open.filter(QStringLiteral("ГДЕ"), QString(), QString(), QString(), QString());
  QCOMPARE(open.listed(), QStringList{"ГДЕ 100"});

  // A new activation empties the five texts and refills the lists from the
  // whole archive; emptying them is no operator's change: the list stays.
  b.hide();
  b.show();
  for (QComboBox* box :
       {widgets::child<QComboBox>(b, "typeFilter"), widgets::child<QComboBox>(b, "numberFromFilter"),
        widgets::child<QComboBox>(b, "numberToFilter"), widgets::child<QComboBox>(b, "yearFromFilter"),
        widgets::child<QComboBox>(b, "yearToFilter")})
    QVERIFY(box->currentText().isEmpty());
  QCOMPARE(open.listed(), QStringList{"ГДЕ 100"});
  QCOMPARE(items(widgets::child<QComboBox>(b, "typeFilter")).size(), 8);
  QVERIFY(items(widgets::child<QComboBox>(b, "typeFilter")).contains(QStringLiteral("КВ\"1")));
  QCOMPARE(items(widgets::child<QComboBox>(b, "numberToFilter")),
           (QStringList{"'Б'", "100", "1000", "200", "300", "301", "302"}));
  QCOMPARE(items(widgets::child<QComboBox>(b, "numberFromFilter")),
           items(widgets::child<QComboBox>(b, "numberToFilter")));
  QCOMPARE(items(widgets::child<QComboBox>(b, "yearFromFilter")),
           (QStringList{"1990", "1995", "1996", "1998", "2001", "2010"}));
  QCOMPARE(items(widgets::child<QComboBox>(b, "yearToFilter")),
           items(widgets::child<QComboBox>(b, "yearFromFilter")));
}

void ArchiveBrowserTest::pickingFromAListFilters() {
  OpenBrowser open;
  QVERIFY(keyboard::clickToFocus(widgets::child<QComboBox>(open.browser, "yearFromFilter")));
  keyboard::press(Qt::Key_Down);  // the first year of the list
  QCOMPARE(widgets::child<QComboBox>(open.browser, "yearFromFilter")->currentText(), QStringLiteral("1990"));
  QCOMPARE(open.listed(), (QStringList{"А%Б 300", "АXБ 302", "А_Б 301"}));
}

void ArchiveBrowserTest::titleClickSorts() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  open.filter(QStringLiteral("А*"), QString(), QString(), QString(), QString());
  clickTitle(widgets::child<DatasetGrid>(b, "meterGrid"), 1);
  QCOMPARE(b.sortField(), QStringLiteral("myNumber"));
  QCOMPARE(open.listed(),
           (QStringList{"АБВ1 100", "АБВ2 1000", "АБВГ 200", "А%Б 300", "А_Б 301", "АXБ 302"}));
  clickTitle(widgets::child<DatasetGrid>(b, "meterGrid"), 2);
  QCOMPARE(b.sortField(), QStringLiteral("myYear"));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 2),
           (QStringList{"1990", "1990", "1990", "1995", "1998", "2001"}));
  clickTitle(widgets::child<DatasetGrid>(b, "meterGrid"), 0);
  QCOMPARE(b.sortField(), QStringLiteral("tip"));
  QCOMPARE(open.listed(), kAllByType.mid(0, 6));
}

void ArchiveBrowserTest::clearingAndReopening() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  clickTitle(widgets::child<DatasetGrid>(b, "meterGrid"), 2);
  open.filter(QStringLiteral("А*"), QStringLiteral("300"), QStringLiteral("302"), QString(), QString());
  QCOMPARE(open.listed().size(), 3);
  widgets::child<QAction>(b, "clearFilterAction")->trigger();
  QVERIFY(widgets::child<QComboBox>(b, "typeFilter")->currentText().isEmpty() &&
          widgets::child<QComboBox>(b, "numberFromFilter")->currentText().isEmpty() &&
          widgets::child<QComboBox>(b, "numberToFilter")->currentText().isEmpty());
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 2),
           (QStringList{"1990", "1990", "1990", "1995", "1996", "1998", "2001", "2010"}));

  // Opened again from the main window: the table's own order, whatever the sort.
  widgets::child<QAction>(b, "closeAction")->trigger();
  QVERIFY(!b.isVisible());
  showWholeArchive(open.fixture.dm(), b, nullptr);
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 0).first(), QStringLiteral("АБВ1"));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 0).last(), QStringLiteral("КВ\"1"));
}

void ArchiveBrowserTest::movingInTheMeterGridShowsItsDetailsAndPoints() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  open.fixture.addBase(QStringLiteral("Б2"));
  open.fixture.addArchivedPoint(
      open.fixture.addArchivedMeter(QStringLiteral("Я"), QStringLiteral("9"), 2020, QStringLiteral("Б2")), 1,
      7.25);
  open.fixture.dm().connection()->executeWrite(
      {QStringLiteral("update masterarhive set MyUser = ?, Pered = ? "
                      "where Tip = ?"),
       {QStringLiteral("ВЛАДЕЛЕЦ"), 2500, QStringLiteral("Я")},
       QStringLiteral("masterarhive")});
  showWholeArchive(open.fixture.dm(), b, nullptr);
  clickRow(widgets::child<DatasetGrid>(b, "meterGrid"), 8);
  QCOMPARE(widgets::child<QLabel>(b, "ownerValueLabel")->text(), QStringLiteral("ВЛАДЕЛЕЦ"));
  QCOMPARE(widgets::child<QLabel>(b, "meterConstantValueLabel")->text(), QStringLiteral("2500"));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "pointGrid"), 0), QStringList{"1"});
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "pointGrid"), 4),
           QStringList{QLocale().toString(7.25)});
  clickRow(widgets::child<DatasetGrid>(b, "meterGrid"), 0);
  QCOMPARE(widgets::child<QLabel>(b, "ownerValueLabel")->text(), QStringLiteral("ЛАБОРАТОРИЯ"));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "pointGrid"), 0), (QStringList{"1", "2", "3"}));
}

void ArchiveBrowserTest::deletingAMeterWithItsPoints() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  open.filter(QStringLiteral("АБВ*"), QString(), QString(), QString(), QString());
  QCOMPARE(open.listed().first(), QStringLiteral("АБВ1 100"));
  ScriptedAnswers answers({Answer::Yes});
  widgets::child<QAction>(b, "deleteMeterAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].caption, QStringLiteral("Удаление данных"));
  QCOMPARE(answers.shown()[0].text, QStringLiteral("Вы действительно хотите удалить счетчик ?"));

  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from masterarhive where Tip = 'АБВ1'")), 0);
  QCOMPARE(open.archivedPointsOf(QStringLiteral("АБВ1")), 0);
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 7 * 3);
  // The filter in force stays; the lists are refilled without the meter.
  QCOMPARE(open.listed(), (QStringList{"АБВ2 1000", "АБВГ 200"}));
  QVERIFY(!items(widgets::child<QComboBox>(b, "typeFilter")).contains(QStringLiteral("АБВ1")));
  QCOMPARE(items(widgets::child<QComboBox>(b, "typeFilter")).size(), 7);
}

void ArchiveBrowserTest::deletionsAnsweredNoChangeNothing() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  ScriptedAnswers answers({Answer::No, Answer::No, Answer::No});
  widgets::child<QAction>(b, "deleteMeterAction")->trigger();
  widgets::child<QAction>(b, "deletePointAction")->trigger();
  widgets::child<QAction>(b, "deleteAllPointsAction")->trigger();
  QCOMPARE(answers.texts(), (QStringList{"Вы действительно хотите удалить счетчик ?",
                                         "Вы действительно хотите удалить измерение ?",
                                         "Вы действительно хотите удалить все измерения ?"}));
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from masterarhive")), 8);
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 8 * 3);
}

void ArchiveBrowserTest::deletingOnePoint() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  clickRow(widgets::child<DatasetGrid>(b, "pointGrid"), 1);
  ScriptedAnswers answers;
  widgets::child<QAction>(b, "deletePointAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(columnTexts(widgets::child<DatasetGrid>(b, "pointGrid"), 0),
           (QStringList{"1", "3"}));  // not renumbered
  QCOMPARE(open.archivedPointsOf(QStringLiteral("АБВ1")), 2);
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 8 * 3 - 1);
}

void ArchiveBrowserTest::deletingAllPointsOfAMeter() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  clickRow(widgets::child<DatasetGrid>(b, "meterGrid"), 3);
  const QString type = columnTexts(widgets::child<DatasetGrid>(b, "meterGrid"), 0).at(3);
  ScriptedAnswers answers;
  widgets::child<QAction>(b, "deleteAllPointsAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(open.archivedPointsOf(type), 0);
  QCOMPARE(widgets::child<DatasetGrid>(b, "pointGrid")->model()->rowCount(), 0);
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from masterarhive")), 8);  // the meter stays
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 7 * 3);
  // Nothing left to delete: no question.
  answers.clear();
  widgets::child<QAction>(b, "deleteAllPointsAction")->trigger();
  widgets::child<QAction>(b, "deletePointAction")->trigger();
  QVERIFY(answers.shown().empty());
}

void ArchiveBrowserTest::deletingTheLastMeterEmptiesEverything() {
  OpenBrowser open;
  ArchiveBrowser& b = open.browser;
  ScriptedAnswers answers;
  for (int i = 0; i < 8; ++i) widgets::child<QAction>(b, "deleteMeterAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(8));
  QCOMPARE(widgets::child<DatasetGrid>(b, "meterGrid")->model()->rowCount(), 0);
  QCOMPARE(widgets::child<DatasetGrid>(b, "pointGrid")->model()->rowCount(), 0);
  for (QComboBox* box :
       {widgets::child<QComboBox>(b, "typeFilter"), widgets::child<QComboBox>(b, "numberFromFilter"),
        widgets::child<QComboBox>(b, "numberToFilter"), widgets::child<QComboBox>(b, "yearFromFilter"),
        widgets::child<QComboBox>(b, "yearToFilter")})
    QCOMPARE(box->count(), 0);
  QCOMPARE(open.fixture.count(QStringLiteral("select count(*) from Slavearhiv")), 0);
  answers.clear();
  widgets::child<QAction>(b, "deleteMeterAction")->trigger();
  QVERIFY(answers.shown().empty());
  QVERIFY(widgets::child<QLabel>(b, "ownerValueLabel")->text().isEmpty());
}

// The titles of both grids are whole in the current font, also a larger one.
void ArchiveBrowserTest::titlesAreWhole() {
  OpenBrowser open;
  QCOMPARE(cutGridTitles(widgets::child<DatasetGrid>(open.browser, "meterGrid")), QStringList());
  QCOMPARE(cutGridTitles(widgets::child<DatasetGrid>(open.browser, "pointGrid")), QStringList());
  for (DatasetGrid* grid : {widgets::child<DatasetGrid>(open.browser, "meterGrid"),
                            widgets::child<DatasetGrid>(open.browser, "pointGrid")}) {
    QFont larger = grid->font();
    larger.setPointSize(larger.pointSize() + 6);
    grid->setFont(larger);
    QCOMPARE(cutGridTitles(grid), QStringList());
  }
}

VT3417_REGISTER_TEST(ArchiveBrowserTest)
#include "ArchiveBrowserTest.moc"
