#include <QTest>

#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "archive/ArchiveListStatement.h"
#include "database/DataModule.h"

#include <stdexcept>

// The meter list is re-queried at every keystroke: whatever the filter, the
// database must be able to hand out the first rows without sorting every
// match first (a sort of 50,000 archived meters takes half a second).
class ArchiveListStatementTest : public QObject {
  Q_OBJECT
 private slots:
  void listIsReadInTheOrderOfAnIndex_data();
  void listIsReadInTheOrderOfAnIndex();
  void unknownSortOrYearIsRefused();
};

void ArchiveListStatementTest::listIsReadInTheOrderOfAnIndex_data() {
  QTest::addColumn<QStringList>("typed");  // type, number from, to, year from, to
  QTest::addColumn<QString>("sortField");
  const auto add = [](const char* name, const QStringList& typed, const char* sort) {
    QTest::newRow(name) << typed << QString::fromLatin1(sort);
  };
  add("nothing", {"", "", "", "", ""}, "tip");
  add("type prefix", {"СЕ*", "", "", "", ""}, "tip");
  add("serial range by type", {"", "1234", "5678", "", ""}, "tip");
  add("years by type", {"", "", "", "1990", "2010"}, "tip");
  add("everything by type", {"СЕ*", "1234", "5678", "1990", "2010"}, "tip");
  add("years by serial number", {"", "", "", "1990", "2010"}, "myNumber");
  add("serial range by serial number", {"", "1", "5", "", ""}, "myNumber");
  add("prefix and serial range by year", {"С*", "1", "5", "", ""}, "myYear");
  add("year range by year", {"", "", "", "1990", "2010"}, "myYear");
}

void ArchiveListStatementTest::listIsReadInTheOrderOfAnIndex() {
  QFETCH(QStringList, typed);
  QFETCH(QString, sortField);
  // The plan is SQLite's; PostgreSQL's figures are shown by bench_database --postgres.
  if (TestDatabase::usesPostgres()) QSKIP("reads SQLite's query plan");
  ArchiveFixture fixture;
  const Statements::ArchiveFilter filter{typed[0], typed[1], typed[2], typed[3], typed[4]};
  Statement statement = archiveListStatement(filter, sortField);
  statement.sql.prepend(QStringLiteral("explain query plan "));
  QStringList plan;
  for (const QVariantList& step : fixture.rows(statement.sql, statement.values))
    plan << step.last().toString();
  QVERIFY2(!plan.join(QLatin1Char(' ')).contains(QLatin1String("TEMP B-TREE")), qPrintable(plan.join(" | ")));
}

void ArchiveListStatementTest::unknownSortOrYearIsRefused() {
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           archiveListStatement({}, QStringLiteral("tip; drop table base")));
  Statements::ArchiveFilter filter;
  filter.yearFrom = QStringLiteral("19 95x");
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, archiveListStatement(filter, QStringLiteral("tip")));
}

VT3417_REGISTER_TEST(ArchiveListStatementTest)
#include "ArchiveListStatementTest.moc"
